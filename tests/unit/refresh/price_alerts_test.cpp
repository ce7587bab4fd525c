#include "quotes/PriceAlerts.h"

#include "quotes/ExchangeCalendar.h"
#include "tests/support/SampleQuotes.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t minute = 60 * 1000;

// Hong Kong's 10:00 on Wednesday 2026-12-09, plus minutes.
UtcMs morning(int minutes = 0)
{
    return daysFromCivil(2026, 12, 9) * 86400000 + 2 * 60 * minute + minutes * minute;
}

class Alerts : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.put({"hk00700", "", 0, {}, 369, {}, {}});
    }

    // Judges one quote of 00700 at the price, dated today, and returns what fired.
    std::vector<FiredAlert> at(int minutes, double price, bool trading = true, const char* date = "2026/12/09")
    {
        const StockQuote q = sampleQuote("hk00700", "腾讯控股", price, 372, date, "10:00:00");
        watch.judge(&q, 1, book, morning(minutes), trading);
        return watch.takeFired();
    }

    CodeBook book;
    AlertWatch watch;
};

}  // namespace

TEST_F(Alerts, FireOnTheChangeToTrueAndAgainOnlyAfterAFalseRefresh)
{
    EXPECT_EQ(at(0, 370).size(), 1u);  // the first refresh counts as a change
    EXPECT_TRUE(at(10, 371).empty());  // still true: no repeat
    EXPECT_TRUE(at(20, 360).empty());  // false: re-armed
    const std::vector<FiredAlert> again = at(30, 369);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].rule, AlertRule::above);
    EXPECT_EQ(again[0].code, "00700");
    EXPECT_EQ(watch.markOf(book, "hk00700", morning(30)), CodeMark::fired);
    // The next day the mark is back to watched, and the first refresh fires anew.
    EXPECT_EQ(watch.markOf(book, "hk00700", morning(24 * 60)), CodeMark::watched);
    EXPECT_EQ(at(24 * 60, 370, true, "2026/12/10").size(), 1u);
}

TEST_F(Alerts, ACodeFiresAtMostOnceInFiveMinutesAndAHeldRuleFiresAfter)
{
    EXPECT_EQ(at(0, 370).size(), 1u);
    EXPECT_TRUE(at(1, 360).empty());
    EXPECT_TRUE(at(2, 370).empty());   // re-armed, but within 5 minutes
    EXPECT_EQ(at(5, 370).size(), 1u);  // still true when the 5 minutes are over
    EXPECT_TRUE(at(6, 360).empty());
    EXPECT_EQ(at(-60, 370).size(), 1u);  // the clock set back an hour holds nothing back
}

TEST_F(Alerts, OnlyTodaysQuotesWhileTheExchangeTradesAreJudged)
{
    EXPECT_TRUE(at(0, 370, false).empty());
    EXPECT_TRUE(at(0, 370, true, "2026/12/08").empty());
    EXPECT_EQ(watch.markOf(book, "hk00700", morning()), CodeMark::watched);
    EXPECT_EQ(at(1, 370).size(), 1u);  // the first judged refresh
    // A reply older than the one judged changes nothing: no re-arming by it.
    const StockQuote old = sampleQuote("hk00700", "腾讯控股", 360, 372, "2026/12/09", "09:59:00");
    watch.judge(&old, 1, book, morning(10), true);
    EXPECT_TRUE(at(11, 370).empty());
}

TEST_F(Alerts, BelowAndMoveRulesAndANewThresholdRearms)
{
    CodeRecord hsbc{"hk00005", "汇丰", 0, {}, {}, 60, 5};
    book.put(hsbc);
    StockQuote q = sampleQuote("hk00005", "汇丰控股", 63, 66.5, "2026/12/09");  // -5.26%
    watch.judge(&q, 1, book, morning(), true);
    std::vector<FiredAlert> fired = watch.takeFired();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].rule, AlertRule::move);
    EXPECT_EQ(fired[0].name, "汇丰");

    hsbc.move = 6;  // not reached: nothing
    hsbc.below = 64;  // a new threshold, true at once
    book.put(hsbc);
    watch.judge(&q, 1, book, morning(6), true);
    fired = watch.takeFired();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].rule, AlertRule::below);
}

TEST(AlertNotice, NamesEachCodeItsPriceAndRuleAndCountsWhatItLeavesOut)
{
    std::vector<FiredAlert> fired = {{"腾讯控股", "00700", AlertRule::above, 370, -0.5, 369}};
    EXPECT_EQ(alertNoticeText(fired), "腾讯控股 00700 现价 370.000 高于 369.000");
    fired.push_back({"汇丰", "00005", AlertRule::move, 63, -5.263, 5});
    fired.push_back({"恒指", "HSI", AlertRule::below, 17885.47, 0, 18000});
    fired.push_back({"小米", "01810", AlertRule::below, 20, 0, 21});
    EXPECT_EQ(alertNoticeText(fired), "腾讯控股 00700 现价 370.000 高于 369.000\n"
                                      "汇丰 00005 现价 63.000 涨跌幅 -5.26% 超过 5%\n"
                                      "恒指 HSI 现价 17885.47 低于 18000.00\n"
                                      "等 4 个提醒");
}
