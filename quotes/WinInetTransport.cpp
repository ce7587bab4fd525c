#include "quotes/WinInetTransport.h"

#include "winui/Handles.h"

#include <windows.h>
#include <wininet.h>

namespace {

bool setStringOption(HINTERNET handle, DWORD option, const std::string& value)
{
    return InternetSetOptionA(handle, option, const_cast<char*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
}

void setTimeouts(HINTERNET handle, const TransportTimeouts& timeouts)
{
    DWORD connect = timeouts.connect;
    DWORD send = timeouts.send;
    DWORD receive = timeouts.receive;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof send);
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

}  // namespace

bool WinInetTransport::get(const QuoteRequest& request, QuoteReply& reply)
{
    // An explicit proxy is the session's own (no bypass list); otherwise the
    // system's settings apply. Opening the session with it is what setting
    // INTERNET_OPTION_PROXY on the session does, and works under Wine too.
    const InternetHandle session{
        request.explicitProxy
            ? InternetOpenA("Zeb", INTERNET_OPEN_TYPE_PROXY, request.proxyServer.c_str(), nullptr, 0)
            : InternetOpenA("Zeb", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)};
    if (!session)
        return false;
    const ULONGLONG deadline = GetTickCount64() + timeouts.whole;
    setTimeouts(session.get(), timeouts);
    // Compressed replies arrive decoded.
    BOOL decode = TRUE;
    InternetSetOptionA(session.get(), INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);

    const InternetHandle connection{InternetConnectA(session.get(), request.server.c_str(), request.port,
                                                     nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1)};
    if (!connection)
        return false;
    // Every request has its own rn, so no cache could answer it anyway.
    const DWORD flags = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    const InternetHandle httpRequest{HttpOpenRequestA(connection.get(), "GET", request.object.c_str(),
                                                      nullptr, nullptr, nullptr, flags, 1)};
    if (!httpRequest)
        return false;
    const HINTERNET http = httpRequest.get();
    if (request.explicitProxy &&
        (!setStringOption(http, INTERNET_OPTION_PROXY_USERNAME, request.proxyUser) ||
         !setStringOption(http, INTERNET_OPTION_PROXY_PASSWORD, request.proxyPassword)))
        return false;
    InternetSetOptionA(http, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
    setTimeouts(http, timeouts);
    if (!HttpAddRequestHeadersA(http, request.headers.c_str(), static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        return false;
    if (!HttpSendRequestA(http, nullptr, 0, nullptr, 0))
        return false;

    DWORD status = 0;
    DWORD statusSize = sizeof status;
    reply.status =
        HttpQueryInfoA(http, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr)
        ? static_cast<int>(status)
        : 0;

    // The body as it decodes, in pieces no larger than what has arrived, so
    // that the whole deadline is checked while a server trickles.
    reply.body.clear();
    char buffer[8192];
    for (;;) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(http, &available, 0, 0))
            return false;
        DWORD read = 0;
        const DWORD wanted = available && available < sizeof buffer ? available : sizeof buffer;
        if (!InternetReadFile(http, buffer, wanted, &read))
            return false;
        if (read == 0)
            return true;
        if (reply.body.size() + read > maxReplyBytes || GetTickCount64() > deadline)
            return false;
        reply.body.append(buffer, read);
    }
}
