// The mini-window: the program's only main window. A borderless popup with a
// 15-pixel title strip, the quote page below it and a notice line at the
// bottom; it lives in the notification area and shows or hides on a hot key.
// Its sizes are for 96 DPI and scale with the DPI of the monitor it is on.
#pragma once

#include "quotes/RefreshWorker.h"
#include "ui/FrameBackground.h"
#include "ui/FrameCommands.h"
#include "ui/FrameIcons.h"
#include "ui/FrameNotice.h"
#include "ui/FramePlacement.h"
#include "ui/FrameShowing.h"
#include "ui/FrameState.h"
#include "ui/FrameStrip.h"
#include "ui/FrameTray.h"
#include "ui/ProgramState.h"
#include "ui/WebBrowser2.h"
#include "winui/Wnd.h"

#include <string>

// The program around the mini-window (the application object): it starts
// the background work once the window is set up, keeps the window's record
// and stops the work when the window goes.
class FrameHost {
public:
    virtual ~FrameHost() = default;
    // The window is placed and its settings applied; the tray icon and the
    // hot key come next.
    virtual void windowReady() = 0;
    // The window's rectangle and transparency to keep: at the end of the
    // session, or when the window closes, whichever comes first.
    virtual void saveWindow(const Rect& window, bool transparent) = 0;
    // The window is being destroyed, with everything saved.
    virtual void windowClosing() = 0;
};

class CMiniFrameDlg : public CDialog {
public:
    CMiniFrameDlg(FrameHost& host, ProgramState& program, RefreshRequests& refresh, HWND parent = nullptr);

    // For the window's thread: the workers carry their calls there with
    // runOnWindowThread (winui/WindowThreadCall.h).
    void showBusyLabel(bool show);
    // Sizes the window and its children to a page of rowCount rows and
    // columnCount columns, then shows it in front.
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s);
    void applyWindowOptions(const UserSettings& s);
    bool navigate(const std::wstring& pagePath, const QuotePageModel& page)
    {
        return browser.Navigate(pagePath, page);
    }
    // The notice line at the bottom: text, and the link a click on it opens
    // ("" for a plain line).
    void showNotice(const char* text, const char* url) { notice.show(text, url); }
    // Fired price alerts (GB2312 text), in a balloon from the tray icon.
    void showAlert(const std::string& text) { tray.showAlert(text); }

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnInitDialog() override;
    // The close area and "退出": an update the user follows is stopped first.
    void OnCancel() override;
    DECLARE_MESSAGE_MAP();

private:
    // What the window's parts answer alone.
    void OnPaint(HDC dc, const RECT&) { icons.paintMinimised(m_hWnd, dc); }
    Reply OnQueryDragIcon() { return Reply::handled(reinterpret_cast<LRESULT>(icons.dragIcon())); }
    Reply OnCtlColorDlg(HDC, HWND) { return background.windowColour(); }
    Reply OnCtlColorStatic(HDC dc, HWND control) { return background.staticColour(dc, control); }
    Reply OnMove()
    {
        placement.moved();
        return Reply::passOn();
    }
    void OnFirstShowDone() { state.firstShowDone(); }
    Reply OnWindowPosChanging(WINDOWPOS& pos)
    {
        showing.positionChanging(pos);
        return Reply::passOn();
    }
    Reply OnHoverTimer()
    {
        return strip.hoverTick(placement.screenRect(), state) ? Reply::passOn() : Reply::handled();
    }
    Reply OnTaskbarCreated()
    {
        tray.taskbarCreated();
        return Reply::passOn();
    }
    Reply OnRButtonUp(POINT)
    {
        tray.openMenu();
        return Reply::passOn();
    }
    Reply OnDpiChanged(int newDpi, const RECT* suggested) override
    {
        return placement.dpiChanged(newDpi, suggested, program.settings.copy());
    }

    Reply OnMouseMove(POINT p);
    Reply OnLButtonDown(POINT p);
    void OnHotKey() { showing.show(tray.hotKeyPressed(IsWindowVisible())); }
    Reply OnTrayNotify(WPARAM, LPARAM mouseMessage);
    void OnEndSession(WPARAM ending, LPARAM);
    Reply OnDestroy();

    void OnTrayRetry() { tray.retryAdd(); }
    void OnTransparent() { background.toggleTransparency(program.settings.copy()); }
    void OnDiscreet()
    {
        commands.toggleDiscreet();
        refresh.requestSettingsApplied();  // the table may lose or gain a column
    }
    void OnInitMenuPopup(WPARAM menu, LPARAM);
    void OnRefresh() { refresh.requestRefresh(); }
    void OnSettings();
    void OnAbout() { commands.showAbout(); }
    void OnHomePage() { commands.openHomePage(); }
    void OnAutoUpgrade();
    void OnExit();

    void saveState();

    FrameHost& host;
    ProgramState& program;
    RefreshRequests& refresh;
    FrameState state;
    FrameTray tray{state, program.settings};
    FrameStrip strip{*this};
    FrameCommands commands{program};
    FrameNotice notice{*this};
    CWebBrowser2 browser;
    FrameBackground background{*this, state, strip, browser};
    FramePlacement placement{*this};
    FrameShowing showing{*this, state, strip, refresh, program.settings};
    FrameIcons icons;
    bool stateSaved = false;
};
