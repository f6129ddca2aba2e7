#pragma once
// An edit text's content and settings as a movie defines them and its
// scripts change them: characters each with a format (what TextFormat
// shows), paragraphs ended by '\r', and Flash's HTML subset read and
// written back in the form the players give it. Text and formats are
// capped, so a script cannot grow a field without end.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "swf/swf_types.h"

namespace fh {

// The fields of a format, as bits: a range of mixed formats has some unset.
enum SwfFormatField : std::uint32_t {
    kFmtFont = 1u << 0,
    kFmtSize = 1u << 1,
    kFmtColor = 1u << 2,
    kFmtBold = 1u << 3,
    kFmtItalic = 1u << 4,
    kFmtUnderline = 1u << 5,
    kFmtUrl = 1u << 6,
    kFmtTarget = 1u << 7,
    kFmtAlign = 1u << 8,
    kFmtLeftMargin = 1u << 9,
    kFmtRightMargin = 1u << 10,
    kFmtIndent = 1u << 11,
    kFmtLeading = 1u << 12,
    kFmtBlockIndent = 1u << 13,
    kFmtBullet = 1u << 14,
    kFmtTabStops = 1u << 15,
    kFmtKerning = 1u << 16,
    kFmtLetterSpacing = 1u << 17,
    kFmtAll = (1u << 18) - 1,
    // Those that belong to a whole paragraph.
    kFmtParagraph = kFmtAlign | kFmtLeftMargin | kFmtRightMargin | kFmtIndent | kFmtLeading | kFmtBlockIndent |
                    kFmtBullet | kFmtTabStops,
};

enum class SwfAlign : std::uint8_t { Left, Right, Center, Justify };

struct SwfTextFormat {
    std::string font = "Times New Roman";
    double size = 12;  // pixels
    std::uint32_t color = 0;  // 0xRRGGBB
    bool bold = false, italic = false, underline = false;
    std::string url, target;
    SwfAlign align = SwfAlign::Left;
    double leftMargin = 0, rightMargin = 0, indent = 0, leading = 0, blockIndent = 0;  // pixels
    bool bullet = false;
    std::vector<double> tabStops;
    bool kerning = false;
    double letterSpacing = 0;

    // The fields where the two differ.
    std::uint32_t Differences(const SwfTextFormat& o) const;
    // Takes the fields of `mask` from `from`.
    void Apply(const SwfTextFormat& from, std::uint32_t mask);
};

// A format some of whose fields are given (a TextFormat object, a range's common format).
struct SwfFormatPatch {
    SwfTextFormat format;
    std::uint32_t mask = 0;
};

// What a field's layout measured.
struct SwfTextMetrics {
    double width = 0, height = 0;  // the text's, in twips (textWidth, textHeight)
    int lines = 1;
    int visibleLines = 1;  // those the field's height shows from its scroll line
    std::uint32_t glyphs = 0;  // placed
};

enum class SwfAutoSize : std::uint8_t { None, Left, Center, Right };

struct SwfEditText {
    // What the field holds at most: characters, distinct formats, HTML input read.
    static constexpr std::size_t kMaxChars = 1u << 20;
    static constexpr std::size_t kMaxFormats = 512;
    static constexpr std::size_t kMaxHtmlNesting = 64;

    SwfRect bounds;  // twips, in the field's own space
    std::uint16_t fontId = 0;  // the definition's font (0: none)
    bool wordWrap = false, multiline = false, password = false, input = false, selectable = true;
    bool border = false, background = false, html = false, embedFonts = false, condenseWhite = false;
    bool autoSizeFlag = false;  // the definition's: the field grows with its text
    SwfAutoSize autoSize = SwfAutoSize::None;
    std::uint32_t borderColor = 0, backgroundColor = 0xFFFFFF;
    int maxChars = 0;  // 0: no limit
    std::string variable;  // the variable it shows ("" for none)
    std::string initialText;  // the definition's (HTML in an HTML field), shown again when bound anew
    std::string restrict;
    bool restrictSet = false;  // restrict was given (null otherwise)
    int scroll = 1, hscroll = 0;
    int selectionBegin = 0, selectionEnd = 0;  // while it has the focus
    std::string antiAliasType = "normal", gridFitType = "pixel";
    double sharpness = 0, thickness = 0;

    SwfTextFormat newFormat;  // what text set later is given

    // The characters ('\r' ends a paragraph) and the format of each.
    const std::u32string& Chars() const { return m_chars; }
    const SwfTextFormat& FormatAt(std::size_t index) const;
    std::size_t Length() const { return m_chars.size(); }

    // Plain text: "\r\n" and "\n" end paragraphs as '\r' does; the new
    // format for all of it (the first character's, when there was text).
    void SetText(const std::u32string& text);
    // Replaces [begin, end) by text in the new format (clamped).
    void Replace(std::size_t begin, std::size_t end, const std::u32string& text);
    // Reads Flash's HTML subset; text outside tags in the new format and those the tags set.
    void SetHtml(const std::string& utf8);
    // The HTML the players give for the content (UTF-8).
    std::string Html() const;
    // The format [begin, end) shares; fields that differ are unset. An empty range gives none.
    SwfFormatPatch FormatOf(std::size_t begin, std::size_t end) const;
    // The given fields over [begin, end); paragraph fields over the whole
    // paragraphs the range touches.
    void SetFormat(std::size_t begin, std::size_t end, const SwfFormatPatch& patch);

private:
    std::uint32_t Intern(const SwfTextFormat& f);
    void Compact();
    void Insert(std::size_t at, const std::u32string& text, std::uint32_t format);

    std::u32string m_chars;
    std::vector<std::uint32_t> m_formatOf;
    std::vector<SwfTextFormat> m_formats;
    std::uint32_t m_compactions = 0;
};

// UTF-8 to characters and back (malformed bytes become U+FFFD).
std::u32string SwfUtf8ToChars(const std::string& utf8);
std::string SwfCharsToUtf8(const std::u32string& chars);

}  // namespace fh
