#pragma once
// What the player shows for a movie when no Flash control is there to play
// it: a card with the stage drawn at the movie's aspect ratio in its
// background colour, and the facts of its header as lines of text.

#include <cstdint>
#include <string>
#include <vector>

#include "swf/swf_header.h"

namespace fh {

// The card's words, from the string table.
struct CardTexts {
    std::string version, compression, none, stage, frameRate, frameCount, fileSize, bytes, actionScript3, yes, no,
        title, notAMovie, cutShort, corrupt, tooLarge, unreadable;
};

struct CardLine {
    std::string label;
    std::string value;
};

// The lines for a movie read with ReadSwfHeader: what could be read, and a
// last line that says why the reading stopped early. `title` is the
// metadata's title already in the system code page.
std::vector<CardLine> MovieCardLines(const SwfHeaderInfo& info, const CardTexts& texts, const std::string& sizeText,
                                     const std::string& title);

struct StageBox {
    int width = 0;
    int height = 0;
};

// The largest box of the stage's aspect ratio that fits the area; a stage
// without a usable size (none, zero, negative, absurd ratios) is 4:3.
StageBox FitStage(int areaWidth, int areaHeight, std::int64_t stageWidth, std::int64_t stageHeight);

}  // namespace fh
