#include "support/swf_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "support/swf_writer.h"

namespace fh::test {

void BitWriter::U(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
        m_acc = (m_acc << 1) | ((value >> i) & 1);
        if (++m_count == 8) {
            m_out += static_cast<char>(m_acc);
            m_acc = 0;
            m_count = 0;
        }
    }
}

void BitWriter::Bytes(const std::string& bytes) {
    if (m_count) U(0, 8 - m_count);
    m_out += bytes;
}

std::string BitWriter::Done() {
    if (m_count) U(0, 8 - m_count);
    return m_out;
}

int BitWriter::SignedBits(std::initializer_list<std::int32_t> values) {
    int bits = 1;
    for (std::int32_t v : values) {
        int need = 1;
        while (need < 32 && (v < -(std::int64_t{1} << (need - 1)) || v >= (std::int64_t{1} << (need - 1)))) ++need;
        bits = std::max(bits, need);
    }
    return bits;
}

std::string Le16(unsigned value) { return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)}; }
std::string Le32(std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

std::string Rgba(std::uint32_t rgba, bool alpha) {
    std::string out = {static_cast<char>(rgba >> 24), static_cast<char>((rgba >> 16) & 0xFF),
                       static_cast<char>((rgba >> 8) & 0xFF)};
    if (alpha) out += static_cast<char>(rgba & 0xFF);
    return out;
}

std::string RectRecord(std::int32_t xMin, std::int32_t xMax, std::int32_t yMin, std::int32_t yMax) {
    BitWriter w;
    const int bits = BitWriter::SignedBits({xMin, xMax, yMin, yMax});
    w.U(bits, 5);
    for (std::int32_t v : {xMin, xMax, yMin, yMax}) w.S(v, bits);
    return w.Done();
}

std::string MatrixRecord(double a, double b, double c, double d, std::int32_t tx, std::int32_t ty) {
    BitWriter w;
    auto fixed = [](double v) { return static_cast<std::int32_t>(std::lround(v * 65536)); };
    const bool scale = a != 1 || d != 1;
    w.Flag(scale);
    if (scale) {
        const int bits = BitWriter::SignedBits({fixed(a), fixed(d)});
        w.U(bits, 5);
        w.S(fixed(a), bits);
        w.S(fixed(d), bits);
    }
    const bool rotate = b != 0 || c != 0;
    w.Flag(rotate);
    if (rotate) {
        const int bits = BitWriter::SignedBits({fixed(b), fixed(c)});
        w.U(bits, 5);
        w.S(fixed(b), bits);
        w.S(fixed(c), bits);
    }
    const int bits = BitWriter::SignedBits({tx, ty});
    w.U(bits, 5);
    w.S(tx, bits);
    w.S(ty, bits);
    return w.Done();
}

std::string ColorTransformRecord(const int (&mul)[4], const int (&add)[4]) {
    BitWriter w;
    w.Flag(true);
    w.Flag(true);
    const int bits = BitWriter::SignedBits({mul[0], mul[1], mul[2], mul[3], add[0], add[1], add[2], add[3]});
    w.U(bits, 4);
    for (int v : mul) w.S(v, bits);
    for (int v : add) w.S(v, bits);
    return w.Done();
}

int ShapeWriter::Solid(std::uint32_t rgba) {
    m_fills += '\0' + Rgba(rgba, m_version >= 3);
    return ++m_fillCount;
}

int ShapeWriter::Gradient(unsigned type, const std::string& matrix, const std::vector<std::pair<int, std::uint32_t>>& stops) {
    m_fills += static_cast<char>(type) + matrix + static_cast<char>(stops.size());
    for (const auto& stop : stops) m_fills += static_cast<char>(stop.first) + Rgba(stop.second, m_version >= 3);
    if (type == 0x13) m_fills += Le16(0);
    return ++m_fillCount;
}

int ShapeWriter::BitmapFill(unsigned type, std::uint16_t bitmap, const std::string& matrix) {
    m_fills += static_cast<char>(type) + Le16(bitmap) + matrix;
    return ++m_fillCount;
}

int ShapeWriter::Line(std::uint16_t width, std::uint32_t rgba, std::uint8_t flags) {
    // LINESTYLE2 in DefineShape4: no fill.
    m_lines += Le16(width) + (m_version >= 4 ? std::string(1, static_cast<char>(flags)) + '\0' : std::string()) +
               Rgba(rgba, m_version >= 3);
    return ++m_lineCount;
}

std::string ShapeWriter::Styles() const {
    auto count = [](int n) { return n < 255 ? std::string(1, static_cast<char>(n)) : "\xFF" + Le16(n); };
    return count(m_fillCount) + m_fills + count(m_lineCount) + m_lines;
}

void ShapeWriter::Flush() {
    if (m_haveInitial) return;
    m_initial = Styles();
    m_haveInitial = true;
    m_fills.clear();
    m_lines.clear();
    // Four bits of style index are plenty for the tests' shapes.
    m_bits.U(4, 4);
    m_bits.U(4, 4);
    m_fillCount = m_lineCount = 0;
}

void ShapeWriter::Move(std::int32_t x, std::int32_t y) {
    Flush();
    m_bits.U(0, 1);
    m_bits.U(0x01, 5);
    const int bits = BitWriter::SignedBits({x, y});
    m_bits.U(bits, 5);
    m_bits.S(x, bits);
    m_bits.S(y, bits);
    m_x = x;
    m_y = y;
}

void ShapeWriter::Styles(int fill0, int fill1, int line) {
    Flush();
    m_bits.U(0, 1);
    m_bits.U((line >= 0 ? 0x08 : 0) | (fill1 >= 0 ? 0x04 : 0) | (fill0 >= 0 ? 0x02 : 0), 5);
    if (fill0 >= 0) m_bits.U(fill0, 4);
    if (fill1 >= 0) m_bits.U(fill1, 4);
    if (line >= 0) m_bits.U(line, 4);
}

void ShapeWriter::NewStyles() {
    Flush();
    m_bits.U(0, 1);
    m_bits.U(0x10, 5);
    m_bits.Bytes(Styles());
    m_bits.U(4, 4);
    m_bits.U(4, 4);
    m_fills.clear();
    m_lines.clear();
    m_fillCount = m_lineCount = 0;
}

void ShapeWriter::LineTo(std::int32_t x, std::int32_t y) {
    Flush();
    const std::int32_t dx = x - m_x, dy = y - m_y;
    const int bits = std::max(2, BitWriter::SignedBits({dx, dy}));
    m_bits.U(1, 1);
    m_bits.U(1, 1);
    m_bits.U(bits - 2, 4);
    m_bits.U(1, 1);  // general line
    m_bits.S(dx, bits);
    m_bits.S(dy, bits);
    m_x = x;
    m_y = y;
    m_any = true;
    m_xMin = std::min(m_xMin, x);
    m_xMax = std::max(m_xMax, x);
    m_yMin = std::min(m_yMin, y);
    m_yMax = std::max(m_yMax, y);
}

void ShapeWriter::CurveTo(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y) {
    Flush();
    const std::int32_t a = cx - m_x, b = cy - m_y, c = x - cx, d = y - cy;
    const int bits = std::max(2, BitWriter::SignedBits({a, b, c, d}));
    m_bits.U(1, 1);
    m_bits.U(0, 1);
    m_bits.U(bits - 2, 4);
    for (std::int32_t v : {a, b, c, d}) m_bits.S(v, bits);
    m_x = x;
    m_y = y;
    m_any = true;
    m_xMax = std::max({m_xMax, x, cx});
    m_yMax = std::max({m_yMax, y, cy});
}

void ShapeWriter::Rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    Move(x, y);
    LineTo(x + w, y);
    LineTo(x + w, y + h);
    LineTo(x, y + h);
    LineTo(x, y);
}

