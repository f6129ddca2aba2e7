#include "html/html_markup.h"

#include <unordered_map>

namespace fh {

namespace {

constexpr std::size_t npos = std::string_view::npos;

const std::unordered_map<std::string, HtmlTagInfo>& TagTable() {
    static const std::unordered_map<std::string, HtmlTagInfo> table = [] {
        std::unordered_map<std::string, HtmlTagInfo> t;
        auto add = [&t](const char* name, HtmlTagKind kind, const char* key, int value = 0) {
            t.emplace(name, HtmlTagInfo{kind, key, value});
        };
        add("b", HtmlTagKind::Bold, "bold");
        add("i", HtmlTagKind::Italic, "italic");
        add("em", HtmlTagKind::Italic, "italic");
        add("u", HtmlTagKind::Underline, "underline");
        add("s", HtmlTagKind::Strikeout, "strikeout");
        add("strike", HtmlTagKind::Strikeout, "strikeout");
        add("font", HtmlTagKind::Font, "font");
        add("hr", HtmlTagKind::Rule, "");
        add("br", HtmlTagKind::LineBreak, "");
        add("\n", HtmlTagKind::LineBreak, "");
        add("t", HtmlTagKind::Tab, "");
        add("\t", HtmlTagKind::Tab, "");
        add("left", HtmlTagKind::Align, "left", 0);
        add("center", HtmlTagKind::Align, "center", 1);
        add("right", HtmlTagKind::Align, "right", 2);
        add("justify", HtmlTagKind::Align, "justify", 3);
        add("baseline", HtmlTagKind::VerticalAlign, "baseline", 3);
        add("top", HtmlTagKind::VerticalAlign, "top", 0);
        add("vcenter", HtmlTagKind::VerticalAlign, "vcenter", 1);
        add("middle", HtmlTagKind::VerticalAlign, "vcenter", 1);
        add("bottom", HtmlTagKind::VerticalAlign, "vcenter", 2);
        add("bmp", HtmlTagKind::Bitmap, "");
        add("icon", HtmlTagKind::Icon, "");
        add("ilst", HtmlTagKind::ImageList, "");
        add("string", HtmlTagKind::String, "");
        for (const char* name : {"body", "h1", "h2", "h3", "h4", "h5", "h6", "code", "pre", "big", "small", "sub", "sup"})
            add(name, HtmlTagKind::NamedStyle, name);
        add("span", HtmlTagKind::ClassSpan, "span");
        add("a", HtmlTagKind::Anchor, "link");
        return t;
    }();
    return table;
}

// The entities in byte order, which is the order of replacement, with the
// character each stands for (0 for the ASCII ones) and its code page 1252 byte.
struct EntityDefinition {
    const char* entity;
    const char* text;
    char32_t character;
};

const EntityDefinition kEntities[] = {
    {"&amp;", "&", 0},         {"&bull;", "\x95", 0x2022}, {"&copy;", "\xA9", 0xA9}, {"&euro;", "\x88", 0x20AC},
    {"&gt;", ">", 0},          {"&iquest;", "\xBF", 0xBF}, {"&lt;", "<<", 0},        {"&nbsp;", " ", 0},
    {"&para;", "\xB6", 0xB6},  {"&pound;", "\xA3", 0xA3},  {"&quot;", "\"", 0},      {"&reg;", "\xAE", 0xAE},
    {"&trade;", "\x99", 0x2122},
};

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == npos) break;
        out.append(text, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text, pos, npos);
    return out;
}

bool IsAttributeStart(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.';
}

}  // namespace

std::string EscapeHtmlText(std::string_view text, const CodePage& cp) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = cp.CharLength(text, i);
        if (n == 1 && text[i] == '<') out += "<<";
        else if (n == 1 && text[i] == '&') out += "&<_>";
        else out.append(text, i, n);
        i += n;
    }
    return out;
}

std::size_t FindUnescaped(std::string_view body, std::string_view needle, std::size_t from, const CodePage& cp) {
    for (std::size_t p = cp.FindText(body, needle, from); p != npos; p = cp.FindText(body, needle, p + 1)) {
        if (p == 0 || body[p - 1] != '<') return p;
    }
    return npos;
}

std::size_t FindHtmlTableStart(std::string_view body, std::size_t from, const CodePage& cp) {
    return FindUnescaped(body, "<table", from, cp);
}

