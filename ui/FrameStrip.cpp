#include "ui/FrameStrip.h"

#include "common/Version.h"
#include "quotes/WindowLayout.h"
#include "res/resource.h"

#include <string>

void FrameStrip::create()
{
    tooltip.Create(window.m_hWnd);
    tooltip.AddTool(versionText);
    tooltip.SetInitialDelay(0);
    tooltip.Activate(false);
}

bool FrameStrip::mouseMoved(POINT p, const RefreshRequests& refresh)
{
    const char* tip = stripTooltip(areaAt(p), refresh.secondsSinceRefresh());
    if (!tip) {
        // The strip's own tooltip: the version, then the market's state.
        const std::string state = std::string(versionText) + " - 港股" + marketStateText(refresh.marketState());
        if (tooltip.GetText() != state) {
            tooltip.UpdateTipText(state.c_str());
            tooltip.Activate(true);
        }
        return false;
    }
    if (tooltip.GetText() != tip) {
        tooltip.UpdateTipText(tip);
        tooltip.Activate(true);
    }
    return true;
}

StripArea FrameStrip::areaAt(POINT p) const
{
    return stripAreaAt(p.x, p.y, toRect(window.GetDlgItem(IDC_REFRESH).GetRectInParent()), window.GetDpi());
}

void FrameStrip::show(bool show) const
{
    for (int id : {IDC_STRIP, IDC_STRIP_FILL, IDC_REFRESH})
        window.GetDlgItem(id).ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void FrameStrip::setHoverTimer(HoverTimer action) const
{
    if (action == HoverTimer::leave)
        return;
    KillTimer(window.m_hWnd, HOVER_TIMER_ID);
    if (action == HoverTimer::start)
        SetTimer(window.m_hWnd, HOVER_TIMER_ID, hoverTimerPeriodMs, nullptr);
}

bool FrameStrip::hoverTick(const Rect& screenRect, FrameState& state) const
{
    POINT cursor;
    GetCursorPos(&cursor);
    const bool inside = screenRect.contains(cursor.x, cursor.y);
    if (!state.hoverChanged(inside))
        return false;
    show(inside);
    return true;
}
