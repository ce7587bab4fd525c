#include "ui/MiniFrameDlg.h"

#include "quotes/QuoteFeed.h"
#include "quotes/QuotePage.h"
#include "quotes/WinInetTransport.h"
#include "quotes/WindowLayout.h"
#include "res/resource.h"
#include "settings/LiveSettings.h"
#include "settings/Win32Settings.h"
#include "ui/PageView.h"
#include "ui/TitleStrip.h"
#include "update/VendorSite.h"

#include <ctime>

CMiniFrameDlg* mainDlg = nullptr;
std::string pagePath;

// A call carried from a worker thread to the window's thread.
static const UINT WM_WINDOW_THREAD_CALL = WM_APP + 1;
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
};

bool CMiniFrameDlg::OnMessage(Message& m)
{
    return dispatchMessage(*this, messageMap, m);
}

static POINT clientPoint(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

static bool pointIn(const RECT& r, POINT p)
{
    return r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom;
}

// ---- the refresh worker's side

// The window as the refresh worker sees it: every call is carried to the
// window's thread, and none is made once the worker is asked to stop.
class WorkerWindow : public RefreshWindow {
public:
    WorkerWindow(CMiniFrameDlg& dlg, const RefreshShared& shared) : dlg(dlg), shared(shared) {}

    bool isVisible() override { return dlg.IsWindowVisible(); }
    void showBusyLabel(bool show) override
    {
        call([&] { dlg.GetDlgItem(IDC_BUSY).ShowWindow(show ? SW_SHOW : SW_HIDE); });
    }
    void resizeToQuotes(int rowCount, int columnCount, const UserSettings& s) override
    {
        call([&] { dlg.resizeToQuotes(rowCount, columnCount, s); });
    }
    void applyWindowOptions(const UserSettings& s) override
    {
        call([&] { dlg.applyWindowOptions(s); });
    }
    bool navigate(const std::string& path) override
    {
        bool loaded = false;
        call([&] { loaded = dlg.browser.Navigate(path.c_str()); });
        return loaded;
    }

private:
    void call(const std::function<void()>& f)
    {
        if (!shared.stopRequested.load())
            dlg.runOnWindowThread(f);
    }

    CMiniFrameDlg& dlg;
    const RefreshShared& shared;
};

struct CMiniFrameDlg::Worker {
    SystemClock clock;
    WorkerWindow window;
    WinInetTransport transport;
    RefreshWorker loop;

    Worker(CMiniFrameDlg& dlg)
        : window(dlg, dlg.refresh),
          loop(dlg.refresh, clock, window, currentSettings, buildPage(transport), pagePath)
    {
    }

    static RefreshWorker::PageBuilder buildPage(QuoteTransport& transport)
    {
        return [&transport](const UserSettings& s, std::string& page, int& rows, int& columns) {
            return buildQuotePage(s, page, rows, columns, [&](QuoteBatch& batch) {
                return fetchQuotes(s, quoteRequestHeaders, batch, transport, std::time(nullptr));
            });
        };
    }

    static DWORD WINAPI threadMain(void* parameter)
    {
        static_cast<Worker*>(parameter)->loop.run();
        return 0;
    }
};

bool CMiniFrameDlg::runOnWindowThread(const std::function<void()>& f)
{
    if (!m_hWnd)
        return false;
    if (GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId()) {
        f();
        return true;
    }
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(m_hWnd, WM_WINDOW_THREAD_CALL, 0, reinterpret_cast<LPARAM>(&f),
                               SMTO_NORMAL, 30000, &answer) != 0;
}

bool CMiniFrameDlg::OnWindowThreadCall(Message& m)
{
    (*reinterpret_cast<const std::function<void()>*>(m.lParam))();
    m.result = 1;
    return true;
}

void CMiniFrameDlg::startRefreshWorker()
{
    worker = std::make_unique<Worker>(*this);
    refreshThread = CreateThread(nullptr, 0, Worker::threadMain, worker.get(), 0, nullptr);
}

// The worker may be inside a window call or a page build: ask it to stop and
// wait for it while still answering the calls it carries to this thread.
// Returns false when it is still held up (by the network) after the wait.
bool CMiniFrameDlg::stopRefreshWorker()
{
    if (!refreshThread)
        return true;
    worker->loop.requestStop();
    const DWORD deadline = GetTickCount() + 3000;
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD wait = now < deadline ? deadline - now : 0;
        const DWORD r = MsgWaitForMultipleObjects(1, &refreshThread, FALSE, wait, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (WaitForSingleObject(refreshThread, 0) != WAIT_OBJECT_0)
        return false;
    CloseHandle(refreshThread);
    refreshThread = nullptr;
    worker.reset();
    return true;
}

// ---- construction and initialisation

CMiniFrameDlg::CMiniFrameDlg(HWND parent) : CDialog(IDD_MINIFRAME, parent)
{
    appIcon = LoadIconW(appInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    mainDlg = this;
}

CMiniFrameDlg::~CMiniFrameDlg()
{
    if (backBrush)
        DeleteObject(backBrush);
    if (mainDlg == this)
        mainDlg = nullptr;
}

void CMiniFrameDlg::DoDataExchange(DataExchange& dx)
{
    ddxControl(dx, IDC_NOTICE, noticeText);
    if (!browser.window())
        browser.attach(GetDlgItem(IDC_BROWSER).m_hWnd);
}

// The background colour c and its brush, taken from the live settings.
void CMiniFrameDlg::replaceBackBrush()
{
    HBRUSH old = backBrush;
    backColour = backgroundColour(currentSettings());
    backBrush = CreateSolidBrush(backColour);
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
    // With hideAtStart, two showings of start-up are held back: the modal
    // run's own (done once the posted message below comes through the
    // loop) and the first re-layout's; they may come in either order.
    hideFirstShow = hideFirstLayout = (settings.optionFlags & hideAtStart) != 0;
    PostMessageW(m_hWnd, WM_FIRST_SHOW_DONE, 0, 0);

    replaceBackBrush();

    // Each saved coordinate counts only when it lies on the screen.
    const int cx = GetSystemMetrics(SM_CXFULLSCREEN);
    const int cy = GetSystemMetrics(SM_CYFULLSCREEN);
    RECT r = GetWindowRect();
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const WindowRect& saved = windowState.windowRect;
    if (saved.top > 0 && saved.top < cy)
        r.top = saved.top;
    if (saved.left > 0 && saved.left < cx)
        r.left = saved.left;
    MoveWindow(r.left, r.top, width, height, true);
    screenRect = GetWindowRect();

    GetDlgItem(IDC_STRIP_FILL).MoveWindow(50, 0, width - 50, stripHeight);

    if (windowState.transparent != 0)
        toggleTransparency();

    refresh.refreshRequest = 2;
    startRefreshWorker();

    trayIcon.cbSize = sizeof trayIcon;
    trayIcon.hWnd = m_hWnd;
    trayIcon.uID = IDR_MAINFRAME;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = WM_TRAYNOTIFY;
    trayIcon.hIcon = appIcon;
    lstrcpynW(trayIcon.szTip, widen(versionText).c_str(), ARRAYSIZE(trayIcon.szTip));
    trayAdd();

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
    const Colour c = backColour;
    HDC dc = reinterpret_cast<HDC>(m.wParam);
    SetBkColor(dc, c);
    SetTextColor(dc, 0xFFFFFF - c);
    m.result = reinterpret_cast<LRESULT>(backBrush);
    return true;
}

// ---- the title strip, dragging and the notice link

int CMiniFrameDlg::stripAreaAt(POINT p) const
{
    const RECT r = GetDlgItem(IDC_REFRESH).GetRectInParent();
    return static_cast<int>(::stripAreaAt(p.x, p.y, {r.left, r.top, r.right, r.bottom}));
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
        const char* tip = stripTooltip(static_cast<StripArea>(stripAreaAt(p)), refresh.secondsSinceRefresh);
        if (!tip) {
            tooltip.Activate(false);
            return true;
        }
        if (tooltip.GetText() != tip) {
            tooltip.UpdateTipText(tip);
            tooltip.Activate(true);
        }
    } else if (noticeLinkActive == 1) {
        if (pointIn(noticeText.GetRectInParent(), p))
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
        switch (static_cast<StripArea>(stripAreaAt(p))) {
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
            refresh.refreshRequest = 1;
            break;
        case StripArea::none:
            PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
            break;
        }
    } else if (noticeLinkActive == 1 && pointIn(noticeText.GetRectInParent(), p)) {
        if (isWebAddress(noticeUrl))
            ShellExecuteW(nullptr, L"open", widen(noticeUrl).c_str(), nullptr, nullptr, SW_SHOW);
        noticeText.SetWindowText("");
        noticeLinkActive = 0;
    }
    return false;
}

bool CMiniFrameDlg::OnMove(Message&)
{
    screenRect = GetWindowRect();
    return false;
}

// The start-hidden rule: with hideAtStart, the showings of start-up (the
// modal run's own and the one that ends the first re-layout) leave the
// window hidden; a showing the user asks for ends the rule.
bool CMiniFrameDlg::OnFirstShowDone(Message&)
{
    hideFirstShow = false;
    return true;
}

bool CMiniFrameDlg::OnWindowPosChanging(Message& m)
{
    if (hideFirstShow || hideFirstLayout)
        reinterpret_cast<WINDOWPOS*>(m.lParam)->flags &= ~SWP_SHOWWINDOW;
    return false;
}


// ---- showing, hiding, transparency

void CMiniFrameDlg::showStrip(bool show)
{
    for (int id : {IDC_STRIP, IDC_STRIP_FILL, IDC_REFRESH})
        GetDlgItem(id).ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CMiniFrameDlg::showMiniWindow(bool show)
{
    if (show) {
        hideFirstShow = hideFirstLayout = false;
        ShowWindow(SW_SHOWNORMAL);
        SetForegroundWindow(m_hWnd);
        refresh.refreshRequest = 1;
        if (isTransparent && (currentSettings().optionFlags & titleOnHover))
            restartHoverTimer(true);
    } else {
        ShowWindow(SW_HIDE);
        restartHoverTimer(false);
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    }
}

void CMiniFrameDlg::toggleTransparency()
{
    if (isTransparent == 1) {
        isTransparent = 0;
        showStrip(true);
        restartHoverTimer(false);
    } else {
        isTransparent = 1;
        showStrip(false);
        if (currentSettings().optionFlags & titleOnHover)
            restartHoverTimer(true);
    }
    const Colour key = backColour;
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, style ^ WS_EX_LAYERED);
    SetLayeredWindowAttributes(m_hWnd, key, 0, LWA_COLORKEY);
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
    const int inside = pointIn(screenRect, cursor) ? 1 : 0;
    if (inside == mouseInside)
        return true;
    mouseInside = inside;
    showStrip(inside != 0);
    return false;
}

// Kills hover timer 1 and, when asked, starts it again.
void CMiniFrameDlg::restartHoverTimer(bool run)
{
    KillTimer(m_hWnd, HOVER_TIMER_ID);
    if (run)
        SetTimer(m_hWnd, HOVER_TIMER_ID, hoverTimerPeriodMs, nullptr);
}

void CMiniFrameDlg::applyWindowOptions(const UserSettings& s)
{
    const WindowOptions options = decideWindowOptions(s, isTransparent != 0);
    SetWindowPos(m_hWnd, options.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
    restartHoverTimer(options.hoverTimer);
}

void CMiniFrameDlg::resizeToQuotes(int rowCount, int columnCount, const UserSettings& s)
{
    const RECT current = GetWindowRect();
    const QuoteWindowLayout layout =
        layoutForQuotes({current.left, current.top, current.right, current.bottom}, rowCount, columnCount, s);
    const WindowRect& w = layout.window;
    screenRect = {w.left, w.top, w.right, w.bottom};
    MoveWindow(w.left, w.top, w.right - w.left, w.bottom - w.top, true);
    for (const ChildPlacement& child : layout.children)
        GetDlgItem(child.controlId).MoveWindow(child.x, child.y, child.width, child.height, true);
    for (int command : relayoutShowSequence)
        ShowWindow(command);
    SetForegroundWindow(m_hWnd);
    hideFirstLayout = false;
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
    if (IsWindowVisible()) {
        if (currentSettings().optionFlags & hotKeyHidesTray)
            trayDelete();
        showMiniWindow(false);
    } else {
        trayAdd();
        showMiniWindow(true);
    }
    m.result = 0;
    return true;
}

void CMiniFrameDlg::trayAdd()
{
    Shell_NotifyIconW(NIM_ADD, &trayIcon);
}

void CMiniFrameDlg::trayDelete()
{
    Shell_NotifyIconW(NIM_DELETE, &trayIcon);
}

bool CMiniFrameDlg::OnTrayNotify(Message& m)
{
    if (m.lParam == WM_LBUTTONDBLCLK) {
        showMiniWindow(true);
        trayAdd();
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
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd,
                   nullptr);
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
    refresh.refreshRequest = 1;
    return true;
}

bool CMiniFrameDlg::OnSettings(Message&)
{
    // The settings dialog edits a working copy; the hot key is released
    // meanwhile so that it can be pressed in the dialog's hot-key field.
    UnregisterHotKey(m_hWnd, SHOW_HOTKEY_ID);
    registerShowHotKey();
    return true;
}

bool CMiniFrameDlg::OnAbout(Message&)
{
    return true;
}

bool CMiniFrameDlg::OnAutoUpgrade(Message&)
{
    return true;
}

bool CMiniFrameDlg::OnHomePage(Message&)
{
    ShellExecuteW(nullptr, L"open", widen(vendorHomePage()).c_str(), nullptr, nullptr, SW_SHOW);
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

bool CMiniFrameDlg::OnDestroy(Message&)
{
    const RECT r = GetWindowRect();
    windowState.windowRect = {r.left, r.top, r.right, r.bottom};
    windowState.transparent = isTransparent;
    saveLiveSettings();
    trayDelete();
    UnregisterHotKey(m_hWnd, SHOW_HOTKEY_ID);
    // Everything is saved: a worker still held up by the network ends with
    // the process here, before anything it uses is released.
    if (!stopRefreshWorker())
        ExitProcess(0);
    return false;
}
