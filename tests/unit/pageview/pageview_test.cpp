#include "common/WebAddress.h"
#include "quotes/QuotePage.h"
#include "pageview/PageView.h"

#include "tests/support/SampleQuotes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Fixed-width measure: half the font size per byte, so a double-byte
// character is one font size wide; lines are the font size plus 2.
TextSize fakeMeasure(const std::string& text, int fontPx)
{
    return {static_cast<int>(text.size()) * fontPx / 2, fontPx + 2};
}

constexpr Color pale = 0x00E6FFFF;        // #FFFFE6
constexpr Color nameBlue = 0x00FF0000;    // #0000FF
constexpr Color riseGreen = 0x00009900;   // #009900
constexpr Color fallRed = 0x000000FF;     // #FF0000
constexpr Color separator = 0x00CC0000;   // #0000CC

StockQuote quote(const char* code, const char* name, float last, float prev)
{
    StockQuote q = sampleQuote(code, name, last, prev);
    q.openPrice = 1.5f;
    q.highPrice = 2.25f;
    q.lowPrice = 1.0f;
    q.volumeWan = 1234;
    q.turnoverYi = 5.5f;
    return q;
}

bool inside(const Rect& r, int width, int height)
{
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && !r.empty();
}

void expectInsideView(const PageLayout& layout, int width, int height)
{
    for (const PageTextRun& run : layout.runs) {
        EXPECT_TRUE(inside(run.clip, width, height)) << run.text;
        EXPECT_TRUE(run.clip.left >= run.rect.left && run.clip.right <= run.rect.right) << run.text;
    }
    for (const PageFill& f : layout.fills)
        EXPECT_TRUE(inside(f.rect, width, height));
    for (const PageLink& l : layout.links)
        EXPECT_TRUE(inside(l.rect, width, height)) << l.href;
    for (const PageTip& t : layout.tips)
        EXPECT_TRUE(inside(t.rect, width, height));
}

const PageTextRun* findRun(const PageLayout& layout, const std::string& text)
{
    for (const PageTextRun& run : layout.runs)
        if (run.text == text)
            return &run;
    return nullptr;
}

class PageViewLayout : public ::testing::Test {
protected:
    UserSettings settings{};
    std::vector<StockQuote> quotes;
    QuotePageModel page;
    int rows = 2, columns = 3;
    // The control's size as the mini-window gives it for 12 px pages.
    int width = 0, height = 0;

    void SetUp() override
    {
        std::strcpy(settings.stockList, ",hk00700,hk08001");
        settings.displayFlags = 0x7F;
        settings.fontSizeIndex = 1;
    }
    PageContext context = samplePageContext();

    PageLayout build(int fetchResult = 0)
    {
        buildQuotePage(settings, context, page, [&](QuoteBatch& b) {
            if (fetchResult != 0)
                return fetchResult;
            for (const StockQuote& q : quotes)
                b.quotes[b.count++] = q;
            std::strcpy(b.dataTime, "2023-09-26 16:08");
            return 0;
        });
        // Pages without a table get the window of two rows of three columns.
        const bool table = page.kind == PageKind::quotes || page.kind == PageKind::error;
        rows = table ? page.rowCount : 2;
        columns = table ? page.columnCount : 3;
        width = 55 * columns + 20;
        height = 18 * (rows ? rows : 1) + 5 + 20 + 18;
        return layoutPage(page, width, height, 96, fakeMeasure);
    }
};

