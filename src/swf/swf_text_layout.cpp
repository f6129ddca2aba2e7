#include "swf/swf_text_layout.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace fh {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return low(x) == low(y);
           });
}

// Flash keeps a two-pixel gutter inside the field.
constexpr double kGutter = 40;
// Past this many lines a field's layout stops: none shows more.
constexpr std::size_t kMaxLines = 100000;

SwfColor Rgb(std::uint32_t rgb) {
    return SwfColor{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                    static_cast<std::uint8_t>(rgb), 255};
}

// One character of the text with the font it is drawn in and its measures (twips).
struct Placed {
    char32_t code = 0;
    std::uint16_t font = 0;
    std::uint16_t glyph = 0xFFFF;
    double height = 0, advance = 0, ascent = 0, descent = 0;
    std::size_t format = 0;  // the index of its character, for the format
};

class Layout {
public:
    Layout(const SwfMovie& movie, const SwfEditText& field) : m_movie(movie), m_field(field) {}

    Placed Measure(std::size_t index) {
        const char32_t code = m_field.Chars()[index];
        return Measure(m_field.FormatAt(index), m_field.password && code != U'\r' ? U'*' : code, index);
    }

    Placed Measure(const SwfTextFormat& f, char32_t code, std::size_t index) {
        Placed p;
        p.code = code;
        p.format = index;
        p.height = std::clamp(f.size, 0.0, 1000.0) * 20;
        const Face& face = FaceOf(f);
        p.font = face.id;
        if (face.font) {
            const auto g = face.glyphOf.find(p.code);
            if (g != face.glyphOf.end()) p.glyph = g->second;
        }
        const double scale = face.font ? p.height / face.font->emSquare : 0;
        if (face.font && p.glyph < face.font->advances.size()) {
            p.advance = face.font->advances[p.glyph] * scale;
        } else {
            p.advance = (p.code == U' ' ? 0.3 : 0.6) * p.height;  // no layout: a plausible width
        }
        p.advance += f.letterSpacing * 20;
        if (face.font && face.font->ascent) {
            p.ascent = face.font->ascent * scale;
            p.descent = face.font->descent * scale;
        } else {
            p.ascent = p.height * 0.9;
            p.descent = p.height * 0.25;
        }
        return p;
    }

private:
    struct Face {
        std::uint16_t id = 0;
        const SwfFont* font = nullptr;  // none: a device font
        std::unordered_map<char32_t, std::uint16_t> glyphOf;
    };

    const Face& FaceOf(const SwfTextFormat& f) {
        const std::string key = f.font + (f.bold ? "\1b" : "\1") + (f.italic ? "i" : "");
        auto it = m_faces.find(key);
        if (it != m_faces.end()) return it->second;
        Face& face = m_faces[key];
        if (!m_field.embedFonts) return face;
        face.id = SwfFaceFont(m_movie, m_field.fontId, f.font, f.bold, f.italic);
        const SwfCharacter* c = m_movie.Find(face.id);
        if (c && c->kind == SwfKind::Font) {
            face.font = &m_movie.fonts[c->index];
            if (face.font->glyphs.empty() || face.font->codes.empty()) {
                face.font = nullptr;
                return face;
            }
            for (std::size_t i = 0; i < face.font->codes.size() && i < face.font->glyphs.size(); ++i)
                face.glyphOf.emplace(face.font->codes[i], static_cast<std::uint16_t>(i));
        }
        return face;
    }

    const SwfMovie& m_movie;
    const SwfEditText& m_field;
    std::unordered_map<std::string, Face> m_faces;
};

}  // namespace

std::uint16_t SwfFaceFont(const SwfMovie& movie, std::uint16_t fallback, const std::string& family, bool bold,
                          bool italic) {
    std::uint16_t best = fallback;
    int bestScore = -1;
    for (const auto& [id, c] : movie.dictionary) {
        if (c.kind != SwfKind::Font) continue;
        const SwfFont& f = movie.fonts[c.index];
        if (f.glyphs.empty() || f.codes.empty() || family.empty() || !SameName(f.name, family)) continue;
        // The weight and slant asked for come first; the field's own font
        // only decides between faces that match as well.
        const int score = 2 * (f.bold == bold) + 2 * (f.italic == italic) + (id == fallback);
        if (score > bestScore) {
            best = id;
            bestScore = score;
        }
    }
    return best;
}

