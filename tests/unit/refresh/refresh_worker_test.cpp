#include "quotes/RefreshWorker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// Paths in these tests are ASCII.
std::string ascii(const std::wstring& path)
{
    return std::string(path.begin(), path.end());
}
std::wstring widePath(const std::string& path)
{
    return std::wstring(path.begin(), path.end());
}

constexpr LocalTime tuesdayMorning{2, 10};
constexpr LocalTime sundayNight{0, 23};

// Sleeps take no time. One-second steps are counted, not logged; other
// sleeps are logged with their length. onSecond runs during a one-second
// step and gets the number of steps so far.
class FakeClock : public RefreshClock {
public:
    explicit FakeClock(Log& log) : log(log) {}
    LocalTime now() override { return time; }
    void sleep(int milliseconds) override
    {
        if (milliseconds == 1000) {
            ++secondSteps;
            if (onSecond)
                onSecond(secondSteps);
        } else {
            log.push_back("sleep " + std::to_string(milliseconds));
        }
    }
    void interrupt() override { interrupted = true; }

    LocalTime time = tuesdayMorning;
    int secondSteps = 0;
    bool interrupted = false;
    std::function<void(int)> onSecond;

private:
    Log& log;
};

class FakeWindow : public RefreshWindow {
public:
    explicit FakeWindow(Log& log) : log(log) {}
    bool isVisible() override
    {
        log.push_back("visible?");
        return visible;
    }
    void showBusyLabel(bool show) override { log.push_back(show ? "busy on" : "busy off"); }
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s) override
    {
        log.push_back("resize " + std::to_string(rowCount) + "x" + std::to_string(columnCount));
        resizedWithFont = s.fontSizeIndex;
    }
    void applyWindowOptions(const UserSettings& s) override
    {
        log.push_back("options");
        optionsFlags = s.optionFlags;
    }
    bool navigate(const std::wstring& path) override
    {
        log.push_back("navigate " + ascii(path));
        if (navigateThrows)
            throw std::runtime_error("browser gone");
        return navigateWorks;
    }

    bool visible = true;
    bool navigateWorks = true;
    bool navigateThrows = false;
    int resizedWithFont = -1;
    std::uint32_t optionsFlags = 0;

private:
    Log& log;
};

// The worker with its shared values in reach, so that a test can store
// requests and counts as the window and the clock would at any step.
struct SteppedWorker : RefreshWorker {
    using RefreshWorker::RefreshWorker;
    using RefreshWorker::sharedValues;
};

class RefreshWorkerTest : public ::testing::Test {
protected:
    RefreshWorkerTest()
    {
        settings.refreshSeconds = 10;
        settings.fontSizeIndex = 1;
        settings.displayFlags = columnFlags | showHeader | showRefreshTime;
    }

    // The log since the last call.
    Log take()
    {
        Log out;
        out.swap(log);
        return out;
    }

    // The user asks for a refresh during the first second of the next wait.
    void requestDuringFirstSecond(int request)
    {
        clock.onSecond = [this, request](int step) {
            if (step == 1)
                shared.refreshRequest = request;
        };
    }

    // A first pass as at start-up, so that later passes start from a table of
    // the current counts that was just refreshed.
    void startUp()
    {
        shared.refreshRequest = 2;
        ASSERT_EQ(worker.runPass(), RefreshWorker::PassResult::refreshed);
        take();
        clock.secondSteps = 0;
    }

    Log log;
    FakeClock clock{log};
    FakeWindow window{log};
    UserSettings settings{};
    int tableRows = 3;
    int tableColumns = 3;
    bool noticePage = false;
    bool writeWorks = true;
    bool writeThrows = false;
    std::string writtenPage;
    UserSettings builtWith{};
    std::function<void()> duringBuild;

    SteppedWorker worker{
        clock,
        window,
        [this] { return settings; },
        [this](const UserSettings& s, std::string& page, int& rowCount, int& columnCount) {
            log.push_back("build");
            builtWith = s;
            page = "page " + std::to_string(s.fontSizeIndex);
            if (!noticePage) {
                rowCount = tableRows;
                columnCount = tableColumns;
            }
            if (duringBuild)
                duringBuild();
            return 1;
        },
        L"C:\\cache\\zebtmp.htm",
        [this](const std::wstring& path, const std::string& page) {
            log.push_back("write " + ascii(path));
            if (writeThrows)
                throw std::bad_alloc();
            writtenPage = page;
            return writeWorks;
        }};
    RefreshShared& shared = worker.sharedValues();
};