TEST_F(PageViewLayout, QuoteTableWithHeaderAndTimeLines)
{
    quotes = {quote("hk00700", "腾讯控股", 320.4f, 310.0f), quote("hkHSI", "恒生指数", 17000.5f, 17100.0f)};
    PageLayout layout = build();
    ASSERT_EQ(columns, 5);
    EXPECT_EQ(layout.background, pale);
    expectInsideView(layout, width, height);

    // Header texts in the header color, centred in their columns.
    const PageTextRun* code = findRun(layout, "代码");
    const PageTextRun* change = findRun(layout, "涨跌(%)");
    ASSERT_TRUE(code && change);
    EXPECT_EQ(code->color, 0u);
    EXPECT_EQ(code->rect.top, 5 + 2);  // margin, then cell padding

    // The blue separator: 1 px high, across the whole table below the header.
    ASSERT_EQ(layout.fills.size(), 1u);
    const PageFill& line = layout.fills[0];
    EXPECT_EQ(line.color, separator);
    EXPECT_EQ(line.rect.bottom - line.rect.top, 1);
    EXPECT_EQ(line.rect.left, 5);
    EXPECT_EQ(line.rect.right, width - 5);
    EXPECT_EQ(line.rect.top, code->rect.bottom + 2);

    // Rising row green, falling row red; code and name links in the name color.
    const PageTextRun* risePrice = findRun(layout, "320.40");
    const PageTextRun* riseChange = findRun(layout, "+10.40");
    const PageTextRun* fallPrice = findRun(layout, "17000.50");
    const PageTextRun* fallPercent = findRun(layout, "-0.58%");
    const PageTextRun* name = findRun(layout, "腾讯控股");
    const PageTextRun* indexCode = findRun(layout, "hkHSI");
    ASSERT_TRUE(risePrice && riseChange && fallPrice && fallPercent && name && indexCode);
    EXPECT_EQ(risePrice->color, riseGreen);
    EXPECT_EQ(riseChange->color, riseGreen);
    EXPECT_EQ(fallPrice->color, fallRed);
    EXPECT_EQ(fallPercent->color, fallRed);
    EXPECT_EQ(name->color, nameBlue);
    EXPECT_TRUE(name->underline);
    EXPECT_FALSE(risePrice->underline);
    EXPECT_EQ(risePrice->rect.top, line.rect.bottom + 2);
    EXPECT_GT(fallPrice->rect.top, risePrice->rect.bottom);

    // Figures stand at the right of their cells, names in the middle, and
    // all figures of a column end at the same place.
    EXPECT_EQ(risePrice->rect.right, fallPrice->rect.right);
    EXPECT_NE(risePrice->rect.left, fallPrice->rect.left);
    const PageTextRun* nameHeader = findRun(layout, "简称");
    ASSERT_TRUE(nameHeader);
    EXPECT_EQ((name->rect.left + name->rect.right) / 2, (nameHeader->rect.left + nameHeader->rect.right) / 2);

    // The refresh time at the right edge of the table, below the rows.
    const PageTextRun* time = findRun(layout, "2023-09-26 16:08");
    ASSERT_TRUE(time);
    EXPECT_EQ(time->rect.right, width - 5 - 2);
    EXPECT_GT(time->rect.top, fallPrice->rect.bottom);

    // Code and name of each row link to the vendor's page and carry the tooltip.
    ASSERT_EQ(layout.links.size(), 4u);
    EXPECT_NE(layout.links[0].href.find("/zeb/zebskip.php?Ver=2&Code=hk00700"), std::string::npos);
    EXPECT_EQ(layout.links[1].rect.left, name->clip.left);
    const PageLink* hit = layout.linkAt(name->rect.left + 1, name->rect.top + 1);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->href, layout.links[1].href);
    EXPECT_EQ(layout.linkAt(risePrice->rect.left + 1, risePrice->rect.top + 1), nullptr);
    ASSERT_EQ(layout.tips.size(), 4u);
    EXPECT_EQ(layout.tips[1].text,
              "腾讯控股(hk00700)\n昨收盘: 310.00\n今开盘: 1.50\n最  高: 2.25\n最  低: 1.00\n"
              "成交量: 1234万股\n成交额: 5.50亿\n时间: 2023/09/26 16:08:03");
}