std::string ShapeWriter::Records() {
    Flush();
    m_bits.U(0, 6);  // end record
    return m_bits.Done();
}

std::pair<unsigned, std::string> ShapeWriter::Define(std::uint16_t id, bool nonZero) {
    const std::string records = Records();
    std::string body = Le16(id) + RectRecord(m_xMin, m_xMax, m_yMin, m_yMax);
    if (m_version >= 4) body += RectRecord(m_xMin, m_xMax, m_yMin, m_yMax) + static_cast<char>(nonZero ? 0x04 : 0);
    body += m_initial + records;
    const unsigned codes[] = {2, 2, 22, 32, 83};
    return {codes[std::clamp(m_version, 1, 4)], body};
}

std::pair<unsigned, std::string> Place(std::uint16_t depth, int character, const std::string& matrix,
                                       const std::string& colorTransform, int ratio, int clipDepth, bool move) {
    unsigned flags = (move ? 0x01 : 0) | (character >= 0 ? 0x02 : 0) | (matrix.empty() ? 0 : 0x04) |
                     (colorTransform.empty() ? 0 : 0x08) | (ratio >= 0 ? 0x10 : 0) | (clipDepth ? 0x40 : 0);
    std::string body = std::string(1, static_cast<char>(flags)) + Le16(depth);
    if (character >= 0) body += Le16(character);
    body += matrix + colorTransform;
    if (ratio >= 0) body += Le16(ratio);
    if (clipDepth) body += Le16(clipDepth);
    return {26, body};
}

