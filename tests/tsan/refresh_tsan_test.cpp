// Runs the refresh worker's real loop on its own thread while this thread
// replaces the live settings record, asks for refreshes and reads the seconds count, as
// the mini-window does. Built with ThreadSanitizer: any data race between the
// two fails the run. The worker must then stop and be joined cleanly.
#include "quotes/RefreshWorker.h"
#include "settings/LiveSettings.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

// Waits last a few microseconds and move the clock on by what they were
// asked to wait, unless a wake ends them; the market is always open.
class FastClock : public RefreshClock {
public:
    UtcMs utcNow() override { return 1796601600000 + 3 * 3600 * 1000; }  // a Monday, 11:00 in Hong Kong
    std::int64_t monotonicMs() override { return elapsed.load(); }
    bool wait(std::int64_t milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::microseconds(5));
        if (woken.exchange(false))
            return true;
        elapsed.fetch_add(milliseconds < 0 ? 3600 * 1000 : milliseconds);
        return false;
    }
    void wake() override { woken.store(true); }
    void sleep(int) override {}

private:
    std::atomic<std::int64_t> elapsed{0};
    std::atomic<bool> woken{false};
};

// Touched only by the worker's thread while it runs.
class CountingWindow : public RefreshWindow {
public:
    bool isVisible() override { return true; }
    void showBusyLabel(bool show) override { busyShown = show; }
    void resizeToQuotes(int rowCount, int, const UserSettings& s) override
    {
        ++resizes;
        lastRows = rowCount;
        lastFont = s.fontSizeIndex;
    }
    void applyWindowOptions(const UserSettings& s) override
    {
        ++optionsApplied;
        lastOptions = s.optionFlags;
    }
    bool navigate(const std::wstring&, const QuotePageModel&) override
    {
        ++navigations;
        return true;
    }
    void reportFailure(const char*) override { ++failures; }
    void showAlert(const std::string&) override {}

    bool busyShown = false;
    int resizes = 0, lastRows = 0, lastFont = 0, optionsApplied = 0, navigations = 0, failures = 0;
    std::uint32_t lastOptions = 0;
};

}  // namespace

int main()
{
    UserSettings s{};
    s.refreshSeconds = 10;
    s.fontSizeIndex = 1;
    std::snprintf(s.stockList, sizeof s.stockList, ",hkHSI,hkHSCEI,hkHSCCI");
    LiveSettings live;
    live.replace(s);

    FastClock clock;
    CountingWindow window;
    std::atomic<int> builds{0};
    std::size_t written = 0;

    RefreshWorker worker(
        clock, window, [&live] { return live.copy(); },
        [&](const UserSettings& copy, QuotePageModel& page) {
            page.kind = PageKind::quotes;
            page.rows.assign(1, {RowKind::footer, Tone::header, {{copy.stockList}}, "", {}});
            page.rowCount = 1 + copy.fontSizeIndex;
            page.columnCount = 3;
            builds.fetch_add(1);
            return PageBuild{page.kind, 0};
        },
        L"zebtmp.htm",
        [&](const std::wstring&, const std::string& page) {
            written += page.size();
            return true;
        });

    // The window's side of the worker, as the mini-window is handed it.
    RefreshRequests& requests = worker.requests();
    requests.requestSettingsApplied();
    std::thread thread([&] { worker.run(); });

    // The user interface side: settings accepted, refresh clicks, tooltips.
    unsigned longestWait = 0;
    for (int i = 0; builds.load() < 300 && i < 200000; ++i) {
        if (i % 50 == 0) {
            s.fontSizeIndex = i % 5;
            s.optionFlags = (i / 50) % 2 ? alwaysOnTop : 0;
            s.refreshSeconds = 10 + i % 7;
            std::snprintf(s.stockList, sizeof s.stockList, ",hk%05d", i);
            live.replace(s);
            requests.requestSettingsApplied();
        } else if (i % 7 == 0) {
            requests.requestRefresh();
        }
        const unsigned seconds = requests.secondsSinceRefresh();
        if (seconds > longestWait)
            longestWait = seconds;
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }

    worker.requestStop();
    thread.join();

    std::printf("builds %d, navigations %d, resizes %d, options applied %d, longest wait %u s\n",
                builds.load(), window.navigations, window.resizes, window.optionsApplied, longestWait);
    if (builds.load() < 300 || window.optionsApplied == 0 || window.navigations == 0 || written == 0 ||
        window.failures != 0) {
        std::printf("the worker did not keep refreshing\n");
        return 1;
    }
    return 0;
}
