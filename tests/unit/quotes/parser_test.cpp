#include "common/Gb2312.h"
#include "quotes/QuoteParser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string tencent =
    "var hq_str_hk00700=\"TENCENT,腾讯控股,370.000,368.400,372.800,366.000,370.600,2.200,0.597,"
    "370.400,370.600,5218427830,14129590,0.000,0.000,417.000,260.200,2023/09/26,16:08\";";
const std::string hsbc =
    "var hq_str_hk00005=\"HSBC HOLDINGS,汇丰控股,61.000,61.350,61.450,60.600,60.750,-0.600,-0.978,"
    "60.700,60.750,1176374770,19330617,0.000,0.000,67.000,48.100,2023/09/27,09:45\";";

QuoteBatch parse(const std::string& reply)
{
    QuoteBatch batch;
    parseQuoteReply(reply.data(), reply.size(), batch);
    return batch;
}

}  // namespace

TEST(QuoteParser, ReadsEveryFieldOfEachRecordInReplyOrder)
{
    const QuoteBatch b = parse(tencent + "\r\n" + hsbc + "\n");
    ASSERT_EQ(b.count, 2);
    const StockQuote& q = b.quotes[0];
    EXPECT_STREQ(q.code, "hk00700");
    EXPECT_STREQ(q.primaryName, "TENCENT");
    EXPECT_STREQ(q.displayName, "腾讯控股");
    EXPECT_FLOAT_EQ(q.openPrice, 370.0f);
    EXPECT_FLOAT_EQ(q.prevClose, 368.4f);
    EXPECT_FLOAT_EQ(q.highPrice, 372.8f);
    EXPECT_FLOAT_EQ(q.lowPrice, 366.0f);
    EXPECT_FLOAT_EQ(q.lastPrice, 370.6f);
    EXPECT_FLOAT_EQ(q.turnoverYi, 52.1842783f);
    EXPECT_EQ(q.volumeWan, 1412);
    EXPECT_STREQ(b.quotes[1].code, "hk00005");
    EXPECT_STREQ(b.quotes[1].primaryName, "HSBC HOLDINGS");
    EXPECT_FLOAT_EQ(b.quotes[1].lastPrice, 60.75f);
    // Only the first record gives the time.
    EXPECT_STREQ(b.dataTime, "2023-09-26 16:08");
}

TEST(QuoteParser, SkipsLinesThatHoldNoUsableRecord)
{
    const std::string reply = "var hq_str_hkXXXXX=\"\";\n"  // shorter than 50
                              "<html><body>403 Forbidden, nothing to see here at all</body></html>\n"
                              "var hq_str_hk00700=\"TENCENT,no semicolon at the end of this line\"\n"
                              "var hq_zzz_hk00700=\"TENCENT,wrong variable name,1,2,3,4,5,6,7\";\n";
    QuoteBatch b;
    std::strcpy(b.dataTime, "kept");
    parseQuoteReply(reply.data(), reply.size(), b);
    EXPECT_EQ(b.count, 0);
    EXPECT_STREQ(b.dataTime, "kept");
}

TEST(QuoteParser, ShortRecordSharingALineWithALongerOneIsDropped)
{
    const QuoteBatch b = parse("var hq_str_hkBAD=\"\";" + tencent);
    ASSERT_EQ(b.count, 1);
    EXPECT_STREQ(b.quotes[0].code, "hk00700");
    EXPECT_STREQ(b.dataTime, "2023-09-26 16:08");
}

TEST(QuoteParser, EmptyFirstFieldTakesTheCodeAndScalesTurnoverDifferently)
{
    const QuoteBatch b = parse("var hq_str_hkHSI=\",恒生指数,17900.5,17800.0,18000,17700,17950.25,"
                               "0,0,0,0,1234567,99999999,2024/01/02,10:30\";");
    ASSERT_EQ(b.count, 1);
    EXPECT_STREQ(b.quotes[0].primaryName, "hkHSI");
    EXPECT_STREQ(b.quotes[0].displayName, "恒生指数");
    EXPECT_EQ(b.quotes[0].volumeWan, 0);
    EXPECT_FLOAT_EQ(b.quotes[0].turnoverYi, 12.34567f);
    EXPECT_FLOAT_EQ(b.quotes[0].lastPrice, 17950.25f);
}