std::pair<unsigned, std::string> Place3(std::uint16_t depth, const Place3Fields& f) {
    const unsigned flags = (f.move ? 0x01 : 0) | (f.character >= 0 ? 0x02 : 0) | (f.matrix.empty() ? 0 : 0x04) |
                           (f.colorTransform.empty() ? 0 : 0x08) | (f.name.empty() ? 0 : 0x20) |
                           (f.clipDepth ? 0x40 : 0) | (f.clipActions.empty() ? 0 : 0x80);
    const unsigned flags2 = (f.hasFilters ? 0x01 : 0) | (f.blend >= 0 ? 0x02 : 0) | (f.cacheAsBitmap >= 0 ? 0x04 : 0) |
                            (f.className.empty() ? 0 : 0x08) | (f.hasImage ? 0x10 : 0) | (f.visible >= 0 ? 0x20 : 0) |
                            (f.background >= 0 ? 0x40 : 0);
    std::string body = std::string(1, static_cast<char>(flags)) + std::string(1, static_cast<char>(flags2)) + Le16(depth);
    if (!f.className.empty()) body += f.className + std::string(1, '\0');
    if (f.character >= 0) body += Le16(f.character);
    body += f.matrix + f.colorTransform;
    if (!f.name.empty()) body += f.name + std::string(1, '\0');
    if (f.clipDepth) body += Le16(f.clipDepth);
    if (f.hasFilters) {
        body += static_cast<char>(f.filters.size());
        for (const std::string& filter : f.filters) body += filter;
    }
    if (f.blend >= 0) body += static_cast<char>(f.blend);
    if (f.cacheAsBitmap >= 0) body += static_cast<char>(f.cacheAsBitmap);
    if (f.visible >= 0) body += static_cast<char>(f.visible);
    if (f.background >= 0) body += Rgba(static_cast<std::uint32_t>(f.background));
    if (!f.clipActions.empty()) {
        std::uint32_t all = 0;
        for (const auto& a : f.clipActions) all |= a.first;
        body += Le16(0) + Le32(all);
        for (const auto& a : f.clipActions) body += Le32(a.first) + Le32(static_cast<std::uint32_t>(a.second.size())) + a.second;
        body += Le32(0);
    }
    return {70, body};
}

namespace {

std::string Fixed(double v) { return Le32(static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(v * 65536)))); }
std::string Fixed8(double v) { return Le16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 256)))); }
std::string Float(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return Le32(bits);
}
char Byte(unsigned v) { return static_cast<char>(v & 0xFF); }

}  // namespace

std::string DropShadowFilter(std::uint32_t rgba, double blurX, double blurY, double angle, double distance,
                             double strength, int passes, bool inner, bool knockout) {
    return std::string(1, Byte(0)) + Rgba(rgba) + Fixed(blurX) + Fixed(blurY) + Fixed(angle) + Fixed(distance) +
           Fixed8(strength) + Byte((inner ? 0x80 : 0) | (knockout ? 0x40 : 0) | 0x20 | (passes & 0x1F));
}

std::string BlurFilter(double blurX, double blurY, int passes) {
    return std::string(1, Byte(1)) + Fixed(blurX) + Fixed(blurY) + Byte((passes & 0x1F) << 3);
}

std::string GlowFilter(std::uint32_t rgba, double blurX, double blurY, double strength, int passes, bool inner,
                       bool knockout) {
    return std::string(1, Byte(2)) + Rgba(rgba) + Fixed(blurX) + Fixed(blurY) + Fixed8(strength) +
           Byte((inner ? 0x80 : 0) | (knockout ? 0x40 : 0) | 0x20 | (passes & 0x1F));
}

std::string BevelFilter(std::uint32_t first, std::uint32_t second, double blur, double angle, double distance,
                        double strength, int passes, bool inner, bool onTop) {
    return std::string(1, Byte(3)) + Rgba(first) + Rgba(second) + Fixed(blur) + Fixed(blur) + Fixed(angle) +
           Fixed(distance) + Fixed8(strength) +
           Byte((inner ? 0x80 : 0) | 0x20 | (onTop ? 0x10 : 0) | (passes & 0x0F));
}

