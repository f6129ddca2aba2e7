#pragma once
// The markup scanner: pre-processing, cutting the body into text and table
// segments, reading tags and attributes, and applying tags to the current
// style through the style stack. Layout consumes what it reports.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "html/html_style.h"

namespace fh {

enum class HtmlTagKind {
    Bold, Italic, Underline, Strikeout, Font, Rule, LineBreak, Tab, Align, VerticalAlign,
    Bitmap, Icon, ImageList, String, NamedStyle, ClassSpan, Anchor,
};

struct HtmlTagInfo {
    HtmlTagKind kind;
    std::string key;  // stack key; empty for elements that act at once
    int value = 0;    // the alignment of the align tags
};

// The tag of a lower-case name, or nullptr.
const HtmlTagInfo* FindHtmlTag(std::string_view lowerName);

using HtmlAttributes = std::vector<std::pair<std::string, std::string>>;
HtmlAttributes ReadHtmlAttributes(std::string_view text, const CodePage& cp);

// The entities in replacement order with what each becomes. Those that
// stand for characters above ASCII become the character in the system code
// page; the defaults are the bytes of code page 1252.
class HtmlEntityTable {
public:
    HtmlEntityTable();
    // The text an entity that stands for the character becomes.
    void SetCharacter(char32_t character, std::string text);
    // (entity, replacement) in replacement order.
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return m_entries; }
    // The characters above ASCII that have entities, in table order.
    static const std::vector<char32_t>& NonAsciiCharacters();

private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

// Replaces the entities in table order and removes carriage returns; turns
// line feeds and tabs into "<br>" and "<t>", or removes them. A lead byte of
// the code page with nothing to pair with (at the end of the body, or before
// a converted line feed or tab) is dropped, so that it never swallows the
// "<" of markup the program adds itself.
std::string PreProcessHtml(std::string_view body, bool convertLineBreaks, const CodePage& cp = CodePage(),
                           const HtmlEntityTable& entities = HtmlEntityTable());

// Outside text (a file name, an address) as a body that shows it literally:
// "<" becomes the scanner's "<<", and every "&" is followed by an empty
// unknown tag, so no entity (nor "&amp;" then "lt;") can be formed from it.
std::string EscapeHtmlText(std::string_view text, const CodePage& cp);

// The next "<table" that does not follow another "<", from a character
// boundary; and just past the "</table>" that closes the one at `start` (the
// end of the body when it is never closed). npos when there is none.
std::size_t FindHtmlTableStart(std::string_view body, std::size_t from, const CodePage& cp);
std::size_t FindHtmlTableEnd(std::string_view body, std::size_t start, const CodePage& cp);
// The next occurrence of `needle` (which begins with "<") that does not follow
// another "<", or npos.
std::size_t FindUnescaped(std::string_view body, std::string_view needle, std::size_t from, const CodePage& cp);

struct HtmlSegment {
    bool table;
    std::string text;
};
std::vector<HtmlSegment> SegmentHtml(std::string_view body, const CodePage& cp);

// What the scanner reports, in body order.
class HtmlEventSink {
public:
    virtual ~HtmlEventSink() = default;
    virtual void OnText(std::string_view run, const HtmlStyle& style) = 0;
    // The style changed; the layout re-creates its font here.
    virtual void OnStyleChanged(const HtmlStyle&) {}
    virtual void OnRule(const HtmlAttributes&, const HtmlStyle&) {}
    virtual void OnLineBreak(int /*count*/, const HtmlStyle&) {}
    virtual void OnTab(int /*count*/, const HtmlStyle&) {}
    virtual void OnPicture(HtmlTagKind, const HtmlAttributes&, const HtmlStyle&) {}
    // A string-table text, laid out as one run that never breaks.
    virtual void OnString(std::string_view, const HtmlStyle&) {}
    virtual void OnTable(std::string_view /*markup*/, const HtmlStyle&) {}
};

class CHtmlScanner {
public:
    using StringLookup = std::function<std::string(unsigned id)>;

    CHtmlScanner(const HtmlStyleSheet& sheet, StringLookup strings);

    void SetLineBreakConversion(bool on) { m_convertLineBreaks = on; }
    bool LineBreakConversion() const { return m_convertLineBreaks; }
    void SetHotLink(int index) { m_hotLink = index; }

    // One pass over a pre-processed body: the style starts from its defaults
    // with the sheet's "body" entry, the stack is emptied and links count from 0.
    void ScanBody(std::string_view body, HtmlEventSink& sink);
    // One text segment, between the "body" tag and its end.
    void ScanTextSegment(std::string_view segment, HtmlEventSink& sink);

    void ResetPass();
    const HtmlStyle& CurrentStyle() const { return m_style; }
    // Tables save their styles on the same stack as tags do: the current
    // style is copied under the key; popping by a key that is not on top
    // does nothing.
    HtmlStyle& MutableStyle() { return m_style; }
    void PushStyle(const std::string& key);
    void PopStyle(const std::string& key);
    std::size_t StackDepth() const { return m_stack.size(); }
    int LinkCounter() const { return m_linkCounter; }

private:
    void ApplyTag(std::string_view tagText, HtmlEventSink& sink);
    void OpenContainer(const HtmlTagInfo& tag, std::string_view attributes, HtmlEventSink& sink);
    void CloseContainer(const HtmlTagInfo& tag, HtmlEventSink& sink);
    void ApplyFontAttributes(const HtmlAttributes& attributes);
    void ApplyStyleLetters(std::string_view letters);
    int ReadCount(std::string_view attributeText) const;

    const HtmlStyleSheet& m_sheet;
    StringLookup m_strings;
    bool m_convertLineBreaks = true;
    int m_hotLink = -1;
    int m_linkCounter = -1;
    HtmlStyle m_style;
    std::vector<HtmlStyle> m_stack;
};

}  // namespace fh
