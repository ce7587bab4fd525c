#include "ui/UpdateProgressDlg.h"

#include "res/resource.h"
#include "update/SelfUpdate.h"
#include "update/Win32Update.h"
#include "winui/Handles.h"
#include "winui/WindowThreadCall.h"

#include <cstdio>

// What the window and the worker share; the worker holds its own reference,
// so either may end first.
struct CUpdateProgressDlg::Task {
    Task(UpdateGuard& guard, std::atomic<int>& blocked, const Deployment& deployment)
        : guard(guard), blocked(blocked), deployment(deployment)
    {
    }
    UpdateGuard& guard;
    std::atomic<int>& blocked;
    const Deployment& deployment;
    const std::shared_ptr<DownloadProgress> progress = std::make_shared<DownloadProgress>();
    std::function<bool()> mayHandOver;
    std::atomic<HWND> window{nullptr};  // the worker's way back to the window
    std::atomic<bool> held{false};      // downloaded, waiting for a dialog to close
    std::atomic<bool> showing{false};   // a call to show the progress is on its way
    std::atomic<bool> done{false};
    std::atomic<int> result{static_cast<int>(UpdateResult::badDownload)};

    void run()
    {
        UpdateResult outcome = UpdateResult::badDownload;
        try {
            const ComInitialization com;
            Win32UpdatePlatform platform(deployment);
            platform.follow(progress, mayHandOver);
            outcome = checkAndInstallUpdate(platform.platform(), guard, blocked);
        } catch (const std::exception&) {
            outcome = UpdateResult::badDownload;  // cut short (out of memory): a failed update, said as such
        }
        // Stopped by the user: nothing of the update stays in the folder.
        if (progress->cancel && outcome != UpdateResult::started) {
            Win32Files files;
            files.remove(newExePath);
            files.remove(updaterExePath);
        }
        result = static_cast<int>(outcome);
        done = true;
    }
};

CUpdateProgressDlg::CUpdateProgressDlg(UpdateGuard& guard, std::atomic<int>& blocked, const Deployment& deployment,
                                       std::function<bool()> mayHandOver)
    : CDialog(IDD_UPDATE_PROGRESS),
      task(std::make_shared<Task>(guard, blocked, deployment)),
      mayHandOver(std::move(mayHandOver))
{
}

CUpdateProgressDlg::~CUpdateProgressDlg() = default;

UpdateResult CUpdateProgressDlg::run(bool& cancelled)
{
    // The window learns at once that the update waits for a dialog to close.
    Task* shared = task.get();
    task->mayHandOver = [this, shared, allowed = mayHandOver] {
        shared->held = !allowed();
        postToWindowThread(shared->window, [this] { showProgress(); });
        return !shared->held;
    };
    // Each change of the counts is shown; while one call to show them is on
    // its way, further changes wait for it.
    task->progress->changed = [this, shared] {
        if (!shared->showing.exchange(true))
            postToWindowThread(shared->window, [this, shared] {
                shared->showing = false;
                showProgress();
            });
    };
    // The worker is started by the window, once it shows: a window that
    // cannot be made starts nothing.
    DoModal();
    cancelled = task->progress->cancel;
    return task->done ? static_cast<UpdateResult>(task->result.load()) : UpdateResult::badDownload;
}

BOOL CUpdateProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendDlgItemMessageW(m_hWnd, IDC_UPDATE_BAR, PBM_SETRANGE32, 0, 100);
    GetDlgItem(IDC_UPDATE_TEXT).SetWindowText("正在检查新版本...");
    // The worker's end closes the window through a call carried to it. The
    // worker may outlive this object, but a call to the window runs only
    // while the window, and with it the object, is there.
    task->window = m_hWnd;
    const bool started = static_cast<bool>(startThread([this, shared = task] {
        shared->run();
        postToWindowThread(shared->window, [this] { EndDialog(IDOK); });
    }));
    if (!started) {
        task->done = true;  // reported as a failed update
        EndDialog(IDCANCEL);
        return TRUE;
    }
    return TRUE;
}

void CUpdateProgressDlg::showProgress()
{
    if (task->done || task->progress->cancel)
        return;
    if (task->held) {
        GetDlgItem(IDC_UPDATE_TEXT).SetWindowText("请关闭其他对话框以完成升级。");
        return;
    }
    const std::uint64_t received = task->progress->received;
    const std::uint64_t total = task->progress->total;
    if (received == 0 && total == 0)
        return;
    char text[80];
    if (total > 0) {
        const int percent = static_cast<int>(received >= total ? 100 : received * 100 / total);
        std::snprintf(text, sizeof text, "正在下载新版本... %d%%", percent);
        SendDlgItemMessageW(m_hWnd, IDC_UPDATE_BAR, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    } else {
        std::snprintf(text, sizeof text, "正在下载新版本... %llu KB", static_cast<unsigned long long>(received / 1024));
    }
    GetDlgItem(IDC_UPDATE_TEXT).SetWindowText(text);
}

// The worker is asked to stop; the window closes once it has, with nothing
// of the update left.
void CUpdateProgressDlg::OnCancel()
{
    if (task->done) {
        CDialog::OnCancel();
        return;
    }
    task->progress->cancel = true;
    EnableWindow(GetDlgItem(IDCANCEL).GetSafeHwnd(), FALSE);
    GetDlgItem(IDC_UPDATE_TEXT).SetWindowText("正在取消...");
}
