#include "swf/swf_edit_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/utf8.h"

namespace fh {

std::uint32_t SwfTextFormat::Differences(const SwfTextFormat& o) const {
    std::uint32_t d = 0;
    if (font != o.font) d |= kFmtFont;
    if (size != o.size) d |= kFmtSize;
    if (color != o.color) d |= kFmtColor;
    if (bold != o.bold) d |= kFmtBold;
    if (italic != o.italic) d |= kFmtItalic;
    if (underline != o.underline) d |= kFmtUnderline;
    if (url != o.url) d |= kFmtUrl;
    if (target != o.target) d |= kFmtTarget;
    if (align != o.align) d |= kFmtAlign;
    if (leftMargin != o.leftMargin) d |= kFmtLeftMargin;
    if (rightMargin != o.rightMargin) d |= kFmtRightMargin;
    if (indent != o.indent) d |= kFmtIndent;
    if (leading != o.leading) d |= kFmtLeading;
    if (blockIndent != o.blockIndent) d |= kFmtBlockIndent;
    if (bullet != o.bullet) d |= kFmtBullet;
    if (tabStops != o.tabStops) d |= kFmtTabStops;
    if (kerning != o.kerning) d |= kFmtKerning;
    if (letterSpacing != o.letterSpacing) d |= kFmtLetterSpacing;
    return d;
}

void SwfTextFormat::Apply(const SwfTextFormat& f, std::uint32_t mask) {
    if (mask & kFmtFont) font = f.font;
    if (mask & kFmtSize) size = f.size;
    if (mask & kFmtColor) color = f.color;
    if (mask & kFmtBold) bold = f.bold;
    if (mask & kFmtItalic) italic = f.italic;
    if (mask & kFmtUnderline) underline = f.underline;
    if (mask & kFmtUrl) url = f.url;
    if (mask & kFmtTarget) target = f.target;
    if (mask & kFmtAlign) align = f.align;
    if (mask & kFmtLeftMargin) leftMargin = f.leftMargin;
    if (mask & kFmtRightMargin) rightMargin = f.rightMargin;
    if (mask & kFmtIndent) indent = f.indent;
    if (mask & kFmtLeading) leading = f.leading;
    if (mask & kFmtBlockIndent) blockIndent = f.blockIndent;
    if (mask & kFmtBullet) bullet = f.bullet;
    if (mask & kFmtTabStops) tabStops = f.tabStops;
    if (mask & kFmtKerning) kerning = f.kerning;
    if (mask & kFmtLetterSpacing) letterSpacing = f.letterSpacing;
}

std::u32string SwfUtf8ToChars(const std::string& text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += c;
            ++i;
            continue;
        }
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t code = extra == 0 ? 0xFFFD : c & (0x3F >> extra);
        std::size_t j = i + 1;
        for (int k = 0; k < extra && j < text.size(); ++k, ++j)
            code = (code << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
        out += code;
        i = j;
    }
    return out;
}

std::string SwfCharsToUtf8(const std::u32string& chars) {
    std::string out;
    out.reserve(chars.size());
    for (char32_t c : chars) AppendUtf8(out, c);
    return out;
}

const SwfTextFormat& SwfEditText::FormatAt(std::size_t index) const {
    if (index >= m_formatOf.size()) return m_formatOf.empty() ? newFormat : m_formats[m_formatOf.back()];
    return m_formats[m_formatOf[index]];
}

std::uint32_t SwfEditText::Intern(const SwfTextFormat& f) {
    for (std::size_t i = m_formats.size(); i-- > 0;)
        if (m_formats[i].Differences(f) == 0) return static_cast<std::uint32_t>(i);
    if (m_formats.size() >= kMaxFormats) Compact();
    // A table still full takes the newest format's place rather than grow.
    if (m_formats.size() >= kMaxFormats) return static_cast<std::uint32_t>(m_formats.size() - 1);
    m_formats.push_back(f);
    return static_cast<std::uint32_t>(m_formats.size() - 1);
}

// Drops the formats no character has any more.
void SwfEditText::Compact() {
    std::vector<std::uint32_t> remap(m_formats.size(), UINT32_MAX);
    std::vector<SwfTextFormat> kept;
    ++m_compactions;
    for (std::uint32_t& f : m_formatOf) {
        if (remap[f] == UINT32_MAX) {
            remap[f] = static_cast<std::uint32_t>(kept.size());
            kept.push_back(m_formats[f]);
        }
        f = remap[f];
    }
    m_formats.swap(kept);
}

