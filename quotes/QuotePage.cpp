#include "quotes/QuotePage.h"

#include "quotes/QuoteParser.h"
#include "settings/Deployment.h"
#include "update/VendorSite.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::atomic<int> versionBlocked{0};

namespace {

// Appends printf-style text to out.
void appendf(std::string& out, const char* format, ...)
{
    char buffer[2048];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(n) + 1);
    va_start(args, format);
    std::vsnprintf(&out[start], static_cast<std::size_t>(n) + 1, format, args);
    va_end(args);
    out.resize(start + static_cast<std::size_t>(n));
}

// A value from the quote service made safe for the page's text and quoted
// attributes. A GB2312 lead byte without a trail byte becomes '?', so that it
// cannot swallow the markup after it.
template <std::size_t N>
struct Escaped {
    char text[N * 6 + 1];

    explicit Escaped(const char* value, std::size_t length = N)
    {
        length = strnlen(value, length < N ? length : N);
        char* out = text;
        for (std::size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(value[i]);
            const char* entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;"
                               : c == '"' ? "&quot;" : c == '\'' ? "&#39;" : nullptr;
            if (entity) {
                out = std::strcpy(out, entity) + std::strlen(entity);
            } else if (c >= 0x81 && c <= 0xFE) {
                const unsigned char next = i + 1 < length ? static_cast<unsigned char>(value[i + 1]) : 0;
                if (next >= 0x40 && next <= 0xFE && next != 0x7F) {
                    *out++ = static_cast<char>(c);
                    *out++ = static_cast<char>(next);
                    ++i;
                } else {
                    *out++ = '?';
                }
            } else if (c == 0x80 || c == 0xFF) {
                *out++ = '?';
            } else {
                *out++ = static_cast<char>(c);
            }
        }
        *out = '\0';
    }
};

// The code as a URL query value: everything but letters, digits and "-._~"
// percent-encoded.
struct UrlValue {
    char text[sizeof(StockQuote::code) * 3 + 1];

    explicit UrlValue(const char* value)
    {
        static const char hex[] = "0123456789ABCDEF";
        char* out = text;
        for (std::size_t i = 0; i < sizeof(StockQuote::code) && value[i]; ++i) {
            const unsigned char c = static_cast<unsigned char>(value[i]);
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                std::strchr("-._~", c)) {
                *out++ = static_cast<char>(c);
            } else {
                *out++ = '%';
                *out++ = hex[c >> 4];
                *out++ = hex[c & 15];
            }
        }
        *out = '\0';
    }
};

struct PageColours {
    HtmlColour back, name, up, down, header;
};

PageColours pageColours(const UserSettings& s)
{
    if (s.optionFlags & customColors)
        return {colorToHtml(s.backColor), colorToHtml(s.nameColor), colorToHtml(s.upColor),
                colorToHtml(s.downColor), colorToHtml(s.headerColor)};
    return {{"#FFFFE6"}, {"#0000FF"}, {"#009900"}, {"#FF0000"}, {"#000000"}};
}

int columnCountOf(std::uint32_t displayFlags)
{
    int n = 0;
    for (std::uint32_t bit : {showCode, showName, showPrice, showChange, showChangePercent})
        if (displayFlags & bit)
            ++n;
    return n ? n : 1;
}

void writeNotice(std::string& page, const PageColours& colours, const char* text)
{
    appendf(page,
            "<html><style>body{border:0; font-size:12px; color:#FF0000}</style>"
            "<body scroll=no bgcolor=\"%s\">%s</body></html>",
            colours.back.text, text);
}

void writeRow(std::string& page, const StockQuote& q, std::uint32_t flags, const char* linkBase)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0.3f", q.lastPrice);
    const bool threeDecimals = text[std::strlen(text) - 1] != '0';

    const Escaped<sizeof q.displayName> name(q.displayName);
    const Escaped<sizeof q.code> code(q.code);
    char tooltip[1024];
    std::snprintf(tooltip, sizeof tooltip,
                  "%s(%s)&#10;昨收盘: %0.2f&#10;今开盘: %0.2f&#10;最  高: %0.2f&#10;最  低: %0.2f"
                  "&#10;成交量: %d万股&#10;成交额: %0.2f亿",
                  name.text, code.text, q.prevClose, q.openPrice, q.highPrice, q.lowPrice, q.volumeWan,
                  q.turnoverYi);

    const double change = q.lastPrice - q.prevClose;
    appendf(page, "<tr align=\"right\" class=\"%s\">", change > 0 ? "cup" : "cdn");

    static const char cell[] =
        "<td align=\"center\"><a href=%s&Code=%s target=\"_blank\" title=\"%s\" class=\"cjc\">%s</a></td>";
    const UrlValue codeInUrl(q.code);
    if (flags & showCode)
        appendf(page, cell, linkBase, codeInUrl.text, tooltip, code.text);
    if (flags & showName) {
        const std::size_t cut = gbPrefixLength(q.displayName, strnlen(q.displayName, sizeof q.displayName), 8);
        const Escaped<sizeof q.displayName> shortName(q.displayName, cut);
        appendf(page, cell, linkBase, codeInUrl.text, tooltip, shortName.text);
    }
    if (flags & showPrice)
        appendf(page, threeDecimals ? "<td>%0.3f</td>" : "<td>%0.2f</td>", q.lastPrice);

    const bool noTrade = q.prevClose == 0 || q.lastPrice == 0;
    if (flags & showChange) {
        if (noTrade)
            std::snprintf(text, sizeof text, "%s", threeDecimals ? "0.000" : "0.00");
        else if (change > 0)
            std::snprintf(text, sizeof text, threeDecimals ? "+%0.3f" : "+%0.2f", change);
        else
            std::snprintf(text, sizeof text, threeDecimals ? "%0.3f" : "%0.2f", change);
        appendf(page, "<td>%s</td>", text);
    }
    if (flags & showChangePercent) {
        if (noTrade)
            std::snprintf(text, sizeof text, "0.00%%");
        else
            std::snprintf(text, sizeof text, change > 0 ? "+%0.2f%%" : "%0.2f%%", change * 100 / q.prevClose);
        appendf(page, "<td>%s</td>", text);
    }
    page += "</tr>";
}

