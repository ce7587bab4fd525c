#include "ui/FrameCommands.h"

#include "settings/Deployment.h"
#include "settings/LiveSettings.h"
#include "settings/SettingsDlg.h"
#include "ui/AboutDlg.h"
#include "update/SelfUpdate.h"
#include "update/Win32Update.h"
#include "winui/Shell.h"

bool FrameCommands::editSettings(HWND owner)
{
    if (openSettings) {
        SetForegroundWindow(openSettings->GetSafeHwnd());
        return false;
    }
    UserSettings working = currentSettings();
    CSettingsDlg dialog(owner);
    dialog.setSettings(&working);
    openSettings = &dialog;
    const INT_PTR result = dialog.DoModal();
    openSettings = nullptr;
    if (result != IDOK)
        return false;
    replaceUserSettings(working);
    return true;
}

void FrameCommands::showAbout()
{
    CAboutDlg about;
    about.DoModal();
}

void FrameCommands::openHomePage()
{
    openWebAddress(vendorHomePage());
}

bool FrameCommands::updateFromMenu(HWND owner)
{
    // The calls the workers carry to the window wait meanwhile (and are
    // withdrawn when they wait too long).
    Win32UpdatePlatform platform;
    UpdateResult result;
    try {
        result = checkAndInstallUpdate(platform.platform(), processUpdateGuard());
    } catch (const std::exception&) {
        result = UpdateResult::badDownload;  // cut short (out of memory): a failed update, said as such
    }
    if (result == UpdateResult::started)
        return true;
    const std::string message = updateResultText(result, UpdateCaller::menu);
    if (!message.empty())
        messageBox(owner, message.c_str(), updateCaption, MB_ICONINFORMATION | MB_OK);
    return false;
}