SwfTextMetrics LayOutEditText(const SwfMovie& movie, SwfEditText& field, SwfText& out, std::uint32_t maxGlyphs) {
    Layout layout(movie, field);
    const std::u32string& chars = field.Chars();
    SwfTextMetrics metrics;
    // Lines of characters; wrapping breaks after the last space of a line
    // that a word runs over, spaces themselves hanging past the edge.
    const SwfTextFormat& first = field.FormatAt(0);
    const double wrapWidth = std::max(0.0, static_cast<double>(field.bounds.xMax - field.bounds.xMin) - 2 * kGutter -
                                               (first.leftMargin + first.rightMargin + first.blockIndent) * 20);
    const bool wrap = field.wordWrap && field.multiline;
    std::vector<std::vector<Placed>> lines(1);
    double lineWidth = 0;
    for (std::size_t i = 0; i < chars.size() && lines.size() < kMaxLines; ++i) {
        if (chars[i] == U'\r' || chars[i] == U'\n') {
            if (!field.multiline) continue;
            lines.emplace_back();
            lineWidth = 0;
            continue;
        }
        const Placed p = layout.Measure(i);
        if (wrap && p.code != U' ' && lineWidth + p.advance > wrapWidth && !lines.back().empty()) {
            std::vector<Placed>& line = lines.back();
            const auto space = std::find_if(line.rbegin(), line.rend(), [](const Placed& k) { return k.code == U' '; });
            std::vector<Placed> carried;
            if (space != line.rend()) {
                carried.assign(space.base(), line.end());
                line.erase(space.base(), line.end());
            }
            lines.push_back(std::move(carried));
            lineWidth = 0;
            for (const Placed& k : lines.back()) lineWidth += k.advance;
        }
        lines.back().push_back(p);
        lineWidth += p.advance;
    }
    // Each line's measures: as tall as its tallest character, an empty one as its format's.
    struct LineBox {
        double ascent = 0, descent = 0, width = 0, leading = 0;
    };
    std::vector<LineBox> boxes(lines.size());
    std::size_t at = 0;  // a character index for empty lines' formats
    for (std::size_t n = 0; n < lines.size(); ++n) {
        LineBox& b = boxes[n];
        if (lines[n].empty()) {
            const Placed p = chars.empty() ? layout.Measure(field.newFormat, U' ', 0)
                                           : layout.Measure(std::min(at, chars.size() - 1));
            b.ascent = p.ascent;
            b.descent = p.descent;
        }
        for (const Placed& p : lines[n]) {
            b.ascent = std::max(b.ascent, p.ascent);
            b.descent = std::max(b.descent, p.descent);
            b.width += p.advance;
            at = p.format + 1;
        }
        b.leading = field.FormatAt(lines[n].empty() ? at : lines[n].front().format).leading * 20;
        metrics.width = std::max(metrics.width, b.width);
        metrics.height += b.ascent + b.descent + (n + 1 < lines.size() ? b.leading : 0);
    }
    metrics.lines = static_cast<int>(lines.size());
    // An auto-sized field fits its text: the side it keeps stays where it is.
    if (field.autoSize != SwfAutoSize::None) {
        SwfRect& r = field.bounds;
        const auto height = static_cast<std::int32_t>(std::ceil(metrics.height + 2 * kGutter));
        r.yMax = r.yMin + height;
        if (!field.wordWrap) {
            const auto width = static_cast<std::int32_t>(
                std::ceil(metrics.width + 2 * kGutter + (first.leftMargin + first.rightMargin) * 20));
            const std::int32_t old = r.xMax - r.xMin;
            if (field.autoSize == SwfAutoSize::Left) {
                r.xMax = r.xMin + width;
            } else if (field.autoSize == SwfAutoSize::Right) {
                r.xMin = r.xMax - width;
            } else {
                r.xMin += (old - width) / 2;
                r.xMax = r.xMin + width;
            }
        }
    }
    out.runs.clear();
    out.matrix = SwfMatrix();
    out.bounds = field.bounds;
    out.border = field.border;
    out.background = field.background;
    out.borderColor = Rgb(field.borderColor);
    out.backgroundColor = Rgb(field.backgroundColor);
    const double fieldWidth = std::max(0.0, static_cast<double>(field.bounds.xMax - field.bounds.xMin) - 2 * kGutter);
    double top = field.bounds.yMin + kGutter;
    const std::size_t firstLine = static_cast<std::size_t>(std::clamp(field.scroll, 1, metrics.lines) - 1);
    metrics.visibleLines = 0;
    for (std::size_t n = firstLine; n < lines.size(); ++n) {
        const LineBox& b = boxes[n];
        // The field shows a line only while it fits, the first always.
        if (n > firstLine && top + b.ascent + b.descent > field.bounds.yMax - kGutter + 1) break;
        ++metrics.visibleLines;
        const double baseline = top + b.ascent;
        const SwfTextFormat& pf = lines[n].empty() ? first : field.FormatAt(lines[n].front().format);
        const double left = field.bounds.xMin + kGutter + (pf.leftMargin + pf.blockIndent) * 20;
        const double room = fieldWidth - (pf.leftMargin + pf.rightMargin + pf.blockIndent) * 20;
        const bool paragraphStart = n == 0 || lines[n].empty() || lines[n].front().format == 0 ||
                                    chars[lines[n].front().format - 1] == U'\r';
        const double indent = paragraphStart ? pf.indent * 20 : 0;
        const double offset = pf.align == SwfAlign::Right    ? room - b.width - indent
                              : pf.align == SwfAlign::Center ? (room - b.width - indent) / 2
                                                             : 0;
        double x = left + indent + std::max(0.0, offset) - field.hscroll * 20.0;
        SwfTextRun run;
        for (const Placed& p : lines[n]) {
            const SwfColor color = Rgb(field.FormatAt(p.format).color);
            if (run.glyphs.empty() || p.font != run.font || p.height != run.height || !(color == run.color)) {
                if (!run.glyphs.empty()) out.runs.push_back(std::move(run));
                run = SwfTextRun();
                run.font = p.font;
                run.color = color;
                run.height = static_cast<std::uint16_t>(std::min(p.height, 65535.0));
                run.y = static_cast<std::int32_t>(std::lround(baseline));
            }
            if (p.glyph != 0xFFFF && p.code != U' ' && metrics.glyphs < maxGlyphs) {
                run.glyphs.push_back({p.glyph, static_cast<std::int32_t>(std::lround(x))});
                ++metrics.glyphs;
            }
            x += p.advance;
        }
        if (!run.glyphs.empty()) out.runs.push_back(std::move(run));
        top = baseline + b.descent + b.leading;
    }
    metrics.visibleLines = std::max(1, metrics.visibleLines);
    return metrics;
}

}  // namespace fh
