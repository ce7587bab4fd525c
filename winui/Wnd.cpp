#include "winui/Wnd.h"

#include "winui/WindowThreadCall.h"

#include <vector>

HINSTANCE appInstance()
{
    return GetModuleHandleW(nullptr);
}

int messageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return MessageBoxW(owner, widen(text).c_str(), widen(caption).c_str(), type);
}

void CWnd::SetWindowText(const char* gb2312) const
{
    SetWindowTextW(m_hWnd, widen(gb2312).c_str());
}

std::string CWnd::GetWindowText() const
{
    const int length = GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return narrow(buffer.data());
}

RECT CWnd::GetWindowRect() const
{
    RECT r = {};
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

int CWnd::GetDpi() const
{
    // GetDpiForWindow exists from Windows 10 (1607) on.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const DpiForWindow dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (dpiForWindow && m_hWnd)
        if (const UINT dpi = dpiForWindow(m_hWnd))
            return static_cast<int>(dpi);
    const WindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

RECT CWnd::GetRectInParent() const
{
    RECT r = GetWindowRect();
    MapWindowPoints(HWND_DESKTOP, GetParent(m_hWnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// ---- message maps and the routing procedure

bool MessageMapEntry::matches(const Message& m) const
{
    if (m.message != message)
        return false;
    UINT id;
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(m.wParam) != code)
            return false;
        id = LOWORD(m.wParam);
        break;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(m.lParam);
        if (header->code != code)
            return false;
        id = static_cast<UINT>(header->idFrom);
        break;
    }
    case WM_TIMER:
    case WM_HOTKEY:
        id = static_cast<UINT>(m.wParam);
        break;
    default:
        return true;
    }
    return id >= firstId && id <= lastId;
}

bool MessageMap::dispatch(CWnd& window, Message& m) const
{
    for (const MessageMap* map = this; map; map = map->base)
        for (std::size_t i = 0; i < map->count; ++i)
            if (map->entries[i].matches(m))
                return map->entries[i].call(window, m);
    return false;
}

const MessageMap& CWnd::messageMap() const
{
    static const MessageMap none;
    return none;
}

bool CWnd::routeMessage(Message& m)
{
    return messageMap().dispatch(*this, m);
}

static const wchar_t windowObjectProperty[] = L"Zeb.CWnd";

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(GetPropW(hwnd, windowObjectProperty)) : nullptr;
}

void CWnd::attach(HWND hwnd)
{
    m_hWnd = hwnd;
    SetPropW(hwnd, windowObjectProperty, this);
}

bool CWnd::route(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    CWnd* self = FromHandle(hwnd);
    if (!self)
        return false;
    if (message == WM_NCDESTROY) {
        RemovePropW(hwnd, windowObjectProperty);
        dropWindowThreadCalls(hwnd);
        self->m_hWnd = nullptr;
        if (self->ownedByWindow)
            delete self;
        return false;
    }
    // Calls carried from other threads run on every window of this layer.
    if (handleWindowThreadCall(hwnd, message, lParam, result))
        return true;
    // The window has come to a monitor of another scale. A window that does
    // not place itself leaves the message to its map and then the system.
    if (message == WM_DPICHANGED || message == WM_DPICHANGED_AFTERPARENT) {
        const bool top = message == WM_DPICHANGED;
        const int dpi = top ? HIWORD(wParam) : self->GetDpi();
        const Reply reply = self->OnDpiChanged(dpi, top ? reinterpret_cast<const RECT*>(lParam) : nullptr);
        if (reply.isHandled()) {
            result = reply.result();
            return true;
        }
    }
    Message m = {message, wParam, lParam, 0};
    if (!self->routeMessage(m))
        return false;
    result = m.result;
    return true;
}

bool CWnd::registerClass(const wchar_t* name, HINSTANCE instance, UINT style, WNDPROC procedure)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LRESULT CWnd::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, CWnd* (*make)())
{
    if (message == WM_NCCREATE && !FromHandle(hwnd)) {
        CWnd* self = make();
        self->ownedByWindow = true;
        self->attach(hwnd);
    }
    LRESULT result = 0;
    if (route(hwnd, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// ---- data exchange

void ddxControl(DataExchange& dx, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.m_hWnd = GetDlgItem(dx.dialog.m_hWnd, id);
}

// After a refused text nothing more is exchanged, so one message box shows.
void ddxCheck(DataExchange& dx, int id, int& value)
{
    if (dx.failed)
        return;
    if (dx.saveAndValidate)
        value = IsDlgButtonChecked(dx.dialog.m_hWnd, id) == BST_CHECKED ? 1 : 0;
    else
        CheckDlgButton(dx.dialog.m_hWnd, id, value ? BST_CHECKED : BST_UNCHECKED);
}

void ddxText(DataExchange& dx, int id, std::string& value, int maxChars)
{
    if (dx.failed)
        return;
    const CWnd edit = dx.dialog.GetDlgItem(id);
    if (!dx.saveAndValidate) {
        if (maxChars > 0)
            SendMessageW(edit.m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        edit.SetWindowText(value.c_str());
        return;
    }
    std::string text = edit.GetWindowText();
    if (maxChars > 0 && static_cast<int>(widen(text).size()) > maxChars) {
        char message[64];
        wsprintfA(message, "最多只能输入 %d 个字符。", maxChars);
        messageBox(dx.dialog.m_hWnd, message, "提示", MB_ICONEXCLAMATION | MB_OK);
        SetFocus(edit.m_hWnd);
        dx.failed = true;
        return;
    }
    value = std::move(text);
}

// ---- dialogs

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    onCommand<&CDialog::onOkCommand>(IDOK, BN_CLICKED),
    onCommand<&CDialog::onCancelCommand>(IDCANCEL, BN_CLICKED),
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, HWND parent) : templateId(templateId), parentWindow(parent) {}

CDialog::~CDialog()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        self->attach(hwnd);
        return self->OnInitDialog();
    }
    LRESULT result = 0;
    if (!route(hwnd, message, wParam, lParam, result))
        return FALSE;

    // These messages answer through the dialog procedure's own result.
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

INT_PTR CDialog::DoModal()
{
    HWND owner = parentWindow;
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled)
        EnableWindow(owner, FALSE);

    modalEnded = false;
    modalResult = IDCANCEL;
    if (!CreateDialogParamW(appInstance(), MAKEINTRESOURCEW(templateId), owner, dialogProc,
                            reinterpret_cast<LPARAM>(this))) {
        if (ownerWasEnabled)
            EnableWindow(owner, TRUE);
        return -1;
    }
    // As the system's own modal run: the dialog shows whether or not its
    // template says so.
    if (m_hWnd && !modalEnded && !::IsWindowVisible(m_hWnd))
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

    // The run also ends when the dialog is destroyed without EndDialog (by
    // its owner's destruction, say): nothing could end it afterwards.
    MSG msg;
    bool quit = false;
    while (!modalEnded && m_hWnd) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = got == 0;
            break;
        }
        if (preTranslate(msg))
            continue;
        if (m_hWnd && IsDialogMessageW(m_hWnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    if (quit)
        PostQuitMessage(static_cast<int>(msg.wParam));
    return modalResult;
}

bool CDialog::Create(HWND parent)
{
    parentWindow = parent;
    return CreateDialogParamW(appInstance(), MAKEINTRESOURCEW(templateId), parent, dialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result)
{
    modalResult = result;
    modalEnded = true;
    // Wake the modal loop if the call came from outside a message.
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

// Every message of the modal loop passes the PreTranslateMessage of each of
// our dialogs from its target window up to the top, innermost first.
bool CDialog::preTranslate(MSG& msg) const
{
    for (HWND w = msg.hwnd; w; w = GetParent(w)) {
        if (CWnd* window = FromHandle(w))
            if (window->PreTranslateMessage(&msg))
                return true;
        if (w == m_hWnd)
            break;
    }
    return false;
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    DataExchange dx{*this, saveAndValidate};
    DoDataExchange(dx);
    return !dx.failed;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(DataExchange&) {}
