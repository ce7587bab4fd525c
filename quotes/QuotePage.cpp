#include "quotes/QuotePage.h"

#include "common/Gb2312.h"
#include "quotes/PageText.h"

#include <algorithm>

namespace {

struct PageColors {
    HtmlColor back, name, up, down, header;
};

// The stored colors with the custom-colors option, the fixed palette without.
PageColors pageColors(const UserSettings& s)
{
    const bool custom = (s.optionFlags & customColors) != 0;
    return {colorToHtml(custom ? s.backColor : defaultBackColor),
            colorToHtml(custom ? s.nameColor : defaultNameColor),
            colorToHtml(custom ? s.upColor : defaultUpColor),
            colorToHtml(custom ? s.downColor : defaultDownColor),
            colorToHtml(custom ? s.headerColor : defaultHeaderColor)};
}

int columnCountOf(std::uint32_t displayFlags)
{
    int n = 0;
    for (std::uint32_t bit : {showCode, showName, showPrice, showChange, showChangePercent})
        if (displayFlags & bit)
            ++n;
    return n ? n : 1;
}

void writeNotice(PageText& out, const PageColors& colors, std::string_view text)
{
    out << "<html><style>body{border:0; font-size:12px; color:#FF0000}</style><body scroll=no bgcolor=\""
        << colors.back.text << "\">" << text << "</body></html>";
}

void writeTooltip(PageText& out, const StockQuote& q)
{
    out << Escaped{fieldText(q.displayName)} << "(" << Escaped{fieldText(q.code)}
        << ")&#10;昨收盘: " << Fixed{q.prevClose, 2} << "&#10;今开盘: " << Fixed{q.openPrice, 2}
        << "&#10;最  高: " << Fixed{q.highPrice, 2} << "&#10;最  低: " << Fixed{q.lowPrice, 2}
        << "&#10;成交量: " << q.volumeWan << "万股&#10;成交额: " << Fixed{q.turnoverYi, 2} << "亿";
}

void writeRow(PageText& out, const StockQuote& q, std::uint32_t flags, std::string_view linkBase)
{
    char text[fixedTextSize];
    const int decimals = text[formatFixed(q.lastPrice, 3, text) - 1] != '0' ? 3 : 2;

    const double change = q.lastPrice - q.prevClose;
    out << "<tr align=\"right\" class=\"" << (change > 0 ? "cup" : "cdn") << "\">";

    // Both link cells carry the same tooltip: the second copies the first's.
    const std::string_view code = fieldText(q.code);
    std::size_t tooltipStart = 0;
    std::size_t tooltipLength = 0;
    const auto linkCell = [&](std::string_view linkText) {
        out << "<td align=\"center\"><a href=" << linkBase << "&Code=" << UrlEncoded{code}
            << " target=\"_blank\" title=\"";
        if (tooltipLength) {
            out.repeat(tooltipStart, tooltipLength);
        } else {
            tooltipStart = out.size();
            writeTooltip(out, q);
            tooltipLength = out.size() - tooltipStart;
        }
        out << "\" class=\"cjc\">" << Escaped{linkText} << "</a></td>";
    };
    if (flags & showCode)
        linkCell(code);
    if (flags & showName) {
        const std::string_view name = fieldText(q.displayName);
        linkCell(name.substr(0, gb2312::prefixLength(name.data(), name.size(), 8)));
    }
    if (flags & showPrice)
        out << "<td>" << Fixed{q.lastPrice, decimals} << "</td>";

    const bool noTrade = q.prevClose == 0 || q.lastPrice == 0;
    if (flags & showChange) {
        out << "<td>";
        if (noTrade)
            out << (decimals == 3 ? "0.000" : "0.00");
        else
            out << (change > 0 ? "+" : "") << Fixed{change, decimals};
        out << "</td>";
    }
    if (flags & showChangePercent) {
        out << "<td>";
        if (noTrade)
            out << "0.00%";
        else
            out << (change > 0 ? "+" : "") << Fixed{change * 100 / q.prevClose, 2} << "%";
        out << "</td>";
    }
    out << "</tr>";
}

}  // namespace

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

int buildQuotePage(const UserSettings& settings, const PageContext& context, std::string& page, int& rowCount,
                   int& columnCount, const QuoteSource& feed)
{
    page.clear();
    PageText out(page);
    const PageColors colors = pageColors(settings);

    if (context.versionBlocked) {
        writeNotice(out, colors,
                    "版本需要升级才能正常使用<br><a href=\"" + context.homePage +
                        "\" target=\"_blank\">查看新版本</a>");
        return 0;
    }
    if (fieldText(settings.stockList).size() < 6) {  // the shortest entry, ",hkHSI", has 6
        writeNotice(out, colors, "股票代码列表中无数据 请添加股票代码");
        return 0;
    }

    QuoteBatch batch;
    const int result = feed(batch);
    const int rows = result == 0 ? std::clamp(batch.count, 0, maxQuotes) : 0;
    const std::uint32_t flags = settings.displayFlags;
    const int columns = columnCountOf(flags);
    rowCount = rows;
    columnCount = columns;

    if (result != 0) {
        out << "<html><style>body{border:0; font-size:12px;}</style><body scroll=no bgcolor="
            << colors.back.text << "><font color=#FF0000>获得数据出错 请检查网络连接</font></body></html>";
        return result;
    }

    out << "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html\" charset=\"gb2312\" />"
           "<title>Quillon Zeb</title>"
        << "<style>body{border:0;margin:5px;font-family:\"宋体\"} table{font-size:"
        << settings.fontSizeIndex + 11 << "px;} .cjc{color: " << colors.name.text
        << "} .cup{color: " << colors.up.text << "} .cdn{color: " << colors.down.text
        << "} .cbt{color: " << colors.header.text << "} </style></head>"
        << "<body bgcolor=" << colors.back.text << " scroll=\"no\" oncontextmenu=\"return false\">"
        << "<table cellspacing=0px cellpadding=2px align=center width=100%>";

    if (flags & showHeader) {
        out << "<tr class=\"cbt\" align=\"center\">";
        if (flags & showCode)
            out << "<td>代码</td>";
        if (flags & showName)
            out << "<td>简称</td>";
        if (flags & showPrice)
            out << "<td>最新价</td>";
        if (flags & showChange)
            out << "<td>涨跌(元)</td>";
        if (flags & showChangePercent)
            out << "<td>涨跌(%)</td>";
        out << "</tr><tr><td colspan=" << columns << " bgcolor=\"#0000CC\" height=1px></td></tr>";
    }

    for (int i = 0; i < rows; ++i)
        writeRow(out, batch.quotes[i], flags, context.linkBase);

    if (flags & showRefreshTime)
        out << "<tr class=\"cbt\"><td colspan=" << columns << " align=right>"
            << Escaped{fieldText(batch.dataTime)} << "</td></tr>";
    out << "</table></body></html>";
    return static_cast<int>(page.size());
}
