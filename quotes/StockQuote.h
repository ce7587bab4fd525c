// One quote as parsed from the quote service's reply.
#pragma once

#include <cstdint>

constexpr int maxQuotes = 30;

// A quote's trade date and time as one number, YYYYMMDDhhmmss (0: not known).
using QuoteStamp = std::int64_t;

struct StockQuote {
    char primaryName[32];  // reply field 0, or the code when that field is empty
    char displayName[32];  // reply field 1
    char code[12];         // quote-service code from the variable name, e.g. "hkHSI"
    // Prices in double precision: a single-precision five-digit index such as
    // 17885.47 would print as 17885.471 and take a third decimal it never had.
    double lastPrice;
    double prevClose;
    double openPrice;
    double highPrice;
    double lowPrice;
    std::int64_t volumeWan;  // volume in ten thousand shares
    double turnoverYi;       // turnover in hundred millions
    // The quote's trade date and time as the service gives them in the
    // record's last two fields, e.g. "2026/12/07" and "16:08:03" (or
    // "16:08"); both empty when the record does not end in a date and time.
    char tradeDate[11];
    char tradeTime[9];
};

// What one fetch yields: at most maxQuotes records in reply order, and the
// date and time of the first one ("YYYY-MM-DD HH:MM", empty when none).
struct QuoteBatch {
    StockQuote quotes[maxQuotes];
    int count = 0;
    char dataTime[20] = {};
};
