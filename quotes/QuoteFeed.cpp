#include "quotes/QuoteFeed.h"

#include "quotes/QuoteParser.h"
#include "settings/Deployment.h"

#include <cstdio>
#include <cstring>

const char quoteRequestHeaders[] =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1;)";

// The service refuses a request without a Referer (403).
static const char refererHeader[] = "\r\nReferer: https://finance.sina.com.cn/";

template <std::size_t N>
static std::string fieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

static bool isUrlSafe(const std::string& text)
{
    for (unsigned char c : text)
        if (c <= ' ' || c >= 0x7F || c == '#')
            return false;
    return true;
}

// Splits "http://host[:port]/object".
static bool splitUrl(const std::string& url, QuoteRequest& request)
{
    const std::string scheme = "http://";
    if (url.compare(0, scheme.size(), scheme) != 0)
        return false;
    const std::size_t slash = url.find('/', scheme.size());
    if (slash == std::string::npos)
        return false;
    ServiceHost host;
    if (!parseServiceHost(url.substr(scheme.size(), slash - scheme.size()).c_str(), host))
        return false;
    request.server = host.name;
    request.port = host.port;
    request.object = url.substr(slash);
    return true;
}

bool buildQuoteRequest(const UserSettings& settings, const char* requestHeaders, std::time_t now,
                       QuoteRequest& request)
{
    const std::string list = fieldText(settings.stockList);
    char query[32];
    std::snprintf(query, sizeof query, "/?rn=%d&list=", static_cast<int>(static_cast<std::int32_t>(now)));
    const std::string url = "http://" + deployment().quoteHost.authority() + query + list;
    if (!isUrlSafe(list) || !splitUrl(url, request))
        return false;

    request.headers = std::string(requestHeaders) + refererHeader;
    request.explicitProxy = (settings.proxyMode & proxyUseExplicit) != 0;
    if (request.explicitProxy) {
        request.proxyServer = fieldText(settings.proxyServer);
        request.proxyUser = fieldText(settings.proxyUser);
        request.proxyPassword = fieldText(settings.proxyPassword);
    }
    return true;
}

int fetchQuotes(const UserSettings& settings, const char* requestHeaders, QuoteBatch& batch,
                QuoteTransport& transport, std::time_t now)
{
    QuoteRequest request;
    if (!buildQuoteRequest(settings, requestHeaders, now, request))
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
