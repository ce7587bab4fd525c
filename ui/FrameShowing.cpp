#include "ui/FrameShowing.h"

#include "quotes/WindowLayout.h"

void FrameShowing::show(bool show)
{
    if (show) {
        const HoverTimer timer = state.show((settings.copy().optionFlags & titleOnHover) != 0);
        window.ShowWindow(SW_SHOWNORMAL);
        comeForward();
        refresh.requestRefresh();
        strip.setHoverTimer(timer);
    } else {
        window.ShowWindow(SW_HIDE);
        strip.setHoverTimer(state.hide());
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    }
}

void FrameShowing::relayoutDone()
{
    for (int command : relayoutShowSequence)
        window.ShowWindow(command);
    comeForward();
    state.relayoutDone();
}

// A prompt or dialog of the program's own, which holds the window disabled
// while it is up, keeps the front: a refresh does not take it away.
void FrameShowing::comeForward() const
{
    const HWND w = window.m_hWnd;
    SetForegroundWindow(IsWindowEnabled(w) ? w : GetLastActivePopup(w));
}

void FrameShowing::positionChanging(WINDOWPOS& pos) const
{
    if (state.holdsBackShowing())
        pos.flags &= ~SWP_SHOWWINDOW;
}
