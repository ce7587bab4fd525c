// The mini-window's title strip on screen: its three controls, the tooltip
// of its hot areas and the hover timer that shows it over a transparent
// window. It belongs to the window and works on the window's thread.
#pragma once

#include "quotes/RefreshWorker.h"
#include "ui/FrameState.h"
#include "ui/TitleStrip.h"
#include "winui/ToolTip.h"
#include "winui/Wnd.h"

class FrameStrip {
public:
    explicit FrameStrip(const CWnd& window) : window(window) {}

    // The tooltip, inactive until the mouse is over a hot area.
    void create();
    // Every message of the modal run passes here, for the tooltip.
    void relayEvent(MSG* msg) const { tooltip.RelayEvent(msg); }
    // The mouse over the strip (p.y < stripHeight): the area's tooltip, or
    // elsewhere in the strip the version and what the market is doing.
    // False when it is over no hot area (the move is then the window's own).
    bool mouseMoved(POINT p, const RefreshRequests& refresh);
    // The mouse elsewhere: no tooltip.
    void mouseLeft() const { tooltip.Activate(false); }

    // The hot area under a client point.
    StripArea areaAt(POINT p) const;
    void show(bool show) const;
    void setHoverTimer(HoverTimer action) const;
    // The hover timer came: the strip shows while the cursor is over the
    // window's screen rectangle. False when that has not changed.
    bool hoverTick(const Rect& screenRect, FrameState& state) const;

private:
    const CWnd& window;
    CToolTipCtrl tooltip;
};
