// Size and layout of the mini-window around the quote page, and the window
// options the refresh worker re-applies after a settings change. Pure
// arithmetic: the Win32 side only carries the results out.
#pragma once

#include "settings/UserSettings.h"

#include <array>

// Pixel size of one table row and one table column for a font size index.
struct CellSize {
    int rowHeight;
    int columnWidth;
};

// 0..4 as in the table of font sizes; any other index gets 18 x 55.
CellSize cellSizeForFont(int fontSizeIndex);

// The children of the mini-window the layout places, by their part in it;
// the window knows which control plays each.
enum class FramePart {
    page,           // the browser showing the quote page
    notice,         // the notice line at the bottom
    busyLabel,      // "Loading..." over the page
    stripFill,      // the filler of the title strip
    refreshButton,  // the refresh area at the strip's right end
};

// A child's place in client pixels.
struct ChildPlacement {
    FramePart part;
    int x, y, width, height;
};

struct QuoteWindowLayout {
    Rect window;  // new screen rectangle; left and top are kept
    // In the order they are moved: page, notice line, busy label, strip
    // filler, refresh button.
    std::array<ChildPlacement, 5> children;
};

// The window rectangle and child places for a page of rowCount rows and
// columnCount columns (0 counts as 1), starting from the window's current
// screen rectangle. Font size, refresh-time line and header come from s.
// Every figure is for 96 DPI and scaled to dpi, the window's monitor's; the
// strip's figures across it follow the scale of its bitmaps (imageDpi).
QuoteWindowLayout layoutForQuotes(const Rect& current, int rowCount, int columnCount,
                                  const UserSettings& s, int dpi = 96);

// Show commands a re-layout passes to the window, in order: force-minimise,
// minimise, hide, show normal (then the window is brought to the front).
// Whatever state the window was in, it ends up shown and in front.
constexpr std::array<int, 4> relayoutShowSequence = {11, 6, 0, 1};

constexpr unsigned hoverTimerPeriodMs = 100;

struct WindowOptions {
    bool topmost;     // HWND_TOPMOST, else HWND_NOTOPMOST
    bool hoverTimer;  // after killing timer 1, start it again (100 ms)
};

WindowOptions decideWindowOptions(const UserSettings& s, bool isTransparent);
