#include "app/Workers.h"

#include "common/FieldText.h"
#include "quotes/PriceAlerts.h"
#include "quotes/QuoteParser.h"
#include "quotes/QuoteFeed.h"
#include "quotes/QuotePage.h"
#include "quotes/WinInetTransport.h"
#include "settings/Deployment.h"
#include "update/SelfUpdate.h"
#include "update/UpdateWorker.h"
#include "update/Win32Update.h"
#include "ui/MiniFrameDlg.h"
#include "ui/ProgramState.h"
#include "winui/Handles.h"
#include "winui/Trace.h"
#include "winui/WindowThreadCall.h"

#include <windows.h>

#include <ctime>
#include <memory>

namespace {

// The start-up prompt's wait for the page that answers its request: the page
// of a pass begun after it, which is laid out before it is shown. A page of a
// pass begun before it may still load after it, ahead of that re-layout. The
// event is auto-reset; the stage is touched on the window's thread only, in
// turn with the calls carried there.
struct PageWait {
    KernelHandle shown{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    enum { idle, requested, passBegun } stage = idle;
};

// The window as the refresh worker sees it: every call that acts on the
// window is carried to the window's thread, and none is made once the worker
// is asked to stop. Calls whose result the worker does not need (window
// options, the busy label) are queued there without waiting, so that the
// first quote request leaves while the window is still being set up; the
// window's thread runs them in order before the later ones. The visibility
// test only reads the window's style, which any thread may do. The window is
// known once the workers start.
class FrameOnWorkerThread : public RefreshWindow {
public:
    explicit FrameOnWorkerThread(const RefreshWorker& worker) : worker(worker) {}
    void attach(CMiniFrameDlg& window) { frame = &window; }

    // Shared, as the update worker may outlive the window.
    const std::shared_ptr<PageWait> pageWait = std::make_shared<PageWait>();

    bool isVisible() override { return frame->IsWindowVisible(); }
    void showBusyLabel(bool show) override
    {
        post([frame = frame, show] { frame->showBusyLabel(show); });
    }
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s) override
    {
        call([&] { frame->resizeToQuotes(rowCount, columnCount, s); });
    }
    void applyWindowOptions(const UserSettings& s) override
    {
        // Each pass that applies the settings, as the prompt asks, begins
        // here: one begun after the prompt's request builds its page.
        post([frame = frame, s, wait = pageWait] {
            if (wait->stage == PageWait::requested)
                wait->stage = PageWait::passBegun;
            frame->applyWindowOptions(s);
        });
    }
    bool navigate(const std::wstring& path, const QuotePageModel& page) override
    {
        bool loaded = false;
        call([&] {
            loaded = frame->navigate(path, page);
            if (loaded && pageWait->stage == PageWait::passBegun) {
                pageWait->stage = PageWait::idle;
                SetEvent(pageWait->shown.get());
            }
        });
        return loaded;
    }
    void reportFailure(const char* what) override { trace(what); }
    void showAlert(const std::string& text) override
    {
        post([frame = frame, text] { frame->showAlert(text); });
    }

private:
    void call(const std::function<void()>& f)
    {
        if (!worker.stopRequested())
            runOnWindowThread(frame->GetSafeHwnd(), f, 30000);
    }
    void post(std::function<void()> f)
    {
        if (!worker.stopRequested())
            postToWindowThread(frame->GetSafeHwnd(), std::move(f));
    }

    const RefreshWorker& worker;
    CMiniFrameDlg* frame = nullptr;
};

// The mini-window as the start-up update worker sees it. The worker is never
// waited for and may outlive the window object, so it keeps only the
// window's handle: a call carried to the window runs only while the window
// exists (and with it the object), and is withdrawn when the window's thread
// does not take it up in time (it may be busy with an update of its own).
class FrameForUpdateWorker : public UpdateWorkerWindow {
public:
    FrameForUpdateWorker(CMiniFrameDlg& frame, RefreshRequests& refresh, ProgramState& program,
                         std::shared_ptr<PageWait> pageWait)
        : frame(&frame), window(frame.GetSafeHwnd()), refresh(&refresh), program(program),
          pageWait(std::move(pageWait))
    {
    }

