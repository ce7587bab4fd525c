#include "quotes/QuotePage.h"

#include "common/Gb2312.h"
#include "quotes/PageText.h"
#include "quotes/QuoteParser.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr Color alertRed = 0x000000FF;  // #FF0000
constexpr Color linkBlue = 0x00FF0000;  // #0000FF

// The stored colors with the custom-colors option, the fixed palette without.
PagePalette paletteOf(const UserSettings& s)
{
    const bool custom = (s.optionFlags & customColors) != 0;
    PagePalette p;
    p.back = custom ? s.backColor : defaultBackColor;
    p.name = custom ? s.nameColor : defaultNameColor;
    p.up = custom ? s.upColor : defaultUpColor;
    p.down = custom ? s.downColor : defaultDownColor;
    p.header = custom ? s.headerColor : defaultHeaderColor;
    return p;
}

int columnCountOf(std::uint32_t displayFlags)
{
    int n = 0;
    for (std::uint32_t bit : {showCode, showName, showPrice, showChange, showChangePercent})
        if (displayFlags & bit)
            ++n;
    return n ? n : 1;
}

// The next element of a vector refilled on every build: the elements (and
// the storage of their strings) of the last build are reused.
template <typename T>
T& next(std::vector<T>& items, std::size_t& used)
{
    if (used == items.size())
        items.emplace_back();
    return items[used++];
}

// Fills a row in place, keeping the storage of what it held.
class RowFiller {
public:
    RowFiller(PageRow& row, RowKind kind, Tone tone) : row(row)
    {
        row.kind = kind;
        row.tone = tone;
        row.link.clear();
        if (kind != RowKind::quote)
            row.tooltip.clear();
    }
    ~RowFiller() { row.cells.resize(used); }
    RowFiller(const RowFiller&) = delete;
    RowFiller& operator=(const RowFiller&) = delete;

    // A cell whose text the caller writes through the PageText returned.
    PageText cell(CellAlign align, int span = 1, bool linked = false, bool titled = false)
    {
        PageCell& c = next(row.cells, used);
        c.align = align;
        c.span = span;
        c.linked = linked;
        c.titled = titled;
        c.text.clear();
        return PageText(c.text);
    }

private:
    PageRow& row;
    std::size_t used = 0;
};

// The quote's lines, then room for extra lines; returns where they begin.
std::size_t fillTooltip(std::vector<std::string>& lines, const StockQuote& q, std::size_t extra = 0)
{
    const std::size_t quoteLines = q.tradeDate[0] ? 8 : 7;
    lines.resize(quoteLines + extra);  // the lines' storage is reused
    for (std::string& line : lines)
        line.clear();
    PageText(lines[0]) << Shown{fieldText(q.displayName)} << "(" << Shown{fieldText(q.code)} << ")";
    PageText(lines[1]) << "昨收盘: " << Fixed{q.prevClose, 2};
    PageText(lines[2]) << "今开盘: " << Fixed{q.openPrice, 2};
    PageText(lines[3]) << "最  高: " << Fixed{q.highPrice, 2};
    PageText(lines[4]) << "最  低: " << Fixed{q.lowPrice, 2};
    PageText(lines[5]) << "成交量: " << q.volumeWan << "万股";
    PageText(lines[6]) << "成交额: " << Fixed{q.turnoverYi, 2} << "亿";
    if (q.tradeDate[0])
        PageText(lines[7]) << "时间: " << Shown{fieldText(q.tradeDate)} << " "
                           << Shown{fieldText(q.tradeTime)};
    return quoteLines;
}

// Whole HK dollars, "+1200", "-400", "0" with a sign, "74000" without.
struct Dollars {
    double value;
    bool sign;
};

PageText& operator<<(PageText& out, Dollars d)
{
    const double limit = 9e15;  // past any holding; keeps the rounding exact
    const double rounded = std::round(std::clamp(d.value, -limit, limit));
    if (d.sign && rounded > 0)
        out << "+";
    return out << Fixed{rounded == 0 ? 0.0 : rounded, 0};
}

