// The quote service client: one HTTP GET for the whole stock list.
#pragma once

#include "quotes/StockQuote.h"
#include "settings/Deployment.h"
#include "settings/UserSettings.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// The header block sent with every quote request (no trailing line break).
extern const char quoteRequestHeaders[];

// One GET as the transport is to send it.
struct QuoteRequest {
    std::string server;
    std::uint16_t port = 80;
    std::string object;          // path and query, e.g. "/?rn=1700000000&list=,hkHSI"
    std::string headers;         // header lines separated by "\r\n", no trailing one
    bool explicitProxy = false;  // otherwise the system's own proxy settings apply
    std::string proxyServer;     // "address:port"
    std::string proxyUser;
    std::string proxyPassword;
};

// Largest reply body read: 30 records take about 6 KB. A longer body, or one
// that decodes to more, is a failed fetch.
constexpr std::size_t maxReplyBytes = 256 * 1024;

// What the transport read: the HTTP status (0 when not known) and the body.
struct QuoteReply {
    int status = 0;
    std::string body;
};

// The HTTP client underneath. get() returns false when the network layer
// fails at any step or the body grows beyond maxReplyBytes; a reply with any
// status is returned with its body.
class QuoteTransport {
public:
    virtual ~QuoteTransport() = default;
    virtual bool get(const QuoteRequest& request, QuoteReply& reply) = 0;
};

// Fetch results.
constexpr int fetchOk = 0;
constexpr int fetchBadUrl = -1;
constexpr int fetchNetworkError = -2;

// Builds the request for "http://<quote host>/?rn=<now>&list=<stockList>".
// Returns false when the list cannot go into a URL unchanged (blanks, control
// characters, '#', non-ASCII bytes) or no quote host is set.
bool buildQuoteRequest(const UserSettings& settings, const ServiceHost& quoteHost, const char* requestHeaders,
                       std::time_t now, QuoteRequest& request);

// Fetches and parses the quotes of settings.stockList from quoteHost. Returns fetchOk (the
// reply was read, even when it held no usable record), fetchBadUrl or
// fetchNetworkError; an HTTP error status (400 and up) whose body holds no
// usable record, such as the service's refusal or a proxy's error page, is a
// network error too. On failure batch is not touched.
int fetchQuotes(const UserSettings& settings, const ServiceHost& quoteHost, const char* requestHeaders,
                QuoteBatch& batch, QuoteTransport& transport, std::time_t now);
