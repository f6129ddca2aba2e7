// Tables of the layout engine: finding rows and cells in the markup, the
// grid with its spans, column widths and row heights, and drawing.

#include <algorithm>
#include <climits>

#include "html/html_layout.h"

namespace fh {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// Deeper tables take no room: the stack stays bounded, whatever the markup.
constexpr int kMaxTableDepth = 48;

int Clamp(std::int64_t v) { return static_cast<int>(std::max<std::int64_t>(0, std::min<std::int64_t>(v, INT_MAX / 4))); }

// The first occurrence of `needle` at the table's own level before `end`:
// nested tables are skipped whole. Every search stays before `end`, so the
// walks over rows and cells stay linear in the markup. npos when there is none.
std::size_t FindAtLevel(std::string_view text, std::string_view needle, std::size_t from, std::size_t end,
                        const CodePage& cp) {
    const std::string_view bounded = text.substr(0, std::min(end, text.size()));
    std::size_t pos = from;
    while (pos < bounded.size()) {
        const std::size_t hit = FindUnescaped(bounded, needle, pos, cp);
        if (hit == npos) return npos;
        const std::size_t nested = FindHtmlTableStart(bounded.substr(0, hit), pos, cp);
        if (nested == npos) return hit;
        pos = FindHtmlTableEnd(bounded, nested, cp);
    }
    return npos;
}

// The attribute text of a tag starting at `at` (after its name) and the
// position just past its ">".
std::pair<std::string_view, std::size_t> TagAt(std::string_view text, std::size_t at, std::size_t nameLength,
                                               const CodePage& cp) {
    const std::size_t gt = cp.Find(text, '>', at + nameLength);
    if (gt == npos) return {text.substr(at + nameLength), text.size()};
    return {text.substr(at + nameLength, gt - at - nameLength), gt + 1};
}

void NormaliseBorder(HtmlStyle& style, bool isCell) {
    if (style.borderStyle == 0 || style.borderWidth == 0) {
        style.borderStyle = 0;
        style.borderWidth = 0;
    } else if (style.borderStyle != 1) {
        style.borderWidth = 1;
    }
    if (isCell && style.borderWidth != 0) style.borderWidth = 1;
}

int BorderThickness(const HtmlStyle& style) {
    return style.borderStyle == 6 ? 3 * style.borderWidth : style.borderWidth;
}

int SpanValue(const HtmlAttributes& attributes, const char* name, const HtmlStyleSheet& sheet) {
    int span = 1;
    for (const auto& a : attributes)
        if (a.first == name) span = sheet.ReadLength(a.second, 1, false);
    // Spans below 1 count as 1.
    return std::max(1, span);
}

}  // namespace

HtmlTableParts SplitHtmlTable(std::string_view table, const CodePage& cp) {
    HtmlTableParts parts;
    if (table.size() < 6) return parts;
    const auto open = TagAt(table, 0, 6, cp);
    parts.tag = open.first;
    // The table's own closing tag ends its rows.
    std::size_t end = table.size();
    const std::size_t close = FindAtLevel(table, "</table", open.second, table.size(), cp);
    if (close != npos) end = close;
    std::size_t pos = open.second;
    for (;;) {
        const std::size_t rowStart = FindAtLevel(table, "<tr", pos, end, cp);
        if (rowStart == npos) break;
        const auto rowTag = TagAt(table, rowStart, 3, cp);
        // A row without its "</tr" ends where the next one starts.
        const std::size_t nextRow = FindAtLevel(table, "<tr", rowTag.second, end, cp);
        const std::size_t rowLimit = nextRow == npos ? end : nextRow;
        std::size_t rowEnd = FindAtLevel(table, "</tr", rowTag.second, rowLimit, cp);
        if (rowEnd == npos) rowEnd = rowLimit;
        HtmlTableRow row;
        row.tag = rowTag.first;
        std::size_t cellPos = rowTag.second;
        for (;;) {
            const std::size_t cellStart = FindAtLevel(table, "<td", cellPos, rowEnd, cp);
            if (cellStart == npos) break;
            const auto cellTag = TagAt(table, cellStart, 3, cp);
            const std::size_t contentStart = std::min(cellTag.second, rowEnd);
            const std::size_t nextCell = FindAtLevel(table, "<td", contentStart, rowEnd, cp);
            const std::size_t cellLimit = nextCell == npos ? rowEnd : nextCell;
            std::size_t cellEnd = FindAtLevel(table, "</td", contentStart, cellLimit, cp);
            if (cellEnd == npos) cellEnd = cellLimit;
            row.cells.push_back({cellTag.first, table.substr(contentStart, cellEnd - contentStart)});
            cellPos = cellEnd > cellStart ? cellEnd : cellStart + 3;
        }
        parts.rows.push_back(std::move(row));
        pos = rowEnd > rowStart ? rowEnd : rowStart + 3;
    }
    return parts;
}

