// Runs in a fresh temporary folder made the working directory, against the
// current user's registry: the values touched are removed or put back.
#include "settings/StructBlock.h"
#include "settings/Win32Profile.h"
#include "settings/Win32Registry.h"
#include "settings/Win32Settings.h"
#include "winui/Handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

static std::string fileText(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A registry value as stored: type and bytes; type REG_NONE with no bytes when missing.
static std::pair<DWORD, std::string> storedValue(const char* key, const char* name)
{
    RegistryKey handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, handle.put()) != ERROR_SUCCESS)
        return {REG_NONE, ""};
    DWORD type = REG_NONE, length = 0;
    std::string data;
    if (RegQueryValueExA(handle.get(), name, nullptr, &type, nullptr, &length) == ERROR_SUCCESS) {
        data.resize(length);
        RegQueryValueExA(handle.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &length);
    } else {
        type = REG_NONE;
    }
    return {type, data};
}

static void putValue(const char* key, const char* name, DWORD type, const std::string& data)
{
    Win32Registry().writeValue(key, name, type, data.data(), static_cast<DWORD>(data.size()));
}

static void putDword(const char* key, const char* name, DWORD n)
{
    Win32Registry().writeValue(key, name, REG_DWORD, &n, 4);
}

struct Win32SettingsTest : testing::Test {
    Win32SettingsStore store;
    char previousDir[MAX_PATH];
    std::string dir;
    // Every value the tests touch, as it stood before.
    struct Saved {
        const char* key;
        const char* name;
        std::pair<DWORD, std::string> value;
    };
    std::vector<Saved> saved = {{internetSettingsKey, "ProxyEnable", {}},
                                {internetSettingsKey, "ProxyServer", {}},
                                {appRegKey, stockListValueName, {}},
                                {runRegKey, autoRunValueName, {}}};

    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, previousDir);
        char temp[MAX_PATH], name[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        GetTempFileNameA(temp, "zeb", 0, name);
        DeleteFileA(name);
        dir = name;
        ASSERT_TRUE(CreateDirectoryA(name, nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(name));
        for (Saved& v : saved) {
            v.value = storedValue(v.key, v.name);
            Win32Registry().deleteValue(v.key, v.name);
        }
        putDword(internetSettingsKey, "ProxyEnable", 0);
    }
    void TearDown() override
    {
        for (const Saved& v : saved) {
            if (v.value.first == REG_NONE)
                Win32Registry().deleteValue(v.key, v.name);
            else
                putValue(v.key, v.name, v.value.first, v.value.second);
        }
        SetCurrentDirectoryA(previousDir);
        DeleteFileA((dir + "\\zeb.ini").c_str());
        DeleteFileA((dir + "\\struct.ini").c_str());
        RemoveDirectoryA(dir.c_str());
    }
    UserSettings load(StoreResult expectedResult)
    {
        UserSettings s;
        std::memset(&s, 0xCC, sizeof s);
        EXPECT_EQ(store.loadUserSettings(s), expectedResult);
        return s;
    }
};

