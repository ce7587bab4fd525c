// One refresh's work without the network: parse a 30-record reply and build
// its page. Heap allocations are counted through the global operator new.
#include "common/FieldText.h"
#include "quotes/ExchangeCalendar.h"
#include "quotes/PriceAlerts.h"
#include "quotes/QuoteParser.h"
#include "quotes/QuotePage.h"
#include "tests/support/SampleQuotes.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

static std::atomic<long> allocations{0};

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

static std::string thirtyRecordReply()
{
    std::string reply;
    char line[320];
    for (int i = 0; i < maxQuotes; ++i) {
        const double prev = 10 + i * 3.7;
        const double last = prev * (i % 2 ? 1.013 : 0.991);
        std::snprintf(line, sizeof line,
                      "var hq_str_hk%05d=\"COMPANY %d,腾讯控股,%.3f,%.3f,%.3f,%.3f,%.3f,0.000,0.000,%.3f,%.3f,"
                      "%d,%d,0.000,0.000,99.000,1.000,2024/03/15,16:08\";\n",
                      i + 1, i, prev, prev, last * 1.01, last * 0.99, last, last, last, 52184278 * (i + 1),
                      1412959 * (i + 1));
        reply += line;
    }
    return reply;
}

static UserSettings allColumns()
{
    UserSettings s{};
    std::strcpy(s.stockList, ",hk00001,hk00002,hk00003");
    s.displayFlags = 0x7F;
    s.fontSizeIndex = 1;
    return s;
}

static void BM_ParseReply(benchmark::State& state)
{
    const std::string reply = thirtyRecordReply();
    QuoteBatch batch;
    const long before = allocations;
    for (auto _ : state) {
        parseQuoteReply(reply.data(), reply.size(), batch);
        benchmark::DoNotOptimize(batch);
    }
    state.counters["allocs/parse"] =
        benchmark::Counter(static_cast<double>(allocations - before), benchmark::Counter::kAvgIterations);
    if (batch.count != maxQuotes)
        state.SkipWithError("reply not parsed");
}
BENCHMARK(BM_ParseReply);

static void BM_Refresh(benchmark::State& state)
{
    const std::string reply = thirtyRecordReply();
    const UserSettings settings = allColumns();
    const PageContext context = samplePageContext();
    QuotePageModel model;
    std::string page;
    page.reserve(64 * 1024);
    const QuoteSource feed = [&reply](QuoteBatch& batch) {
        parseQuoteReply(reply.data(), reply.size(), batch);
        return 0;
    };
    const long before = allocations;
    for (auto _ : state) {
        buildQuotePage(settings, context, model, feed);
        renderPageHtml(model, page);
        benchmark::DoNotOptimize(page.data());
    }
    state.counters["allocs/refresh"] =
        benchmark::Counter(static_cast<double>(allocations - before), benchmark::Counter::kAvgIterations);
    state.counters["page bytes"] = static_cast<double>(page.size());
    if (model.rowCount != maxQuotes)
        state.SkipWithError("page has not 30 rows");
}
BENCHMARK(BM_Refresh);

// The same refresh with every code held under an alias and watched by an
// alert, judged as the worker judges it.
static void BM_RefreshWithCodes(benchmark::State& state)
{
    const std::string reply = thirtyRecordReply();
    UserSettings settings = allColumns();
    CodeBook book;
    std::string list;
    for (int i = 1; i <= maxQuotes; ++i) {
        char entry[8];
        std::snprintf(entry, sizeof entry, "hk%05d", i);
        list += ",";
        list += entry;
        CodeRecord r;
        r.entry = entry;
        r.alias = "我的股票";
        r.shares = 1000;
        r.cost = 12.5;
        r.above = 1000;
        r.move = 5;
        book.put(r);
    }
    std::strcpy(settings.stockList, list.c_str());
    const PageContext context = samplePageContext();
    const UtcMs now = daysFromCivil(2024, 3, 15) * 86400000 + 2 * 3600000;  // 10:00 in Hong Kong
    AlertWatch alerts;
    PageCodes codes;
    codes.book = &book;
    codes.markOf = [&](const StockQuote& q) { return alerts.markOf(book, fieldText(q.code), now); };
    QuotePageModel model;
    std::string page;
    page.reserve(64 * 1024);
    const QuoteSource feed = [&](QuoteBatch& batch) {
        parseQuoteReply(reply.data(), reply.size(), batch);
        alerts.judge(batch.quotes, batch.count, book, now, true);
        return 0;
    };
    const long before = allocations;
    for (auto _ : state) {
        buildQuotePage(settings, context, model, feed, codes);
        renderPageHtml(model, page);
        benchmark::DoNotOptimize(page.data());
    }
    state.counters["allocs/refresh"] =
        benchmark::Counter(static_cast<double>(allocations - before), benchmark::Counter::kAvgIterations);
    state.counters["page bytes"] = static_cast<double>(page.size());
    if (model.rowCount != maxQuotes + 1)
        state.SkipWithError("page has not 30 rows and the total");
}
BENCHMARK(BM_RefreshWithCodes);