TEST_F(PageViewLayout, QuoteTableWithoutHeaderOrTimeHasNoSeparator)
{
    settings.displayFlags = showCode | showPrice;
    settings.fontSizeIndex = 4;
    quotes = {quote("hk00005", "汇丰控股", 60.1f, 60.1f)};
    PageLayout layout = build();
    expectInsideView(layout, width, height);
    EXPECT_TRUE(layout.fills.empty());
    const PageTextRun* code = findRun(layout, "hk00005");
    const PageTextRun* price = findRun(layout, "60.10");
    ASSERT_TRUE(code && price);
    EXPECT_EQ(code->fontPx, 15);
    EXPECT_EQ(code->rect.top, 5 + 2);
    EXPECT_EQ(price->color, fallRed);  // unchanged shows in the fall color
    EXPECT_EQ(findRun(layout, "2023-09-26 16:08"), nullptr);
    EXPECT_EQ(layout.runs.size(), 2u);
}

TEST_F(PageViewLayout, ThreeDecimalPriceAndNoTrade)
{
    quotes = {quote("hk08001", "小型股", 0.335f, 0.33f), quote("hk01234", "停牌股", 0.0f, 10.0f)};
    PageLayout layout = build();
    expectInsideView(layout, width, height);
    const PageTextRun* price = findRun(layout, "0.335");
    const PageTextRun* change = findRun(layout, "+0.005");
    const PageTextRun* noTrade = findRun(layout, "0.00%");
    ASSERT_TRUE(price && change && noTrade);
    EXPECT_EQ(price->color, riseGreen);
    EXPECT_EQ(noTrade->color, fallRed);
    EXPECT_EQ(price->rect.right - price->rect.left, 5 * 6);
}

TEST_F(PageViewLayout, RowsWithoutCellsTakeNoSpace)
{
    settings.displayFlags = showHeader | showRefreshTime;
    quotes = {quote("hk00700", "腾讯控股", 320.0f, 310.0f), quote("hk00005", "汇丰控股", 60.0f, 61.0f)};
    PageLayout layout = build();
    ASSERT_EQ(columns, 1);
    expectInsideView(layout, width, height);
    // Only the separator and the time remain; the time sits right under it,
    // wrapped at its space in the one narrow column, both lines at the right.
    ASSERT_EQ(layout.fills.size(), 1u);
    EXPECT_EQ(layout.fills[0].rect.top, 5);
    EXPECT_EQ(layout.fills[0].rect.right - layout.fills[0].rect.left, width - 10);
    ASSERT_EQ(layout.runs.size(), 2u);
    EXPECT_EQ(layout.runs[0].text, "2023-09-26");
    EXPECT_EQ(layout.runs[1].text, "16:08");
    EXPECT_EQ(layout.runs[0].rect.top, layout.fills[0].rect.bottom + 2);
    EXPECT_EQ(layout.runs[1].rect.top, layout.runs[0].rect.bottom);
    EXPECT_EQ(layout.runs[0].rect.right, width - 5 - 2);
    EXPECT_EQ(layout.runs[1].rect.right, width - 5 - 2);
    EXPECT_TRUE(layout.links.empty());
}

