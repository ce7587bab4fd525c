// The small window-class layer: one C++ class per window, each with a message
// map from window messages, command ids and notifications to handler methods,
// plus data exchange between dialog controls and members.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <functional>
#include <string>
#include <type_traits>

#include "common/Geometry.h"
#include "winui/Handles.h"
#include "winui/WinText.h"

// The scale messages, which older headers lack: a top-level window came to
// a monitor of another scale; a child window's parent has changed scale
// (from Windows 10 on).
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

inline Rect toRect(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

struct Message;
struct MessageMap;

// What a handler did with its message, the same in every handler: handled,
// with the message's answer, or passed on to the system's default handling
// (a dialog's, for a dialog). A handler that returns nothing has handled its
// message with the answer 0.
class Reply {
public:
    static Reply handled(LRESULT result = 0) { return Reply(true, result); }
    static Reply passOn() { return Reply(false, 0); }

    bool isHandled() const { return done; }
    LRESULT result() const { return answer; }

private:
    Reply(bool done, LRESULT answer) : done(done), answer(answer) {}
    bool done;
    LRESULT answer;
};

// A window: the handle and the few operations the program uses on it. A
// class derived from it that declares a message map gets its window's
// messages through the one routing procedure of this layer: dialogs through
// CDialog, other windows through a window class made with registerWindowClass.
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
    // Dots per inch of the monitor the window is on (96 at 100 %); the
    // system's DPI where the system has no DPI per window.
    int GetDpi() const;

    // The object whose messages the window's procedure routes; null for a
    // window of no class of this layer.
    static CWnd* FromHandle(HWND hwnd);

    // Hands m to the class's message map; true when a handler handled it
    // (m.result then holds the answer). A class that also passes messages to
    // a part of its own (a member that handles some of its window's
    // messages) overrides it and calls the base.
    virtual bool routeMessage(Message& m);
    // Sees each message of a modal run before it is dispatched, for every
    // window of this layer from the message's target up to the dialog;
    // TRUE when it has taken the message.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

    HWND m_hWnd = nullptr;

protected:
    // The class's own map: see DECLARE_MESSAGE_MAP. The base map is empty.
    virtual const MessageMap& messageMap() const;
    // The window is now on a monitor of dpi dots per inch. A top-level
    // window gets the rectangle the system suggests for it there (in
    // suggested), a child window null once its parent has changed. Handled
    // when the window has placed and redrawn itself; passed on, the message
    // goes to the message map, then to the system (a dialog then scales
    // itself with its font).
    virtual Reply OnDpiChanged(int /*dpi*/, const RECT* /*suggested*/) { return Reply::passOn(); }

    // Ties the object to its window, so that the routing procedure finds it.
    void attach(HWND hwnd);

    // The routing procedure: finds the window's object and hands it the
    // message; false when no handler handled it. The window procedure of
    // registered classes and CDialog's dialog procedure both come here.
    static bool route(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

public:
    // See registerWindowClass: a class whose window procedure is procedure.
    static bool registerClass(const wchar_t* name, HINSTANCE instance, UINT style, WNDPROC procedure);
    // The window procedure of a class whose windows each get their own T.
    template <class T>
    static LRESULT CALLBACK windowProcOf(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return windowProc(hwnd, message, wParam, lParam, []() -> CWnd* { return new T; });
    }

private:
    static LRESULT windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, CWnd* (*make)());
    bool ownedByWindow = false;  // made by the window class: deleted with the window
};

// Registers a window class whose windows each get their own T, made at
// WM_NCCREATE and deleted when the window is gone: for controls that dialog
// templates name by class. T has a default constructor.
template <class T>
bool registerWindowClass(const wchar_t* name, HINSTANCE instance, UINT style = 0)
{
    return CWnd::registerClass(name, instance, style, &CWnd::windowProcOf<T>);
}

// One message on its way to a handler: result is the answer of a handled
// message.
struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