void SwfEditText::Insert(std::size_t at, const std::u32string& text, std::uint32_t format) {
    const std::size_t room = kMaxChars - std::min(kMaxChars, m_chars.size());
    const std::size_t n = std::min(room, text.size());
    at = std::min(at, m_chars.size());
    m_chars.insert(at, text, 0, n);
    m_formatOf.insert(m_formatOf.begin() + static_cast<std::ptrdiff_t>(at), n, format);
}

namespace {

// Paragraphs end with '\r'; "\r\n" and '\n' end them too.
std::u32string Paragraphs(const std::u32string& text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
        out += text[i] == U'\n' ? U'\r' : text[i];
    }
    return out;
}

}  // namespace

void SwfEditText::SetText(const std::u32string& text) {
    m_chars.clear();
    m_formatOf.clear();
    m_formats.clear();
    Insert(0, Paragraphs(text), Intern(newFormat));
}

void SwfEditText::Replace(std::size_t begin, std::size_t end, const std::u32string& text) {
    begin = std::min(begin, m_chars.size());
    end = std::clamp(end, begin, m_chars.size());
    m_chars.erase(begin, end - begin);
    m_formatOf.erase(m_formatOf.begin() + static_cast<std::ptrdiff_t>(begin),
                     m_formatOf.begin() + static_cast<std::ptrdiff_t>(end));
    Insert(begin, Paragraphs(text), Intern(newFormat));
}

SwfFormatPatch SwfEditText::FormatOf(std::size_t begin, std::size_t end) const {
    SwfFormatPatch patch;
    end = std::min(end, m_chars.size());
    if (begin >= end) return patch;
    patch.format = FormatAt(begin);
    patch.mask = kFmtAll;
    std::uint32_t last = m_formatOf[begin];
    for (std::size_t i = begin + 1; i < end && patch.mask; ++i) {
        if (m_formatOf[i] == last) continue;
        last = m_formatOf[i];
        patch.mask &= ~patch.format.Differences(m_formats[last]);
    }
    return patch;
}

void SwfEditText::SetFormat(std::size_t begin, std::size_t end, const SwfFormatPatch& patch) {
    end = std::min(end, m_chars.size());
    if (begin >= end || !patch.mask) return;
    // Paragraph fields reach from the start of the first paragraph to the end of the last.
    std::size_t pBegin = begin, pEnd = end;
    if (patch.mask & kFmtParagraph) {
        while (pBegin > 0 && m_chars[pBegin - 1] != U'\r') --pBegin;
        while (pEnd < m_chars.size() && m_chars[pEnd - 1] != U'\r') ++pEnd;
    }
    std::uint32_t lastFrom = UINT32_MAX, lastMask = 0, lastTo = 0;
    for (std::size_t i = pBegin; i < pEnd; ++i) {
        const std::uint32_t mask = (i >= begin && i < end) ? patch.mask : patch.mask & kFmtParagraph;
        if (!mask) continue;
        const std::uint32_t from = m_formatOf[i];
        if (from != lastFrom || mask != lastMask) {
            SwfTextFormat f = m_formats[from];
            f.Apply(patch.format, mask);
            lastFrom = from;
            lastMask = mask;
            const std::uint32_t compactions = m_compactions;
            lastTo = Intern(f);
            // Compacting renumbered the formats: the cached one is stale.
            if (compactions != m_compactions) lastFrom = UINT32_MAX;
        }
        m_formatOf[i] = lastTo;
    }
}

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

// A tag's name and attributes: name=value, the value quoted or bare.
struct Tag {
    std::string name;  // lower case, '/' first for a closing tag
    std::vector<std::pair<std::string, std::string>> attributes;  // names lower case

    const std::string* Find(const char* attribute) const {
        for (const auto& a : attributes)
            if (a.first == attribute) return &a.second;
        return nullptr;
    }
};