int BackgroundEffectKeyword(std::string_view word, int current, const HtmlStyleSheet& sheet) {
    static const char* const kNames[] = {"solid",    "hgradient", "vgradient", "hcgradient", "vcgradient", "3hgradient",
                                         "3vgradient", "noise",   "diagshade", "hshade",     "vshade",     "hbump",
                                         "vbump",    "softbump",  "hardbump",  "metal"};
    if (word.empty()) return current;
    if (word == "transparent") return -1;
    for (int i = 0; i < 16; ++i)
        if (word == kNames[i]) return i;
    return sheet.ReadLength(word, current, false);
}

void ApplyTableAttributes(HtmlStyle& style, const HtmlAttributes& attributes, bool isTable, bool isCell,
                          const HtmlStyleSheet& sheet) {
    (void)isCell;
    const bool colours = sheet.ColorsEnabled();
    for (const auto& a : attributes) {
        const std::string& name = a.first;
        const std::string& v = a.second;
        if (name == "border") {
            HtmlStyleSheet::SetBorderWidth(style, sheet.ReadLength(v, style.borderWidth, false));
        } else if (name == "borderstyle") {
            HtmlStyleSheet::SetBorderStyle(style, BorderStyleKeyword(v, style.borderStyle));
        } else if (name == "bordercolor") {
            style.borderLight = style.borderDark = colours ? sheet.ReadColor(v, style.borderLight) : sheet.DisabledColor();
        } else if (name == "bordercolorlight") {
            style.borderLight = colours ? sheet.ReadColor(v, style.borderLight) : sheet.DisabledColor();
        } else if (name == "bordercolordark") {
            style.borderDark = colours ? sheet.ReadColor(v, style.borderDark) : sheet.DisabledColor();
        } else if (name == "bgcolor") {
            if (!colours) continue;
            style.backgroundColor = sheet.ReadColor(v, style.backgroundColor);
            if (style.backgroundEffect < 0) style.backgroundEffect = 0;
        } else if (name == "bgmidcolor") {
            if (colours) style.backgroundMiddle = sheet.ReadColor(v, style.backgroundMiddle);
        } else if (name == "bgendcolor") {
            if (colours) style.backgroundEnd = sheet.ReadColor(v, style.backgroundEnd);
        } else if (name == "bgeffect") {
            if (colours) style.backgroundEffect = BackgroundEffectKeyword(v, style.backgroundEffect, sheet);
        } else if (name == "align") {
            style.textAlign = TextAlignKeyword(v, style.textAlign);
        } else if (name == "valign") {
            style.verticalAlign = VerticalAlignKeyword(v, style.verticalAlign);
        } else if (name == "width") {
            style.width = sheet.ReadLength(v, style.width, false);
        } else if (name == "height") {
            style.height = sheet.ReadLength(v, style.height, false);
        } else if (isTable && name == "cellpadding") {
            style.margin = sheet.ReadLength(v, style.margin, false);
        } else if (isTable && name == "cellspacing") {
            style.padding = sheet.ReadLength(v, style.padding, false);
        } else if (isTable && name == "background") {
            style.backgroundPicture = v;
        }
    }
}

void HtmlLayoutEngine::ReadTableTag(std::string_view tag, const char* key, bool isTable, bool isCell) {
    m_scanner.PushStyle(key);
    HtmlStyle& style = m_scanner.MutableStyle();
    if (isTable) m_sheet.ApplySelector("table", style);
    if (isCell) style.width = style.height = 0;
    ApplyTableAttributes(style, ReadHtmlAttributes(tag, m_sheet.Cp()), isTable, isCell, m_sheet);
    NormaliseBorder(style, isCell);
    style.margin = std::max(0, std::min(style.margin, 10000));
    style.padding = std::max(0, std::min(style.padding, 10000));
    style.width = std::max(0, std::min(style.width, 100000));
    style.height = std::max(0, std::min(style.height, 100000));
    ApplyFont(style);
}

void HtmlLayoutEngine::PopTableTag(const char* key) {
    m_scanner.PopStyle(key);
    ApplyFont(m_scanner.CurrentStyle());
}

