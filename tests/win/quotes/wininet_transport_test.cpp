// WinInetTransport against a one-shot HTTP server on 127.0.0.1 run by the test.
#include "quotes/QuoteFeed.h"
#include "quotes/WinInetTransport.h"
#include "settings/Deployment.h"

#include <winsock2.h>


#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

const char tencentLine[] =
    "var hq_str_hk00700=\"TENCENT,TENCENT HOLDINGS,370.000,368.400,372.800,366.000,370.600,2.200,0.597,"
    "370.400,370.600,5218427830,14129590,0.000,0.000,417.000,260.200,2023/09/26,16:08\";\n";

// tencentLine compressed with gzip.
const unsigned char tencentGzip[] = {
    0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x4d, 0x8c, 0xbd, 0x0a, 0xc2, 0x30, 0x14,
    0x85, 0x77, 0x9f, 0xa2, 0x74, 0x0e, 0xe9, 0xc9, 0x4d, 0x72, 0x6f, 0x52, 0x71, 0xd2, 0xa2, 0x82, 0xc4,
    0xc1, 0xee, 0xa5, 0x5b, 0xc1, 0xc9, 0x56, 0x7c, 0x7e, 0xd3, 0xa8, 0xe0, 0x72, 0x3e, 0xce, 0x0f, 0xe7,
    0x35, 0xce, 0xd5, 0xf4, 0x18, 0x96, 0xe7, 0x3c, 0x4c, 0x77, 0x40, 0x80, 0x5d, 0xdd, 0x77, 0x69, 0xdf,
    0xa5, 0x5e, 0x7d, 0x59, 0x9d, 0xae, 0x97, 0xc3, 0x39, 0x1d, 0x6f, 0xca, 0x0a, 0x34, 0x00, 0x65, 0x39,
    0x68, 0xb7, 0x52, 0x48, 0x87, 0xe2, 0xf9, 0x93, 0xe7, 0x9e, 0x33, 0x49, 0x53, 0x56, 0x68, 0x1f, 0xa5,
    0x64, 0xee, 0xaf, 0xf3, 0x64, 0x82, 0x23, 0x09, 0x16, 0xca, 0x38, 0x43, 0xd1, 0xc7, 0x75, 0x09, 0xfc,
    0xd4, 0x19, 0x29, 0x24, 0x46, 0x79, 0x21, 0x90, 0x6d, 0x10, 0x1b, 0x62, 0x65, 0xb8, 0x45, 0xa8, 0xb7,
    0x9b, 0x37, 0xfc, 0xd4, 0xf7, 0x8b, 0xb4, 0x00, 0x00, 0x00};

std::string httpResponse(const char* status, const std::string& body, const char* extraHeaders = "")
{
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: text/html; charset=GBK\r\n" + extraHeaders +
        "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Accepts one connection, records its request head and sends the response:
// at once, or the head at once and then the body byte by byte every trickleMs
// for at most 200 steps (a client that waits that long fails the test on
// time). Trickling an empty response sends nothing.
class LoopbackServer {
public:
    explicit LoopbackServer(std::string response, int trickleMs = 0)
        : response(std::move(response)), trickleMs(trickleMs)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener, 1);
        int length = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        thread = std::thread([this] { serve(); });
    }
    ~LoopbackServer()
    {
        stopping = true;
        closesocket(listener);  // ends a pending accept
        if (thread.joinable())
            thread.join();
        WSACleanup();
    }
    // The request head, once the exchange is over.
    const std::string& request()
    {
        if (thread.joinable())
            thread.join();
        return requestHead;
    }

    std::uint16_t port = 0;

private:
    void serve()
    {
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        char buffer[4096];
        while (requestHead.find("\r\n\r\n") == std::string::npos) {
            const int n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            requestHead.append(buffer, n);
        }
        if (trickleMs == 0) {
            send(client, response.data(), static_cast<int>(response.size()), 0);
        } else {
            const std::size_t head = response.find("\r\n\r\n");
            std::size_t i = head == std::string::npos ? 0 : head + 4;
            send(client, response.data(), static_cast<int>(i), 0);
            for (int step = 0; step < 200 && !stopping; ++step, ++i) {
                if (i < response.size() && send(client, &response[i], 1, 0) != 1)
                    break;
                Sleep(trickleMs);
            }
        }
        shutdown(client, SD_SEND);
        while (recv(client, buffer, sizeof buffer, 0) > 0) {}
        closesocket(client);
    }

    std::string response;
    int trickleMs;
    std::atomic<bool> stopping{false};
    std::string requestHead;
    SOCKET listener;
    std::thread thread;
};

int countHeader(const std::string& head, const char* name)
{
    int n = 0;
    const std::string key = std::string("\r\n") + name + ":";
    for (std::size_t at = head.find(key); at != std::string::npos; at = head.find(key, at + 1))
        ++n;
    return n;
}

