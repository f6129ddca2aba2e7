#include "swf/swf_shape.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace fh {

namespace {

SwfColor ReadColor(SwfReader& r, int version) { return version >= 3 ? r.Rgba() : r.Rgb(); }

std::size_t StyleCount(SwfReader& r, int version) {
    std::size_t count = r.U8();
    if (count == 0xFF && version >= 2) count = r.U16();
    return count;
}

// Positions stay well inside 32 bits however many deltas a shape adds up.
std::int32_t Offset(std::int32_t at, std::int64_t delta) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(at + delta, -(std::int64_t{1} << 30), std::int64_t{1} << 30));
}

bool Spend(std::uint64_t& left, std::uint64_t amount, SwfShapeBudget& budget) {
    if (amount > left) {
        budget.exhausted = true;
        return false;
    }
    left -= amount;
    return true;
}

void ReadGradient(SwfReader& r, int version, bool focal, SwfGradient& g) {
    const std::uint8_t head = r.U8();
    const int spread = head >> 6;
    g.spread = spread == 1 ? SwfSpread::Reflect : spread == 2 ? SwfSpread::Repeat : SwfSpread::Pad;
    g.linearRgb = ((head >> 4) & 3) == 1;
    const int count = head & 0x0F;
    for (int i = 0; i < count && !r.Overrun(); ++i) {
        SwfGradientStop stop;
        stop.ratio = r.U8();
        stop.color = ReadColor(r, version);
        g.stops.push_back(stop);
    }
    if (focal) g.focal = std::clamp(r.S16() / 256.0, -0.98, 0.98);
}

bool ReadFillStyle(SwfReader& r, int version, SwfFillStyle& f) {
    const std::uint8_t type = r.U8();
    switch (type) {
    case 0x00:
        f.kind = SwfFillKind::Solid;
        f.color = ReadColor(r, version);
        return true;
    case 0x10:
    case 0x12:
    case 0x13:
        f.kind = type == 0x10 ? SwfFillKind::Linear : type == 0x12 ? SwfFillKind::Radial : SwfFillKind::Focal;
        f.matrix = r.Matrix();
        ReadGradient(r, version, type == 0x13, f.gradient);
        return true;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.kind = SwfFillKind::Bitmap;
        f.bitmap = r.U16();
        f.matrix = r.Matrix();
        f.repeat = (type & 1) == 0;
        f.smooth = (type & 2) == 0;
        return true;
    default:
        return false;
    }
}

SwfCap Cap(std::uint32_t v) { return v == 1 ? SwfCap::None : v == 2 ? SwfCap::Square : SwfCap::Round; }

void ReadLineFlags(SwfReader& r, SwfLineStyle& l) {
    l.startCap = Cap(r.Bits(2));
    const std::uint32_t join = r.Bits(2);
    l.join = join == 1 ? SwfJoin::Bevel : join == 2 ? SwfJoin::Miter : SwfJoin::Round;
    l.hasFill = r.Flag();
    l.noHScale = r.Flag();
    l.noVScale = r.Flag();
    r.Bits(1 + 5 + 1);  // pixel hinting, reserved, no close
    l.endCap = Cap(r.Bits(2));
    r.Align();
    if (l.join == SwfJoin::Miter) l.miterLimit = std::max(1.0, r.U16() / 256.0);
}

}  // namespace

bool ReadFillStyles(SwfReader& r, int version, std::vector<SwfFillStyle>& out, SwfShapeBudget& budget) {
    const std::size_t count = StyleCount(r, version);
    if (!Spend(budget.styles, count, budget)) return false;
    out.reserve(std::min<std::size_t>(count, r.Remaining()));
    for (std::size_t i = 0; i < count; ++i) {
        SwfFillStyle f;
        if (!ReadFillStyle(r, version, f) || r.Overrun()) return false;
        out.push_back(f);
    }
    return true;
}

