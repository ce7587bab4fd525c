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

bool FrameBackground::ctlColor(Message& m) const
{
    if (m.message == WM_CTLCOLORSTATIC) {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(m.lParam));
        if (id != IDC_NOTICE && id != IDC_BUSY)
            return false;
        HDC dc = reinterpret_cast<HDC>(m.wParam);
        SetBkColor(dc, backColor);
        SetTextColor(dc, 0xFFFFFF - backColor);
    }
    m.result = reinterpret_cast<LRESULT>(backBrush.get());
    return true;
}
