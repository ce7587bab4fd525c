#include "pageview/PageView.h"

#include "common/Dpi.h"
#include "common/Gb2312.h"

#include <algorithm>

namespace {

// Text pieces measured per layout; a page cannot make more work.
constexpr int maxPieces = 20000;
constexpr int unlimitedWidth = 1 << 28;
constexpr int maxMeasure = 1 << 20;
// What of a page is laid out at most: far beyond the program's pages.
constexpr std::size_t maxInlines = 4000;
constexpr std::size_t maxTextBytes = 4096;
constexpr std::size_t maxRows = 500;
constexpr std::size_t maxCells = 64;

// The look of the notice pages in the browser, at 96 DPI (the table's is
// tableLook): the browser's default margin and its own font size.
constexpr int noticeMargin = 8;
constexpr int defaultFontPx = 16;

// A piece of text in one style, or a line break when lineBreak is set.
struct Inline {
    std::string text;
    Color color = 0;
    int fontPx = defaultFontPx;
    bool lineBreak = false;
    bool underline = false;
    int link = -1;   // index into Scene::links, -1 when not in a link
    int title = -1;  // index into Scene::titles, -1 when it has none
};

struct Cell {
    std::vector<Inline> content;
    CellAlign align = CellAlign::left;
    int colspan = 1;
    int height = 0;  // at least this high, in pixels
    bool hasBackground = false;
    Color background = 0;
};

struct Row {
    std::vector<Cell> cells;
};

// The page as styled pieces in pixels of the view's DPI: text lines, or the
// table that takes the width between the margins.
struct Scene {
    Color background = 0x00FFFFFF;
    int margin = noticeMargin;
    std::vector<Inline> flow;
    std::vector<Row> rows;
    int cellPadding = 0;
    int cellSpacing = 0;
    std::vector<std::string> links;
    std::vector<std::string> titles;  // lines separated by '\n'
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Builds the scene of a page: the styles the page file gives each text.
class SceneBuilder {
public:
    SceneBuilder(const QuotePageModel& page, int dpi) : page(page), dpi(dpi)
    {
        // A size the browser would not take from the file leaves its own.
        fontPx = px(page.fontPx > 0 ? std::min(page.fontPx, 200) : defaultFontPx);
        scene.background = page.palette.back;
    }

    Scene build()
    {
        if (page.kind == PageKind::quotes)
            table();
        else
            lines();
        return std::move(scene);
    }

private:
    const QuotePageModel& page;
    int dpi;
    int fontPx;
    Scene scene;
    std::size_t inlines = 0;

    int px(int px96) const { return scaleForDpi(px96, dpi); }

    void lines()
    {
        scene.margin = px(noticeMargin);
        for (std::size_t i = 0; i < page.lines.size(); ++i) {
            const PageLine& line = page.lines[i];
            if (i > 0) {
                Inline lineBreak;
                lineBreak.lineBreak = true;
                lineBreak.fontPx = fontPx;
                add(scene.flow, lineBreak);
            }
            add(scene.flow,
                styled(line.text, page.palette.of(line.tone), line.link.empty() ? nullptr : &line.link,
                       nullptr));
        }
    }

    void table()
    {
        scene.margin = px(tableLook::margin);
        scene.cellPadding = px(tableLook::cellPadding);
        scene.cellSpacing = px(tableLook::cellSpacing);
        for (const PageRow& row : page.rows) {
            if (scene.rows.size() >= maxRows)
                break;
            Row& out = scene.rows.emplace_back();
            for (const PageCell& cell : row.cells) {
                if (out.cells.size() >= maxCells)
                    break;
                Cell& c = out.cells.emplace_back();
                c.align = cell.align;
                c.colspan = std::clamp(cell.span, 1, static_cast<int>(maxCells));
                if (row.kind == RowKind::rule) {
                    c.height = px(tableLook::ruleHeight);
                    c.hasBackground = true;
                    c.background = tableLook::ruleColor;
                }
                const Color color = page.palette.of(cell.linked ? Tone::name : row.tone);
                add(c.content,
                    styled(cell.text, color, cell.linked ? &row.link : nullptr,
                           cell.linked || cell.titled ? &row.tooltip : nullptr));
            }
        }
    }

    // text in color, each run of white space as one space; a link is
    // underlined in its colour.
    Inline styled(const std::string& text, Color color, const std::string* link,
                  const std::vector<std::string>* tooltip)
    {
        Inline item;
        for (char c : text) {
            if (item.text.size() >= maxTextBytes)
                break;
            if (!isSpace(c))
                item.text += c;
            else if (item.text.empty() || item.text.back() != ' ')
                item.text += ' ';
        }
        item.color = color;
        item.fontPx = fontPx;
        if (link) {
            item.link = static_cast<int>(scene.links.size());
            scene.links.push_back(*link);
            item.underline = true;
        }
        if (tooltip && !tooltip->empty()) {
            std::string joined;
            for (std::size_t i = 0; i < tooltip->size(); ++i)
                joined.append(i ? "\n" : "").append((*tooltip)[i]);
            item.title = static_cast<int>(scene.titles.size());
            scene.titles.push_back(std::move(joined));
        }
        return item;
    }

