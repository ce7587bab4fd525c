#include "quotes/RefreshWorker.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

UtcMs SystemClock::utcNow()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t SystemClock::monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SystemClock::wait(std::int64_t milliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    const auto pending = [this] { return wakePending; };
    const bool woke = milliseconds < 0 ? (woken.wait(lock, pending), true)
                                       : woken.wait_for(lock, std::chrono::milliseconds(milliseconds), pending);
    wakePending = false;
    return woke;
}

void SystemClock::wake()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        wakePending = true;
    }
    woken.notify_all();
}

void SystemClock::sleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::int64_t refreshIntervalMs(int refreshSeconds)
{
    return (refreshSeconds >= 10 ? refreshSeconds : 3600) * std::int64_t{1000};
}

std::int64_t timedRefreshWaitMs(std::int64_t msSinceRefresh, int refreshSeconds, bool windowShown, UtcMs now,
                                bool closedByReplies, bool watching)
{
    if (!windowShown && !watching)
        return noTimedWake;
    std::int64_t interval = refreshIntervalMs(refreshSeconds);
    if (closedByReplies)
        interval = std::max(interval, closedLookMs);
    const std::int64_t due = std::max<std::int64_t>(0, interval - msSinceRefresh);
    const std::int64_t closed = msUntilMarketOpens(now + due);
    constexpr std::int64_t hourMs = 3600 * 1000;
    return closed > 0 ? std::min(due + closed, std::max(due, hourMs)) : due;
}

static std::FILE* openForWriting(const std::wstring& path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"w");
#else
    // Elsewhere file names are bytes: the path's characters as UTF-8.
    std::string bytes;
    for (wchar_t wc : path) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return std::fopen(bytes.c_str(), "w");
#endif
}