TEST_F(PageViewLayout, ErrorEmptyListAndUpgradePages)
{
    PageLayout error = build(-2);
    expectInsideView(error, width, height);
    ASSERT_EQ(error.runs.size(), 1u);
    EXPECT_EQ(error.runs[0].text, "获得数据出错 请检查网络连接");
    EXPECT_EQ(error.runs[0].color, fallRed);
    EXPECT_EQ(error.runs[0].fontPx, 12);
    EXPECT_EQ(error.background, pale);

    settings.stockList[0] = '\0';
    PageLayout empty = build();
    expectInsideView(empty, width, height);
    ASSERT_FALSE(empty.runs.empty());
    EXPECT_EQ(empty.runs[0].text.rfind("股票代码列表中无数据", 0), 0u);
    for (const PageTextRun& run : empty.runs)
        EXPECT_EQ(run.color, fallRed);

    context.versionBlocked = true;
    settings.optionFlags = customColors;
    settings.backColor = 0x00203040;
    PageLayout upgrade = build();
    expectInsideView(upgrade, width, height);
    EXPECT_EQ(upgrade.background, 0x00203040u);
    const PageTextRun* text = findRun(upgrade, "版本需要升级才能正常使用");
    const PageTextRun* link = findRun(upgrade, "查看新版本");
    ASSERT_TRUE(text && link);
    EXPECT_EQ(text->color, fallRed);
    EXPECT_TRUE(link->underline);
    EXPECT_EQ(link->rect.left, text->rect.left);
    EXPECT_EQ(link->rect.top, text->rect.bottom);  // <br> starts a new line
    ASSERT_EQ(upgrade.links.size(), 1u);
    EXPECT_TRUE(isWebAddress(upgrade.links[0].href)) << upgrade.links[0].href;
}

TEST_F(PageViewLayout, SmallViewClipsEverything)
{
    quotes = {quote("hk00700", "腾讯控股", 320.4f, 310.0f), quote("hkHSI", "恒生指数", 17000.5f, 17100.0f)};
    build();
    for (int size : {0, 1, 12, 40}) {
        PageLayout layout = layoutPage(page, size * 2, size, 96, fakeMeasure);
        expectInsideView(layout, size * 2, size);
        if (size == 0) {
            EXPECT_TRUE(layout.runs.empty() && layout.fills.empty() && layout.links.empty());
        }
    }
    // A view narrower than the table keeps the table at the left margin.
    PageLayout narrow = layoutPage(page, 60, 200, 96, fakeMeasure);
    const PageTextRun* widest = findRun(narrow, "hk00700");
    ASSERT_TRUE(widest);
    EXPECT_EQ(widest->rect.left, 5 + 2);
    expectInsideView(narrow, 60, 200);
}

TEST_F(PageViewLayout, LongTextWrapsWithinTheView)
{
    build(-2);
    page.fontPx = 16;  // a space inside a line, not at a break
    PageLayout layout = layoutPage(page, 100, 200, 96, fakeMeasure);
    expectInsideView(layout, 100, 200);
    ASSERT_GE(layout.runs.size(), 2u);
    std::string joined;
    int lastTop = -1;
    for (const PageTextRun& run : layout.runs) {
        EXPECT_LE(run.rect.right, 100 - 8);
        EXPECT_GT(run.rect.top, lastTop);  // one run per line here
        EXPECT_NE(run.text.front(), ' ');
        EXPECT_NE(run.text.back(), ' ');
        lastTop = run.rect.top;
        joined += run.text;
    }
    joined.erase(joined.find(' '), 1);
    EXPECT_EQ(joined, "获得数据出错请检查网络连接");
}

TEST_F(PageViewLayout, RunsOfWhiteSpaceInValuesShowAsOneSpace)
{
    settings.displayFlags = showName;
    quotes = {quote("hk00700", "A \t\n B", 320.4f, 310.0f)};
    PageLayout layout = build();
    ASSERT_TRUE(findRun(layout, "A B"));
    EXPECT_EQ(shownText(page), "A B");
}

