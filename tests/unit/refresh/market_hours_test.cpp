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
