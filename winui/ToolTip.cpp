#include "winui/ToolTip.h"

bool CToolTipCtrl::Create(HWND ownerWindow, DWORD style, DWORD exStyle)
{
    owner = ownerWindow;
    m_hWnd =
        CreateWindowExW(exStyle, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, appInstance(), nullptr);
    return m_hWnd != nullptr;
}

TOOLINFOW CToolTipCtrl::toolInfo() const
{
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(owner);
    ti.lpszText = const_cast<wchar_t*>(wideText.c_str());
    return ti;
}

void CToolTipCtrl::AddTool(const char* gb2312)
{
    text = gb2312;
    wideText = widen(gb2312);
    TOOLINFOW ti = toolInfo();
    SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::SetInitialDelay(int milliseconds) const
{
    SendMessageW(m_hWnd, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(milliseconds, 0));
}

void CToolTipCtrl::Activate(bool active) const
{
    SendMessageW(m_hWnd, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

void CToolTipCtrl::UpdateTipText(const char* gb2312)
{
    text = gb2312;
    wideText = widen(gb2312);
    TOOLINFOW ti = toolInfo();
    SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::RelayEvent(MSG* msg) const
{
    if (m_hWnd)
        SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

bool CToolTipCtrl::AddTool(UINT_PTR id, const Rect& rect, const std::string& gb2312) const
{
    // The control breaks lines at "\r\n"; '\n' is never the trail byte of a
    // double-byte character, so it can be found in the GB2312 bytes.
    std::string lines;
    for (char c : gb2312) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    std::wstring wide = widen(lines);
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = id;
    ti.rect = {rect.left, rect.top, rect.right, rect.bottom};
    ti.lpszText = &wide[0];  // the control keeps a copy
    return SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

void CToolTipCtrl::DelTool(UINT_PTR id) const
{
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = owner;
    ti.uId = id;
    SendMessageW(m_hWnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::SetMaxTipWidth(int pixels) const
{
    SendMessageW(m_hWnd, TTM_SETMAXTIPWIDTH, 0, pixels);
}

void CToolTipCtrl::SetAutoPopDelay(int milliseconds) const
{
    SendMessageW(m_hWnd, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(milliseconds, 0));
}