TEST(QuoteParser, OnlyTheFirstRecordSuppliesTheTimeAndOnlyWhenItHoldsOne)
{
    // The first record's line ends right after field 12: too short to hold a time.
    const std::string first = "var hq_str_hk00001=\"CKH,长和,1,2,3,4,5,6,7,8,9,10,11\";";
    QuoteBatch b = parse(first + "\n" + tencent);
    EXPECT_EQ(b.count, 2);
    EXPECT_STREQ(b.dataTime, "");
}

TEST(QuoteParser, CutsOverlongTextWithoutSplittingDoubleByteCharacters)
{
    const std::string longName(40, 'N');
    const std::string name30 = std::string(30, 'M') + "腾";  // 32 bytes: the last character does not fit
    const QuoteBatch b = parse("var hq_str_hkABCDEFGHIJKLMNOP=\"" + longName + "," + name30 +
                               ",1,2,3,4,5,6,7,8,9,10,11,2024/01/02,10:30\";");
    ASSERT_EQ(b.count, 1);
    EXPECT_EQ(std::string(b.quotes[0].code), "hkABCDEFGHI");
    EXPECT_EQ(std::string(b.quotes[0].primaryName), std::string(31, 'N'));
    EXPECT_EQ(std::string(b.quotes[0].displayName), std::string(30, 'M'));

    EXPECT_EQ(gb2312::prefixLength("A腾讯控股", 9, 8), 7u);
    EXPECT_EQ(gb2312::prefixLength("腾讯控股", 8, 8), 8u);
    EXPECT_EQ(gb2312::prefixLength("ABCDEFGHIJ", 10, 8), 8u);
}

TEST(QuoteParser, StopsStoringAtThirtyRecords)
{
    std::string reply;
    for (int i = 0; i < 40; ++i)
        reply += tencent + "\n";
    EXPECT_EQ(parse(reply).count, maxQuotes);
}

TEST(QuoteParser, VolumeFollowsAtoiOver64Bits)
{
    auto volume = [](const std::string& field) {
        const QuoteBatch b =
            parse("var hq_str_hk00700=\"TENCENT,T,1,2,3,4,5,6,7,8,9,10," + field + ",2024/01/02,10:30\";");
        return b.count == 1 ? b.quotes[0].volumeWan : -1;
    };
    EXPECT_EQ(volume("19139018827"), 1913901);
    EXPECT_EQ(volume("99999999999999999999999"), INT64_MAX / 10000);
    EXPECT_EQ(volume("-9223372036854775808"), INT64_MIN / 10000);
    EXPECT_EQ(volume("-99999999999999999999999"), INT64_MIN / 10000);
    EXPECT_EQ(volume("  +120000abc"), 12);
    EXPECT_EQ(volume("-25000"), -2);
    EXPECT_EQ(volume("x123"), 0);
}

TEST(QuoteParser, ReadsAnIndexRecordAsTheServiceSendsIt)
{
    // Five-decimal bid and ask, a volume past 2^31, a full-width letter in the name.
    const QuoteBatch b = parse(
        "var hq_str_hkHSI=\"HSI,恒生指数Ａ,19842.330,19781.410,19885.170,19633.660,19735.850,-45.560,-0.230,"
        "0.00000,0.00000,143871263852.4,19139018827,,,20123.000,15000.000,2024/11/28,16:09\";\n");
    ASSERT_EQ(b.count, 1);
    const StockQuote& q = b.quotes[0];
    EXPECT_STREQ(q.displayName, "恒生指数Ａ");
    EXPECT_DOUBLE_EQ(q.lastPrice, 19735.85);
    EXPECT_DOUBLE_EQ(q.prevClose, 19781.41);
    EXPECT_NEAR(q.turnoverYi, 1438.712638524, 1e-9);
    EXPECT_EQ(q.volumeWan, 1913901);
    EXPECT_STREQ(b.dataTime, "2024-11-28 16:09");
}

