#include "quotes/QuotePage.h"

#include "common/Gb2312.h"
#include "tests/support/SampleQuotes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

class QuotePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&settings, 0, sizeof settings);
        std::strcpy(settings.stockList, ",hk00700,hk08001");
        settings.displayFlags = 0x7F;
        settings.fontSizeIndex = 1;
        // Stored colors that only count with the custom-colors option.
        settings.backColor = 0x00112233;
        settings.nameColor = 0x00445566;
        settings.upColor = 0x00778899;
        settings.downColor = 0x00AABBCC;
        settings.headerColor = 0x00DDEEFF;
    }

    // Builds with a feed that returns the given quotes and time.
    PageBuild build(std::vector<StockQuote> quotes, int result = 0, const char* time = "2023-09-26 16:08")
    {
        return buildWith([&](QuoteBatch& b) {
            if (result != 0)
                return result;
            for (const StockQuote& q : quotes)
                b.quotes[b.count++] = q;
            std::strcpy(b.dataTime, time);
            return 0;
        });
    }
    // The model built, its page file in page and its table's size in rows and columns.
    PageBuild buildWith(const QuoteSource& feed)
    {
        const PageBuild built = buildQuotePage(settings, context, model, feed);
        renderPageHtml(model, page);
        rows = model.rowCount;
        columns = model.columnCount;
        return built;
    }
    // The row of the only quote, without the table around it.
    std::string row(const StockQuote& q)
    {
        settings.displayFlags &= ~(showHeader | showRefreshTime);
        build({q});
        const std::size_t start = page.find("<tr");
        return page.substr(start, page.find("</table>") - start);
    }

    PageContext context{"http://vendor.test/", "http://vendor.test/zeb/zebskip.php?Ver=2"};
    UserSettings settings;
    QuotePageModel model;
    std::string page;
    int rows = -5;
    int columns = -5;
};

const char head[] =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html\" charset=\"gb2312\" />"
    "<title>Quillon Zeb</title><style>body{border:0;margin:5px;font-family:\"宋体\"} table{font-size:12px;} "
    ".cjc{color: #0000FF} .cup{color: #009900} .cdn{color: #FF0000} .cbt{color: #000000} </style></head>"
    "<body bgcolor=#FFFFE6 scroll=\"no\" oncontextmenu=\"return false\">"
    "<table cellspacing=0px cellpadding=2px align=center width=100%>";

}  // namespace

TEST_F(QuotePage, WritesTheWholeTablePage)
{
    StockQuote up = sampleQuote("hk00700", "腾讯控股", 370.6f, 368.4f);
    up.openPrice = 370;
    up.highPrice = 372.8f;
    up.lowPrice = 366;
    up.volumeWan = 1412;
    up.turnoverYi = 52.18f;
    const StockQuote down = sampleQuote("hk08001", "ABCDEFGHIJ", 0.335f, 0.34f);

    const std::string tip1 = "腾讯控股(hk00700)&#10;昨收盘: 368.40&#10;今开盘: 370.00&#10;最  高: 372.80"
                             "&#10;最  低: 366.00&#10;成交量: 1412万股&#10;成交额: 52.18亿&#10;时间: 2023/09/26 16:08:03";
    const std::string tip2 = "ABCDEFGHIJ(hk08001)&#10;昨收盘: 0.34&#10;今开盘: 0.00&#10;最  高: 0.00"
                             "&#10;最  低: 0.00&#10;成交量: 0万股&#10;成交额: 0.00亿&#10;时间: 2023/09/26 16:08:03";
    const std::string link = "<td align=\"center\"><a href=http://vendor.test/zeb/zebskip.php?Ver=2&Code=";
    const std::string expected = std::string(head) +
        "<tr class=\"cbt\" align=\"center\"><td>代码</td><td>简称</td><td>最新价</td><td>涨跌(元)</td>"
        "<td>涨跌(%)</td></tr><tr><td colspan=5 bgcolor=\"#0000CC\" height=1px></td></tr>"
        "<tr align=\"right\" class=\"cup\">" +
        link + "hk00700 target=\"_blank\" title=\"" + tip1 + "\" class=\"cjc\">hk00700</a></td>" + link +
        "hk00700 target=\"_blank\" title=\"" + tip1 + "\" class=\"cjc\">腾讯控股</a></td>" +
        "<td>370.60</td><td>+2.20</td><td>+0.60%</td></tr>"
        "<tr align=\"right\" class=\"cdn\">" +
        link + "hk08001 target=\"_blank\" title=\"" + tip2 + "\" class=\"cjc\">hk08001</a></td>" + link +
        "hk08001 target=\"_blank\" title=\"" + tip2 + "\" class=\"cjc\">ABCDEFGH</a></td>" +
        "<td>0.335</td><td>-0.005</td><td>-1.47%</td></tr>"
        "<tr class=\"cbt\"><td colspan=5 align=right>2023-09-26 16:08</td></tr></table></body></html>";

    EXPECT_EQ(build({up, down}).kind, PageKind::quotes);
    EXPECT_EQ(page, expected);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(columns, 5);

    // Model and string are reused: a second build gives the same page, not an appended one,
    // and a smaller one after a larger leaves nothing of it.
    build({up, down});
    EXPECT_EQ(page, expected);
    settings.displayFlags = showPrice | showRefreshTime;
    build({down});
    EXPECT_EQ(
        page,
        std::string(head) +
            "<tr align=\"right\" class=\"cdn\"><td>0.335</td></tr>"
            "<tr class=\"cbt\"><td colspan=1 align=right>2023-09-26 16:08</td></tr></table></body></html>");
}