bool ReadLineStyles(SwfReader& r, int version, std::vector<SwfLineStyle>& out, SwfShapeBudget& budget) {
    const std::size_t count = StyleCount(r, version);
    if (!Spend(budget.styles, count, budget)) return false;
    out.reserve(std::min<std::size_t>(count, r.Remaining()));
    for (std::size_t i = 0; i < count; ++i) {
        SwfLineStyle l;
        l.width = r.U16();
        if (version >= 4) {
            ReadLineFlags(r, l);
            if (l.hasFill) {
                if (!ReadFillStyle(r, version, l.fill)) return false;
                l.color = l.fill.kind == SwfFillKind::Solid ? l.fill.color
                          : l.fill.gradient.stops.empty() ? SwfColor{}
                                                          : l.fill.gradient.stops.front().color;
            } else {
                l.color = r.Rgba();
            }
        } else {
            l.color = ReadColor(r, version);
        }
        if (r.Overrun()) return false;
        out.push_back(l);
    }
    return true;
}

SwfMatrix SwfLinePen(const SwfLineStyle& line, const SwfMatrix& m, double viewScale) {
    if (line.noHScale && line.noVScale) return SwfMatrix::Scale(viewScale, viewScale);
    // The object's scale along an axis is how long its unit comes out under
    // `m`; a column scaled back to the view's length drops it.
    SwfMatrix pen{m.a, m.b, m.c, m.d, 0, 0};
    const double sx = m.ScaleX(), sy = m.ScaleY();
    if (line.noHScale && sx > 0) {
        pen.a *= viewScale / sx;
        pen.b *= viewScale / sx;
    }
    if (line.noVScale && sy > 0) {
        pen.c *= viewScale / sy;
        pen.d *= viewScale / sy;
    }
    return pen;
}

void ReadShapeRecords(SwfReader& r, int version, SwfShape& shape, SwfShapeBudget& budget) {
    if (shape.layers.empty()) shape.layers.emplace_back();
    r.Align();
    int fillBits = static_cast<int>(r.Bits(4));
    int lineBits = static_cast<int>(r.Bits(4));
    std::int32_t x = 0, y = 0;
    std::uint16_t fill0 = 0, fill1 = 0, line = 0;
    for (;;) {
        if (r.Overrun()) {
            shape.cut = true;
            return;
        }
        if (r.Flag()) {
            const bool straight = r.Flag();
            const int bits = static_cast<int>(r.Bits(4)) + 2;
            SwfEdge e;
            e.x0 = x;
            e.y0 = y;
            if (straight) {
                std::int32_t dx = 0, dy = 0;
                if (r.Flag()) {
                    dx = r.SignedBits(bits);
                    dy = r.SignedBits(bits);
                } else if (r.Flag()) {
                    dy = r.SignedBits(bits);
                } else {
                    dx = r.SignedBits(bits);
                }
                x = Offset(x, dx);
                y = Offset(y, dy);
                e.cx = Offset(e.x0, (static_cast<std::int64_t>(x) - e.x0) / 2);
                e.cy = Offset(e.y0, (static_cast<std::int64_t>(y) - e.y0) / 2);
            } else {
                e.curved = true;
                e.cx = Offset(x, r.SignedBits(bits));
                e.cy = Offset(y, r.SignedBits(bits));
                x = Offset(e.cx, r.SignedBits(bits));
                y = Offset(e.cy, r.SignedBits(bits));
            }
            e.x1 = x;
            e.y1 = y;
            e.fill0 = fill0;
            e.fill1 = fill1;
            e.line = line;
            e.layer = static_cast<std::uint16_t>(shape.layers.size() - 1);
            if (!Spend(budget.edges, 1, budget)) {
                shape.cut = true;
                return;
            }
            if (r.Overrun()) {
                shape.cut = true;
                return;
            }
            shape.edges.push_back(e);
            continue;
        }
        const std::uint32_t flags = r.Bits(5);
        if (flags == 0) return;  // the end record
        const bool newStyles = flags & 0x10, lineStyle = flags & 0x08, fillStyle1 = flags & 0x04,
                   fillStyle0 = flags & 0x02, moveTo = flags & 0x01;
        if (moveTo) {
            const int bits = static_cast<int>(r.Bits(5));
            x = r.SignedBits(bits);
            y = r.SignedBits(bits);
        }
        if (fillStyle0) fill0 = static_cast<std::uint16_t>(r.Bits(fillBits));
        if (fillStyle1) fill1 = static_cast<std::uint16_t>(r.Bits(fillBits));
        if (lineStyle) line = static_cast<std::uint16_t>(r.Bits(lineBits));
        if (newStyles) {
            // Each layer costs a little even when empty, so their number is capped too.
            if (shape.layers.size() >= 0xFFFF || !Spend(budget.styles, 1, budget)) {
                shape.cut = true;
                return;
            }
            r.Align();
            SwfStyles styles;
            if (!ReadFillStyles(r, std::max(version, 2), styles.fills, budget) ||
                !ReadLineStyles(r, std::max(version, 2), styles.lines, budget)) {
                shape.cut = true;
                return;
            }
            shape.layers.push_back(std::move(styles));
            fillBits = static_cast<int>(r.Bits(4));
            lineBits = static_cast<int>(r.Bits(4));
            fill0 = fill1 = line = 0;
        }
    }
}

