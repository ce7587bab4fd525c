#include "update/SelfUpdate.h"

#include "tests/unit/update/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <new>

namespace {

const char* const checkUrl = "http://vendor.test/zeb/zebUpdate.php?Ver=Zeb 1.0.0.2";
const char* const buildUrl = "http://vendor.test/Zeb.exe";

struct SelfUpdate : ::testing::Test {
    FakePlatform fake;
    UpdateGuard guard;
    std::atomic<int> blocked{0};

    // Build 3 at buildUrl, signed for these bytes.
    std::string offer(const std::string& build = tinyExecutable())
    {
        return "[Zeb]\ninfoVer=3\ndlurl=" + std::string(buildUrl) + "\n" + fake.signedKeys(build);
    }

    UpdateResult update(const std::string& reply, const std::string& newBuild = tinyExecutable())
    {
        fake.site[checkUrl] = reply;
        fake.site[buildUrl] = newBuild;
        return checkAndInstallUpdate(fake.platform, guard, blocked);
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
        EXPECT_EQ(fake.forgotten.back(), checkUrl);  // the cache's entry goes with the file
    }
    fake.site.clear();
    EXPECT_EQ(checkAndInstallUpdate(fake.platform, guard, blocked), UpdateResult::noReply);
}

TEST_F(SelfUpdate, OnlyAWindowsProgramIsKeptAsTheNewBuild)
{
    std::string outside = tinyExecutable();
    outside[0x3C] = 0x46;  // "PE" would lie past the end
    // A build for another processor cannot run here.
    const std::string otherMachine = tinyExecutable(ownMachine == machineAmd64 ? machineI386 : machineAmd64);
    for (const std::string& body : {std::string("<html>404 Not Found</html>"), std::string("MZ"), outside,
                                    otherMachine, tinyExecutable(ownMachine == machineArm64 ? machineAmd64 : machineArm64)}) {
        EXPECT_EQ(update(offer(body), body), UpdateResult::badDownload);
        EXPECT_FALSE(fake.files.count(newExePath));
        EXPECT_FALSE(fake.files.count(updaterExeName));
        EXPECT_FALSE(started());
    }
}

TEST_F(SelfUpdate, AnUpdaterNotWrittenWholeIsRemovedAndNeverStarted)
{
    fake.unwritable.insert(updaterExeName);
    EXPECT_EQ(update(offer()), UpdateResult::notWritten);
    EXPECT_FALSE(fake.files.count(updaterExeName));
    EXPECT_FALSE(started());

    fake.platform.updaterData = nullptr;  // no resource
    fake.unwritable.clear();
    EXPECT_EQ(update(offer()), UpdateResult::notWritten);
    EXPECT_FALSE(started());
}

TEST_F(SelfUpdate, TheUpdaterIsWrittenAsCarriedAndStartedWithBothPathsOneUpdateAtATime)
{
    fake.startable = false;
    EXPECT_EQ(update(offer()), UpdateResult::notStarted);

    ASSERT_TRUE(guard.tryBegin());  // another update is under way
    fake.log.clear();
    EXPECT_EQ(update(offer()), UpdateResult::busy);
    EXPECT_TRUE(fake.log.empty());
    guard.end();

    fake.startable = true;
    EXPECT_EQ(update(offer()), UpdateResult::started);
    EXPECT_EQ(fake.files[updaterExeName], fake.updater);
    EXPECT_EQ(fake.files[newExePath], tinyExecutable());
    const std::vector<std::string> tail = {"write ZebUpdater.exe", "sleep 500",
                                           "run ZebUpdater.exe C:\\PROGRA~1\\Zeb\\Zeb.exe .\\Zeb.new.exe"};
    EXPECT_EQ(std::vector<std::string>(fake.log.end() - 3, fake.log.end()), tail);
    EXPECT_EQ(update(offer()), UpdateResult::busy);  // the program is ending: no second hand-over

    EXPECT_EQ(updaterCommandLine("C:\\Long Name\\Zeb.exe"),
              "ZebUpdater.exe \"C:\\Long Name\\Zeb.exe\" .\\Zeb.new.exe");
}

TEST_F(SelfUpdate, OnlyABuildSignedForItsBytesAndItsNumberIsFetchedAndKept)
{
    const std::string build = tinyExecutable();
    const std::string head = "[Zeb]\ninfoVer=3\ndlurl=" + std::string(buildUrl) + "\n";
    const std::string keys = fake.signedKeys(build);
    const std::string sha = keys.substr(0, keys.find('\n') + 1);
    const std::string sig = keys.substr(keys.find('\n') + 1);
    std::string flipped = sig;
    flipped[4] = flipped[4] == '0' ? '1' : '0';
    // Reply, and whether the build is fetched before it is refused.
    const std::pair<std::string, bool> cases[] = {
        {head, false},
        {head + sha, false},
        {head + sig, false},
        {head + sha + flipped, false},
        {head + sha + sig.substr(0, sig.size() - 3) + "\n", false},  // 126 digits
        {head + "sha256=" + std::string(64, 'g') + "\n" + sig, false},
        {head + fake.signedKeys(build, 4), false},   // signed as build 4, offered as 3
        {head + fake.signedKeys(build + "x"), true},  // signed for other bytes
    };
    for (const auto& [reply, fetched] : cases) {
        fake.log.clear();
        EXPECT_EQ(update(reply, build), UpdateResult::badDownload) << reply;
        EXPECT_EQ(fake.logged(std::string("get ") + buildUrl), fetched) << reply;
        EXPECT_FALSE(fake.files.count(newExePath));
        EXPECT_FALSE(fake.files.count(updaterExeName));
        EXPECT_FALSE(started());
    }

    std::string upper = keys;  // digits and key names in upper case
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return std::toupper(c); });
    EXPECT_EQ(update(head + upper, build), UpdateResult::started);
    EXPECT_EQ(fake.files[newExePath], build);
}