TEST_F(QuotePage, ColorsComeFromTheSettingsOnlyWithCustomColors)
{
    EXPECT_STREQ(colorToHtml(0x00E6FFFF).text, "#FFFFE6");
    EXPECT_STREQ(colorToHtml(0x00123456).text, "#563412");

    build({});
    EXPECT_EQ(page.find("#332211"), std::string::npos);
    EXPECT_NE(page.find("<body bgcolor=#FFFFE6 "), std::string::npos);

    settings.optionFlags = customColors;
    build({});
    EXPECT_NE(
        page.find(".cjc{color: #665544} .cup{color: #998877} .cdn{color: #CCBBAA} .cbt{color: #FFEEDD} "),
        std::string::npos);
    EXPECT_NE(page.find("<body bgcolor=#332211 "), std::string::npos);
}

TEST_F(QuotePage, PricePrecisionFollowsTheThirdDecimal)
{
    settings.displayFlags = showPrice | showChange | showChangePercent;
    EXPECT_EQ(row(sampleQuote("hk1", "N", 12.34f, 12.0f)),
              "<tr align=\"right\" class=\"cup\"><td>12.34</td><td>+0.34</td><td>+2.83%</td></tr>");
    EXPECT_EQ(row(sampleQuote("hk1", "N", 0.335f, 0.3f)),
              "<tr align=\"right\" class=\"cup\"><td>0.335</td><td>+0.035</td><td>+11.67%</td></tr>");
}

TEST_F(QuotePage, IndexPricesKeepTheDecimalsTheServiceSent)
{
    // In single precision 17885.47 reads back as 17885.4707: its third
    // decimal would turn the row to three decimals.
    settings.displayFlags = showPrice | showChange | showChangePercent;
    EXPECT_EQ(row(sampleQuote("hkHSI", "N", 17885.47, 17734.60)),
              "<tr align=\"right\" class=\"cup\"><td>17885.47</td><td>+150.87</td><td>+0.85%</td></tr>");
}

TEST_F(QuotePage, UnchangedAndUntradedQuotesShowZeroTextsInTheFallColor)
{
    settings.displayFlags = showPrice | showChange | showChangePercent;
    EXPECT_EQ(row(sampleQuote("hk1", "N", 10.0f, 10.0f)),
              "<tr align=\"right\" class=\"cdn\"><td>10.00</td><td>0.00</td><td>0.00%</td></tr>");
    EXPECT_EQ(row(sampleQuote("hk1", "N", 0.0f, 10.0f)),
              "<tr align=\"right\" class=\"cdn\"><td>0.00</td><td>0.00</td><td>0.00%</td></tr>");
    EXPECT_EQ(row(sampleQuote("hk1", "N", 0.125f, 0.0f)),
              "<tr align=\"right\" class=\"cup\"><td>0.125</td><td>0.000</td><td>0.00%</td></tr>");
}

