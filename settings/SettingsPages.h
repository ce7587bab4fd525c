// The four pages of the settings dialog, each a child dialog on its tab
// control. They fill their controls from the dialog's working copy when they
// are created; only the dialog's OK reads them back.
#pragma once

#include "settings/CodesForm.h"
#include "settings/Deployment.h"
#include "settings/PageForms.h"
#include "settings/StockListRules.h"
#include "settings/Win32Settings.h"
#include "settings/UserSettings.h"
#include "winui/Wnd.h"

#include <cstdint>
#include <string>
#include <vector>

// A page dialog: Escape and Enter never end it (it is modeless, and ending it
// would only hide it from its tab).
class CSettingsPage : public CDialog {
public:
    explicit CSettingsPage(UINT templateId) : CDialog(templateId) {}
    void setSettings(const UserSettings* record) { settings = record; }
    BOOL PreTranslateMessage(MSG* msg) override;
    // Sets the settings dialog's status line (the page's parent is the tab
    // control, whose parent is the dialog).
    void showStatus(const char* text) const;

protected:
    void OnOK() override {}
    void OnCancel() override {}

    const UserSettings* settings = nullptr;
};

// Tab "我的Zeb": columns, colours, font size and window options.
class CDisplayPage : public CSettingsPage {
public:
    // The auto-run box acts on store's Run entry at once; the colour picker
    // keeps its custom colours in pickerColors (16 of them).
    CDisplayPage(Win32SettingsStore& store, COLORREF* pickerColors);

    // The ticked boxes, the five colours and the font-size selection.
    DisplayForm readForm();
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    DECLARE_MESSAGE_MAP();

private:
    void OnSwatch(UINT id);
    Reply OnCtlColor(HDC dc, HWND control);
    void OnAutoRun();

    DisplayForm form;
    CWnd fontCombo;
    Win32SettingsStore& store;
    COLORREF* pickerColors;
};

// Tab "常规": the code list, the refresh slider, the data source and the hot key;
// its code query link goes to the deployment's vendor site.
class CStockListPage : public CSettingsPage {
public:
    explicit CStockListPage(const Deployment& deployment);

    std::vector<std::string> codes() const;
    int sliderPosition() const;
    std::uint16_t hotKey() const;
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    DECLARE_MESSAGE_MAP();

private:
    void OnAdd();
    void OnDelete();
    Reply OnSliderDraw();
    void OnMoveUp();
    void OnMoveDown();
    void OnCodeQuery();

    StockListForm readList() const;
    void moveSelected(int step);

    CWnd refreshSlider;
    CWnd hotKeyControl;
    CWnd codeList;
    const Deployment& deployment;
};

// Tab "连接": the proxy.
class CConnectionPage : public CSettingsPage {
public:
    CConnectionPage();

    ConnectionForm readForm();
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    DECLARE_MESSAGE_MAP();

private:
    void OnUseProxy();
    void OnUseCredentials();
    void OnUseIE();
    void applyEnables();

    ConnectionForm form;
};

// Tab "自选股": each listed code's alias and holding, and its price alerts.
class CCodesPage : public CSettingsPage {
public:
    // Records the dialog's book lacks are read from store's file.
    explicit CCodesPage(Win32SettingsStore& store);

    // The records the page starts from; before the page is created.
    void setBook(const CodeBook& book);
    // The page is shown: the list as the stock list page now holds it.
    void showCodes(const std::vector<std::string>& codes);
    // Takes the selected code's fields into the book; false, with the
    // refusal in the status line, when one does not read.
    bool takeFields();
    CodesForm& codesForm() { return form; }
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    DECLARE_MESSAGE_MAP();

private:
    void OnSelectCode();
    bool report(const char* refusal);
    void showSelected();

    CodesForm form;
    CodeFields fields;
    CWnd codeList;
    bool refused = false;  // the status line shows this page's refusal
    Win32SettingsStore& store;
};