std::size_t FindHtmlTableEnd(std::string_view body, std::size_t start, const CodePage& cp) {
    // One walk from "<" to "<", counting the tables that open and close.
    int depth = 0;
    for (std::size_t p = cp.Find(body, '<', start); p != npos; p = cp.Find(body, '<', p + 1)) {
        if (p > 0 && body[p - 1] == '<') continue;  // an escaped "<"
        const std::string_view rest = body.substr(p);
        if (rest.compare(0, 6, "<table") == 0) {
            ++depth;
        } else if (rest.compare(0, 7, "</table") == 0) {
            if (--depth > 0) continue;
            const std::size_t gt = cp.Find(body, '>', p);
            return gt == npos ? body.size() : gt + 1;
        }
    }
    return body.size();
}

const HtmlTagInfo* FindHtmlTag(std::string_view lowerName) {
    const auto& table = TagTable();
    auto it = table.find(std::string(lowerName));
    return it == table.end() ? nullptr : &it->second;
}

HtmlAttributes ReadHtmlAttributes(std::string_view text, const CodePage& cp) {
    HtmlAttributes attributes;
    std::size_t pos = 0;
    for (;;) {
        while (pos < text.size() && !IsAttributeStart(text[pos])) pos += cp.CharLength(text, pos);
        if (pos >= text.size()) break;
        std::size_t nameEnd = pos;
        while (nameEnd < text.size() && text[nameEnd] != ' ' && text[nameEnd] != '=')
            nameEnd += cp.CharLength(text, nameEnd);
        std::string name(text.substr(pos, nameEnd - pos));
        pos = nameEnd;
        while (pos < text.size() && text[pos] == ' ') ++pos;
        std::string value;
        if (pos < text.size() && text[pos] == '=') {
            while (pos < text.size() && (text[pos] == ' ' || text[pos] == '=')) ++pos;
            if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
                const char quote = text[pos];
                std::size_t close = cp.Find(text, quote, pos + 1);
                if (close == npos) {
                    value = std::string(text.substr(pos + 1));
                    pos = text.size();
                } else {
                    value = std::string(text.substr(pos + 1, close - pos - 1));
                    pos = close + 1;
                }
            } else {
                std::size_t end = cp.Find(text, ' ', pos);
                if (end == npos) end = text.size();
                value = std::string(text.substr(pos, end - pos));
                pos = end;
            }
        }
        attributes.emplace_back(std::move(name), std::move(value));
    }
    return attributes;
}

HtmlEntityTable::HtmlEntityTable() {
    for (const EntityDefinition& e : kEntities) m_entries.emplace_back(e.entity, e.text);
}

void HtmlEntityTable::SetCharacter(char32_t character, std::string text) {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (character != 0 && kEntities[i].character == character) m_entries[i].second = text;
}

const std::vector<char32_t>& HtmlEntityTable::NonAsciiCharacters() {
    static const std::vector<char32_t> characters = [] {
        std::vector<char32_t> c;
        for (const EntityDefinition& e : kEntities)
            if (e.character) c.push_back(e.character);
        return c;
    }();
    return characters;
}

std::string PreProcessHtml(std::string_view body, bool convertLineBreaks, const CodePage& cp,
                           const HtmlEntityTable& entities) {
    std::string text(body);
    for (const auto& entity : entities.Entries()) text = ReplaceAll(text, entity.first, entity.second);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\r') {
            ++i;
            continue;
        }
        if (c == '\n' || c == '\t') {
            if (convertLineBreaks) out += c == '\n' ? "<br>" : "<t>";
            ++i;
            continue;
        }
        if (!cp.IsLeadByte(static_cast<unsigned char>(c))) {
            out += c;
            ++i;
            continue;
        }
        // A lead byte pairs with the next byte (carriage returns are gone),
        // unless there is none or it is a line feed or tab that becomes markup.
        std::size_t next = i + 1;
        while (next < text.size() && text[next] == '\r') ++next;
        if (next >= text.size()) break;
        if (text[next] == '\n' || text[next] == '\t') {
            // Converted, the break stays and the lead byte goes; removed, the
            // lead byte pairs with whatever follows the break.
            if (convertLineBreaks) {
                i = next;
            } else {
                out += c;
                i = next + 1;
            }
            continue;
        }
        out += c;
        out += text[next];
        i = next + 1;
    }
    return out;
}

std::vector<HtmlSegment> SegmentHtml(std::string_view body, const CodePage& cp) {
    std::vector<HtmlSegment> segments;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t table = FindHtmlTableStart(body, pos, cp);
        if (table == npos) {
            segments.push_back({false, std::string(body.substr(pos))});
            break;
        }
        if (table > pos) segments.push_back({false, std::string(body.substr(pos, table - pos))});
        std::size_t end = FindHtmlTableEnd(body, table, cp);
        segments.push_back({true, std::string(body.substr(table, end - table))});
        pos = end;
    }
    return segments;
}