TEST(QuoteParser, MissingSeparatorsLeaveFieldsEmpty)
{
    // No '=': no code; fields are read from what is left.
    QuoteBatch b = parse("var hq_str_hk00700 TENCENT,Tencent,1.5,2.5,3,4,5,6,7,8,9,10,11;  padding");
    ASSERT_EQ(b.count, 1);
    EXPECT_STREQ(b.quotes[0].code, "");
    EXPECT_FLOAT_EQ(b.quotes[0].openPrice, 1.5f);

    // The commas stop after field 3: every later field is empty and reads as 0.
    b = parse("var hq_str_hk00700=\"TENCENT,Tencent,1.5,2.5 and no more commas in this record\";");
    ASSERT_EQ(b.count, 1);
    EXPECT_FLOAT_EQ(b.quotes[0].openPrice, 1.5f);
    EXPECT_FLOAT_EQ(b.quotes[0].prevClose, 0.0f);
    EXPECT_FLOAT_EQ(b.quotes[0].lastPrice, 0.0f);
    EXPECT_EQ(b.quotes[0].volumeWan, 0);
}

TEST(QuoteParser, StaysInsideTheReplyWhateverItHolds)
{
    // The reply is not NUL-terminated and ends mid-record; a NUL sits inside a name.
    std::string reply = tencent.substr(0, 80) + ";";
    reply[22] = '\0';
    std::string buffer = reply + "\xff\xff\xff";  // bytes past the end must not be read
    QuoteBatch b;
    parseQuoteReply(buffer.data(), reply.size(), b);
    EXPECT_EQ(b.count, 1);
    EXPECT_STREQ(b.quotes[0].primaryName, "TE");
    EXPECT_STREQ(b.dataTime, "");
}

TEST(QuoteParser, NumbersReadExactlyAsAtofReadsThem)
{
    std::vector<std::string> numbers = {"-0",
                                        "+3",
                                        ".5",
                                        "5.",
                                        "-.25",
                                        "1e3",
                                        "1.5E-2",
                                        "0x1A",
                                        "inf",
                                        "-nan",
                                        "  7.25",
                                        "1.2.3",
                                        "12abc",
                                        "-",
                                        ".",
                                        "",
                                        "1234567890123456",
                                        "0.1000000000000000055511151231257827",
                                        "999999999999999"};
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 15);
        std::string text = std::to_string(random() % 1000000000000000ull).substr(0, digits);
        text.insert(random() % (text.size() + 1), ".");
        numbers.push_back((random() % 4 == 0 ? "-" : "") + text);
    }
    for (const std::string& number : numbers) {
        const QuoteBatch b = parse("var hq_str_hk00700=\"TENCENT,T,1,2,3,4," + number +
                                   ",0,0,0,0,0,0,0,0,0,0,2023/09/26,16:08\";");
        ASSERT_EQ(b.count, 1) << number;
        const double expected = std::atof(number.c_str());
        EXPECT_TRUE(std::memcmp(&b.quotes[0].lastPrice, &expected, sizeof expected) == 0 ||
                    (std::isnan(expected) && std::isnan(b.quotes[0].lastPrice)))
            << number << ": " << b.quotes[0].lastPrice << " for " << expected;
    }
}

TEST(QuoteParser, KeepsEachRecordsTradeDateAndTime)
{
    const std::string withSeconds =
        "var hq_str_hk00700=\"TENCENT,T,1,2,3,4,5,6,7,8,9,10,11,0,0,0,0,2026/12/07,16:08:03\";";
    const QuoteBatch b =
        parse(withSeconds + "\n" + hsbc + "\n" +
              "var hq_str_hk00001=\"CKH,C,1,2,3,4,5,6,7,8,9,10,11,0,0,0,0,no date,here\";\n");
    ASSERT_EQ(b.count, 3);
    EXPECT_STREQ(b.quotes[0].tradeDate, "2026/12/07");
    EXPECT_STREQ(b.quotes[0].tradeTime, "16:08:03");
    EXPECT_EQ(quoteStamp(b.quotes[0]), 20261207160803);
    EXPECT_EQ(quoteStamp(b.quotes[1]), 20230927094500);
    EXPECT_STREQ(b.quotes[2].tradeDate, "");
    EXPECT_EQ(quoteStamp(b.quotes[2]), 0);
    // The refresh time keeps its form when the time has seconds.
    EXPECT_STREQ(b.dataTime, "2026-12-07 16:08");
}
