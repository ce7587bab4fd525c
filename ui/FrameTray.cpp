#include "ui/FrameTray.h"

#include "common/Version.h"
#include "res/resource.h"
#include "winui/Handles.h"
#include "winui/Trace.h"
#include "winui/Wnd.h"

namespace {
constexpr int maxAddRetries = 6;
constexpr UINT addRetryMs = 5000;
}  // namespace

void FrameTray::create(HWND owner, HICON appIcon)
{
    window = owner;
    icon.Create(owner, IDR_MAINFRAME, WM_TRAYNOTIFY, appIcon, versionText);
    addIcon();
}

void FrameTray::addIcon()
{
    state.trayIconAdded();
    KillTimer(window, TRAY_RETRY_TIMER_ID);
    if (icon.Add()) {
        addRetries = 0;
        return;
    }
    // No notification area yet: without its icon a hidden window could not
    // be reached but by the hot key.
    if (addRetries++ < maxAddRetries)
        SetTimer(window, TRAY_RETRY_TIMER_ID, addRetryMs, nullptr);
}

void FrameTray::retryAdd()
{
    KillTimer(window, TRAY_RETRY_TIMER_ID);
    if (state.trayIconWanted())
        addIcon();
}

void FrameTray::taskbarCreated()
{
    if (!state.trayIconWanted())
        return;
    addRetries = 0;
    addIcon();
}

void FrameTray::registerHotKey()
{
    unregisterHotKey();
    const UserSettings s = settings.copy();
    if (!RegisterHotKey(window, SHOW_HOTKEY_ID, s.hotKeyModifiers, s.hotKeyVirtualKey))
        messageBox(window, "热键设置失败,请重新设置。", "提示", MB_ICONINFORMATION | MB_OK);
}

void FrameTray::unregisterHotKey()
{
    UnregisterHotKey(window, SHOW_HOTKEY_ID);
}

bool FrameTray::hotKeyPressed(bool windowVisible)
{
    const FrameState::HotKey action =
        state.hotKey(windowVisible, (settings.copy().optionFlags & hotKeyHidesTray) != 0);
    if (action.deleteTrayIcon)
        icon.Delete();
    if (action.addTrayIcon)
        icon.Add();
    return action.show;
}

void FrameTray::showAlert(const std::string& text)
{
    if (!state.trayIconWanted())
        addIcon();
    if (!icon.ShowBalloon("Zeb 提醒", text.c_str()))
        trace("the alert balloon could not be shown");
}

void FrameTray::openMenu() const
{
    const MenuHandle menu(LoadMenuW(appInstance(), MAKEINTRESOURCEW(IDR_TRAYMENU)));
    if (!menu)
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    TrackPopupMenu(GetSubMenu(menu.get(), 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window,
                   nullptr);
    // A menu of a background window: without a message to the window after
    // it, the next one opened from the tray closes at once.
    PostMessageW(window, WM_NULL, 0, 0);
}

void FrameTray::remove()
{
    KillTimer(window, TRAY_RETRY_TIMER_ID);
    icon.Delete();
    unregisterHotKey();
}