using Result = RefreshWorker::PassResult;

}  // namespace

TEST_F(RefreshWorkerTest, TimedRefreshesOnlyOnWeekdaysFrom9To1659)
{
    startUp();
    struct Case {
        int weekday, hour;
        bool refreshes;
    };
    const Case cases[] = {
        {5, 16, true},  {5, 17, false}, {1, 8, false}, {1, 9, true},  {3, 0, false},
        {3, 23, false}, {6, 10, false}, {0, 10, false}, {4, 12, true},
    };
    unsigned waited = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "weekday " << c.weekday << " hour " << c.hour);
        clock.time = {c.weekday, c.hour};
        clock.secondSteps = 0;
        const Result r = worker.runPass();
        EXPECT_EQ(clock.secondSteps, 10);
        waited += 10;
        if (c.refreshes) {
            EXPECT_EQ(r, Result::refreshed);
            // Timed refreshes show no busy label, and equal counts need no resize.
            EXPECT_EQ(take(), (Log{"visible?", "build", "write C:\\cache\\zebtmp.htm", "sleep 10",
                                   "navigate C:\\cache\\zebtmp.htm", "busy off"}));
            EXPECT_EQ(shared.secondsSinceRefresh(), 0u);
            waited = 0;
        } else {
            EXPECT_EQ(r, Result::skipped);
            EXPECT_EQ(take(), Log{"visible?"});
            // The count goes on over skipped passes.
            EXPECT_EQ(shared.secondsSinceRefresh(), waited);
        }
    }
}

TEST_F(RefreshWorkerTest, IntervalIsReadEveryPassAndUnder10MeansAnHour)
{
    startUp();
    const int intervals[] = {0, 10, 9, 3600, 45, -5};
    const int steps[] = {3600, 10, 3600, 3600, 45, 3600};
    for (int i = 0; i < 6; ++i) {
        settings.refreshSeconds = intervals[i];
        clock.secondSteps = 0;
        EXPECT_EQ(worker.runPass(), Result::refreshed) << intervals[i];
        EXPECT_EQ(clock.secondSteps, steps[i]) << intervals[i];
    }
}

TEST_F(RefreshWorkerTest, HiddenWindowIsRefreshedOnlyOnRequest)
{
    startUp();
    window.visible = false;
    EXPECT_EQ(worker.runPass(), Result::skipped);
    EXPECT_EQ(take(), Log{"visible?"});

    // Hidden, on a Sunday night, yet asked for (more than 5 seconds after the
    // last refresh): refreshed at once, with the busy label.
    clock.time = sundayNight;
    clock.secondSteps = 0;
    requestDuringFirstSecond(1);
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 1);
    EXPECT_EQ(take(), (Log{"busy on", "build", "write C:\\cache\\zebtmp.htm", "sleep 10",
                           "navigate C:\\cache\\zebtmp.htm", "busy off"}));
    EXPECT_EQ(shared.refreshRequest.load(), 0);
    EXPECT_EQ(shared.secondsSinceRefresh(), 0u);
}

TEST_F(RefreshWorkerTest, RequestWithin5SecondsIsDropped)
{
    startUp();
    // Asked right after a refresh: dropped; the timed refresh comes as planned.
    shared.refreshRequest = 1;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 10);
    EXPECT_EQ(take().front(), "visible?");

    // Asked during the fourth second: still dropped, and not revived later.
    clock.secondSteps = 0;
    clock.onSecond = [this](int step) {
        if (step == 4)
            shared.refreshRequest = 1;
    };
    window.visible = false;
    EXPECT_EQ(worker.runPass(), Result::skipped);
    EXPECT_EQ(clock.secondSteps, 10);
    EXPECT_EQ(shared.refreshRequest.load(), 0);
}

