#include "res/SettingsIds.h"
#include "settings/DialogInit.h"
#include "settings/SettingsForm.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

// The three pages as they open on a record.
static SettingsForm settingsFormFrom(const UserSettings& settings)
{
    SettingsForm form;
    form.display = displayFormFrom(settings);
    form.connection = connectionFormFrom(settings);
    form.codes = codesFromStockList(settings.stockList, sizeof settings.stockList);
    form.sliderPosition = sliderPositionFor(settings.refreshSeconds);
    form.hotKey = hotKeyControlValue(settings.hotKeyModifiers, settings.hotKeyVirtualKey);
    return form;
}

TEST(DisplayForm, MapsEveryBoxToItsFlagBothWays)
{
    const std::set<std::pair<int, std::uint32_t>> display = {
        {IDC_SHOW_CHANGE_PERCENT, 0x01}, {IDC_SHOW_CHANGE, 0x02}, {IDC_SHOW_NAME, 0x04},
        {IDC_SHOW_CODE, 0x08},           {IDC_SHOW_REFRESH_TIME, 0x10}, {IDC_SHOW_HEADER, 0x20},
        {IDC_SHOW_PRICE, 0x40}};
    const std::set<std::pair<int, std::uint32_t>> option = {
        {IDC_CUSTOM_COLORS, 0x01}, {IDC_ALWAYS_ON_TOP, 0x02}, {IDC_HOTKEY_HIDES_TRAY, 0x04},
        {IDC_TITLE_ON_HOVER, 0x08}, {IDC_HIDE_AT_START, 0x10}, {IDC_AUTO_RUN, 0x20}};
    UserSettings s = defaultUserSettings();
    for (const auto& [id, bit] : display) {
        s.displayFlags = bit;
        s.optionFlags = 0;
        const DisplayForm f = displayFormFrom(s);
        for (const FlagBox& box : displayPageBoxes)
            EXPECT_EQ(f.ticked(box.controlId), box.controlId == id) << id << " " << box.controlId;
        DisplayForm ticked;
        ticked.setTicked(id, true);
        EXPECT_EQ(ticked.displayFlags, bit);
        EXPECT_EQ(ticked.optionFlags, 0u);
    }
    for (const auto& [id, bit] : option) {
        s.displayFlags = 0;
        s.optionFlags = bit;
        EXPECT_TRUE(displayFormFrom(s).ticked(id));
        DisplayForm ticked;
        ticked.setTicked(id, true);
        EXPECT_EQ(ticked.optionFlags, bit);
        EXPECT_EQ(ticked.displayFlags, 0u);
    }
}

TEST(DisplayForm, SwatchesShowTheirColours)
{
    const DisplayForm f = displayFormFrom(defaultUserSettings());
    EXPECT_EQ(swatchTextColor(f, IDC_SWATCH_UP), 0x00009900u);
    EXPECT_EQ(swatchTextColor(f, IDC_SWATCH_DOWN), 0x000000FFu);
    EXPECT_EQ(swatchTextColor(f, IDC_SWATCH_NAME), 0x00FF0000u);
    EXPECT_EQ(swatchTextColor(f, IDC_SWATCH_HEADER), 0x00000000u);
    EXPECT_EQ(swatchTextColor(f, IDC_SWATCH_BACK), 0x00000000u);  // black on the pale default
    DisplayForm g = f;
    *swatchColor(g, IDC_SWATCH_BACK) = 0x00102030;
    EXPECT_EQ(g.backColor, 0x00102030u);
    EXPECT_EQ(swatchColor(g, IDC_SHOW_CODE), nullptr);

    EXPECT_EQ(backSwatchTextColor(0x00000000), 0x00E6FFFFu);
    EXPECT_EQ(backSwatchTextColor(0x00E6FFFF), 0x00000000u);
    // Above 0x00E6FFFF the subtraction would wrap: black or white instead.
    EXPECT_EQ(backSwatchTextColor(0x00FFFFFF), 0x00000000u);  // white
    EXPECT_EQ(backSwatchTextColor(0x00FF0000), 0x00FFFFFFu);  // pure blue
    EXPECT_EQ(backSwatchTextColor(0x00F000FF), 0x00FFFFFFu);  // magenta
    EXPECT_EQ(backSwatchTextColor(0x00F0FF00), 0x00000000u);  // cyan
}

static UserSettings withProxy(std::uint32_t mode, const char* server)
{
    UserSettings s = defaultUserSettings();
    s.proxyMode = mode;
    std::strcpy(s.proxyServer, server);
    std::strcpy(s.proxyUser, "dom\\me");
    std::strcpy(s.proxyPassword, "pw");
    return s;
}

