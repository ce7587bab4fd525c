// The Hong Kong exchange's trading hours, judged on Hong Kong's clock
// (UTC+8 all year: Hong Kong keeps no daylight saving), whatever the
// computer's own time zone: Monday to Friday, 09:00 to 16:59, without the
// midday break from 12:00 to 12:59.
#pragma once

#include <cstdint>

// Milliseconds since 1970-01-01 00:00 UTC.
using UtcMs = std::int64_t;

// Whether the exchange trades at that moment.
bool hongKongMarketOpen(UtcMs t);

// Milliseconds from t to the next moment the exchange trades: 0 while it
// trades.
std::int64_t msUntilMarketOpens(UtcMs t);
