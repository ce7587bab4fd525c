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

// The running program's path in the ANSI code page, as the Run entry holds
// it; false when it cannot be had whole.
bool programPath(char (&path)[MAX_PATH])
{
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length != 0 && length < MAX_PATH;
}

// Found by trying to create a file in the program's folder; the user's
// folder is created when it is chosen.
std::wstring chooseSettingsFile()
{
    const std::wstring beside = L".\\zeb.ini";
    const bool writable = canCreateFileIn(L".");
    // A program folder that takes the file, the usual case, looks no further.
    wchar_t appData[MAX_PATH] = {};
    const bool known =
        !writable && SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData));
    const std::wstring folder = std::wstring(appData) + L"\\Zeb";
    const std::wstring userFile = folder + L"\\zeb.ini";
    switch (settingsPlace(writable, known, known && fileExists(userFile), known && fileExists(beside))) {
    case SettingsPlace::programFolder:
        return beside;
    case SettingsPlace::userFolderSeeded:
        CreateDirectoryW(folder.c_str(), nullptr);
        if (!CopyFileW(beside.c_str(), userFile.c_str(), TRUE))
            traceLastError("settings not carried to the user's folder");
        return userFile;
    case SettingsPlace::userFolder:
        CreateDirectoryW(folder.c_str(), nullptr);
        return userFile;
    }
    return beside;
}

}  // namespace

void Win32SettingsStore::choosePlace()
{
    iniPath = chooseSettingsFile();
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
