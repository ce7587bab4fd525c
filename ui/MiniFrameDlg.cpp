#include "ui/MiniFrameDlg.h"

#include "res/Messages.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CMiniFrameDlg, CDialog)
    onPaint<&CMiniFrameDlg::OnPaint>(),
    onMessage<&CMiniFrameDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
    onCtlColor<&CMiniFrameDlg::OnCtlColorDlg>(WM_CTLCOLORDLG),
    onCtlColor<&CMiniFrameDlg::OnCtlColorStatic>(WM_CTLCOLORSTATIC),
    onMouse<&CMiniFrameDlg::OnMouseMove>(WM_MOUSEMOVE),
    onMouse<&CMiniFrameDlg::OnLButtonDown>(WM_LBUTTONDOWN),
    onMouse<&CMiniFrameDlg::OnRButtonUp>(WM_RBUTTONUP),
    onMessage<&CMiniFrameDlg::OnMove>(WM_MOVE),
    onWindowPos<&CMiniFrameDlg::OnWindowPosChanging>(WM_WINDOWPOSCHANGING),
    onMessage<&CMiniFrameDlg::OnFirstShowDone>(WM_FIRST_SHOW_DONE),
    onTimer<&CMiniFrameDlg::OnHoverTimer>(HOVER_TIMER_ID),
    onTimer<&CMiniFrameDlg::OnTrayRetry>(TRAY_RETRY_TIMER_ID),
    onHotKey<&CMiniFrameDlg::OnHotKey>(SHOW_HOTKEY_ID),
    onMessage<&CMiniFrameDlg::OnTrayNotify>(WM_TRAYNOTIFY),
    onMessage<&CMiniFrameDlg::OnTaskbarCreated>(taskbarCreatedMessage()),
    onCommand<&CMiniFrameDlg::OnTransparent>(ID_TRANSPARENT),
    onCommand<&CMiniFrameDlg::OnDiscreet>(ID_DISCREET),
    onMessage<&CMiniFrameDlg::OnInitMenuPopup>(WM_INITMENUPOPUP),
    onCommand<&CMiniFrameDlg::OnRefresh>(ID_REFRESH),
    onCommand<&CMiniFrameDlg::OnSettings>(ID_SETTINGS),
    onCommand<&CMiniFrameDlg::OnAbout>(ID_ABOUT),
    onCommand<&CMiniFrameDlg::OnHomePage>(ID_HOME_PAGE),
    onCommand<&CMiniFrameDlg::OnAutoUpgrade>(ID_AUTO_UPGRADE),
    onCommand<&CMiniFrameDlg::OnExit>(ID_EXIT),
    onMessage<&CMiniFrameDlg::OnEndSession>(WM_ENDSESSION),
    onMessage<&CMiniFrameDlg::OnDestroy>(WM_DESTROY),
END_MESSAGE_MAP()

CMiniFrameDlg::CMiniFrameDlg(FrameHost& host, ProgramState& program, RefreshRequests& refresh, HWND parent)
    : CDialog(IDD_MINIFRAME, parent),
      host(host),
      program(program),
      refresh(refresh)
{
}

// ---- what the workers have carried to the window's thread

