#pragma once
// The renderer's layout engine: the text flow (lines of runs, rules, tabs,
// breaks, strings and pictures), tables and picture boxes, in two passes
// over a body. The measure pass records every line and every cut it made;
// the draw pass lays out exactly those lines again, aligned and justified,
// and puts the pixels down through a canvas. All the arithmetic is here; the
// canvas only measures text, makes fonts, loads pictures and draws.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "html/html_markup.h"
#include "html/html_style.h"

namespace fh {

struct HtmlSize {
    int width = 0;
    int height = 0;
};

struct HtmlRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// A picture tag's attributes (bmp, icon, ilst).
struct HtmlPicture {
    HtmlTagKind kind = HtmlTagKind::Bitmap;
    int index = 0;
    int idres = 0;
    int iddll = 0;
    std::uint64_t handle = 0;
    std::string file;
    std::string srcdll;
    bool useMask = false;
    HtmlColor mask = 0xFF00FF;
    unsigned style = 0;
    unsigned hotStyle = 0;
    int cx = 0, cy = 0;
    int width = 100;
    bool widthPercent = true;
    int height = 100;
    bool heightPercent = true;
    int speed = 0;
};

// What the layout needs from the device: fonts, text extents, pictures and
// the drawing of everything.
class HtmlCanvas {
public:
    virtual ~HtmlCanvas() = default;
    // Makes and selects the font of the style; sets the colours and the mode.
    virtual void SetStyle(const HtmlStyle& style) = 0;
    virtual int FontHeight() = 0;
    virtual int FontAscent() = 0;
    // The extent of the text in the current font, with the justification in force.
    virtual HtmlSize TextExtent(std::string_view text) = 0;
    // Spreads `extra` pixels over the next `breaks` spaces; 0, 0 turns it off.
    virtual void SetJustification(int extra, int breaks) = 0;
    virtual void DrawText(int x, int y, std::string_view text) = 0;
    virtual void DrawOverline(int x, int y, int width, HtmlColor color, int penWidth) = 0;
    virtual void DrawRule(int x1, int y, int x2, HtmlColor color, int size) = 0;
    // The size of the picture as loaded (an icon at the requested size);
    // 0 x 0 when it cannot be loaded.
    virtual HtmlSize PictureSize(const HtmlPicture& picture, int requestedWidth, int requestedHeight) = 0;
    // Draws the picture (the cell `cell` of a strip) into the box.
    virtual void DrawPicture(const HtmlPicture& picture, int cell, int cellWidth, int cellHeight, int x, int y,
                             int width, int height, unsigned effects) = 0;
    virtual int SystemIconWidth() = 0;
    virtual int SystemIconHeight() = 0;
    virtual void FillBackground(const HtmlRect& rect, const HtmlStyle& style) = 0;
    virtual void FrameRect(const HtmlRect& rect, HtmlColor topLeft, HtmlColor bottomRight, int style, int width) = 0;
    virtual void TileBackgroundPicture(const HtmlRect& rect, const std::string& description) = 0;
};

// One laid-out line.
struct HtmlLine {
    int width = 0;
    int height = 0;
    int descent = 0;
    int rulePercent = 0;
    int alignment = 0;
    int gapCount = 0;
    int justify = 0;
};

struct HotArea {
    HtmlRect rect;
    int kind = 0;
    int index = 0;
    std::string target;
};

struct ImageAnimation {
    int frame = 0;
    int frameCount = 0;
    int ticks = 0;
    int speed = 0;
};

// The shadow the renderer gives pictures with "s" in their style.
struct PictureShadow {
    int dx = 4;
    int dy = 4;
    bool soft = true;
};

// Image style letters: g gray, d darken, l lighten, s shadow.
unsigned ImageStyleFlags(std::string_view letters, const PictureShadow& shadow);
HtmlPicture ReadHtmlPicture(HtmlTagKind kind, const HtmlAttributes& attributes, const HtmlStyleSheet& sheet,
                            const PictureShadow& shadow);

// Parts of a table's markup, found at the table's own level (nested tables
// skipped, escaped "<" ignored).
struct HtmlTableCell {
    std::string_view tag;      // the attribute text of its <td ...>
    std::string_view content;  // up to its </td
};
struct HtmlTableRow {
    std::string_view tag;
    std::vector<HtmlTableCell> cells;
};
struct HtmlTableParts {
    std::string_view tag;
    std::vector<HtmlTableRow> rows;
};
HtmlTableParts SplitHtmlTable(std::string_view table, const CodePage& cp);

class HtmlLayoutEngine : public HtmlEventSink {
public:
    HtmlLayoutEngine(CHtmlScanner& scanner, const HtmlStyleSheet& sheet, HtmlCanvas& canvas);

    void SetMaxWidth(int width) { m_maxWidth = width; }
    int MaxWidth() const { return m_maxWidth; }
    void SetTabWidth(int width) { m_tabWidth = width; }
    void SetShadow(const PictureShadow& shadow) { m_shadow = shadow; }
    void SetHotLink(int index);