// The client point of a mouse message.
inline POINT mousePoint(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// An entry of a message map: which messages it takes and the handler it
// calls. Built with the on... functions below; each handler returns a Reply,
// or nothing when it always handles its message with the answer 0.
struct MessageMapEntry {
    UINT message;
    UINT firstId;  // command, control, timer or hot-key ids firstId..lastId
    UINT lastId;
    UINT code;  // the notification code of WM_COMMAND and WM_NOTIFY
    bool (*call)(CWnd& window, Message& m);

    bool matches(const Message& m) const;
};

// A class's message map: its entries, then its base class's map.
struct MessageMap {
    const MessageMapEntry* entries;
    std::size_t count;
    const MessageMap* base;

    template <std::size_t N>
    MessageMap(const MessageMapEntry (&e)[N], const MessageMap* base) : entries(e), count(N), base(base)
    {
    }
    MessageMap() : entries(nullptr), count(0), base(nullptr) {}

    // Hands m to the first entry, most derived class first, that takes it;
    // no other entry sees it. False when none takes it or its handler
    // passed it on.
    bool dispatch(CWnd& window, Message& m) const;
};

namespace message_map_detail {

template <class>
struct MemberOf;
template <class T, class R, class... A>
struct MemberOf<R (T::*)(A...)> {
    using Class = T;
    using Result = R;
};

// What the handler's return value says: a Reply as it says; nothing, handled
// with 0.
template <class R, class F>
bool finish(Message& m, F&& f)
{
    static_assert(std::is_same_v<R, Reply> || std::is_void_v<R>, "a handler returns a Reply or nothing");
    if constexpr (std::is_same_v<R, Reply>) {
        const Reply reply = f();
        m.result = reply.result();
        return reply.isHandled();
    } else {
        f();
        m.result = 0;
        return true;
    }
}

// Calls handler with what it takes of the message: the decoded arguments
// args, or nothing.
template <auto handler, class... Args>
bool call(CWnd& window, Message& m, Args... args)
{
    using T = typename MemberOf<decltype(handler)>::Class;
    using R = typename MemberOf<decltype(handler)>::Result;
    T& self = static_cast<T&>(window);
    if constexpr (std::is_invocable_v<decltype(handler), T&, Args...>) {
        return finish<R>(m, [&] { return (self.*handler)(args...); });
    } else {
        static_assert(std::is_invocable_v<decltype(handler), T&>, "unsupported handler signature");
        return finish<R>(m, [&] { return (self.*handler)(); });
    }
}

template <auto handler>
bool command(CWnd& w, Message& m)
{
    return call<handler>(w, m, static_cast<UINT>(LOWORD(m.wParam)));
}
template <auto handler>
bool notify(CWnd& w, Message& m)
{
    return call<handler>(w, m, reinterpret_cast<NMHDR*>(m.lParam));
}
template <auto handler>
bool timer(CWnd& w, Message& m)
{
    return call<handler>(w, m, static_cast<UINT_PTR>(m.wParam));
}
template <auto handler>
bool mouse(CWnd& w, Message& m)
{
    return call<handler>(w, m, mousePoint(m.lParam));
}
template <auto handler>
bool parameters(CWnd& w, Message& m)
{
    return call<handler>(w, m, m.wParam, m.lParam);
}
template <auto handler>
bool ctlColor(CWnd& w, Message& m)
{
    return call<handler>(w, m, reinterpret_cast<HDC>(m.wParam), reinterpret_cast<HWND>(m.lParam));
}
template <auto handler>
bool windowPos(CWnd& w, Message& m)
{
    return call<handler>(w, m, std::ref(*reinterpret_cast<WINDOWPOS*>(m.lParam)));
}
template <auto handler>
bool paint(CWnd& w, Message& m)
{
    const PaintDc dc(w.m_hWnd);
    return call<handler>(w, m, dc.get(), std::cref(dc.dirty()));
}
template <auto handler>
bool printClient(CWnd& w, Message& m)
{
    RECT client = {};
    GetClientRect(w.m_hWnd, &client);
    return call<handler>(w, m, reinterpret_cast<HDC>(m.wParam), std::cref(client));
}

constexpr UINT anyId = 0xFFFFFFFFu;

}  // namespace message_map_detail

// WM_COMMAND of one menu item, button or control: code is the notification
// (0 for menu items and button clicks). Handler: () or (UINT id).
template <auto handler>
MessageMapEntry onCommand(UINT id, UINT code = 0)
{
    return {WM_COMMAND, id, id, code, &message_map_detail::command<handler>};
}
// WM_COMMAND of any id from first to last.
template <auto handler>
MessageMapEntry onCommandRange(UINT first, UINT last, UINT code = 0)
{
    return {WM_COMMAND, first, last, code, &message_map_detail::command<handler>};
}
// WM_NOTIFY of control id with code. Handler: (NMHDR*).
template <auto handler>
MessageMapEntry onNotify(UINT id, UINT code)
{
    return {WM_NOTIFY, id, id, code, &message_map_detail::notify<handler>};
}
// WM_TIMER of timer id. Handler: () or (UINT_PTR id).
template <auto handler>
MessageMapEntry onTimer(UINT id)
{
    return {WM_TIMER, id, id, 0, &message_map_detail::timer<handler>};
}
// WM_HOTKEY of the hot key registered as id. Handler: ().
template <auto handler>
MessageMapEntry onHotKey(UINT id)
{
    return {WM_HOTKEY, id, id, 0, &message_map_detail::timer<handler>};
}
// A mouse message. Handler: (POINT), the client point.
template <auto handler>
MessageMapEntry onMouse(UINT message)
{
    return {message, 0, message_map_detail::anyId, 0, &message_map_detail::mouse<handler>};
}
// A WM_CTLCOLOR... message. Handler: (HDC dc, HWND control); the answer of a
// handled one is the brush.
template <auto handler>
MessageMapEntry onCtlColor(UINT message)
{
    return {message, 0, message_map_detail::anyId, 0, &message_map_detail::ctlColor<handler>};
}
// WM_WINDOWPOSCHANGING or WM_WINDOWPOSCHANGED. Handler: (WINDOWPOS&), which
// a change still to come may alter.
template <auto handler>
MessageMapEntry onWindowPos(UINT message)
{
    return {message, 0, message_map_detail::anyId, 0, &message_map_detail::windowPos<handler>};
}
// WM_PAINT: the layer begins and ends the painting (beginning it erases the
// background, as a dialog's own painting does). Handler: (HDC dc, const
// RECT& dirty).
template <auto handler>
MessageMapEntry onPaint()
{
    return {WM_PAINT, 0, message_map_detail::anyId, 0, &message_map_detail::paint<handler>};
}
// WM_PRINTCLIENT: the window's client area drawn on another device context.
// Handler: as onPaint's, with the whole client rectangle as the dirty part.
template <auto handler>
MessageMapEntry onPrintClient()
{
    return {WM_PRINTCLIENT, 0, message_map_detail::anyId, 0, &message_map_detail::printClient<handler>};
}
// Any other message: the program's own (res/Messages.h), one without
// arguments to decode, or one whose two parameters the handler reads as the
// system documents them. Handler: (WPARAM, LPARAM) or ().
template <auto handler>
MessageMapEntry onMessage(UINT message)
{
    return {message, 0, message_map_detail::anyId, 0, &message_map_detail::parameters<handler>};
}

// Declares a window class's message map, in its class body.
#define DECLARE_MESSAGE_MAP() const MessageMap& messageMap() const override

// Defines it: BEGIN_MESSAGE_MAP(CMyDlg, CDialog) entries... END_MESSAGE_MAP()
#define BEGIN_MESSAGE_MAP(Class, Base)                                 \
    const MessageMap& Class::messageMap() const                        \
    {                                                                  \
        const MessageMap* const baseMap = &this->Base::messageMap();   \
        static const MessageMapEntry entries[] = {
#define END_MESSAGE_MAP()                                              \
        };                                                             \
        static const MessageMap map(entries, baseMap);                 \
        return map;                                                    \
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

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange& dx);
    DECLARE_MESSAGE_MAP();

    UINT templateId;
    HWND parentWindow;

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool preTranslate(MSG& msg) const;
    void onOkCommand() { OnOK(); }
    void onCancelCommand() { OnCancel(); }

    bool modalEnded = false;
    INT_PTR modalResult = IDCANCEL;
};

HINSTANCE appInstance();
// A message box owned by owner with the program's GB2312 texts.
int messageBox(HWND owner, const char* text, const char* caption, UINT type);
