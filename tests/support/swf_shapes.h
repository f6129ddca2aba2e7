#pragma once
// Movies with pictures, written by the tests: bit-packed records, shapes
// with their styles and edges, placements, sprites, bitmaps, fonts, texts,
// buttons and morphs. Coordinates are twips (20 to a pixel).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fh::test {

class BitWriter {
public:
    void U(std::uint32_t value, int bits);
    void S(std::int32_t value, int bits) { U(static_cast<std::uint32_t>(value), bits); }
    void Flag(bool on) { U(on ? 1 : 0, 1); }
    // Pads to a byte and appends bytes.
    void Bytes(const std::string& bytes);
    std::string Done();  // padded to a byte
    // The bits a signed field needs for every value.
    static int SignedBits(std::initializer_list<std::int32_t> values);

private:
    std::string m_out;
    std::uint32_t m_acc = 0;
    int m_count = 0;
};

std::string Rgba(std::uint32_t rgba, bool alpha = true);  // 0xRRGGBBAA
std::string Le16(unsigned value);
std::string Le32(std::uint32_t value);
std::string RectRecord(std::int32_t xMin, std::int32_t xMax, std::int32_t yMin, std::int32_t yMax);
// x' = a x + c y + tx, y' = b x + d y + ty.
std::string MatrixRecord(double a, double b, double c, double d, std::int32_t tx, std::int32_t ty);
inline std::string Translate(std::int32_t tx, std::int32_t ty) { return MatrixRecord(1, 0, 0, 1, tx, ty); }
// Multipliers in 8.8, additions; with alpha (CXFORMWITHALPHA).
std::string ColorTransformRecord(const int (&mul)[4], const int (&add)[4]);

class ShapeWriter {
public:
    explicit ShapeWriter(int version) : m_version(version) {}
    // Styles of the first layer (or of the next NewStyles); each returns its 1-based index.
    int Solid(std::uint32_t rgba);
    int Gradient(unsigned type, const std::string& matrix, const std::vector<std::pair<int, std::uint32_t>>& stops);
    int BitmapFill(unsigned type, std::uint16_t bitmap, const std::string& matrix);
    // `flags`: LINESTYLE2's first flags byte in DefineShape4 (0x04 no
    // horizontal scale, 0x02 no vertical scale); round caps and joins.
    int Line(std::uint16_t width, std::uint32_t rgba, std::uint8_t flags = 0);

    void Move(std::int32_t x, std::int32_t y);
    void Styles(int fill0, int fill1, int line);  // -1 leaves a style as it is
    void LineTo(std::int32_t x, std::int32_t y);
    void CurveTo(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y);
    // A closed rectangle with the current styles.
    void Rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
    // Replaces the style arrays with those added since the last call.
    void NewStyles();

    // The DefineShape tag (code by version) with its id and bounds.
    std::pair<unsigned, std::string> Define(std::uint16_t id, bool nonZero = false);
    // A glyph or morph end shape: the SHAPE record alone.
    std::string Records();

private:
    void Flush();
    std::string Styles() const;

    int m_version;
    std::string m_fills, m_lines, m_initial;
    int m_fillCount = 0, m_lineCount = 0;
    bool m_haveInitial = false;
    BitWriter m_bits;
    std::int32_t m_x = 0, m_y = 0;
    std::int32_t m_xMin = 0, m_xMax = 0, m_yMin = 0, m_yMax = 0;
    bool m_any = false;
};

// PlaceObject2: a new character at a depth, or (with move) a change.
std::pair<unsigned, std::string> Place(std::uint16_t depth, int character, const std::string& matrix = std::string(),
                                       const std::string& colorTransform = std::string(), int ratio = -1,
                                       int clipDepth = 0, bool move = false);
// PlaceObject3: the fields of Place plus the effects; each is written only
// when set (and its flag with it).
struct Place3Fields {
    int character = -1;
    std::string matrix, colorTransform;
    bool move = false;
    int clipDepth = 0;
    std::string className;  // with its flag when not empty
    bool hasImage = false;  // the HasImage flag alone (no class name follows)
    bool hasFilters = false;
    std::vector<std::string> filters;  // filter records (FilterID first), a FILTERLIST of them
    int blend = -1;                    // the BlendMode byte
    int cacheAsBitmap = -1, visible = -1;
    std::int64_t background = -1;  // 0xRRGGBBAA
    std::string name;              // the instance name, with its flag when not empty
    // Clip actions: each handler's events (32-bit flags, as version 6 and
    // later write them) and its action records, End included.
    std::vector<std::pair<std::uint32_t, std::string>> clipActions;
};
std::pair<unsigned, std::string> Place3(std::uint16_t depth, const Place3Fields& fields);
// Filter records, FilterID first: sizes and distances in pixels, angles in
// radians (written FIXED 16.16), strengths FIXED 8.8, colours 0xRRGGBBAA.
std::string DropShadowFilter(std::uint32_t rgba, double blurX, double blurY, double angle, double distance,
                             double strength, int passes, bool inner = false, bool knockout = false);