CHtmlScanner::CHtmlScanner(const HtmlStyleSheet& sheet, StringLookup strings)
    : m_sheet(sheet), m_strings(std::move(strings)) {}

void CHtmlScanner::ResetPass() {
    m_stack.clear();
    m_linkCounter = -1;
    HtmlStyleSheet::ResetStyle(m_style);
    m_sheet.ApplySelector("body", m_style);
}

void CHtmlScanner::PushStyle(const std::string& key) {
    m_stack.push_back(m_style);
    m_stack.back().name = key;
}

void CHtmlScanner::PopStyle(const std::string& key) {
    if (m_stack.empty() || m_stack.back().name != key) return;
    m_style = std::move(m_stack.back());
    m_stack.pop_back();
    m_style.name.clear();
}

void CHtmlScanner::ScanBody(std::string_view body, HtmlEventSink& sink) {
    ResetPass();
    sink.OnStyleChanged(m_style);
    for (const HtmlSegment& segment : SegmentHtml(body, m_sheet.Cp())) {
        if (segment.table) sink.OnTable(segment.text, m_style);
        else ScanTextSegment(segment.text, sink);
    }
}

void CHtmlScanner::ScanTextSegment(std::string_view text, HtmlEventSink& sink) {
    const CodePage& cp = m_sheet.Cp();
    // The segment is scanned as if wrapped in "<body>" and "</body>", applied
    // as tags rather than added as text, so that nothing at the segment's
    // end (a lone "<", a lead byte) can pair with the wrapper and show it.
    ApplyTag("body", sink);
    std::size_t pos = 0;
    std::string run;
    while (pos < text.size()) {
        std::size_t lt = cp.Find(text, '<', pos);
        if (lt == npos) {
            run.append(text, pos, npos);
            break;
        }
        run.append(text, pos, lt - pos);
        // "<<" is a literal "<", and so is a lone "<" at the very end.
        if (lt + 1 >= text.size() || text[lt + 1] == '<') {
            run += '<';
            pos = lt + 2;
            continue;
        }
        std::size_t gt = cp.Find(text, '>', lt + 1);
        if (gt == npos) break;  // an unclosed tag runs to the end
        if (gt == lt + 1) {
            pos = lt + 1;
            continue;
        }
        if (!run.empty()) {
            sink.OnText(run, m_style);
            run.clear();
        }
        ApplyTag(text.substr(lt + 1, gt - lt - 1), sink);
        pos = gt + 1;
    }
    if (!run.empty()) sink.OnText(run, m_style);
    ApplyTag("/body", sink);
}

void CHtmlScanner::ApplyTag(std::string_view tagText, HtmlEventSink& sink) {
    const CodePage& cp = m_sheet.Cp();
    std::size_t nameEnd = 0;
    while (nameEnd < tagText.size() && tagText[nameEnd] != ' ' && tagText[nameEnd] != '=')
        nameEnd += cp.CharLength(tagText, nameEnd);
    if (nameEnd > tagText.size()) nameEnd = tagText.size();
    std::string_view name = tagText.substr(0, nameEnd);
    std::string_view attributes = tagText.substr(nameEnd);
    if (!attributes.empty() && attributes[0] == ' ') {
        std::size_t skip = 0;
        while (skip < attributes.size() && attributes[skip] == ' ') ++skip;
        attributes.remove_prefix(skip);
    }
    const bool closing = !name.empty() && name[0] == '/';
    if (closing) name.remove_prefix(1);
    const HtmlTagInfo* tag = FindHtmlTag(cp.ToLower(name));
    if (!tag) return;

    if (tag->key.empty()) {
        switch (tag->kind) {
        case HtmlTagKind::Rule:
            sink.OnRule(ReadHtmlAttributes(attributes, cp), m_style);
            break;
        case HtmlTagKind::LineBreak:
            sink.OnLineBreak(ReadCount(attributes), m_style);
            break;
        case HtmlTagKind::Tab:
            sink.OnTab(ReadCount(attributes), m_style);
            break;
        case HtmlTagKind::String: {
            int id = 0;
            for (const auto& a : ReadHtmlAttributes(attributes, cp))
                if (a.first == "idres" || a.first == "iddll") id = m_sheet.ReadLength(a.second, 0, false);
            if (id != 0 && m_strings) {
                const std::string text = m_strings(static_cast<unsigned>(id));
                if (!text.empty()) sink.OnString(text, m_style);
            }
            break;
        }
        default:
            sink.OnPicture(tag->kind, ReadHtmlAttributes(attributes, cp), m_style);
            break;
        }
        return;
    }
    if (closing) CloseContainer(*tag, sink);
    else OpenContainer(*tag, attributes, sink);
}

