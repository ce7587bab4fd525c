// The settings dialog: four pages on a tab strip, a red status line for the
// refusals and the "意见反馈" link to the vendor site. It edits the working
// copy and the code records it is given and, on OK, saves them to the
// settings file.
#pragma once

#include "settings/SettingsPages.h"
#include "settings/UserSettings.h"
#include "winui/LinkLabel.h"
#include "winui/Wnd.h"

#include <array>

class CSettingsDlg : public CDialog {
public:
    // OK saves to store; the colour picker keeps its custom colours in
    // pickerColors (16 of them) from one dialog to the next. Its links go to
    // deployment's vendor site.
    CSettingsDlg(Win32SettingsStore& store, COLORREF* pickerColors, const Deployment& deployment,
                 HWND parent = nullptr);

    // The working copy the dialog reads and, on OK, writes; set before DoModal.
    void setSettings(UserSettings* record) { settings = record; }
    // The code records the dialog starts from; set before DoModal.
    void setCodeBook(const CodeBook& book) { codesPage.setBook(book); }
    // After OK: the records of the listed codes, as saved.
    const CodeBook& codeBook() const { return acceptedCodes; }

protected:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    DECLARE_MESSAGE_MAP();

private:
    Reply OnTabChanging();
    void OnTabChange();
    Reply OnCtlColor(HDC dc, HWND control);
    Reply OnMouseMove(POINT p);
    Reply OnLButtonDown(POINT p);

    // The tabs' indices.
    enum { stockListTab, displayTab, connectionTab, codesTab, tabCount };
    std::array<CSettingsPage*, tabCount> pages();
    int currentTab() const;
    void showPage(int index);
    void showStatus(const char* text) const;
    void placeOverOwner();

    CConnectionPage connectionPage;
    CDisplayPage displayPage;
    CStockListPage stockListPage;
    CCodesPage codesPage;
    CodeBook acceptedCodes;
    CWnd tabs;
    CLinkLabel feedbackLink;
    UserSettings* settings = nullptr;
    Win32SettingsStore& store;
    const Deployment& deployment;
};
