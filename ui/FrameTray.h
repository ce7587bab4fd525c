// The mini-window's ways in from outside its rectangle: its icon in the
// notification area (added again when Explorer starts anew), the global
// show/hide hot key and the context menu. It belongs to the window and
// works on the window's thread.
#pragma once

#include "settings/LiveSettings.h"
#include "ui/FrameState.h"
#include "winui/TrayIcon.h"

#include <windows.h>

#include <string>

class FrameTray {
public:
    FrameTray(FrameState& state, const LiveSettings& settings) : state(state), settings(settings) {}

    // Makes the icon for window (not yet shown) and adds it.
    void create(HWND window, HICON icon);
    // Adds the icon (again). A taskbar that is not there yet (at logon) is
    // tried again a few times, and whenever Explorer announces a new one.
    void addIcon();
    // The retry timer of addIcon came.
    void retryAdd();
    // Explorer created the taskbar anew: the icon comes back unless the hot
    // key has hidden it on purpose.
    void taskbarCreated();

    // Registers the hot key of the live settings; tells the user when
    // another program holds it.
    void registerHotKey();
    void unregisterHotKey();
    // The hot key was pressed while the window was visible or not: hides or
    // adds the icon as the settings say; true when the window is to show.
    bool hotKeyPressed(bool windowVisible);

    // Fired price alerts (GB2312 text) in a balloon from the icon. An icon
    // the hot key hid with the window comes back to carry it, and stays
    // until the hot key hides the window again.
    void showAlert(const std::string& text);

    // The context menu at the cursor.
    void openMenu() const;

    // The window closes: the icon and the hot key go.
    void remove();

private:
    FrameState& state;
    const LiveSettings& settings;
    CTrayIcon icon;
    HWND window = nullptr;
    int addRetries = 0;
};
