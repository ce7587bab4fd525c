// The small window-class layer: one C++ class per window, each with a message
// map from window messages, command ids and notifications to handler methods,
// plus data exchange between dialog controls and members.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>

#include "common/Geometry.h"
#include "winui/WinText.h"

inline Rect toRect(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// A window: the handle and the few operations the program uses on it.
class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    CWnd GetDlgItem(int id) const { return CWnd(::GetDlgItem(m_hWnd, id)); }
    void SetWindowText(const char* gb2312) const;
    std::string GetWindowText() const;
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    void ShowWindow(int command) const { ::ShowWindow(m_hWnd, command); }
    RECT GetWindowRect() const;
    // The window's rectangle in its parent's client coordinates.
    RECT GetRectInParent() const;
    void MoveWindow(int x, int y, int width, int height, bool repaint = true) const
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }

    HWND m_hWnd = nullptr;
};

// One message on its way to a handler. A handler returns true when it has
// handled the message (result then holds the answer) and false to let the
// default processing run.
struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

// Entry of a message map. For WM_COMMAND, id is the command or control id and
// code the notification (0 for menu items and button clicks); for WM_NOTIFY,
// the control id and the notification code; other messages match on message.
template <class T>
struct MessageMapEntry {
    UINT message;
    UINT id;
    UINT code;
    bool (T::*handler)(Message&);
};

template <class T, std::size_t N>
bool dispatchMessage(T& window, const MessageMapEntry<T> (&map)[N], Message& m)
{
    for (const MessageMapEntry<T>& e : map) {
        if (e.message != m.message)
            continue;
        if (m.message == WM_COMMAND && (e.id != LOWORD(m.wParam) || e.code != HIWORD(m.wParam)))
            continue;
        if (m.message == WM_NOTIFY) {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(m.lParam);
            if (e.id != header->idFrom || e.code != header->code)
                continue;
        }
        return (window.*e.handler)(m);
    }
    return false;
}

class CDialog;

// Data exchange between a dialog's controls and its members.
struct DataExchange {
    CDialog& dialog;
    bool saveAndValidate;  // true: controls to members; false: members to controls
    bool failed = false;
};

void ddxControl(DataExchange& dx, int id, CWnd& control);
void ddxCheck(DataExchange& dx, int id, int& value);
// maxChars > 0 limits the edit box and refuses a longer text when reading back.
void ddxText(DataExchange& dx, int id, std::string& value, int maxChars = 0);

// A dialog from a template resource, run modally with its own message loop
// (so that PreTranslateMessage sees every message) or created as a modeless
// child (the pages of a tabbed dialog).
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal();
    bool Create(HWND parent);
    void EndDialog(INT_PTR result);
    bool UpdateData(bool saveAndValidate = true);

    virtual BOOL PreTranslateMessage(MSG* msg);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange& dx);
    // The class's message map; see dispatchMessage.
    virtual bool OnMessage(Message& m);

    UINT templateId;
    HWND parentWindow;

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool preTranslate(MSG& msg) const;

    bool modalEnded = false;
    INT_PTR modalResult = IDCANCEL;
};

HINSTANCE appInstance();
// A message box owned by owner with the program's GB2312 texts.
int messageBox(HWND owner, const char* text, const char* caption, UINT type);
