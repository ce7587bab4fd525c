#include "quotes/QuoteFeed.h"
#include "settings/Deployment.h"

#include "tests/support/TestDeployment.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct FakeTransport : QuoteTransport {
    bool succeed = true;
    std::string reply;
    int status = 200;
    int calls = 0;
    QuoteRequest last;

    bool get(const QuoteRequest& request, QuoteReply& out) override
    {
        ++calls;
        last = request;
        out.status = status;
        out.body = reply;
        return succeed;
    }
};

class QuoteFeed : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&settings, 0, sizeof settings);
        std::strcpy(settings.stockList, ",hk00005,hkHSI");
    }

    Deployment hosts = testDeployment("127.0.0.1:8123");
    UserSettings settings;
    FakeTransport transport;
    QuoteBatch batch;
};

const char sampleReply[] =
    "var hq_str_hk00005=\"HSBC HOLDINGS,汇丰控股,61.000,61.350,61.450,60.600,60.750,-0.600,-0.978,"
    "60.700,60.750,1176374770,19330617,0.000,0.000,67.000,48.100,2023/09/27,09:45\";\n"
    "var hq_str_hkHSI=\"\";\n";

}  // namespace

TEST_F(QuoteFeed, SendsOneGetForTheWholeListWithTheHeaderBlockAndAReferer)
{
    transport.reply = sampleReply;
    ASSERT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1700000000), 0);
    EXPECT_EQ(transport.calls, 1);
    EXPECT_EQ(transport.last.server, "127.0.0.1");
    EXPECT_EQ(transport.last.port, 8123);
    EXPECT_EQ(transport.last.object, "/?rn=1700000000&list=,hk00005,hkHSI");
    EXPECT_STREQ(quoteRequestHeaders,
                 "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
                 "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1;)");
    EXPECT_EQ(transport.last.headers,
              std::string(quoteRequestHeaders) + "\r\nReferer: https://finance.sina.com.cn/");
    EXPECT_FALSE(transport.last.explicitProxy);

    ASSERT_EQ(batch.count, 1);
    EXPECT_STREQ(batch.quotes[0].code, "hk00005");
    EXPECT_STREQ(batch.dataTime, "2023-09-27 09:45");
}

TEST_F(QuoteFeed, DefaultPortIsLeftOutAndTheTimeIsSentAs32Bits)
{
    parseServiceHost("hq.sinajs.cn", hosts.quoteHost);
    fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 5);
    EXPECT_EQ(transport.last.server, "hq.sinajs.cn");
    EXPECT_EQ(transport.last.port, 80);
    EXPECT_EQ(transport.last.object, "/?rn=5&list=,hk00005,hkHSI");
}

TEST_F(QuoteFeed, ExplicitProxyIsChosenByItsBitAlone)
{
    std::strcpy(settings.proxyServer, "10.0.0.1:3128");
    std::strcpy(settings.proxyUser, "alice");
    for (std::uint32_t mode : {0u, proxyUseCredentials, proxyUseIE}) {
        settings.proxyMode = mode;
        fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1);
        EXPECT_FALSE(transport.last.explicitProxy) << mode;
    }
    settings.proxyMode = proxyUseExplicit;  // credentials go along even without their bit, empty or not
    fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1);
    EXPECT_TRUE(transport.last.explicitProxy);
    EXPECT_EQ(transport.last.proxyServer, "10.0.0.1:3128");
    EXPECT_EQ(transport.last.proxyUser, "alice");
    EXPECT_EQ(transport.last.proxyPassword, "");
}

TEST_F(QuoteFeed, ListThatCannotGoIntoAUrlFailsBeforeAnythingIsSent)
{
    batch.count = 7;
    for (const char* list : {",hk00700 ,hkHSI", ",hk00700\r\nX-Evil: 1", ",hk007#00", ",hk\x80\x81"}) {
        std::strcpy(settings.stockList, list);
        EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1), -1) << list;
    }
    EXPECT_EQ(transport.calls, 0);
    EXPECT_EQ(batch.count, 7);
}

TEST_F(QuoteFeed, NetworkFailureLeavesTheBatchAlone)
{
    transport.reply = sampleReply;
    transport.succeed = false;
    batch.count = 7;
    EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1), -2);
    EXPECT_EQ(batch.count, 7);
    EXPECT_STREQ(batch.dataTime, "");
}

TEST_F(QuoteFeed, UnexpectedReplyIsReadAsNoRecords)
{
    // Lines long enough to pass the length rule, with a ';' beyond its first
    // 50 characters: only the missing variable name drops them.
    const std::string compressed = std::string("\x1f\x8b\x08\x00", 4) +
        " compressed, or a page from somewhere else, but no quotes at all;";
    const std::string page =
        "<html><body>Service unavailable. Please try again later, thank you;</body></html>";
    for (const std::string& line : {compressed, page}) {
        ASSERT_GT(line.find(';'), 49u) << line;
        transport.reply = line + "\n";
        batch.count = 7;
        EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1), 0) << line;
        EXPECT_EQ(batch.count, 0) << line;
    }
}

TEST_F(QuoteFeed, ErrorStatusIsAFailureOnlyWhenTheBodyHoldsNoRecord)
{
    batch.count = 7;
    for (int status : {403, 502}) {
        transport.status = status;
        transport.reply = status == 403 ? "Kinsoku jikou desu!" : "<html><body>502 Bad Gateway</body></html>";
        EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1), -2) << status;
        EXPECT_EQ(batch.count, 7);
    }
    transport.status = 500;
    transport.reply = sampleReply;
    EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1), 0);
    EXPECT_EQ(batch.count, 1);
    EXPECT_STREQ(batch.dataTime, "2023-09-27 09:45");
}

TEST_F(QuoteFeed, ReplyLargerThanTheCapIsAFailure)
{
    transport.reply = std::string(sampleReply) + std::string(maxReplyBytes, ' ');
    batch.count = 7;
    EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1), -2);
    EXPECT_EQ(batch.count, 7);

    transport.reply.resize(maxReplyBytes);
    EXPECT_EQ(fetchQuotes(settings, hosts.quoteHost, quoteRequestHeaders, batch, transport, 1), 0);
    EXPECT_EQ(batch.count, 1);
}
