// The page display of the mini-window: control 1036, a child window of the
// class "ZebWebBrowser". On creation it embeds the system's WebBrowser
// control (COM in-place activation, with this file's client site); where
// that control cannot be created the built-in page view (ui/PageViewWnd.h)
// draws the page instead.
#pragma once

#include <windows.h>

#include <string>

struct PageLayout;
struct QuotePageModel;

class CWebBrowser2 {
public:
    // The window class to name in a dialog template.
    static constexpr const wchar_t* windowClass = L"ZebWebBrowser";

    // Registers windowClass; call once before the dialog is created, with
    // COM initialised (OleInitialize) on the thread that creates it.
    static bool registerClass(HINSTANCE instance);

    CWebBrowser2() = default;
    explicit CWebBrowser2(HWND window) : hwnd(window) {}
    void attach(HWND window) { hwnd = window; }
    HWND window() const { return hwnd; }

    // Shows the quote page: the control loads its file at path (a full
    // path); the built-in view draws page. False when the file cannot be
    // read (the built-in view then shows an empty page) or the control
    // refuses it. From another thread the call is carried out on the
    // window's own thread and waits for it.
    bool Navigate(const std::wstring& path, const QuotePageModel& page) const;

    // While crisp, the built-in view draws its text without anti-aliasing,
    // so that every pixel is exactly one of the page's colours: for the
    // transparent mode, where only the exact key colour vanishes. Off again
    // gives smooth text. Any thread; no effect on the WebBrowser control.
    void setCrispText(bool crisp) const;

    // The built-in view's current layout, in client pixels; null when the
    // control shows the page. For the window's own thread.
    const PageLayout* pageLayout() const;

    // What a click on a link of the built-in view does with an http:// or
    // https:// address; other addresses are never passed on. Opens the
    // default browser unless replaced; null restores that. For the window's
    // own thread.
    using LinkOpener = void (*)(const std::string& address);
    void setLinkOpener(LinkOpener opener) const;

private:
    HWND hwnd = nullptr;
};
