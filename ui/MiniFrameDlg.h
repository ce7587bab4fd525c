// The mini-window: the program's only main window. A borderless popup with a
// 15-pixel title strip, the quote page below it and a notice line at the
// bottom; it lives in the notification area and shows or hides on a hot key.
#pragma once

#include "quotes/RefreshWorker.h"
#include "ui/FrameState.h"
#include "ui/TitleStrip.h"
#include "ui/WebBrowser2.h"
#include "winui/ToolTip.h"
#include "winui/TrayIcon.h"
#include "winui/Wnd.h"

#include <atomic>
#include <functional>
#include <string>

class CMiniFrameDlg;
class CSettingsDlg;

// The background work the mini-window starts once it is set up and stops
// when it closes (the refresh worker and the vendor's workers).
class FrameWorkers {
public:
    virtual ~FrameWorkers() = default;
    virtual void start(CMiniFrameDlg& frame) = 0;
    // Asks every worker to stop and waits a little while, answering the
    // calls they carry to the window. False when one is still held up.
    virtual bool stop() = 0;
};

class CMiniFrameDlg : public CDialog {
public:
    explicit CMiniFrameDlg(FrameWorkers& workers, HWND parent = nullptr);
    ~CMiniFrameDlg() override;

    // refreshRequest and secondsSinceRefresh, shared with the refresh worker.
    RefreshShared& refreshShared() { return refresh; }

    // Runs f on the window's thread and waits for it (at most 30 s: then f is
    // withdrawn and never runs); from that thread it simply runs f. The
    // operations below are for that thread.
    bool runOnWindowThread(const std::function<void()>& f) const;

    void showBusyLabel(bool show);
    // Sizes the window and its children to a page of rowCount rows and
    // columnCount columns, then shows it in front.
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s);
    void applyWindowOptions(const UserSettings& s);
    bool navigate(const std::wstring& pagePath);
    // The notice line at the bottom: text, and the link a click on it opens
    // ("" for a plain line).
    void showNotice(const char* text, const char* url);

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
    bool OnEndSession(Message& m);

    void showMiniWindow(bool show);
    void toggleTransparency();
    void registerShowHotKey();
    void openContextMenu();
    void showStrip(bool show);
    void setHoverTimer(HoverTimer action);
    void replaceBackBrush();
    void addTrayIcon();
    void saveState();
    // The hot area of the title strip under a client point.
    StripArea stripAreaAt(POINT p) const;

    FrameWorkers& workers;
    FrameState state;
    Rect screenRect;  // the window's screen rectangle, for the hover timer
    char noticeUrl[260] = {};
    std::atomic<int> noticeLinkActive{0};
    RefreshShared refresh;
    CWnd noticeText;
    CWebBrowser2 browser;
    HICON appIcon = nullptr;
    CToolTipCtrl tooltip;
    HBRUSH backBrush = nullptr;
    Color backColor = defaultBackColor;  // the colour of backBrush
    CTrayIcon trayIcon;
    bool stateSaved = false;
    CSettingsDlg* openSettings = nullptr;  // while the settings dialog is open
};
