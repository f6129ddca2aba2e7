#pragma once
// A movie read whole into memory: its stage, its character dictionary
// (shapes, morph shapes, sprites, bitmaps, fonts, static texts, buttons) and
// its timeline as each frame's placements, removals and actions (those that
// steer timelines; see swf_actions.h). Other scripts, sounds, video and
// edit texts are skipped by their length and counted, so that the card can
// say what is not shown. Every count and size has a cap; a movie
// that is cut, corrupt or beyond a cap keeps what was read before it.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "raster/raster_blend.h"
#include "swf/swf_actions.h"
#include "swf/swf_bitmap.h"
#include "swf/swf_edit_text.h"
#include "swf/swf_filters.h"
#include "swf/swf_header.h"
#include "swf/swf_shape.h"
#include "swf/swf_types.h"

namespace fh {

struct SwfLimits {
    std::uint64_t maxBody = 32u << 20;          // decompressed bytes
    std::uint32_t maxTags = 500000;             // in the whole movie, sprites' included
    std::uint64_t maxEdges = 2000000;           // edge records of all shapes, glyphs and morphs
    std::uint64_t maxStyles = 200000;           // fill and line styles of all shapes
    std::uint32_t maxBitmapSide = 8192;         // pixels
    std::uint64_t maxBitmapPixels = 16u << 20;  // one bitmap, and all bitmaps together
    std::uint32_t maxGlyphs = 65536;            // all fonts together
    std::uint32_t maxTextGlyphs = 200000;       // glyphs placed by all texts together
    std::uint32_t maxFilters = 16384;           // filters kept by all placements together
    std::uint64_t maxActions = 200000;          // actions and pushed values of all action lists
};

// Why a movie was not read to its end.
enum class SwfCut {
    None,
    NotAMovie,
    CutShort,           // the data ended inside a tag, or a record overran its tag
    BadCompressedData,
    TooLarge,           // the decompressed movie is larger than the cap
    TooManyTags,
    TooManyShapes,      // edges or styles beyond their caps
};

// One handler of a placement's clip actions (onClipEvent): the events it
// answers (SwfClipEvent bits), a keyPress's key, and its action list.
struct SwfClipAction {
    std::uint32_t events = 0;
    std::uint8_t key = 0;
    std::uint32_t block = 0;
};

struct SwfPlace {
    std::uint16_t depth = 0;
    bool move = false;
    std::optional<std::uint16_t> character;
    std::optional<SwfMatrix> matrix;
    std::optional<SwfColorTransform> colorTransform;
    std::optional<std::uint16_t> ratio;
    std::optional<std::uint16_t> clipDepth;
    // PlaceObject3: each is there only when its flag is, and a move without
    // it keeps the object's. A present but empty filter list clears them.
    std::optional<std::shared_ptr<const SwfFilterList>> filters;
    std::optional<RasterBlend> blend;
    std::optional<bool> cacheAsBitmap;
    std::optional<bool> visible;
    std::optional<SwfColor> background;  // opaque background (SWF 11); alpha 0 takes it away
    std::optional<std::string> name;     // the instance name targets find it by
    std::shared_ptr<const std::vector<SwfClipAction>> clipActions;
};

struct SwfControl {
    enum class Kind : std::uint8_t { Place, Remove, Background, Actions, InitActions } kind = Kind::Place;
    SwfPlace place;          // the depth alone for Remove
    SwfColor color;          // Background
    std::uint32_t block = 0;  // Actions, InitActions: the index into the movie's action lists
};

struct SwfFrame {
    std::vector<SwfControl> tags;  // in the order of the movie's tags
};

struct SwfTimeline {
    std::vector<SwfFrame> frames;
    std::vector<std::pair<std::string, int>> labels;  // FrameLabel names and their 0-based frames
    // The frame of each label by SwfLabelKey, the first of the name: a goto
    // finds it without walking all the labels (ordered, as a movie's names
    // could be chosen to collide in a hash).
    std::map<std::string, int> labelFrames;
};

struct SwfFont {
    std::vector<SwfShape> glyphs;
    double emSquare = 1024;  // glyph units per text height (20 times more in DefineFont3)
    // DefineFont2 and 3: the character of each glyph, and with a layout its
    // advances and the font's ascent, descent and leading (glyph units).
    std::vector<std::uint16_t> codes;
    std::vector<std::int16_t> advances;
    int ascent = 0, descent = 0, leading = 0;
    // DefineFont2 and 3: a family's bold and italic faces are fonts of their own.
    std::string name;
    bool bold = false, italic = false;
};

struct SwfGlyph {
    std::uint16_t index = 0;
    std::int32_t x = 0;  // twips from the text's origin
};

struct SwfTextRun {
    std::uint16_t font = 0;
    SwfColor color;
    std::int32_t y = 0;
    std::uint16_t height = 0;
    std::vector<SwfGlyph> glyphs;
};

struct SwfText {
    SwfMatrix matrix;
    std::vector<SwfTextRun> runs;
    // An edit text with a border: white behind the text, a black frame round `bounds`.
    bool border = false;
    SwfRect bounds;  // the character's rectangle (the field's, or what a static text covers)
    // An edit text's box: a background filled behind the text, the border's colour.
    bool background = false;
    SwfColor borderColor{0, 0, 0, 255}, backgroundColor{255, 255, 255, 255};
};

// An edit text as the movie defines it, and its first look.
struct SwfEditTextDef {
    SwfEditText field;
    SwfText shown;
};

struct SwfButtonPart {
    std::uint16_t character = 0;
    std::uint16_t depth = 0;
    SwfMatrix matrix;
    SwfColorTransform colorTransform;
};

struct SwfButton {
    // The parts of each state, in depth order; the hit state's shapes say
    // where the button is, and are never drawn.
    std::vector<SwfButtonPart> up, over, down, hit;
    std::vector<std::uint32_t> release;  // the action lists run when a click ends over it
};

enum class SwfKind : std::uint8_t { Shape, Morph, Sprite, Bitmap, Font, Text, Button, EditText };

struct SwfCharacter {
    SwfKind kind = SwfKind::Shape;
    std::uint32_t index = 0;  // into the movie's list of that kind
};

// What the movie holds that is not drawn.
struct SwfLeftOut {
    int editTexts = 0;  // without embedded glyphs to draw them with
    int sounds = 0;
    int videos = 0;
    // Frames with script that is not run: an action list with an action
    // beyond those that steer timelines, DoInitAction, DoABC.
    int unrunScriptFrames = 0;
    int largeBitmaps = 0;
};

struct SwfMovie {
    int version = 0;
    SwfRect stage;
    double frameRate = 0;  // frames a second
    std::uint16_t declaredFrames = 0;
    bool actionScript3 = false;
    SwfTimeline root;
    std::unordered_map<std::uint16_t, SwfCharacter> dictionary;
    std::vector<SwfShape> shapes;
    std::vector<SwfMorphShape> morphs;
    std::vector<SwfTimeline> sprites;
    std::vector<SwfBitmap> bitmaps;
    std::vector<SwfFont> fonts;
    std::vector<SwfText> texts;
    std::vector<SwfEditTextDef> editTexts;
    std::vector<SwfButton> buttons;
    std::vector<SwfActionBlock> actions;
    // Exported symbols by SwfLabelKey of their names (ordered, as names could collide in a hash).
    std::map<std::string, std::uint16_t> exports;
    std::map<std::uint16_t, std::string> exportNames;  // the name each character was last exported under, as written
    SwfLeftOut leftOut;
    SwfCut cut = SwfCut::None;
    std::uint32_t tagCount = 0;
    std::uint32_t damagedTags = 0;  // records that ran past the end of their tag

    const SwfCharacter* Find(std::uint16_t id) const {
        auto it = dictionary.find(id);
        return it == dictionary.end() ? nullptr : &it->second;
    }
    bool Readable() const { return cut != SwfCut::NotAMovie; }
    int StageWidthPixels() const { return (stage.xMax - stage.xMin) / 20; }
    int StageHeightPixels() const { return (stage.yMax - stage.yMin) / 20; }
};

// Reads the whole movie from the source.
std::shared_ptr<SwfMovie> LoadSwfMovie(ByteSource& source, const SwfLimits& limits = SwfLimits());
// Parses an already decompressed body (after the eight header bytes).
void ParseSwfBody(const unsigned char* body, std::size_t size, int version, const SwfLimits& limits, SwfMovie& movie);

}  // namespace fh
