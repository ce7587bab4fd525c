// The Hong Kong exchange's trading hours, judged on Hong Kong's clock
// (UTC+8 all year: Hong Kong keeps no daylight saving), whatever the
// computer's own time zone: on the exchange's trading days (ExchangeCalendar)
// from 09:00 to 16:59, without the midday break from 12:00 to 12:59; on its
// half days from 09:00 to 11:59.
#pragma once

#include "quotes/StockQuote.h"

#include <atomic>
#include <cstdint>

// Milliseconds since 1970-01-01 00:00 UTC.
using UtcMs = std::int64_t;

// Whether the exchange trades at that moment.
bool hongKongMarketOpen(UtcMs t);

// Milliseconds from t to the next moment the exchange trades: 0 while it
// trades.
std::int64_t msUntilMarketOpens(UtcMs t);

// The day in Hong Kong (days since 1970-01-01) and the time of that day.
std::int64_t hongKongDay(UtcMs t);
std::int64_t hongKongMsOfDay(UtcMs t);
// The first moment of a day as a quote's stamp: YYYYMMDD000000.
QuoteStamp stampOfDay(std::int64_t day);

// What the replies have shown of the exchange on a day the calendar says it
// trades. A typhoon or rainstorm warning closes it for a session or a day
// unannounced, and a year past the calendar's list knows no holidays; but
// every quote carries its trade date and time. After 10:00, a reply in which
// no quote is dated today shows the exchange closed; from 13:30 one whose
// newest quote is from before 12:00 today shows the afternoon session
// closed. A reply dated today (in the afternoon: from 12:00) shows it trading
// again. One thread tells it of replies; any thread may ask it.
class TradingWatch {
public:
    // A reply came at now whose newest quote is of newest (0: no quote dated).
    void replyCame(UtcMs now, QuoteStamp newest);
    // Whether the replies showed the exchange not trading today, though its
    // calendar says it trades at now.
    [[nodiscard]] bool closedByReplies(UtcMs now) const;
    // The same once a reply at now whose newest quote is of newest has come,
    // for judging that reply before it is told.
    [[nodiscard]] bool closedByRepliesWith(UtcMs now, QuoteStamp newest) const;

private:
    std::atomic<std::int64_t> closedDay{-1};  // the Hong Kong day the replies showed closed
};

// While the replies show the exchange closed, timed refreshes come at most
// this often, to see whether it has opened again.
constexpr std::int64_t closedLookMs = 30 * 60 * 1000;

// What the exchange is doing, as the title strip's tooltip says it.
enum class MarketState {
    trading,
    middayBreak,
    notYetOpen,  // a trading day before 09:00
    closedForDay,
    holiday,
    weekend,
    halted,  // the calendar says it trades, the replies say it does not
};
MarketState marketStateAt(UtcMs t, bool closedByReplies);
// Simplified Chinese, GB2312.
const char* marketStateText(MarketState state);