void HtmlLayoutEngine::MeasureTable(const HtmlTableParts& parts, TableRecord& record) {
    const std::size_t rows = parts.rows.size();
    std::size_t cells = 0;
    for (const HtmlTableRow& row : parts.rows) cells += row.cells.size();
    if (rows == 0 || cells == 0) return;
    // The columns are the largest sum of column spans of one row. Only what
    // would make memory outgrow the markup is capped: a span beyond a ceiling
    // (as browsers cap them) and a grid beyond a fixed number of cells.
    constexpr std::size_t kMaxSpan = 1000;
    constexpr std::size_t kMaxGridCells = std::size_t{1} << 20;
    std::vector<std::vector<HtmlAttributes>> attributes(rows);
    std::size_t columns = 0, widestRow = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        std::size_t sum = 0;
        for (const HtmlTableCell& cell : parts.rows[r].cells) {
            attributes[r].push_back(ReadHtmlAttributes(cell.tag, m_sheet.Cp()));
            sum += std::min(static_cast<std::size_t>(SpanValue(attributes[r].back(), "colspan", m_sheet)), kMaxSpan);
        }
        columns = std::max(columns, sum);
        widestRow = std::max(widestRow, parts.rows[r].cells.size());
    }
    // Every cell of the widest row always has a column of its own.
    const std::size_t maxColumns = std::max(widestRow, std::min(kMaxSpan, kMaxGridCells / rows));
    columns = std::min(columns, maxColumns);
    CellRecord empty;
    empty.colSpan = empty.rowSpan = 0;
    record.grid.assign(rows, std::vector<CellRecord>(columns, empty));
    record.columnWidths.assign(columns, 0);
    record.rowHeights.assign(rows, 0);
    record.fixedColumns.assign(columns, false);
    record.cellColumns.assign(rows, {});
    // Row spans from above can push a row's cells past the counted columns:
    // the grid grows to hold them.
    auto growTo = [&](std::size_t wanted) {
        if (wanted <= columns) return;
        columns = wanted;
        for (auto& row : record.grid) row.resize(columns, empty);
        record.columnWidths.resize(columns, 0);
        record.fixedColumns.resize(columns, false);
    };

    struct Placed {
        std::size_t row, column;
    };
    std::vector<Placed> placed;
    for (std::size_t r = 0; r < rows; ++r) {
        ReadTableTag(parts.rows[r].tag, "tr", false, false);
        std::size_t c = 0;
        for (std::size_t i = 0; i < parts.rows[r].cells.size(); ++i) {
            while (c < columns && record.grid[r][c].covered) ++c;
            if (c >= maxColumns) {
                record.cellColumns[r].push_back(-1);
                continue;
            }
            growTo(c + 1);
            // Spans stop at the grid's edge and before a place a row span
            // from above has taken.
            std::size_t colSpan =
                std::min<std::size_t>(static_cast<std::size_t>(SpanValue(attributes[r][i], "colspan", m_sheet)), columns - c);
            for (std::size_t k = 1; k < colSpan; ++k)
                if (record.grid[r][c + k].covered) {
                    colSpan = k;
                    break;
                }
            const std::size_t rowSpan =
                std::min<std::size_t>(static_cast<std::size_t>(SpanValue(attributes[r][i], "rowspan", m_sheet)), rows - r);
            CellRecord& cell = record.grid[r][c];
            cell.colSpan = static_cast<int>(colSpan);
            cell.rowSpan = static_cast<int>(rowSpan);
            LayoutCell(parts.rows[r].cells[i], cell, HtmlRect{});
            for (std::size_t rr = r; rr < r + rowSpan; ++rr)
                for (std::size_t cc = c; cc < c + colSpan; ++cc) {
                    CellRecord& covered = record.grid[rr][cc];
                    if (rr == r && cc == c) continue;
                    if (covered.covered || covered.colSpan > 0) continue;
                    covered.covered = true;
                    covered.colSpan = covered.rowSpan = -1;
                }
            cell.covered = true;
            record.cellColumns[r].push_back(static_cast<int>(c));
            placed.push_back({r, c});
            c += colSpan;
        }
        PopTableTag("tr");
    }

    // Narrower spans first; within a span, in grid order.
    auto bySpan = [&](bool columnsPass) {
        std::vector<Placed> order = placed;
        std::stable_sort(order.begin(), order.end(), [&](const Placed& a, const Placed& b) {
            const CellRecord& ca = record.grid[a.row][a.column];
            const CellRecord& cb = record.grid[b.row][b.column];
            return columnsPass ? ca.colSpan < cb.colSpan : ca.rowSpan < cb.rowSpan;
        });
        return order;
    };
    for (const Placed& p : bySpan(true)) {
        const CellRecord& cell = record.grid[p.row][p.column];
        const std::size_t s = static_cast<std::size_t>(cell.colSpan);
        if (cell.fixed)
            for (std::size_t k = 0; k < s; ++k) record.fixedColumns[p.column + k] = true;
        std::int64_t sum = 0;
        for (std::size_t k = 0; k < s; ++k) sum += record.columnWidths[p.column + k];
        if (sum >= cell.outerWidth) continue;
        const std::int64_t difference = cell.outerWidth - sum;
        for (std::size_t k = 0; k < s; ++k)
            record.columnWidths[p.column + k] = Clamp(record.columnWidths[p.column + k] + difference / static_cast<std::int64_t>(s));
        record.columnWidths[p.column + s - 1] =
            Clamp(record.columnWidths[p.column + s - 1] + difference % static_cast<std::int64_t>(s));
    }
    for (const Placed& p : bySpan(false)) {
        const CellRecord& cell = record.grid[p.row][p.column];
        const std::size_t s = static_cast<std::size_t>(cell.rowSpan);
        std::int64_t sum = 0;
        for (std::size_t k = 0; k < s; ++k) sum += record.rowHeights[p.row + k];
        if (sum >= cell.outerHeight) continue;
        const std::int64_t difference = cell.outerHeight - sum;
        for (std::size_t k = 0; k < s; ++k)
            record.rowHeights[p.row + k] = Clamp(record.rowHeights[p.row + k] + difference / static_cast<std::int64_t>(s));
        record.rowHeights[p.row] = Clamp(record.rowHeights[p.row] + difference % static_cast<std::int64_t>(s));
    }
}

