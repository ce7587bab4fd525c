#include "quotes/RefreshWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Hong Kong times of one week: Monday 2026-12-07 00:00 at UTC+8.
constexpr UtcMs hongKongMonday = 1796572800000;
constexpr UtcMs hongKong(int dayFromMonday, int hour, int minute = 0, int second = 0)
{
    return hongKongMonday + ((dayFromMonday * 24LL + hour) * 60 + minute) * 60000 + second * 1000LL;
}
constexpr UtcMs tuesdayMorning = hongKong(1, 10);
constexpr UtcMs sundayNight = hongKong(6, 23);

// Time passes only in waits, in one-second steps, which are counted, not
// logged; other sleeps are logged with their length and take no time.
// onSecond runs after each step and gets the number of steps so far. A wake
// ends the wait after the step it came in, unless the wait ran out then: the
// timeout is taken first. A wait for ever that no wake ends throws.
class FakeClock : public RefreshClock {
public:
    explicit FakeClock(Log& log) : log(log) {}
    UtcMs utcNow() override { return utcAtZero + elapsed; }
    std::int64_t monotonicMs() override { return elapsed; }
    bool wait(std::int64_t milliseconds) override
    {
        ++waits;
        const std::int64_t end = milliseconds < 0 ? elapsed + weekMs : elapsed + milliseconds;
        while (!woken && elapsed < end) {
            const std::int64_t step = std::min<std::int64_t>(1000, end - elapsed);
            elapsed += step;
            if (step == 1000) {
                ++secondSteps;
                if (onSecond)
                    onSecond(secondSteps);
            }
        }
        if (milliseconds < 0 && !woken)
            throw std::logic_error("a wait for ever that nothing ends");
        if (elapsed >= end && milliseconds >= 0)
            return false;
        woken = false;
        return true;
    }
    void wake() override
    {
        woken = true;
        interrupted = true;
    }
    void sleep(int milliseconds) override { log.push_back("sleep " + std::to_string(milliseconds)); }

    // Sets the time of day, as a user or the network may.
    void setTime(UtcMs t) { utcAtZero = t - elapsed; }

    int secondSteps = 0;
    int waits = 0;
    bool interrupted = false;  // woken at least once
    std::function<void(int)> onSecond;

private:
    static constexpr std::int64_t weekMs = 7 * 24 * 3600 * 1000LL;
    Log& log;
    UtcMs utcAtZero = tuesdayMorning;
    std::int64_t elapsed = 0;
    bool woken = false;
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
    bool navigate(const std::wstring& path, const QuotePageModel& page) override
    {
        log.push_back("navigate " + ascii(path));
        if (navigateThrows)
            throw std::runtime_error("browser gone");
        shown = page.rows.empty() ? "" : page.rows.back().cells.back().text;
        return navigateWorks;
    }
    void reportFailure(const char* what) override { failures.push_back(what); }
    void showAlert(const std::string& text) override { log.push_back("alert " + text); }

    bool visible = true;
    bool navigateWorks = true;
    bool navigateThrows = false;
    int resizedWithFont = -1;
    std::uint32_t optionsFlags = 0;
    std::string shown;  // the text of the last page shown
    Log failures;

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

    // The window's requests, as the mini-window makes them.
    void ask(int request)
    {
        if (request == 2)
            shared.requestSettingsApplied();
        else
            shared.requestRefresh();
    }

    // The user asks for a refresh during the first second of the next wait.
    void requestDuringFirstSecond(int request)
    {
        clock.onSecond = [this, request](int step) {
            if (step == 1)
                ask(request);
        };
    }

    void lastRefreshSecondsAgo(int seconds) { shared.lastRefreshMs = clock.monotonicMs() - seconds * 1000LL; }

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
    QuoteStamp newestQuote = 0;  // of the replies built
    bool watching = false;       // the pages built have a code watched for an alert