TEST(ConnectionForm, OpensFromTheStoredMode)
{
    ConnectionForm f = connectionFormFrom(withProxy(3, "10.0.0.1:8080"));
    EXPECT_TRUE(f.useProxy && f.useCredentials && !f.useIE);
    EXPECT_EQ(f.addressText, "10.0.0.1");
    EXPECT_EQ(f.portText, "8080");
    EXPECT_EQ(f.userText, "dom\\me");
    EXPECT_EQ(f.passwordText, "pw");
    const ConnectionEnables all = connectionEnables(f);
    EXPECT_TRUE(all.address && all.port && all.useCredentials && all.user && all.password);

    f = connectionFormFrom(withProxy(4, "http=a:1;https=b:2"));
    EXPECT_TRUE(!f.useProxy && !f.useCredentials && f.useIE);
    EXPECT_EQ(f.addressText, "http=a");
    EXPECT_EQ(f.portText, "1;https=b:2");
    const ConnectionEnables none = connectionEnables(f);
    EXPECT_FALSE(none.address || none.port || none.useCredentials || none.user || none.password);

    f = connectionFormFrom(withProxy(2, "proxyhost"));
    EXPECT_FALSE(f.useProxy || f.useCredentials || f.useIE);
    EXPECT_EQ(f.addressText, "proxyhost");  // no ":": all of it is the address
    EXPECT_EQ(f.portText, "");
}

TEST(ConnectionForm, TheTwoWaysExcludeEachOther)
{
    ConnectionForm f = connectionFormFrom(withProxy(3, "a:1"));
    f.useIE = true;
    followUseIE(f);
    EXPECT_TRUE(f.useIE && !f.useProxy && !f.useCredentials);
    EXPECT_EQ(f.addressText, "a");  // texts stay

    f.useProxy = true;
    followUseProxy(f);
    EXPECT_TRUE(f.useProxy && !f.useIE && !f.useCredentials);
    const ConnectionEnables e = connectionEnables(f);
    EXPECT_TRUE(e.address && e.port && e.useCredentials);
    EXPECT_FALSE(e.user || e.password);
}

struct ApplyFormTest : testing::Test {
    UserSettings record = defaultUserSettings();
    SettingsForm form = settingsFormFrom(record);
};

TEST_F(ApplyFormTest, AnUntouchedFormGivesTheRecordBack)
{
    record.settingsVersion = buildNumber;
    const UserSettings before = record;
    EXPECT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
}

TEST_F(ApplyFormTest, WritesEveryPageIntoTheRecord)
{
    form.display.displayFlags = 0;  // every column box cleared
    form.display.optionFlags = customColors | autoRun;
    form.display.backColor = 0x00010203;
    form.display.headerColor = 0x00040506;
    form.display.fontSizeIndex = 4;
    form.codes.push_back("00700");
    form.sliderPosition = 3;
    form.hotKey = 0x0354;  // Ctrl+Shift+T
    record.dataSource = 7;
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_EQ(record.displayFlags, showName);
    EXPECT_EQ(record.optionFlags, customColors | autoRun);
    EXPECT_EQ(record.backColor, 0x00010203u);
    EXPECT_EQ(record.headerColor, 0x00040506u);
    EXPECT_EQ(record.fontSizeIndex, 4);
    EXPECT_STREQ(record.stockList, ",hkHSI,hkHSCEI,hkHSCCI,hk00700");
    EXPECT_EQ(record.refreshSeconds, 30);
    EXPECT_EQ(record.hotKeyModifiers, modControl | modShift);
    EXPECT_EQ(record.hotKeyVirtualKey, 0x54u);
    EXPECT_EQ(record.dataSource, 1);

    form.codes.clear();
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_STREQ(record.stockList, ",");
}

TEST_F(ApplyFormTest, TheProfitBoxHidesItsColumnAndTheBitSurvives)
{
    EXPECT_TRUE(form.display.showProfit);  // shown where the file never set the bit
    form.display.showProfit = false;
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_EQ(record.displayFlags & hideProfitColumn, hideProfitColumn);
    form = settingsFormFrom(record);
    EXPECT_FALSE(form.display.showProfit);
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_EQ(record.displayFlags & hideProfitColumn, hideProfitColumn);
}