TEST_F(Win32SettingsTest, BlocksAreWhatTheProfileStructFunctionsWriteAndRead)
{
    unsigned char random[528];
    for (unsigned i = 0; i < sizeof random; ++i)
        random[i] = static_cast<unsigned char>(i * 37 + 11);
    const UserSettings d = defaultUserSettings();
    const WindowState w = {1, {-5, 10, 300, 200}};
    const std::pair<const void*, UINT> blocks[] = {{&d.backColor, 28}, {&w, 20}, {random, 528}};
    for (auto [data, size] : blocks) {
        WritePrivateProfileStructA("S", "k", const_cast<void*>(data), size, ".\\struct.ini");
        EXPECT_TRUE(Win32Profile(L".\\zeb.ini").write("S", {{"k", encodeStructBlock(data, size)}}));
        EXPECT_EQ(fileText("zeb.ini"), fileText("struct.ini"));
        std::vector<unsigned char> back(size);
        EXPECT_TRUE(GetPrivateProfileStructA("S", "k", back.data(), size, ".\\zeb.ini"));
        EXPECT_EQ(std::memcmp(back.data(), data, size), 0);
    }

    // The reader accepts and refuses what Windows does, lower-case digits
    // included. (Windows is laxer with non-digits and over-long values; the
    // reader refuses those.)
    const std::string good = encodeStructBlock(&w, 20);
    std::string lower = good, changed = good;
    for (char& c : lower)
        c = static_cast<char>(tolower(c));
    changed[3] = changed[3] == '0' ? '1' : '0';
    for (const std::string& text : {good, lower, changed, good.substr(2)}) {
        WritePrivateProfileStringA("S", "t", text.c_str(), ".\\zeb.ini");
        WindowState ours = {}, theirs = {};
        const bool accepted = decodeStructBlock(Win32Profile(L".\\zeb.ini").read("S", "t"), &ours, 20);
        EXPECT_EQ(accepted, GetPrivateProfileStructA("S", "t", &theirs, 20, ".\\zeb.ini") != FALSE)
            << text;
        EXPECT_EQ(std::memcmp(&ours, &theirs, 20) == 0 || !accepted, true) << text;
    }
    for (const char* text : {"7", "0", "-1", " 3", "+2", "12abc", "abc", ""}) {
        WritePrivateProfileStringA("S", "n", text, ".\\zeb.ini");
        EXPECT_EQ(parseProfileInt(Win32Profile(L".\\zeb.ini").read("S", "n"), 9),
                  static_cast<std::int32_t>(GetPrivateProfileIntA("S", "n", 9, ".\\zeb.ini")))
            << text;
    }
}

