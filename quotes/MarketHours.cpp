#include "quotes/MarketHours.h"

#include "quotes/ExchangeCalendar.h"

namespace {

constexpr std::int64_t minuteMs = 60 * 1000;
constexpr std::int64_t hourMs = 60 * minuteMs;
constexpr std::int64_t dayMs = 24 * hourMs;
constexpr std::int64_t hongKongOffsetMs = 8 * hourMs;

// The trading sessions of a day, as times of the Hong Kong day.
struct Session {
    std::int64_t from, to;  // to is the first moment after it
};
constexpr Session sessions[] = {{9 * hourMs, 12 * hourMs}, {13 * hourMs, 17 * hourMs}};

// How many of the sessions the exchange trades on a day: 0, 1 or 2.
int sessionsOf(std::int64_t day)
{
    switch (exchangeDayOf(day)) {
    case ExchangeDay::trading:
        return 2;
    case ExchangeDay::halfDay:
        return 1;
    case ExchangeDay::weekend:
    case ExchangeDay::holiday:
        break;
    }
    return 0;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

}  // namespace

QuoteStamp stampOfDay(std::int64_t day)
{
    return QuoteStamp{civilFromDays(day)} * 1000000;
}

std::int64_t hongKongDay(UtcMs t)
{
    return floorDiv(t + hongKongOffsetMs, dayMs);
}

std::int64_t hongKongMsOfDay(UtcMs t)
{
    return t + hongKongOffsetMs - hongKongDay(t) * dayMs;
}

bool hongKongMarketOpen(UtcMs t)
{
    return msUntilMarketOpens(t) == 0;
}

std::int64_t msUntilMarketOpens(UtcMs t)
{
    const std::int64_t day = hongKongDay(t);
    const std::int64_t ofDay = hongKongMsOfDay(t);
    // The first session still to come, today or on one of the next days. No
    // run of closed days is as long as three weeks.
    for (std::int64_t d = day; d < day + 21; ++d) {
        const int count = sessionsOf(d);
        for (int i = 0; i < count; ++i) {
            const Session& s = sessions[i];
            if (d == day && ofDay >= s.to)
                continue;
            const std::int64_t start = (d - day) * dayMs + s.from;
            return start > ofDay ? start - ofDay : 0;
        }
    }
    return 0;  // not reached
}

namespace {

enum class ReplyShows { nothing, trading, closed };

// What a reply at now whose newest quote is of newest shows of the exchange.
ReplyShows replyShows(UtcMs now, QuoteStamp newest)
{
    if (newest <= 0 || !hongKongMarketOpen(now))
        return ReplyShows::nothing;
    const std::int64_t ofDay = hongKongMsOfDay(now);
    const QuoteStamp today = stampOfDay(hongKongDay(now));
    // A date past today (a computer's clock behind) is taken as today's.
    const bool afternoon = ofDay >= 13 * hourMs + 30 * minuteMs;
    if (newest >= today && (!afternoon || newest >= today + 120000))
        return ReplyShows::trading;
    return ofDay >= 10 * hourMs ? ReplyShows::closed : ReplyShows::nothing;
}

}  // namespace

void TradingWatch::replyCame(UtcMs now, QuoteStamp newest)
{
    switch (replyShows(now, newest)) {
    case ReplyShows::trading:
        closedDay.store(-1);
        break;
    case ReplyShows::closed:
        closedDay.store(hongKongDay(now));
        break;
    case ReplyShows::nothing:
        break;
    }
}

bool TradingWatch::closedByReplies(UtcMs now) const
{
    return closedDay.load() == hongKongDay(now) && hongKongMarketOpen(now);
}

bool TradingWatch::closedByRepliesWith(UtcMs now, QuoteStamp newest) const
{
    switch (replyShows(now, newest)) {
    case ReplyShows::trading:
        return false;
    case ReplyShows::closed:
        return true;  // shown only while the exchange trades by its calendar
    case ReplyShows::nothing:
        break;
    }
    return closedByReplies(now);
}

MarketState marketStateAt(UtcMs t, bool closedByReplies)
{
    const std::int64_t day = hongKongDay(t);
    const ExchangeDay kind = exchangeDayOf(day);
    if (kind == ExchangeDay::weekend)
        return MarketState::weekend;
    if (kind == ExchangeDay::holiday)
        return MarketState::holiday;
    const std::int64_t ofDay = hongKongMsOfDay(t);
    if (ofDay < sessions[0].from)
        return MarketState::notYetOpen;
    if (hongKongMarketOpen(t))
        return closedByReplies ? MarketState::halted : MarketState::trading;
    if (kind == ExchangeDay::trading && ofDay < sessions[1].from)
        return MarketState::middayBreak;
    return MarketState::closedForDay;
}

const char* marketStateText(MarketState state)
{
    switch (state) {
    case MarketState::trading:
        return "交易中";
    case MarketState::middayBreak:
        return "午间休市";
    case MarketState::notYetOpen:
        return "未开市";
    case MarketState::closedForDay:
        return "已收市";
    case MarketState::holiday:
        return "假期休市";
    case MarketState::weekend:
        return "周末休市";
    case MarketState::halted:
        break;
    }
    return "暂停交易";
}