std::string GradientFilter(int id, const std::vector<std::pair<int, std::uint32_t>>& stops, double blur, double angle,
                           double distance, double strength, int passes, bool inner, bool onTop) {
    std::string out = {Byte(id), Byte(static_cast<unsigned>(stops.size()))};
    for (const auto& stop : stops) out += Rgba(stop.second);
    for (const auto& stop : stops) out += Byte(stop.first);
    return out + Fixed(blur) + Fixed(blur) + Fixed(angle) + Fixed(distance) + Fixed8(strength) +
           Byte((inner ? 0x80 : 0) | 0x20 | (onTop ? 0x10 : 0) | (passes & 0x0F));
}

std::string ConvolutionFilter(int matrixX, int matrixY, float divisor, float bias, const std::vector<float>& matrix,
                              std::uint32_t rgba, bool clamp, bool preserveAlpha) {
    std::string out = {Byte(5), Byte(matrixX), Byte(matrixY)};
    out += Float(divisor) + Float(bias);
    for (float v : matrix) out += Float(v);
    return out + Rgba(rgba) + Byte((clamp ? 0x02 : 0) | (preserveAlpha ? 0x01 : 0));
}

std::string ColorMatrixFilter(const std::vector<float>& matrix) {
    std::string out(1, Byte(6));
    for (float v : matrix) out += Float(v);
    return out;
}

std::pair<unsigned, std::string> Remove(std::uint16_t depth) { return {28, Le16(depth)}; }
std::pair<unsigned, std::string> ShowFrame() { return {1, std::string()}; }
std::pair<unsigned, std::string> Background(std::uint32_t rgb) { return {9, Rgba(rgb << 8, false)}; }

std::pair<unsigned, std::string> Sprite(std::uint16_t id, const std::vector<std::pair<unsigned, std::string>>& tags) {
    int frames = 0;
    std::string body;
    for (const auto& tag : tags) {
        body += SwfTag(tag.first, tag.second);
        frames += tag.first == 1;
    }
    return {39, Le16(id) + Le16(frames) + body + SwfTag(0, std::string())};
}

std::pair<unsigned, std::string> Lossless2(std::uint16_t id, int width, int height, const std::vector<std::uint32_t>& argb) {
    std::string pixels;
    for (std::uint32_t p : argb)
        pixels += {static_cast<char>(p >> 24), static_cast<char>((p >> 16) & 0xFF), static_cast<char>((p >> 8) & 0xFF),
                   static_cast<char>(p & 0xFF)};
    return {36, Le16(id) + '\5' + Le16(width) + Le16(height) + ZlibCompress(pixels)};
}

std::pair<unsigned, std::string> Font2(std::uint16_t id, const std::vector<std::string>& glyphs,
                                       const std::vector<int>& advances, const std::string& name, std::uint8_t style) {
    // Offsets from the start of the offset table, 16-bit, then the code table.
    std::string table, shapes;
    const std::size_t tableSize = 2 * glyphs.size() + 2;
    for (const std::string& g : glyphs) {
        table += Le16(static_cast<unsigned>(tableSize + shapes.size()));
        shapes += g;
    }
    table += Le16(static_cast<unsigned>(tableSize + shapes.size()));
    std::string codes;
    for (std::size_t i = 0; i < glyphs.size(); ++i) codes += static_cast<char>('A' + i);
    std::string layout;
    if (!advances.empty()) {
        layout = Le16(800) + Le16(224) + Le16(0);
        for (int a : advances) layout += Le16(static_cast<unsigned>(a));
        for (std::size_t i = 0; i < glyphs.size(); ++i) layout += RectRecord(0, 0, 0, 0);
        layout += Le16(0);
    }
    const char flags = static_cast<char>((advances.empty() ? 0 : 0x80) | style);
    return {48, Le16(id) + flags + '\0' + static_cast<char>(name.size()) + name +
                    Le16(static_cast<unsigned>(glyphs.size())) + table + shapes + codes + layout};
}

std::pair<unsigned, std::string> EditText(std::uint16_t id, std::int32_t width, std::int32_t height,
                                          const std::string& text, const EditTextStyle& style) {
    const unsigned flags1 = 0x80 | 0x08 | 0x04 | (style.wordWrap ? 0x40 : 0) | (style.multiline ? 0x20 : 0) |
                           (style.font >= 0 ? 0x01 : 0);
    const unsigned flags2 = 0x20 | (style.border ? 0x08 : 0) | (style.html ? 0x02 : 0) | (style.outlines ? 0x01 : 0);
    std::string body = Le16(id) + RectRecord(0, width, 0, height) + static_cast<char>(flags1) + static_cast<char>(flags2);
    if (style.font >= 0) body += Le16(static_cast<unsigned>(style.font)) + Le16(style.height);
    body += Rgba(style.rgba) + static_cast<char>(style.align) + Le16(0) + Le16(0) + Le16(0) + Le16(0);
    return {37, body + '\0' + text + '\0'};
}

