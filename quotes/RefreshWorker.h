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

// Values the mini-window and the worker share. The window writes
// refreshRequest (1 or 2) and reads secondsSinceRefresh; the worker owns the
// rest of their changes.
struct RefreshShared {
    // 0 nothing asked; 1 refresh now (honoured 5 seconds or more after the
    // last refresh, dropped otherwise); 2 settings changed: re-apply the
    // window options, re-lay out the window and refresh.
    std::atomic<int> refreshRequest{0};
    // Seconds waited since the last page was built.
    std::atomic<unsigned> secondsSinceRefresh{0};
    // Set by RefreshWorker::requestStop; the loop returns soon after.
    std::atomic<bool> stopRequested{false};

    // Asks for a refresh now. A pending 2 stays: it refreshes too, and the
    // new settings it carries must not wait for the next interval.
    void requestRefresh()
    {
        int expected = 0;
        refreshRequest.compare_exchange_strong(expected, 1);
    }
    // The settings changed: re-apply them and refresh.
    void requestSettingsApplied() { refreshRequest.store(2); }
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
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
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

    RefreshWorker(RefreshShared& shared, RefreshClock& clock, RefreshWindow& window,
                  SettingsSource settings, PageBuilder buildPage, std::wstring pagePath,
                  PageWriter writePage = writePageFile);

    // One wait and, if due, one refresh.
    PassResult runPass();
    // Passes until a stop is requested.
    void run();
    // Any thread: the loop returns within one step (at most one window call
    // or one page build later). Join the worker's thread afterwards.
    void requestStop();

private:
    bool stopping() const { return shared_.stopRequested.load(); }

    RefreshShared& shared_;
    RefreshClock& clock_;
    RefreshWindow& window_;
    SettingsSource settings_;
    PageBuilder buildPage_;
    std::wstring pagePath_;
    PageWriter writePage_;

    std::string page_;
    int lastRowCount_ = 0;
    int lastColumnCount_ = 0;
    bool forceResize_ = false;
};
