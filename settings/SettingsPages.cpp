#include "settings/SettingsPages.h"

#include "res/SettingsIds.h"
#include "res/resource.h"
#include "settings/DialogInit.h"
#include "settings/Win32Settings.h"
#include "winui/Shell.h"

#include <commdlg.h>

static bool isKeyDown(const MSG* msg, WPARAM key)
{
    return msg->message == WM_KEYDOWN && msg->wParam == key;
}

// Enter or Escape, which pages with edit boxes leave to the settings
// dialog's OK and Cancel.
static bool isDialogKey(const MSG* msg)
{
    return isKeyDown(msg, VK_ESCAPE) || isKeyDown(msg, VK_RETURN);
}

BOOL CSettingsPage::PreTranslateMessage(MSG* msg)
{
    // Tab and the arrows move within the page, as in any dialog.
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        return IsDialogMessageW(m_hWnd, msg);
    return FALSE;
}

void CSettingsPage::showStatus(const char* text) const
{
    const CWnd dialog(GetParent(GetParent(m_hWnd)));
    dialog.GetDlgItem(IDC_SETTINGS_STATUS).SetWindowText(text);
}

static void redrawNow(HWND control)
{
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

static void ddxTick(DataExchange& dx, int id, bool& value)
{
    int ticked = value ? 1 : 0;
    ddxCheck(dx, id, ticked);
    value = ticked != 0;
}

// ---- display page

BEGIN_MESSAGE_MAP(CDisplayPage, CSettingsPage)
    onCommandRange<&CDisplayPage::OnSwatch>(IDC_SWATCH_UP, IDC_SWATCH_DOWN, STN_CLICKED),
    onCommandRange<&CDisplayPage::OnSwatch>(IDC_SWATCH_NAME, IDC_SWATCH_HEADER, STN_CLICKED),
    onCtlColor<&CDisplayPage::OnCtlColor>(WM_CTLCOLORSTATIC),
    onCommand<&CDisplayPage::OnAutoRun>(IDC_AUTO_RUN, BN_CLICKED),
END_MESSAGE_MAP()

CDisplayPage::CDisplayPage(Win32SettingsStore& store, COLORREF* pickerColors)
    : CSettingsPage(IDD_DISPLAY_PAGE), store(store), pickerColors(pickerColors)
{
}

void CDisplayPage::DoDataExchange(DataExchange& dx)
{
    ddxControl(dx, IDC_FONT_SIZE, fontCombo);
    for (const FlagBox& box : displayPageBoxes) {
        int value = form.ticked(box.controlId) ? 1 : 0;
        ddxCheck(dx, box.controlId, value);
        form.setTicked(box.controlId, value != 0);
    }
    ddxTick(dx, IDC_SHOW_PROFIT, form.showProfit);
}

// The strings that the page's initialisation block adds to its lists.
static void runDialogInit(HWND page, UINT templateId)
{
    HRSRC found =
        FindResourceW(appInstance(), MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(RT_DIALOG_INIT));
    HGLOBAL loaded = found ? LoadResource(appInstance(), found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return;
    std::vector<DialogInitItem> items;
    parseDialogInit(data, SizeofResource(appInstance(), found), items);
    for (const DialogInitItem& item : items) {
        if (item.message == DLGINIT_ADDSTRING)
            SendDlgItemMessageW(page, item.controlId, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(widen(item.text).c_str()));
    }
}

BOOL CDisplayPage::OnInitDialog()
{
    runDialogInit(m_hWnd, templateId);
    if (settings)
        form = displayFormFrom(*settings);
    CDialog::OnInitDialog();
    SendMessageW(fontCombo.m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(form.fontSizeIndex), 0);
    return TRUE;
}

DisplayForm CDisplayPage::readForm()
{
    UpdateData(true);
    form.fontSizeIndex = static_cast<int>(SendMessageW(fontCombo.m_hWnd, CB_GETCURSEL, 0, 0));
    return form;
}

void CDisplayPage::OnSwatch(UINT controlId)
{
    const int id = static_cast<int>(controlId);
    // Picking a colour means custom colours, even when the picker is then cancelled.
    UpdateData(true);
    form.setTicked(IDC_CUSTOM_COLORS, true);
    UpdateData(false);

    CHOOSECOLORW choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = GetAncestor(m_hWnd, GA_ROOT);
    choice.lpCustColors = pickerColors;
    if (ChooseColorW(&choice)) {
        if (Color* color = swatchColor(form, id))
            *color = choice.rgbResult;
        redrawNow(GetDlgItem(id).m_hWnd);
    }
}

Reply CDisplayPage::OnCtlColor(HDC dc, HWND control)
{
    const int id = GetDlgCtrlID(control);
    if (!swatchColor(form, id))
        return Reply::passOn();
    const LRESULT brush =
        DefWindowProcW(m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    SetTextColor(dc, swatchTextColor(form, id));
    if (id == IDC_SWATCH_BACK)
        SetBkColor(dc, form.backColor);
    return Reply::handled(brush);
}

void CDisplayPage::OnAutoRun()
{
    UpdateData(true);
    const bool wanted = form.ticked(IDC_AUTO_RUN);
    store.setAutoRun(wanted);
    // The box shows what the Run key now holds, and a change it refused is said.
    const bool on = store.autoRunIsOn();
    form.setTicked(IDC_AUTO_RUN, on);
    if (on != wanted)
        showStatus(wanted ? "无法设置开机自动运行" : "无法取消开机自动运行");
    UpdateData(false);
}

BOOL CDisplayPage::PreTranslateMessage(MSG* msg)
{
    if (isKeyDown(msg, VK_ESCAPE) || isKeyDown(msg, VK_RETURN))
        return TRUE;
    return CSettingsPage::PreTranslateMessage(msg);
}

// ---- stock list page

BEGIN_MESSAGE_MAP(CStockListPage, CSettingsPage)
    onCommand<&CStockListPage::OnAdd>(IDC_ADD_CODE, BN_CLICKED),
    onCommand<&CStockListPage::OnDelete>(IDC_DELETE_CODE, BN_CLICKED),
    onNotify<&CStockListPage::OnSliderDraw>(IDC_REFRESH_SLIDER, static_cast<UINT>(NM_CUSTOMDRAW)),
    onCommand<&CStockListPage::OnMoveUp>(IDC_MOVE_UP, BN_CLICKED),
    onCommand<&CStockListPage::OnMoveDown>(IDC_MOVE_DOWN, BN_CLICKED),
    onCommand<&CStockListPage::OnCodeQuery>(IDC_CODE_QUERY, BN_CLICKED),
END_MESSAGE_MAP()

CStockListPage::CStockListPage(const Deployment& deployment)
    : CSettingsPage(IDD_STOCKLIST_PAGE), deployment(deployment)
{
}

void CStockListPage::DoDataExchange(DataExchange& dx)
{
    ddxControl(dx, IDC_REFRESH_SLIDER, refreshSlider);
    ddxControl(dx, IDC_HOTKEY, hotKeyControl);
    ddxControl(dx, IDC_CODE_LIST, codeList);
}

BOOL CStockListPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessageW(refreshSlider.m_hWnd, TBM_SETRANGE, TRUE, MAKELPARAM(0, sliderMaxPosition));
    SendMessageW(codeList.m_hWnd, CB_LIMITTEXT, codeFieldLimit, 0);
    CheckDlgButton(m_hWnd, IDC_SOURCE_SINA, BST_CHECKED);
    if (!settings)
        return TRUE;
    SendMessageW(refreshSlider.m_hWnd, TBM_SETPOS, TRUE, sliderPositionFor(settings->refreshSeconds));
    for (const std::string& code : codesFromStockList(settings->stockList, sizeof settings->stockList))
        SendMessageW(codeList.m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(code).c_str()));
    SendMessageW(hotKeyControl.m_hWnd, HKM_SETHOTKEY,
                 hotKeyControlValue(settings->hotKeyModifiers, settings->hotKeyVirtualKey), 0);
    return TRUE;
}

StockListForm CStockListPage::readList() const
{
    StockListForm list;
    const int count = static_cast<int>(SendMessageW(codeList.m_hWnd, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(codeList.m_hWnd, CB_GETLBTEXTLEN, i, 0)) + 1,
                          L'\0');
        SendMessageW(codeList.m_hWnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        list.codes.push_back(narrow(text.c_str()));
    }
    list.selection = static_cast<int>(SendMessageW(codeList.m_hWnd, CB_GETCURSEL, 0, 0));
    return list;
}

std::vector<std::string> CStockListPage::codes() const
{
    return readList().codes;
}

int CStockListPage::sliderPosition() const
{
    return static_cast<int>(SendMessageW(refreshSlider.m_hWnd, TBM_GETPOS, 0, 0));
}

std::uint16_t CStockListPage::hotKey() const
{
    return static_cast<std::uint16_t>(SendMessageW(hotKeyControl.m_hWnd, HKM_GETHOTKEY, 0, 0));
}

void CStockListPage::OnAdd()
{
    StockListForm list = readList();
    const ListChange change = addCode(list, codeList.GetWindowText());
    if (change.changed) {
        SendMessageW(codeList.m_hWnd, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(widen(list.codes.back()).c_str()));
        codeList.SetWindowText("");
    }
    if (change.status)
        showStatus(change.status);
}

void CStockListPage::OnDelete()
{
    StockListForm list = readList();
    const int deleted = list.selection;
    const ListChange change = deleteSelectedCode(list);
    if (change.changed) {
        SendMessageW(codeList.m_hWnd, CB_DELETESTRING, static_cast<WPARAM>(deleted), 0);
        if (list.selection >= 0)
            SendMessageW(codeList.m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(list.selection), 0);
    }
    if (change.status)
        showStatus(change.status);
}

void CStockListPage::moveSelected(int step)
{
    StockListForm list = readList();
    const int from = list.selection;
    if (!moveSelectedCode(list, step).changed)
        return;
    SendMessageW(codeList.m_hWnd, CB_DELETESTRING, static_cast<WPARAM>(from), 0);
    SendMessageW(codeList.m_hWnd, CB_INSERTSTRING, static_cast<WPARAM>(list.selection),
                 reinterpret_cast<LPARAM>(widen(list.codes[list.selection]).c_str()));
    SendMessageW(codeList.m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(list.selection), 0);
}

void CStockListPage::OnMoveUp()
{
    moveSelected(-1);
}

void CStockListPage::OnMoveDown()
{
    moveSelected(+1);
}

Reply CStockListPage::OnSliderDraw()
{
    // The slider draws whenever its position changes, and once when shown.
    const std::string label = refreshLabel(sliderPosition());
    const CWnd text = GetDlgItem(IDC_REFRESH_LABEL);
    if (text.GetWindowText() != label)
        text.SetWindowText(label.c_str());
    return Reply::handled(CDRF_DODEFAULT);
}

void CStockListPage::OnCodeQuery()
{
    openWebAddress(vendorPage(deployment, "/zeb/query.php"));
}

BOOL CStockListPage::PreTranslateMessage(MSG* msg)
{
    // Escape stays in the page; Enter presses the page's default button, "添加".
    if (isKeyDown(msg, VK_ESCAPE))
        return TRUE;
    return CSettingsPage::PreTranslateMessage(msg);
}

// ---- connection page

BEGIN_MESSAGE_MAP(CConnectionPage, CSettingsPage)
    onCommand<&CConnectionPage::OnUseProxy>(IDC_USE_PROXY, BN_CLICKED),
    onCommand<&CConnectionPage::OnUseCredentials>(IDC_USE_CREDENTIALS, BN_CLICKED),
    onCommand<&CConnectionPage::OnUseIE>(IDC_USE_IE, BN_CLICKED),
END_MESSAGE_MAP()

CConnectionPage::CConnectionPage() : CSettingsPage(IDD_CONNECTION_PAGE)
{
}

void CConnectionPage::DoDataExchange(DataExchange& dx)
{
    // The limit holds what can be typed; a longer text loaded from the
    // settings is shown and read back whole (OK decides whether it fits).
    const int limit = dx.saveAndValidate ? 0 : proxyFieldLimit;
    ddxTick(dx, IDC_USE_PROXY, form.useProxy);
    ddxText(dx, IDC_PROXY_ADDRESS, form.addressText, limit);
    ddxText(dx, IDC_PROXY_PORT, form.portText, limit);
    ddxText(dx, IDC_PROXY_PASSWORD, form.passwordText, limit);
    ddxTick(dx, IDC_USE_CREDENTIALS, form.useCredentials);
    ddxTick(dx, IDC_USE_IE, form.useIE);
    ddxText(dx, IDC_PROXY_USER, form.userText, limit);
}

BOOL CConnectionPage::OnInitDialog()
{
    if (settings)
        form = connectionFormFrom(*settings);
    CDialog::OnInitDialog();
    applyEnables();
    return TRUE;
}

ConnectionForm CConnectionPage::readForm()
{
    UpdateData(true);
    return form;
}

void CConnectionPage::applyEnables()
{
    const ConnectionEnables enables = connectionEnables(form);
    EnableWindow(GetDlgItem(IDC_PROXY_ADDRESS).m_hWnd, enables.address);
    EnableWindow(GetDlgItem(IDC_PROXY_PORT).m_hWnd, enables.port);
    EnableWindow(GetDlgItem(IDC_USE_CREDENTIALS).m_hWnd, enables.useCredentials);
    EnableWindow(GetDlgItem(IDC_PROXY_USER).m_hWnd, enables.user);
    EnableWindow(GetDlgItem(IDC_PROXY_PASSWORD).m_hWnd, enables.password);
}

void CConnectionPage::OnUseProxy()
{
    UpdateData(true);
    followUseProxy(form);
    UpdateData(false);
    applyEnables();
}

void CConnectionPage::OnUseCredentials()
{
    UpdateData(true);
    applyEnables();
}

void CConnectionPage::OnUseIE()
{
    UpdateData(true);
    followUseIE(form);
    UpdateData(false);
    applyEnables();
}

BOOL CConnectionPage::PreTranslateMessage(MSG* msg)
{
    if (isDialogKey(msg))
        return FALSE;
    return CSettingsPage::PreTranslateMessage(msg);
}

// ---- codes page

BEGIN_MESSAGE_MAP(CCodesPage, CSettingsPage)
    onCommand<&CCodesPage::OnSelectCode>(IDC_CODES_LIST, LBN_SELCHANGE),
END_MESSAGE_MAP()

static CodesForm::Loader fileLoader(Win32SettingsStore& store)
{
    return [&store](const std::string& entry) { return store.loadCodeRecord(entry); };
}

CCodesPage::CCodesPage(Win32SettingsStore& store)
    : CSettingsPage(IDD_CODES_PAGE), form(CodeBook(), fileLoader(store)), store(store)
{
}

void CCodesPage::setBook(const CodeBook& book)
{
    form = CodesForm(book, fileLoader(store));
}

void CCodesPage::DoDataExchange(DataExchange& dx)
{
    ddxControl(dx, IDC_CODES_LIST, codeList);
    ddxText(dx, IDC_CODE_ALIAS, fields.alias);
    ddxText(dx, IDC_CODE_SHARES, fields.shares);
    ddxText(dx, IDC_CODE_COST, fields.cost);
    ddxText(dx, IDC_ALERT_ABOVE, fields.above);
    ddxText(dx, IDC_ALERT_BELOW, fields.below);
    ddxText(dx, IDC_ALERT_MOVE, fields.move);
}

BOOL CCodesPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendDlgItemMessageW(m_hWnd, IDC_CODE_ALIAS, EM_LIMITTEXT, maxAliasBytes, 0);
    showSelected();
    return TRUE;
}