TEST_F(RefreshWorkerTest, RequestAfter5SecondsEndsTheWait)
{
    startUp();
    clock.time = sundayNight;
    clock.onSecond = [this](int step) {
        if (step == 5)
            shared.refreshRequest = 1;
    };
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 5);
    EXPECT_EQ(take().front(), "busy on");

    // A request during the last second of a wait that ran out is honoured too,
    // without the market-hours check.
    clock.secondSteps = 0;
    clock.onSecond = [this](int step) {
        if (step == 10)
            shared.refreshRequest = 1;
    };
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 10);
    EXPECT_EQ(take().front(), "busy on");
}

TEST_F(RefreshWorkerTest, RequestLeftFromTheBuildIsDroppedAtTheNextPass)
{
    startUp();
    // A second request while the page is built is answered by that page.
    duringBuild = [this] { shared.refreshRequest = 1; };
    requestDuringFirstSecond(1);
    shared.secondsWaited = 9;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 1);
    duringBuild = nullptr;
    clock.onSecond = nullptr;
    EXPECT_EQ(shared.refreshRequest.load(), 0);

    // A request that comes while the page is written is dropped by the next
    // pass, which then waits its full interval.
    clock.secondSteps = 0;
    window.visible = false;
    shared.refreshRequest = 1;
    shared.secondsWaited = 9;
    EXPECT_EQ(worker.runPass(), Result::skipped);
    EXPECT_EQ(clock.secondSteps, 10);
}

TEST_F(RefreshWorkerTest, SettingsChangeAppliesOptionsAndAlwaysResizes)
{
    startUp();
    clock.time = {6, 3};
    window.visible = false;
    clock.onSecond = [this](int step) {
        if (step == 2) {
            settings.optionFlags = alwaysOnTop | titleOnHover;
            settings.fontSizeIndex = 4;
            shared.refreshRequest = 2;
        }
    };
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 2);
    // Same counts as before, resized all the same, with the new settings.
    EXPECT_EQ(take(), (Log{"options", "busy on", "build", "resize 3x3", "write C:\\cache\\zebtmp.htm",
                           "sleep 10", "navigate C:\\cache\\zebtmp.htm", "busy off"}));
    EXPECT_EQ(window.optionsFlags, alwaysOnTop | titleOnHover);
    EXPECT_EQ(window.resizedWithFont, 4);
    EXPECT_EQ(builtWith.fontSizeIndex, 4);
    EXPECT_EQ(writtenPage, "page 4");
    EXPECT_EQ(shared.refreshRequest.load(), 0);
}

TEST_F(RefreshWorkerTest, SettingsChangeDuringARefreshIsNotLost)
{
    startUp();
    // Settings accepted while the page is being fetched and built.
    duringBuild = [this] {
        settings.optionFlags = alwaysOnTop;
        shared.refreshRequest = 2;
        duringBuild = nullptr;
    };
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(shared.refreshRequest.load(), 2);
    take();

    clock.secondSteps = 0;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 0);
    EXPECT_EQ(window.optionsFlags, alwaysOnTop);
    const Log passLog = take();
    EXPECT_EQ(passLog[0], "options");
    EXPECT_EQ(passLog[3], "resize 3x3");

    // The same for a change during the last second of a wait: that pass
    // refreshes, the next one applies the options.
    clock.onSecond = [this](int step) {
        if (step == 10) {
            settings.optionFlags = 0;
            shared.refreshRequest = 2;
        }
    };
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(take().front(), "busy on");
    clock.onSecond = nullptr;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(take().front(), "options");
    EXPECT_EQ(window.optionsFlags, 0u);
}

TEST_F(RefreshWorkerTest, NoticePageKeeps2By3ThenTableResizes)
{
    noticePage = true;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(take()[2], "resize 2x3");

    // Another notice: nothing to resize.
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    for (const std::string& e : take())
        EXPECT_EQ(e.find("resize"), std::string::npos) << e;

    noticePage = false;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(take()[2], "resize 3x3");

    tableRows = 0;  // a reply with no usable record
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(take()[2], "resize 0x3");
    tableColumns = 5;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(take()[2], "resize 0x5");
}

