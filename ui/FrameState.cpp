#include "ui/FrameState.h"

#include <algorithm>
#include <cstdint>

HoverTimer FrameState::show(bool titleOnHover)
{
    holdFirstShow = holdFirstLayout = false;
    return isTransparent && titleOnHover ? HoverTimer::start : HoverTimer::leave;
}

FrameState::Toggle FrameState::toggleTransparency(bool titleOnHover)
{
    isTransparent = !isTransparent;
    if (!isTransparent)
        return {true, HoverTimer::stop};
    return {false, titleOnHover ? HoverTimer::start : HoverTimer::leave};
}

bool FrameState::hoverChanged(bool inside)
{
    if (inside == mouseInside)
        return false;
    mouseInside = inside;
    return true;
}

FrameState::HotKey FrameState::hotKey(bool visible, bool hotKeyHidesTray)
{
    if (visible) {
        trayHiddenByHotKey = hotKeyHidesTray;
        return {false, false, hotKeyHidesTray};
    }
    trayHiddenByHotKey = false;
    return {true, true, false};
}

Rect restoredPosition(const Rect& current, const Rect& saved, int screenWidth, int screenHeight)
{
    Rect r = current;
    if (saved.top > 0 && saved.top < screenHeight)
        r.top = saved.top;
    if (saved.left > 0 && saved.left < screenWidth)
        r.left = saved.left;
    r.right = r.left + current.width();
    r.bottom = r.top + current.height();
    return r;
}

namespace {

bool overlaps(const Rect& a, const Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The gap between two rectangles along one axis: 0 when they overlap on it.
std::int64_t gap(std::int64_t lowA, std::int64_t highA, std::int64_t lowB, std::int64_t highB)
{
    if (highA <= lowB)
        return lowB - highA;
    if (highB <= lowA)
        return lowA - highB;
    return 0;
}

// Moves [low, high) into [areaLow, areaHigh), its low end first.
void shiftInto(std::int32_t& low, std::int32_t& high, std::int32_t areaLow, std::int32_t areaHigh)
{
    const std::int32_t size = high - low;
    if (high > areaHigh)
        low = areaHigh - size;
    if (low < areaLow)
        low = areaLow;
    high = low + size;
}

}  // namespace

Rect keptOnScreen(const Rect& r, const std::vector<Rect>& workAreas)
{
    const Rect* nearest = nullptr;
    std::int64_t nearestDistance = 0;
    for (const Rect& area : workAreas) {
        if (area.empty())
            continue;
        if (overlaps(r, area))
            return r;
        const std::int64_t dx = gap(r.left, r.right, area.left, area.right);
        const std::int64_t dy = gap(r.top, r.bottom, area.top, area.bottom);
        const std::int64_t distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = &area;
            nearestDistance = distance;
        }
    }
    if (!nearest)
        return r;
    Rect moved = r;
    shiftInto(moved.left, moved.right, nearest->left, nearest->right);
    shiftInto(moved.top, moved.bottom, nearest->top, nearest->bottom);
    return moved;
}