// A holding's worth, in HK dollars.
struct Holding {
    double today = 0;        // (last price - previous close) x shares
    double marketValue = 0;  // last price x shares
    double floating = 0;     // (last price - cost) x shares

    Holding& operator+=(const Holding& h)
    {
        today += h.today;
        marketValue += h.marketValue;
        floating += h.floating;
        return *this;
    }
};

// A quote with a last price and a previous close has a change of the day;
// one without shows none.
bool hasDayChange(const StockQuote& q)
{
    return q.prevClose != 0 && q.lastPrice != 0;
}

// A code without a trade today is worth its previous close and made nothing.
Holding holdingOf(const StockQuote& q, const CodeRecord& r)
{
    const double shares = static_cast<double>(r.shares);
    const double price = q.lastPrice != 0 ? q.lastPrice : q.prevClose;
    return {hasDayChange(q) ? (q.lastPrice - q.prevClose) * shares : 0, price * shares,
            (price - *r.cost) * shares};
}

// Two lines from at on.
void writeWorthLines(std::vector<std::string>& lines, std::size_t at, const Holding& h)
{
    PageText(lines[at]) << "市值: " << Dollars{h.marketValue, false};
    PageText(lines[at + 1]) << "浮动盈亏: " << Dollars{h.floating, true};
}

// Where the reply holds a quote older than the one of its code shown, the
// shown one stays; the others are shown from now on. Returns the reply's
// newest quote.
QuoteStamp keepNewest(QuoteBatch& batch, int count, std::vector<StockQuote>& shown)
{
    const QuoteStamp newest = newestStamp(batch.quotes, count);
    for (int i = 0; i < count; ++i) {
        StockQuote& q = batch.quotes[i];
        const QuoteStamp stamp = quoteStamp(q);
        const auto kept = std::find_if(shown.begin(), shown.end(), [&q](const StockQuote& s) {
            return fieldText(s.code) == fieldText(q.code);
        });
        if (kept == shown.end())
            continue;
        if (stamp && stamp < quoteStamp(*kept))
            q = *kept;
    }
    shown.assign(batch.quotes, batch.quotes + count);
    return newest;
}

// What every quote row of a build shares.
struct RowPlan {
    std::uint32_t flags = 0;
    std::string_view linkBase;
    const PageCodes* codes = nullptr;
    bool profitColumn = false;
};

const char* markText(CodeMark mark)
{
    return mark == CodeMark::fired ? "★" : mark == CodeMark::watched ? "☆" : "";
}