    // Text that is empty takes no place.
    void add(std::vector<Inline>& to, Inline item)
    {
        if (inlines >= maxInlines || (!item.lineBreak && item.text.empty()))
            return;
        to.push_back(std::move(item));
        ++inlines;
    }
};

struct LineRun {
    int x = 0;
    int width = 0;
    int height = 0;
    std::string text;
    const Inline* style = nullptr;
};

struct Line {
    std::vector<LineRun> runs;
    int width = 0;
    int height = 0;
};

bool sameStyle(const Inline& a, const Inline& b)
{
    return a.color == b.color && a.fontPx == b.fontPx && a.underline == b.underline &&
           a.link == b.link && a.title == b.title;
}

// Splits text at the places a line may break: around spaces and between
// double-byte characters.
std::vector<std::string> pieces(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t end = i + 1;
        if (c == ' ') {
        } else if (gb2312::isLeadByte(c) && i + 1 < text.size()) {
            end = i + 2;
        } else {
            while (end < text.size() && text[end] != ' ' &&
                   !gb2312::isLeadByte(static_cast<unsigned char>(text[end])))
                ++end;
        }
        out.push_back(text.substr(i, end - i));
        i = end;
    }
    return out;
}

class LineBreaker {
public:
    LineBreaker(const MeasureText& measure, int& budget) : measure(measure), budget(budget) {}

    // Breaks inline content into lines no wider than maxWidth where it can.
    // A space is kept only between two pieces of the same line.
    std::vector<Line> lines(const std::vector<Inline>& items, int maxWidth)
    {
        std::vector<Line> result(1);
        const Inline* spaceStyle = nullptr;
        int spaceWidth = 0;
        for (const Inline& item : items) {
            if (item.lineBreak) {
                Line& last = result.back();
                if (last.height == 0)
                    last.height = size(" ", item.fontPx).height;
                result.emplace_back();
                spaceStyle = nullptr;
                continue;
            }
            for (const std::string& piece : pieces(item.text)) {
                if (budget <= 0)
                    return result;
                --budget;
                if (piece == " ") {
                    if (!result.back().runs.empty() && !spaceStyle) {
                        spaceStyle = &item;
                        spaceWidth = size(piece, item.fontPx).width;
                    }
                    continue;
                }
                TextSize s = size(piece, item.fontPx);
                int before = spaceStyle ? spaceWidth : 0;
                if (result.back().width + before + s.width > maxWidth && !result.back().runs.empty()) {
                    result.emplace_back();
                    spaceStyle = nullptr;
                }
                if (spaceStyle)
                    append(result.back(), " ", {spaceWidth, 0}, *spaceStyle);
                spaceStyle = nullptr;
                append(result.back(), piece, s, item);
            }
        }
        if (result.back().runs.empty() && result.back().height == 0)
            result.pop_back();
        return result;
    }

private:
    const MeasureText& measure;
    int& budget;

    TextSize size(const std::string& text, int fontPx)
    {
        TextSize s = measure(text, fontPx);
        s.width = std::clamp(s.width, 0, maxMeasure);
        s.height = std::clamp(s.height, 0, maxMeasure);
        return s;
    }

    static void append(Line& line, const std::string& text, TextSize s, const Inline& style)
    {
        if (!line.runs.empty() && sameStyle(*line.runs.back().style, style)) {
            LineRun& run = line.runs.back();
            run.text += text;
            run.width += s.width;
            run.height = std::max(run.height, s.height);
        } else {
            LineRun run;
            run.x = line.width;
            run.width = s.width;
            run.height = s.height;
            run.text = text;
            run.style = &style;
            line.runs.push_back(run);
        }
        line.width += s.width;
        line.height = std::max(line.height, s.height);
    }
};

int linesHeight(const std::vector<Line>& lines)
{
    int h = 0;
    for (const Line& l : lines)
        h += l.height;
    return h;
}

int linesWidth(const std::vector<Line>& lines)
{
    int w = 0;
    for (const Line& l : lines)
        w = std::max(w, l.width);
    return w;
}

bool hasContent(const std::vector<Line>& lines)
{
    for (const Line& l : lines)
        if (l.height > 0 || !l.runs.empty())
            return true;
    return false;
}

Rect intersect(const Rect& a, const Rect& b)
{
    Rect r;
    r.left = std::max(a.left, b.left);
    r.top = std::max(a.top, b.top);
    r.right = std::min(a.right, b.right);
    r.bottom = std::min(a.bottom, b.bottom);
    return r;
}

class Layouter {
public:
    Layouter(const Scene& scene, int width, int height, const MeasureText& measure)
        : scene(scene), breaker(measure, budget)
    {
        view.right = std::max(0, width);
        view.bottom = std::max(0, height);
        result.background = scene.background;
    }