SwfShape ReadShape(SwfReader& r, int version, SwfShapeBudget& budget) {
    SwfShape shape;
    shape.bounds = r.Rect();
    if (version >= 4) {
        r.Rect();  // edge bounds
        const std::uint8_t flags = r.U8();
        shape.nonZero = (flags & 0x04) != 0;
    }
    shape.layers.emplace_back();
    if (!ReadFillStyles(r, version, shape.layers[0].fills, budget) ||
        !ReadLineStyles(r, version, shape.layers[0].lines, budget)) {
        shape.cut = true;
        return shape;
    }
    ReadShapeRecords(r, version, shape, budget);
    return shape;
}

namespace {

void ReadMorphGradient(SwfReader& r, SwfGradient& start, SwfGradient& end) {
    const std::uint8_t head = r.U8();
    const int spread = head >> 6;
    start.spread = spread == 1 ? SwfSpread::Reflect : spread == 2 ? SwfSpread::Repeat : SwfSpread::Pad;
    start.linearRgb = ((head >> 4) & 3) == 1;
    end.spread = start.spread;
    end.linearRgb = start.linearRgb;
    const int count = head & 0x0F;
    for (int i = 0; i < count && !r.Overrun(); ++i) {
        SwfGradientStop a, b;
        a.ratio = r.U8();
        a.color = r.Rgba();
        b.ratio = r.U8();
        b.color = r.Rgba();
        start.stops.push_back(a);
        end.stops.push_back(b);
    }
}

bool ReadMorphFill(SwfReader& r, SwfFillStyle& a, SwfFillStyle& b) {
    const std::uint8_t type = r.U8();
    if (type == 0x00) {
        a.kind = b.kind = SwfFillKind::Solid;
        a.color = r.Rgba();
        b.color = r.Rgba();
        return true;
    }
    if (type == 0x10 || type == 0x12 || type == 0x13) {
        a.kind = b.kind = type == 0x10 ? SwfFillKind::Linear : SwfFillKind::Radial;
        a.matrix = r.Matrix();
        b.matrix = r.Matrix();
        ReadMorphGradient(r, a.gradient, b.gradient);
        return true;
    }
    if (type >= 0x40 && type <= 0x43) {
        a.kind = b.kind = SwfFillKind::Bitmap;
        a.bitmap = b.bitmap = r.U16();
        a.matrix = r.Matrix();
        b.matrix = r.Matrix();
        a.repeat = b.repeat = (type & 1) == 0;
        a.smooth = b.smooth = (type & 2) == 0;
        return true;
    }
    return false;
}

// A SHAPE's edges with no styles of its own: an end shape, whose fill and
// line changes are ignored.
std::vector<SwfEdge> ReadBareEdges(SwfReader& r, SwfShapeBudget& budget, bool& cut) {
    SwfShape shape;
    shape.layers.emplace_back();
    ReadShapeRecords(r, 2, shape, budget);
    cut = cut || shape.cut;
    return std::move(shape.edges);
}

}  // namespace

