#pragma once
// Shapes: their fill and line styles, their edge records, and the outlines
// drawn from them. An edge has a fill on each side (fill0 on its left as it
// runs, fill1 on its right); a fill's outline is every edge that has it on
// its right, with the fill0 edges reversed, joined end to start into closed
// contours. Style arrays that a shape replaces part-way make a new layer,
// drawn above the ones before it.

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/swf_bitmap.h"
#include "swf/swf_reader.h"
#include "swf/swf_types.h"

namespace fh {

enum class SwfFillKind : std::uint8_t { Solid, Linear, Radial, Focal, Bitmap };
enum class SwfSpread : std::uint8_t { Pad, Reflect, Repeat };

struct SwfGradientStop {
    std::uint8_t ratio = 0;
    SwfColor color;
};

struct SwfGradient {
    SwfSpread spread = SwfSpread::Pad;
    bool linearRgb = false;  // interpolated in linear light rather than sRGB
    double focal = 0;        // -1..1 along the x axis, for focal fills
    std::vector<SwfGradientStop> stops;
};

struct SwfFillStyle {
    SwfFillKind kind = SwfFillKind::Solid;
    SwfColor color;
    SwfMatrix matrix;  // gradient square or bitmap pixels to shape twips
    SwfGradient gradient;
    std::uint16_t bitmap = 0;
    std::shared_ptr<const SwfBitmap> image;  // a script's bitmap, in place of the character
    bool repeat = true;
    bool smooth = true;
};

enum class SwfCap : std::uint8_t { Round, None, Square };
enum class SwfJoin : std::uint8_t { Round, Bevel, Miter };

struct SwfLineStyle {
    std::uint16_t width = 0;  // twips
    SwfColor color;
    SwfCap startCap = SwfCap::Round, endCap = SwfCap::Round;
    SwfJoin join = SwfJoin::Round;
    double miterLimit = 3;
    bool noHScale = false, noVScale = false;
    bool hasFill = false;
    SwfFillStyle fill;
};

// The pen a line is drawn with (a circle of its width in the shape's units)
// as it reaches the canvas under `m` (the object's matrix after the view,
// which scales by `viewScale`): transformed with the shape, or with a scale
// mode without the object's horizontal scale (NoHScale), its vertical one
// (NoVScale) or any of it (both: a circle scaled by the view alone). Only
// the linear part is kept.
SwfMatrix SwfLinePen(const SwfLineStyle& line, const SwfMatrix& m, double viewScale);

struct SwfStyles {
    std::vector<SwfFillStyle> fills;
    std::vector<SwfLineStyle> lines;
};

// Absolute twips; a straight edge has its control point half-way.
struct SwfEdge {
    std::int32_t x0 = 0, y0 = 0, cx = 0, cy = 0, x1 = 0, y1 = 0;
    bool curved = false;
    std::uint16_t fill0 = 0, fill1 = 0, line = 0;  // 1-based in the layer's styles; 0 for none
    std::uint16_t layer = 0;
};

struct SwfShape {
    SwfRect bounds;
    bool nonZero = false;  // the fill rule; even-odd unless a DefineShape4 asks
    std::vector<SwfStyles> layers;
    std::vector<SwfEdge> edges;
    bool cut = false;  // the records ended early or broke a cap
};

// Caps shared by everything parsed from one movie.
struct SwfShapeBudget {
    std::uint64_t edges = 2000000;
    std::uint64_t styles = 200000;
    bool exhausted = false;
};

// `version` 1-4 as in DefineShape, DefineShape2 ...; it decides colours with
// alpha, long style counts and LINESTYLE2. Glyphs pass 1 with no styles.
bool ReadFillStyles(SwfReader& r, int version, std::vector<SwfFillStyle>& out, SwfShapeBudget& budget);
bool ReadLineStyles(SwfReader& r, int version, std::vector<SwfLineStyle>& out, SwfShapeBudget& budget);
// The records of a SHAPE (its bit counts first), into `shape` (which holds
// the first layer's styles already, when it has any).
void ReadShapeRecords(SwfReader& r, int version, SwfShape& shape, SwfShapeBudget& budget);
// A DefineShape-family body after the character id.
SwfShape ReadShape(SwfReader& r, int version, SwfShapeBudget& budget);

// A morph: start and end styles side by side, and paired edges.
struct SwfMorphShape {
    SwfStyles start, end;
    std::vector<SwfEdge> startEdges, endEdges;
    bool cut = false;
};
// `version` 1 or 2 (DefineMorphShape2), after the character id.
SwfMorphShape ReadMorphShape(SwfReader& r, int version, SwfShapeBudget& budget);
// The shape at `ratio` between 0 (start) and 1 (end).
SwfShape MorphAt(const SwfMorphShape& morph, double ratio);

struct SwfOutlineLayer {
    bool line = false;
    std::uint16_t layer = 0;
    std::uint16_t style = 0;  // 1-based in the layer's fills or lines
    SwfPath path;             // twips; fills are closed contours
};

struct SwfOutline {
    std::vector<SwfOutlineLayer> layers;  // in drawing order
    bool nonZero = false;
};

SwfOutline BuildOutline(const SwfShape& shape);

}  // namespace fh
