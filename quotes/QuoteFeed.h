// The quote service client: one HTTP GET for the whole stock list.
#pragma once

#include "quotes/StockQuote.h"
#include "settings/UserSettings.h"

#include <cstdint>
#include <ctime>
#include <string>

// The header block sent with every quote request (no trailing line break).
extern const char quoteRequestHeaders[];

// One GET as the transport is to send it.
struct QuoteRequest {
    std::string server;
    std::uint16_t port = 80;
    std::string object;   // path and query, e.g. "/?rn=1700000000&list=,hkHSI"
    std::string headers;  // header lines separated by "\r\n", no trailing one
    bool explicitProxy = false;  // otherwise the system's own proxy settings apply
    std::string proxyServer;     // "address:port"
    std::string proxyUser;
    std::string proxyPassword;
};

// The HTTP client underneath. get() returns false when the network layer
// fails at any step; the status code is not examined, any body is returned.
class QuoteTransport {
public:
    virtual ~QuoteTransport() = default;
    virtual bool get(const QuoteRequest& request, std::string& body) = 0;
};

// Fetch results.
constexpr int fetchOk = 0;
constexpr int fetchBadUrl = -1;
constexpr int fetchNetworkError = -2;

// Builds the request URL "http://<quote host>/?rn=<now>&list=<stockList>" and
// splits it into server, port and object. Returns false when the list cannot
// go into a URL unchanged (blanks, control characters, '#', non-ASCII bytes).
bool buildQuoteRequest(const UserSettings& settings, const char* requestHeaders, std::time_t now,
                       QuoteRequest& request);

// Fetches and parses the quotes of settings.stockList. Returns fetchOk (the
// reply was read, even when it held no usable record), fetchBadUrl or
// fetchNetworkError. On failure batch is not touched.
int fetchQuotes(const UserSettings& settings, const char* requestHeaders, QuoteBatch& batch,
                QuoteTransport& transport, std::time_t now);
