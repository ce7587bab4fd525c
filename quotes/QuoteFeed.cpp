#include "quotes/QuoteFeed.h"

#include "common/FieldText.h"
#include "quotes/QuoteParser.h"

#include <cstdio>
#include <string_view>

const char quoteRequestHeaders[] =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1;)";

// The service refuses a request without a Referer (403).
static const char refererHeader[] = "\r\nReferer: https://finance.sina.com.cn/";

static bool isUrlSafe(std::string_view text)
{
    for (unsigned char c : text)
        if (c <= ' ' || c >= 0x7F || c == '#')
            return false;
    return true;
}

bool buildQuoteRequest(const UserSettings& settings, const ServiceHost& host, const char* requestHeaders,
                       std::time_t now, QuoteRequest& request)
{
    const std::string_view list = fieldText(settings.stockList);
    if (!isUrlSafe(list) || host.name.empty())
        return false;
    // rn, the time in 32-bit seconds, makes every request different, so that no cache answers it.
    char query[32];
    std::snprintf(query, sizeof query, "/?rn=%d&list=", static_cast<std::int32_t>(now));
    request.server = host.name;
    request.port = host.port;
    request.object = query;
    request.object += list;

    request.headers = std::string(requestHeaders) + refererHeader;
    request.explicitProxy = (settings.proxyMode & proxyUseExplicit) != 0;
    if (request.explicitProxy) {
        request.proxyServer = std::string(fieldText(settings.proxyServer));
        request.proxyUser = std::string(fieldText(settings.proxyUser));
        request.proxyPassword = std::string(fieldText(settings.proxyPassword));
    }
    return true;
}

int fetchQuotes(const UserSettings& settings, const ServiceHost& quoteHost, const char* requestHeaders,
                QuoteBatch& batch, QuoteTransport& transport, std::time_t now)
{
    QuoteRequest request;
    if (!buildQuoteRequest(settings, quoteHost, requestHeaders, now, request))
        return fetchBadUrl;
    QuoteReply reply;
    if (!transport.get(request, reply) || reply.body.size() > maxReplyBytes)
        return fetchNetworkError;
    if (reply.status >= 400) {
        // An error reply counts only for the records it still carries.
        QuoteBatch parsed;
        parseQuoteReply(reply.body.data(), reply.body.size(), parsed);
        if (parsed.count == 0)
            return fetchNetworkError;
        batch = parsed;
        return fetchOk;
    }
    parseQuoteReply(reply.body.data(), reply.body.size(), batch);
    return fetchOk;
}
