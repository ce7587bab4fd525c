#include "winui/LinkLabel.h"

bool CLinkLabel::contains(LPARAM point) const
{
    const Rect link = toRect(dialog.GetDlgItem(controlId).GetRectInParent());
    return link.contains(static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point)));
}

void CLinkLabel::mouseMoved(LPARAM point)
{
    const bool over = contains(point);
    if (over)
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
    const Color now = over ? red : blue;
    if (now == color)
        return;
    color = now;
    RedrawWindow(dialog.GetDlgItem(controlId).m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool CLinkLabel::setTextColor(HDC dc, HWND control) const
{
    if (control != dialog.GetDlgItem(controlId).m_hWnd)
        return false;
    SetTextColor(dc, color);
    return true;
}
