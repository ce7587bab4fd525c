// The hot areas of the mini-window's 15-pixel title strip. The figures are
// for 96 DPI; on other screens they scale with the DPI of the window.
#pragma once

#include "common/Dpi.h"
#include "common/Geometry.h"

constexpr int stripHeight = 15;

constexpr int stripHeightFor(int dpi)
{
    return scaleForDpi(stripHeight, dpi);
}

enum class StripArea { none, hide, menu, close, refresh };

// The area under the client point (x, y). The areas are tried in the order
// hide, menu, close, refresh (the current place of the refresh button); a
// point of the strip in none of them drags the window. Points below the
// strip are not in it: StripArea::none. The glyphs' areas scale with the
// strip's bitmap shown (stripImagePercent), the strip's height with dpi.
StripArea stripAreaAt(int x, int y, const Rect& refreshButton, int dpi = defaultDpi);

// The tooltip of an area; the refresh area warns while a click would be
// dropped (less than 5 seconds since the last refresh). Null for none.
const char* stripTooltip(StripArea area, unsigned secondsSinceRefresh);

// The scale in percent of the strip's bitmaps a window at dpi shows (see
// imageDpi): 100, 150 or 200.
int stripImagePercent(int dpi);