HtmlSize HtmlLayoutEngine::LayoutTable(std::string_view markup, const Frame& frame) {
    const int number = ++m_tableCounter;
    if (m_depth >= kMaxTableDepth) return HtmlSize{};
    ++m_depth;
    const HtmlTableParts parts = SplitHtmlTable(markup, m_sheet.Cp());
    ReadTableTag(parts.tag, "table", true, false);
    const HtmlStyle style = m_scanner.CurrentStyle();
    const std::int64_t spacing = style.padding;
    const std::int64_t thickness = BorderThickness(style);

    if (Measuring()) {
        if (m_tables.size() <= static_cast<std::size_t>(number)) m_tables.resize(static_cast<std::size_t>(number) + 1);
        TableRecord record;
        MeasureTable(parts, record);
        if (!record.columnWidths.empty() && !record.rowHeights.empty()) {
            std::int64_t width = 0, height = 0;
            for (int w : record.columnWidths) width += w;
            for (int h : record.rowHeights) height += h;
            const std::int64_t columns = static_cast<std::int64_t>(record.columnWidths.size());
            const std::int64_t rows = static_cast<std::int64_t>(record.rowHeights.size());
            record.width = Clamp((columns + 1) * spacing + (columns - 1) + width + 2 * thickness);
            record.height = Clamp((rows + 1) * spacing + (rows - 1) + height + 2 * thickness);
        }
        const HtmlSize size{record.width, record.height};
        m_tables[static_cast<std::size_t>(number)] = std::move(record);
        PopTableTag("table");
        --m_depth;
        return size;
    }

    // An empty table (or one the measure pass never saw) takes no room.
    if (static_cast<std::size_t>(number) >= m_tables.size() || m_tables[static_cast<std::size_t>(number)].width == 0) {
        PopTableTag("table");
        --m_depth;
        return HtmlSize{};
    }
    TableRecord& record = m_tables[static_cast<std::size_t>(number)];
    std::vector<int> widths = record.columnWidths;
    int width = record.width;
    const int height = record.height;
    const int available = frame.Available();
    if (width < available) {
        std::int64_t difference = available - width;
        std::int64_t free = std::count(record.fixedColumns.begin(), record.fixedColumns.end(), false);
        for (std::size_t c = 0; c < widths.size() && free > 0; ++c) {
            if (record.fixedColumns[c]) continue;
            const std::int64_t add = difference / free--;
            widths[c] = Clamp(widths[c] + add);
            difference -= add;
            width = Clamp(static_cast<std::int64_t>(width) + add);
        }
    }
    int left = frame.left;
    if (width < available) {
        if (style.textAlign == 1) left += (available - width) / 2;
        else if (style.textAlign == 2) left = frame.right - width;
    }
    const HtmlRect table{left, frame.top, left + width, frame.top + height};
    if (style.backgroundEffect < 0) {
        if (!style.backgroundPicture.empty()) m_canvas.TileBackgroundPicture(table, style.backgroundPicture);
    } else {
        m_canvas.FillBackground(table, style);
    }
    if (style.borderWidth > 0) {
        const bool colours = m_sheet.ColorsEnabled();
        m_canvas.FrameRect(table, colours ? style.borderLight : m_sheet.DisabledColor(),
                           colours ? style.borderDark : m_sheet.DisabledColor(), style.borderStyle, style.borderWidth);
    }
    const std::int64_t innerLeft = table.left + thickness, innerTop = table.top + thickness;
    for (std::size_t r = 0; r < parts.rows.size() && r < record.grid.size(); ++r) {
        ReadTableTag(parts.rows[r].tag, "tr", false, false);
        for (std::size_t i = 0; i < parts.rows[r].cells.size() && i < record.cellColumns[r].size(); ++i) {
            const int column = record.cellColumns[r][i];
            if (column < 0) continue;
            CellRecord& cell = record.grid[r][static_cast<std::size_t>(column)];
            std::int64_t cellLeft = innerLeft + spacing, cellTop = innerTop + spacing;
            for (int c = 0; c < column; ++c) cellLeft += spacing + widths[static_cast<std::size_t>(c)] + 1;
            for (std::size_t rr = 0; rr < r; ++rr) cellTop += spacing + record.rowHeights[rr] + 1;
            std::int64_t cellWidth = (cell.colSpan - 1) * (spacing + 1), cellHeight = (cell.rowSpan - 1) * (spacing + 1);
            for (int k = 0; k < cell.colSpan; ++k) cellWidth += widths[static_cast<std::size_t>(column + k)];
            for (int k = 0; k < cell.rowSpan; ++k) cellHeight += record.rowHeights[r + static_cast<std::size_t>(k)];
            const HtmlRect rect{Clamp(cellLeft), Clamp(cellTop), Clamp(cellLeft + cellWidth), Clamp(cellTop + cellHeight)};
            LayoutCell(parts.rows[r].cells[i], cell, rect);
        }
        PopTableTag("tr");
    }
    PopTableTag("table");
    --m_depth;
    return HtmlSize{table.Width(), table.Height()};
}

