#include "ui/MiniFrameDlg.h"

#include "quotes/WindowLayout.h"
#include "res/resource.h"
#include "settings/Deployment.h"
#include "settings/LiveSettings.h"
#include "settings/SettingsDlg.h"
#include "settings/Win32Settings.h"
#include "ui/AboutDlg.h"
#include "ui/TitleStrip.h"
#include "update/SelfUpdate.h"
#include "update/Win32Update.h"
#include "winui/Shell.h"
#include "winui/WindowThreadCall.h"

#include <cstdio>

// Posted during initialisation: arrives once the modal run has shown the window.
static const UINT WM_FIRST_SHOW_DONE = WM_APP + 2;

const MessageMapEntry<CMiniFrameDlg> CMiniFrameDlg::messageMap[] = {
    {WM_PAINT, 0, 0, &CMiniFrameDlg::OnPaint},
    {WM_QUERYDRAGICON, 0, 0, &CMiniFrameDlg::OnQueryDragIcon},
    {WM_LBUTTONDOWN, 0, 0, &CMiniFrameDlg::OnLButtonDown},
    {WM_DESTROY, 0, 0, &CMiniFrameDlg::OnDestroy},
    {WM_COMMAND, ID_TRANSPARENT, 0, &CMiniFrameDlg::OnTransparent},
    {WM_TIMER, 0, 0, &CMiniFrameDlg::OnTimer},
    {WM_COMMAND, ID_SETTINGS, 0, &CMiniFrameDlg::OnSettings},
    {WM_COMMAND, ID_EXIT, 0, &CMiniFrameDlg::OnExit},
    {WM_CTLCOLORDLG, 0, 0, &CMiniFrameDlg::OnCtlColor},
    {WM_CTLCOLORSTATIC, 0, 0, &CMiniFrameDlg::OnCtlColor},
    {WM_MOUSEMOVE, 0, 0, &CMiniFrameDlg::OnMouseMove},
    {WM_COMMAND, ID_ABOUT, 0, &CMiniFrameDlg::OnAbout},
    {WM_COMMAND, ID_REFRESH, 0, &CMiniFrameDlg::OnRefresh},
    {WM_RBUTTONUP, 0, 0, &CMiniFrameDlg::OnRButtonUp},
    {WM_COMMAND, ID_AUTO_UPGRADE, 0, &CMiniFrameDlg::OnAutoUpgrade},
    {WM_MOVE, 0, 0, &CMiniFrameDlg::OnMove},
    {WM_COMMAND, ID_HOME_PAGE, 0, &CMiniFrameDlg::OnHomePage},
    {WM_WINDOWPOSCHANGING, 0, 0, &CMiniFrameDlg::OnWindowPosChanging},
    {WM_HOTKEY, 0, 0, &CMiniFrameDlg::OnHotKey},
    {WM_TRAYNOTIFY, 0, 0, &CMiniFrameDlg::OnTrayNotify},
    {WM_WINDOW_THREAD_CALL, 0, 0, &CMiniFrameDlg::OnWindowThreadCall},
    {WM_FIRST_SHOW_DONE, 0, 0, &CMiniFrameDlg::OnFirstShowDone},
    {WM_ENDSESSION, 0, 0, &CMiniFrameDlg::OnEndSession},
};

bool CMiniFrameDlg::OnMessage(Message& m)
{
    // Explorer started anew: its tray has none of the icons.
    if (m.message == CTrayIcon::taskbarCreatedMessage()) {
        if (state.trayIconWanted())
            trayIcon.Add();
        return false;
    }
    return dispatchMessage(*this, messageMap, m);
}