TEST_F(SelfUpdate, ADemandIsLiftedByACurrentBuildOrAStartedUpdateAndMarkedWhenNoSignedBuildIsFound)
{
    const std::string demand("\x03\0\0\0", 4);
    fake.values["Update"] = demand;
    blocked = 1;
    EXPECT_EQ(update("[Zeb]\ninfoVer=2\n"), UpdateResult::current);
    EXPECT_FALSE(fake.values.count("Update"));
    EXPECT_EQ(blocked, 0);

    fake.values["Update"] = demand;
    EXPECT_EQ(update(offer()), UpdateResult::started);
    EXPECT_FALSE(fake.values.count("Update"));
    guard.end();

    const std::string unsignedOffer = "[Zeb]\ninfoVer=3\ndlurl=" + std::string(buildUrl) + "\n";
    for (const std::string& reply : {unsignedOffer, std::string("[Zeb]\ninfoVer=3\n"), std::string()}) {
        fake.values = {{"Update", demand}};
        blocked = 1;
        EXPECT_TRUE(isUpdateFailure(update(reply))) << reply;
        EXPECT_EQ(fake.values["Update"], demand);
        EXPECT_EQ(fake.values["UpdateNoBuild"], demand);
        EXPECT_EQ(blocked, 1);
    }

    fake.values.clear();  // nothing demanded: nothing to mark
    EXPECT_EQ(update(unsignedOffer), UpdateResult::badDownload);
    EXPECT_TRUE(fake.values.empty());
    fake.values = {{"Update", demand}};
    fake.site.clear();  // the check was not answered: no verdict on the demand
    EXPECT_EQ(checkAndInstallUpdate(fake.platform, guard, blocked), UpdateResult::noReply);
    EXPECT_FALSE(fake.values.count("UpdateNoBuild"));
}

TEST(SelfUpdateTurn, AnUpdateCutShortByAnExceptionGivesItsTurnBack)
{
    struct OutOfMemory : FakePlatform {
        bool toReplyFile(const std::string&, std::string&) override { throw std::bad_alloc(); }
    } fake;
    UpdateGuard guard;
    std::atomic<int> blocked{0};
    EXPECT_THROW(static_cast<void>(checkAndInstallUpdate(fake.platform, guard, blocked)), std::bad_alloc);
    EXPECT_TRUE(guard.tryBegin());
}

