// Every window message of Zeb's own, in one place: the messages its windows
// get from the program itself, and the registered messages it shares with
// other windows of the desktop. Resource, control, command, timer and hot-key
// ids are in resource.h.
#pragma once

#include <windows.h>

// The tray icon's mouse events, to the mini-window; lParam is the mouse
// message. A second start of the program sends it with WM_LBUTTONDBLCLK to
// bring the running one's window up, so its number (1034) stays as it is.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 10;

// Posted to the mini-window while it initialises: arrives once the modal run
// has shown the window.
constexpr UINT WM_FIRST_SHOW_DONE = WM_APP + 2;

// A call carried to a window's thread (winui/WindowThreadCall.h). Registered,
// so that no other program's message has its number by chance; its lParam is
// only a token, looked up in the carrying side's own table.
inline UINT windowThreadCallMessage()
{
    static const UINT message = RegisterWindowMessageW(L"Zeb.WindowThreadCall");
    return message;
}

// Explorer's broadcast when the taskbar is created anew (after Explorer
// restarts, or when it starts after the program): every icon in the
// notification area must then be added again.
inline UINT taskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}
