#include "html/html_style.h"

#include <limits>

#include "base/muldiv.h"

namespace fh {

namespace {

constexpr std::size_t npos = std::string_view::npos;

struct NamedColor {
    const char* name;
    std::uint32_t rgb;
};

const NamedColor kNamedColors[] = {
#include "html/html_colors.inc"
};

struct SystemColorName {
    const char* name;
    int index;
};

const SystemColorName kSystemColors[] = {
    {"activeborder", 10},    {"activecaption", 2},      {"appworkspace", 12},     {"background", 1},
    {"buttonface", 15},      {"buttonhighlight", 20},   {"buttonshadow", 16},     {"buttontext", 18},
    {"captiontext", 9},      {"graytext", 17},          {"highlight", 13},        {"highlighttext", 14},
    {"inactiveborder", 11},  {"inactivecaption", 3},    {"infobackground", 24},   {"infotext", 23},
    {"menu", 4},             {"menutext", 7},           {"scrollbar", 0},         {"threeddarkshadow", 21},
    {"threedface", 15},      {"threedhighlight", 20},   {"threedlightshadow", 22}, {"threedshadow", 16},
    {"window", 5},           {"windowframe", 6},        {"windowtext", 8},        {"inactivecaptiontext", 19},
};

constexpr int kColorBtnShadow = 16;
const int kHtmlSizes[] = {8, 10, 12, 14, 18, 24, 36};

bool IsWordStart(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.';
}

int Saturate(std::int64_t v) {
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

struct Keyword {
    const char* word;
    int value;
};

template <std::size_t N>
int LookUp(const Keyword (&table)[N], std::string_view word, int unchanged) {
    if (word.empty()) return table[0].value;
    for (const Keyword& k : table)
        if (word == k.word) return k.value;
    return unchanged;
}

// The position of the first byte at or after `from` that starts a word.
std::size_t SkipToWord(std::string_view text, std::size_t from) {
    while (from < text.size() && !IsWordStart(text[from])) ++from;
    return from;
}

std::size_t FindAny(std::string_view text, std::size_t from, std::string_view bytes, const CodePage& cp) {
    std::size_t best = npos;
    for (char b : bytes) {
        std::size_t p = cp.Find(text, b, from);
        if (p < best) best = p;
    }
    return best;
}

}  // namespace

int FontStyleKeyword(std::string_view word, int unchanged) {
    static const Keyword table[] = {{"normal", 0}, {"italic", 1}, {"oblique", 1}};
    return LookUp(table, word, unchanged);
}

int FontWeightKeyword(std::string_view word) {
    static const Keyword table[] = {{"normal", 400}, {"bold", 700}, {"bolder", 900}, {"lighter", 100}};
    const int found = LookUp(table, word, -1);
    return found != -1 ? found : LeadingNumber(word);
}

int TextAlignKeyword(std::string_view word, int unchanged) {
    static const Keyword table[] = {{"left", 0}, {"center", 1}, {"right", 2}};
    return LookUp(table, word, unchanged);
}

int VerticalAlignKeyword(std::string_view word, int unchanged) {
    static const Keyword table[] = {{"baseline", 3}, {"middle", 1}, {"vcenter", 1}, {"top", 0}, {"bottom", 2}};
    return LookUp(table, word, unchanged);
}

int TextTransformKeyword(std::string_view word, int unchanged) {
    static const Keyword table[] = {{"none", 0}, {"uppercase", 1}, {"lowercase", 2}, {"capitalize", 3}};
    return LookUp(table, word, unchanged);
}

int BorderStyleKeyword(std::string_view word, int unchanged) {
    static const Keyword table[] = {{"none", 0}, {"solid", 1}, {"dashed", 2}, {"dotted", 3}, {"double", 6}};
    return LookUp(table, word, unchanged);
}

int LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
    }
    return static_cast<int>(negative ? -value : value);
}

std::uint32_t PrefixedNumber(std::string_view text) {
    std::size_t i = 0;
    unsigned base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    } else if (!text.empty() && text[0] == '0') {
        base = 8;
    }
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else break;
        if (digit >= base) break;
        value = value * base + digit;
        if (value > std::numeric_limits<std::uint32_t>::max()) value = std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(value);
}

const char* DefaultStyleSheetText() {
    return "body {font-size: 10pt; color:black; font-family:Verdana}\r\n"
           "p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
           "h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
           "h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
           "h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}\r\n"
           "h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
           "h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
           "h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}\r\n"
           "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}\r\n"
           "code {color:#990000; font-family:Arial}\r\n"
           "a:link {text-decoration:none; color:blue}\r\n"
           "a:hover {text-decoration:underline; color:blue}\r\n"
           "sub {font-size:65%; vertical-align:bottom}\r\n"
           "sup {font-size:65%; vertical-align:top}\r\n"
           "big {font-size:125%}\r\n"
           "small {font-size:75%}\r\n"
           ".cpp-comment {color:green; font-style:italic}\r\n";
}

