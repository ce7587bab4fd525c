// The mini-window: the program's only main window. A borderless popup with a
// 15-pixel title strip, the quote page below it and a notice line at the
// bottom; it lives in the notification area and shows or hides on a hot key.
// Its sizes are for 96 DPI and scale with the DPI of the monitor it is on.
#pragma once

#include "quotes/RefreshWorker.h"
#include "quotes/WindowLayout.h"
#include "ui/FrameCommands.h"
#include "ui/FrameState.h"
#include "ui/FrameStrip.h"
#include "ui/FrameTray.h"
#include "ui/WebBrowser2.h"
#include "winui/Handles.h"
#include "winui/LinkLabel.h"
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
    CMiniFrameDlg(FrameHost& host, RefreshRequests& refresh, HWND parent = nullptr);

    // For the window's thread: the workers carry their calls there with
    // runOnWindowThread (winui/WindowThreadCall.h).
    void showBusyLabel(bool show);
    // Sizes the window and its children to a page of rowCount rows and
    // columnCount columns, then shows it in front.
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s);
    void applyWindowOptions(const UserSettings& s);
    bool navigate(const std::wstring& pagePath, const QuotePageModel& page);
    // The notice line at the bottom: text, and the link a click on it opens
    // ("" for a plain line).
    void showNotice(const char* text, const char* url);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnInitDialog() override;
    // The close area and "退出": an update the user follows is stopped first.
    void OnCancel() override;
    DECLARE_MESSAGE_MAP();

private:
    bool OnPaint();
    void OnQueryDragIcon(Message& m);
    bool OnCtlColor(Message& m);
    bool OnMouseMove(POINT p);
    bool OnLButtonDown(POINT p);
    bool OnRButtonUp(POINT p);
    bool OnMove();
    void OnFirstShowDone();
    bool OnWindowPosChanging(Message& m);
    bool OnHoverTimer();
    bool OnTaskbarCreated();
    void OnHotKey(Message& m);
    bool OnTrayNotify(Message& m);
    void OnEndSession(Message& m);
    bool OnDestroy();
    bool OnDpiChanged(int newDpi, const RECT* suggested) override;

    void OnTrayRetry() { tray.retryAdd(); }
    void OnTransparent() { toggleTransparency(); }
    void OnRefresh() { refresh.requestRefresh(); }
    void OnSettings();
    void OnAbout() { commands.showAbout(); }
    void OnHomePage() { commands.openHomePage(); }
    void OnAutoUpgrade();
    void OnExit();

    void showMiniWindow(bool show);
    void comeForward();
    void toggleTransparency();
    void replaceBackBrush();
    void saveState();
    void placeChildren(const QuoteWindowLayout& layout);
    // The strip's bitmaps and the text lines' font for the window's DPI.
    void applyDpi();

    FrameHost& host;
    RefreshRequests& refresh;
    FrameState state;
    FrameTray tray{state};
    FrameStrip strip{*this};
    FrameCommands commands;
    Rect screenRect;  // the window's screen rectangle, for the hover timer
    std::string noticeUrl;
    CLinkLabel noticeLink;  // the notice line, a link while the notice has one
    CWebBrowser2 browser;
    HICON appIcon = nullptr;  // shared: loaded once by the system
    IconHandle smallIcon;     // the system's small-icon size: title and tray
    int dpi = 96;             // of the monitor the window is on
    int lastRows = 0;         // the page the window was last sized to (0: none yet)
    int lastColumns = 0;
    BitmapHandle stripImages[3];  // glyphs, filler, refresh; none at 100 %
    FontHandle textFont;          // the text lines' font after a change of DPI
    BrushHandle backBrush;
    Color backColor = defaultBackColor;  // the colour of backBrush
    bool stateSaved = false;
};