    PageLayout run()
    {
        int margin = std::min(scene.margin, 200);
        int x = margin;
        int y = margin;
        int available = std::max(0, view.right - 2 * margin);
        if (y >= view.bottom)
            return result;  // nothing in sight
        if (!scene.flow.empty()) {
            std::vector<Line> lines = breaker.lines(scene.flow, available);
            placeLines(lines, x, y, available, CellAlign::left);
            y += linesHeight(lines);
        }
        if (!scene.rows.empty() && y < view.bottom && budget > 0)
            table(x, y, available);
        return result;
    }

private:
    const Scene& scene;
    int budget = maxPieces;
    LineBreaker breaker;
    Rect view;
    PageLayout result;

    void placeLines(const std::vector<Line>& lines, int left, int top, int width, CellAlign align)
    {
        int y = top;
        for (const Line& line : lines) {
            int x = left;
            if (align == CellAlign::center)
                x += (width - line.width) / 2;
            else if (align == CellAlign::right)
                x += width - line.width;
            for (const LineRun& r : line.runs) {
                Rect rect;
                rect.left = x + r.x;
                rect.right = rect.left + r.width;
                rect.bottom = y + line.height;
                rect.top = rect.bottom - r.height;
                addRun(rect, r);
            }
            y += line.height;
        }
    }

    void addRun(const Rect& rect, const LineRun& r)
    {
        Rect clip = intersect(rect, view);
        if (clip.empty())
            return;
        PageTextRun run;
        run.rect = rect;
        run.clip = clip;
        run.text = r.text;
        run.color = r.style->color;
        run.fontPx = r.style->fontPx;
        run.underline = r.style->underline;
        result.runs.push_back(run);
        if (r.style->link >= 0)
            result.links.push_back({clip, scene.links[static_cast<std::size_t>(r.style->link)]});
        if (r.style->title >= 0)
            result.tips.push_back({clip, scene.titles[static_cast<std::size_t>(r.style->title)]});
    }

    struct CellBox {
        std::vector<Line> lines;
        int column = 0;
        int span = 1;
        int minWidth = 0;  // the widest piece that cannot be broken
        int maxWidth = 0;  // the text on one line
        int needHeight = 0;
    };

    // Makes the columns column..column+span-1 (and the spacing between them)
    // at least need wide, sharing what is missing evenly.
    static void widen(std::vector<int>& widths, int column, int span, int spacing, int need)
    {
        int have = spacing * (span - 1);
        for (int c = column; c < column + span; ++c)
            have += widths[static_cast<std::size_t>(c)];
        int missing = need - have;
        for (int c = column; missing > 0 && c < column + span; ++c) {
            int share = missing / (column + span - c);
            widths[static_cast<std::size_t>(c)] += share;
            missing -= share;
        }
    }