std::string BlurFilter(double blurX, double blurY, int passes);
std::string GlowFilter(std::uint32_t rgba, double blurX, double blurY, double strength, int passes,
                       bool inner = false, bool knockout = false);
// `first` and `second` in the record's order.
std::string BevelFilter(std::uint32_t first, std::uint32_t second, double blur, double angle, double distance,
                        double strength, int passes, bool inner, bool onTop);
// id 4 (gradient glow) or 7 (gradient bevel).
std::string GradientFilter(int id, const std::vector<std::pair<int, std::uint32_t>>& stops, double blur, double angle,
                           double distance, double strength, int passes, bool inner, bool onTop);
std::string ConvolutionFilter(int matrixX, int matrixY, float divisor, float bias, const std::vector<float>& matrix,
                              std::uint32_t rgba, bool clamp, bool preserveAlpha);
std::string ColorMatrixFilter(const std::vector<float>& matrix);
std::pair<unsigned, std::string> Remove(std::uint16_t depth);
std::pair<unsigned, std::string> ShowFrame();
std::pair<unsigned, std::string> Background(std::uint32_t rgb);
// DefineSprite with its own tags (ShowFrame included where wanted).
std::pair<unsigned, std::string> Sprite(std::uint16_t id, const std::vector<std::pair<unsigned, std::string>>& tags);
// DefineBitsLossless2 of premultiplied 0xAARRGGBB pixels.
std::pair<unsigned, std::string> Lossless2(std::uint16_t id, int width, int height, const std::vector<std::uint32_t>& argb);

// DefineFont2 of glyph shapes (ShapeWriter::Records, EM square of 1024) for
// the characters 'A', 'B', ...; with advances, a layout (ascent 800, descent 224);
// `style` 0x01 bold, 0x02 italic.
std::pair<unsigned, std::string> Font2(std::uint16_t id, const std::vector<std::string>& glyphs,
                                       const std::vector<int>& advances = {}, const std::string& name = "T",
                                       std::uint8_t style = 0);
// DefineEditText of width × height twips at the origin with its initial text.
struct EditTextStyle {
    int font = -1;  // none: a system font
    std::uint16_t height = 400;
    std::uint32_t rgba = 0x000000FF;
    bool outlines = true, multiline = false, wordWrap = false, border = false, html = false;
    int align = 0;
};
std::pair<unsigned, std::string> EditText(std::uint16_t id, std::int32_t width, std::int32_t height,
                                          const std::string& text, const EditTextStyle& style);
// DefineText2: one run of glyph indices with their advances (twips);
// `text1` writes DefineText, whose colour has no alpha.
std::pair<unsigned, std::string> Text2(std::uint16_t id, std::uint16_t font, std::uint16_t height, std::uint32_t rgba,
                                       std::int32_t x, std::int32_t y,
                                       const std::vector<std::pair<int, int>>& glyphs, bool text1 = false);
// DefineFont: an offset table and the glyph shapes, nothing more.
std::pair<unsigned, std::string> Font1(std::uint16_t id, const std::vector<std::string>& glyphs);
// DefineButton2 with records of (states, character, depth, matrix).
struct ButtonRecord {
    unsigned states;  // 1 up, 2 over, 4 down, 8 hit
    std::uint16_t character, depth;
    std::string matrix;
};
// With `actions`, the condition records that follow: (conditions, action
// records ended by their end flag).
std::pair<unsigned, std::string> Button2(std::uint16_t id, const std::vector<ButtonRecord>& records,
                                         const std::vector<std::pair<unsigned, std::string>>& actions = {});
// DefineButton: the records, then its one action list (ended by its end flag).
std::pair<unsigned, std::string> Button1(std::uint16_t id, const std::vector<ButtonRecord>& records,
                                         const std::string& actions);
// DefineMorphShape with one solid fill from `startRgba` to `endRgba`; the
// two SHAPE records (ShapeWriter::Records) have the same edges in order.
std::pair<unsigned, std::string> Morph(std::uint16_t id, std::uint32_t startRgba, std::uint32_t endRgba,
                                       const std::string& startEdges, const std::string& endEdges);
// DefineBitsJPEG2 (JPEG, PNG or GIF bytes) and DefineBitsJPEG3 (with an alpha plane).
std::pair<unsigned, std::string> Jpeg2(std::uint16_t id, const std::string& picture);
std::pair<unsigned, std::string> Jpeg3(std::uint16_t id, const std::string& jpeg, const std::string& alpha);

// A whole uncompressed movie: the tags in order; ShowFrame tags among them
// make the frames (one more is added at the end when the last tag is not one).
std::string MovieOf(int width, int height, const std::vector<std::pair<unsigned, std::string>>& tags, int version = 10);

}  // namespace fh::test