TEST_F(RefreshWorkerTest, FailedWriteOrLoadLeavesBusyLabelAndNextPassGoesOn)
{
    startUp();
    writeWorks = false;
    requestDuringFirstSecond(1);
    shared.secondsWaited = 6;
    EXPECT_EQ(worker.runPass(), Result::failed);
    EXPECT_EQ(take(), (Log{"busy on", "build", "write C:\\cache\\zebtmp.htm"}));
    EXPECT_EQ(shared.secondsSinceRefresh(), 0u);

    writeWorks = true;
    window.navigateWorks = false;
    EXPECT_EQ(worker.runPass(), Result::failed);
    EXPECT_EQ(take().back(), "navigate C:\\cache\\zebtmp.htm");

    window.navigateWorks = true;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(take().back(), "busy off");
}

TEST_F(RefreshWorkerTest, StopEndsTheLoopBeforeTheNextWindowCall)
{
    startUp();
    clock.onSecond = [this](int step) {
        if (step == 3)
            worker.requestStop();
    };
    EXPECT_EQ(worker.runPass(), Result::stopped);
    EXPECT_EQ(clock.secondSteps, 3);
    EXPECT_TRUE(clock.interrupted);
    EXPECT_TRUE(take().empty());
    worker.run();  // returns at once
    EXPECT_EQ(clock.secondSteps, 3);

    // Stopped while the page is built: the window is not touched again.
    shared.stopRequested = false;
    clock.onSecond = nullptr;
    shared.refreshRequest = 2;
    duringBuild = [this] { worker.requestStop(); };
    EXPECT_EQ(worker.runPass(), Result::stopped);
    EXPECT_EQ(take(), (Log{"options", "busy on", "build"}));
}

TEST(SystemClock, InterruptWakesASleepAndEveryLaterOne)
{
    SystemClock clock;
    std::thread sleeper([&] { clock.sleep(3600 * 1000); });
    clock.interrupt();
    sleeper.join();
    clock.sleep(3600 * 1000);
}

TEST(PageFile, WritesTextUpToNulAndTruncates)
{
    // A folder name as the system gives it, beyond any one code page.
    const std::wstring wide = widePath(testing::TempDir()) + L"zeb_refresh_\u00e9\u4e2d.htm";
    const std::string path = testing::TempDir() + "zeb_refresh_\xc3\xa9\xe4\xb8\xad.htm";
    ASSERT_TRUE(writePageFile(wide, std::string(300, 'x')));
    std::string page = "<html>涨跌</html>";
    page += '\0';
    page += "tail";
    ASSERT_TRUE(writePageFile(wide, page));
    std::ifstream in(path, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(content, "<html>涨跌</html>");
    std::remove(path.c_str());

    EXPECT_FALSE(writePageFile(widePath(testing::TempDir()) + L"no/such/folder/zebtmp.htm", "x"));
}

TEST_F(RefreshWorkerTest, APageThatCannotBeBuiltFailsThePassAndTheLoopGoesOn)
{
    duringBuild = [] { throw std::bad_alloc(); };
    EXPECT_EQ(worker.runPass(), Result::failed);
    EXPECT_EQ(take(), (Log{"visible?", "build"}));  // nothing written or loaded

    duringBuild = nullptr;
    EXPECT_EQ(worker.runPass(), Result::refreshed);

    // The same for a page that cannot be written or loaded.
    take();
    writeThrows = true;
    EXPECT_EQ(worker.runPass(), Result::failed);
    EXPECT_EQ(take().back(), "write C:\\cache\\zebtmp.htm");
    writeThrows = false;
    window.navigateThrows = true;
    EXPECT_EQ(worker.runPass(), Result::failed);
    EXPECT_EQ(take().back(), "navigate C:\\cache\\zebtmp.htm");  // the busy label is left as it is
    window.navigateThrows = false;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
}

TEST(RefreshShared, ARefreshRequestNeverReplacesASettingsChange)
{
    RefreshShared shared;
    shared.requestRefresh();
    EXPECT_EQ(shared.refreshRequest.load(), 1);
    shared.requestSettingsApplied();
    shared.requestRefresh();
    EXPECT_EQ(shared.refreshRequest.load(), 2);
}