bool writePageFile(const std::wstring& path, const std::string& page)
{
    std::FILE* file = openForWriting(path);
    if (!file)
        return false;
    const std::size_t length = std::strlen(page.c_str());
    const bool written = std::fwrite(page.data(), 1, length, file) == length;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

RefreshWorker::RefreshWorker(RefreshClock& clock, RefreshWindow& window, SettingsSource settings,
                             PageBuilder buildPage, std::wstring pagePath, PageWriter writePage)
    : shared(&clock),
      clock(clock),
      window(window),
      settings(std::move(settings)),
      buildPage(std::move(buildPage)),
      pagePath(std::move(pagePath)),
      writePage(std::move(writePage)),
      lastAttemptMs(clock.monotonicMs())
{
}

// Clears a request 1 and leaves any other value. The window may store a 2
// at any moment; a plain store of 0 here could wipe it out unseen.
static void dropUserRequest(std::atomic<int>& request)
{
    int expected = 1;
    request.compare_exchange_strong(expected, 0);
}

std::int64_t RefreshWorker::timedRefreshWait()
{
    // The interval is read afresh whenever the worker wakes. It runs from
    // the last page built, or from the last attempt if that failed.
    const std::int64_t sinceAttempt = clock.monotonicMs() - lastAttemptMs;
    const UtcMs now = clock.utcNow();
    return timedRefreshWaitMs(std::min(shared.msSinceRefresh(), sinceAttempt), settings().refreshSeconds,
                              !hiddenSeen, now, shared.trading.closedByReplies(now), watching);
}

RefreshWorker::PassResult RefreshWorker::runPass()
{
    if (stopRequested())
        return PassResult::stopped;

    UserSettings s = settings();

    // A request 1 left over from the previous pass is dropped; a 2 stays.
    dropUserRequest(shared.refreshRequest);

    bool optionsApplied = false;
    for (;;) {
        const int request = shared.refreshRequest.load();
        if (request == 2) {
            // Settings changed: take them as they are now, not as they were
            // when the wait began. A new 2 stored from here on is served by
            // the next pass.
            int expected = 2;
            shared.refreshRequest.compare_exchange_strong(expected, 0);
            s = settings();
            if (stopRequested())
                return PassResult::stopped;
            window.applyWindowOptions(s);
            forceResize = true;
            optionsApplied = true;
            break;
        }
        if (request == 1) {
            if (shared.secondsSinceRefresh() >= 5 || layoutBehind)
                break;
            dropUserRequest(shared.refreshRequest);  // within 5 seconds of the last refresh
        }
        if (timedRefreshDue())
            break;
        // A request, a showing of the window or a stop wakes the worker;
        // the window may be shown again then. A request that comes as the
        // timed refresh falls due is served by it (and a 2 by the next pass).
        const bool woken = clock.wait(timedRefreshWait());
        if (stopRequested())
            return PassResult::stopped;
        if (woken)
            hiddenSeen = false;
        else if (timedRefreshDue())
            break;
    }

    if (stopRequested())
        return PassResult::stopped;
    // A timed refresh of a hidden window, for the price alerts: the page is
    // refreshed without showing the window, which shows it when the user
    // brings it up.
    bool quiet = false;
    if (optionsApplied || shared.refreshRequest.load() != 0) {
        // Asked for: refreshed whatever the window's state and the hour.
        window.showBusyLabel(true);
    } else {
        if (!window.isVisible()) {
            if (!watching) {
                hiddenSeen = true;
                return PassResult::skipped;
            }
            quiet = true;
        }
        // Only a time of day set anew can get here with the market closed;
        // the next pass waits for the opening.
        if (!hongKongMarketOpen(clock.utcNow()))
            return PassResult::skipped;
        if (shared.refreshRequest.load() != 0) {
            if (stopRequested())
                return PassResult::stopped;
            window.showBusyLabel(true);
        }
    }

    s = settings();
    lastAttemptMs = clock.monotonicMs();
    // Whatever a reply holds, building its page must not end the program.
    try {
        const PageBuild build = buildPage(s, page);
        watching = build.watching;
        if (build.kind == PageKind::quotes)
            shared.trading.replyCame(clock.utcNow(), build.newestQuote);
        renderPageHtml(page, pageFile);
    } catch (...) {
        window.reportFailure("the quote page could not be built");
        return PassResult::failed;
    }
    // Pages without a table get the window of two rows of three columns.
    const bool table = page.kind == PageKind::quotes || page.kind == PageKind::error;
    const int rowCount = table ? page.rowCount : 2;
    const int columnCount = table ? page.columnCount : 3;

    // A request 1 that came in while the page was built is answered by this
    // page; a 2 is kept for the next pass, which applies the new settings.
    dropUserRequest(shared.refreshRequest);
    shared.lastRefreshMs.store(clock.monotonicMs());

    // The re-layout shows the window in front: a quiet refresh leaves it to
    // the next one that is not.
    layoutBehind = quiet && (rowCount != lastRowCount || columnCount != lastColumnCount);
    if (!quiet && (forceResize || rowCount != lastRowCount || columnCount != lastColumnCount)) {
        lastRowCount = rowCount;
        lastColumnCount = columnCount;
        forceResize = false;
        if (stopRequested())
            return PassResult::stopped;
        window.resizeToQuotes(rowCount, columnCount, s);
    }

    // A failure to write or load the page ends the pass; the busy label
    // stays as it is until a later pass loads a page.
    bool written = false;
    try {
        written = writePage(pagePath, pageFile);
    } catch (...) {
        window.reportFailure("the page file could not be written");
        return PassResult::failed;
    }
    if (!written)
        return PassResult::failed;
    clock.sleep(10);
    if (stopRequested())
        return PassResult::stopped;
    bool loaded = false;
    try {
        loaded = window.navigate(pagePath, page);
    } catch (...) {
        window.reportFailure("the page could not be shown");
        return PassResult::failed;
    }
    if (!loaded)
        return PassResult::failed;
    if (stopRequested())
        return PassResult::stopped;
    window.showBusyLabel(false);
    return PassResult::refreshed;
}

void RefreshWorker::run()
{
    while (runPass() != PassResult::stopped) {
    }
}

void RefreshWorker::requestStop()
{
    shared.stopRequested.store(true);
    shared.wake();
}
