#include "FakeStorage.h"

#include "common/FieldText.h"
#include "settings/LiveSettings.h"
#include "settings/StructBlock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

static bool same(const UserSettings& a, const UserSettings& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

static std::string proxyServerOf(const UserSettings& s)
{
    return std::string(fieldText(s.proxyServer));
}

// A record unlike the defaults in every block.
static UserSettings customSettings()
{
    UserSettings s = defaultUserSettings();
    std::strcpy(s.stockList, ",hk00700,hk00005");
    s.refreshSeconds = 30;
    s.backColor = 0x00123456;
    s.displayFlags = 0x0F;
    s.optionFlags = 0x21;
    std::strcpy(s.proxyServer, "10.0.0.1:8080");
    s.proxyMode = 3;
    s.fontSizeIndex = 3;
    s.settingsVersion = buildNumber;
    return s;
}

struct SettingsStoreTest : testing::Test {
    FakeProfile profile;
    FakeRegistry registry;
    SettingsStore store{profile, registry};

    UserSettings load(StoreResult expectedResult)
    {
        UserSettings s;
        std::memset(&s, 0xCC, sizeof s);
        EXPECT_EQ(store.loadUserSettings(s), expectedResult);
        return s;
    }
    std::string stkCode() { return registry.keys[appRegKey][stockListValueName].data; }
};

TEST_F(SettingsStoreTest, FirstRunWritesTheDefaultsThenReadsThemBack)
{
    const UserSettings s = load(StoreResult::repaired);
    UserSettings expected = defaultUserSettings();
    expected.settingsVersion = 0;
    EXPECT_TRUE(same(s, expected));

    const UserSettings d = defaultUserSettings();
    const std::vector<std::string> writes = {
        "UserSet/ss=" + encodeStructBlock(&d, 528),
        "UserSet/su=FFFFE6000000FF0000990000FF00000000000000750000000A000000FA",
        "UserSet/sp=" + std::string(314, '0'),
        "UserSet/fontsize=1",
        "UserSet/version=2",
    };
    EXPECT_EQ(profile.writes, writes);
    EXPECT_EQ(registry.keys[appRegKey][stockListValueName].type, regSz);
    EXPECT_EQ(stkCode(), ",hkHSI,hkHSCEI,hkHSCCI");  // no terminator stored

    WindowState zero = {};
    EXPECT_EQ(store.loadWindowState(zero), StoreResult::repaired);
    EXPECT_EQ(profile.writes.back(), "WinStat/wstat=" + std::string(42, '0'));
    // An unreadable record: transparency off, the rectangle kept and written.
    profile.sections["WinStat"]["wstat"] = "01";
    WindowState w = {1, {5, 6, 7, 8}};
    EXPECT_EQ(store.loadWindowState(w), StoreResult::repaired);
    const WindowState expectedWindow = {0, {5, 6, 7, 8}};
    EXPECT_EQ(profile.writes.back(), "WinStat/wstat=" + encodeStructBlock(&expectedWindow, 20));

    profile.writes.clear();
    expected.settingsVersion = 2;
    EXPECT_TRUE(same(load(StoreResult::ok), expected));
    EXPECT_TRUE(profile.writes.empty());
}

TEST_F(SettingsStoreTest, SavedSettingsAndWindowComeBackWhole)
{
    const UserSettings stored = customSettings();
    EXPECT_EQ(store.saveUserSettings(stored), StoreResult::ok);
    EXPECT_EQ(stkCode(), ",hk00700,hk00005");
    const WindowState w = {1, {-100, 20, 300, 400}};
    EXPECT_EQ(store.saveWindowState(w), StoreResult::ok);
    profile.writes.clear();

    EXPECT_TRUE(same(load(StoreResult::ok), stored));
    WindowState back = {};
    EXPECT_EQ(store.loadWindowState(back), StoreResult::ok);
    EXPECT_EQ(std::memcmp(&back, &w, sizeof w), 0);
    EXPECT_TRUE(profile.writes.empty());
}

TEST_F(SettingsStoreTest, ASaveTheFileRefusesIsReportedAndChangesNothing)
{
    const UserSettings stored = customSettings();
    ASSERT_EQ(store.saveUserSettings(stored), StoreResult::ok);
    profile.locked = true;
    UserSettings changed = stored;
    std::strcpy(changed.stockList, ",hk00001");
    EXPECT_EQ(store.saveUserSettings(changed), StoreResult::failed);
    EXPECT_EQ(store.saveWindowState({0, {1, 2, 3, 4}}), StoreResult::failed);
    // The registry copy of the list stays with the file it backs up.
    EXPECT_EQ(stkCode(), ",hk00700,hk00005");
    profile.locked = false;
    EXPECT_TRUE(same(load(StoreResult::ok), stored));

    // A file that cannot even be read is not repaired over: its settings
    // are still in it for the next start.
    profile.held = true;
    profile.writes.clear();
    load(StoreResult::unread);
    WindowState w = {};
    EXPECT_EQ(store.loadWindowState(w), StoreResult::unread);
    EXPECT_TRUE(profile.writes.empty());
    EXPECT_EQ(stkCode(), ",hk00700,hk00005");
}

TEST_F(SettingsStoreTest, ABrokenBlockFallsBackAloneAndIsRewritten)
{
    const UserSettings stored = customSettings();
    store.saveUserSettings(stored);
    std::string& su = profile.sections["UserSet"]["su"];
    su[5] = su[5] == '0' ? '1' : '0';
    profile.writes.clear();

    const UserSettings s = load(StoreResult::repaired);
    const UserSettings d = defaultUserSettings();
    EXPECT_STREQ(s.stockList, stored.stockList);
    EXPECT_EQ(s.refreshSeconds, 30);
    EXPECT_EQ(proxyServerOf(s), "10.0.0.1:8080");
    EXPECT_EQ(s.proxyMode, 3u);
    EXPECT_EQ(std::memcmp(&s.backColor, &d.backColor, 28), 0);
    EXPECT_EQ(profile.writes.size(), 5u);
    EXPECT_EQ(profile.sections["UserSet"]["su"], encodeStructBlock(&d.backColor, 28));
}

TEST_F(SettingsStoreTest, FontSizeAndVersionAreCheckedUnsigned)
{
    store.saveUserSettings(customSettings());
    profile.writes.clear();
    const std::pair<const char*, int> sizes[] = {{"7", 1}, {"0", 0}, {"-1", 1}, {"4", 4}, {"5", 1},
                                                 {"", 1},  {"x", 0}, {"2abc", 2}};
    for (auto [text, expected] : sizes) {
        profile.sections["UserSet"]["fontsize"] = text;
        EXPECT_EQ(load(StoreResult::ok).fontSizeIndex, expected) << text;
    }

    // Settings from before the price column: the column is turned on at
    // every start, and nothing is written, until a save stores version 2.
    profile.sections["UserSet"].erase("version");
    for (int start = 0; start < 2; ++start) {
        const UserSettings s = load(StoreResult::ok);
        EXPECT_EQ(s.displayFlags, 0x0Fu | showPrice);
        EXPECT_EQ(s.settingsVersion, 0);
    }
    EXPECT_TRUE(profile.writes.empty());
    profile.sections["UserSet"]["version"] = "-1";  // huge when unsigned
    EXPECT_EQ(load(StoreResult::ok).displayFlags, 0x0Fu);
    profile.sections["UserSet"]["version"] = "1";
    UserSettings s = load(StoreResult::ok);
    EXPECT_EQ(s.displayFlags, 0x0Fu | showPrice);
    s.displayFlags &= ~showPrice;
    store.saveUserSettings(s);
    EXPECT_EQ(profile.sections["UserSet"]["version"], "2");
    EXPECT_EQ(load(StoreResult::ok).displayFlags, 0x0Fu);
}

TEST_F(SettingsStoreTest, LostFileTakesStockListFromRegistryAndProxyFromInternetSettings)
{
    registry.set(appRegKey, stockListValueName, regSz, ",hk00001");
    registry.setDword(internetSettingsKey, "ProxyEnable", 1);
    registry.set(internetSettingsKey, "ProxyServer", regSz, std::string("proxy.local:3128\0", 17));

    const UserSettings s = load(StoreResult::repaired);
    EXPECT_STREQ(s.stockList, ",hk00001");
    EXPECT_EQ(s.dataSource, 1);
    EXPECT_EQ(s.hotKeyVirtualKey, 0x48u);
    EXPECT_EQ(s.proxyMode, proxyUseExplicit);
    EXPECT_EQ(proxyServerOf(s), "proxy.local:3128");
    EXPECT_EQ(profile.writes.size(), 5u);
    EXPECT_STREQ(load(StoreResult::ok).stockList, ",hk00001");
}

TEST_F(SettingsStoreTest, SystemProxyIsTakenOnlyWhenEnabledAndFitting)
{
    struct Case {
        bool keyExists;
        std::uint32_t enableType;
        std::string enable, server;
        std::uint32_t mode;
        std::string expected;
    };
    const std::string fits(49, 'p');
    const Case cases[] = {
        {false, regDword, "", "", 0, ""},
        {true, regNone, "", "a:1", 0, ""},  // no ProxyEnable value
        {true, regDword, std::string(4, '\0'), "a:1", 0, ""},
        {true, regDword, std::string("\2\0\0\0", 4), "a:1", 1, "a:1"},
        {true, regBinary, std::string("\0\1", 2), fits, 1, fits},
        {true, regDword, std::string("\1\0\0\0", 4), fits + '\0', 1, fits},
        {true, regDword, std::string("\1\0\0\0", 4), fits + 'p', 1, ""},
        {true, regDword, std::string("\1\0\0\0", 4), fits + "p\0", 1, ""},
        {true, regDword, std::string(300, '\1'), "a:1", 0, ""},  // not a number
        {true, regSz, "0", "a:1", 0, ""},
    };
    for (const Case& c : cases) {
        registry.keys.clear();
        if (c.keyExists) {
            registry.keys[internetSettingsKey];
            if (c.enableType != regNone)
                registry.set(internetSettingsKey, "ProxyEnable", c.enableType, c.enable);
            registry.set(internetSettingsKey, "ProxyServer", regSz, c.server);
        }
        UserSettings block;
        std::memset(&block, 0, sizeof block);
        EXPECT_EQ(store.readIEProxy(block), c.keyExists) << c.server;
        EXPECT_EQ(block.proxyMode, c.mode) << c.server;
        EXPECT_EQ(std::string(block.proxyServer), c.expected) << c.server;
        EXPECT_EQ(block.proxyServer[49], '\0');
    }
}

TEST_F(SettingsStoreTest, HostileStockListValuesAreNotTaken)
{
    const std::string longest(511, 'a');
    const std::pair<FakeRegistry::Value, std::string> values[] = {
        {{regSz, longest}, longest},
        {{regSz, longest + '\0'}, longest},
        {{regSz, std::string(",hk1\0junk", 9)}, ",hk1"},
        {{regSz, std::string(512, 'a')}, ""},
        {{regSz, std::string(512, 'a') + '\0'}, ""},
        {{regSz, std::string(100000, 'a')}, ""},
        {{regDword, std::string("\1\0\0\0", 4)}, ""},
        {{regBinary, ",hk1"}, ""},
    };
    for (const auto& [value, expected] : values) {
        registry.keys[appRegKey][stockListValueName] = value;
        char list[512];
        std::memset(list, 'x', sizeof list);
        EXPECT_EQ(store.readStockListFromRegistry(list), !expected.empty()) << value.data.size();
        if (!expected.empty())
            EXPECT_STREQ(list, expected.c_str());
        else
            EXPECT_EQ(list[0], 'x');
    }
}

TEST_F(SettingsStoreTest, CorruptFileKeepsWhatIsValidAndNeverOverruns)
{
    // Blocks that pass the checksum but whose texts fill their buffers.
    UserSettings full = customSettings();
    std::memset(full.stockList, 'a', sizeof full.stockList);
    std::memset(full.proxyServer, 'b', 150);
    store.saveUserSettings(full);
    EXPECT_EQ(stkCode(), std::string(511, 'a'));
    auto& keys = profile.sections["UserSet"];
    keys["su"] += "0";                                       // odd length
    keys["fontsize"] = std::string(100000, '9');
    keys["garbage"] = std::string(3, '\0');

    const UserSettings s = load(StoreResult::repaired);
    EXPECT_EQ(std::string(s.stockList), std::string(511, 'a'));
    EXPECT_EQ(s.refreshSeconds, 30);
    EXPECT_EQ(proxyServerOf(s), std::string(49, 'b'));
    EXPECT_EQ(std::string(s.proxyPassword), std::string(49, 'b'));
    EXPECT_EQ(s.backColor, defaultBackColor);
    EXPECT_EQ(s.fontSizeIndex, 1);

    keys["ss"] = std::string(1058, 'Z');
    keys["sp"] = "00";
    registry.lockedKeys.insert(internetSettingsKey);
    const UserSettings fallback = load(StoreResult::repaired);
    EXPECT_STREQ(fallback.stockList, std::string(511, 'a').c_str());  // from the registry
    EXPECT_EQ(fallback.refreshSeconds, 0);
    EXPECT_EQ(fallback.proxyMode, 0u);
}

TEST_F(SettingsStoreTest, RegistryValuesOfTheProgram)
{
    char buffer[8] = "kept";
    EXPECT_EQ(store.readAppRegValue("Guid", buffer, sizeof buffer), RegResult::noKey);
    EXPECT_EQ(store.writeAppRegValue("Guid", regSz, "{abc}", 6), RegResult::ok);
    EXPECT_EQ(store.readAppRegValue("Update", buffer, sizeof buffer), RegResult::noValue);
    EXPECT_EQ(store.writeAppRegValue("Update", regBinary, "123456789", 9), RegResult::ok);
    EXPECT_EQ(store.readAppRegValue("Update", buffer, sizeof buffer), RegResult::tooLong);
    EXPECT_STREQ(buffer, "kept");
    std::uint32_t type = 0, length = 0;
    EXPECT_EQ(store.readAppRegValue("Guid", buffer, sizeof buffer, &type, &length), RegResult::ok);
    EXPECT_STREQ(buffer, "{abc}");
    EXPECT_EQ(type, regSz);
    EXPECT_EQ(length, 6u);
    registry.lockedKeys.insert(appRegKey);
    EXPECT_NE(store.writeAppRegValue("Guid", regSz, "x", 1), RegResult::ok);
}

TEST_F(SettingsStoreTest, AutoRunEntryIsOneValueOrNone)
{
    const char* path = "C:\\Program Files\\Zeb\\Zeb.exe";
    EXPECT_EQ(store.setAutoRun(true, path), RegResult::ok);
    EXPECT_EQ(store.setAutoRun(true, path), RegResult::ok);
    ASSERT_EQ(registry.keys[runRegKey].size(), 1u);
    EXPECT_EQ(registry.keys[runRegKey]["Zeb"].type, regSz);
    // Quoted: Windows would cut the path at its first blank.
    EXPECT_EQ(registry.keys[runRegKey]["Zeb"].data, "\"C:\\Program Files\\Zeb\\Zeb.exe\"");
    EXPECT_TRUE(store.autoRunStarts(path));
    EXPECT_FALSE(store.autoRunStarts("C:\\Program Files\\Zeb\\Other.exe"));
    EXPECT_EQ(store.quoteAutoRun(path), RegResult::ok);
    EXPECT_EQ(registry.keys[runRegKey]["Zeb"].data, "\"C:\\Program Files\\Zeb\\Zeb.exe\"");

    // An earlier build's unquoted entry starts the same program, and is
    // written again quoted; another program's entry is left alone.
    registry.set(runRegKey, "Zeb", regSz, path);
    EXPECT_TRUE(store.autoRunStarts(path));
    EXPECT_EQ(store.quoteAutoRun(path), RegResult::ok);
    EXPECT_EQ(registry.keys[runRegKey]["Zeb"].data, "\"C:\\Program Files\\Zeb\\Zeb.exe\"");
    registry.set(runRegKey, "Zeb", regSz, "C:\\Other\\Zeb.exe");
    EXPECT_FALSE(store.autoRunStarts(path));
    EXPECT_EQ(store.quoteAutoRun(path), RegResult::ok);
    EXPECT_EQ(registry.keys[runRegKey]["Zeb"].data, "C:\\Other\\Zeb.exe");

    registry.set(runRegKey, "Other", regSz, "x");
    EXPECT_EQ(store.setAutoRun(false, path), RegResult::ok);
    EXPECT_NE(store.setAutoRun(false, path), RegResult::ok);
    EXPECT_EQ(registry.keys[runRegKey].count("Zeb"), 0u);
    EXPECT_EQ(registry.keys[runRegKey].count("Other"), 1u);

    EXPECT_NE(store.setAutoRun(true, ""), RegResult::ok);
    EXPECT_NE(store.setAutoRun(true, nullptr), RegResult::ok);
    EXPECT_EQ(store.setAutoRun(true, "C:\\Zeb\\??\\Zeb.exe"), RegResult::noProgram);  // lost in the code page
    registry.lockedKeys.insert(runRegKey);
    EXPECT_NE(store.setAutoRun(true, path), RegResult::ok);
    EXPECT_EQ(registry.keys[runRegKey].count("Zeb"), 0u);
}

TEST(ProfileText, SettingKeysKeepEveryOtherLine)
{
    // Into nothing: the section and its keys, as the profile functions write them.
    EXPECT_EQ(withProfileValues("", "UserSet", {{"ss", "01"}, {"su", "02"}}), "[UserSet]\r\nss=01\r\nsu=02\r\n");

    const std::string file = "; kept\r\n[userset]\r\n SS = old\r\nmine=1\r\n\r\n[WinStat]\r\nwstat=AA\r\n"
                             "[UserSet]\r\nss=second section, never read\r\n";
    const std::string changed = withProfileValues(file, "UserSet", {{"fontsize", "2"}, {"ss", "new"}});
    EXPECT_EQ(changed, "; kept\r\n[userset]\r\nss=new\r\nmine=1\r\nfontsize=2\r\n\r\n[WinStat]\r\nwstat=AA\r\n"
                       "[UserSet]\r\nss=second section, never read\r\n");
    EXPECT_EQ(profileValue(changed, "UserSet", "ss"), "new");
    EXPECT_EQ(profileValue(changed, "UserSet", "fontsize"), "2");
    EXPECT_EQ(profileValue(changed, "UserSet", "mine"), "1");

    // A last line without its break, Unix line ends and a byte-order mark.
    EXPECT_EQ(withProfileValues("[WinStat]\nwstat=AA", "WinStat", {{"x", "1"}}), "[WinStat]\nwstat=AA\r\nx=1\r\n");
    EXPECT_EQ(withProfileValues("[A]\na=1", "WinStat", {{"wstat", "B"}}), "[A]\na=1\r\n[WinStat]\r\nwstat=B\r\n");
    EXPECT_EQ(withProfileValues("\xEF\xBB\xBF[WinStat]\r\nwstat=AA\r\n", "WinStat", {{"wstat", "B"}}),
              "\xEF\xBB\xBF[WinStat]\r\nwstat=B\r\n");
}

TEST(SettingsPlace, BesideTheProgramUnlessItsFolderCannotBeWritten)
{
    for (bool userFile : {false, true})
        for (bool programFile : {false, true}) {
            EXPECT_EQ(settingsPlace(true, true, userFile, programFile), SettingsPlace::programFolder);
            EXPECT_EQ(settingsPlace(false, false, userFile, programFile), SettingsPlace::programFolder);
        }
    EXPECT_EQ(settingsPlace(false, true, false, false), SettingsPlace::userFolder);
    EXPECT_EQ(settingsPlace(false, true, true, false), SettingsPlace::userFolder);
    // The user's own file, once there, is never replaced by the program's.
    EXPECT_EQ(settingsPlace(false, true, true, true), SettingsPlace::userFolder);
    EXPECT_EQ(settingsPlace(false, true, false, true), SettingsPlace::userFolderSeeded);
}

TEST(LiveSettings, ReadersNeverSeeAHalfReplacedRecord)
{
    UserSettings a, b;
    std::memset(&a, 0x11, sizeof a);
    std::memset(&b, 0x22, sizeof b);
    LiveSettings live;
    live.replace(a);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i)
            live.replace(i % 2 ? a : b);
    });
    int torn = 0;
    for (int i = 0; i < 20000; ++i) {
        const UserSettings s = live.copy();
        torn += !same(s, a) && !same(s, b);
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

TEST(CodeValues, ReadWhatAUserTypesAndRefuseTheRest)
{
    std::optional<double> price = 1;
    EXPECT_TRUE(readPrice(" 370.5 ", price) && price == 370.5);
    EXPECT_TRUE(readPrice("0.045", price) && price == 0.045);
    EXPECT_TRUE(readPrice("", price) && !price);  // none
    for (const char* bad : {"abc", "0", "-1", "1.2345", "1e3", "3..1", ".", "1,000", "10000000", "12x"})
        EXPECT_FALSE(readPrice(bad, price)) << bad;
    EXPECT_FALSE(readPercent("1000.5", price));
    std::int64_t shares = 0;
    EXPECT_TRUE(readShares("200", shares) && shares == 200);
    for (const char* bad : {"12x!", "-5", "2.5", "1000000000001"})
        EXPECT_FALSE(readShares(bad, shares)) << bad;
    std::string alias;
    EXPECT_TRUE(readAlias(" 腾讯 ", alias) && alias == "腾讯");
    EXPECT_FALSE(readAlias("一二三四五六七八九", alias));  // 18 bytes
    EXPECT_FALSE(readAlias("\xCC", alias));                // cut inside a character
    EXPECT_FALSE(readAlias("a\tb\x01", alias));
    EXPECT_EQ(priceText(369.5), "369.5");
    EXPECT_EQ(priceText(300.0), "300");
    EXPECT_EQ(priceText(0.045), "0.045");
}

TEST_F(SettingsStoreTest, CodeRecordsReadWhatParsesAndSaveOnlyWhatChanged)
{
    profile.sections["Code hk00700"] = {{"alias", "腾讯"}, {"shares", "12x!"}, {"cost", "300"}, {"above", "369"}};
    profile.sections["Code hkHSI"] = {{"alias", "恒指"}, {"shares", "100"}, {"cost", "1"}, {"move", "2.5"}};
    profile.sections["Code hk00001"] = {{"alias", "长和"}};  // not in the list: untouched
    const CodeBook before = store.loadCodeBook(",hk00700,hkHSI,hk00005");
    ASSERT_EQ(before.records().size(), 2u);
    const CodeRecord& tencent = *before.find("hk00700");
    EXPECT_EQ(tencent.alias, "腾讯");
    EXPECT_EQ(tencent.shares, 0);  // garbage reads as none
    EXPECT_EQ(tencent.cost, std::optional<double>(300));
    EXPECT_EQ(tencent.above, std::optional<double>(369));
    EXPECT_EQ(before.find("hkHSI")->shares, 0);  // an index holds nothing
    EXPECT_EQ(before.find("hkHSI")->move, std::optional<double>(2.5));

    CodeBook now = before;
    now.put({"hk00005", "", 400, 62.35, {}, {}, {}});
    now.put({"hkHSI", "", 0, {}, {}, {}, {}});  // every field cleared
    profile.writes.clear();
    profile.saves = 0;
    EXPECT_EQ(store.saveCodeBook(now, before), StoreResult::ok);
    EXPECT_EQ(profile.sections["Code hk00005"]["cost"], "62.35");
    EXPECT_EQ(profile.sections["Code hkHSI"]["alias"], "");
    EXPECT_EQ(profile.sections["Code hk00700"]["shares"], "12x!");  // unchanged, not written
    EXPECT_EQ(profile.sections["Code hk00001"]["alias"], "长和");
    EXPECT_EQ(profile.writes.size(), 12u);  // two sections of six keys
    EXPECT_EQ(profile.saves, 1);             // in one save of the file

    EXPECT_FALSE(store.loadDiscreet());
    EXPECT_EQ(store.saveDiscreet(true), StoreResult::ok);
    EXPECT_TRUE(store.loadDiscreet());
}
