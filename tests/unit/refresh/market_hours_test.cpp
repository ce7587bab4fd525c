#include "quotes/ExchangeCalendar.h"
#include "quotes/MarketHours.h"
#include "quotes/RefreshWorker.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t second = 1000, minute = 60 * second, hour = 60 * minute;

// UTC times of one week: Monday 2026-12-07 00:00 UTC (08:00 in Hong Kong).
constexpr UtcMs utcMonday = 1796601600000;
constexpr UtcMs utc(int dayFromMonday, int h, int m = 0, int s = 0)
{
    return utcMonday + dayFromMonday * 24 * hour + h * hour + m * minute + s * second;
}

}  // namespace

TEST(MarketHours, HongKongClockAcrossUtcMidnightWeekendsAndTheBreak)
{
    struct Case {
        UtcMs t;
        bool open;
        const char* hongKong;
    };
    const Case cases[] = {
        {utc(0, 0, 59, 59), false, "Mon 08:59:59"}, {utc(0, 1), true, "Mon 09:00"},
        {utc(-1, 23, 59), false, "Mon 07:59, Sunday in UTC"},
        {utc(0, 3, 59, 59), true, "Mon 11:59:59"}, {utc(0, 4), false, "Mon 12:00"},
        {utc(0, 4, 59, 59), false, "Mon 12:59:59"}, {utc(0, 5), true, "Mon 13:00"},
        {utc(4, 8, 59, 59), true, "Fri 16:59:59"},  {utc(4, 9), false, "Fri 17:00"},
        {utc(0, 16), false, "Tue 00:00"},          {utc(3, 20), false, "Fri 04:00, Thursday in UTC"},
        {utc(4, 20), false, "Sat 04:00, Friday 15:00 in New York"},
        {utc(5, 2), false, "Sat 10:00"},           {utc(6, 2), false, "Sun 10:00"},
        {utc(6, 17), false, "Mon 01:00, Sunday in UTC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hongKongMarketOpen(c.t), c.open) << c.hongKong;
        EXPECT_EQ(msUntilMarketOpens(c.t) == 0, c.open) << c.hongKong;
    }
    EXPECT_EQ(msUntilMarketOpens(utc(4, 9)), 64 * hour);            // Friday's close to Monday 09:00
    EXPECT_EQ(msUntilMarketOpens(utc(0, 4)), hour);                 // the midday break
    EXPECT_EQ(msUntilMarketOpens(utc(-1, 23, 59)), hour + minute);  // Monday 07:59
    EXPECT_EQ(msUntilMarketOpens(utc(6, 2)), 23 * hour);            // Sunday 10:00
}

TEST(MarketHours, NextTimedWake)
{
    const UtcMs tuesdayTen = utc(1, 2);  // 10:00 in Hong Kong
    // Hidden: no timed wake at all.
    EXPECT_EQ(timedRefreshWaitMs(0, 10, false, tuesdayTen), noTimedWake);
    // Trading: when the interval runs out; at once once it has.
    EXPECT_EQ(timedRefreshWaitMs(3 * second, 10, true, tuesdayTen), 7 * second);
    EXPECT_EQ(timedRefreshWaitMs(42 * second, 30, true, tuesdayTen), 0);
    EXPECT_EQ(timedRefreshWaitMs(3 * second, 0, true, tuesdayTen), hour - 3 * second);  // "no refresh"
    EXPECT_EQ(timedRefreshWaitMs(3 * second, 9, true, tuesdayTen), hour - 3 * second);
    // Due at the close or in the break: until the opening, an hour at a time.
    EXPECT_EQ(timedRefreshWaitMs(0, 10, true, utc(1, 8, 59, 55)), hour);
    EXPECT_EQ(timedRefreshWaitMs(20 * second, 10, true, utc(1, 4, 30)), 30 * minute);
    EXPECT_EQ(timedRefreshWaitMs(0, 3600, true, utc(1, 3, 30)), hour);  // due in the break: a look then
    EXPECT_EQ(timedRefreshWaitMs(0, 10, true, utc(1, 4, 59, 55)), 10 * second);
}

namespace {

// Hong Kong's clock on a date: hh:mm:ss of YYYY-MM-DD, as UTC.
UtcMs hongKongAt(int year, int month, int day, int h, int m = 0, int s = 0)
{
    return (daysFromCivil(year, month, day) * 24 + h - 8) * hour + m * minute + s * second;
}

ExchangeDay dayOf(int year, int month, int day)
{
    return exchangeDayOf(daysFromCivil(year, month, day));
}

}  // namespace

TEST(ExchangeCalendar, HolidaysHalfDaysAndSubstituteDays)
{
    using D = ExchangeDay;
    struct Case {
        int y, m, d;
        D kind;
        const char* what;
    };
    const Case cases[] = {
        {2026, 1, 1, D::holiday, "New Year's Day"},
        {2026, 2, 16, D::halfDay, "Lunar New Year's Eve"},
        {2026, 2, 19, D::holiday, "third day of Lunar New Year"},
        {2026, 2, 20, D::trading, "the Friday after"},
        {2026, 4, 6, D::holiday, "for Ching Ming on a Sunday"},
        {2026, 4, 7, D::holiday, "for that substitute falling on Easter Monday"},
        {2026, 5, 25, D::holiday, "for the Buddha's Birthday on a Sunday"},
        {2026, 9, 25, D::trading, "Mid-Autumn itself: the day following is the holiday (a Saturday)"},
        {2026, 10, 19, D::holiday, "for Chung Yeung on a Sunday"},
        {2026, 12, 24, D::halfDay, "Christmas Eve"},
        {2026, 12, 25, D::holiday, "Christmas Day"},
        {2026, 12, 26, D::weekend, "the first weekday after Christmas, a Saturday"},
        {2026, 12, 28, D::trading, "no substitute for a Saturday"},
        {2026, 12, 31, D::halfDay, "New Year's Eve"},
        {2027, 2, 5, D::halfDay, "Lunar New Year's Eve, a Friday"},
        {2027, 2, 9, D::holiday, "fourth day of Lunar New Year for the second on a Sunday"},
        {2027, 3, 29, D::holiday, "Easter Monday"},
        {2027, 12, 24, D::halfDay, "Christmas Eve"},
        {2027, 12, 27, D::holiday, "the first weekday after Christmas on a Saturday"},
        {2028, 12, 25, D::trading, "a year past the list knows no holiday"},
        {2028, 12, 23, D::weekend, "but weekends"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dayOf(c.y, c.m, c.d), c.kind) << c.y << "-" << c.m << "-" << c.d << " " << c.what;
    EXPECT_EQ(civilFromDays(daysFromCivil(2028, 2, 29)), 20280229);
    EXPECT_EQ(civilFromDays(daysFromCivil(2026, 12, 7) + 1), 20261208);
}

TEST(MarketHours, HalfDaysTradeTheMorningAndHolidaysAreSleptThrough)
{
    EXPECT_TRUE(hongKongMarketOpen(hongKongAt(2026, 12, 24, 10)));
    EXPECT_FALSE(hongKongMarketOpen(hongKongAt(2026, 12, 24, 14)));
    EXPECT_FALSE(hongKongMarketOpen(hongKongAt(2026, 12, 25, 10, 30)));
    // Christmas Eve's afternoon to Monday 28 December's opening.
    EXPECT_EQ(msUntilMarketOpens(hongKongAt(2026, 12, 24, 12)),
              hongKongAt(2026, 12, 28, 9) - hongKongAt(2026, 12, 24, 12));
    // The evening before Lunar New Year: Friday 20 February 2026.
    EXPECT_EQ(msUntilMarketOpens(hongKongAt(2026, 2, 16, 20)),
              hongKongAt(2026, 2, 20, 9) - hongKongAt(2026, 2, 16, 20));
}

TEST(TradingWatch, RepliesWithoutTodaysQuotesCloseTheDayOrTheAfternoon)
{
    // Wednesday 9 December 2026; yesterday's close and this morning's quotes.
    const QuoteStamp yesterday = 20261208160803, morning = 20261209115958, afternoon = 20261209133000;
    TradingWatch watch;
    watch.replyCame(hongKongAt(2026, 12, 9, 9, 59, 59),
                    yesterday);  // before 10:00 the day may not have begun
    EXPECT_FALSE(watch.closedByReplies(hongKongAt(2026, 12, 9, 10, 0)));
    watch.replyCame(hongKongAt(2026, 12, 9, 10, 0), 0);  // no quote dated: nothing shown
    EXPECT_FALSE(watch.closedByReplies(hongKongAt(2026, 12, 9, 10, 0)));
    watch.replyCame(hongKongAt(2026, 12, 9, 10, 0), yesterday);
    EXPECT_TRUE(watch.closedByReplies(hongKongAt(2026, 12, 9, 11, 0)));
    // A reply in hand counts before it is told: dated today it shows trading
    // at once (alerts judge it so); undated it leaves the day closed.
    EXPECT_FALSE(watch.closedByRepliesWith(hongKongAt(2026, 12, 9, 11, 0), morning));
    EXPECT_TRUE(watch.closedByRepliesWith(hongKongAt(2026, 12, 9, 11, 0), 0));
    EXPECT_TRUE(watch.closedByReplies(hongKongAt(2026, 12, 9, 11, 0)));
    EXPECT_TRUE(TradingWatch().closedByRepliesWith(hongKongAt(2026, 12, 9, 11, 0), yesterday));
    EXPECT_FALSE(
        watch.closedByReplies(hongKongAt(2026, 12, 9, 12, 30)));  // the break is no trading time anyway
    EXPECT_TRUE(watch.closedByReplies(hongKongAt(2026, 12, 9, 13, 0)));
    EXPECT_FALSE(watch.closedByReplies(hongKongAt(2026, 12, 10, 9, 0)));  // a new day is judged anew
    watch.replyCame(hongKongAt(2026, 12, 9, 13, 0), morning);             // today's date: trading again
    EXPECT_FALSE(watch.closedByReplies(hongKongAt(2026, 12, 9, 13, 0)));

    // From 13:30 the afternoon needs a quote from 12:00 on.
    watch.replyCame(hongKongAt(2026, 12, 9, 13, 29), morning);
    EXPECT_FALSE(watch.closedByReplies(hongKongAt(2026, 12, 9, 13, 29)));
    watch.replyCame(hongKongAt(2026, 12, 9, 13, 30), morning);
    EXPECT_TRUE(watch.closedByReplies(hongKongAt(2026, 12, 9, 13, 30)));
    watch.replyCame(hongKongAt(2026, 12, 9, 14, 0), afternoon);
    EXPECT_FALSE(watch.closedByReplies(hongKongAt(2026, 12, 9, 14, 0)));
    watch.replyCame(hongKongAt(2026, 12, 9, 14, 0), 20261210093000);  // a clock behind the service's
    EXPECT_FALSE(watch.closedByReplies(hongKongAt(2026, 12, 9, 14, 0)));

    // Closed by the replies, timed refreshes come every 30 minutes at most.
    EXPECT_EQ(timedRefreshWaitMs(10 * second, 10, true, hongKongAt(2026, 12, 9, 10, 30), true),
              30 * minute - 10 * second);
    EXPECT_EQ(timedRefreshWaitMs(0, 3600, true, hongKongAt(2026, 12, 9, 10, 30), true), hour);
}

TEST(MarketState, WhatTheTitleStripSays)
{
    struct Case {
        UtcMs t;
        bool closedByReplies;
        const char* text;
    };
    const Case cases[] = {
        {hongKongAt(2026, 12, 9, 10, 30), false, "交易中"},
        {hongKongAt(2026, 12, 9, 12, 30), false, "午间休市"},
        {hongKongAt(2026, 12, 9, 8, 30), false, "未开市"},
        {hongKongAt(2026, 12, 9, 17), false, "已收市"},
        {hongKongAt(2026, 12, 24, 12, 30), false, "已收市"},
        {hongKongAt(2026, 12, 25, 10), false, "假期休市"},
        {hongKongAt(2026, 12, 26, 10), false, "周末休市"},
        {hongKongAt(2026, 12, 9, 10, 30), true, "暂停交易"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(marketStateText(marketStateAt(c.t, c.closedByReplies)), c.text) << c.t;
}
