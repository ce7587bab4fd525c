// Where the mini-window stands and how its parts are laid out, at the scale
// of the monitor it is on: the saved position restored onto a screen, the
// re-layout to the page's rows and columns, and a move to another monitor
// (the strip's bitmaps and the text lines' font at its scale). It belongs to
// the window and works on the window's thread.
#pragma once

#include "quotes/WindowLayout.h"
#include "winui/Handles.h"
#include "winui/Wnd.h"

class FramePlacement {
public:
    explicit FramePlacement(const CWnd& window) : window(window) {}

    // The scale of the window's monitor and the strip's bitmaps for it.
    void takeScale();
    // Moves the window to the saved rectangle as far as it lies on a
    // screen, and fits the strip's filler to its width.
    void restore(const Rect& saved);
    // Sizes the window and its children to a page of rowCount rows and
    // columnCount columns.
    void fitQuotes(int rowCount, int columnCount, const UserSettings& s);
    // Another monitor: the system's rectangle for it (passed on without one).
    Reply dpiChanged(int newDpi, const RECT* suggested, const UserSettings& s);
    // The window was moved.
    void moved() { screen = toRect(window.GetWindowRect()); }

    // The window's screen rectangle, for the hover timer.
    const Rect& screenRect() const { return screen; }
    int stripHeight() const;

private:
    void applyDpi();
    void placeChildren(const QuoteWindowLayout& layout);
    // The window at rectangle at with only the filler fitted, as before the first page.
    void placeBare(const Rect& at);

    const CWnd& window;
    Rect screen;
    int dpi = 96;      // of the monitor the window is on
    int lastRows = 0;  // the page the window was last sized to (0: none yet)
    int lastColumns = 0;
    BitmapHandle stripImages[3];  // glyphs, filler, refresh; none at 100 %
    FontHandle textFont;          // the text lines' font after a change of DPI
};
