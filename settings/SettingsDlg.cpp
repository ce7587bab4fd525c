#include "settings/SettingsDlg.h"

#include "res/SettingsIds.h"
#include "res/resource.h"
#include "settings/SettingsForm.h"
#include "settings/Win32Settings.h"
#include "winui/Shell.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CSettingsDlg, CDialog)
    onNotify<&CSettingsDlg::OnTabChange>(IDC_SETTINGS_TABS, static_cast<UINT>(TCN_SELCHANGE)),
    onCtlColor<&CSettingsDlg::OnCtlColor>(WM_CTLCOLORSTATIC),
    onMouse<&CSettingsDlg::OnMouseMove>(WM_MOUSEMOVE),
    onMouse<&CSettingsDlg::OnLButtonDown>(WM_LBUTTONDOWN),
END_MESSAGE_MAP()

CSettingsDlg::CSettingsDlg(Win32SettingsStore& store, COLORREF* pickerColors, const Deployment& deployment,
                           HWND parent)
    : CDialog(IDD_SETTINGS, parent),
      displayPage(store, pickerColors),
      stockListPage(deployment),
      feedbackLink(*this, IDC_FEEDBACK_LINK),
      store(store),
      deployment(deployment)
{
}

void CSettingsDlg::DoDataExchange(DataExchange& dx)
{
    ddxControl(dx, IDC_SETTINGS_TABS, tabs);
}

BOOL CSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    stockListPage.setSettings(settings);
    displayPage.setSettings(settings);
    connectionPage.setSettings(settings);

    const char* const names[] = {"常规", "我的Zeb", "连接"};
    for (int i = 0; i < 3; ++i) {
        std::wstring name = widen(names[i]);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = &name[0];
        SendMessageW(tabs.m_hWnd, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }

    stockListPage.Create(tabs.m_hWnd);
    displayPage.Create(tabs.m_hWnd);
    connectionPage.Create(tabs.m_hWnd);
    // The pages fill the tab control below its strip of tabs: 20 pixels at
    // 96 DPI, and never over the tabs' labels when the font is larger (a
    // tab's rectangle ends with the line under the tabs, which a page may cover).
    RECT area = tabs.GetRectInParent();
    RECT tab = {};
    SendMessageW(tabs.m_hWnd, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
    area.top += std::max<LONG>(MulDiv(20, GetDpi(), 96), tab.bottom - 1);
    for (const CDialog* page : {static_cast<CDialog*>(&stockListPage), static_cast<CDialog*>(&displayPage),
                                static_cast<CDialog*>(&connectionPage)})
        page->MoveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top, true);

    SendMessageW(tabs.m_hWnd, TCM_SETCURSEL, 0, 0);
    showPage(0);
    placeOverOwner();
    SetForegroundWindow(m_hWnd);
    return TRUE;
}

// The template places the dialog at the owner's corner; it opens centred
// over the owner instead, and always wholly on the screen.
void CSettingsDlg::placeOverOwner()
{
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT over = work;
    if (parentWindow && ::IsWindowVisible(parentWindow) && !IsIconic(parentWindow))
        ::GetWindowRect(parentWindow, &over);
    const RECT own = GetWindowRect();
    const Rect placed = centredRect(toRect(over), own.right - own.left, own.bottom - own.top, toRect(work));
    SetWindowPos(m_hWnd, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSettingsDlg::showPage(int index)
{
    if (index < 0 || index > 2)
        return;
    stockListPage.ShowWindow(index == 0 ? SW_SHOW : SW_HIDE);
    displayPage.ShowWindow(index == 1 ? SW_SHOW : SW_HIDE);
    connectionPage.ShowWindow(index == 2 ? SW_SHOW : SW_HIDE);
}

void CSettingsDlg::OnTabChange()
{
    showPage(static_cast<int>(SendMessageW(tabs.m_hWnd, TCM_GETCURSEL, 0, 0)));
}

void CSettingsDlg::showStatus(const char* text) const
{
    GetDlgItem(IDC_SETTINGS_STATUS).SetWindowText(text);
}

void CSettingsDlg::OnOK()
{
    if (!settings)
        return;
    SettingsForm form;
    form.display = displayPage.readForm();
    form.connection = connectionPage.readForm();
    form.codes = stockListPage.codes();
    form.sliderPosition = stockListPage.sliderPosition();
    form.hotKey = stockListPage.hotKey();
    if (const char* refusal = applySettingsForm(form, *settings)) {
        showStatus(refusal);
        return;
    }
    // Settings that did not reach the file are not taken: the dialog stays
    // open and says so, and OK can be tried again.
    if (store.saveUserSettings(*settings) == StoreResult::failed) {
        showStatus("设置无法保存，zeb.ini不能写入");
        return;
    }
    EndDialog(IDOK);
}

Reply CSettingsDlg::OnCtlColor(HDC dc, HWND control)
{
    const int id = GetDlgCtrlID(control);
    if (id != IDC_SETTINGS_STATUS && id != IDC_FEEDBACK_LINK)
        return Reply::passOn();
    const LRESULT brush =
        DefWindowProcW(m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    if (!feedbackLink.setTextColor(dc, control))
        SetTextColor(dc, 0x000000FF);  // the status line
    return Reply::handled(brush);
}

Reply CSettingsDlg::OnMouseMove(POINT p)
{
    feedbackLink.mouseMoved(p);
    return Reply::passOn();
}

Reply CSettingsDlg::OnLButtonDown(POINT p)
{
    if (feedbackLink.contains(p))
        openWebAddress(vendorPage(deployment, "/zeb/feedback.php"));
    return Reply::passOn();
}
