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
    // The window's painting on dc: a minimised window is drawn as the icon.
    void paintMinimised(HWND window, HDC dc) const;
    HICON dragIcon() const { return appIcon; }

private:
    HICON appIcon = nullptr;  // shared: loaded once by the system
    IconHandle smallIcon;     // the system's small-icon size
};
