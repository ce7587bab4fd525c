// Showing and hiding the mini-window: at the user's request (the strip, the
// tray, the hot key), after each re-layout, and the start-hidden rule that
// holds back the showings of start-up. It belongs to the window and works on
// the window's thread.
#pragma once

#include "quotes/RefreshWorker.h"
#include "settings/LiveSettings.h"
#include "ui/FrameState.h"
#include "ui/FrameStrip.h"
#include "winui/Wnd.h"

class FrameShowing {
public:
    FrameShowing(const CWnd& window, FrameState& state, const FrameStrip& strip, RefreshRequests& refresh,
                 const LiveSettings& settings)
        : window(window), state(state), strip(strip), refresh(refresh), settings(settings)
    {
    }

    // Shown in front with a refresh, or hidden with the memory given back.
    void show(bool show);
    // The window was sized to a new page: shown in front.
    void relayoutDone();
    // WM_WINDOWPOSCHANGING: a showing the start-hidden rule holds back is
    // taken out of the change.
    void positionChanging(WINDOWPOS& pos) const;

private:
    void comeForward() const;

    const CWnd& window;
    FrameState& state;
    const FrameStrip& strip;
    RefreshRequests& refresh;
    const LiveSettings& settings;
};