// Fills a quote's row; its holding, when it has one the page counts.
std::optional<Holding> fillQuoteRow(PageRow& row, const StockQuote& q, const RowPlan& plan)
{
    char text[fixedTextSize];
    const int decimals = text[formatFixed(q.lastPrice, 3, text) - 1] != '0' ? 3 : 2;
    const double change = q.lastPrice - q.prevClose;
    const std::uint32_t flags = plan.flags;
    const bool discreet = plan.codes->discreet;
    const std::string_view code = fieldText(q.code);
    const CodeRecord* record = plan.codes->book ? plan.codes->book->find(code) : nullptr;
    const CodeMark mark = plan.codes->markOf ? plan.codes->markOf(q)
                          : record && record->watched() ? CodeMark::watched
                                                        : CodeMark::none;
    const bool linked = !discreet && (flags & (showCode | showName));
    std::optional<Holding> holding;
    if (plan.profitColumn && record && record->holds())
        holding = holdingOf(q, *record);

    RowFiller filler(row, RowKind::quote, discreet ? Tone::header : change > 0 ? Tone::rise : Tone::fall);
    if (linked) {
        PageText(row.link) << plan.linkBase << "&Code=" << UrlEncoded{code};
        const std::size_t at = fillTooltip(row.tooltip, q, holding ? 4 : 0);
        if (holding) {
            PageText(row.tooltip[at]) << "持股: " << Fixed{static_cast<double>(record->shares), 0};
            PageText(row.tooltip[at + 1]) << "成本: " << Fixed{*record->cost, 3};
            writeWorthLines(row.tooltip, at + 2, *holding);
        }
    } else {
        row.tooltip.clear();
    }
    // The mark goes before the name, or before the code where no name shows.
    const char* markBefore = markText(mark);
    if (flags & showCode) {
        filler.cell(CellAlign::center, 1, linked) << (flags & showName ? "" : markBefore) << Shown{code};
    }
    if (flags & showName) {
        PageText out = filler.cell(CellAlign::center, 1, linked);
        out << markBefore;
        if (record && !record->alias.empty()) {
            out << Shown{record->alias};
        } else if (discreet) {
            out << Shown{bareCode(code)};
        } else {
            const std::string_view name = fieldText(q.displayName);
            out << Shown{name.substr(0, gb2312::prefixLength(name.data(), name.size(), 8))};
        }
    }
    if (flags & showPrice)
        filler.cell(CellAlign::right) << Fixed{q.lastPrice, decimals};

    const bool noTrade = !hasDayChange(q);
    if (flags & showChange) {
        PageText out = filler.cell(CellAlign::right);
        if (noTrade)
            out << (decimals == 3 ? "0.000" : "0.00");
        else
            out << (change > 0 ? "+" : "") << Fixed{change, decimals};
    }
    if (flags & showChangePercent) {
        PageText out = filler.cell(CellAlign::right);
        if (noTrade)
            out << "0.00%";
        else
            out << (change > 0 ? "+" : "") << Fixed{change * 100 / q.prevClose, 2} << "%";
    }
    if (plan.profitColumn) {
        PageText out = filler.cell(CellAlign::right);
        if (holding)
            out << Dollars{holding->today, true};
    }
    return holding;
}

// A page of text lines only.
PageBuild textPage(QuotePageModel& page, PageKind kind, std::initializer_list<PageLine> lines)
{
    page.kind = kind;
    page.fontFace.clear();
    page.fontPx = 12;
    page.rows.clear();
    page.lines.assign(lines);
    return {kind, 0};
}

const char* toneClass(Tone tone)
{
    switch (tone) {
    case Tone::rise:
        return "cup";
    case Tone::fall:
        return "cdn";
    case Tone::name:
        return "cjc";
    default:
        return "cbt";
    }
}

void writeNotice(PageText& out, const QuotePageModel& page)
{
    out << "<html><style>body{border:0; font-size:" << page.fontPx
        << "px; color:#FF0000}</style><body scroll=no bgcolor=\"" << colorToHtml(page.palette.back).text
        << "\">";
    for (std::size_t i = 0; i < page.lines.size(); ++i) {
        const PageLine& line = page.lines[i];
        if (i > 0)
            out << "<br>";
        if (line.link.empty())
            out << Escaped{line.text};
        else
            out << "<a href=\"" << line.link << "\" target=\"_blank\">" << Escaped{line.text} << "</a>";
    }
    out << "</body></html>";
}

void writeError(PageText& out, const QuotePageModel& page)
{
    out << "<html><style>body{border:0; font-size:" << page.fontPx
        << "px;}</style><body scroll=no bgcolor=" << colorToHtml(page.palette.back).text
        << "><font color=#FF0000>";
    for (const PageLine& line : page.lines)
        out << Escaped{line.text};
    out << "</font></body></html>";
}