SwfMorphShape ReadMorphShape(SwfReader& r, int version, SwfShapeBudget& budget) {
    SwfMorphShape m;
    r.Rect();
    r.Rect();
    if (version >= 2) {
        r.Rect();
        r.Rect();
        r.U8();
    }
    const std::uint32_t offset = r.U32();
    const std::size_t endAt = r.Position() + offset;
    std::size_t count = r.U8();
    if (count == 0xFF) count = r.U16();
    if (!Spend(budget.styles, count * 2, budget)) {
        m.cut = true;
        return m;
    }
    for (std::size_t i = 0; i < count; ++i) {
        SwfFillStyle a, b;
        if (!ReadMorphFill(r, a, b) || r.Overrun()) {
            m.cut = true;
            return m;
        }
        m.start.fills.push_back(a);
        m.end.fills.push_back(b);
    }
    count = r.U8();
    if (count == 0xFF) count = r.U16();
    if (!Spend(budget.styles, count * 2, budget)) {
        m.cut = true;
        return m;
    }
    for (std::size_t i = 0; i < count; ++i) {
        SwfLineStyle a, b;
        a.width = r.U16();
        b.width = r.U16();
        if (version >= 2) {
            ReadLineFlags(r, a);
            b.startCap = a.startCap;
            b.endCap = a.endCap;
            b.join = a.join;
            b.miterLimit = a.miterLimit;
            b.noHScale = a.noHScale;
            b.noVScale = a.noVScale;
            if (a.hasFill) {
                if (!ReadMorphFill(r, a.fill, b.fill)) {
                    m.cut = true;
                    return m;
                }
                a.color = a.fill.kind == SwfFillKind::Solid ? a.fill.color : SwfColor{};
                b.color = b.fill.kind == SwfFillKind::Solid ? b.fill.color : SwfColor{};
                a.hasFill = b.hasFill = false;
            } else {
                a.color = r.Rgba();
                b.color = r.Rgba();
            }
        } else {
            a.color = r.Rgba();
            b.color = r.Rgba();
        }
        if (r.Overrun()) {
            m.cut = true;
            return m;
        }
        m.start.lines.push_back(a);
        m.end.lines.push_back(b);
    }
    SwfShape start;
    start.layers.push_back(SwfStyles());
    ReadShapeRecords(r, 3, start, budget);
    m.cut = start.cut;
    // The start shape keeps to the first layer: a morph has one set of styles.
    for (SwfEdge& e : start.edges) {
        if (e.layer != 0) {
            e.layer = 0;
            e.fill0 = e.fill1 = e.line = 0;
        }
    }
    m.startEdges = std::move(start.edges);
    if (offset == 0 || endAt > r.Size()) {
        m.cut = true;
        return m;
    }
    r.Seek(endAt);
    m.endEdges = ReadBareEdges(r, budget, m.cut);
    if (m.endEdges.size() != m.startEdges.size()) m.cut = true;
    return m;
}

namespace {

std::uint8_t Mix8(std::uint8_t a, std::uint8_t b, double t) {
    return static_cast<std::uint8_t>(std::clamp(a + (b - a) * t + 0.5, 0.0, 255.0));
}
SwfColor MixColor(SwfColor a, SwfColor b, double t) {
    return {Mix8(a.r, b.r, t), Mix8(a.g, b.g, t), Mix8(a.b, b.b, t), Mix8(a.a, b.a, t)};
}
double Mix(double a, double b, double t) { return a + (b - a) * t; }
std::int32_t MixInt(std::int32_t a, std::int32_t b, double t) {
    return static_cast<std::int32_t>(std::lround(Mix(a, b, t)));
}
SwfMatrix MixMatrix(const SwfMatrix& a, const SwfMatrix& b, double t) {
    return {Mix(a.a, b.a, t), Mix(a.b, b.b, t), Mix(a.c, b.c, t), Mix(a.d, b.d, t), Mix(a.tx, b.tx, t), Mix(a.ty, b.ty, t)};
}
SwfFillStyle MixFill(const SwfFillStyle& a, const SwfFillStyle& b, double t) {
    SwfFillStyle f = a;
    f.color = MixColor(a.color, b.color, t);
    f.matrix = MixMatrix(a.matrix, b.matrix, t);
    for (std::size_t i = 0; i < f.gradient.stops.size() && i < b.gradient.stops.size(); ++i) {
        f.gradient.stops[i].ratio = Mix8(a.gradient.stops[i].ratio, b.gradient.stops[i].ratio, t);
        f.gradient.stops[i].color = MixColor(a.gradient.stops[i].color, b.gradient.stops[i].color, t);
    }
    return f;
}

}  // namespace

