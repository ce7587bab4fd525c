// The mini-window's icons: the program's icon (title, Alt+Tab, the window
// drawn minimised) and its small size for the title and the tray.
#pragma once

#include "winui/Handles.h"

#include <windows.h>

class FrameIcons {
public:
    FrameIcons();

    // Gives window its icons; returns the one for the tray.
    HICON attach(HWND window);
    // WM_PAINT: a minimised window is drawn as the icon. False otherwise.
    bool paintMinimised(HWND window) const;
    HICON dragIcon() const { return appIcon; }

private:
    HICON appIcon = nullptr;  // shared: loaded once by the system
    IconHandle smallIcon;     // the system's small-icon size
};