static POINT clientPoint(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// ---- what the workers call

bool CMiniFrameDlg::runOnWindowThread(const std::function<void()>& f) const
{
    return ::runOnWindowThread(m_hWnd, f, 30000);
}

bool CMiniFrameDlg::OnWindowThreadCall(Message& m)
{
    m.result = handleWindowThreadCall(m.lParam);
    return true;
}

void CMiniFrameDlg::showBusyLabel(bool show)
{
    GetDlgItem(IDC_BUSY).ShowWindow(show ? SW_SHOW : SW_HIDE);
}

bool CMiniFrameDlg::navigate(const std::wstring& pagePath)
{
    return browser.Navigate(pagePath);
}

void CMiniFrameDlg::showNotice(const char* text, const char* url)
{
    noticeLinkActive = 0;
    std::snprintf(noticeUrl, sizeof noticeUrl, "%s", url);
    noticeText.SetWindowText(text);
    if (noticeUrl[0])
        noticeLinkActive = 1;
}

// ---- construction and initialisation

CMiniFrameDlg::CMiniFrameDlg(FrameWorkers& workers, HWND parent) : CDialog(IDD_MINIFRAME, parent), workers(workers)
{
    appIcon = LoadIconW(appInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CMiniFrameDlg::~CMiniFrameDlg()
{
    if (backBrush)
        DeleteObject(backBrush);
}

void CMiniFrameDlg::DoDataExchange(DataExchange& dx)
{
    ddxControl(dx, IDC_NOTICE, noticeText);
    if (!browser.window())
        browser.attach(GetDlgItem(IDC_BROWSER).m_hWnd);
}

// The background colour and its brush, taken from the live settings.
void CMiniFrameDlg::replaceBackBrush()
{
    HBRUSH old = backBrush;
    backColor = backgroundColor(currentSettings());
    backBrush = CreateSolidBrush(backColor);
    if (old)
        DeleteObject(old);
}

BOOL CMiniFrameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

    // The settings file and the update files lie in the program's folder.
    wchar_t folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    if (wchar_t* slash = wcsrchr(folder, L'\\'))
        *slash = L'\0';
    SetCurrentDirectoryW(folder);

    tooltip.Create(m_hWnd);
    tooltip.AddTool(versionText);
    tooltip.SetInitialDelay(0);
    tooltip.Activate(false);

    loadLiveSettings();
    const UserSettings settings = currentSettings();
    // Held back: the modal run's own showing (done once the posted message
    // below comes through the loop) and the first re-layout's.
    if (settings.optionFlags & hideAtStart)
        state.holdStartUpShowings();
    PostMessageW(m_hWnd, WM_FIRST_SHOW_DONE, 0, 0);

    replaceBackBrush();

    // Each saved coordinate counts only when it lies on the screen.
    const int cx = GetSystemMetrics(SM_CXFULLSCREEN);
    const int cy = GetSystemMetrics(SM_CYFULLSCREEN);
    RECT r = GetWindowRect();
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const Rect& saved = windowState.windowRect;
    if (saved.top > 0 && saved.top < cy)
        r.top = saved.top;
    if (saved.left > 0 && saved.left < cx)
        r.left = saved.left;
    MoveWindow(r.left, r.top, width, height, true);
    screenRect = toRect(GetWindowRect());

    GetDlgItem(IDC_STRIP_FILL).MoveWindow(50, 0, width - 50, stripHeight);

    if (windowState.transparent != 0)
        toggleTransparency();

    refresh.requestSettingsApplied();
    workers.start(*this);

    trayIcon.Create(m_hWnd, IDR_MAINFRAME, WM_TRAYNOTIFY, appIcon, versionText);
    addTrayIcon();

    registerShowHotKey();
    return TRUE;
}

// ---- painting and colours

bool CMiniFrameDlg::OnPaint(Message&)
{
    if (!IsIconic(m_hWnd))
        return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, appIcon);
    EndPaint(m_hWnd, &ps);
    return true;
}

bool CMiniFrameDlg::OnQueryDragIcon(Message& m)
{
    m.result = reinterpret_cast<LRESULT>(appIcon);
    return true;
}

bool CMiniFrameDlg::OnCtlColor(Message& m)
{
    if (m.message == WM_CTLCOLORDLG) {
        m.result = reinterpret_cast<LRESULT>(backBrush);
        return true;
    }
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(m.lParam));
    if (id != IDC_NOTICE && id != IDC_BUSY)
        return false;
    HDC dc = reinterpret_cast<HDC>(m.wParam);
    SetBkColor(dc, backColor);
    SetTextColor(dc, 0xFFFFFF - backColor);
    m.result = reinterpret_cast<LRESULT>(backBrush);
    return true;
}

// ---- the title strip, dragging and the notice link

StripArea CMiniFrameDlg::stripAreaAt(POINT p) const
{
    return ::stripAreaAt(p.x, p.y, toRect(GetDlgItem(IDC_REFRESH).GetRectInParent()));
}

BOOL CMiniFrameDlg::PreTranslateMessage(MSG* msg)
{
    tooltip.RelayEvent(msg);
    return FALSE;
}

bool CMiniFrameDlg::OnMouseMove(Message& m)
{
    SetForegroundWindow(m_hWnd);
    const POINT p = clientPoint(m.lParam);
    if (p.y < stripHeight) {
        const char* tip = stripTooltip(stripAreaAt(p), refresh.secondsSinceRefresh);
        if (!tip) {
            tooltip.Activate(false);
            return true;
        }
        if (tooltip.GetText() != tip) {
            tooltip.UpdateTipText(tip);
            tooltip.Activate(true);
        }
    } else if (noticeLinkActive == 1) {
        if (toRect(noticeText.GetRectInParent()).contains(p.x, p.y))
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
    } else {
        tooltip.Activate(false);
    }
    return false;
}

