// The page file the browser control loads, byte for byte, for a few fixed
// inputs: the files in golden/ beside this one. ZEB_WRITE_GOLDEN=1 writes
// them anew from the program (for a change of the page that is meant).
#include "quotes/QuotePage.h"

#include "tests/support/SampleQuotes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string goldenPath(const std::string& name)
{
    const std::string here = __FILE__;
    return here.substr(0, here.find_last_of("/\\") + 1) + "golden/" + name;
}

struct GoldenCase {
    const char* file;
    std::uint32_t displayFlags;
    bool customColors;
    bool blocked;
    const char* stockList;
    int fetchResult;
    std::vector<StockQuote> quotes;
    const char* time;
};

StockQuote fullQuote(const char* code, const char* name, double last, double prev)
{
    StockQuote q = sampleQuote(code, name, last, prev);
    q.openPrice = prev + 0.5;
    q.highPrice = last + 1;
    q.lowPrice = prev - 1;
    q.volumeWan = 1412;
    q.turnoverYi = 52.18;
    return q;
}

std::vector<GoldenCase> cases()
{
    const std::vector<StockQuote> table = {
        fullQuote("hk00700", "腾讯控股", 370.6, 368.4), fullQuote("hkHSI", "恒生指数", 17885.47, 17934.6),
        fullQuote("hk08001", "东方汇财证券", 0.335, 0.34), fullQuote("hk01234", "停牌股", 0, 10),
        fullQuote("hk00005", "汇丰控股", 60, 60)};
    return {
        {"quotes_all.htm", 0x7F, false, false, ",hk00700,hkHSI,hk08001,hk01234,hk00005", 0, table,
         "2023-09-26 16:08"},
        {"quotes_few.htm", showName | showChangePercent | showRefreshTime, true, false, ",hk00700,hkHSI", 0,
         {table[0], table[1]}, "2023-09-26 16:08"},
        {"quotes_no_columns.htm", showHeader | showRefreshTime, false, false, ",hk00700", 0, {table[0]}, ""},
        {"quotes_escaped.htm", 0x7F, false, false, ",hk00700", 0,
         {fullQuote("hk<b>\"x", "<script>&'", 1, 2), fullQuote("hk1", "AB\xB0", 1, 2),
          fullQuote("hk2", "A&B  C\tD", 3, 2)},
         "<i>"},
        {"error.htm", 0x7F, true, false, ",hk00700", -2, table, ""},
        {"notice.htm", 0x7F, false, false, ",hkHS", 0, {}, ""},
        {"upgrade.htm", 0x7F, false, true, ",hk00700", 0, {}, ""},
    };
}

// One model for all the cases, as the program reuses it build after build.
std::string pageFor(const GoldenCase& c, QuotePageModel& model)
{
    UserSettings settings{};
    std::strcpy(settings.stockList, c.stockList);
    settings.displayFlags = c.displayFlags;
    settings.fontSizeIndex = 1;
    if (c.customColors) {
        settings.optionFlags = customColors;
        settings.backColor = 0x00112233;
        settings.nameColor = 0x00445566;
        settings.upColor = 0x00778899;
        settings.downColor = 0x00AABBCC;
        settings.headerColor = 0x00DDEEFF;
    }
    buildQuotePage(settings, samplePageContext(c.blocked), model, [&](QuoteBatch& b) {
        if (c.fetchResult != 0)
            return c.fetchResult;
        for (const StockQuote& q : c.quotes)
            b.quotes[b.count++] = q;
        std::strcpy(b.dataTime, c.time);
        return 0;
    });
    std::string page;
    renderPageHtml(model, page);
    return page;
}

}  // namespace

TEST(QuotePageFile, IsByteForByteTheGoldenPage)
{
    const bool write = std::getenv("ZEB_WRITE_GOLDEN") != nullptr;
    QuotePageModel model;
    for (const GoldenCase& c : cases()) {
        SCOPED_TRACE(c.file);
        const std::string page = pageFor(c, model);
        if (write)
            std::ofstream(goldenPath(c.file), std::ios::binary) << page;
        std::ifstream in(goldenPath(c.file), std::ios::binary);
        ASSERT_TRUE(in);
        EXPECT_EQ(page, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
}
