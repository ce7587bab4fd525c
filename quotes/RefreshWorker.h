// The refresh worker: the background loop that keeps the quote page current.
// It sleeps until the next timed refresh is due or the mini-window asks for
// one, checks that a timed refresh makes sense (window visible or a price
// alert set, market hours), has the page built, sizes the window to the
// page, writes the page file and has the window show the page.
//
// Everything outside the loop comes in through small interfaces, so the loop
// runs the same against the real window and against fakes.
#pragma once

#include "quotes/MarketHours.h"
#include "quotes/QuotePage.h"
#include "settings/UserSettings.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class RefreshClock {
public:
    virtual ~RefreshClock() = default;
    // The time of day, as far as the market-hours test needs it.
    virtual UtcMs utcNow() = 0;
    // A count of milliseconds that only moves forward, whatever is done to
    // the time of day. Any thread may read it.
    virtual std::int64_t monotonicMs() = 0;
    // Waits up to the given time (for ever when it is negative), or until
    // wake() is called. A wake() that comes while nobody waits ends the next
    // wait at once. True when woken.
    virtual bool wait(std::int64_t milliseconds) = 0;
    // Any thread.
    virtual void wake() = 0;
    // A short pause that nothing cuts short.
    virtual void sleep(int milliseconds) = 0;
};

// The real clock: Hong Kong's market is judged on the system's time of day;
// waits end on a timeout or a wake.
class SystemClock : public RefreshClock {
public:
    UtcMs utcNow() override;
    std::int64_t monotonicMs() override;
    bool wait(std::int64_t milliseconds) override;
    void wake() override;
    void sleep(int milliseconds) override;

private:
    std::mutex mutex;
    std::condition_variable woken;
    bool wakePending = false;
};

// Timed refreshes come every refreshSeconds (every hour below 10 seconds,
// "no refresh" being 0).
std::int64_t refreshIntervalMs(int refreshSeconds);

// How long the worker sleeps before it next looks at the clock for a timed
// refresh, given the time since the last refresh: until the interval has
// run out, and then, if Hong Kong's market is closed, until it opens.
// Never (noTimedWake) while the window is hidden and no code of the page is
// watched for a price alert: only a request wakes it then; a watched code
// keeps the timed refreshes of a hidden window going. A wait for the opening
// is cut at an hour, so that a time of day set anew or a computer that slept
// is caught up with. While the replies show the exchange closed
// (TradingWatch) the interval is closedLookMs at least.
constexpr std::int64_t noTimedWake = -1;
std::int64_t timedRefreshWaitMs(std::int64_t msSinceRefresh, int refreshSeconds, bool windowShown, UtcMs now,
                                bool closedByReplies = false, bool watching = false);

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
    // What the exchange is doing now, by its calendar and the replies.
    [[nodiscard]] virtual MarketState marketState() const = 0;

protected:
    ~RefreshRequests() = default;
};

// The values the window's requests and the worker's loop share; the worker
// owns them. The window stores requests through RefreshRequests, each of
// which wakes the worker; the loop owns every other change.
struct RefreshShared final : RefreshRequests {
    explicit RefreshShared(RefreshClock* clock = nullptr) : clock(clock)
    {
        if (clock)
            lastRefreshMs.store(clock->monotonicMs());
    }

    // 0 nothing asked; 1 refresh now (honoured 5 seconds or more after the
    // last refresh, dropped otherwise); 2 settings changed.
    std::atomic<int> refreshRequest{0};
    // When the last page was built, on the clock's monotonic count.
    std::atomic<std::int64_t> lastRefreshMs{0};
    // Set by RefreshWorker::requestStop; the loop returns soon after.
    std::atomic<bool> stopRequested{false};
    // What the replies showed of the exchange's trading; the loop tells it.
    TradingWatch trading;

