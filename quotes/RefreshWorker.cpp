#include "quotes/RefreshWorker.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

LocalTime SystemClock::now()
{
    const std::time_t t = std::time(nullptr);
    // A time the C library cannot convert (the Windows one gives up after the
    // year 3000) reads as Sunday midnight: the market counts as closed.
    std::tm local{};
#ifdef _WIN32
    // The Windows C library keeps localtime's result per thread.
    if (const std::tm* converted = std::localtime(&t))
        local = *converted;
#else
    if (!localtime_r(&t, &local))
        local = std::tm{};
#endif
    return {local.tm_wday, local.tm_hour};
}

void SystemClock::sleep(int milliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return interrupted; });
}

void SystemClock::interrupt()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        interrupted = true;
    }
    wake.notify_all();
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
    : clock(clock),
      window(window),
      settings(std::move(settings)),
      buildPage(std::move(buildPage)),
      pagePath(std::move(pagePath)),
      writePage(std::move(writePage))
{
}

// Clears a request 1 and leaves any other value. The window may store a 2
// at any moment; a plain store of 0 here could wipe it out unseen.
static void dropUserRequest(std::atomic<int>& request)
{
    int expected = 1;
    request.compare_exchange_strong(expected, 0);
}

static bool marketOpen(const LocalTime& t)
{
    return t.weekday >= 1 && t.weekday <= 5 && t.hour >= 9 && t.hour <= 16;
}

RefreshWorker::PassResult RefreshWorker::runPass()
{
    if (stopRequested())
        return PassResult::stopped;

    // The interval is read afresh on every pass; "no refresh" (0) and any
    // value under 10 mean one attempt an hour.
    UserSettings s = settings();
    const int steps = s.refreshSeconds >= 10 ? s.refreshSeconds : 3600;

    // A request 1 left over from the previous pass is dropped; a 2 stays.
    dropUserRequest(shared.refreshRequest);

    bool optionsApplied = false;
    for (int i = 0; i < steps; ++i) {
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
            if (shared.secondsWaited.load() >= 5)
                break;
            dropUserRequest(shared.refreshRequest);  // within 5 seconds of the last refresh
        }
        clock.sleep(1000);
        if (stopRequested())
            return PassResult::stopped;
        shared.secondsWaited.fetch_add(1);
    }

    if (stopRequested())
        return PassResult::stopped;
    if (optionsApplied || shared.refreshRequest.load() != 0) {
        // Asked for: refreshed whatever the window's state and the hour.
        window.showBusyLabel(true);
    } else {
        if (!window.isVisible())
            return PassResult::skipped;
        if (!marketOpen(clock.now()))
            return PassResult::skipped;
        if (shared.refreshRequest.load() != 0) {
            if (stopRequested())
                return PassResult::stopped;
            window.showBusyLabel(true);
        }
    }

    s = settings();
    page.clear();
    int rowCount = 2;
    int columnCount = 3;
    // Whatever a reply holds, building its page must not end the program.
    try {
        buildPage(s, page, rowCount, columnCount);
    } catch (...) {
        return PassResult::failed;
    }

    // A request 1 that came in while the page was built is answered by this
    // page; a 2 is kept for the next pass, which applies the new settings.
    dropUserRequest(shared.refreshRequest);
    shared.secondsWaited.store(0);

    if (forceResize || rowCount != lastRowCount || columnCount != lastColumnCount) {
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
        written = writePage(pagePath, page);
    } catch (...) {
        return PassResult::failed;
    }
    if (!written)
        return PassResult::failed;
    clock.sleep(10);
    if (stopRequested())
        return PassResult::stopped;
    bool loaded = false;
    try {
        loaded = window.navigate(pagePath);
    } catch (...) {
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
    clock.interrupt();
}