TEST_F(QuotePage, NoColumnBitGivesEmptyRowsAndSingleColumnLines)
{
    settings.displayFlags = showHeader | showRefreshTime;
    build({sampleQuote("hk1", "N", 1, 2)}, 0, "");
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(page,
              std::string(head) +
                  "<tr class=\"cbt\" align=\"center\"></tr>"
                  "<tr><td colspan=1 bgcolor=\"#0000CC\" height=1px></td></tr>"
                  "<tr align=\"right\" class=\"cdn\"></tr>"
                  "<tr class=\"cbt\"><td colspan=1 align=right></td></tr></table></body></html>");

    settings.displayFlags = showName | showPrice;
    build({});
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(columns, 2);
    EXPECT_EQ(page, std::string(head) + "</table></body></html>");
}

TEST_F(QuotePage, NoticePagesNeedNoFetchAndKeepTheCountsAsTheyWere)
{
    bool fetched = false;
    auto feed = [&](QuoteBatch&) {
        fetched = true;
        return 0;
    };

    std::strcpy(settings.stockList, ",hkHS");
    EXPECT_EQ(buildWith(feed).kind, PageKind::notice);
    EXPECT_EQ(page,
              "<html><style>body{border:0; font-size:12px; color:#FF0000}</style>"
              "<body scroll=no bgcolor=\"#FFFFE6\">股票代码列表中无数据 请添加股票代码</body></html>");

    context.versionBlocked = true;  // wins over the empty list
    EXPECT_EQ(buildWith(feed).kind, PageKind::upgrade);
    EXPECT_EQ(page,
              "<html><style>body{border:0; font-size:12px; color:#FF0000}</style>"
              "<body scroll=no bgcolor=\"#FFFFE6\">版本需要升级才能正常使用<br>"
              "<a href=\"http://vendor.test/\" target=\"_blank\">查看新版本</a></body></html>");
    EXPECT_FALSE(fetched);
    EXPECT_EQ(rows, 0);  // no table: the window takes its notice size
    EXPECT_EQ(columns, 0);
}

TEST_F(QuotePage, FetchFailureGivesTheErrorPage)
{
    settings.optionFlags = customColors;
    settings.displayFlags = showCode | showName | showPrice;
    const PageBuild failed = build({sampleQuote("hk1", "N", 1, 2)}, -2);
    EXPECT_EQ(failed.kind, PageKind::error);
    EXPECT_EQ(failed.fetchError, -2);
    EXPECT_EQ(page,
              "<html><style>body{border:0; font-size:12px;}</style><body scroll=no bgcolor=#332211>"
              "<font color=#FF0000>获得数据出错 请检查网络连接</font></body></html>");
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(columns, 3);
    EXPECT_EQ(build({}, -1).fetchError, -1);
}

TEST_F(QuotePage, ValuesFromTheServiceCannotAddMarkup)
{
    settings.displayFlags = showCode | showName | showRefreshTime;
    build({sampleQuote("hk<b>\"x", "<script>&'", 1, 2)}, 0, "<i>");
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find("<i>"), std::string::npos);
    EXPECT_NE(page.find("title=\"&lt;script&gt;&amp;&#39;(hk&lt;b&gt;&quot;x)&#10;"), std::string::npos);
    EXPECT_NE(page.find("&Code=hk%3Cb%3E%22x target="), std::string::npos);
    EXPECT_NE(page.find("class=\"cjc\">&lt;script&gt;</a>"), std::string::npos);  // cut at 8 bytes
    EXPECT_NE(page.find("align=right>&lt;i&gt;</td>"), std::string::npos);

    // A lead byte with no trail byte cannot swallow the closing quote of the title.
    build({sampleQuote("hk1", "AB\xB0", 1, 2)});
    EXPECT_NE(page.find("title=\"AB?(hk1)"), std::string::npos);
    EXPECT_NE(page.find(">AB?</a>"), std::string::npos);
}

TEST_F(QuotePage, LongNamesAreCutForTheLinkTextOnlyAndNeverMidCharacter)
{
    settings.displayFlags = showName;
    build({sampleQuote("hk1", "腾讯控股有限", 1, 2)});
    EXPECT_NE(page.find(">腾讯控股</a>"), std::string::npos);
    EXPECT_NE(page.find("title=\"腾讯控股有限(hk1)"), std::string::npos);

    build({sampleQuote("hk1", "A腾讯控股", 1, 2)});
    EXPECT_NE(page.find(">A腾讯控</a>"), std::string::npos);
}