    // Only a request of 0 becomes 1: a pending 2 stays.
    void requestRefresh() override
    {
        int expected = 0;
        refreshRequest.compare_exchange_strong(expected, 1);
        wake();
    }
    void requestSettingsApplied() override
    {
        refreshRequest.store(2);
        wake();
    }
    [[nodiscard]] std::int64_t msSinceRefresh() const
    {
        return clock ? clock->monotonicMs() - lastRefreshMs.load() : 0;
    }
    [[nodiscard]] MarketState marketState() const override
    {
        const UtcMs now = clock ? clock->utcNow() : 0;
        return marketStateAt(now, trading.closedByReplies(now));
    }
    [[nodiscard]] unsigned secondsSinceRefresh() const override
    {
        const std::int64_t ms = msSinceRefresh();
        return ms > 0 ? static_cast<unsigned>(ms / 1000) : 0u;
    }
    void wake()
    {
        if (clock)
            clock->wake();
    }

private:
    RefreshClock* clock;
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
    // Shows the page: the browser loads its file at path, or the built-in
    // view draws page. False if that failed.
    virtual bool navigate(const std::wstring& path, const QuotePageModel& page) = 0;
    // A failure the worker gets over but cannot act on, with what failed
    // (ASCII), for the program's diagnostic trace.
    virtual void reportFailure(const char* what) = 0;
    // Tells the user of fired price alerts: text (GB2312) in a balloon from
    // the tray icon.
    virtual void showAlert(const std::string& text) = 0;
};

// Writes the page text up to its first NUL to path (UTF-16, as the system
// gives folder names), created or truncated, in text mode. False if the file
// could not be written.
bool writePageFile(const std::wstring& path, const std::string& page);

class RefreshWorker {
public:
    // A copy of the live settings (the real one takes it under the settings lock).
    using SettingsSource = std::function<UserSettings()>;
    // Builds the page for the settings into page, whose storage it may reuse.
    using PageBuilder = std::function<PageBuild(const UserSettings& s, QuotePageModel& page)>;
    using PageWriter = std::function<bool(const std::wstring& path, const std::string& page)>;

    enum class PassResult {
        refreshed,    // page built, written and loaded
        skipped,      // a timed refresh was due, but the window is hidden (nothing watched) or the market closed
        failed,       // the page could not be built, written or loaded
        stopped,      // stop requested
    };

    RefreshWorker(RefreshClock& clock, RefreshWindow& window, SettingsSource settings, PageBuilder buildPage,
                  std::wstring pagePath, PageWriter writePage = writePageFile);
    RefreshWorker(const RefreshWorker&) = delete;
    RefreshWorker& operator=(const RefreshWorker&) = delete;

    // What the mini-window is handed; it lives as long as the worker.
    RefreshRequests& requests() { return shared; }

    // Waits for a request or the next timed refresh and, if due, refreshes.
    PassResult runPass();
    // Passes until a stop is requested.
    void run();
    // Any thread: wakes the worker, whose loop returns at once or after the
    // window call or page build under way. Join the worker's thread afterwards.
    void requestStop();
    // Any thread: whether requestStop has been called. A window that carries
    // the worker's calls to another thread stops carrying them then.
    [[nodiscard]] bool stopRequested() const { return shared.stopRequested.load(); }
    // The worker's thread, while it builds a page: what the exchange is doing
    // at now by its calendar and the replies, the one in hand (whose newest
    // quote is of newest) included.
    [[nodiscard]] MarketState marketStateWith(UtcMs now, QuoteStamp newest) const
    {
        return marketStateAt(now, shared.trading.closedByRepliesWith(now, newest));
    }

protected:
    // The shared values themselves, for a test that plays the window and the
    // clock step by step.
    RefreshShared& sharedValues() { return shared; }

private:
    std::int64_t timedRefreshWait();
    bool timedRefreshDue() { return timedRefreshWait() == 0; }

    RefreshShared shared;
    RefreshClock& clock;
    RefreshWindow& window;
    SettingsSource settings;
    PageBuilder buildPage;
    std::wstring pagePath;
    PageWriter writePage;

    QuotePageModel page;
    std::string pageFile;  // the page's HTML
    int lastRowCount = 0;
    int lastColumnCount = 0;
    bool forceResize = false;
    // The last timed check found the window hidden: no timed wake until a
    // request or a showing wakes the worker.
    bool hiddenSeen = false;
    // The last page built has a code watched for a price alert: timed
    // refreshes go on while the window is hidden, without showing it.
    bool watching = false;
    // A refresh of the hidden window left its size behind the page's counts:
    // the next request is served even within 5 seconds of it.
    bool layoutBehind = false;
    // When the last page build began, on the clock's monotonic count.
    std::int64_t lastAttemptMs;
};
