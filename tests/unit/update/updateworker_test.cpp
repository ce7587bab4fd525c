#include "update/UpdateWorker.h"

#include "tests/unit/update/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const char* const pingUrl =
    "http://vendor.test/zeb/auinfo.php?Guid=0F8FAD5B-D9CB-469F-A165-70867728950E&Ver=Zeb 1.0.0.2";
const char* const checkUrl = "http://vendor.test/zeb/zebUpdate.php?Ver=Zeb 1.0.0.2";

struct FakeWindow : UpdateWorkerWindow {
    std::vector<std::string> calls;
    bool okChosen = false;
    void showNotice(const char* text, const char* url) override
    {
        calls.push_back(std::string("notice ") + text + " | " + url);
    }
    bool ask(const char* text) override
    {
        calls.push_back(std::string("ask ") + text);
        return okChosen;
    }
    void tell(const char* text) override { calls.push_back(std::string("tell ") + text); }
    void showQuotes() override { calls.push_back("quotes"); }
    void endProcess() override { calls.push_back("end"); }
};

struct UpdateWorker : ::testing::Test {
    FakePlatform fake;
    FakeWindow window;
    UpdateGuard guard;
    std::atomic<int> blocked{0};

    std::vector<std::string> run(const std::string& ping, bool ok = false)
    {
        fake.site[pingUrl] = ping;
        window.okChosen = ok;
        runUpdateWorker(fake.platform, window, guard, blocked);
        return window.calls;
    }
};

const char* const demand = "[Zeb]\ninfoVer=3\ninfo=upgrade\nupdate=1\n";

}  // namespace

TEST_F(UpdateWorker, NoticeGoesToTheLineAndNothingElseHappens)
{
    EXPECT_EQ(run("[Zeb]\ninfoVer=3\ninfo=hello\ninfourl=http://vendor.test/n\n"),
              std::vector<std::string>{"notice hello | http://vendor.test/n"});
    EXPECT_FALSE(fake.logged(std::string("get ") + checkUrl));
    window.calls.clear();
    EXPECT_TRUE(run("[Zeb]\ninfoVer=2\ninfo=old\n").empty());
}

TEST_F(UpdateWorker, DemandPromptsAndOnlyOkLeadsToTheUpdate)
{
    EXPECT_EQ(run(demand), std::vector<std::string>{std::string("ask ") + upgradePromptText});
    EXPECT_FALSE(fake.logged(std::string("get ") + checkUrl));
    EXPECT_EQ(blocked.load(), 1);

    // OK, and the build is current: the start-up wording; the demand is
    // lifted and the quotes come back.
    window.calls.clear();
    fake.site[checkUrl] = "[Zeb]\ninfoVer=2\n";
    EXPECT_EQ(run(demand, true).back(), "tell 恭喜，已经是最新版。");
    EXPECT_EQ(window.calls[1], "quotes");
    EXPECT_EQ(blocked.load(), 0);
    EXPECT_FALSE(fake.values.count("Update"));

    window.calls.clear();
    fake.site[checkUrl] = "[Zeb]\ninfoVer=3\n";
    EXPECT_EQ(run(demand, true).back(), "tell " + updateFailureText(fake.deployment));
}

TEST_F(UpdateWorker, StartedUpdaterEndsTheProcessAndABusyUpdateShowsNothing)
{
    fake.site[checkUrl] = "[Zeb]\ninfoVer=3\ndlurl=http://vendor.test/Zeb.exe\n" + fake.signedKeys(tinyExecutable());
    fake.site["http://vendor.test/Zeb.exe"] = tinyExecutable();
    EXPECT_EQ(run(demand, true).back(), "end");

    // The menu's update holds the guard: the prompt's one is refused quietly.
    window.calls.clear();
    UpdateGuard taken;
    ASSERT_TRUE(taken.tryBegin());
    fake.site[pingUrl] = demand;
    window.okChosen = true;
    runUpdateWorker(fake.platform, window, taken, blocked);
    EXPECT_EQ(window.calls, std::vector<std::string>{std::string("ask ") + upgradePromptText});
}