    void showNotice(const char* text, const char* url) override
    {
        runOnWindowThread(window, [&] { frame->showNotice(text, url); }, 30000);
    }
    // While the prompt is up, the menu's update brings it to the front. The
    // upgrade page replaces the quotes first (the first page may have been
    // built before the ping decided, and a plain refresh would be dropped
    // this soon after it), and is on screen before the prompt asks: a
    // re-layout after would take the front from the prompt. A page that does
    // not come within 5 s is not waited for.
    bool ask(const char* text) override
    {
        if (!IsWindow(window))
            return false;
        runOnWindowThread(window, [&] {
            pageWait->stage = PageWait::requested;
            refresh->requestSettingsApplied();
        }, 30000);
        WaitForSingleObject(pageWait->shown.get(), 5000);
        program.startupPromptShown(true);
        const bool ok = messageBox(window, text, updateCaption, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
        program.startupPromptShown(false);
        return ok;
    }
    void tell(const char* text) override
    {
        if (IsWindow(window))
            messageBox(window, text, updateCaption, MB_OK | MB_ICONINFORMATION);
    }
    // A full re-layout: the window was sized to the upgrade page, and a plain
    // refresh would be dropped this soon after the last.
    void showQuotes() override
    {
        runOnWindowThread(window, [&] { refresh->requestSettingsApplied(); }, 30000);
    }
    // ZebUpdater waits for the program to end: it ends through the window's
    // usual close, which saves the settings and the window's record once and
    // removes the tray icon. The close runs on the window's thread, so never
    // in the middle of a save there.
    void endProcess() override { PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

private:
    CMiniFrameDlg* frame;  // touched only on the window's thread
    HWND window;
    RefreshRequests* refresh;  // the window's; reached only on the window's thread
    ProgramState& program;
    std::shared_ptr<PageWait> pageWait;
};

struct UpdateRun {
    UpdateRun(CMiniFrameDlg& frame, RefreshRequests& refresh, ProgramState& program,
              std::shared_ptr<PageWait> pageWait)
        : program(program), window(frame, refresh, program, std::move(pageWait))
    {
    }
    ProgramState& program;
    FrameForUpdateWorker window;
    // Nobody watches it: its limits still hold, and the program's close
    // cancels it.
    const std::shared_ptr<DownloadProgress> download = std::make_shared<DownloadProgress>();

    static void threadMain(const std::shared_ptr<UpdateRun>& run)
    {
        const ComInitialization com;
        Win32UpdatePlatform platform(run->program.deployment);
        // ZebUpdater starts only when the program can close at once.
        platform.follow(run->download, [&program = run->program] { return !program.dialogOpen(); });
        // An update that ZebUpdater could not carry out is told once, by the
        // program it started again.
        if (takeFailedUpdateMark(platform.platform().files))
            run->window.tell(updateFailureText(run->program.deployment).c_str());
        // Nothing a reply holds may end the program: a failure here only
        // ends the ping (and gives an update's turn back).
        try {
            runUpdateWorker(platform.platform(), run->window, run->program.updateGuard,
                            run->program.versionBlocked);
        } catch (const std::exception&) {
            trace("start-up ping cut short by an exception");
        }
    }
};

void cleanupMain(UpdateGuard& guard)
{
    Win32Files files;
    Win32Launcher launcher;
    cleanUpAfterUpdate(files, launcher, guard);
}

}  // namespace

struct BackgroundWorkers::Refresh {
    SystemClock clock;
    WinInetTransport transport;
    // The vendor's links change only with its host, which is set before start.
    PageContext context;
    // The price alerts' state, on the worker's thread only.
    AlertWatch alerts;
    FrameOnWorkerThread window{loop};
    RefreshWorker loop;
    KernelHandle thread;

