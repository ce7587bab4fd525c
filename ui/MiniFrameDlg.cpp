#include "ui/MiniFrameDlg.h"

#include "res/resource.h"
#include "settings/LiveSettings.h"
#include "common/Version.h"
#include "update/VendorState.h"
#include "winui/Shell.h"

// Posted during initialisation: arrives once the modal run has shown the window.
static const UINT WM_FIRST_SHOW_DONE = WM_APP + 2;

BEGIN_MESSAGE_MAP(CMiniFrameDlg, CDialog)
    onMessage<&CMiniFrameDlg::OnPaint>(WM_PAINT),
    onMessage<&CMiniFrameDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
    onMessage<&CMiniFrameDlg::OnCtlColor>(WM_CTLCOLORDLG),
    onMessage<&CMiniFrameDlg::OnCtlColor>(WM_CTLCOLORSTATIC),
    onMouse<&CMiniFrameDlg::OnMouseMove>(WM_MOUSEMOVE),
    onMouse<&CMiniFrameDlg::OnLButtonDown>(WM_LBUTTONDOWN),
    onMouse<&CMiniFrameDlg::OnRButtonUp>(WM_RBUTTONUP),
    onMessage<&CMiniFrameDlg::OnMove>(WM_MOVE),
    onMessage<&CMiniFrameDlg::OnWindowPosChanging>(WM_WINDOWPOSCHANGING),
    onMessage<&CMiniFrameDlg::OnFirstShowDone>(WM_FIRST_SHOW_DONE),
    onTimer<&CMiniFrameDlg::OnHoverTimer>(HOVER_TIMER_ID),
    onTimer<&CMiniFrameDlg::OnTrayRetry>(TRAY_RETRY_TIMER_ID),
    onMessage<&CMiniFrameDlg::OnHotKey>(WM_HOTKEY),
    onMessage<&CMiniFrameDlg::OnTrayNotify>(WM_TRAYNOTIFY),
    onMessage<&CMiniFrameDlg::OnTaskbarCreated>(CTrayIcon::taskbarCreatedMessage()),
    onCommand<&CMiniFrameDlg::OnTransparent>(ID_TRANSPARENT),
    onCommand<&CMiniFrameDlg::OnRefresh>(ID_REFRESH),
    onCommand<&CMiniFrameDlg::OnSettings>(ID_SETTINGS),
    onCommand<&CMiniFrameDlg::OnAbout>(ID_ABOUT),
    onCommand<&CMiniFrameDlg::OnHomePage>(ID_HOME_PAGE),
    onCommand<&CMiniFrameDlg::OnAutoUpgrade>(ID_AUTO_UPGRADE),
    onCommand<&CMiniFrameDlg::OnExit>(ID_EXIT),
    onMessage<&CMiniFrameDlg::OnEndSession>(WM_ENDSESSION),
    onMessage<&CMiniFrameDlg::OnDestroy>(WM_DESTROY),
END_MESSAGE_MAP()