TEST_F(Win32SettingsTest, FirstRunWritesTheWholeFileAndTheRegistryCopy)
{
    const UserSettings s = load(StoreResult::repaired);
    UserSettings expected = defaultUserSettings();
    EXPECT_EQ(std::memcmp(&s, &expected, sizeof s), 0);
    WindowState w = {};
    EXPECT_EQ(store.loadWindowState(w), StoreResult::repaired);

    const std::string text = fileText("zeb.ini");
    std::string keys;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line != "\r")
            keys += line.substr(0, line.find_first_of("=\r")) + " ";
    EXPECT_EQ(keys, "[UserSet] ss su sp fontsize version [WinStat] wstat ");
    EXPECT_NE(text.find("su=FFFFE6000000FF0000990000FF00000000000000750000000A000000FA\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("fontsize=1\r\nversion=2\r\n"), std::string::npos);
    EXPECT_NE(text.find("wstat=" + std::string(42, '0') + "\r\n"), std::string::npos);
    // The registry copy is text stored without its terminator.
    EXPECT_EQ(storedValue(appRegKey, stockListValueName),
              std::make_pair(DWORD(REG_SZ), std::string(",hkHSI,hkHSCEI,hkHSCCI")));

    const std::string before = fileText("zeb.ini");
    expected.settingsVersion = 2;
    const UserSettings again = load(StoreResult::ok);
    EXPECT_EQ(std::memcmp(&again, &expected, sizeof again), 0);
    EXPECT_EQ(store.loadWindowState(w), StoreResult::ok);
    EXPECT_EQ(fileText("zeb.ini"), before);
}

TEST_F(Win32SettingsTest, StoredFileEditsAndLossesLoadAsDescribed)
{
    UserSettings mine = defaultUserSettings();
    std::strcpy(mine.stockList, ",hk00700");
    mine.displayFlags = 0x0F;
    mine.backColor = 0x00112233;
    std::strcpy(mine.proxyServer, "10.1.1.1:80");
    mine.proxyMode = 1;
    EXPECT_EQ(store.saveUserSettings(mine), StoreResult::ok);

    // One digit of "su" changed: only the colors and flags fall back.
    char su[80];
    GetPrivateProfileStringA("UserSet", "su", "", su, sizeof su, ".\\zeb.ini");
    su[0] = su[0] == '0' ? '1' : '0';
    WritePrivateProfileStringA("UserSet", "su", su, ".\\zeb.ini");
    UserSettings s = load(StoreResult::repaired);
    EXPECT_STREQ(s.stockList, ",hk00700");
    EXPECT_STREQ(s.proxyServer, "10.1.1.1:80");
    EXPECT_EQ(s.backColor, defaultBackColor);
    EXPECT_EQ(s.displayFlags, 0x75u);
    EXPECT_EQ(load(StoreResult::ok).backColor, defaultBackColor);

    WritePrivateProfileStringA("UserSet", "fontsize", "7", ".\\zeb.ini");
    EXPECT_EQ(load(StoreResult::ok).fontSizeIndex, 1);
    WritePrivateProfileStringA("UserSet", "fontsize", "0", ".\\zeb.ini");
    EXPECT_EQ(load(StoreResult::ok).fontSizeIndex, 0);

    mine.fontSizeIndex = 2;
    store.saveUserSettings(mine);
    WritePrivateProfileStringA("UserSet", "version", nullptr, ".\\zeb.ini");
    const std::string before = fileText("zeb.ini");
    EXPECT_EQ(load(StoreResult::ok).displayFlags, 0x0Fu | showPrice);
    EXPECT_EQ(load(StoreResult::ok).displayFlags, 0x0Fu | showPrice);
    EXPECT_EQ(fileText("zeb.ini"), before);

    // The file lost: the stock list comes back from the registry, the proxy
    // from the Internet settings.
    ASSERT_TRUE(DeleteFileA("zeb.ini"));
    putDword(internetSettingsKey, "ProxyEnable", 1);
    putValue(internetSettingsKey, "ProxyServer", REG_SZ, std::string("proxy.local:3128", 17));
    s = load(StoreResult::repaired);
    EXPECT_STREQ(s.stockList, ",hk00700");
    EXPECT_EQ(s.displayFlags, 0x75u);
    EXPECT_EQ(s.fontSizeIndex, 1);
    EXPECT_EQ(s.proxyMode, 1u);
    EXPECT_STREQ(s.proxyServer, "proxy.local:3128");
    EXPECT_EQ(load(StoreResult::ok).fontSizeIndex, 1);

    ASSERT_TRUE(DeleteFileA("zeb.ini"));
    putValue(internetSettingsKey, "ProxyServer", REG_SZ, std::string(60, 'p'));
    s = load(StoreResult::repaired);
    EXPECT_EQ(s.proxyMode, 1u);
    EXPECT_STREQ(s.proxyServer, "");
}

TEST_F(Win32SettingsTest, RegistryValuesAndAutoRun)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(store.setAutoRun(true), RegResult::ok);
    EXPECT_EQ(store.setAutoRun(true), RegResult::ok);
    EXPECT_EQ(storedValue(runRegKey, autoRunValueName),
              std::make_pair(DWORD(REG_SZ), "\"" + std::string(path) + "\""));
    EXPECT_TRUE(store.autoRunIsOn());
    EXPECT_EQ(store.setAutoRun(false), RegResult::ok);
    EXPECT_FALSE(store.autoRunIsOn());
    EXPECT_EQ(storedValue(runRegKey, autoRunValueName).first, DWORD(REG_NONE));
    EXPECT_NE(store.setAutoRun(false), RegResult::ok);

    EXPECT_EQ(writeAppRegValue(stockListValueName, REG_SZ, ",hk1", 4), RegResult::ok);
    char buffer[8] = {};
    std::uint32_t type = 0, length = 0;
    EXPECT_EQ(readAppRegValue(stockListValueName, buffer, 4, &type, &length), RegResult::ok);
    EXPECT_EQ(std::string(buffer), ",hk1");
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(readAppRegValue(stockListValueName, buffer, 3), RegResult::tooLong);
    EXPECT_EQ(readAppRegValue("NoSuchValue", buffer, 8), RegResult::noValue);
    EXPECT_EQ(Win32Registry().readValue("Software\\Quillon\\NoSuchKey", "x", buffer, 8, type, length),
              RegResult::noKey);
}

// The file at any moment, as a reader takes it: true when every block in it
// passes its check.
static bool wholeFile(const std::string& text)
{
    unsigned char block[528];
    const std::pair<const char*, std::size_t> blocks[] = {{"ss", 528}, {"su", 28}, {"sp", 156}};
    for (auto [key, size] : blocks)
        if (!decodeStructBlock(profileValue(text, "UserSet", key), block, size))
            return false;
    return decodeStructBlock(profileValue(text, "WinStat", "wstat"), block, 20);
}

