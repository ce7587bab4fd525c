#include "settings/SettingsDlg.h"

#include "res/SettingsIds.h"
#include "res/resource.h"
#include "settings/SettingsForm.h"
#include "settings/Win32Settings.h"
#include "winui/Shell.h"

#include <algorithm>
#include <array>

BEGIN_MESSAGE_MAP(CSettingsDlg, CDialog)
    onNotify<&CSettingsDlg::OnTabChanging>(IDC_SETTINGS_TABS, static_cast<UINT>(TCN_SELCHANGING)),
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
      codesPage(store),
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

    const char* const names[tabCount] = {"常规", "我的Zeb", "连接", "自选股"};
    for (int i = 0; i < tabCount; ++i) {
        std::wstring name = widen(names[i]);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = &name[0];
        SendMessageW(tabs.m_hWnd, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }

    stockListPage.Create(tabs.m_hWnd);
    displayPage.Create(tabs.m_hWnd);
    connectionPage.Create(tabs.m_hWnd);
    codesPage.Create(tabs.m_hWnd);
    // The pages fill the tab control below its strip of tabs: 20 pixels at
    // 96 DPI, and never over the tabs' labels when the font is larger (a
    // tab's rectangle ends with the line under the tabs, which a page may cover).
    RECT area = tabs.GetRectInParent();
    RECT tab = {};
    SendMessageW(tabs.m_hWnd, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
    area.top += std::max<LONG>(MulDiv(20, GetDpi(), 96), tab.bottom - 1);
    for (const CDialog* page : pages())
        page->MoveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top, true);

    SendMessageW(tabs.m_hWnd, TCM_SETCURSEL, stockListTab, 0);
    showPage(stockListTab);
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

auto CSettingsDlg::pages() -> std::array<CSettingsPage*, tabCount>
{
    return {&stockListPage, &displayPage, &connectionPage, &codesPage};
}

int CSettingsDlg::currentTab() const
{
    return static_cast<int>(SendMessageW(tabs.m_hWnd, TCM_GETCURSEL, 0, 0));
}

void CSettingsDlg::showPage(int index)
{
    if (index < 0 || index >= tabCount)
        return;
    // The codes page lists the codes as the stock list page now holds them.
    if (index == codesTab)
        codesPage.showCodes(stockListPage.codes());
    for (int i = 0; i < tabCount; ++i)
        pages()[static_cast<std::size_t>(i)]->ShowWindow(index == i ? SW_SHOW : SW_HIDE);
}

Reply CSettingsDlg::OnTabChanging()
{
    // The codes page is left only with fields that read, so that what was
    // typed there is never dropped by a change of the list meanwhile.
    const bool stay = currentTab() == codesTab && !codesPage.takeFields();
    return Reply::handled(stay ? TRUE : FALSE);
}

void CSettingsDlg::OnTabChange()
{
    showPage(currentTab());
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
    if (!codesPage.takeFields())
        return;
    CodesForm& codes = codesPage.codesForm();
    CodeBook listed = codes.listedRecords(form.codes);
    // Settings that did not reach the file are not taken: the dialog stays
    // open and says so, and OK can be tried again. Only the code sections
    // that were edited are written; those of codes that left the list stay.
    if (store.saveUserSettings(*settings) == StoreResult::failed ||
        store.saveCodeBook(codes.edited(), codes.original()) == StoreResult::failed) {
        showStatus("设置无法保存，zeb.ini不能写入");
        return;
    }
    acceptedCodes = std::move(listed);
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