// The link base changes only with the vendor host, so it is formed again only
// then: a refresh allocates nothing once the page has its capacity.
const std::string& linkBaseFor(const ServiceHost& host)
{
    static thread_local ServiceHost formedFor;
    static thread_local std::string linkBase;
    if (linkBase.empty() || formedFor.name != host.name || formedFor.port != host.port) {
        formedFor = host;
        linkBase = quoteLinkBase();
    }
    return linkBase;
}

}  // namespace

HtmlColour colorToHtml(Colour colour)
{
    HtmlColour html;
    std::snprintf(html.text, sizeof html.text, "#%02X%02X%02X", static_cast<unsigned>(colour & 0xFF),
                  static_cast<unsigned>((colour >> 8) & 0xFF), static_cast<unsigned>((colour >> 16) & 0xFF));
    return html;
}

int buildQuotePage(const UserSettings& settings, std::string& page, int& rowCount, int& columnCount,
                   const QuoteSource& feed)
{
    page.clear();
    const PageColours colours = pageColours(settings);

    if (versionBlocked.load()) {
        const std::string home = vendorHomePage();
        char text[512];
        std::snprintf(text, sizeof text,
                      "版本需要升级才能正常使用<br><a href=\"%s\" target=\"_blank\">查看新版本</a>", home.c_str());
        writeNotice(page, colours, text);
        return 0;
    }
    if (strnlen(settings.stockList, sizeof settings.stockList) < 6) {
        writeNotice(page, colours, "股票代码列表中无数据 请添加股票代码");
        return 0;
    }

    const std::string& linkBase = linkBaseFor(deployment().vendorHost);
    QuoteBatch batch;
    const int result = feed(batch);
    const int rows = result == 0 && batch.count > 0 ? (batch.count < maxQuotes ? batch.count : maxQuotes) : 0;
    const std::uint32_t flags = settings.displayFlags;
    const int columns = columnCountOf(flags);
    rowCount = rows;
    columnCount = columns;

    if (result != 0) {
        appendf(page,
                "<html><style>body{border:0; font-size:12px;}</style><body scroll=no bgcolor=%s>"
                "<font color=#FF0000>获得数据出错 请检查网络连接</font></body></html>",
                colours.back.text);
        return result;
    }

    page += "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html\" charset=\"gb2312\" />"
            "<title>Quillon Zeb</title>";
    appendf(page, "<style>body{border:0;margin:5px;font-family:\"宋体\"} table{font-size:%dpx;} ",
            settings.fontSizeIndex + 11);
    appendf(page, ".cjc{color: %s} .cup{color: %s} .cdn{color: %s} .cbt{color: %s} </style></head>",
            colours.name.text, colours.up.text, colours.down.text, colours.header.text);
    appendf(page, "<body bgcolor=%s scroll=\"no\" oncontextmenu=\"return false\">", colours.back.text);
    page += "<table cellspacing=0px cellpadding=2px align=center width=100%>";

    if (flags & showHeader) {
        page += "<tr class=\"cbt\" align=\"center\">";
        if (flags & showCode)
            page += "<td>代码</td>";
        if (flags & showName)
            page += "<td>简称</td>";
        if (flags & showPrice)
            page += "<td>最新价</td>";
        if (flags & showChange)
            page += "<td>涨跌(元)</td>";
        if (flags & showChangePercent)
            page += "<td>涨跌(%)</td>";
        page += "</tr>";
        appendf(page, "<tr><td colspan=%d bgcolor=\"#0000CC\" height=1px></td></tr>", columns);
    }

    for (int i = 0; i < rows; ++i)
        writeRow(page, batch.quotes[i], flags, linkBase.c_str());

    if (flags & showRefreshTime) {
        const Escaped<sizeof batch.dataTime> time(batch.dataTime);
        appendf(page, "<tr class=\"cbt\"><td colspan=%d align=right>%s</td></tr>", columns, time.text);
    }
    page += "</table></body></html>";
    return static_cast<int>(page.size());
}