CMiniFrameDlg::CMiniFrameDlg(FrameHost& host, RefreshRequests& refresh, HWND parent)
    : CDialog(IDD_MINIFRAME, parent),
      host(host),
      refresh(refresh),
      noticeLink(*this, IDC_NOTICE, CLinkLabel::dialogColours),
      appIcon(LoadIconW(appInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
    noticeLink.setActive(false);
}

// ---- what the workers have carried to the window's thread

static int controlOf(FramePart part)
{
    switch (part) {
    case FramePart::page:
        return IDC_BROWSER;
    case FramePart::notice:
        return IDC_NOTICE;
    case FramePart::busyLabel:
        return IDC_BUSY;
    case FramePart::stripFill:
        return IDC_STRIP_FILL;
    case FramePart::refreshButton:
        break;
    }
    return IDC_REFRESH;
}

void CMiniFrameDlg::showBusyLabel(bool show)
{
    GetDlgItem(IDC_BUSY).ShowWindow(show ? SW_SHOW : SW_HIDE);
}

bool CMiniFrameDlg::navigate(const std::wstring& pagePath, const QuotePageModel& page)
{
    return browser.Navigate(pagePath, page);
}

void CMiniFrameDlg::showNotice(const char* text, const char* url)
{
    noticeUrl = url;
    GetDlgItem(IDC_NOTICE).SetWindowText(text);
    noticeLink.setActive(!noticeUrl.empty());
}

void CMiniFrameDlg::resizeToQuotes(int rowCount, int columnCount, const UserSettings& s)
{
    lastRows = rowCount;
    lastColumns = columnCount;
    placeChildren(layoutForQuotes(toRect(GetWindowRect()), rowCount, columnCount, s, dpi));
    for (int command : relayoutShowSequence)
        ShowWindow(command);
    comeForward();
    state.relayoutDone();
}

// A prompt or dialog of the program's own, which holds the window disabled
// while it is up, keeps the front: a refresh does not take it away.
void CMiniFrameDlg::comeForward()
{
    SetForegroundWindow(IsWindowEnabled(m_hWnd) ? m_hWnd : GetLastActivePopup(m_hWnd));
}

void CMiniFrameDlg::placeChildren(const QuoteWindowLayout& layout)
{
    const Rect& w = layout.window;
    screenRect = w;
    MoveWindow(w.left, w.top, w.width(), w.height(), true);
    for (const ChildPlacement& child : layout.children)
        GetDlgItem(controlOf(child.part)).MoveWindow(child.x, child.y, child.width, child.height, true);
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

static BOOL CALLBACK addWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<Rect>*>(list)->push_back(toRect(info.rcWork));
    return TRUE;
}

// The work areas of the monitors attached now.
static std::vector<Rect> monitorWorkAreas()
{
    std::vector<Rect> areas;
    EnumDisplayMonitors(nullptr, nullptr, addWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

BOOL CMiniFrameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    dpi = GetDpi();
    smallIcon.reset(static_cast<HICON>(LoadImageW(appInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                  LR_DEFAULTCOLOR)));
    const HICON trayIcon = smallIcon ? smallIcon.get() : appIcon;
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(trayIcon));
    applyDpi();

    strip.create();

    // Held back: the modal run's own showing (done once the posted message
    // below comes through the loop) and the first re-layout's.
    if (currentSettings().optionFlags & hideAtStart)
        state.holdStartUpShowings();
    PostMessageW(m_hWnd, WM_FIRST_SHOW_DONE, 0, 0);
    replaceBackBrush();

    // Each saved coordinate counts only when it lies on the screen, and a
    // window that ends up on no monitor's work area comes onto the nearest.
    const Rect placed =
        keptOnScreen(restoredPosition(toRect(GetWindowRect()), windowState.windowRect,
                                      GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN)),
                     monitorWorkAreas());
    MoveWindow(placed.left, placed.top, placed.width(), placed.height(), true);
    screenRect = toRect(GetWindowRect());
    const int glyphsWidth = scaleForDpi(50, dpi);
    GetDlgItem(IDC_STRIP_FILL).MoveWindow(glyphsWidth, 0, placed.width() - glyphsWidth, stripHeightFor(dpi));

    if (windowState.transparent != 0)
        toggleTransparency();

    refresh.requestSettingsApplied();
    host.windowReady();
    tray.create(m_hWnd, trayIcon);
    tray.registerHotKey();
    return TRUE;
}

// ---- the monitor's scale