class WinInetFeed : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&settings, 0, sizeof settings);
        std::strcpy(settings.stockList, ",hk00700,hkHSI");
    }

    void useQuoteHost(const std::string& host)
    {
        ASSERT_TRUE(parseServiceHost(host.c_str(), hosts.quoteHost));
    }
    int fetch() { return fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1700000000); }

    Deployment hosts = builtInDeployment();
    UserSettings settings;
    QuoteBatch batch;
    WinInetTransport transport;
};

}  // namespace

TEST_F(WinInetFeed, SendsTheGetWithItsHeadersOnceEach)
{
    LoopbackServer server(httpResponse("200 OK", tencentLine));
    useQuoteHost("127.0.0.1:" + std::to_string(server.port));
    ASSERT_EQ(fetch(), 0);
    const std::string& head = server.request();
    EXPECT_EQ(head.find("GET /?rn=1700000000&list=,hk00700,hkHSI HTTP/1.1\r\n"), 0u) << head;
    EXPECT_NE(head.find("\r\nReferer: https://finance.sina.com.cn/\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nAccept-Encoding: gzip, deflate\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nAccept-Language: zh-cn\r\n"), std::string::npos) << head;
    for (const char* name : {"Accept", "Accept-Language", "Accept-Encoding", "User-Agent", "Referer", "Host"})
        EXPECT_EQ(countHeader(head, name), 1) << name << "\n" << head;

    ASSERT_EQ(batch.count, 1);
    EXPECT_STREQ(batch.quotes[0].code, "hk00700");
    EXPECT_STREQ(batch.dataTime, "2023-09-26 16:08");
}

TEST_F(WinInetFeed, DecodesAGzipBody)
{
    const std::string body(reinterpret_cast<const char*>(tencentGzip), sizeof tencentGzip);
    LoopbackServer server(httpResponse("200 OK", body, "Content-Encoding: gzip\r\n"));
    useQuoteHost("127.0.0.1:" + std::to_string(server.port));
    ASSERT_EQ(fetch(), 0);
    ASSERT_EQ(batch.count, 1);
    EXPECT_FLOAT_EQ(batch.quotes[0].lastPrice, 370.6f);
}

TEST_F(WinInetFeed, ErrorStatusBodyIsStillReadButWithoutRecordsItIsAFailure)
{
    {
        LoopbackServer server(httpResponse("500 Internal Server Error", tencentLine));
        useQuoteHost("127.0.0.1:" + std::to_string(server.port));
        ASSERT_EQ(fetch(), 0);
        EXPECT_EQ(batch.count, 1);
    }
    LoopbackServer server(httpResponse("403 Forbidden", "Kinsoku jikou desu!"));
    useQuoteHost("127.0.0.1:" + std::to_string(server.port));
    batch.count = 7;
    EXPECT_EQ(fetch(), -2);
    EXPECT_EQ(batch.count, 7);
}

TEST_F(WinInetFeed, BodyBeyondTheCapIsAFailure)
{
    const std::string padding(maxReplyBytes, '\n');
    {
        LoopbackServer server(httpResponse("200 OK", tencentLine + padding.substr(sizeof tencentLine - 1)));
        useQuoteHost("127.0.0.1:" + std::to_string(server.port));
        ASSERT_EQ(fetch(), 0);  // exactly the cap
        EXPECT_EQ(batch.count, 1);
    }
    LoopbackServer server(httpResponse("200 OK", tencentLine + padding));
    useQuoteHost("127.0.0.1:" + std::to_string(server.port));
    batch.count = 7;
    EXPECT_EQ(fetch(), -2);
    EXPECT_EQ(batch.count, 7);
}

TEST_F(WinInetFeed, SilentOrTricklingServerRunsIntoTheTimeouts)
{
    WinInetTransport quick(TransportTimeouts{2000, 2000, 1000, 3000});
    for (const std::string& response :
         {std::string(), httpResponse("200 OK", tencentLine + std::string(400, ' '))}) {
        LoopbackServer server(response, 100);  // silent, or ten bytes a second
        useQuoteHost("127.0.0.1:" + std::to_string(server.port));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, quick, 1700000000), -2);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15)) << response.size();
    }
}

TEST_F(WinInetFeed, ExplicitProxyCarriesTheRequest)
{
    LoopbackServer proxy(httpResponse("200 OK", tencentLine));
    useQuoteHost("quote.test:8123");
    settings.proxyMode = proxyUseExplicit;
    std::strcpy(settings.proxyServer, ("127.0.0.1:" + std::to_string(proxy.port)).c_str());
    std::strcpy(settings.proxyUser, "alice");
    std::strcpy(settings.proxyPassword, "secret");
    ASSERT_EQ(fetch(), 0);
    EXPECT_EQ(
        proxy.request().find("GET http://quote.test:8123/?rn=1700000000&list=,hk00700,hkHSI HTTP/1.1\r\n"),
        0u)
        << proxy.request();
    EXPECT_EQ(batch.count, 1);
}

TEST_F(WinInetFeed, ClosedPortIsANetworkFailure)
{
    std::uint16_t port;
    {
        LoopbackServer server("");
        port = server.port;
    }
    useQuoteHost("127.0.0.1:" + std::to_string(port));
    batch.count = 7;
    EXPECT_EQ(fetch(), -2);
    EXPECT_EQ(batch.count, 7);
}