TEST_F(ApplyFormTest, StoresTheProxyTrimmed)
{
    form.connection.useProxy = true;
    form.connection.addressText = "  10.1.2.3 ";
    form.connection.portText = "\t8080  ";
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_STREQ(record.proxyServer, "10.1.2.3:8080");
    EXPECT_EQ(record.proxyMode, 1u);

    std::strcpy(record.proxyPassword, "old");
    form.connection.useCredentials = true;
    form.connection.userText = " dom\\me ";
    form.connection.passwordText = "   ";
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_EQ(record.proxyMode, 3u);
    EXPECT_STREQ(record.proxyUser, "dom\\me");
    EXPECT_STREQ(record.proxyPassword, "old");  // an empty password keeps the stored one
    form.connection.passwordText = "new";
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_STREQ(record.proxyPassword, "new");

    // "通过 IE 获得数据" keeps the texts.
    form.connection = ConnectionForm{};
    form.connection.useIE = true;
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_EQ(record.proxyMode, 4u);
    EXPECT_STREQ(record.proxyServer, "10.1.2.3:8080");
    EXPECT_STREQ(record.proxyUser, "dom\\me");
}

TEST_F(ApplyFormTest, KeepsALongLoadedAddressWhileItFits)
{
    const std::string address(40, 'a');
    std::strcpy(record.proxyServer, (address + ":8080").c_str());
    record.proxyMode = 1;
    form = settingsFormFrom(record);
    ASSERT_EQ(applySettingsForm(form, record), nullptr);
    EXPECT_EQ(std::string(record.proxyServer), address + ":8080");

    form.connection.portText = std::string(9, '9');  // 40 + 1 + 9 = 50: no room for the terminator
    EXPECT_STREQ(applySettingsForm(form, record), "代理输入不正确");
    EXPECT_EQ(std::string(record.proxyServer), address + ":8080");
}

TEST_F(ApplyFormTest, StopsAtTheFirstRefusalInOrder)
{
    form.hotKey = 0x0048;  // no modifier
    form.connection.useProxy = true;
    form.connection.addressText = "host";
    form.connection.portText = " ";
    form.display.backColor = 0x00123456;
    form.display.optionFlags = autoRun;
    EXPECT_STREQ(applySettingsForm(form, record), "代理输入不正确");
    EXPECT_EQ(record.optionFlags, autoRun);            // the steps before stand
    EXPECT_EQ(record.backColor, defaultBackColor);     // the ones after are not reached

    form.connection.portText = "80";
    form.connection.useCredentials = true;
    EXPECT_STREQ(applySettingsForm(form, record), "用户名输入不正确");

    form.connection.userText = "me";
    form.codes = {"00005"};
    EXPECT_STREQ(applySettingsForm(form, record), "热键过于简单");
    EXPECT_EQ(record.backColor, 0x00123456u);
    EXPECT_STREQ(record.stockList, ",hk00005");
    EXPECT_EQ(record.hotKeyModifiers, modAlt);  // the old hot key stands
    EXPECT_EQ(record.hotKeyVirtualKey, 0x48u);
}

TEST(DialogInit, ReadsTheEntriesAndRefusesATruncatedBlock)
{
    const unsigned char block[] = {0xE8, 0x03, 0x03, 0x04, 3, 0, 0, 0, 'a', 'b', 0,
                                   0xE8, 0x03, 0x03, 0x04, 1, 0, 0, 0, 0,
                                   0, 0};
    std::vector<DialogInitItem> items;
    ASSERT_TRUE(parseDialogInit(block, sizeof block, items));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].controlId, 1000);
    EXPECT_EQ(items[0].message, DLGINIT_ADDSTRING);
    EXPECT_EQ(items[0].text, "ab");
    EXPECT_EQ(items[1].text, "");

    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{10}, sizeof block - 1}) {
        items.clear();
        EXPECT_FALSE(parseDialogInit(block, cut, items)) << cut;
    }
    const unsigned char overlong[] = {0xE8, 0x03, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0, 0};
    items.clear();
    EXPECT_FALSE(parseDialogInit(overlong, sizeof overlong, items));
    EXPECT_TRUE(items.empty());
}

TEST(DialogPlacement, CentresOverTheOwnerButStaysOnTheScreen)
{
    const Rect work = {0, 0, 1024, 740};
    const Rect centred = centredRect({400, 300, 600, 400}, 412, 300, work);
    EXPECT_EQ(centred.left, 294);
    EXPECT_EQ(centred.top, 200);
    EXPECT_EQ(centred.width(), 412);
    // An owner in the corner: the dialog is pushed back onto the work area.
    const Rect corner = centredRect({950, 700, 1024, 740}, 412, 300, work);
    EXPECT_EQ(corner.right, 1024);
    EXPECT_EQ(corner.bottom, 740);
    // Larger than the work area: its top left corner stays visible.
    const Rect large = centredRect({0, 0, 100, 100}, 2000, 300, work);
    EXPECT_EQ(large.left, 0);
}