    SteppedWorker worker{
        clock,
        window,
        [this] { return settings; },
        [this](const UserSettings& s, QuotePageModel& page) {
            log.push_back("build");
            builtWith = s;
            page.kind = noticePage ? PageKind::notice : PageKind::quotes;
            page.rows.assign(
                1, {RowKind::footer, Tone::header, {{"page " + std::to_string(s.fontSizeIndex)}}, "", {}});
            page.rowCount = tableRows;
            page.columnCount = tableColumns;
            if (duringBuild)
                duringBuild();
            return PageBuild{page.kind, 0, newestQuote, watching};
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

TEST_F(RefreshWorkerTest, TimedRefreshesFollowHongKongTradingHours)
{
    startUp();
    // Each pass starts right after a refresh (interval 10 s) at a Hong Kong
    // time; the worker sleeps until the next refresh that falls in trading
    // hours, in waits of an hour at most, and refreshes then.
    struct Case {
        UtcMs start;
        int seconds;
    };
    const Case cases[] = {
        {hongKong(1, 9), 10},            {hongKong(4, 16, 59, 40), 10},
        {hongKong(4, 16, 59, 55), 230405},  // Friday's close to Monday 09:00
        {hongKong(0, 8, 30), 1800},      {hongKong(2, 11, 59, 55), 3605},  // the midday break
        {hongKong(3, 12, 59, 50), 10},   {hongKong(5, 10), 169200},
        {hongKong(6, 23), 36000},        {hongKong(2, 0), 32400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << (c.start - hongKongMonday) / 1000 << " s into the week");
        clock.setTime(c.start);
        clock.secondSteps = 0;
        clock.waits = 0;
        EXPECT_EQ(worker.runPass(), Result::refreshed);
        EXPECT_EQ(clock.secondSteps, c.seconds);
        EXPECT_LE(clock.waits, c.seconds / 3600 + 2);
        EXPECT_TRUE(hongKongMarketOpen(clock.utcNow()));
        // Timed refreshes show no busy label, and equal counts need no resize.
        EXPECT_EQ(take(), (Log{"visible?", "build", "write C:\\cache\\zebtmp.htm", "sleep 10",
                               "navigate C:\\cache\\zebtmp.htm", "busy off"}));
        EXPECT_EQ(shared.secondsSinceRefresh(), 0u);
    }

    // The time of day set to a Saturday during a wait (by the user, or a
    // computer that slept): the worker sleeps on until Monday's opening.
    clock.setTime(tuesdayMorning);
    clock.onSecond = [this](int step) {
        if (step == 5)
            clock.setTime(hongKong(5, 10));
    };
    clock.secondSteps = 0;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 5 + 169200);
}

TEST_F(RefreshWorkerTest, IntervalIsReadEveryPassAndUnder10MeansAnHour)
{
    startUp();
    const int intervals[] = {0, 10, 9, 3600, 45, -5};
    const int steps[] = {3600, 10, 3600, 3600, 45, 3600};
    for (int i = 0; i < 6; ++i) {
        clock.setTime(hongKong(1, 9));
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
    clock.setTime(sundayNight);
    clock.secondSteps = 0;
    requestDuringFirstSecond(1);
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 1);
    EXPECT_EQ(take(), (Log{"busy on", "build", "write C:\\cache\\zebtmp.htm", "sleep 10",
                           "navigate C:\\cache\\zebtmp.htm", "busy off"}));
    EXPECT_EQ(shared.refreshRequest.load(), 0);
    EXPECT_EQ(shared.secondsSinceRefresh(), 0u);

    // Still hidden: one look when the next timed refresh falls due (at
    // Monday's opening), then no timed wake at all until the window asks.
    clock.onSecond = nullptr;
    clock.secondSteps = 0;
    EXPECT_EQ(worker.runPass(), Result::skipped);
    EXPECT_EQ(take(), Log{"visible?"});
    EXPECT_EQ(clock.secondSteps, 10 * 3600 - 1);
    EXPECT_THROW(worker.runPass(), std::logic_error);
    window.visible = true;
    clock.onSecond = [this](int step) {
        if (step == 3600)
            ask(1);  // shown
    };
    clock.secondSteps = 0;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 3600);
}

TEST_F(RefreshWorkerTest, AWatchedCodeKeepsAHiddenWindowRefreshedQuietly)
{
    watching = true;
    startUp();
    window.visible = false;
    // Timed refreshes go on at the interval, and one whose counts changed
    // does not lay out (and so show) the hidden window.
    tableRows = 4;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 10);
    const Log quiet{"visible?", "build", "write C:\\cache\\zebtmp.htm", "sleep 10", "navigate C:\\cache\\zebtmp.htm",
                    "busy off"};
    EXPECT_EQ(take(), quiet);

    // Shown a second later: its refresh comes at once, laid out.
    window.visible = true;
    requestDuringFirstSecond(1);
    clock.secondSteps = 0;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 1);
    EXPECT_EQ(take(), (Log{"busy on", "build", "resize 4x3", "write C:\\cache\\zebtmp.htm", "sleep 10",
                           "navigate C:\\cache\\zebtmp.htm", "busy off"}));

    // Hidden at the close: the next refresh waits for the opening.
    window.visible = false;
    clock.onSecond = nullptr;
    clock.setTime(hongKong(1, 16, 59, 55));
    clock.secondSteps = 0;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 57605);
    EXPECT_EQ(take(), quiet);

    // The alert taken away: the hidden window sleeps until asked.
    watching = false;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    take();
    EXPECT_EQ(worker.runPass(), Result::skipped);
    EXPECT_THROW(worker.runPass(), std::logic_error);
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
            ask(1);
    };
    window.visible = false;
    EXPECT_EQ(worker.runPass(), Result::skipped);
    EXPECT_EQ(clock.secondSteps, 10);
    EXPECT_EQ(shared.refreshRequest.load(), 0);
}

