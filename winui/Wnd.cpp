#include "winui/Wnd.h"

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

RECT CWnd::GetRectInParent() const
{
    RECT r = GetWindowRect();
    MapWindowPoints(HWND_DESKTOP, GetParent(m_hWnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
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

static const wchar_t windowObjectProperty[] = L"Zeb.CDialog";

CDialog::CDialog(UINT templateId, HWND parent) : templateId(templateId), parentWindow(parent) {}

CDialog::~CDialog()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        SetPropW(hwnd, windowObjectProperty, self);
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY) {
        RemovePropW(hwnd, windowObjectProperty);
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }

    Message m = {message, wParam, lParam, 0};
    bool handled = self->OnMessage(m);
    if (!handled && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            self->OnOK();
            handled = true;
        } else if (LOWORD(wParam) == IDCANCEL) {
            self->OnCancel();
            handled = true;
        }
    }
    if (!handled)
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
        return static_cast<INT_PTR>(m.result);
    default:
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, m.result);
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
        if (auto* dialog = static_cast<CDialog*>(GetPropW(w, windowObjectProperty)))
            if (dialog->PreTranslateMessage(&msg))
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

BOOL CDialog::PreTranslateMessage(MSG*)
{
    return FALSE;
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

bool CDialog::OnMessage(Message&)
{
    return false;
}