TEST(Cleanup, DeletesThePreviousBuildThenTheUpdaterAndStopsAtAFailure)
{
    FakePlatform fake;
    UpdateGuard guard;
    cleanUpAfterUpdate(fake, fake, guard);
    EXPECT_EQ(fake.log, std::vector<std::string>{"sleep 2000"});

    for (bool stuck : {false, true}) {
        fake.log = {};
        fake.files = {{previousExePath, "old"}, {updaterExePath, "u"}};
        if (stuck)
            fake.undeletable.insert(previousExePath);
        cleanUpAfterUpdate(fake, fake, guard);
        EXPECT_EQ(fake.logged("remove .\\Zeb.exe.old"), true);
        EXPECT_EQ(fake.files.count(updaterExePath), stuck ? 1u : 0u);
        EXPECT_EQ(fake.log.back(), stuck ? "remove .\\Zeb.exe.old" : "remove .\\ZebUpdater.exe");
    }
}

TEST(Cleanup, LeavesTheFilesOfAnUpdateUnderWay)
{
    FakePlatform fake;
    fake.files = {{previousExePath, "old"}, {updaterExePath, "u"}};
    UpdateGuard guard;
    ASSERT_TRUE(guard.tryBegin());
    cleanUpAfterUpdate(fake, fake, guard);
    EXPECT_EQ(fake.files.size(), 2u);
    guard.end();
    cleanUpAfterUpdate(fake, fake, guard);
    EXPECT_TRUE(fake.files.empty());
}

TEST_F(SelfUpdate, ARefusedOfferLeavesItsCauseInTheTrace)
{
    std::vector<std::string> traced;
    fake.platform.failureTrace = [&](const char* why) { traced.push_back(why); };
    const std::string head = "[Zeb]\ninfoVer=3\ndlurl=" + std::string(buildUrl) + "\n";
    // Reply, the build it leads to, and the cause.
    const std::string cases[][3] = {
        {"[Zeb]\n", "", "the update check's reply has no version"},
        {"[Zeb]\ninfoVer=3\n", "", "the offer has no web address"},
        {head, "", "the offer is not signed"},
        {head + fake.signedKeys("other bytes"), tinyExecutable(), "the download is not the signed build"},
        {offer("MZ"), "MZ", "the download is no Windows program"},
    };
    for (const auto& [reply, build, cause] : cases) {
        EXPECT_TRUE(isUpdateFailure(update(reply, build))) << cause;
        ASSERT_FALSE(traced.empty()) << cause;
        EXPECT_EQ(traced.back(), "update: " + cause);
    }
    EXPECT_EQ(traced.size(), std::size(cases));
}

TEST_F(SelfUpdate, ADevelopmentKeyBuildTakesSignedOffersOnlyFromThisComputer)
{
    fake.platform.developmentKey = true;
    EXPECT_EQ(update(offer()), UpdateResult::badDownload);  // vendor.test
    EXPECT_FALSE(fake.logged(std::string("get ") + buildUrl));
    EXPECT_FALSE(started());

    parseServiceHost("127.0.0.1:8080", fake.deployment.vendorHost);
    const std::string localCheck = "http://127.0.0.1:8080/zeb/zebUpdate.php?Ver=Zeb 1.0.0.2";
    fake.site[localCheck] = offer();
    fake.site[buildUrl] = tinyExecutable();
    EXPECT_EQ(checkAndInstallUpdate(fake.platform, guard, blocked), UpdateResult::started);
}

TEST_F(SelfUpdate, AnOfferBelowTheHighestBuildHandedOverIsNotNewer)
{
    EXPECT_EQ(update(offer()), UpdateResult::started);
    EXPECT_EQ(fake.values["InstalledVer"], std::string("\x03\0\0\0", 4));
    EXPECT_EQ(fake.types["InstalledVer"], 4u);
    guard.end();

    fake.values["InstalledVer"] = std::string("\x04\0\0\0", 4);
    fake.log.clear();
    EXPECT_EQ(update(offer()), UpdateResult::current);
    EXPECT_FALSE(fake.logged(std::string("get ") + buildUrl));

    for (const std::string& floor : {std::string("\x03\0\0\0", 4), std::string("4"), std::string("\x04\0\0", 3)}) {
        fake.values["InstalledVer"] = floor;  // the same build again, or no number
        EXPECT_EQ(update(offer()), UpdateResult::started);
        guard.end();
    }
}
