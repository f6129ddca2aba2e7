#pragma once
// What the player shows for a movie when no Flash control is there to play
// it: a card with the stage drawn at the movie's aspect ratio in its
// background colour, and the facts of its header as lines of text.

#include <cstdint>
#include <string>
#include <vector>

#include "swf/swf_header.h"
#include "swf/swf_movie.h"

namespace fh {

// The card's words, from the string table.
struct CardTexts {
    std::string version, compression, none, stage, frameRate, frameCount, fileSize, bytes, actionScript3, yes, no,
        title, notAMovie, cutShort, corrupt, tooLarge, unreadable, sha256;
};

struct CardLine {
    std::string label;
    std::string value;
};

// The lines for a movie read with ReadSwfHeader: what could be read, and a
// last line that says why the reading stopped early. `title` is the
// metadata's title already in the system code page; `sha256` the file's
// hash in hex (empty when none), of which the card shows the first 16 digits.
std::vector<CardLine> MovieCardLines(const SwfHeaderInfo& info, const CardTexts& texts, const std::string& sizeText,
                                     const std::string& title, const std::string& sha256 = std::string());

// The words of the lines about the drawing, from the string table; the
// counted ones are printf formats with one %d.
struct PlaybackTexts {
    std::string frame, paused, scripts, scriptsCut, leftOut, editTexts, sounds, videos, largeBitmaps, drawLimit,
        damaged, tooManyTags, tooManyShapes, tooLarge, cutShort, corrupt;
};

struct PlaybackState {
    int frame = 1;
    int frameCount = 1;
    bool paused = false;
    bool drawCut = false;  // a cap ended the last drawing early
    std::uint32_t scriptsCut = 0;  // scripts a cap stopped since the start
};

// The lines the built-in renderer adds to the card: the frame shown, how
// many scripts a cap stopped, what is not drawn, and why the movie was read or drawn only
// in part. `headerSaid` is true when the header's lines already
// say why the reading stopped.
std::vector<CardLine> PlaybackCardLines(const SwfMovie& movie, const PlaybackState& state, const PlaybackTexts& texts,
                                        bool headerSaid);

struct StageBox {
    int width = 0;
    int height = 0;
};

// Where the card's parts go in the player's client area: the stage box,
// centred at the top, and the first line of text below it. Margins are 8
// pixels at 96 DPI and grow with the resolution.
struct CardLayout {
    int left = 0, top = 0, width = 0, height = 0;  // the stage box (empty when none)
    int textTop = 0;
    int margin = 8;
};
CardLayout LayOutCard(int clientWidth, int clientHeight, int lineHeight, int lineCount, bool hasStage,
                      std::int64_t stageWidth, std::int64_t stageHeight, int dpi);

// The largest box of the stage's aspect ratio that fits the area; a stage
// without a usable size (none, zero, negative, absurd ratios) is 4:3.
StageBox FitStage(int areaWidth, int areaHeight, std::int64_t stageWidth, std::int64_t stageHeight);

}  // namespace fh