TEST_F(Win32SettingsTest, SavesReplaceTheFileWholeAndTakeTurns)
{
    ASSERT_EQ(store.saveUserSettings(defaultUserSettings()), StoreResult::ok);
    ASSERT_EQ(store.saveWindowState({0, {0, 0, 10, 10}}), StoreResult::ok);

    // Two savers at once, each of its own section, and a reader: the reader
    // only ever finds whole files, and neither saver loses what the other
    // wrote, which a read-change-replace without the lock would.
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            const FileHandle in(CreateFileA("zeb.ini", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
            char text[4096];
            DWORD length = 0;
            if (in && ReadFile(in.get(), text, sizeof text, &length, nullptr) &&
                !wholeFile(std::string(text, length)))
                ++torn;
            ++reads;
        }
    });
    std::thread windows([this] {
        for (int i = 1; i <= 30; ++i)
            EXPECT_EQ(store.saveWindowState({0, {i, i, 100, 100}}), StoreResult::ok);
    });
    UserSettings s = defaultUserSettings();
    for (int i = 1; i <= 30; ++i) {
        s.fontSizeIndex = i % 4;
        s.backColor = static_cast<Color>(i);
        EXPECT_EQ(store.saveUserSettings(s), StoreResult::ok);
    }
    windows.join();
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_EQ(load(StoreResult::ok).backColor, Color(30));
    WindowState w = {};
    EXPECT_EQ(store.loadWindowState(w), StoreResult::ok);
    EXPECT_EQ(w.windowRect.left, 30);

    // Nothing is left beside the file.
    WIN32_FIND_DATAA found;
    int files = 0;
    const HANDLE search = FindFirstFileA("*", &found);
    do
        files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(files, 1);
}

