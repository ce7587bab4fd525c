// The mini-window: the program's only main window. A borderless popup with a
// 15-pixel title strip, the quote page below it and a notice line at the
// bottom; it lives in the notification area and shows or hides on a hot key.
#pragma once

#include "quotes/RefreshWorker.h"
#include "ui/WebBrowser2.h"
#include "ui/Wnd.h"

#include <shellapi.h>

#include <atomic>
#include <functional>
#include <memory>

class CMiniFrameDlg : public CDialog {
public:
    explicit CMiniFrameDlg(HWND parent = nullptr);
    ~CMiniFrameDlg() override;

    // Operations of the window (user-interface thread).
    void showMiniWindow(bool show);
    void toggleTransparency();
    void applyWindowOptions(const UserSettings& s);
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s);
    void registerShowHotKey();
    void openContextMenu();

    // Runs f on the window's own thread and waits for it; from the window's
    // thread it simply runs f. Returns false when the window is gone.
    bool runOnWindowThread(const std::function<void()>& f);

    RECT screenRect = {};
    char noticeUrl[260] = {};
    std::atomic<int> noticeLinkActive{0};
    RefreshShared refresh;  // refreshRequest and secondsSinceRefresh
    int isTransparent = 0;
    CWnd noticeText;
    CWebBrowser2 browser;
    HICON appIcon = nullptr;
    CToolTipCtrl tooltip;
    int mouseInside = 0;
    HANDLE refreshThread = nullptr;
    HBRUSH backBrush = nullptr;
    Colour backColour = defaultBackColor;  // the colour of backBrush
    NOTIFYICONDATAW trayIcon = {};

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnInitDialog() override;
    bool OnMessage(Message& m) override;

private:
    static const MessageMapEntry<CMiniFrameDlg> messageMap[];

    bool OnPaint(Message& m);
    bool OnQueryDragIcon(Message& m);
    bool OnLButtonDown(Message& m);
    bool OnDestroy(Message& m);
    bool OnTransparent(Message& m);
    bool OnTimer(Message& m);
    bool OnSettings(Message& m);
    bool OnExit(Message& m);
    bool OnCtlColor(Message& m);
    bool OnMouseMove(Message& m);
    bool OnAbout(Message& m);
    bool OnRefresh(Message& m);
    bool OnRButtonUp(Message& m);
    bool OnAutoUpgrade(Message& m);
    bool OnMove(Message& m);
    bool OnHomePage(Message& m);
    bool OnFirstShowDone(Message& m);
    bool OnWindowPosChanging(Message& m);
    bool OnHotKey(Message& m);
    bool OnTrayNotify(Message& m);
    bool OnWindowThreadCall(Message& m);

    void startRefreshWorker();
    bool stopRefreshWorker();
    void showStrip(bool show);
    void restartHoverTimer(bool run);
    void replaceBackBrush();
    void trayAdd();
    void trayDelete();
    // The hot area of the title strip under a client point: 0 none, else
    // one of the strip areas (see MiniFrameDlg.cpp).
    int stripAreaAt(POINT p) const;

    bool hideFirstShow = false;    // start-hidden rule, see OnWindowPosChanging
    bool hideFirstLayout = false;

    struct Worker;
    std::unique_ptr<Worker> worker;
};

// The one mini-window of the process; set by its constructor.
extern CMiniFrameDlg* mainDlg;
// Full path of the page file (zebtmp.htm).
extern std::string pagePath;
