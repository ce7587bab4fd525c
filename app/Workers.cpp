#include "app/Workers.h"

#include "quotes/QuoteFeed.h"
#include "quotes/QuotePage.h"
#include "quotes/WinInetTransport.h"
#include "settings/LiveSettings.h"
#include "update/VendorSite.h"
#include "winui/WindowThreadCall.h"

#include <windows.h>

#include <ctime>

namespace {

// The window as the refresh worker sees it: every call is carried to the
// window's thread, and none is made once the worker is asked to stop.
class FrameOnWorkerThread : public RefreshWindow {
public:
    explicit FrameOnWorkerThread(CMiniFrameDlg& frame) : frame(frame) {}

    bool isVisible() override { return frame.IsWindowVisible(); }
    void showBusyLabel(bool show) override
    {
        call([&] { frame.showBusyLabel(show); });
    }
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s) override
    {
        call([&] { frame.resizeToQuotes(rowCount, columnCount, s); });
    }
    void applyWindowOptions(const UserSettings& s) override
    {
        call([&] { frame.applyWindowOptions(s); });
    }
    bool navigate(const std::wstring& path) override
    {
        bool loaded = false;
        call([&] { loaded = frame.navigate(path); });
        return loaded;
    }

private:
    void call(const std::function<void()>& f)
    {
        if (!frame.refreshShared().stopRequested.load())
            frame.runOnWindowThread(f);
    }

    CMiniFrameDlg& frame;
};

}  // namespace

struct BackgroundWorkers::Refresh {
    SystemClock clock;
    FrameOnWorkerThread window;
    WinInetTransport transport;
    // The vendor's links change only with its host, which is set before start.
    PageContext context{vendorHomePage(), quoteLinkBase()};
    RefreshWorker loop;
    HANDLE thread = nullptr;

    Refresh(CMiniFrameDlg& frame, const std::wstring& pagePath)
        : window(frame), loop(frame.refreshShared(), clock, window, currentSettings, buildPage(), pagePath)
    {
    }

    RefreshWorker::PageBuilder buildPage()
    {
        return [this](const UserSettings& s, std::string& page, int& rows, int& columns) {
            context.versionBlocked = versionBlocked.load() != 0;
            return buildQuotePage(s, context, page, rows, columns, [&](QuoteBatch& batch) {
                return fetchQuotes(s, quoteRequestHeaders, batch, transport, std::time(nullptr));
            });
        };
    }

    static DWORD WINAPI threadMain(void* parameter)
    {
        static_cast<Refresh*>(parameter)->loop.run();
        return 0;
    }
};

BackgroundWorkers::BackgroundWorkers(std::wstring pagePath) : pagePath(std::move(pagePath)) {}

BackgroundWorkers::~BackgroundWorkers() = default;

void BackgroundWorkers::start(CMiniFrameDlg& frame)
{
    refresh = std::make_unique<Refresh>(frame, pagePath);
    refresh->thread = CreateThread(nullptr, 0, Refresh::threadMain, refresh.get(), 0, nullptr);
}

bool BackgroundWorkers::stop()
{
    if (!refresh || !refresh->thread)
        return true;
    refresh->loop.requestStop();
    const ULONGLONG deadline = GetTickCount64() + 3000;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD wait = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (MsgWaitForMultipleObjects(1, &refresh->thread, FALSE, wait, QS_SENDMESSAGE | QS_POSTMESSAGE) !=
            WAIT_OBJECT_0 + 1)
            break;
        runPendingWindowThreadCalls();
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (WaitForSingleObject(refresh->thread, 0) != WAIT_OBJECT_0)
        return false;
    CloseHandle(refresh->thread);
    refresh.reset();
    return true;
}