TEST_F(RefreshWorkerTest, RequestAfter5SecondsEndsTheWait)
{
    startUp();
    clock.setTime(sundayNight);
    clock.onSecond = [this](int step) {
        if (step == 5)
            ask(1);
    };
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 5);
    EXPECT_EQ(take().front(), "busy on");

    // A request during the last second of a wait that ran out is honoured too,
    // without the market-hours check.
    clock.setTime(tuesdayMorning);
    clock.secondSteps = 0;
    clock.onSecond = [this](int step) {
        if (step == 10)
            ask(1);
    };
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 10);
    EXPECT_EQ(take().front(), "busy on");
}

TEST_F(RefreshWorkerTest, RequestLeftFromTheBuildIsDroppedAtTheNextPass)
{
    startUp();
    // A second request while the page is built is answered by that page.
    duringBuild = [this] { ask(1); };
    requestDuringFirstSecond(1);
    lastRefreshSecondsAgo(9);
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
    lastRefreshSecondsAgo(9);
    EXPECT_EQ(worker.runPass(), Result::skipped);
    EXPECT_EQ(clock.secondSteps, 10);
}

TEST_F(RefreshWorkerTest, SettingsChangeAppliesOptionsAndAlwaysResizes)
{
    startUp();
    clock.setTime(hongKong(5, 3));
    window.visible = false;
    clock.onSecond = [this](int step) {
        if (step == 2) {
            settings.optionFlags = alwaysOnTop | titleOnHover;
            settings.fontSizeIndex = 4;
            ask(2);
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
    EXPECT_NE(writtenPage.find(">page 4<"), std::string::npos);
    EXPECT_EQ(window.shown, "page 4");
    EXPECT_EQ(shared.refreshRequest.load(), 0);
}

TEST_F(RefreshWorkerTest, SettingsChangeDuringARefreshIsNotLost)
{
    startUp();
    // Settings accepted while the page is being fetched and built.
    duringBuild = [this] {
        settings.optionFlags = alwaysOnTop;
        ask(2);
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
            ask(2);
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
    lastRefreshSecondsAgo(6);
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

TEST(SystemClock, AWakeEndsTheWaitUnderWayOrTheNextOne)
{
    SystemClock clock;
    std::thread waiter([&] { EXPECT_TRUE(clock.wait(noTimedWake)); });
    clock.wake();
    waiter.join();
    clock.wake();
    EXPECT_TRUE(clock.wait(3600 * 1000));
    EXPECT_FALSE(clock.wait(1));
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
    EXPECT_EQ(window.failures, (Log{"the quote page could not be built"}));

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
    EXPECT_EQ(window.failures.size(), 3u);  // the build, the write and the load, each reported
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

TEST_F(RefreshWorkerTest, AClosedDayTheCalendarDoesNotKnowCostsAFewRequests)
{
    // A day of the week of 7 December 2026, interval 10 s, from 08:59:59 to
    // the close: the refreshes of the day, and those from 10:00 on.
    const auto day = [this](int weekday, QuoteStamp newest) {
        newestQuote = newest;
        clock.setTime(hongKong(weekday, 8, 59, 59));
        startUp();
        int all = 0, fromTen = 0;
        while (worker.runPass() == Result::refreshed && clock.utcNow() < hongKong(weekday, 17)) {
            ++all;
            fromTen += clock.utcNow() >= hongKong(weekday, 10);
        }
        return std::pair{all, fromTen};
    };
    // Wednesday with every reply dated Tuesday: a look every 30 minutes once
    // 10:00 has come. Thursday trades.
    const auto [closedAll, closedFromTen] = day(2, 20261208160803);
    const auto [tradingAll, tradingFromTen] = day(3, 20261210235959);
    EXPECT_EQ(tradingAll, 7 * 3600 / 10);
    EXPECT_EQ(closedAll - closedFromTen, tradingAll - tradingFromTen);
    EXPECT_LE(closedFromTen, 12);

    // Closed again, then a reply of today's: the next refresh comes after
    // the interval.
    day(2, 20261208160803);
    clock.setTime(hongKong(2, 14));
    newestQuote = 20261209135959;
    shared.requestRefresh();
    lastRefreshSecondsAgo(30);
    ASSERT_EQ(worker.runPass(), Result::refreshed);
    clock.secondSteps = 0;
    EXPECT_EQ(worker.runPass(), Result::refreshed);
    EXPECT_EQ(clock.secondSteps, 10);
}
