#include "winui/LinkLabel.h"

bool CLinkLabel::contains(POINT point) const
{
    return active && toRect(dialog.GetDlgItem(controlId).GetRectInParent()).contains(point.x, point.y);
}

void CLinkLabel::mouseMoved(POINT point)
{
    const bool over = contains(point);
    if (over)
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
    const Color now = over ? red : blue;
    if (colours == dialogColours || now == color)
        return;
    color = now;
    RedrawWindow(dialog.GetDlgItem(controlId).m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool CLinkLabel::setTextColor(HDC dc, HWND control) const
{
    if (colours == dialogColours || control != dialog.GetDlgItem(controlId).m_hWnd)
        return false;
    SetTextColor(dc, color);
    return true;
}
