#include "ui/TitleStrip.h"

StripArea stripAreaAt(int x, int y, const Rect& refreshButton)
{
    if (y < 0 || y >= stripHeight)
        return StripArea::none;
    if (Rect{19, 0, 31, 15}.contains(x, y))
        return StripArea::hide;
    if (Rect{35, 0, 47, 15}.contains(x, y))
        return StripArea::menu;
    if (Rect{2, 0, 15, 15}.contains(x, y))
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