TEST_F(PageViewLayout, AtTwiceTheDpiEverythingIsTwiceAsLarge)
{
    quotes = {quote("hk00700", "腾讯控股", 320.2f, 318.0f), quote("hk08001", "东方汇财证券", 0.01f, 0.012f)};
    build();
    EXPECT_EQ(page.fontFace, "宋体");
    // Text that grows with its font, as the system's does.
    const auto measure = [](const std::string& text, int fontPx) {
        return TextSize{static_cast<int>(text.size()) * fontPx / 2, fontPx * 7 / 6};
    };
    const PageLayout at96 = layoutPage(page, width, height, 96, measure);
    const PageLayout at192 = layoutPage(page, 2 * width, 2 * height, 192, measure);
    ASSERT_EQ(at192.runs.size(), at96.runs.size());
    for (std::size_t i = 0; i < at96.runs.size(); ++i) {
        SCOPED_TRACE(at96.runs[i].text);
        EXPECT_EQ(at192.runs[i].text, at96.runs[i].text);
        EXPECT_EQ(at192.runs[i].fontPx, 2 * at96.runs[i].fontPx);
        // Centring and shared widths round to whole pixels.
        EXPECT_NEAR(at192.runs[i].rect.left, 2 * at96.runs[i].rect.left, 4);
        EXPECT_NEAR(at192.runs[i].rect.top, 2 * at96.runs[i].rect.top, 4);
    }
    ASSERT_EQ(at192.fills.size(), at96.fills.size());
    EXPECT_EQ(at192.fills[0].rect.height(), 2 * at96.fills[0].rect.height());
}

TEST(PageLinks, OnlyWebAddressesGoToTheShell)
{
    EXPECT_TRUE(isWebAddress("http://www.quillon.com.cn/zeb/zebskip.php?Ver=2&Code=hk00700"));
    EXPECT_TRUE(isWebAddress("HTTPS://example.com/"));
    EXPECT_TRUE(isWebAddress("http://127.0.0.1:8080/a"));
    for (const char* bad : {"", "http://", "https://", "http:///etc/passwd", "file:///C:/Windows/notepad.exe",
                            "C:\\Windows\\System32\\calc.exe", "javascript:alert(1)", "mailto:a@b.c",
                            "ftp://host/", "http:/host", " http://host/", "http://host/a b",
                            "http://host/\"x", "http://host/\x01", "http://ho\xb9\xfast/", "\\\\server\\share",
                            "httpx://host/", "http://?q=1", "https://#top"})
        EXPECT_FALSE(isWebAddress(bad)) << bad;
    EXPECT_FALSE(isWebAddress("http://x/" + std::string(3000, 'a')));
}

}  // namespace

TEST_F(PageViewLayout, HoldingsColumnAndTotalRowAsTheBrowserShowsThem)
{
    CodeBook book;
    book.put({"hk00700", "", 200, 300, {}, {}, {}});
    PageCodes codes;
    codes.book = &book;
    quotes = {quote("hk00700", "腾讯控股", 370, 372)};
    buildQuotePage(settings, context, page, [&](QuoteBatch& b) {
        b.quotes[b.count++] = quotes[0];
        return 0;
    }, codes);
    width = 55 * page.columnCount + 20;
    height = 18 * page.rowCount + 5 + 20 + 18 + 20;
    const PageLayout layout = layoutPage(page, width, height, 96, fakeMeasure);
    expectInsideView(layout, width, height);

    const PageTextRun* header = findRun(layout, "盈亏");
    const PageTextRun* loss = findRun(layout, "-400");
    const PageTextRun* total = findRun(layout, "合计");
    ASSERT_TRUE(header && loss && total);
    EXPECT_EQ(std::count_if(layout.runs.begin(), layout.runs.end(),
                            [](const PageTextRun& r) { return r.text == "-400"; }),
              2);  // the row's and the total's
    EXPECT_EQ(loss->color, fallRed);
    EXPECT_EQ(loss->rect.right, width - 5 - 2);  // the last column, right-aligned
    EXPECT_LT(total->rect.right, header->rect.left);  // across the other columns
    const auto tip = std::find_if(layout.tips.begin(), layout.tips.end(),
                                  [&](const PageTip& t) { return t.rect.contains(total->rect.left + 1, total->rect.top + 1); });
    ASSERT_NE(tip, layout.tips.end());
    EXPECT_EQ(tip->text, "市值: 74000\n浮动盈亏: +14000");
    EXPECT_EQ(layout.linkAt(total->rect.left + 1, total->rect.top + 1), nullptr);
}