TEST_F(QuotePage, HugeAndNonFiniteNumbersNeverCutACharacterBeforeMarkup)
{
    const auto wellFormed = [](const std::string& text) {
        for (std::size_t i = 0; i < text.size(); ++i)
            if (gb2312::isLeadByte(static_cast<unsigned char>(text[i])) &&
                (i + 1 == text.size() || !gb2312::isTrailByte(static_cast<unsigned char>(text[++i]))))
                return false;
        return true;
    };
    std::vector<StockQuote> quotes;
    // A previous close of every length among long numbers lands the end of a
    // kilobyte on each byte of "亿" in turn.
    for (double prev = 1; prev < 1e308; prev *= 10) {
        StockQuote q = sampleQuote("hk00700", "腾讯控股", 1, prev, "", "");
        q.openPrice = q.highPrice = q.lowPrice = 1e100;
        q.turnoverYi = 1e300;
        quotes.push_back(q);
    }
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {-1.7976931348623157e308, inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
        StockQuote q = sampleQuote("hk00700", "腾讯控股", value, value, "", "");
        q.openPrice = q.highPrice = q.lowPrice = q.turnoverYi = value;
        q.volumeWan = INT64_MIN;
        quotes.push_back(q);
    }
    settings.displayFlags = showCode | showName;
    for (const StockQuote& q : quotes) {
        build({q});
        ASSERT_TRUE(wellFormed(page)) << q.prevClose;
        char tail[400];  // the tooltip's end, in both cells
        std::snprintf(tail, sizeof tail, "&#10;成交额: %0.2f亿\" class", q.turnoverYi);
        const std::size_t first = page.find(tail);
        ASSERT_NE(first, std::string::npos) << q.prevClose;
        EXPECT_NE(page.find(tail, first + 1), std::string::npos) << q.prevClose;
    }
}

TEST_F(QuotePage, AQuoteOlderThanTheOneShownKeepsTheOneShown)
{
    settings.displayFlags = showCode | showPrice;
    const auto prices = [this](std::vector<StockQuote> quotes) {
        const PageBuild built = build(std::move(quotes));
        std::string shown;
        for (const PageRow& r : model.rows)
            shown += r.cells[0].text + " " + r.cells[1].text + ";";
        return std::pair{shown, built.newestQuote};
    };
    EXPECT_EQ(prices({sampleQuote("hk00700", "T", 370.6, 368.4, "2026/12/07", "16:08:03"),
                      sampleQuote("hkHSI", "H", 17885.47, 17734.6, "2026/12/07", "16:08:00")}),
              std::pair(std::string("hk00700 370.60;hkHSI 17885.47;"), QuoteStamp{20261207160803}));
    // A cache answers with an earlier quote of one code: its row stays.
    EXPECT_EQ(prices({sampleQuote("hk00700", "T", 360, 368.4, "2026/12/07", "16:07:59"),
                      sampleQuote("hkHSI", "H", 17890, 17734.6, "2026/12/07", "16:08:10")}),
              std::pair(std::string("hk00700 370.60;hkHSI 17890.00;"), QuoteStamp{20261207160810}));
    // An equal date and time replaces, and so does a quote without one.
    EXPECT_EQ(prices({sampleQuote("hk00700", "T", 371, 368.4, "2026/12/07", "16:08:03"),
                      sampleQuote("hkHSI", "H", 17000, 17734.6, "", "")}),
              std::pair(std::string("hk00700 371.00;hkHSI 17000.00;"), QuoteStamp{20261207160803}));
    // An error page between replies forgets nothing.
    build({}, -2);
    EXPECT_EQ(prices({sampleQuote("hk00700", "T", 300, 368.4, "2026/12/04", "16:08:03")}).first,
              "hk00700 371.00;");
}

namespace {

// 00700 held: 200 shares at 300, alias "腾讯"; the index with an alias only.
CodeBook heldBook()
{
    CodeBook book;
    book.put({"hk00700", "腾讯", 200, 300, {}, {}, {}});
    book.put({"hkHSI", "恒指", 0, {}, 20000, {}, {}});
    return book;
}

}  // namespace

