#include "winui/TrayIcon.h"

#include "winui/WinText.h"

void CTrayIcon::Create(HWND owner, UINT id, UINT callbackMessage, HICON icon, const char* tip)
{
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callbackMessage;
    data.hIcon = icon;
    lstrcpynW(data.szTip, widen(tip).c_str(), ARRAYSIZE(data.szTip));
}

bool CTrayIcon::Add()
{
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool CTrayIcon::ShowBalloon(const char* title, const char* text)
{
    NOTIFYICONDATAW balloon = data;
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_INFO;
    lstrcpynW(balloon.szInfoTitle, widen(title).c_str(), ARRAYSIZE(balloon.szInfoTitle));
    lstrcpynW(balloon.szInfo, widen(text).c_str(), ARRAYSIZE(balloon.szInfo));
    return Shell_NotifyIconW(NIM_MODIFY, &balloon) != FALSE;
}

bool CTrayIcon::Delete()
{
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}