void CCodesPage::showCodes(const std::vector<std::string>& codes)
{
    form.setCodes(codes);
    SendMessageW(codeList.m_hWnd, LB_RESETCONTENT, 0, 0);
    for (const std::string& code : form.codes())
        SendMessageW(codeList.m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(code).c_str()));
    showSelected();
}

// The selected code in the list and its fields; fields without a code, and
// an index's shares and cost, are disabled.
void CCodesPage::showSelected()
{
    SendMessageW(codeList.m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(form.selection()), 0);
    fields = form.fields();
    UpdateData(false);
    const bool any = form.selection() >= 0;
    for (int id : {IDC_CODE_ALIAS, IDC_ALERT_ABOVE, IDC_ALERT_BELOW, IDC_ALERT_MOVE})
        EnableWindow(GetDlgItem(id).m_hWnd, any);
    for (int id : {IDC_CODE_SHARES, IDC_CODE_COST})
        EnableWindow(GetDlgItem(id).m_hWnd, form.takesHolding());
}

bool CCodesPage::report(const char* refusal)
{
    if (refusal)
        showStatus(refusal);
    else if (refused)
        showStatus("");
    refused = refusal != nullptr;
    return !refused;
}

bool CCodesPage::takeFields()
{
    UpdateData(true);
    return report(form.take(fields));
}

void CCodesPage::OnSelectCode()
{
    const int index = static_cast<int>(SendMessageW(codeList.m_hWnd, LB_GETCURSEL, 0, 0));
    UpdateData(true);
    if (!report(form.select(index, fields))) {
        // The code whose field did not read stays selected, its text as typed.
        SendMessageW(codeList.m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(form.selection()), 0);
        return;
    }
    showSelected();
}

BOOL CCodesPage::PreTranslateMessage(MSG* msg)
{
    if (isDialogKey(msg))
        return FALSE;
    return CSettingsPage::PreTranslateMessage(msg);
}