void HtmlLayoutEngine::LayoutCell(const HtmlTableCell& cell, CellRecord& record, const HtmlRect& rect) {
    ReadTableTag(cell.tag, "td", false, true);
    const HtmlStyle style = m_scanner.CurrentStyle();
    const int padding = style.margin;
    const int border = style.borderWidth;
    if (Measuring()) {
        record.fixed = style.width > 0;
        Frame frame;
        frame.right = style.width;
        const HtmlSize content = LayoutParts(cell.content, frame);
        record.contentWidth = std::max(style.width, content.width);
        record.contentHeight = content.height;
        record.outerWidth = Clamp(static_cast<std::int64_t>(record.contentWidth) + 2 * border + 2 * padding);
        record.outerHeight =
            Clamp(static_cast<std::int64_t>(std::max(style.height, content.height)) + 2 * border + 2 * padding);
        PopTableTag("td");
        return;
    }
    if (style.backgroundEffect >= 0) m_canvas.FillBackground(rect, style);
    // Cells look sunken in a raised table: the dark colour on the top-left.
    if (style.borderStyle != 0) {
        const bool colours = m_sheet.ColorsEnabled();
        m_canvas.FrameRect(rect, colours ? style.borderDark : m_sheet.DisabledColor(),
                           colours ? style.borderLight : m_sheet.DisabledColor(), style.borderStyle, 1);
    }
    HtmlRect content{rect.left + padding + border, rect.top + padding + border, rect.right - padding - border,
                     rect.bottom - padding - border};
    if (style.verticalAlign == 1) content.top += (content.Height() - record.contentHeight) / 2;
    else if (style.verticalAlign == 2) content.top = content.bottom - record.contentHeight;
    Frame frame;
    frame.left = content.left;
    frame.top = content.top;
    frame.right = content.right;
    LayoutParts(cell.content, frame);
    PopTableTag("td");
}

}  // namespace fh
