#include "update/SelfUpdate.h"

#include "tests/support/ScopedDeployment.h"
#include "tests/unit/update/FakePlatform.h"

#include <gtest/gtest.h>

#include <new>

namespace {

const char* const checkUrl = "http://vendor.test/zeb/zebUpdate.php?Ver=Zeb 1.0.0.2";
const char* const offer = "[Zeb]\ninfoVer=3\ndlurl=http://vendor.test/Zeb.exe\n";

struct SelfUpdate : ::testing::Test {
    ScopedDeployment hosts{nullptr, "vendor.test"};
    FakePlatform fake;
    UpdateGuard guard;

    UpdateResult update(const std::string& reply, const std::string& newBuild = tinyExecutable())
    {
        fake.site[checkUrl] = reply;
        fake.site["http://vendor.test/Zeb.exe"] = newBuild;
        return checkAndInstallUpdate(fake.platform, guard);
    }
    bool started() const { return fake.log.back().rfind("run ", 0) == 0; }
};

}  // namespace

TEST_F(SelfUpdate, RepliesThatOfferNothingUsableDeleteTheReplyAndFetchNothingElse)
{
    const std::pair<const char*, UpdateResult> cases[] = {
        {"", UpdateResult::noVersion},
        {"[Zeb]\ninfoVer=0\ndlurl=http://x/\n", UpdateResult::noVersion},
        {"[zeb]\nINFOVER=2\n", UpdateResult::current},
        {"[Zeb]\ninfoVer=1\n", UpdateResult::current},
        {"[Zeb]\ninfoVer=3\n", UpdateResult::noAddress},
        {"[Zeb]\ninfoVer=3\ndlurl=file:///C:/Windows/calc.exe\n", UpdateResult::noAddress},
        {"[Zeb]\ninfoVer=3\ndlurl=.\\Zeb.new.exe\n", UpdateResult::noAddress}};
    for (const auto& [reply, result] : cases) {
        fake.log.clear();
        EXPECT_EQ(update(reply), result) << reply;
        const std::string replyFile = "C:\\Cache\\reply" + std::to_string(fake.cached) + ".txt";
        const std::vector<std::string> expected = {"get " + std::string(checkUrl), "remove " + replyFile};
        EXPECT_EQ(fake.log, expected);
    }
    fake.site.clear();
    EXPECT_EQ(checkAndInstallUpdate(fake.platform, guard), UpdateResult::noReply);
}

TEST_F(SelfUpdate, OnlyAWindowsProgramIsKeptAsTheNewBuild)
{
    std::string outside = tinyExecutable();
    outside[0x3C] = 0x46;  // "PE" would lie past the end
    for (const std::string& body : {std::string("<html>404 Not Found</html>"), std::string("MZ"), outside}) {
        EXPECT_EQ(update(offer, body), UpdateResult::badDownload);
        EXPECT_FALSE(fake.files.count(newExePath));
        EXPECT_FALSE(fake.files.count(updaterExeName));
        EXPECT_FALSE(started());
    }
}

TEST_F(SelfUpdate, AnUpdaterNotWrittenWholeIsRemovedAndNeverStarted)
{
    fake.unwritable.insert(updaterExeName);
    EXPECT_EQ(update(offer), UpdateResult::notWritten);
    EXPECT_FALSE(fake.files.count(updaterExeName));
    EXPECT_FALSE(started());

    fake.platform.updaterData = nullptr;  // no resource
    fake.unwritable.clear();
    EXPECT_EQ(update(offer), UpdateResult::notWritten);
    EXPECT_FALSE(started());
}

TEST_F(SelfUpdate, TheUpdaterIsWrittenAsCarriedAndStartedWithBothPathsOneUpdateAtATime)
{
    fake.execResult = 31;
    EXPECT_EQ(update(offer), UpdateResult::notStarted);

    ASSERT_TRUE(guard.tryBegin());  // another update is under way
    fake.log.clear();
    EXPECT_EQ(update(offer), UpdateResult::busy);
    EXPECT_TRUE(fake.log.empty());
    guard.end();

    fake.execResult = 33;
    EXPECT_EQ(update(offer), UpdateResult::started);
    EXPECT_EQ(fake.files[updaterExeName], fake.updater);
    EXPECT_EQ(fake.files[newExePath], tinyExecutable());
    const std::vector<std::string> tail = {"write ZebUpdater.exe", "sleep 500",
                                           "run ZebUpdater.exe C:\\PROGRA~1\\Zeb\\Zeb.exe .\\Zeb.new.exe"};
    EXPECT_EQ(std::vector<std::string>(fake.log.end() - 3, fake.log.end()), tail);
    EXPECT_EQ(update(offer), UpdateResult::busy);  // the program is ending: no second hand-over

    EXPECT_EQ(updaterCommandLine("C:\\Long Name\\Zeb.exe"),
              "ZebUpdater.exe \"C:\\Long Name\\Zeb.exe\" .\\Zeb.new.exe");
}

TEST(SelfUpdateTurn, AnUpdateCutShortByAnExceptionGivesItsTurnBack)
{
    struct OutOfMemory : FakePlatform {
        bool toCache(const std::string&, std::string&) override { throw std::bad_alloc(); }
    } fake;
    UpdateGuard guard;
    EXPECT_THROW(static_cast<void>(checkAndInstallUpdate(fake.platform, guard)), std::bad_alloc);
    EXPECT_TRUE(guard.tryBegin());
}

TEST(Cleanup, DeletesThePreviousBuildThenTheUpdaterAndStopsAtAFailure)
{
    FakePlatform fake;
    cleanUpAfterUpdate(fake, fake);
    EXPECT_EQ(fake.log, std::vector<std::string>{"sleep 2000"});

    for (bool stuck : {false, true}) {
        fake.log = {};
        fake.files = {{previousExePath, "old"}, {updaterExePath, "u"}};
        if (stuck)
            fake.undeletable.insert(previousExePath);
        cleanUpAfterUpdate(fake, fake);
        EXPECT_EQ(fake.logged("remove .\\Zeb.exe.old"), true);
        EXPECT_EQ(fake.files.count(updaterExePath), stuck ? 1u : 0u);
        EXPECT_EQ(fake.log.back(), stuck ? "remove .\\Zeb.exe.old" : "remove .\\ZebUpdater.exe");
    }
}