Tag ReadTag(const std::string& body) {
    Tag tag;
    std::size_t i = 0;
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < body.size() && space(body[i])) ++i;
    const std::size_t nameStart = i;
    while (i < body.size() && !space(body[i]) && body[i] != '>') ++i;
    tag.name = Lower(body.substr(nameStart, i - nameStart));
    while (!tag.name.empty() && tag.name.back() == '/') tag.name.pop_back();
    while (i < body.size()) {
        while (i < body.size() && (space(body[i]) || body[i] == '/')) ++i;
        const std::size_t at = i;
        while (i < body.size() && !space(body[i]) && body[i] != '=') ++i;
        std::string name = Lower(body.substr(at, i - at));
        while (i < body.size() && space(body[i])) ++i;
        std::string value;
        if (i < body.size() && body[i] == '=') {
            ++i;
            while (i < body.size() && space(body[i])) ++i;
            if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
                const char quote = body[i++];
                const std::size_t end = body.find(quote, i);
                value = body.substr(i, (end == std::string::npos ? body.size() : end) - i);
                i = end == std::string::npos ? body.size() : end + 1;
            } else {
                const std::size_t vStart = i;
                while (i < body.size() && !space(body[i])) ++i;
                value = body.substr(vStart, i - vStart);
            }
        }
        if (!name.empty()) tag.attributes.emplace_back(std::move(name), std::move(value));
        if (at == i) ++i;
    }
    return tag;
}

// An entity at text[i] ('&'), its character and length; none for an unknown one.
bool ReadEntity(const std::string& text, std::size_t i, char32_t& c, std::size_t& length) {
    const std::size_t end = text.find(';', i);
    if (end == std::string::npos || end - i > 10) return false;
    const std::string name = text.substr(i + 1, end - i - 1);
    length = end - i + 1;
    static const struct {
        const char* name;
        char32_t c;
    } kNamed[] = {{"lt", U'<'}, {"gt", U'>'}, {"amp", U'&'}, {"quot", U'"'}, {"apos", U'\''}, {"nbsp", 0xA0}};
    for (const auto& e : kNamed) {
        if (name == e.name) {
            c = e.c;
            return true;
        }
    }
    if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        char* stop = nullptr;
        const unsigned long v = std::strtoul(name.c_str() + (hex ? 2 : 1), &stop, hex ? 16 : 10);
        if (stop && *stop == '\0' && v > 0 && v < 0x110000) {
            c = static_cast<char32_t>(v);
            return true;
        }
    }
    return false;
}

double Number(const std::string& s, double fallback) {
    char* stop = nullptr;
    const double v = std::strtod(s.c_str(), &stop);
    return stop != s.c_str() && std::isfinite(v) ? v : fallback;
}

}  // namespace

