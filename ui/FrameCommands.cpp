#include "ui/FrameCommands.h"

#include "settings/Deployment.h"
#include "settings/LiveSettings.h"
#include "settings/SettingsDlg.h"
#include "ui/AboutDlg.h"
#include "ui/UpdateProgressDlg.h"
#include "update/SelfUpdate.h"
#include "winui/Shell.h"

#include <atomic>

namespace {

// One mini-window per process: its dialogs are counted for the workers,
// which may outlive it.
std::atomic<int> openDialogs{0};
std::atomic<bool> startupPromptUp{false};

// Counts a dialog as open for its lifetime.
struct OpenDialog {
    OpenDialog() { ++openDialogs; }
    ~OpenDialog() { --openDialogs; }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;
};

void bringForward(HWND window)
{
    if (window)
        SetForegroundWindow(window);
}

}  // namespace

bool FrameCommands::dialogOpen()
{
    return openDialogs > 0;
}

void FrameCommands::startupPromptShown(bool shown)
{
    startupPromptUp = shown;
}

bool FrameCommands::editSettings(HWND owner)
{
    if (openSettings) {
        bringForward(openSettings->GetSafeHwnd());
        return false;
    }
    UserSettings working = currentSettings();
    CSettingsDlg dialog(owner);
    dialog.setSettings(&working);
    openSettings = &dialog;
    INT_PTR result;
    {
        const OpenDialog open;
        result = dialog.DoModal();
    }
    openSettings = nullptr;
    if (result != IDOK)
        return false;
    replaceUserSettings(working);
    return true;
}

void FrameCommands::showAbout()
{
    if (openAbout) {
        bringForward(openAbout->GetSafeHwnd());
        return;
    }
    CAboutDlg about;
    openAbout = &about;
    {
        const OpenDialog open;
        about.DoModal();
    }
    openAbout = nullptr;
}

void FrameCommands::openHomePage()
{
    openWebAddress(vendorHomePage());
}

bool FrameCommands::updateFromMenu(HWND owner)
{
    if (openProgress) {
        bringForward(openProgress->GetSafeHwnd());
        return false;
    }
    if (openSettings || openAbout) {
        bringForward((openSettings ? static_cast<CWnd*>(openSettings) : openAbout)->GetSafeHwnd());
        return false;
    }
    // The prompt's message box is the window's enabled popup while it is up.
    if (startupPromptUp) {
        bringForward(GetWindow(owner, GW_ENABLEDPOPUP));
        return false;
    }
    // The start-up prompt's update is downloading.
    UpdateGuard& guard = processUpdateGuard();
    if (!guard.tryBegin()) {
        messageBox(owner, "正在升级，请稍候。", updateCaption, MB_ICONINFORMATION | MB_OK);
        return false;
    }
    guard.end();

    CUpdateProgressDlg progress([] { return !dialogOpen(); });
    openProgress = &progress;
    bool cancelled = false;
    const UpdateResult result = progress.run(cancelled);
    openProgress = nullptr;
    if (result == UpdateResult::started)
        return true;
    // Stopped by the user: nothing to say. Another update took the turn
    // meanwhile: it says how it went.
    const std::string message = cancelled ? std::string() : updateResultText(result, UpdateCaller::menu);
    if (!message.empty())
        messageBox(owner, message.c_str(), updateCaption, MB_ICONINFORMATION | MB_OK);
    return false;
}

void FrameCommands::stopUpdate()
{
    if (openProgress)
        openProgress->stop();
}