int CHtmlScanner::ReadCount(std::string_view attributeText) const {
    if (attributeText.empty()) return 1;
    return m_sheet.ReadLength(attributeText.substr(1), 1, false);
}

void CHtmlScanner::OpenContainer(const HtmlTagInfo& tag, std::string_view attributes, HtmlEventSink& sink) {
    m_stack.push_back(m_style);
    m_stack.back().name = tag.key;
    const CodePage& cp = m_sheet.Cp();
    switch (tag.kind) {
    case HtmlTagKind::Bold:
        m_style.weight = m_style.weight > 450 ? 900 : m_style.weight * 2;
        break;
    case HtmlTagKind::Italic:
        m_style.italic = !m_style.italic;
        break;
    case HtmlTagKind::Underline:
        m_style.underline = !m_style.underline;
        break;
    case HtmlTagKind::Strikeout:
        m_style.strikeout = !m_style.strikeout;
        break;
    case HtmlTagKind::Font:
        ApplyFontAttributes(ReadHtmlAttributes(attributes, cp));
        break;
    case HtmlTagKind::Align:
        m_style.textAlign = tag.value;
        break;
    case HtmlTagKind::VerticalAlign:
        m_style.verticalAlign = tag.value;
        break;
    case HtmlTagKind::NamedStyle:
        m_sheet.ApplySelector(tag.key, m_style);
        break;
    case HtmlTagKind::ClassSpan:
        for (const auto& a : ReadHtmlAttributes(attributes, cp))
            if (a.first == "class") m_sheet.ApplySelector("." + a.second, m_style);
        break;
    case HtmlTagKind::Anchor:
        m_style.linkKind = 2;
        m_style.linkTarget.clear();
        for (const auto& a : ReadHtmlAttributes(attributes, cp)) {
            if (a.first == "href") {
                m_style.linkKind = 1;
                m_style.linkTarget = a.second;
            } else if (a.first == "msg") {
                m_style.linkKind = 2;
                m_style.linkTarget = a.second;
            }
        }
        ++m_linkCounter;
        m_sheet.ApplySelector(m_linkCounter == m_hotLink ? "a:hover" : "a:link", m_style);
        break;
    default:
        break;
    }
    sink.OnStyleChanged(m_style);
}

void CHtmlScanner::CloseContainer(const HtmlTagInfo& tag, HtmlEventSink& sink) {
    if (!m_stack.empty() && m_stack.back().name == tag.key) {
        m_style = std::move(m_stack.back());
        m_stack.pop_back();
        m_style.name.clear();
        sink.OnStyleChanged(m_style);
        return;
    }
    m_style.name.clear();
}

void CHtmlScanner::ApplyFontAttributes(const HtmlAttributes& attributes) {
    for (const auto& a : attributes) {
        const std::string& value = a.second;
        if (a.first == "face") {
            if (!value.empty()) m_style.face = value;
        } else if (a.first == "size") {
            m_style.fontSize = m_sheet.ReadLength(value, m_style.fontSize, true);
        } else if (a.first == "color") {
            m_style.textColor = m_sheet.ColorsEnabled() ? m_sheet.ReadColor(value, m_style.textColor)
                                                        : m_sheet.DisabledColor();
        } else if (a.first == "style") {
            ApplyStyleLetters(value);
        } else if (a.first == "weight") {
            m_style.weight = FontWeightKeyword(value);
        } else if (a.first == "bkgnd") {
            if (!m_sheet.ColorsEnabled() || value.empty() || value == "transparent") {
                m_style.backgroundMode = kTransparent;
            } else {
                m_style.backgroundMode = kOpaque;
                m_style.backgroundColor = m_sheet.ReadColor(value, m_style.backgroundColor);
            }
        }
    }
}

void CHtmlScanner::ApplyStyleLetters(std::string_view letters) {
    bool on = true;
    for (char c : letters) {
        switch (c) {
        case '-':
            on = false;
            continue;
        case '+':
            on = true;
            continue;
        case 'b':
            m_style.weight = on ? 700 : 400;
            break;
        case 'i':
            m_style.italic = on;
            break;
        case 'u':
            m_style.underline = on;
            break;
        case 's':
            m_style.strikeout = on;
            break;
        case 'o':
            m_style.overline = on;
            break;
        default:
            continue;
        }
        on = true;
    }
}

}  // namespace fh
