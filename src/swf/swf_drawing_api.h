#pragma once
// What scripts draw on a clip (beginFill, lineStyle, moveTo, lineTo,
// curveTo, endFill, clear), kept as a shape's records: fill and line styles
// and edges in twips, so that the stage draws, measures and hit-tests it as
// it does the movie's own shapes. Each fill begun starts a style layer of
// its own, drawn above the ones before it with the lines drawn while it was
// open. A fill's contours close by themselves (unstroked) when the pen
// moves away or the fill ends. Points past a cap are dropped, so a script
// drawing in a loop cannot grow the shape without end.

#include <cmath>
#include <cstdint>
#include <memory>

#include "swf/swf_bitmap.h"
#include "swf/swf_shape.h"

namespace fh {

// A box in twips; empty when a minimum passes its maximum.
struct SwfBox {
    double xMin = HUGE_VAL, yMin = HUGE_VAL, xMax = -HUGE_VAL, yMax = -HUGE_VAL;
    bool Empty() const { return !(xMin <= xMax && yMin <= yMax); }
};

// The points all the drawn shapes of one stage hold, against a cap: more
// than one frame's drawing may cover are of no use, and each costs memory.
struct SwfDrawnPool {
    std::uint64_t points = 0;
    std::uint64_t max = 0;
};

class SwfDrawnShape {
public:
    static constexpr std::uint32_t kMaxPoints = 1000000;

    explicit SwfDrawnShape(std::shared_ptr<SwfDrawnPool> pool = nullptr) : m_pool(std::move(pool)) {}
    ~SwfDrawnShape();
    SwfDrawnShape(const SwfDrawnShape&) = delete;
    SwfDrawnShape& operator=(const SwfDrawnShape&) = delete;

    void BeginFill(const SwfFillStyle& fill);
    void EndFill();
    // A line style for the edges drawn from now on; none draws them unstroked.
    void LineStyle(const SwfLineStyle& line);
    void NoLine();
    // Changes the current line's paint to a gradient (lineGradientStyle).
    void LineFill(const SwfFillStyle& fill);
    // Pen positions in twips.
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void CurveTo(double cx, double cy, double x, double y);
    void Clear();

    const SwfShape& Shape() const { return m_shape; }
    // Built again after a change.
    const SwfOutline& Outline();
    bool Empty() const { return m_shape.edges.empty(); }
    // The box of the edges (control points included), with `strokes` grown
    // by half the widest line; false when nothing is drawn.
    bool Bounds(SwfRect& box, bool strokes = true) const;
    // Points dropped at a cap (the shape's or the pool's) since the last clear.
    bool Cut() const { return m_cut; }
    std::uint32_t Points() const { return m_points; }
    // Bitmaps drawn with stay alive while the shape does.
    void Keep(std::shared_ptr<const SwfBitmap> bitmap) { m_bitmaps.push_back(std::move(bitmap)); }

private:
    bool Spend();
    SwfStyles& Layer();
    void NewLayer();
    void Edge(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y, bool curved, bool stroked);
    void CloseContour();

    SwfShape m_shape;
    SwfOutline m_outline;
    bool m_outlineStale = true;
    std::int32_t m_x = 0, m_y = 0;              // the pen
    std::int32_t m_startX = 0, m_startY = 0;    // where the open fill's contour began
    bool m_filling = false;
    std::uint16_t m_fill = 0, m_line = 0;       // 1-based in the current layer's styles; 0: none
    bool m_layerUsed = false;                   // the current layer has edges
    bool m_lineUsed = false;                    // and some of them the current line style
    std::uint32_t m_points = 0;
    bool m_cut = false;
    std::vector<std::shared_ptr<const SwfBitmap>> m_bitmaps;
    std::shared_ptr<SwfDrawnPool> m_pool;
};

}  // namespace fh
