#include "quotes/MarketHours.h"

namespace {

constexpr std::int64_t minuteMs = 60 * 1000;
constexpr std::int64_t hourMs = 60 * minuteMs;
constexpr std::int64_t dayMs = 24 * hourMs;
constexpr std::int64_t hongKongOffsetMs = 8 * hourMs;

// The trading sessions of a weekday, as times of the Hong Kong day.
struct Session {
    std::int64_t from, to;  // to is the first moment after it
};
constexpr Session sessions[] = {{9 * hourMs, 12 * hourMs}, {13 * hourMs, 17 * hourMs}};

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// 1970-01-01 was a Thursday; 0 is Sunday.
int weekdayOfDay(std::int64_t day)
{
    return static_cast<int>(((day + 4) % 7 + 7) % 7);
}

bool tradingDay(std::int64_t day)
{
    const int weekday = weekdayOfDay(day);
    return weekday >= 1 && weekday <= 5;
}

}  // namespace

bool hongKongMarketOpen(UtcMs t)
{
    return msUntilMarketOpens(t) == 0;
}

std::int64_t msUntilMarketOpens(UtcMs t)
{
    const std::int64_t local = t + hongKongOffsetMs;
    const std::int64_t day = floorDiv(local, dayMs);
    const std::int64_t ofDay = local - day * dayMs;
    // The first session still to come, today or on one of the next days.
    for (std::int64_t d = day; d < day + 8; ++d) {
        if (!tradingDay(d))
            continue;
        for (const Session& s : sessions) {
            if (d == day && ofDay >= s.to)
                continue;
            const std::int64_t start = (d - day) * dayMs + s.from;
            return start > ofDay ? start - ofDay : 0;
        }
    }
    return 0;  // not reached: every week has trading days
}