    // Lays out the table at (left, top), as wide as available and centred
    // when it cannot be that narrow. Columns get their one-line width and
    // share what is left in proportion; where there is not room for that,
    // the text of the cells wraps, down to the widest unbreakable piece.
    void table(int left, int top, int available)
    {
        const std::vector<Row>& rows = scene.rows;
        const int pad = scene.cellPadding;
        const int spacing = scene.cellSpacing;
        int columns = 0;
        for (const Row& row : rows) {
            int n = 0;
            for (const Cell& cell : row.cells)
                n += cell.colspan;
            columns = std::max(columns, n);
        }
        columns = std::min(columns, 64);
        if (columns == 0)
            return;

        std::vector<std::vector<CellBox>> boxes(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            int column = 0;
            for (const Cell& cell : rows[r].cells) {
                if (column >= columns)
                    break;
                CellBox box;
                box.column = column;
                box.span = std::min(cell.colspan, columns - column);
                std::vector<Line> oneLine = breaker.lines(cell.content, unlimitedWidth);
                if (hasContent(oneLine)) {
                    box.maxWidth = linesWidth(oneLine) + 2 * pad;
                    box.minWidth = linesWidth(breaker.lines(cell.content, 0)) + 2 * pad;
                }
                column += box.span;
                boxes[r].push_back(std::move(box));
            }
        }
        std::vector<int> minWidth(static_cast<std::size_t>(columns), 0);
        std::vector<int> maxWidth(static_cast<std::size_t>(columns), 0);
        for (int pass = 0; pass < 2; ++pass) {  // single cells first, then spanning ones
            for (const auto& row : boxes) {
                for (const CellBox& box : row) {
                    if ((box.span == 1) != (pass == 0))
                        continue;
                    widen(minWidth, box.column, box.span, spacing, box.minWidth);
                    widen(maxWidth, box.column, box.span, spacing, box.maxWidth);
                }
            }
        }
        long long sumMin = 0, sumMax = 0;
        for (int c = 0; c < columns; ++c) {
            std::size_t i = static_cast<std::size_t>(c);
            maxWidth[i] = std::max(maxWidth[i], minWidth[i]);
            sumMin += minWidth[i];
            sumMax += maxWidth[i];
        }

        const int spacings = spacing * (columns + 1);
        const long long target = std::max<long long>(available - spacings, sumMin);

        std::vector<int> columnWidth(static_cast<std::size_t>(columns));
        long long given = 0;
        for (int c = 0; c < columns; ++c) {
            std::size_t i = static_cast<std::size_t>(c);
            long long w;
            if (target >= sumMax)  // room to spare: widen in proportion
                w = sumMax > 0 ? maxWidth[i] + (target - sumMax) * maxWidth[i] / sumMax
                               : target / columns;
            else  // between the narrowest and the one-line widths
                w = minWidth[i] + (sumMax > sumMin ? (maxWidth[i] - minWidth[i]) * (target - sumMin) /
                                                         (sumMax - sumMin)
                                                   : 0);
            if (c == columns - 1)
                w = std::max<long long>(w, target - given);
            columnWidth[i] = static_cast<int>(w);
            given += w;
        }
        const int tableWidth = static_cast<int>(given) + spacings;

        const int x0 = left + std::max(0, (available - tableWidth) / 2);
        std::vector<int> columnLeft(static_cast<std::size_t>(columns));
        int x = x0 + spacing;
        for (int c = 0; c < columns; ++c) {
            columnLeft[static_cast<std::size_t>(c)] = x;
            x += columnWidth[static_cast<std::size_t>(c)] + spacing;
        }

        int y = top + spacing;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (y >= view.bottom)
                break;
            int rowHeight = 0;
            for (std::size_t i = 0; i < boxes[r].size(); ++i) {
                CellBox& box = boxes[r][i];
                const Cell& cell = rows[r].cells[i];
                if (box.maxWidth > 0) {
                    std::size_t last = static_cast<std::size_t>(box.column + box.span - 1);
                    int width = columnLeft[last] + columnWidth[last] -
                                columnLeft[static_cast<std::size_t>(box.column)] - 2 * pad;
                    box.lines = breaker.lines(cell.content, width);
                    box.needHeight = linesHeight(box.lines) + 2 * pad;
                }
                box.needHeight = std::max(box.needHeight, cell.height);
                rowHeight = std::max(rowHeight, box.needHeight);
            }
            for (std::size_t i = 0; i < boxes[r].size(); ++i)
                placeCell(rows[r].cells[i], boxes[r][i], columnLeft, columnWidth, y, rowHeight, pad);
            y += rowHeight + (rowHeight > 0 ? spacing : 0);
        }
    }

    void placeCell(const Cell& cell, const CellBox& box, const std::vector<int>& columnLeft,
                   const std::vector<int>& columnWidth, int top, int height, int pad)
    {
        std::size_t first = static_cast<std::size_t>(box.column);
        std::size_t last = static_cast<std::size_t>(box.column + box.span - 1);
        Rect rect;
        rect.left = columnLeft[first];
        rect.right = columnLeft[last] + columnWidth[last];
        rect.top = top;
        rect.bottom = top + height;
        Rect clip = intersect(rect, view);
        if (cell.hasBackground && !clip.empty())
            result.fills.push_back({clip, cell.background});
        int contentHeight = linesHeight(box.lines);
        int innerTop = top + pad + (height - 2 * pad - contentHeight) / 2;
        placeLines(box.lines, rect.left + pad, innerTop, rect.right - rect.left - 2 * pad, cell.align);
    }
};

}  // namespace

const PageLink* PageLayout::linkAt(int x, int y) const
{
    for (const PageLink& link : links)
        if (link.rect.contains(x, y))
            return &link;
    return nullptr;
}

PageLayout layoutPage(const QuotePageModel& page, int width, int height, int dpi, const MeasureText& measure)
{
    const Scene scene = SceneBuilder(page, dpi).build();
    return Layouter(scene, width, height, measure).run();
}

std::string shownText(const QuotePageModel& page)
{
    const Scene scene = SceneBuilder(page, defaultDpi).build();
    std::string all;
    for (const Inline& item : scene.flow)
        all += item.text;
    for (const Row& row : scene.rows)
        for (const Cell& cell : row.cells)
            for (const Inline& item : cell.content)
                all += item.text;
    return all;
}
