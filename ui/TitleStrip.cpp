#include "ui/TitleStrip.h"

static bool inside(const PixelRect& r, int x, int y)
{
    return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

StripArea stripAreaAt(int x, int y, const PixelRect& refreshButton)
{
    if (y < 0 || y >= stripHeight)
        return StripArea::none;
    if (inside({19, 0, 31, 15}, x, y))
        return StripArea::hide;
    if (inside({35, 0, 47, 15}, x, y))
        return StripArea::menu;
    if (inside({2, 0, 15, 15}, x, y))
        return StripArea::close;
    if (inside(refreshButton, x, y))
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
