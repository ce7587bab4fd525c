#include "quotes/WinInetTransport.h"

#include <windows.h>
#include <wininet.h>

namespace {

// Closes a WinInet handle when it goes out of scope.
struct InternetHandle {
    HINTERNET handle;
    ~InternetHandle()
    {
        if (handle)
            InternetCloseHandle(handle);
    }
    operator HINTERNET() const { return handle; }
};

bool setStringOption(HINTERNET handle, DWORD option, const std::string& value)
{
    return InternetSetOptionA(handle, option, const_cast<char*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
}

}  // namespace

bool WinInetTransport::get(const QuoteRequest& request, std::string& body)
{
    // An explicit proxy is the session's own (no bypass list); otherwise the
    // system's settings apply. Opening the session with it is what setting
    // INTERNET_OPTION_PROXY on the session does, and works under Wine too.
    InternetHandle session{request.explicitProxy
                               ? InternetOpenA("Zeb", INTERNET_OPEN_TYPE_PROXY, request.proxyServer.c_str(),
                                               nullptr, 0)
                               : InternetOpenA("Zeb", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)};
    if (!session)
        return false;
    // Compressed replies arrive decoded.
    BOOL decode = TRUE;
    InternetSetOptionA(session, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);

    InternetHandle connection{InternetConnectA(session, request.server.c_str(), request.port, nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 1)};
    if (!connection)
        return false;
    // Every request has its own rn, so no cache could answer it anyway.
    const DWORD flags = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    InternetHandle http{HttpOpenRequestA(connection, "GET", request.object.c_str(), nullptr, nullptr,
                                         nullptr, flags, 1)};
    if (!http)
        return false;
    if (request.explicitProxy &&
        (!setStringOption(http, INTERNET_OPTION_PROXY_USERNAME, request.proxyUser) ||
         !setStringOption(http, INTERNET_OPTION_PROXY_PASSWORD, request.proxyPassword)))
        return false;
    InternetSetOptionA(http, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
    if (!HttpAddRequestHeadersA(http, request.headers.c_str(), static_cast<DWORD>(-1),
                                HTTP_ADDREQ_FLAG_ADD_IF_NEW))
        return false;
    if (!HttpSendRequestA(http, nullptr, 0, nullptr, 0))
        return false;

    // The status is not examined: whatever body came back is the reply.
    body.clear();
    char buffer[8192];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(http, buffer, sizeof buffer, &read))
            return false;
        if (read == 0)
            return true;
        body.append(buffer, read);
    }
}