SwfShape MorphAt(const SwfMorphShape& morph, double t) {
    t = std::clamp(t, 0.0, 1.0);
    SwfShape shape;
    shape.cut = morph.cut;
    SwfStyles styles;
    for (std::size_t i = 0; i < morph.start.fills.size(); ++i)
        styles.fills.push_back(MixFill(morph.start.fills[i], morph.end.fills[i], t));
    for (std::size_t i = 0; i < morph.start.lines.size(); ++i) {
        SwfLineStyle l = morph.start.lines[i];
        const SwfLineStyle& e = morph.end.lines[i];
        l.width = static_cast<std::uint16_t>(MixInt(l.width, e.width, t));
        l.color = MixColor(l.color, e.color, t);
        styles.lines.push_back(l);
    }
    shape.layers.push_back(std::move(styles));
    const std::size_t count = std::min(morph.startEdges.size(), morph.endEdges.size());
    shape.edges.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const SwfEdge& a = morph.startEdges[i];
        const SwfEdge& b = morph.endEdges[i];
        SwfEdge e = a;
        e.x0 = MixInt(a.x0, b.x0, t);
        e.y0 = MixInt(a.y0, b.y0, t);
        e.cx = MixInt(a.cx, b.cx, t);
        e.cy = MixInt(a.cy, b.cy, t);
        e.x1 = MixInt(a.x1, b.x1, t);
        e.y1 = MixInt(a.y1, b.y1, t);
        e.curved = a.curved || b.curved;
        shape.edges.push_back(e);
    }
    // Paired edges that were joined at both ends stay joined: each edge
    // starts where the one before ended when its start did.
    for (std::size_t i = 1; i < count; ++i) {
        const SwfEdge& pa = morph.startEdges[i - 1];
        const SwfEdge& ca = morph.startEdges[i];
        if (pa.x1 == ca.x0 && pa.y1 == ca.y0) {
            shape.edges[i].x0 = shape.edges[i - 1].x1;
            shape.edges[i].y0 = shape.edges[i - 1].y1;
        }
    }
    return shape;
}

namespace {

struct Directed {
    std::int32_t x0, y0, cx, cy, x1, y1;
    bool curved;
};

std::uint64_t Key(std::int32_t x, std::int32_t y) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) | static_cast<std::uint32_t>(y);
}

void AppendEdge(SwfPath& path, const Directed& e) {
    if (e.curved) path.QuadTo(e.cx, e.cy, e.x1, e.y1);
    else path.LineTo(e.x1, e.y1);
}