void writeQuoteRow(PageText& out, const PageRow& row)
{
    out << "<tr align=\"right\" class=\"" << toneClass(row.tone) << "\">";
    // Both link cells carry the same tooltip: the second copies the first's.
    std::size_t tooltipStart = 0;
    std::size_t tooltipLength = 0;
    const auto title = [&] {
        if (tooltipLength) {
            out.repeat(tooltipStart, tooltipLength);
        } else {
            tooltipStart = out.size();
            for (std::size_t i = 0; i < row.tooltip.size(); ++i)
                out << (i ? "&#10;" : "") << Escaped{row.tooltip[i]};
            tooltipLength = out.size() - tooltipStart;
        }
    };
    for (const PageCell& cell : row.cells) {
        out << "<td";
        if (cell.span > 1)
            out << " colspan=" << cell.span;
        if (cell.align != CellAlign::right)  // the row's own
            out << " align=\"" << (cell.align == CellAlign::center ? "center" : "left") << "\"";
        if (cell.titled && !cell.linked) {
            out << " title=\"";
            title();
            out << "\"";
        }
        out << ">";
        if (cell.linked) {
            out << "<a href=" << row.link << " target=\"_blank\" title=\"";
            title();
            out << "\" class=\"" << toneClass(Tone::name) << "\">" << Escaped{cell.text} << "</a>";
        } else {
            out << Escaped{cell.text};
        }
        out << "</td>";
    }
    out << "</tr>";
}

void writeTable(PageText& out, const QuotePageModel& page)
{
    const PagePalette& p = page.palette;
    out << "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html\" charset=\"gb2312\" />"
           "<title>Quillon Zeb</title>"
        << "<style>body{border:0;margin:" << tableLook::margin << "px;font-family:\"" << page.fontFace
        << "\"} table{font-size:" << page.fontPx << "px;} .cjc{color: " << colorToHtml(p.name).text
        << "} .cup{color: " << colorToHtml(p.up).text << "} .cdn{color: " << colorToHtml(p.down).text
        << "} .cbt{color: " << colorToHtml(p.header).text << "} </style></head>"
        << "<body bgcolor=" << colorToHtml(p.back).text << " scroll=\"no\" oncontextmenu=\"return false\">"
        << "<table cellspacing=" << tableLook::cellSpacing << "px cellpadding=" << tableLook::cellPadding
        << "px align=center width=100%>";
    for (const PageRow& row : page.rows) {
        switch (row.kind) {
        case RowKind::header:
            out << "<tr class=\"" << toneClass(row.tone) << "\" align=\"center\">";
            for (const PageCell& cell : row.cells)
                out << "<td>" << Escaped{cell.text} << "</td>";
            out << "</tr>";
            break;
        case RowKind::rule:
            out << "<tr><td colspan=" << row.cells.front().span << " bgcolor=\""
                << colorToHtml(tableLook::ruleColor).text << "\" height=" << tableLook::ruleHeight
                << "px></td></tr>";
            break;
        case RowKind::quote:
        case RowKind::total:
            writeQuoteRow(out, row);
            break;
        case RowKind::footer:
            out << "<tr class=\"" << toneClass(row.tone) << "\"><td colspan=" << row.cells.front().span
                << " align=right>" << Escaped{row.cells.front().text} << "</td></tr>";
            break;
        }
    }
    out << "</table></body></html>";
}

}  // namespace

Color PagePalette::of(Tone tone) const
{
    switch (tone) {
    case Tone::header:
        return header;
    case Tone::rise:
        return up;
    case Tone::fall:
        return down;
    case Tone::name:
        return name;
    case Tone::alert:
        return alertRed;
    case Tone::link:
        return linkBlue;
    }
    return header;
}

HtmlColor colorToHtml(Color color)
{
    static const char hex[] = "0123456789ABCDEF";
    HtmlColor html = {{'#'}};
    for (int i = 0; i < 3; ++i) {  // red, green, blue: the low byte first
        const unsigned byte = (color >> (8 * i)) & 0xFF;
        html.text[1 + 2 * i] = hex[byte >> 4];
        html.text[2 + 2 * i] = hex[byte & 15];
    }
    html.text[7] = '\0';
    return html;
}

