#pragma once
// The renderer's style record, its style sheet, and the value rules the
// whole renderer shares: lengths with units, colours and keyword tables.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/codepage.h"

namespace fh {

using HtmlColor = std::uint32_t;  // red in the low byte, blue in the third

// What the style rules need from the device and the system.
class HtmlMetrics {
public:
    virtual ~HtmlMetrics() = default;
    virtual int PixelsPerInchY() const = 0;
    virtual int TextHeight() const = 0;  // of the font in the device now
    virtual int XHeight() const = 0;     // height of the extent of "x"
    // The system colour of an index (COLOR_* numbers), read once at construction.
    virtual HtmlColor SystemColor(int index) const = 0;
};

struct HtmlStyle {
    std::string name;
    int fontSize = 16;
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int strikeout = 0;
    int overline = 0;
    std::string face = "Verdana";
    HtmlColor textColor = 0;
    HtmlColor backgroundColor = 0xFFFFFF;
    HtmlColor borderLight = 0;
    HtmlColor borderDark = 0;
    HtmlColor backgroundMiddle = 0xFFFFFF;
    HtmlColor backgroundEnd = 0xFFFFFF;
    int backgroundMode = 1;  // 1 transparent, 2 opaque
    int backgroundEffect = -1;
    std::string backgroundPicture;
    int textAlign = 0;      // 0 left, 1 centre, 2 right, 3 justified
    int verticalAlign = 3;  // 0 top, 1 middle, 2 bottom, 3 baseline
    int borderStyle = 0;    // 0 none, 1 solid, 2 dashed, 3 dotted, 6 double
    int borderWidth = 0;
    int width = 0;
    int height = 0;
    int textTransform = 0;  // 0 none, 1 upper, 2 lower, 3 capitalise
    int margin = 2;
    int padding = 0;
    int linkKind = 0;  // 0 none, 1 shell ("href"), 2 message ("msg")
    std::string linkTarget;
};

constexpr int kTransparent = 1;
constexpr int kOpaque = 2;

// Keyword tables: the result for a word, or `unchanged` for an unknown word.
// An empty word gives the table's first result.
int FontStyleKeyword(std::string_view word, int unchanged);
int FontWeightKeyword(std::string_view word);
int TextAlignKeyword(std::string_view word, int unchanged);
int VerticalAlignKeyword(std::string_view word, int unchanged);
int TextTransformKeyword(std::string_view word, int unchanged);
int BorderStyleKeyword(std::string_view word, int unchanged);

// The leading decimal number of a text (an optional sign, then digits); 0 if none.
int LeadingNumber(std::string_view text);
// An unsigned number in the base its prefix gives ("0x" hex, leading 0 octal).
std::uint32_t PrefixedNumber(std::string_view text);

class HtmlStyleSheet {
public:
    HtmlStyleSheet(const HtmlMetrics& metrics, const CodePage& cp);

    // Replaces the whole sheet; an empty text loads the default sheet.
    void Load(std::string_view text);
    void LoadDefault();
    // The declaration text of a selector, or nullptr.
    const std::string* StyleText(std::string_view selector) const;
    void ApplyDeclarations(std::string_view text, HtmlStyle& style) const;
    void ApplySelector(std::string_view selector, HtmlStyle& style) const;
    static void ResetStyle(HtmlStyle& style) { style = HtmlStyle(); }

    int ReadLength(std::string_view text, int current, bool htmlSizes) const;
    // A length in 96-DPI pixels at the device's resolution.
    int Px(std::int64_t pixels) const;
    HtmlColor ReadColor(std::string_view text, HtmlColor current) const;

    void SetColorsEnabled(bool enabled) { m_colorsEnabled = enabled; }
    bool ColorsEnabled() const { return m_colorsEnabled; }
    HtmlColor DisabledColor() const { return m_disabledColor; }

    const CodePage& Cp() const { return m_cp; }
    const HtmlMetrics& Metrics() const { return m_metrics; }

    // Sets the border width and then the style that follows from it.
    static void SetBorderWidth(HtmlStyle& style, int width);
    static void SetBorderStyle(HtmlStyle& style, int borderStyle);

private:
    void ApplyProperty(std::string_view name, std::string_view value, HtmlStyle& style) const;

    const HtmlMetrics& m_metrics;
    const CodePage& m_cp;
    std::map<std::string, std::string> m_rules;
    std::unordered_map<std::string, HtmlColor> m_colors;
    bool m_colorsEnabled = true;
    HtmlColor m_disabledColor;
};

// The text of the seventeen rules loaded at construction.
const char* DefaultStyleSheetText();

}  // namespace fh
