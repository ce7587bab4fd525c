// Screen scale: the program's pixel figures are given for 96 dots per inch
// (100 %) and scaled to the DPI of the monitor a window is on.
#pragma once

constexpr int defaultDpi = 96;

// px96 pixels at 96 DPI as pixels at dpi, rounded to the nearest pixel
// (halves away from zero, as the system's MulDiv).
constexpr int scaleForDpi(int px96, int dpi)
{
    const long long product = static_cast<long long>(px96) * dpi;
    return static_cast<int>(product >= 0 ? (product + defaultDpi / 2) / defaultDpi
                                         : -((-product + defaultDpi / 2) / defaultDpi));
}

// The program's bitmaps are drawn for 100, 150 and 200 % and never
// stretched: the DPI of the set a window at dpi shows (the nearest; halfway,
// the smaller). What the bitmaps draw stands at this scale.
constexpr int imageDpi(int dpi)
{
    const int percent = dpi * 100 / defaultDpi;
    return percent <= 125 ? defaultDpi : percent <= 175 ? defaultDpi * 3 / 2 : defaultDpi * 2;
}