PageBuild buildQuotePage(const UserSettings& settings, const PageContext& context, QuotePageModel& page,
                         const QuoteSource& feed, const PageCodes& codes)
{
    page.palette = paletteOf(settings);
    page.rowCount = 0;
    page.columnCount = 0;

    if (context.versionBlocked)
        return textPage(
            page, PageKind::upgrade,
            {{"版本需要升级才能正常使用", Tone::alert, ""}, {"查看新版本", Tone::link, context.homePage}});
    if (fieldText(settings.stockList).size() < 6)  // the shortest entry, ",hkHSI", has 6
        return textPage(page, PageKind::notice, {{"股票代码列表中无数据 请添加股票代码", Tone::alert, ""}});

    // What the list's records ask of the table.
    bool holdings = false;
    bool watching = false;
    bool longAlias = false;
    if (codes.book)
        forEachListEntry(fieldText(settings.stockList), [&](std::string_view entry) {
            if (const CodeRecord* r = codes.book->find(entry)) {
                holdings = holdings || r->holds();
                watching = watching || r->watched();
                longAlias = longAlias || r->alias.size() > 8;
            }
        });

    QuoteBatch batch;
    const int result = feed(batch);
    const std::uint32_t flags = settings.displayFlags;
    RowPlan plan{flags, context.linkBase, &codes,
                 holdings && !codes.discreet && !(flags & hideProfitColumn)};
    const int columns = columnCountOf(flags) + plan.profitColumn;
    page.rowCount = result == 0 ? std::clamp(batch.count, 0, maxQuotes) : 0;
    // A name longer than the service's takes a column's width more.
    page.columnCount = columns + (longAlias && (flags & showName));

    if (result != 0) {
        textPage(page, PageKind::error, {{"获得数据出错 请检查网络连接", Tone::alert, ""}});
        return {PageKind::error, result, 0, watching};
    }

    page.kind = PageKind::quotes;
    page.fontFace = "宋体";
    page.fontPx = settings.fontSizeIndex + 11;
    page.lines.clear();
    std::size_t rows = 0;
    if (flags & showHeader) {
        {
            RowFiller header(next(page.rows, rows), RowKind::header, Tone::header);
            for (const auto& [bit, title] : {std::pair{showCode, "代码"},
                                             {showName, "简称"},
                                             {showPrice, "最新价"},
                                             {showChange, "涨跌(元)"},
                                             {showChangePercent, "涨跌(%)"}})
                if (flags & bit)
                    header.cell(CellAlign::center) << title;
            if (plan.profitColumn)
                header.cell(CellAlign::center) << "盈亏";
        }  // before the next row may move the rows
        RowFiller(next(page.rows, rows), RowKind::rule, Tone::header).cell(CellAlign::left, columns);
    }
    const QuoteStamp newest = keepNewest(batch, page.rowCount, page.shownQuotes);
    Holding total;
    for (int i = 0; i < page.rowCount; ++i)
        if (const std::optional<Holding> h = fillQuoteRow(next(page.rows, rows), batch.quotes[i], plan))
            total += *h;
    if (plan.profitColumn) {
        PageRow& row = next(page.rows, rows);
        RowFiller filler(row, RowKind::total, total.today > 0 ? Tone::rise : Tone::fall);
        row.tooltip.resize(2);
        writeWorthLines(row.tooltip, 0, total);
        filler.cell(CellAlign::center, columns - 1, false, true) << "合计";
        PageText sumText = filler.cell(CellAlign::right, 1, false, true);
        sumText << Dollars{total.today, true};
        ++page.rowCount;
    }
    if (flags & showRefreshTime)
        RowFiller(next(page.rows, rows), RowKind::footer, Tone::header).cell(CellAlign::right, columns)
            << Shown{fieldText(batch.dataTime)};
    page.rows.resize(rows);
    return {PageKind::quotes, 0, newest, watching};
}

void renderPageHtml(const QuotePageModel& page, std::string& html)
{
    html.clear();
    PageText out(html);
    switch (page.kind) {
    case PageKind::quotes:
        writeTable(out, page);
        break;
    case PageKind::error:
        writeError(out, page);
        break;
    case PageKind::notice:
    case PageKind::upgrade:
        writeNotice(out, page);
        break;
    }
}