    Refresh(ProgramState& program, const std::wstring& pagePath)
        : context{vendorHomePage(program.deployment), quoteLinkBase(program.deployment)},
          loop(clock, window, [&settings = program.settings] { return settings.copy(); }, buildPage(program),
               pagePath)
    {
    }

    RefreshWorker::PageBuilder buildPage(ProgramState& program)
    {
        return [this, &program](const UserSettings& s, QuotePageModel& page) {
            context.versionBlocked = program.versionBlocked.load() != 0;
            // The code records as they stand for this page: the settings
            // dialog may replace them meanwhile.
            const CodeBook book = program.settings.codes();
            const UtcMs now = clock.utcNow();
            const PageCodes codes{&book, program.discreet.load(), [&](const StockQuote& q) {
                                      return alerts.markOf(book, fieldText(q.code), now);
                                  }};
            const PageBuild build = buildQuotePage(s, context, page, [&](QuoteBatch& batch) {
                const int result = fetchQuotes(s, program.deployment.quoteHost, quoteRequestHeaders, batch,
                                               transport, std::time(nullptr));
                // Judged with what this reply shows: one dated today after the
                // exchange looked closed (a warning lowered) counts at once.
                if (result == 0)
                    alerts.judge(batch.quotes, batch.count, book, now,
                                 loop.marketStateWith(now, newestStamp(batch.quotes, batch.count)) ==
                                     MarketState::trading);
                return result;
            }, codes);
            // In the discreet look the rows' marks alone tell.
            const std::vector<FiredAlert> fired = alerts.takeFired();
            if (!fired.empty() && !codes.discreet)
                window.showAlert(alertNoticeText(fired));
            return build;
        };
    }
};

BackgroundWorkers::BackgroundWorkers(ProgramState& program, std::wstring pagePath)
    : program(program), refresh(std::make_unique<Refresh>(program, pagePath))
{
}

BackgroundWorkers::~BackgroundWorkers() = default;

RefreshRequests& BackgroundWorkers::refreshRequests()
{
    return refresh->loop.requests();
}

void BackgroundWorkers::start(CMiniFrameDlg& frame)
{
    refresh->window.attach(frame);
    refresh->thread = startThread([loop = &refresh->loop] { loop->run(); });
    if (!refresh->thread)
        messageBox(frame.GetSafeHwnd(), "无法启动行情刷新，行情不会更新。请重新启动Zeb。", "提示",
                   MB_ICONEXCLAMATION | MB_OK);

    // The vendor's ping with its notice or upgrade prompt, and 2 s later the
    // clean-up of an earlier update. Neither is waited for when the window
    // closes: they hold nothing of it but its handle. Without them there is
    // no notice and the leftovers wait for the next start. Their handles go at
    // once: nobody waits for them, and they end with the process at the latest.
    auto update = std::make_shared<UpdateRun>(frame, refresh->loop.requests(), program, refresh->window.pageWait);
    updateDownload = update->download;
    startThread([update] { UpdateRun::threadMain(update); });
    startThread([&guard = program.updateGuard] { cleanupMain(guard); });
}

bool BackgroundWorkers::stop()
{
    // The ping, or the start-up prompt's update, stops downloading.
    if (updateDownload)
        updateDownload->cancel = true;
    if (!refresh->thread)
        return true;
    refresh->loop.requestStop();
    const HANDLE thread = refresh->thread.get();
    const ULONGLONG deadline = GetTickCount64() + 3000;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD wait = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, wait, QS_SENDMESSAGE | QS_POSTMESSAGE) != WAIT_OBJECT_0 + 1)
            break;
        runPendingWindowThreadCalls();
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0)
        return false;
    refresh->thread.reset();
    return true;
}