void CMiniFrameDlg::showBusyLabel(bool show)
{
    GetDlgItem(IDC_BUSY).ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CMiniFrameDlg::resizeToQuotes(int rowCount, int columnCount, const UserSettings& s)
{
    placement.fitQuotes(rowCount, columnCount, s);
    showing.relayoutDone();
}

void CMiniFrameDlg::applyWindowOptions(const UserSettings& s)
{
    const WindowOptions options = decideWindowOptions(s, state.transparent());
    SetWindowPos(m_hWnd, options.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    strip.setHoverTimer(options.hoverTimer ? HoverTimer::start : HoverTimer::stop);
}

// ---- initialisation

void CMiniFrameDlg::DoDataExchange(DataExchange&)
{
    if (!browser.window())
        browser.attach(GetDlgItem(IDC_BROWSER).m_hWnd);
}

BOOL CMiniFrameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const HICON trayIcon = icons.attach(m_hWnd);
    placement.takeScale();

    strip.create();

    // Held back: the modal run's own showing (done once the posted message
    // below comes through the loop) and the first re-layout's.
    const UserSettings settings = program.settings.copy();
    if (settings.optionFlags & hideAtStart)
        state.holdStartUpShowings();
    PostMessageW(m_hWnd, WM_FIRST_SHOW_DONE, 0, 0);
    background.takeColor(settings);
    placement.restore(program.windowState.windowRect);
    if (program.windowState.transparent != 0)
        background.toggleTransparency(settings);

    refresh.requestSettingsApplied();
    host.windowReady();
    tray.create(m_hWnd, trayIcon);
    tray.registerHotKey();
    return TRUE;
}

// ---- the title strip, dragging and the notice line

BOOL CMiniFrameDlg::PreTranslateMessage(MSG* msg)
{
    strip.relayEvent(msg);
    return FALSE;
}

Reply CMiniFrameDlg::OnMouseMove(POINT p)
{
    SetForegroundWindow(m_hWnd);
    if (p.y < placement.stripHeight())
        return strip.mouseMoved(p, refresh) ? Reply::passOn() : Reply::handled();
    if (!notice.mouseMoved(p))
        strip.mouseLeft();
    return Reply::passOn();
}

Reply CMiniFrameDlg::OnLButtonDown(POINT p)
{
    if (p.y >= placement.stripHeight()) {
        notice.clicked(p);
        return Reply::passOn();
    }
    switch (strip.areaAt(p)) {
    case StripArea::hide:
        showing.show(false);
        break;
    case StripArea::menu:
        tray.openMenu();
        break;
    case StripArea::close:
        OnCancel();
        break;
    case StripArea::refresh:
        refresh.requestRefresh();
        break;
    case StripArea::none:
        PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
        break;
    }
    return Reply::passOn();
}

// ---- tray icon and hot key

Reply CMiniFrameDlg::OnTrayNotify(WPARAM, LPARAM mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        showing.show(true);
        tray.addIcon();
    } else if (mouseMessage == WM_RBUTTONUP) {
        tray.openMenu();
    }
    return Reply::passOn();
}

// ---- commands

// The menu ticks the discreet look while it is on.
void CMiniFrameDlg::OnInitMenuPopup(WPARAM menu, LPARAM)
{
    CheckMenuItem(reinterpret_cast<HMENU>(menu), ID_DISCREET,
                  MF_BYCOMMAND | (program.discreet ? MF_CHECKED : MF_UNCHECKED));
}

void CMiniFrameDlg::OnSettings()
{
    // One settings dialog at a time: the tray menu still works while one is
    // open. The hot key is released meanwhile so that it can be pressed in
    // the dialog's hot-key field.
    if (commands.settingsOpen()) {
        commands.editSettings(m_hWnd);
        return;
    }
    tray.unregisterHotKey();
    if (commands.editSettings(m_hWnd)) {
        const UserSettings settings = program.settings.copy();
        background.takeColor(settings);
        showBusyLabel(true);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        background.rekey(settings);
        refresh.requestSettingsApplied();
    }
    tray.registerHotKey();
}

void CMiniFrameDlg::OnAutoUpgrade()
{
    // The usual close, which saves everything, while ZebUpdater waits.
    const bool wasBlocked = program.versionBlocked != 0;
    if (commands.updateFromMenu(m_hWnd))
        OnOK();
    else if (wasBlocked && program.versionBlocked == 0)
        refresh.requestSettingsApplied();  // the demand was lifted: the quotes take the upgrade page's place
}

void CMiniFrameDlg::OnCancel()
{
    commands.stopUpdate();
    CDialog::OnCancel();
}

void CMiniFrameDlg::OnExit()
{
    if (IsIconic(m_hWnd))
        OpenIcon(m_hWnd);
    OnCancel();
}

// ---- closing

// The window's record, kept once: at the end of the session or when the
// window closes, whichever comes first.
void CMiniFrameDlg::saveState()
{
    if (stateSaved)
        return;
    stateSaved = true;
    host.saveWindow(toRect(GetWindowRect()), state.transparent());
}

// At the end of the session the system ends the process after this message
// without destroying any window.
void CMiniFrameDlg::OnEndSession(WPARAM ending, LPARAM)
{
    if (ending)
        saveState();
}

Reply CMiniFrameDlg::OnDestroy()
{
    saveState();
    tray.remove();
    host.windowClosing();
    return Reply::passOn();
}