HtmlStyleSheet::HtmlStyleSheet(const HtmlMetrics& metrics, const CodePage& cp)
    : m_metrics(metrics), m_cp(cp), m_disabledColor(metrics.SystemColor(kColorBtnShadow)) {
    for (const NamedColor& c : kNamedColors) {
        // CSS writes red first; colour values keep red in the low byte.
        const std::uint32_t value = ((c.rgb >> 16) & 0xFF) | (c.rgb & 0xFF00) | ((c.rgb & 0xFF) << 16);
        m_colors.emplace(c.name, value);
    }
    for (const SystemColorName& c : kSystemColors) m_colors.emplace(c.name, metrics.SystemColor(c.index));
    LoadDefault();
}

void HtmlStyleSheet::LoadDefault() { Load(DefaultStyleSheetText()); }

void HtmlStyleSheet::Load(std::string_view text) {
    if (text.empty()) text = DefaultStyleSheetText();
    m_rules.clear();
    std::size_t pos = 0;
    for (;;) {
        pos = SkipToWord(text, pos);
        if (pos >= text.size()) return;
        const std::size_t selectorEnd = FindAny(text, pos, " {", m_cp);
        if (selectorEnd == npos) return;
        const std::string selector = m_cp.ToLower(text.substr(pos, selectorEnd - pos));
        const std::size_t open = m_cp.Find(text, '{', selectorEnd);
        const std::size_t close = open == npos ? npos : m_cp.Find(text, '}', open + 1);
        if (open == npos || close == npos) return;
        if (!selector.empty() && close > open + 1) m_rules[selector] = std::string(text.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
}

const std::string* HtmlStyleSheet::StyleText(std::string_view selector) const {
    auto it = m_rules.find(m_cp.ToLower(selector));
    return it == m_rules.end() ? nullptr : &it->second;
}

void HtmlStyleSheet::ApplySelector(std::string_view selector, HtmlStyle& style) const {
    if (const std::string* text = StyleText(selector)) ApplyDeclarations(*text, style);
}

void HtmlStyleSheet::ApplyDeclarations(std::string_view declarations, HtmlStyle& style) const {
    const std::string lowered = m_cp.ToLower(declarations);
    const std::string_view text = lowered;
    std::size_t pos = 0;
    for (;;) {
        pos = SkipToWord(text, pos);
        if (pos >= text.size()) return;
        const std::size_t nameEnd = FindAny(text, pos, " :", m_cp);
        if (nameEnd == npos) return;
        const std::string_view name = text.substr(pos, nameEnd - pos);
        pos = nameEnd;
        while (pos < text.size() && text[pos] == ' ') ++pos;
        std::string_view value;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            while (pos < text.size() && text[pos] == ' ') ++pos;
            if (pos < text.size() && text[pos] == '"') {
                const std::size_t close = m_cp.Find(text, '"', pos + 1);
                if (close == npos) {
                    pos = text.size();
                } else {
                    value = text.substr(pos + 1, close - pos - 1);
                    pos = close + 1;
                }
            } else {
                const std::size_t end = m_cp.Find(text, ';', pos);
                const std::size_t stop = end == npos ? text.size() : end;
                value = text.substr(pos, stop - pos);
                pos = stop;
            }
        }
        ApplyProperty(name, value, style);
    }
}

void HtmlStyleSheet::SetBorderWidth(HtmlStyle& style, int width) {
    style.borderWidth = width;
    if (width == 0) style.borderStyle = 0;
    else if (style.borderStyle == 0) style.borderStyle = 1;
}

void HtmlStyleSheet::SetBorderStyle(HtmlStyle& style, int borderStyle) {
    style.borderStyle = borderStyle;
    if (borderStyle != 0 && style.borderWidth == 0) style.borderWidth = 1;
}

void HtmlStyleSheet::ApplyProperty(std::string_view name, std::string_view value, HtmlStyle& style) const {
    if (name == "font-size") {
        style.fontSize = ReadLength(value, style.fontSize, true);
    } else if (name == "font-family") {
        if (!value.empty()) style.face = std::string(value);
    } else if (name == "font-style") {
        style.italic = FontStyleKeyword(value, style.italic);
    } else if (name == "font-weight") {
        style.weight = FontWeightKeyword(value);
    } else if (name == "text-align") {
        style.textAlign = TextAlignKeyword(value, style.textAlign);
    } else if (name == "text-transform") {
        style.textTransform = TextTransformKeyword(value, style.textTransform);
    } else if (name == "color") {
        style.textColor = m_colorsEnabled ? ReadColor(value, style.textColor) : m_disabledColor;
    } else if (name == "background-color") {
        if (!m_colorsEnabled || value.empty() || value == "transparent") {
            style.backgroundMode = kTransparent;
        } else {
            style.backgroundMode = kOpaque;
            style.backgroundColor = ReadColor(value, style.backgroundColor);
        }
    } else if (name == "text-decoration") {
        std::string_view list = value.empty() ? std::string_view("none") : value;
        std::size_t pos = 0;
        for (;;) {
            pos = SkipToWord(list, pos);
            if (pos >= list.size()) break;
            std::size_t end = FindAny(list, pos, " ,", m_cp);
            if (end == npos) end = list.size();
            const std::string_view word = list.substr(pos, end - pos);
            if (word == "none") style.underline = style.strikeout = style.overline = 0;
            else if (word == "underline") style.underline = 1;
            else if (word == "line-through") style.strikeout = 1;
            else if (word == "overline") style.overline = 1;
            pos = end;
        }
    } else if (name == "vertical-align") {
        style.verticalAlign = VerticalAlignKeyword(value, style.verticalAlign);
    } else if (name == "border-color") {
        const HtmlColor c = m_colorsEnabled ? ReadColor(value, style.borderLight) : m_disabledColor;
        style.borderLight = style.borderDark = c;
    } else if (name == "border-width" || name == "size") {
        int width;
        if (value == "thin") width = MulDivRound(style.borderWidth, 75, 100);
        else if (value == "thick") width = MulDivRound(style.borderWidth, 125, 100);
        else if (value == "medium") width = style.borderWidth;
        else width = ReadLength(value, style.borderWidth, false);
        SetBorderWidth(style, width);
    } else if (name == "border-style") {
        SetBorderStyle(style, BorderStyleKeyword(value, style.borderStyle));
    } else if (name == "margin") {
        style.margin = ReadLength(value, style.margin, false);
    } else if (name == "padding") {
        style.padding = ReadLength(value, style.padding, false);
    }
}

int HtmlStyleSheet::ReadLength(std::string_view text, int current, bool htmlSizes) const {
    if (text.empty()) return current;
    if (text.back() == '%') return MulDivRound(current, LeadingNumber(text.substr(0, text.size() - 1)), 100);
    if (text[0] == '+' || text[0] == '-') text.remove_prefix(1);
    const std::int64_t n = LeadingNumber(text);
    const std::string_view unit = text.size() >= 2 ? text.substr(text.size() - 2) : std::string_view();
    // Pixels are those of a 96-DPI screen, grown with the device's resolution.
    if (unit == "px") return Px(n);
    if (unit == "ex") return Saturate(n * m_metrics.XHeight());
    if (unit == "em") return Saturate(n * m_metrics.TextHeight());
    const std::int64_t product = n * m_metrics.PixelsPerInchY();
    if (unit == "in") return Saturate(product);
    if (unit == "cm") return Saturate(static_cast<std::int64_t>(static_cast<double>(product) * 0.39370078740157477));
    if (unit == "mm") return Saturate(static_cast<std::int64_t>(static_cast<double>(product) * 0.03937007874015748));
    if (unit == "pt") return Saturate(product / 72);
    if (unit == "pc") return Saturate(product / 6);
    const int number = static_cast<int>(PrefixedNumber(text));
    if (htmlSizes && number >= 1 && number <= 7) return Px(kHtmlSizes[number - 1]);
    return Px(number);
}

int HtmlStyleSheet::Px(std::int64_t pixels) const {
    const int ppi = m_metrics.PixelsPerInchY();
    if (ppi <= 0 || ppi == 96) return Saturate(pixels);
    return Saturate((pixels * ppi + (pixels >= 0 ? 48 : -48)) / 96);
}

HtmlColor HtmlStyleSheet::ReadColor(std::string_view text, HtmlColor current) const {
    if (text.empty()) return current;
    if (text[0] == '#') {
        if (text.size() != 7) return current;
        const std::string swapped =
            "0x" + std::string(text.substr(5, 2)) + std::string(text.substr(3, 2)) + std::string(text.substr(1, 2));
        return PrefixedNumber(swapped);
    }
    if (text[0] >= '0' && text[0] <= '9') return PrefixedNumber(text);
    if (!m_colorsEnabled) return m_disabledColor;
    auto it = m_colors.find(std::string(text));
    return it == m_colors.end() ? current : it->second;
}

}  // namespace fh
