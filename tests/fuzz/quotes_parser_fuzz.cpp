// Any bytes as a quote reply: through the parser, then through the page builder.
#include "quotes/QuoteParser.h"
#include "quotes/QuotePage.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    // The reply lives in a buffer of exactly its size, so reading past it is caught.
    const std::string reply(reinterpret_cast<const char*>(data), size);
    QuoteBatch batch;
    parseQuoteReply(reply.data(), reply.size(), batch);
    if (batch.count < 0 || batch.count > maxQuotes || std::memchr(batch.dataTime, 0, sizeof batch.dataTime) == nullptr)
        __builtin_trap();
    for (int i = 0; i < batch.count; ++i) {
        const StockQuote& q = batch.quotes[i];
        if (!std::memchr(q.code, 0, sizeof q.code) || !std::memchr(q.primaryName, 0, sizeof q.primaryName) ||
            !std::memchr(q.displayName, 0, sizeof q.displayName))
            __builtin_trap();
    }

    static UserSettings settings = [] {
        UserSettings s{};
        std::strcpy(s.stockList, ",hk00700,hkHSI");
        s.displayFlags = 0x7F;
        return s;
    }();
    std::string page;
    int rows = 0;
    int columns = 0;
    buildQuotePage(settings, page, rows, columns, [&](QuoteBatch& b) {
        b = batch;
        return 0;
    });
    // Whatever the names say, the page keeps its own markup only.
    if (page.find("<script") != std::string::npos || rows != batch.count)
        __builtin_trap();
    return 0;
}
