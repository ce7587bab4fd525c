#include "ui/TitleStrip.h"

StripArea stripAreaAt(int x, int y, const Rect& refreshButton, int dpi)
{
    const int height = stripHeightFor(dpi);
    if (y < 0 || y >= height)
        return StripArea::none;
    // The glyphs stand where the bitmap shown draws them: at its own scale,
    // which between the scales it is drawn for is not the screen's.
    const int glyphDpi = imageDpi(dpi);
    const auto area = [glyphDpi, height](int left, int right) {
        return Rect{scaleForDpi(left, glyphDpi), 0, scaleForDpi(right, glyphDpi), height};
    };
    if (area(19, 31).contains(x, y))
        return StripArea::hide;
    if (area(35, 47).contains(x, y))
        return StripArea::menu;
    if (area(2, 15).contains(x, y))
        return StripArea::close;
    if (refreshButton.contains(x, y))
        return StripArea::refresh;
    return StripArea::none;
}

const char* stripTooltip(StripArea area, unsigned secondsSinceRefresh)
{
    switch (area) {
    case StripArea::hide:
        return "隐藏";
    case StripArea::menu:
        return "菜单";
    case StripArea::close:
        return "关闭";
    case StripArea::refresh:
        return secondsSinceRefresh < 5 ? "刷新(距上次刷新不到 5 秒)" : "刷新";
    case StripArea::none:
        break;
    }
    return nullptr;
}

int stripImagePercent(int dpi)
{
    return imageDpi(dpi) * 100 / defaultDpi;
}