TEST_F(QuotePage, HoldingsAddAProfitColumnAndATotalRowWithTheirWorthInTooltips)
{
    std::strcpy(settings.stockList, ",hk00700,hkHSI,hk00005");
    const CodeBook book = heldBook();
    PageCodes codes;
    codes.book = &book;
    const std::vector<StockQuote> quotes = {sampleQuote("hk00700", "腾讯控股", 370, 372),
                                            sampleQuote("hkHSI", "恒生指数", 17000, 16900),
                                            sampleQuote("hk00005", "汇丰控股", 63, 62)};
    const auto feed = [&](QuoteBatch& b) {
        for (const StockQuote& q : quotes)
            b.quotes[b.count++] = q;
        return 0;
    };
    const PageBuild built = buildQuotePage(settings, context, model, feed, codes);
    renderPageHtml(model, page);
    EXPECT_TRUE(built.watching);
    EXPECT_EQ(model.columnCount, 6);
    EXPECT_EQ(model.rowCount, 4);  // three quotes and the total

    const PageRow& held = model.rows[2];
    ASSERT_EQ(held.cells.size(), 6u);
    EXPECT_EQ(held.cells[1].text, "腾讯");
    EXPECT_EQ(held.cells[5].text, "-400");
    EXPECT_EQ(held.tooltip[0], "腾讯控股(hk00700)");
    EXPECT_EQ(std::vector<std::string>(held.tooltip.end() - 4, held.tooltip.end()),
              (std::vector<std::string>{"持股: 200", "成本: 300.000", "市值: 74000", "浮动盈亏: +14000"}));
    EXPECT_EQ(model.rows[3].cells[1].text, "☆恒指");  // an alert set; an index holds nothing
    EXPECT_EQ(model.rows[3].cells[5].text, "");
    const PageRow& total = model.rows[5];
    EXPECT_EQ(total.kind, RowKind::total);
    EXPECT_EQ(total.tone, Tone::fall);
    EXPECT_EQ(total.cells[0].text, "合计");
    EXPECT_EQ(total.cells[1].text, "-400");
    EXPECT_EQ(total.tooltip, (std::vector<std::string>{"市值: 74000", "浮动盈亏: +14000"}));
    EXPECT_NE(page.find("<td>-400</td>"), std::string::npos);
    EXPECT_NE(page.find("<td colspan=5 align=\"center\" title=\"市值: 74000&#10;浮动盈亏: +14000\">合计</td>"),
              std::string::npos);

    // Hidden by the display's check box: the table is as without holdings,
    // but for an alias longer than a service's name, which takes a column's
    // width more.
    settings.displayFlags |= hideProfitColumn;
    buildQuotePage(settings, context, model, feed, codes);
    EXPECT_EQ(model.columnCount, 5);
    EXPECT_EQ(model.rowCount, 3);
    CodeBook longer = book;
    CodeRecord named = *book.find("hk00700");
    named.alias = "腾讯控股公司";
    longer.put(named);
    codes.book = &longer;
    buildQuotePage(settings, context, model, feed, codes);
    EXPECT_EQ(model.columnCount, 6);
    EXPECT_EQ(model.rows[2].cells[1].text, "腾讯控股公司");
}

TEST_F(QuotePage, TheDiscreetLookShowsAliasesOrCodesInOneToneWithoutLinksOrTooltips)
{
    std::strcpy(settings.stockList, ",hk00700,hk00005");
    const CodeBook book = heldBook();
    PageCodes codes;
    codes.book = &book;
    codes.discreet = true;
    codes.markOf = [](const StockQuote& q) {
        return std::string_view(q.code) == "hk00005" ? CodeMark::fired : CodeMark::none;
    };
    buildQuotePage(settings, context, model, [](QuoteBatch& b) {
        b.quotes[b.count++] = sampleQuote("hk00700", "腾讯控股", 370, 372);
        b.quotes[b.count++] = sampleQuote("hk00005", "汇丰控股", 63, 62);
        return 0;
    }, codes);
    renderPageHtml(model, page);
    EXPECT_EQ(model.columnCount, 5);
    EXPECT_EQ(model.rowCount, 2);
    EXPECT_EQ(model.rows[2].cells[1].text, "腾讯");
    EXPECT_EQ(model.rows[3].cells[1].text, "★00005");
    for (const PageRow& row : model.rows) {
        EXPECT_EQ(row.tone, Tone::header);
        EXPECT_TRUE(row.tooltip.empty());
    }
    EXPECT_EQ(page.find("<a "), std::string::npos);
    EXPECT_EQ(page.find("title="), std::string::npos);
    EXPECT_EQ(page.find("汇丰控股"), std::string::npos);
    EXPECT_EQ(page.find("cup"), page.rfind("cup"));  // in the style sheet only
    EXPECT_EQ(page.find("class=\"cdn\""), std::string::npos);
}
