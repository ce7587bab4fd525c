#include "common/ProfileText.h"
#include "update/OfferSignature.h"
#include "update/VendorReply.h"

#include "tests/support/TestDeployment.h"

#include <gtest/gtest.h>

TEST(ReplyProfile, NamesWithoutRegardToCaseAndOnlyTheFirstSectionOfAName)
{
    const std::string reply = "\xEF\xBB\xBF"
                              "[Other]\r\ninfo=not this\r\n"
                              "[ zeb ]\r\n  INFOVER = 7 \r\nInfo=\"quoted\"\r\nlink='x\r\nbare\r\n"
                              "[ZEB]\r\nupdate=1\r\n";
    EXPECT_EQ(profileValue(reply, "Zeb", "infoVer"), "7");
    EXPECT_EQ(profileValue(reply, "Zeb", "info"), "quoted");
    EXPECT_EQ(profileValue(reply, "Zeb", "link"), "'x");
    EXPECT_EQ(profileValue(reply, "Zeb", "bare"), "");
    EXPECT_EQ(profileValue(reply, "Zeb", "update"), "");  // second [ZEB] is not read
    EXPECT_EQ(profileValue(reply, "Other", "info"), "not this");
    EXPECT_EQ(profileValue("infoVer=3\n[Zeb]\n", "Zeb", "infoVer"), "");
    EXPECT_EQ(profileValue("[Zeb]\ninfoVer=3", "Zeb", "infoVer"), "3");  // no final line break
}

TEST(ReplyProfile, NumbersFromTheLeadingDigitsAndTextsCutToTheBuffer)
{
    EXPECT_EQ(profileNumber("12abc"), 12u);
    EXPECT_EQ(profileNumber(" +5"), 5u);
    EXPECT_EQ(profileNumber("abc"), 0u);
    EXPECT_EQ(profileNumber(""), 0u);
    EXPECT_EQ(profileNumber("-1"), 4294967295u);
    EXPECT_TRUE(isNewerVersion(profileNumber("-1")));  // compared unsigned
    EXPECT_TRUE(isNewerVersion(3));
    EXPECT_FALSE(isNewerVersion(2));

    EXPECT_EQ(profileText(std::string(300, 'a')), std::string(259, 'a'));
    // 129 two-byte characters fill 258 bytes; the 130th would end past 259.
    std::string chinese;
    for (int i = 0; i < 150; ++i)
        chinese += "中";
    EXPECT_EQ(profileText(chinese).size(), 258u);
    EXPECT_EQ(profileText("a" + chinese).size(), 259u);
}

TEST(UpdateMessages, EachResultHasItsTextForEachCaller)
{
    const Deployment hosts = testDeployment(nullptr, "vendor.test");
    const std::string failure = "升级失败，可能防火墙阻止了Zeb升级。\n请到vendor.test下载最新版。";
    EXPECT_EQ(updateFailureText(hosts), failure);
    EXPECT_EQ(updateResultText(UpdateResult::current, UpdateCaller::startupPrompt, hosts), "恭喜，已经是最新版。");
    EXPECT_EQ(updateResultText(UpdateResult::current, UpdateCaller::menu, hosts), "已经是最新版本无须升级");
    for (UpdateResult result : {UpdateResult::noReply, UpdateResult::noVersion, UpdateResult::noAddress,
                                UpdateResult::badDownload, UpdateResult::notStarted, UpdateResult::notWritten}) {
        EXPECT_EQ(updateResultText(result, UpdateCaller::menu, hosts), failure);
        EXPECT_EQ(updateResultText(result, UpdateCaller::startupPrompt, hosts), failure);
    }
    EXPECT_EQ(updateResultText(UpdateResult::started, UpdateCaller::menu, hosts), "");
    EXPECT_EQ(updateResultText(UpdateResult::busy, UpdateCaller::menu, hosts), "");
}

TEST(OfferSignature, HexadecimalOfExactlyTheLengthInEitherCase)
{
    std::uint8_t bytes[2] = {0x11, 0x22};
    EXPECT_TRUE(parseHex("aBf0", bytes, 2));
    EXPECT_EQ(bytes[0], 0xAB);
    EXPECT_EQ(bytes[1], 0xF0);
    for (const char* bad : {"abc", "abcde", "abcg", " abc", "0xab", "ab c", ""}) {
        EXPECT_FALSE(parseHex(bad, bytes, 2)) << bad;
        EXPECT_EQ(bytes[0], 0xAB) << bad;  // untouched
    }
    EXPECT_EQ(toHex(bytes, 2), "abf0");
}

TEST(OfferSignature, TheSignedTextAndTheReplyKeys)
{
    Sha256Digest digest{};
    digest[0] = 0xAB;
    digest[31] = 0x0F;
    const std::string hash = "ab" + std::string(60, '0') + "0f";
    EXPECT_EQ(updateSignedText(3, digest), "Zeb.exe 3 " + hash);
    EXPECT_EQ(updateSignedText(4294967295u, digest), "Zeb.exe 4294967295 " + hash);

    const std::string sig(128, 'C');
    OfferSignature offer;
    ASSERT_TRUE(readOfferSignature("[Zeb]\nSHA256=" + hash + "\nsig = " + sig + "\n", offer));
    EXPECT_EQ(offer.sha256, digest);
    EXPECT_EQ(offer.signature[63], 0xCC);
    for (const std::string& text : {"[Zeb]\nsha256=" + hash + "\n", "[Zeb]\nsig=" + sig + "\n",
                                    "[Zeb]\nsha256=" + hash + "0\nsig=" + sig + "\n",
                                    "[Zeb]\nsha256=" + hash + "\nsig=" + sig.substr(1) + "\n"}) {
        EXPECT_FALSE(readOfferSignature(text, offer)) << text;
    }
}
