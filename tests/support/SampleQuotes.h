// Quotes for tests, as the feed client would have parsed them.
#pragma once

#include "quotes/QuotePage.h"
#include "quotes/StockQuote.h"

#include <cstring>

// The code, the names and the two prices that decide a row, and a trade
// date and time; the rest zero.
inline StockQuote sampleQuote(const char* code, const char* name, double last, double prev,
                              const char* date = "2023/09/26", const char* time = "16:08:03")
{
    StockQuote q{};
    std::strcpy(q.tradeDate, date);
    std::strcpy(q.tradeTime, time);
    std::strcpy(q.code, code);
    std::strcpy(q.primaryName, code);
    std::strcpy(q.displayName, name);
    q.lastPrice = last;
    q.prevClose = prev;
    return q;
}

// The links of the built-in vendor site, as the program forms them.
inline PageContext samplePageContext(bool versionBlocked = false)
{
    return {"http://www.quillon.com.cn/", "http://www.quillon.com.cn/zeb/zebskip.php?Ver=2", versionBlocked};
}
