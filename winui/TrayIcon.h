// A window's icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

class CTrayIcon {
public:
    // The icon id, with the message its window gets for mouse events on it
    // (lParam the mouse message) and the tip (GB2312).
    void Create(HWND owner, UINT id, UINT callbackMessage, HICON icon, const char* tip);
    bool Add();
    bool Delete();
    // A balloon from the icon with a title and a text (GB2312); the text is
    // cut at the 255 characters a balloon holds.
    bool ShowBalloon(const char* title, const char* text);

private:
    NOTIFYICONDATAW data = {};
};
