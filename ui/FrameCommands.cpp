#include "ui/FrameCommands.h"

#include "settings/Deployment.h"
#include "settings/SettingsDlg.h"
#include "ui/AboutDlg.h"
#include "ui/UpdateProgressDlg.h"
#include "update/SelfUpdate.h"
#include "winui/Shell.h"
#include "winui/Trace.h"

namespace {

void bringForward(HWND window)
{
    if (window)
        SetForegroundWindow(window);
}

}  // namespace

bool FrameCommands::editSettings(HWND owner)
{
    if (openSettings) {
        bringForward(openSettings->GetSafeHwnd());
        return false;
    }
    UserSettings working = program.settings.copy();
    CSettingsDlg dialog(program.store, program.pickerColors, program.deployment, owner);
    dialog.setSettings(&working);
    dialog.setCodeBook(program.settings.codes());
    openSettings = &dialog;
    INT_PTR result;
    {
        const ProgramState::OpenDialog open(program);
        result = dialog.DoModal();
    }
    openSettings = nullptr;
    if (result != IDOK)
        return false;
    program.settings.replace(working);
    // The records of the list's codes, a re-added code's read back from the file.
    program.settings.replaceCodes(dialog.codeBook());
    return true;
}

void FrameCommands::showAbout()
{
    if (openAbout) {
        bringForward(openAbout->GetSafeHwnd());
        return;
    }
    CAboutDlg about(program.deployment);
    openAbout = &about;
    {
        const ProgramState::OpenDialog open(program);
        about.DoModal();
    }
    openAbout = nullptr;
}

void FrameCommands::openHomePage()
{
    openWebAddress(vendorHomePage(program.deployment));
}

void FrameCommands::toggleDiscreet()
{
    const bool on = !program.discreet.load();
    program.discreet = on;
    // A file that cannot take it leaves the look for this session only.
    if (program.store.saveDiscreet(on) != StoreResult::ok)
        trace("discreet look not saved");
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
    if (program.startupPromptUp()) {
        bringForward(GetWindow(owner, GW_ENABLEDPOPUP));
        return false;
    }
    // The start-up prompt's update is downloading.
    UpdateGuard& guard = program.updateGuard;
    if (!guard.tryBegin()) {
        messageBox(owner, "正在升级，请稍候。", updateCaption, MB_ICONINFORMATION | MB_OK);
        return false;
    }
    guard.end();

    CUpdateProgressDlg progress(program.updateGuard, program.versionBlocked, program.deployment,
                                [&program = program] { return !program.dialogOpen(); });
    openProgress = &progress;
    bool cancelled = false;
    const UpdateResult result = progress.run(cancelled);
    openProgress = nullptr;
    if (result == UpdateResult::started)
        return true;
    // Stopped by the user: nothing to say. Another update took the turn
    // meanwhile: it says how it went.
    const std::string message = cancelled ? std::string() : updateResultText(result, UpdateCaller::menu, program.deployment);
    if (!message.empty())
        messageBox(owner, message.c_str(), updateCaption, MB_ICONINFORMATION | MB_OK);
    return false;
}

void FrameCommands::stopUpdate()
{
    if (openProgress)
        openProgress->stop();
}
