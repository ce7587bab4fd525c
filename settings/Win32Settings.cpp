#include "settings/Win32Settings.h"

#include "settings/LiveSettings.h"
#include "settings/Win32Profile.h"
#include "settings/Win32Registry.h"

#include "winui/Handles.h"
#include "winui/Trace.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>

namespace {
// The store over the file, made anew for every call.
struct Win32Store {
    explicit Win32Store(const std::wstring& path) : profile(path) {}
    Win32Profile profile;
    Win32Registry registry;
    SettingsStore store{profile, registry};
};

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Found by trying: a file the folder takes is one zeb.ini's saves can make.
bool canCreateFileIn(const std::wstring& folder)
{
    const std::wstring probe = folder + L"\\zeb." + std::to_wstring(GetCurrentProcessId()) + L".probe";
    return static_cast<bool>(FileHandle(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr)));
}

// True when the folder is there or could be made.
bool makeFolder(const std::wstring& folder)
{
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    SetLastError(error);
    return false;
}

// The running program's path in the ANSI code page, as the Run entry holds
// it; false when it cannot be had whole.
bool programPath(char (&path)[MAX_PATH])
{
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length != 0 && length < MAX_PATH;
}

}  // namespace

std::wstring settingsFileFor(bool programFolderWritable, const std::wstring& appData)
{
    const std::wstring beside = L".\\zeb.ini";
    const bool known = !appData.empty();
    const std::wstring folder = appData + L"\\Zeb";
    const std::wstring userFile = folder + L"\\zeb.ini";
    const SettingsPlace place =
        settingsPlace(programFolderWritable, known, known && fileExists(userFile), known && fileExists(beside));
    if (place == SettingsPlace::programFolder)
        return beside;
    // Where the user's folder cannot take the settings, the file beside the
    // program is still read; its saves fail, and say so.
    if (!makeFolder(folder)) {
        traceLastError("settings folder not made in the user's folder");
        return beside;
    }
    if (place == SettingsPlace::userFolderSeeded && !CopyFileW(beside.c_str(), userFile.c_str(), TRUE)) {
        const DWORD error = GetLastError();
        // Another copy of the program that starts for the same user may
        // have made it first; anything else may have left part of a copy.
        if (error != ERROR_FILE_EXISTS) {
            DeleteFileW(userFile.c_str());
            trace("settings not carried to the user's folder", error);
            return beside;
        }
    }
    return userFile;
}

// The user's folder is only looked up where the program's folder cannot be
// written, which is found by trying to create a file in it.
void Win32SettingsStore::choosePlace()
{
    const bool writable = canCreateFileIn(L".");
    wchar_t appData[MAX_PATH] = {};
    if (!writable && FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        appData[0] = L'\0';
    iniPath = settingsFileFor(writable, appData);
}

StoreResult Win32SettingsStore::loadUserSettings(UserSettings& out)
{
    return Win32Store(iniPath).store.loadUserSettings(out);
}

StoreResult Win32SettingsStore::saveUserSettings(const UserSettings& in)
{
    const StoreResult result = Win32Store(iniPath).store.saveUserSettings(in);
    if (result == StoreResult::ok)
        fileUnread = false;
    return result;
}

StoreResult Win32SettingsStore::loadWindowState(WindowState& state)
{
    return Win32Store(iniPath).store.loadWindowState(state);
}

StoreResult Win32SettingsStore::saveWindowState(const WindowState& state)
{
    return Win32Store(iniPath).store.saveWindowState(state);
}

CodeBook Win32SettingsStore::loadCodeBook(const char* stockList)
{
    return Win32Store(iniPath).store.loadCodeBook(stockList);
}

CodeRecord Win32SettingsStore::loadCodeRecord(std::string_view entry)
{
    return Win32Store(iniPath).store.loadCodeRecord(entry);
}

StoreResult Win32SettingsStore::saveCodeBook(const CodeBook& now, const CodeBook& before)
{
    return Win32Store(iniPath).store.saveCodeBook(now, before);
}

bool Win32SettingsStore::loadDiscreet()
{
    return Win32Store(iniPath).store.loadDiscreet();
}

StoreResult Win32SettingsStore::saveDiscreet(bool on)
{
    return Win32Store(iniPath).store.saveDiscreet(on);
}

RegResult Win32SettingsStore::setAutoRun(bool on)
{
    char path[MAX_PATH] = {};
    // A cut path would start nothing: it is not entered.
    if (on && !programPath(path))
        return RegResult::noProgram;
    return Win32Store(iniPath).store.setAutoRun(on, path);
}

bool Win32SettingsStore::autoRunIsOn()
{
    char path[MAX_PATH] = {};
    return programPath(path) && Win32Store(iniPath).store.autoRunStarts(path);
}

void Win32SettingsStore::loadLive(LiveSettings& live, WindowState& window)
{
    removeDeadSaveFiles(iniPath);
    UserSettings settings;
    fileUnread = loadUserSettings(settings) == StoreResult::unread;
    live.replace(settings);
    live.replaceCodes(loadCodeBook(settings.stockList));
    if (loadWindowState(window) == StoreResult::unread)
        fileUnread = true;
    char path[MAX_PATH] = {};
    if (programPath(path))
        Win32Store(iniPath).store.quoteAutoRun(path);
}

void Win32SettingsStore::saveLive(const LiveSettings& live, const WindowState& window)
{
    if (fileUnread)
        return;
    saveWindowState(window);
    saveUserSettings(live.copy());
}

// The program's key is the registry's alone: no file is touched.
RegResult readAppRegValue(const char* name, void* buffer, std::uint32_t size, std::uint32_t* type,
                          std::uint32_t* length)
{
    return Win32Store(std::wstring()).store.readAppRegValue(name, buffer, size, type, length);
}

RegResult writeAppRegValue(const char* name, std::uint32_t type, const void* data, std::uint32_t length)
{
    return Win32Store(std::wstring()).store.writeAppRegValue(name, type, data, length);
}