    // The size the pre-processed body needs (measure pass).
    HtmlSize Measure(std::string_view body);
    // Lays the body out again in the rectangle (draw pass); the lines, cuts
    // and tables are those of the last measure.
    void Draw(std::string_view body, const HtmlRect& rect);

    const std::vector<HtmlLine>& Lines() const { return m_lines; }
    const std::vector<HotArea>& HotAreas() const { return m_hotAreas; }
    std::vector<ImageAnimation>& Animations() { return m_animations; }

    // HtmlEventSink
    void OnText(std::string_view run, const HtmlStyle& style) override;
    void OnStyleChanged(const HtmlStyle& style) override;
    void OnRule(const HtmlAttributes& attributes, const HtmlStyle& style) override;
    void OnLineBreak(int count, const HtmlStyle& style) override;
    void OnTab(int count, const HtmlStyle& style) override;
    void OnPicture(HtmlTagKind kind, const HtmlAttributes& attributes, const HtmlStyle& style) override;
    void OnString(std::string_view text, const HtmlStyle& style) override;

    // Advances the animated strips; true when one changed its frame.
    bool AnimationStep();

    // The cuts of the measure pass, replayed by the draw pass.
    struct Piece {
        int length = 0;           // bytes of the run drawn as this piece
        int consumed = 0;         // bytes of the run it uses up (spaces at the cut included)
        int start = 0;            // pen offset from the line's start, in the measure pass
        bool last = false;        // the last element of its line
        bool wrapBefore = false;  // (pictures) the line ended before it
    };

private:
    struct CellRecord {
        int colSpan = 1, rowSpan = 1;
        int contentWidth = 0, contentHeight = 0;
        int outerWidth = 0, outerHeight = 0;
        bool fixed = false;
        bool covered = false;
    };
    struct TableRecord {
        std::vector<std::vector<CellRecord>> grid;
        std::vector<int> columnWidths;
        std::vector<int> rowHeights;
        std::vector<bool> fixedColumns;
        // The column each <td> of a row went to; -1 for one left out.
        std::vector<std::vector<int>> cellColumns;
        int width = 0;
        int height = 0;
    };
    struct Cut {
        std::size_t length = 0;
        std::size_t consumed = 0;
        int width = 0;
    };
    struct Frame {
        int left = 0, top = 0, right = 0;
        int Available() const { return right - left; }
    };

    void RunPass(std::string_view body, const Frame& frame);
    HtmlSize LayoutParts(std::string_view text, const Frame& frame);
    HtmlSize LayoutSegment(std::string_view segment, const Frame& frame);
    HtmlSize LayoutTable(std::string_view markup, const Frame& frame);
    // Measures the cell into its record, or draws it into its rectangle.
    void LayoutCell(const HtmlTableCell& cell, CellRecord& record, const HtmlRect& rect);
    void ReadTableTag(std::string_view tag, const char* key, bool isTable, bool isCell);
    void PopTableTag(const char* key);
    void MeasureTable(const HtmlTableParts& parts, TableRecord& record);

    void StartLine();
    void EndLine(int count);
    bool Measuring() const { return !m_drawing; }
    int RunY(int height) const;
    int PictureY(int height) const;
    void AddHotArea(int x, int y, int width, int height, const HtmlStyle& style);
    Piece NextPiece();
    Cut CutRun(std::string_view run, int room, bool lineEmpty);
    int WidthUpTo(std::string_view run, int room);
    void NotePiece(const Piece& piece);
    void ApplyFont(const HtmlStyle& style);

    CHtmlScanner& m_scanner;
    const HtmlStyleSheet& m_sheet;
    HtmlCanvas& m_canvas;
    int m_maxWidth = 0;
    int m_tabWidth = 32;
    PictureShadow m_shadow;
    int m_hotLink = -2;

    bool m_drawing = false;
    Frame m_frame;
    int m_penX = 0, m_penY = 0;
    int m_segmentMaxWidth = 0;
    std::size_t m_segmentFirstLine = 0;
    // The line being laid out: its record, and in the measure pass the
    // largest ascent so far; in the draw pass the gaps still to come.
    HtmlLine m_line;
    int m_lineAscent = 0;
    int m_lineStartX = 0;
    int m_gapsLeft = 0;
    bool m_lineValid = false;
    int m_fontHeight = 0, m_fontAscent = 0;
    HtmlStyle m_style;

    std::vector<HtmlLine> m_lines;
    std::size_t m_lineIndex = 0;
    std::vector<Piece> m_pieces;
    std::size_t m_pieceIndex = 0;
    std::ptrdiff_t m_lastPieceOnLine = -1;
    std::vector<HotArea> m_hotAreas;
    std::vector<TableRecord> m_tables;
    int m_tableCounter = -1;
    std::vector<ImageAnimation> m_animations;
    int m_animationCounter = -1;
    int m_depth = 0;
    HtmlSize m_passSize;
};

// Applies a table, row or cell tag's attributes to the style (spans aside).
void ApplyTableAttributes(HtmlStyle& style, const HtmlAttributes& attributes, bool isTable, bool isCell,
                          const HtmlStyleSheet& sheet);
int BackgroundEffectKeyword(std::string_view word, int current, const HtmlStyleSheet& sheet);

}  // namespace fh
