#include "ui/UpdateProgressDlg.h"

#include "res/resource.h"
#include "update/SelfUpdate.h"
#include "update/Win32Update.h"
#include "winui/Handles.h"

#include <cstdio>

namespace {

constexpr UINT TICK_TIMER_ID = 1;

}  // namespace

// What the window and the worker share; the worker holds its own reference,
// so either may end first.
struct CUpdateProgressDlg::Task {
    Task(UpdateGuard& guard, std::atomic<int>& blocked) : guard(guard), blocked(blocked) {}
    UpdateGuard& guard;
    std::atomic<int>& blocked;
    DownloadProgress progress;
    std::function<bool()> mayHandOver;
    std::atomic<bool> held{false};  // downloaded, waiting for a dialog to close
    std::atomic<bool> done{false};
    std::atomic<int> result{static_cast<int>(UpdateResult::badDownload)};

    static DWORD WINAPI threadMain(void* parameter)
    {
        std::unique_ptr<std::shared_ptr<Task>> held(static_cast<std::shared_ptr<Task>*>(parameter));
        Task& task = **held;
        UpdateResult result = UpdateResult::badDownload;
        try {
            const ComInitialization com;
            Win32UpdatePlatform platform;
            platform.follow(task.progress, task.mayHandOver);
            result = checkAndInstallUpdate(platform.platform(), task.guard, task.blocked);
        } catch (const std::exception&) {
            result = UpdateResult::badDownload;  // cut short (out of memory): a failed update, said as such
        }
        // Stopped by the user: nothing of the update stays in the folder.
        if (task.progress.cancel && result != UpdateResult::started) {
            Win32Files files;
            files.remove(newExePath);
            files.remove(updaterExePath);
        }
        task.result = static_cast<int>(result);
        task.done = true;
        return 0;
    }
};

BEGIN_MESSAGE_MAP(CUpdateProgressDlg, CDialog)
    onTimer<&CUpdateProgressDlg::OnTick>(TICK_TIMER_ID),
END_MESSAGE_MAP()

CUpdateProgressDlg::CUpdateProgressDlg(UpdateGuard& guard, std::atomic<int>& blocked,
                                       std::function<bool()> mayHandOver)
    : CDialog(IDD_UPDATE_PROGRESS), task(std::make_shared<Task>(guard, blocked)), mayHandOver(std::move(mayHandOver))
{
}

CUpdateProgressDlg::~CUpdateProgressDlg() = default;

UpdateResult CUpdateProgressDlg::run(bool& cancelled)
{
    Task* shared = task.get();
    task->mayHandOver = [shared, allowed = mayHandOver] {
        shared->held = !allowed();
        return !shared->held;
    };
    // The worker is started by the window, once it shows: a window that
    // cannot be made starts nothing.
    DoModal();
    cancelled = task->progress.cancel;
    return task->done ? static_cast<UpdateResult>(task->result.load()) : UpdateResult::badDownload;
}

BOOL CUpdateProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendDlgItemMessageW(m_hWnd, IDC_UPDATE_BAR, PBM_SETRANGE32, 0, 100);
    GetDlgItem(IDC_UPDATE_TEXT).SetWindowText("正在检查新版本...");
    auto* held = new std::shared_ptr<Task>(task);
    if (!KernelHandle(CreateThread(nullptr, 0, Task::threadMain, held, 0, nullptr))) {
        delete held;
        task->done = true;  // reported as a failed update
        EndDialog(IDCANCEL);
        return TRUE;
    }
    SetTimer(m_hWnd, TICK_TIMER_ID, 200, nullptr);
    return TRUE;
}

void CUpdateProgressDlg::OnTick()
{
    if (task->done) {
        KillTimer(m_hWnd, TICK_TIMER_ID);
        EndDialog(IDOK);
        return;
    }
    if (task->progress.cancel)
        return;
    if (task->held) {
        GetDlgItem(IDC_UPDATE_TEXT).SetWindowText("请关闭其他对话框以完成升级。");
        return;
    }
    const std::uint64_t received = task->progress.received;
    const std::uint64_t total = task->progress.total;
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
    task->progress.cancel = true;
    EnableWindow(GetDlgItem(IDCANCEL).GetSafeHwnd(), FALSE);
    GetDlgItem(IDC_UPDATE_TEXT).SetWindowText("正在取消...");
}
