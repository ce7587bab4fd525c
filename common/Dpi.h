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
