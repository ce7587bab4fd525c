// The mini-window's rules for showing and hiding, transparency, the hover
// strip and the tray icon, apart from the window that carries them out.
#pragma once

#include "common/Geometry.h"

#include <vector>

// Where the window opens: its template rectangle moved to the saved corner,
// each saved coordinate taken only when it lies on the screen (between 0
// and the screen's width or height, both excluded).
Rect restoredPosition(const Rect& current, const Rect& saved, int screenWidth, int screenHeight);

// A window at r that lies at least partly on one of the monitors' work
// areas stays where it is; one on none of them (its monitor gone, or a
// smaller resolution) is moved wholly onto the nearest work area, its
// top-left corner first when it is larger than the area. Without work
// areas r is kept.
Rect keptOnScreen(const Rect& r, const std::vector<Rect>& workAreas);

// What to do with hover timer 1.
enum class HoverTimer { leave, stop, start };

class FrameState {
public:
    // The start-hidden rule: with hideAtStart the two showings of start-up
    // (the modal run's own, and the one that ends the first re-layout) are
    // held back; they may come in either order. A showing the user asks for
    // ends the rule.
    void holdStartUpShowings() { holdFirstShow = holdFirstLayout = true; }
    bool holdsBackShowing() const { return holdFirstShow || holdFirstLayout; }
    void firstShowDone() { holdFirstShow = false; }
    void relayoutDone() { holdFirstLayout = false; }

    // The user shows the window: the strip's hover timer runs again when the
    // window is transparent and shows its title only on hover.
    HoverTimer show(bool titleOnHover);
    HoverTimer hide() { return HoverTimer::stop; }

    bool transparent() const { return isTransparent; }
    struct Toggle {
        bool stripShown;
        HoverTimer timer;
    };
    // Switches transparency: the strip shows only while opaque.
    Toggle toggleTransparency(bool titleOnHover);

    // A tick of the hover timer with the cursor inside the window or not:
    // true when the strip must now be shown or hidden (as inside says).
    bool hoverChanged(bool inside);

    // The hot key: hides a visible window, and then with hotKeyHidesTray
    // its tray icon too; shows a hidden one with its icon.
    struct HotKey {
        bool show;            // otherwise hide
        bool addTrayIcon;     // before showing
        bool deleteTrayIcon;  // before hiding
    };
    HotKey hotKey(bool visible, bool hotKeyHidesTray);
    // The icon is added again (the tray's double-click, a second start).
    void trayIconAdded() { trayHiddenByHotKey = false; }
    // When the taskbar is created anew: the icon comes back unless the hot
    // key has hidden it on purpose.
    bool trayIconWanted() const { return !trayHiddenByHotKey; }

private:
    bool holdFirstShow = false;
    bool holdFirstLayout = false;
    bool isTransparent = false;
    bool mouseInside = false;
    bool trayHiddenByHotKey = false;
};
