#include "ui/FrameBackground.h"

#include "res/resource.h"

void FrameBackground::takeColor(const UserSettings& s)
{
    backColor = backgroundColor(s);
    backBrush.reset(CreateSolidBrush(backColor));
}

void FrameBackground::toggleTransparency(const UserSettings& s)
{
    const FrameState::Toggle toggle = state.toggleTransparency((s.optionFlags & titleOnHover) != 0);
    strip.show(toggle.stripShown);
    strip.setHoverTimer(toggle.timer);
    // Only pixels of exactly the key colour vanish: no text edge may blend into it.
    browser.setCrispText(state.transparent());
    const HWND w = window.m_hWnd;
    SetWindowLongPtrW(w, GWL_EXSTYLE, GetWindowLongPtrW(w, GWL_EXSTYLE) ^ WS_EX_LAYERED);
    SetLayeredWindowAttributes(w, backColor, 0, LWA_COLORKEY);
}

void FrameBackground::rekey(const UserSettings& s)
{
    if (state.transparent()) {
        toggleTransparency(s);
        toggleTransparency(s);
    }
}

Reply FrameBackground::staticColour(HDC dc, HWND control) const
{
    const int id = GetDlgCtrlID(control);
    if (id != IDC_NOTICE && id != IDC_BUSY)
        return Reply::passOn();
    SetBkColor(dc, backColor);
    SetTextColor(dc, 0xFFFFFF - backColor);
    return windowColour();
}
