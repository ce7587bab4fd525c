#include "update/VendorClient.h"

#include "tests/unit/update/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const char* const pingUrl = "http://vendor.test/zeb/auinfo.php?Guid=0F8FAD5B-D9CB-469F-A165-70867728950E"
                            "&Ver=Zeb 1.0.0.2";

struct Notice : ::testing::Test {
    FakePlatform fake;
    char text[260];
    char url[260];
    std::atomic<int> blocked{7};

    NoticeResult fetch(const std::string& reply)
    {
        fake.site[pingUrl] = reply;
        return fetchVendorNotice(fake.platform, text, url, blocked);
    }
};

}  // namespace

TEST_F(Notice, TheIdentifierIsMadeOnceStoredWithoutBracesAndSentUnchanged)
{
    EXPECT_EQ(getClientGuid(fake.platform), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(fake.values["Guid"], "0F8FAD5B-D9CB-469F-A165-70867728950E");  // 36 bytes, no zero
    EXPECT_TRUE(fake.logged("set Guid type 1"));
    fake.guid = "{11111111-2222-3333-4444-555555555555}";
    EXPECT_EQ(fetch(""), NoticeResult::none);
    EXPECT_TRUE(fake.logged(std::string("get ") + pingUrl));

    fake.values.clear();
    fake.guid.clear();  // no identifier can be made
    EXPECT_EQ(getClientGuid(fake.platform), "noGuid");
    EXPECT_TRUE(fake.values.empty());
}

TEST_F(Notice, ARememberedDemandBlocksAtOnceAndThePingStillGoesOut)
{
    fake.values["Update"] = std::string("\x03\0\0\0", 4);
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(fetchVendorNotice(fake.platform, text, url, blocked), NoticeResult::upgrade);  // no answer
    EXPECT_EQ(blocked, 1);
    EXPECT_TRUE(fake.logged(std::string("get ") + pingUrl));
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(text[259], '\0');

    // An answer that does not repeat it leaves it standing...
    EXPECT_EQ(fetch("[Zeb]\ninfoVer=3\ninfo=hello\n"), NoticeResult::upgrade);
    EXPECT_EQ(blocked, 1);
    EXPECT_EQ(fake.values["Update"], std::string("\x03\0\0\0", 4));
    // ...unless its update check found no signed build: then it is lifted.
    fake.values["UpdateNoBuild"] = fake.values["Update"];
    EXPECT_EQ(fetch("[Zeb]\ninfoVer=3\ninfo=hello\n"), NoticeResult::ready);
    EXPECT_EQ(blocked, 0);
    EXPECT_FALSE(fake.values.count("Update"));
    EXPECT_FALSE(fake.values.count("UpdateNoBuild"));
    // A mark of another demand lifts nothing; a repeated demand clears the mark.
    fake.values = {{"Update", std::string("\x04\0\0\0", 4)}, {"UpdateNoBuild", std::string("\x03\0\0\0", 4)}};
    EXPECT_EQ(fetch(""), NoticeResult::upgrade);
    EXPECT_EQ(fetch("[Zeb]\ninfoVer=4\ninfo=again\nupdate=1\n"), NoticeResult::upgrade);
    EXPECT_FALSE(fake.values.count("UpdateNoBuild"));

    fake.values["Update"] = std::string("\x02\0\0\0", 4);
    EXPECT_EQ(fetch(""), NoticeResult::none);
    EXPECT_EQ(blocked, 0);
}

TEST_F(Notice, OnlyAFourByteNumberIsADemandAnythingElseIsDeleted)
{
    const std::pair<std::string, std::uint32_t> others[] = {
        {std::string("0\0", 2), 1}, {std::string("\x03\0\0\0", 4), 1}, {std::string("\x03\0\0\0", 4), 3},
        {std::string("\x03\0\0\0\0\0\0\0", 8), 4}, {std::string("\x03\0", 2), 4}, {std::string(300, '\x03'), 3}};
    for (const auto& [bytes, type] : others) {
        fake.values["Update"] = bytes;
        fake.types["Update"] = type;
        EXPECT_EQ(fetch(""), NoticeResult::none) << type;
        EXPECT_EQ(blocked, 0);
        EXPECT_FALSE(fake.values.count("Update"));
    }
}

TEST_F(Notice, RepliesWithoutANewerNumberOrTextShowNothingAndAreDeletedAfterAWait)
{
    fake.values["Guid"] = "0F8FAD5B-D9CB-469F-A165-70867728950E";
    for (const char* reply : {"[Zeb]\ninfoVer=2\ninfo=old\nupdate=1\n", "[Zeb]\ninfo=no number\n",
                              "[Zeb]\ninfoVer=3\ninfo=\n", "[Zeb]\ninfoVer=3\n"}) {
        fake.log.clear();
        EXPECT_EQ(fetch(reply), NoticeResult::none) << reply;
        EXPECT_EQ(blocked, 0);
        ASSERT_EQ(fake.log.size(), 3u);
        EXPECT_EQ(fake.log[1], "sleep 500");
        EXPECT_EQ(fake.log[2].rfind("remove C:\\Cache\\reply", 0), 0u);
        EXPECT_EQ(fake.forgotten, std::vector<std::string>{pingUrl});
        fake.forgotten.clear();
        EXPECT_FALSE(fake.values.count("Update"));
    }
    fake.site.clear();
    EXPECT_EQ(fetchVendorNotice(fake.platform, text, url, blocked), NoticeResult::none);  // no answer
}

TEST_F(Notice, ANoticeKeepsOnlyAWebLinkAndADemandIsRemembered)
{
    EXPECT_EQ(fetch("[Zeb]\ninfoVer=3\ninfo=新功能\ninfourl=http://vendor.test/news\n"),
              NoticeResult::ready);
    EXPECT_STREQ(text, "新功能");
    EXPECT_STREQ(url, "http://vendor.test/news");
    EXPECT_EQ(blocked, 0);
    EXPECT_FALSE(fake.values.count("Update"));
    EXPECT_EQ(fake.files.size(), 1u);  // a shown notice's reply stays

    for (const char* link : {"file:///C:/x.exe", "javascript:alert(1)", "\\\\host\\share", ""}) {
        EXPECT_EQ(fetch(std::string("[Zeb]\ninfoVer=3\ninfo=n\ninfourl=") + link), NoticeResult::ready);
        EXPECT_STREQ(url, "") << link;
    }

    EXPECT_EQ(fetch("[Zeb]\ninfoVer=5\ninfo=请升级\nupdate=1\n"), NoticeResult::upgrade);
    EXPECT_EQ(blocked, 1);
    EXPECT_TRUE(fake.logged("set Update type 4"));
    EXPECT_EQ(fake.values["Update"], std::string("\x05\0\0\0", 4));
}
