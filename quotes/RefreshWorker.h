// The refresh worker: the background loop that keeps the quote page current.
// It waits in one-second steps for the refresh interval or a request from the
// mini-window, checks that a timed refresh makes sense (window visible,
// market hours), has the page built, sizes the window to the page, writes the
// page file and has the browser load it.
//
// Everything outside the loop comes in through small interfaces, so the loop
// runs the same against the real window and against fakes.
#pragma once

#include "settings/UserSettings.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

// What the mini-window is handed of the refresh worker: its requests, and
// the count its refresh tooltip shows. Any thread may call these.
class RefreshRequests {
public:
    // Asks for a refresh now; the worker honours it 5 seconds or more after
    // the last refresh and drops it otherwise. A pending settings change
    // stays: it refreshes too, and the new settings it carries must not wait
    // for the next interval.
    virtual void requestRefresh() = 0;
    // The settings changed: re-apply the window options, re-lay out the
    // window and refresh.
    virtual void requestSettingsApplied() = 0;
    // Seconds waited since the last page was built.
    [[nodiscard]] virtual unsigned secondsSinceRefresh() const = 0;

protected:
    ~RefreshRequests() = default;
};

// The values the window's requests and the worker's loop share; the worker
// owns them. The window stores requests through RefreshRequests; the loop
// owns every other change.
struct RefreshShared final : RefreshRequests {
    // 0 nothing asked; 1 refresh now (honoured 5 seconds or more after the
    // last refresh, dropped otherwise); 2 settings changed.
    std::atomic<int> refreshRequest{0};
    // Seconds waited since the last page was built.
    std::atomic<unsigned> secondsWaited{0};
    // Set by RefreshWorker::requestStop; the loop returns soon after.
    std::atomic<bool> stopRequested{false};

    // Only a request of 0 becomes 1: a pending 2 stays.
    void requestRefresh() override
    {
        int expected = 0;
        refreshRequest.compare_exchange_strong(expected, 1);
    }
    void requestSettingsApplied() override { refreshRequest.store(2); }
    [[nodiscard]] unsigned secondsSinceRefresh() const override { return secondsWaited.load(); }
};

// The computer's local time, as far as the market-hours test needs it.
struct LocalTime {
    int weekday;  // 0 Sunday .. 6 Saturday
    int hour;     // 0..23
};

class RefreshClock {
public:
    virtual ~RefreshClock() = default;
    virtual LocalTime now() = 0;
    // Waits the given time, or returns early once interrupt() has been called
    // (then every later sleep returns at once).
    virtual void sleep(int milliseconds) = 0;
    virtual void interrupt() = 0;
};

// The real clock: local time from the C library, interruptible sleeps.
class SystemClock : public RefreshClock {
public:
    LocalTime now() override;
    void sleep(int milliseconds) override;
    void interrupt() override;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool interrupted = false;
};

// The operations of the mini-window the worker uses, each one self-contained.
// The worker calls them from its own thread; an implementation whose window
// belongs to another thread carries each call over to it.
class RefreshWindow {
public:
    virtual ~RefreshWindow() = default;
    virtual bool isVisible() = 0;
    // Shows or hides the busy label "Loading..." over the page.
    virtual void showBusyLabel(bool show) = 0;
    // Moves the window and its children to layoutForQuotes(current rectangle,
    // rowCount, columnCount, s), keeps the new rectangle as the window's
    // screen rectangle, then shows it through relayoutShowSequence and brings
    // it to the front.
    virtual void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s) = 0;
    // Applies decideWindowOptions(s, isTransparent): z-order without moving
    // or sizing, then kills hover timer 1 and starts it again if asked.
    virtual void applyWindowOptions(const UserSettings& s) = 0;
    // Has the browser load the page file. False if that failed.
    virtual bool navigate(const std::wstring& path) = 0;
};

// Writes the page text up to its first NUL to path (UTF-16, as the system
// gives folder names), created or truncated, in text mode. False if the file
// could not be written.
bool writePageFile(const std::wstring& path, const std::string& page);

class RefreshWorker {
public:
    // A copy of the live settings (the real one takes it under the settings lock).
    using SettingsSource = std::function<UserSettings()>;
    // Builds the page text into page and sets the table's row and column
    // counts; notice pages leave the counts as they are. The result is not used.
    using PageBuilder =
        std::function<int(const UserSettings& s, std::string& page, int& rowCount, int& columnCount)>;
    using PageWriter = std::function<bool(const std::wstring& path, const std::string& page)>;

    enum class PassResult {
        refreshed,    // page built, written and loaded
        skipped,      // interval ran out, but window hidden or market closed
        failed,       // the page could not be built, written or loaded
        stopped,      // stop requested
    };

    RefreshWorker(RefreshClock& clock, RefreshWindow& window, SettingsSource settings, PageBuilder buildPage,
                  std::wstring pagePath, PageWriter writePage = writePageFile);
    RefreshWorker(const RefreshWorker&) = delete;
    RefreshWorker& operator=(const RefreshWorker&) = delete;

    // What the mini-window is handed; it lives as long as the worker.
    RefreshRequests& requests() { return shared; }

    // One wait and, if due, one refresh.
    PassResult runPass();
    // Passes until a stop is requested.
    void run();
    // Any thread: the loop returns within one step (at most one window call
    // or one page build later). Join the worker's thread afterwards.
    void requestStop();
    // Any thread: whether requestStop has been called. A window that carries
    // the worker's calls to another thread stops carrying them then.
    [[nodiscard]] bool stopRequested() const { return shared.stopRequested.load(); }

protected:
    // The shared values themselves, for a test that plays the window and the
    // clock step by step.
    RefreshShared& sharedValues() { return shared; }

private:
    RefreshShared shared;
    RefreshClock& clock;
    RefreshWindow& window;
    SettingsSource settings;
    PageBuilder buildPage;
    std::wstring pagePath;
    PageWriter writePage;

    std::string page;
    int lastRowCount = 0;
    int lastColumnCount = 0;
    bool forceResize = false;
};
