#include "swf/swf_drawing_api.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fh {

namespace {

// Far enough for any picture, near enough that sums of twips stay in range.
constexpr double kFarTwips = 1 << 29;
constexpr std::size_t kMaxStyles = std::numeric_limits<std::uint16_t>::max();

std::int32_t Twips(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(v, -kFarTwips, kFarTwips)));
}

}  // namespace

SwfDrawnShape::~SwfDrawnShape() {
    if (m_pool) m_pool->points -= m_points;
}

bool SwfDrawnShape::Spend() {
    if (m_points >= kMaxPoints || (m_pool && m_pool->points >= m_pool->max)) {
        m_cut = true;
        return false;
    }
    ++m_points;
    if (m_pool) ++m_pool->points;
    return true;
}

SwfStyles& SwfDrawnShape::Layer() {
    if (m_shape.layers.empty()) m_shape.layers.emplace_back();
    return m_shape.layers.back();
}

// A layer whose styles no edge uses yet is taken over rather than left empty.
void SwfDrawnShape::NewLayer() {
    if (m_shape.layers.empty() || m_layerUsed) {
        const SwfLineStyle* line = m_line ? &Layer().lines[m_line - 1u] : nullptr;
        SwfStyles next;
        if (line) next.lines.push_back(*line);
        m_shape.layers.push_back(std::move(next));
        m_line = line ? 1 : 0;
        m_layerUsed = m_lineUsed = false;
    }
    Layer().fills.clear();
    m_fill = 0;
}

void SwfDrawnShape::BeginFill(const SwfFillStyle& fill) {
    EndFill();
    if (m_shape.layers.size() >= kMaxStyles && m_layerUsed) {
        m_cut = true;
        return;
    }
    NewLayer();
    Layer().fills.push_back(fill);
    m_fill = 1;
    m_filling = true;
    m_startX = m_x;
    m_startY = m_y;
}

void SwfDrawnShape::EndFill() {
    if (!m_filling) return;
    CloseContour();
    m_filling = false;
    m_fill = 0;
}

void SwfDrawnShape::LineStyle(const SwfLineStyle& line) {
    std::vector<SwfLineStyle>& lines = Layer().lines;
    // A style no edge has used yet is replaced.
    if (m_line && m_line == lines.size() && !m_lineUsed) {
        lines.back() = line;
        return;
    }
    if (lines.size() >= kMaxStyles) {
        m_cut = true;
        return;
    }
    lines.push_back(line);
    m_line = static_cast<std::uint16_t>(lines.size());
    m_lineUsed = false;
}

void SwfDrawnShape::NoLine() { m_line = 0; }

void SwfDrawnShape::LineFill(const SwfFillStyle& fill) {
    if (!m_line) return;
    SwfLineStyle line = Layer().lines[m_line - 1u];
    line.hasFill = true;
    line.fill = fill;
    LineStyle(line);
}

// The closing edge is no move of the pen, which stays where it was drawn to.
void SwfDrawnShape::CloseContour() {
    if (!m_filling || (m_x == m_startX && m_y == m_startY)) return;
    const std::int32_t x = m_x, y = m_y;
    Edge(static_cast<std::int32_t>((static_cast<std::int64_t>(x) + m_startX) / 2),
         static_cast<std::int32_t>((static_cast<std::int64_t>(y) + m_startY) / 2), m_startX, m_startY, false, false);
    m_x = x;
    m_y = y;
}

void SwfDrawnShape::MoveTo(double x, double y) {
    if (!Spend()) return;
    CloseContour();
    m_x = m_startX = Twips(x);
    m_y = m_startY = Twips(y);
}

void SwfDrawnShape::LineTo(double x, double y) {
    if (!Spend()) return;
    const std::int32_t tx = Twips(x), ty = Twips(y);
    Edge(static_cast<std::int32_t>((static_cast<std::int64_t>(m_x) + tx) / 2),
         static_cast<std::int32_t>((static_cast<std::int64_t>(m_y) + ty) / 2), tx, ty, false, true);
}

void SwfDrawnShape::CurveTo(double cx, double cy, double x, double y) {
    if (!Spend() || !Spend()) return;
    Edge(Twips(cx), Twips(cy), Twips(x), Twips(y), true, true);
}

void SwfDrawnShape::Edge(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y, bool curved,
                         bool stroked) {
    const std::uint16_t line = stroked ? m_line : 0;
    if (m_fill || line) {
        SwfEdge e;
        e.x0 = m_x;
        e.y0 = m_y;
        e.cx = cx;
        e.cy = cy;
        e.x1 = x;
        e.y1 = y;
        e.curved = curved;
        e.fill1 = m_fill;
        e.line = line;
        e.layer = static_cast<std::uint16_t>(m_shape.layers.size() - 1);
        m_shape.edges.push_back(e);
        m_layerUsed = true;
        m_lineUsed = m_lineUsed || line != 0;
        m_outlineStale = true;
    }
    m_x = x;
    m_y = y;
}

void SwfDrawnShape::Clear() {
    if (m_pool) m_pool->points -= m_points;
    m_shape = SwfShape();
    m_outline = SwfOutline();
    m_outlineStale = true;
    m_x = m_y = m_startX = m_startY = 0;
    m_filling = false;
    m_fill = m_line = 0;
    m_layerUsed = m_lineUsed = false;
    m_points = 0;
    m_cut = false;
    m_bitmaps.clear();
}

const SwfOutline& SwfDrawnShape::Outline() {
    if (m_outlineStale) {
        m_outline = BuildOutline(m_shape);
        m_outlineStale = false;
    }
    return m_outline;
}

bool SwfDrawnShape::Bounds(SwfRect& box, bool strokes) const {
    if (m_shape.edges.empty()) return false;
    std::int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
    std::int64_t half = 0;
    for (const SwfEdge& e : m_shape.edges) {
        auto add = [&](std::int64_t x, std::int64_t y) {
            x0 = std::min(x0, x);
            y0 = std::min(y0, y);
            x1 = std::max(x1, x);
            y1 = std::max(y1, y);
        };
        add(e.x0, e.y0);
        add(e.x1, e.y1);
        if (e.curved) add(e.cx, e.cy);
        if (strokes && e.line && e.layer < m_shape.layers.size() && e.line <= m_shape.layers[e.layer].lines.size())
            half = std::max<std::int64_t>(half, m_shape.layers[e.layer].lines[e.line - 1u].width / 2);
    }
    box.xMin = static_cast<std::int32_t>(x0 - half);
    box.yMin = static_cast<std::int32_t>(y0 - half);
    box.xMax = static_cast<std::int32_t>(x1 + half);
    box.yMax = static_cast<std::int32_t>(y1 + half);
    return true;
}

}  // namespace fh