void CMiniFrameDlg::applyDpi()
{
    // At 96 DPI the template's own bitmaps stay, until the window has been
    // on another scale.
    if (dpi == defaultDpi && !stripImages[0])
        return;
    const int percent = stripImagePercent(dpi);
    const int step = (percent - 100) / 50 * IDB_STRIP_SCALED_STEP;
    const int controls[] = {IDC_STRIP, IDC_STRIP_FILL, IDC_REFRESH};
    const int images[] = {IDB_STRIP, IDB_STRIP_FILL, IDB_REFRESH};
    for (int i = 0; i < 3; ++i) {
        BitmapHandle image(static_cast<HBITMAP>(
            LoadImageW(appInstance(), MAKEINTRESOURCEW(images[i] + step), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
        if (!image)
            continue;
        SendDlgItemMessageW(m_hWnd, controls[i], STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(image.get()));
        stripImages[i] = std::move(image);
    }
    // Between the bitmaps' scales the strip is taller than they are: they
    // stand centred in it, the rest in their top row's shade.
    const bool between = imageDpi(dpi) != dpi;
    for (int id : {IDC_STRIP, IDC_REFRESH}) {
        const HWND control = GetDlgItem(id).m_hWnd;
        const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        SetWindowLongPtrW(control, GWL_STYLE, between ? style | SS_CENTERIMAGE : style & ~SS_CENTERIMAGE);
    }
    GetDlgItem(IDC_STRIP).MoveWindow(0, 0, scaleForDpi(50, imageDpi(dpi)), stripHeightFor(dpi));
}

// Another monitor: the system's rectangle for it, the layout, the strip's
// bitmaps and the text lines' font at its scale. The page view lays itself
// out again when it is resized; the next refresh sizes at the new scale.
bool CMiniFrameDlg::OnDpiChanged(int newDpi, const RECT* suggested)
{
    if (!suggested)
        return false;
    dpi = newDpi;
    applyDpi();
    textFont.reset(CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE,
                               widen("宋体").c_str()));
    for (int id : {IDC_NOTICE, IDC_BUSY})
        SendDlgItemMessageW(m_hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
    const Rect at = toRect(*suggested);
    if (lastRows > 0) {
        placeChildren(layoutForQuotes(at, lastRows, lastColumns, currentSettings(), dpi));
    } else {
        MoveWindow(at.left, at.top, at.width(), at.height(), true);
        const int glyphsWidth = scaleForDpi(50, dpi);
        GetDlgItem(IDC_STRIP_FILL).MoveWindow(glyphsWidth, 0, at.width() - glyphsWidth, stripHeightFor(dpi));
        screenRect = toRect(GetWindowRect());
    }
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

// ---- painting and colours

// The background colour and its brush, taken from the live settings.
void CMiniFrameDlg::replaceBackBrush()
{
    backColor = backgroundColor(currentSettings());
    backBrush.reset(CreateSolidBrush(backColor));
}

bool CMiniFrameDlg::OnPaint()
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

void CMiniFrameDlg::OnQueryDragIcon(Message& m)
{
    m.result = reinterpret_cast<LRESULT>(appIcon);
}

bool CMiniFrameDlg::OnCtlColor(Message& m)
{
    if (m.message == WM_CTLCOLORSTATIC) {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(m.lParam));
        if (id != IDC_NOTICE && id != IDC_BUSY)
            return false;
        HDC dc = reinterpret_cast<HDC>(m.wParam);
        SetBkColor(dc, backColor);
        SetTextColor(dc, 0xFFFFFF - backColor);
    }
    m.result = reinterpret_cast<LRESULT>(backBrush.get());
    return true;
}

// ---- the title strip, dragging and the notice link

BOOL CMiniFrameDlg::PreTranslateMessage(MSG* msg)
{
    strip.relayEvent(msg);
    return FALSE;
}

bool CMiniFrameDlg::OnMouseMove(POINT p)
{
    SetForegroundWindow(m_hWnd);
    if (p.y < stripHeightFor(dpi))
        return !strip.mouseMoved(p, refresh.secondsSinceRefresh());
    if (noticeLink.isActive())
        noticeLink.mouseMoved(p);
    else
        strip.mouseLeft();
    return false;
}

bool CMiniFrameDlg::OnLButtonDown(POINT p)
{
    if (p.y >= stripHeightFor(dpi)) {
        if (noticeLink.contains(p)) {
            openWebAddress(noticeUrl);
            showNotice("", "");
        }
        return false;
    }
    switch (strip.areaAt(p)) {
    case StripArea::hide:
        showMiniWindow(false);
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
    return false;
}

bool CMiniFrameDlg::OnRButtonUp(POINT)
{
    tray.openMenu();
    return false;
}

bool CMiniFrameDlg::OnMove()
{
    screenRect = toRect(GetWindowRect());
    return false;
}

void CMiniFrameDlg::OnFirstShowDone()
{
    state.firstShowDone();
}

bool CMiniFrameDlg::OnWindowPosChanging(Message& m)
{
    if (state.holdsBackShowing())
        reinterpret_cast<WINDOWPOS*>(m.lParam)->flags &= ~SWP_SHOWWINDOW;
    return false;
}

// ---- showing, hiding, transparency

void CMiniFrameDlg::showMiniWindow(bool show)
{
    if (show) {
        const HoverTimer timer = state.show((currentSettings().optionFlags & titleOnHover) != 0);
        ShowWindow(SW_SHOWNORMAL);
        comeForward();
        refresh.requestRefresh();
        strip.setHoverTimer(timer);
    } else {
        ShowWindow(SW_HIDE);
        strip.setHoverTimer(state.hide());
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    }
}

void CMiniFrameDlg::toggleTransparency()
{
    const FrameState::Toggle toggle = state.toggleTransparency((currentSettings().optionFlags & titleOnHover) != 0);
    strip.show(toggle.stripShown);
    strip.setHoverTimer(toggle.timer);
    // Only pixels of exactly the key colour vanish: no text edge may blend into it.
    browser.setCrispText(state.transparent());
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, style ^ WS_EX_LAYERED);
    SetLayeredWindowAttributes(m_hWnd, backColor, 0, LWA_COLORKEY);
}

bool CMiniFrameDlg::OnHoverTimer()
{
    POINT cursor;
    GetCursorPos(&cursor);
    const bool inside = screenRect.contains(cursor.x, cursor.y);
    if (!state.hoverChanged(inside))
        return true;
    strip.show(inside);
    return false;
}

// ---- tray icon and hot key

bool CMiniFrameDlg::OnTaskbarCreated()
{
    tray.taskbarCreated();
    return false;
}

void CMiniFrameDlg::OnHotKey(Message& m)
{
    if (m.wParam == SHOW_HOTKEY_ID)
        showMiniWindow(tray.hotKeyPressed(IsWindowVisible()));
}

bool CMiniFrameDlg::OnTrayNotify(Message& m)
{
    if (m.lParam == WM_LBUTTONDBLCLK) {
        showMiniWindow(true);
        tray.addIcon();
    } else if (m.lParam == WM_RBUTTONUP) {
        tray.openMenu();
    }
    return false;
}

// ---- commands

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
        replaceBackBrush();
        showBusyLabel(true);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        if (state.transparent()) {
            toggleTransparency();
            toggleTransparency();
        }
        refresh.requestSettingsApplied();
    }
    tray.registerHotKey();
}

void CMiniFrameDlg::OnAutoUpgrade()
{
    // The usual close, which saves everything, while ZebUpdater waits.
    const bool wasBlocked = versionBlocked != 0;
    if (commands.updateFromMenu(m_hWnd))
        OnOK();
    else if (wasBlocked && versionBlocked == 0)
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
void CMiniFrameDlg::OnEndSession(Message& m)
{
    if (m.wParam)
        saveState();
}

bool CMiniFrameDlg::OnDestroy()
{
    saveState();
    tray.remove();
    host.windowClosing();
    return false;
}
