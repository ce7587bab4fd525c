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