bool CMiniFrameDlg::OnLButtonDown(Message& m)
{
    const POINT p = clientPoint(m.lParam);
    if (p.y < stripHeight) {
        switch (stripAreaAt(p)) {
        case StripArea::hide:
            showMiniWindow(false);
            break;
        case StripArea::menu:
            openContextMenu();
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
    } else if (noticeLinkActive == 1 && toRect(noticeText.GetRectInParent()).contains(p.x, p.y)) {
        openWebAddress(noticeUrl);
        noticeText.SetWindowText("");
        noticeLinkActive = 0;
    }
    return false;
}

bool CMiniFrameDlg::OnMove(Message&)
{
    screenRect = toRect(GetWindowRect());
    return false;
}

bool CMiniFrameDlg::OnFirstShowDone(Message&)
{
    state.firstShowDone();
    return true;
}

bool CMiniFrameDlg::OnWindowPosChanging(Message& m)
{
    if (state.holdsBackShowing())
        reinterpret_cast<WINDOWPOS*>(m.lParam)->flags &= ~SWP_SHOWWINDOW;
    return false;
}

// ---- showing, hiding, transparency

void CMiniFrameDlg::showStrip(bool show)
{
    for (int id : {IDC_STRIP, IDC_STRIP_FILL, IDC_REFRESH})
        GetDlgItem(id).ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CMiniFrameDlg::setHoverTimer(HoverTimer action)
{
    if (action == HoverTimer::leave)
        return;
    KillTimer(m_hWnd, HOVER_TIMER_ID);
    if (action == HoverTimer::start)
        SetTimer(m_hWnd, HOVER_TIMER_ID, hoverTimerPeriodMs, nullptr);
}

void CMiniFrameDlg::showMiniWindow(bool show)
{
    if (show) {
        const HoverTimer timer = state.show((currentSettings().optionFlags & titleOnHover) != 0);
        ShowWindow(SW_SHOWNORMAL);
        SetForegroundWindow(m_hWnd);
        refresh.requestRefresh();
        setHoverTimer(timer);
    } else {
        ShowWindow(SW_HIDE);
        setHoverTimer(state.hide());
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    }
}

void CMiniFrameDlg::toggleTransparency()
{
    const FrameState::Toggle toggle = state.toggleTransparency((currentSettings().optionFlags & titleOnHover) != 0);
    showStrip(toggle.stripShown);
    setHoverTimer(toggle.timer);
    // Only pixels of exactly the key colour vanish: no text edge may blend into it.
    browser.setCrispText(state.transparent());
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, style ^ WS_EX_LAYERED);
    SetLayeredWindowAttributes(m_hWnd, backColor, 0, LWA_COLORKEY);
}

bool CMiniFrameDlg::OnTransparent(Message&)
{
    toggleTransparency();
    return true;
}

bool CMiniFrameDlg::OnTimer(Message&)
{
    POINT cursor;
    GetCursorPos(&cursor);
    const bool inside = screenRect.contains(cursor.x, cursor.y);
    if (!state.hoverChanged(inside))
        return true;
    showStrip(inside);
    return false;
}

void CMiniFrameDlg::applyWindowOptions(const UserSettings& s)
{
    const WindowOptions options = decideWindowOptions(s, state.transparent());
    SetWindowPos(m_hWnd, options.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    setHoverTimer(options.hoverTimer ? HoverTimer::start : HoverTimer::stop);
}

void CMiniFrameDlg::resizeToQuotes(int rowCount, int columnCount, const UserSettings& s)
{
    const QuoteWindowLayout layout = layoutForQuotes(toRect(GetWindowRect()), rowCount, columnCount, s);
    const Rect& w = layout.window;
    screenRect = w;
    MoveWindow(w.left, w.top, w.width(), w.height(), true);
    for (const ChildPlacement& child : layout.children)
        GetDlgItem(child.controlId).MoveWindow(child.x, child.y, child.width, child.height, true);
    for (int command : relayoutShowSequence)
        ShowWindow(command);
    SetForegroundWindow(m_hWnd);
    state.relayoutDone();
}

// ---- hot key, tray icon, context menu

void CMiniFrameDlg::registerShowHotKey()
{
    UnregisterHotKey(m_hWnd, SHOW_HOTKEY_ID);
    const UserSettings s = currentSettings();
    if (!RegisterHotKey(m_hWnd, SHOW_HOTKEY_ID, s.hotKeyModifiers, s.hotKeyVirtualKey))
        messageBox(m_hWnd, "热键设置失败,请重新设置。", "提示", MB_ICONINFORMATION | MB_OK);
}

bool CMiniFrameDlg::OnHotKey(Message& m)
{
    if (m.wParam != SHOW_HOTKEY_ID)
        return true;
    const FrameState::HotKey action =
        state.hotKey(IsWindowVisible(), (currentSettings().optionFlags & hotKeyHidesTray) != 0);
    if (action.deleteTrayIcon)
        trayIcon.Delete();
    if (action.addTrayIcon)
        trayIcon.Add();
    showMiniWindow(action.show);
    m.result = 0;
    return true;
}

void CMiniFrameDlg::addTrayIcon()
{
    trayIcon.Add();
    state.trayIconAdded();
}

bool CMiniFrameDlg::OnTrayNotify(Message& m)
{
    if (m.lParam == WM_LBUTTONDBLCLK) {
        showMiniWindow(true);
        addTrayIcon();
    } else if (m.lParam == WM_RBUTTONUP) {
        openContextMenu();
    }
    return false;
}

void CMiniFrameDlg::openContextMenu()
{
    HMENU menu = LoadMenuW(appInstance(), MAKEINTRESOURCEW(IDR_TRAYMENU));
    if (!menu)
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    SetForegroundWindow(m_hWnd);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd, nullptr);
    // A menu of a background window: without a message to the window after
    // it, the next one opened from the tray closes at once.
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

bool CMiniFrameDlg::OnRButtonUp(Message&)
{
    openContextMenu();
    return false;
}

// ---- commands

bool CMiniFrameDlg::OnRefresh(Message&)
{
    refresh.requestRefresh();
    return true;
}

bool CMiniFrameDlg::OnSettings(Message&)
{
    // One settings dialog at a time: the tray menu still works while one is open.
    if (openSettings) {
        SetForegroundWindow(openSettings->GetSafeHwnd());
        return true;
    }
    // The settings dialog edits a working copy; the hot key is released
    // meanwhile so that it can be pressed in the dialog's hot-key field.
    UserSettings working = currentSettings();
    UnregisterHotKey(m_hWnd, SHOW_HOTKEY_ID);
    CSettingsDlg dialog(m_hWnd);
    dialog.setSettings(&working);
    openSettings = &dialog;
    const INT_PTR result = dialog.DoModal();
    openSettings = nullptr;
    if (result == IDOK) {
        replaceUserSettings(working);
        replaceBackBrush();
        showBusyLabel(true);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        if (state.transparent()) {
            toggleTransparency();
            toggleTransparency();
        }
        refresh.requestSettingsApplied();
    }
    registerShowHotKey();
    return true;
}

bool CMiniFrameDlg::OnAbout(Message&)
{
    CAboutDlg about;
    about.DoModal();
    return true;
}

bool CMiniFrameDlg::OnAutoUpgrade(Message&)
{
    // Runs here, on the window's thread: the window does not respond while
    // the downloads run, and the calls the workers carry to it wait (and are
    // withdrawn when they wait too long).
    Win32UpdatePlatform platform;
    const int result = checkAndInstallUpdate(platform.platform(), processUpdateGuard());
    if (result == updateStarted) {
        // The usual close, which saves everything, while ZebUpdater waits.
        OnOK();
        return true;
    }
    const std::string message = updateResultText(result, UpdateCaller::menu);
    if (!message.empty())
        messageBox(m_hWnd, message.c_str(), updateCaption, MB_ICONINFORMATION | MB_OK);
    return true;
}

bool CMiniFrameDlg::OnHomePage(Message&)
{
    openWebAddress(vendorHomePage());
    return true;
}

bool CMiniFrameDlg::OnExit(Message&)
{
    if (IsIconic(m_hWnd))
        OpenIcon(m_hWnd);
    OnCancel();
    return true;
}

// ---- closing

// The window record and the settings, saved once: at the end of the session
// or when the window closes, whichever comes first.
void CMiniFrameDlg::saveState()
{
    if (stateSaved)
        return;
    stateSaved = true;
    windowState.windowRect = toRect(GetWindowRect());
    windowState.transparent = state.transparent() ? 1 : 0;
    saveLiveSettings();
}

// At the end of the session the system ends the process after this message
// without destroying any window.
bool CMiniFrameDlg::OnEndSession(Message& m)
{
    if (m.wParam)
        saveState();
    return true;
}

bool CMiniFrameDlg::OnDestroy(Message&)
{
    saveState();
    trayIcon.Delete();
    UnregisterHotKey(m_hWnd, SHOW_HOTKEY_ID);
    // Everything is saved: a worker still held up by the network ends with
    // the process here, before anything it uses is released.
    if (!workers.stop())
        ExitProcess(0);
    return false;
}
