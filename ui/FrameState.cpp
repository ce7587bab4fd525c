#include "ui/FrameState.h"

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
