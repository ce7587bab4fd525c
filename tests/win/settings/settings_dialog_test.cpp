// The settings dialog's window side, driven in-process: what the pages show
// and read back, and the colours they paint with.
#include "res/SettingsIds.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

// A page dialog on a hidden parent window, and a DC for its colour messages.
struct PageHost : testing::Test {
    HWND parent =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr, nullptr, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    UserSettings record = defaultUserSettings();
    Win32SettingsStore store;
    COLORREF pickerColors[16] = {};

    ~PageHost() override
    {
        DeleteDC(dc);
        DestroyWindow(parent);
    }
    // Text colour, background colour and brush the window gives for one static.
    std::tuple<COLORREF, COLORREF, LRESULT> paint(HWND window, int id) const
    {
        SetTextColor(dc, 0x123456);
        SetBkColor(dc, 0x654321);
        const LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        return {GetTextColor(dc), GetBkColor(dc), brush};
    }
};

std::string text(HWND page, int id)
{
    return CWnd(GetDlgItem(page, id)).GetWindowText();
}

TEST_F(PageHost, ConnectionPageShowsALoadedAddressWholeAndReadsItBack)
{
    const char server[] = "a-long-proxy-name.example.com:8080";  // 29 characters before the colon
    std::memcpy(record.proxyServer, server, sizeof server);
    record.proxyMode = proxyUseExplicit;
    CConnectionPage page;
    page.setSettings(&record);
    ASSERT_TRUE(page.Create(parent));
    EXPECT_EQ(text(page.m_hWnd, IDC_PROXY_ADDRESS), "a-long-proxy-name.example.com");
    EXPECT_EQ(SendDlgItemMessageW(page.m_hWnd, IDC_PROXY_ADDRESS, EM_GETLIMITTEXT, 0, 0), proxyFieldLimit);
    EXPECT_EQ(page.readForm().addressText, "a-long-proxy-name.example.com");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page.m_hWnd, IDC_USE_CREDENTIALS)));

    // Ticking the IE box takes the proxy's boxes away but keeps their texts.
    SendDlgItemMessageW(page.m_hWnd, IDC_USE_IE, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(page.m_hWnd, IDC_USE_PROXY), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page.m_hWnd, IDC_PROXY_ADDRESS)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page.m_hWnd, IDC_USE_CREDENTIALS)));
    EXPECT_EQ(text(page.m_hWnd, IDC_PROXY_PORT), "8080");
}

TEST_F(PageHost, SwatchesPaintTheirCaptionsInTheirColours)
{
    record.backColor = 0x00FFFFFF;  // above 0x00E6FFFF: the subtraction would wrap
    CDisplayPage page(store, pickerColors);
    page.setSettings(&record);
    ASSERT_TRUE(page.Create(parent));
    const std::pair<int, COLORREF> swatches[] = {{IDC_SWATCH_UP, defaultUpColor},
                                                 {IDC_SWATCH_DOWN, defaultDownColor},
                                                 {IDC_SWATCH_NAME, defaultNameColor},
                                                 {IDC_SWATCH_HEADER, defaultHeaderColor},
                                                 {IDC_SWATCH_BACK, 0x00000000}};
    for (auto [id, color] : swatches) {
        const auto [textColor, back, brush] = paint(page.m_hWnd, id);
        EXPECT_EQ(textColor, color) << id;
        EXPECT_NE(brush, 0) << id;
        if (id == IDC_SWATCH_BACK) {
            EXPECT_EQ(back, 0x00FFFFFFu);
        }
    }
    // Other statics keep the default colours.
    EXPECT_EQ(std::get<0>(paint(page.m_hWnd, IDC_SHOW_NAME)), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(SendDlgItemMessageW(page.m_hWnd, IDC_FONT_SIZE, CB_GETCOUNT, 0, 0), 5);
}

TEST_F(PageHost, FeedbackLinkTurnsRedUnderTheMouseAndTheStatusLineIsRed)
{
    const Deployment hosts = builtInDeployment();
    CSettingsDlg dialog(store, pickerColors, hosts);
    dialog.setSettings(&record);
    ASSERT_TRUE(dialog.Create(nullptr));
    const RECT link = dialog.GetDlgItem(IDC_FEEDBACK_LINK).GetRectInParent();
    const auto linkColor = [&] { return std::get<0>(paint(dialog.m_hWnd, IDC_FEEDBACK_LINK)); };
    EXPECT_EQ(linkColor(), 0x00FF0000u);
    SendMessageW(dialog.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(link.left + 2, link.top + 2));
    EXPECT_EQ(linkColor(), 0x000000FFu);
    SendMessageW(dialog.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(link.left - 2, link.top + 2));
    EXPECT_EQ(linkColor(), 0x00FF0000u);
    EXPECT_EQ(std::get<0>(paint(dialog.m_hWnd, IDC_SETTINGS_STATUS)), 0x000000FFu);
}

}  // namespace