void SwfEditText::SetHtml(const std::string& html) {
    m_chars.clear();
    m_formatOf.clear();
    m_formats.clear();
    std::vector<SwfTextFormat> stack{newFormat};
    // Which closing tag pops each entry after the first.
    std::vector<std::string> closers;
    std::u32string pending;
    bool endedByTag = false;  // the text ends with a paragraph a closing tag ended
    auto flush = [&] {
        if (pending.empty()) return;
        Insert(m_chars.size(), pending, Intern(stack.back()));
        pending.clear();
        endedByTag = false;
    };
    auto paragraph = [&](bool byTag) {
        pending += U'\r';
        flush();
        endedByTag = byTag;
    };
    auto push = [&](const std::string& closer) {
        if (stack.size() > kMaxHtmlNesting) return false;
        flush();
        stack.push_back(stack.back());
        closers.push_back(closer);
        return true;
    };
    auto pop = [&](const std::string& closer) {
        for (std::size_t k = closers.size(); k-- > 0;) {
            if (closers[k] != closer) continue;
            flush();
            stack.resize(k + 1);
            closers.resize(k);
            return;
        }
    };
    bool lastSpace = false;
    for (std::size_t i = 0; i < html.size() && m_chars.size() + pending.size() < kMaxChars;) {
        const char ch = html[i];
        if (ch == '<') {
            const std::size_t end = html.find('>', i);
            if (end == std::string::npos) break;
            const Tag tag = ReadTag(html.substr(i + 1, end - i - 1));
            i = end + 1;
            const std::string& n = tag.name;
            if (n == "br" || n == "sbr") {
                paragraph(false);
            } else if (n == "p" || n == "li" || n == "textformat") {
                if (!push(n)) continue;
                SwfTextFormat& f = stack.back();
                if (n == "li") f.bullet = true;
                if (const std::string* a = tag.Find("align")) {
                    const std::string v = Lower(*a);
                    f.align = v == "right" ? SwfAlign::Right : v == "center" ? SwfAlign::Center
                              : v == "justify" ? SwfAlign::Justify : SwfAlign::Left;
                }
                if (const std::string* a = tag.Find("leftmargin")) f.leftMargin = Number(*a, f.leftMargin);
                if (const std::string* a = tag.Find("rightmargin")) f.rightMargin = Number(*a, f.rightMargin);
                if (const std::string* a = tag.Find("indent")) f.indent = Number(*a, f.indent);
                if (const std::string* a = tag.Find("leading")) f.leading = Number(*a, f.leading);
                if (const std::string* a = tag.Find("blockindent")) f.blockIndent = Number(*a, f.blockIndent);
                if (const std::string* a = tag.Find("tabstops")) {
                    f.tabStops.clear();
                    for (std::size_t at = 0; at < a->size() && f.tabStops.size() < 64;) {
                        const std::size_t comma = std::min(a->find(',', at), a->size());
                        f.tabStops.push_back(Number(a->substr(at, comma - at), 0));
                        at = comma + 1;
                    }
                }
            } else if (n == "/p" || n == "/li") {
                // The paragraph's own format ends it.
                pending += U'\r';
                flush();
                endedByTag = true;
                pop(n.substr(1));
            } else if (n == "/textformat") {
                pop("textformat");
            } else if (n == "font") {
                if (!push(n)) continue;
                SwfTextFormat& f = stack.back();
                if (const std::string* a = tag.Find("face")) f.font = *a;
                if (const std::string* a = tag.Find("size")) {
                    const bool relative = !a->empty() && ((*a)[0] == '+' || (*a)[0] == '-');
                    const double v = Number(*a, relative ? 0 : f.size);
                    f.size = std::clamp(relative ? f.size + v : v, 0.0, 1000.0);
                }
                if (const std::string* a = tag.Find("color")) {
                    if (a->size() > 1 && (*a)[0] == '#')
                        f.color = static_cast<std::uint32_t>(std::strtoul(a->c_str() + 1, nullptr, 16) & 0xFFFFFF);
                }
                if (const std::string* a = tag.Find("letterspacing")) f.letterSpacing = Number(*a, f.letterSpacing);
                if (const std::string* a = tag.Find("kerning")) f.kerning = Number(*a, 0) != 0;
            } else if (n == "b" || n == "i" || n == "u") {
                if (!push(n)) continue;
                (n == "b" ? stack.back().bold : n == "i" ? stack.back().italic : stack.back().underline) = true;
            } else if (n == "a") {
                if (!push(n)) continue;
                if (const std::string* a = tag.Find("href")) stack.back().url = *a;
                if (const std::string* a = tag.Find("target")) stack.back().target = *a;
            } else if (n.size() > 1 && n[0] == '/') {
                pop(n.substr(1));
            }
            continue;
        }
        char32_t c;
        std::size_t length = 1;
        if (ch == '&' && ReadEntity(html, i, c, length)) {
            i += length;
        } else {
            std::size_t next = i + 1;
            const unsigned char u = static_cast<unsigned char>(ch);
            if (u >= 0xC0) {
                const std::size_t extra = u >= 0xF0 ? 3 : u >= 0xE0 ? 2 : 1;
                next = std::min(html.size(), i + 1 + extra);
            }
            const std::u32string one = SwfUtf8ToChars(html.substr(i, next - i));
            c = one.empty() ? U'\xFFFD' : one[0];
            i = next;
            if (c == U'\r' || c == U'\n') {
                if (c == U'\r' && i < html.size() && html[i] == '\n') ++i;
                if (condenseWhite) {
                    c = U' ';
                } else {
                    paragraph(false);
                    continue;
                }
            }
        }
        // Condensed, runs of white space read as one space.
        const bool space = c == U' ' || c == U'\t';
        if (condenseWhite && space && lastSpace) continue;
        lastSpace = space;
        pending += c;
    }
    flush();
    if (endedByTag && !m_chars.empty() && m_chars.back() == U'\r') {
        m_chars.pop_back();
        m_formatOf.pop_back();
    }
}

namespace {

std::string Num(double v) {
    char buf[40];
    if (v == std::floor(v) && std::fabs(v) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.0f", v);
    } else {
        std::snprintf(buf, sizeof buf, "%.15g", v);
    }
    return buf;
}

std::string Color(std::uint32_t rgb) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%06X", rgb & 0xFFFFFF);
    return buf;
}

