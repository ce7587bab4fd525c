// The hot areas of the mini-window's 15-pixel title strip.
#pragma once

#include "common/Geometry.h"

constexpr int stripHeight = 15;

enum class StripArea { none, hide, menu, close, refresh };

// The area under the client point (x, y). The areas are tried in the order
// hide, menu, close, refresh (the current place of the refresh button); a
// point of the strip in none of them drags the window. Points at y 15 or
// below are not in the strip: StripArea::none.
StripArea stripAreaAt(int x, int y, const Rect& refreshButton);

// The tooltip of an area; the refresh area warns while a click would be
// dropped (less than 5 seconds since the last refresh). Null for none.
const char* stripTooltip(StripArea area, unsigned secondsSinceRefresh);