// Joins directed edges end to start into closed contours. At a point where
// several edges start, the next is the last given of those not yet used
// (the order a multimap of the starts once gave). Each point keeps its
// edges in that order with a cursor past the used ones, so the joining is
// linear however many edges meet at one point.
SwfPath Contours(const std::vector<Directed>& edges) {
    SwfPath path;
    // The points, numbered as they first start an edge, and the edges of
    // each point together, last given first.
    std::unordered_map<std::uint64_t, std::size_t> points;
    points.reserve(edges.size());
    std::vector<std::size_t> pointOf(edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i)
        pointOf[i] = points.emplace(Key(edges[i].x0, edges[i].y0), points.size()).first->second;
    std::vector<std::size_t> cursor(points.size() + 1, 0);
    for (std::size_t i = 0; i < edges.size(); ++i) ++cursor[pointOf[i] + 1];
    for (std::size_t p = 1; p < cursor.size(); ++p) cursor[p] += cursor[p - 1];
    std::vector<std::size_t> ends(cursor.begin(), cursor.end() - 1);
    std::vector<std::size_t> order(edges.size());
    for (std::size_t i = edges.size(); i-- > 0;) order[ends[pointOf[i]]++] = i;
    // A point's edges are now order[cursor[p]] up to order[ends[p]].
    std::vector<bool> used(edges.size(), false);
    for (std::size_t first = 0; first < edges.size(); ++first) {
        if (used[first]) continue;
        used[first] = true;
        const Directed& head = edges[first];
        path.MoveTo(head.x0, head.y0);
        AppendEdge(path, head);
        std::int32_t x = head.x1, y = head.y1;
        // Each step uses up an edge, so this ends after at most every edge.
        while (x != head.x0 || y != head.y0) {
            const auto point = points.find(Key(x, y));
            if (point == points.end()) break;
            std::size_t& at = cursor[point->second];
            const std::size_t end = ends[point->second];
            while (at < end && used[order[at]]) ++at;
            if (at == end) break;
            const std::size_t next = order[at++];
            used[next] = true;
            AppendEdge(path, edges[next]);
            x = edges[next].x1;
            y = edges[next].y1;
        }
        path.ClosePath();
    }
    return path;
}

}  // namespace

SwfOutline BuildOutline(const SwfShape& shape) {
    SwfOutline outline;
    outline.nonZero = shape.nonZero;
    // The edges of one layer are contiguous, in the order the records gave
    // them, so each layer is gathered in one pass and flushed when it ends.
    std::size_t layer = shape.edges.empty() ? 0 : shape.edges.front().layer;
    std::vector<std::vector<Directed>> fills;
    std::vector<SwfPath> lines;
    std::vector<SwfPoint> lineEnd;
    auto begin = [&](std::size_t index) {
        layer = index;
        const SwfStyles* styles = index < shape.layers.size() ? &shape.layers[index] : nullptr;
        fills.assign(styles ? styles->fills.size() + 1 : 1, {});
        lines.assign(styles ? styles->lines.size() + 1 : 1, {});
        lineEnd.assign(lines.size(), SwfPoint{1e18, 1e18});
    };
    auto flush = [&]() {
        for (std::size_t i = 1; i < fills.size(); ++i) {
            if (fills[i].empty()) continue;
            outline.layers.push_back({false, static_cast<std::uint16_t>(layer), static_cast<std::uint16_t>(i),
                                      Contours(fills[i])});
        }
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (lines[i].Empty()) continue;
            outline.layers.push_back(
                {true, static_cast<std::uint16_t>(layer), static_cast<std::uint16_t>(i), std::move(lines[i])});
        }
    };
    begin(layer);
    for (const SwfEdge& e : shape.edges) {
        if (e.layer != layer) {
            flush();
            begin(e.layer);
        }
        const Directed forward{e.x0, e.y0, e.cx, e.cy, e.x1, e.y1, e.curved};
        // An edge with the same fill on both sides lies inside it.
        if (e.fill0 != e.fill1) {
            if (e.fill1 && e.fill1 < fills.size()) fills[e.fill1].push_back(forward);
            if (e.fill0 && e.fill0 < fills.size())
                fills[e.fill0].push_back(Directed{e.x1, e.y1, e.cx, e.cy, e.x0, e.y0, e.curved});
        }
        if (e.line && e.line < lines.size()) {
            SwfPath& path = lines[e.line];
            SwfPoint& end = lineEnd[e.line];
            if (end.x != e.x0 || end.y != e.y0) path.MoveTo(e.x0, e.y0);
            AppendEdge(path, forward);
            end = {static_cast<double>(e.x1), static_cast<double>(e.y1)};
        }
    }
    flush();
    return outline;
}

}  // namespace fh