void Escape(std::string& out, const std::u32string& text) {
    for (char32_t c : text) {
        switch (c) {
        case U'<': out += "&lt;"; break;
        case U'>': out += "&gt;"; break;
        case U'&': out += "&amp;"; break;
        case U'"': out += "&quot;"; break;
        case U'\'': out += "&apos;"; break;
        default: out += SwfCharsToUtf8(std::u32string(1, c));
        }
    }
}

const char* AlignName(SwfAlign a) {
    switch (a) {
    case SwfAlign::Right: return "RIGHT";
    case SwfAlign::Center: return "CENTER";
    case SwfAlign::Justify: return "JUSTIFY";
    default: return "LEFT";
    }
}

// FONT's attributes for the fields of `mask`.
std::string FontAttributes(const SwfTextFormat& f, std::uint32_t mask) {
    std::string out;
    if (mask & kFmtFont) out += " FACE=\"" + f.font + "\"";
    if (mask & kFmtSize) out += " SIZE=\"" + Num(f.size) + "\"";
    if (mask & kFmtColor) out += " COLOR=\"" + Color(f.color) + "\"";
    if (mask & kFmtLetterSpacing) out += " LETTERSPACING=\"" + Num(f.letterSpacing) + "\"";
    if (mask & kFmtKerning) out += std::string(" KERNING=\"") + (f.kerning ? "1" : "0") + "\"";
    return out;
}

constexpr std::uint32_t kFontFields = kFmtFont | kFmtSize | kFmtColor | kFmtLetterSpacing | kFmtKerning;

}  // namespace

std::string SwfEditText::Html() const {
    std::string out;
    std::size_t start = 0;
    while (start <= m_chars.size()) {
        std::size_t end = m_chars.find(U'\r', start);
        const bool last = end == std::u32string::npos;
        if (last) end = m_chars.size();
        // The text after the last paragraph's end is one only when it has characters.
        if (last && end == start && start > 0) break;
        const SwfTextFormat& p = start < m_chars.size() ? FormatAt(start) : FormatAt(m_chars.size());
        std::string block;
        if (p.leftMargin) block += " LEFTMARGIN=\"" + Num(p.leftMargin) + "\"";
        if (p.rightMargin) block += " RIGHTMARGIN=\"" + Num(p.rightMargin) + "\"";
        if (p.indent) block += " INDENT=\"" + Num(p.indent) + "\"";
        if (p.leading) block += " LEADING=\"" + Num(p.leading) + "\"";
        if (p.blockIndent) block += " BLOCKINDENT=\"" + Num(p.blockIndent) + "\"";
        if (!p.tabStops.empty()) {
            block += " TABSTOPS=\"";
            for (std::size_t k = 0; k < p.tabStops.size(); ++k) block += (k ? "," : "") + Num(p.tabStops[k]);
            block += "\"";
        }
        if (!block.empty()) out += "<TEXTFORMAT" + block + ">";
        out += p.bullet ? std::string("<LI>") : std::string("<P ALIGN=\"") + AlignName(p.align) + "\">";
        out += "<FONT" + FontAttributes(p, kFontFields) + ">";
        for (std::size_t i = start; i < end;) {
            const std::uint32_t id = m_formatOf[i];
            std::size_t j = i;
            while (j < end && m_formatOf[j] == id) ++j;
            const SwfTextFormat& f = m_formats[id];
            const std::uint32_t differs = p.Differences(f) & kFontFields;
            std::string open, close;
            if (differs) {
                open += "<FONT" + FontAttributes(f, differs) + ">";
                close = "</FONT>" + close;
            }
            if (!f.url.empty()) {
                open += "<A HREF=\"" + f.url + "\" TARGET=\"" + f.target + "\">";
                close = "</A>" + close;
            }
            if (f.bold) {
                open += "<B>";
                close = "</B>" + close;
            }
            if (f.italic) {
                open += "<I>";
                close = "</I>" + close;
            }
            if (f.underline) {
                open += "<U>";
                close = "</U>" + close;
            }
            out += open;
            Escape(out, m_chars.substr(i, j - i));
            out += close;
            i = j;
        }
        out += "</FONT>";
        out += p.bullet ? "</LI>" : "</P>";
        if (!block.empty()) out += "</TEXTFORMAT>";
        if (last) break;
        start = end + 1;
    }
    return out;
}

}  // namespace fh