std::pair<unsigned, std::string> Text2(std::uint16_t id, std::uint16_t font, std::uint16_t height, std::uint32_t rgba,
                                       std::int32_t x, std::int32_t y, const std::vector<std::pair<int, int>>& glyphs,
                                       bool text1) {
    std::string body = Le16(id) + RectRecord(0, 20000, 0, 20000) + Translate(0, 0) + '\x08' + '\x10';
    body += '\x8F' + Le16(font) + Rgba(rgba, !text1) + Le16(static_cast<unsigned>(x)) + Le16(static_cast<unsigned>(y)) +
            Le16(height) + static_cast<char>(glyphs.size());
    BitWriter w;
    for (const auto& g : glyphs) {
        w.U(g.first, 8);
        w.S(g.second, 16);
    }
    return {text1 ? 11u : 33u, body + w.Done() + '\0'};
}

std::pair<unsigned, std::string> Font1(std::uint16_t id, const std::vector<std::string>& glyphs) {
    std::string table, shapes;
    for (const std::string& g : glyphs) {
        table += Le16(static_cast<unsigned>(2 * glyphs.size() + shapes.size()));
        shapes += g;
    }
    return {10, Le16(id) + table + shapes};
}

std::pair<unsigned, std::string> Button2(std::uint16_t id, const std::vector<ButtonRecord>& records,
                                         const std::vector<std::pair<unsigned, std::string>>& actions) {
    std::string parts;
    const int none[4] = {256, 256, 256, 256}, zero[4] = {0, 0, 0, 0};
    for (const ButtonRecord& r : records)
        parts += static_cast<char>(r.states) + Le16(r.character) + Le16(r.depth) + r.matrix +
                 ColorTransformRecord(none, zero);
    parts += '\0';
    // The action offset counts from its own field to the first condition record.
    std::string body = Le16(id) + '\0' + Le16(actions.empty() ? 0 : static_cast<unsigned>(2 + parts.size())) + parts;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const std::string record = Le16(actions[i].first) + actions[i].second;
        body += Le16(i + 1 < actions.size() ? static_cast<unsigned>(2 + record.size()) : 0) + record;
    }
    return {34, body};
}

std::pair<unsigned, std::string> Button1(std::uint16_t id, const std::vector<ButtonRecord>& records,
                                         const std::string& actions) {
    std::string body = Le16(id);
    for (const ButtonRecord& r : records) body += static_cast<char>(r.states) + Le16(r.character) + Le16(r.depth) + r.matrix;
    return {7, body + '\0' + actions};
}

std::pair<unsigned, std::string> Morph(std::uint16_t id, std::uint32_t startRgba, std::uint32_t endRgba,
                                       const std::string& startEdges, const std::string& endEdges) {
    const std::string styles = std::string("\x01\x00", 2) + Rgba(startRgba) + Rgba(endRgba) + '\0';
    const std::string afterOffset = styles + startEdges;
    return {46, Le16(id) + RectRecord(0, 4000, 0, 4000) + RectRecord(0, 4000, 0, 4000) +
                    Le32(static_cast<std::uint32_t>(afterOffset.size())) + afterOffset + endEdges};
}

std::pair<unsigned, std::string> Jpeg2(std::uint16_t id, const std::string& picture) { return {21, Le16(id) + picture}; }

std::pair<unsigned, std::string> Jpeg3(std::uint16_t id, const std::string& jpeg, const std::string& alpha) {
    return {35, Le16(id) + Le32(static_cast<std::uint32_t>(jpeg.size())) + jpeg + ZlibCompress(alpha)};
}

std::string MovieOf(int width, int height, const std::vector<std::pair<unsigned, std::string>>& tags, int version) {
    SwfMovie movie;
    movie.version = version;
    movie.xMax = width * 20;
    movie.yMax = height * 20;
    movie.rectBits = std::max(15, BitWriter::SignedBits({width * 20, height * 20}));
    movie.showFrame = false;
    int frames = 0;
    for (const auto& tag : tags) frames += tag.first == 1;
    if (tags.empty() || tags.back().first != 1) {
        movie.afterFirstFrame = SwfTag(1, std::string());
        ++frames;
    }
    movie.frameCount = static_cast<std::uint16_t>(frames);
    movie.tags = tags;
    return BuildSwf(movie);
}

}  // namespace fh::test