TEST_F(Win32SettingsTest, AFileHeldOpenWithoutSharingIsLeftAsItWas)
{
    LiveSettings live;
    WindowState window = {};
    ASSERT_EQ(store.saveUserSettings(defaultUserSettings()), StoreResult::ok);
    const std::string before = fileText("zeb.ini");
    {
        const FileHandle held(CreateFileA("zeb.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        UserSettings s = defaultUserSettings();
        s.fontSizeIndex = 3;
        EXPECT_EQ(store.saveUserSettings(s), StoreResult::failed);
        EXPECT_EQ(store.saveWindowState({1, {5, 5, 50, 50}}), StoreResult::failed);
        // Held through the start: the session runs on the defaults...
        load(StoreResult::unread);
        store.loadLive(live, window);
    }
    // ...which do not take the file's place at exit.
    store.saveLive(live, window);
    EXPECT_EQ(fileText("zeb.ini"), before);
    EXPECT_EQ(store.saveWindowState({1, {5, 5, 50, 50}}), StoreResult::ok);
}

TEST_F(Win32SettingsTest, AStoreReadsAndWritesOnlyItsOwnFile)
{
    ASSERT_TRUE(CreateDirectoryA("user", nullptr));
    Win32SettingsStore user(L".\\user\\zeb.ini");
    UserSettings mine = defaultUserSettings();
    mine.fontSizeIndex = 3;
    EXPECT_EQ(user.saveUserSettings(mine), StoreResult::ok);
    UserSettings back;
    EXPECT_EQ(user.loadUserSettings(back), StoreResult::ok);
    EXPECT_EQ(back.fontSizeIndex, 3);
    EXPECT_EQ(GetFileAttributesA("zeb.ini"), INVALID_FILE_ATTRIBUTES);
    DeleteFileA("user\\zeb.ini");
    RemoveDirectoryA("user");
}

static DWORD msSince(ULONGLONG start)
{
    return static_cast<DWORD>(GetTickCount64() - start);
}

TEST_F(Win32SettingsTest, ASaveWaitsForTheLockBesideTheFileAndForNothingElse)
{
    ASSERT_EQ(store.saveWindowState({0, {1, 1, 10, 10}}), StoreResult::ok);

    // A machine-wide mutex that any account can hold stalls no save.
    std::atomic<bool> taken{false}, release{false};
    std::thread other([&] {
        const KernelHandle mutex(CreateMutexW(nullptr, TRUE, L"Global\\zeb_settings_save"));
        taken = true;
        while (!release)
            Sleep(10);
        ReleaseMutex(mutex.get());
    });
    while (!taken)
        Sleep(10);
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(store.saveWindowState({0, {2, 2, 10, 10}}), StoreResult::ok);
    const DWORD free = msSince(start);
    EXPECT_LT(free, 1000u);
    release = true;
    other.join();
    RecordProperty("saveMs", static_cast<int>(free));

    // The lock on the file beside zeb.ini, held by another copy: a save
    // waits for it 5 seconds at most, then goes on, whole.
    const FileHandle lock(CreateFileA("zeb.ini.lock", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      0, nullptr));
    OVERLAPPED range = {};
    ASSERT_TRUE(LockFileEx(lock.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range));
    start = GetTickCount64();
    EXPECT_EQ(store.saveWindowState({0, {4, 4, 10, 10}}), StoreResult::ok);
    const DWORD bound = msSince(start);
    EXPECT_GE(bound, 4900u);
    EXPECT_LT(bound, 7000u);
    RecordProperty("heldLockSaveMs", static_cast<int>(bound));
    WindowState w = {};
    EXPECT_EQ(store.loadWindowState(w), StoreResult::ok);
    EXPECT_EQ(w.windowRect.left, 4);
}

TEST_F(Win32SettingsTest, TheStartRemovesTheNewFilesOfSavesThatDied)
{
    // Saves that died (no process has such an id), one that runs (this
    // process), one that a copy elsewhere still writes, and others' files,
    // beside a whole file that the start does not write again.
    ASSERT_EQ(store.saveUserSettings(defaultUserSettings()), StoreResult::ok);
    ASSERT_EQ(store.saveWindowState({0, {1, 1, 10, 10}}), StoreResult::ok);
    const std::string running = "zeb.ini." + std::to_string(GetCurrentProcessId()) + ".new";
    const char* dead[] = {"zeb.ini.4294967292.new", "ZEB.INI.4294967288.NEW", "zeb.ini.4294967292.8.new"};
    const char* kept[] = {running.c_str(), "zeb.ini.4294967284.new", "zeb.ini.x.new", "zeb.ini.4294967280.bak",
                          "other.ini.4294967276.new"};
    for (const char* name : dead)
        std::ofstream(name) << "torn";
    for (const char* name : kept)
        std::ofstream(name) << "kept";
    FileHandle written(CreateFileA(kept[1], GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(written);

    LiveSettings live;
    WindowState window = {};
    store.loadLive(live, window);
    for (const char* name : dead)
        EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES) << name;
    written.reset();
    for (const char* name : kept) {
        EXPECT_NE(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES) << name;
        DeleteFileA(name);
    }
}

TEST_F(Win32SettingsTest, AUserFolderThatCannotBeMadeOrSeededLeavesTheFileBesideTheProgram)
{
    UserSettings mine = defaultUserSettings();
    mine.fontSizeIndex = 3;
    ASSERT_EQ(store.saveUserSettings(mine), StoreResult::ok);
    ASSERT_TRUE(CreateDirectoryA("app", nullptr));
    char appData[MAX_PATH];
    GetFullPathNameA("app", MAX_PATH, appData, nullptr);
    const std::wstring user(appData, appData + std::strlen(appData));

    // A file where the folder should be.
    std::ofstream("app\\Zeb") << "not a folder";
    EXPECT_EQ(settingsFileFor(false, user), L".\\zeb.ini");
    ASSERT_TRUE(DeleteFileA("app\\Zeb"));
    // A copy that fails: the file is held open without sharing.
    {
        const FileHandle held(CreateFileA("zeb.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_EQ(settingsFileFor(false, user), L".\\zeb.ini");
    }
    EXPECT_EQ(GetFileAttributesA("app\\Zeb\\zeb.ini"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(load(StoreResult::ok).fontSizeIndex, 3);

    // Once they can be, the user's folder takes over, from the copy.
    const std::wstring userFile = settingsFileFor(false, user);
    EXPECT_EQ(userFile, user + L"\\Zeb\\zeb.ini");
    UserSettings back;
    EXPECT_EQ(Win32SettingsStore(userFile).loadUserSettings(back), StoreResult::ok);
    EXPECT_EQ(back.fontSizeIndex, 3);
    DeleteFileA("app\\Zeb\\zeb.ini");
    RemoveDirectoryA("app\\Zeb");
    RemoveDirectoryA("app");
}
