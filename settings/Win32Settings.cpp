#include "settings/Win32Settings.h"

#include "settings/LiveSettings.h"
#include "settings/Win32Profile.h"
#include "settings/Win32Registry.h"

#include <windows.h>

std::string iniPath = ".\\zeb.ini";

namespace {
struct Win32Store {
    Win32Profile profile{iniPath};
    Win32Registry registry;
    SettingsStore store{profile, registry};
};
}  // namespace

StoreResult loadUserSettings(UserSettings& out)
{
    return Win32Store().store.loadUserSettings(out);
}

StoreResult saveUserSettings(const UserSettings& in)
{
    return Win32Store().store.saveUserSettings(in);
}

StoreResult loadWindowState(WindowState& state)
{
    return Win32Store().store.loadWindowState(state);
}

StoreResult saveWindowState(const WindowState& state)
{
    return Win32Store().store.saveWindowState(state);
}

RegResult setAutoRun(bool on)
{
    char path[MAX_PATH] = {};
    if (on) {
        // A cut path would start nothing: it is not entered.
        const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return RegResult::noProgram;
    }
    return Win32Store().store.setAutoRun(on, path);
}

RegResult readAppRegValue(const char* name, void* buffer, std::uint32_t size, std::uint32_t* type,
                          std::uint32_t* length)
{
    return Win32Store().store.readAppRegValue(name, buffer, size, type, length);
}

RegResult writeAppRegValue(const char* name, std::uint32_t type, const void* data, std::uint32_t length)
{
    return Win32Store().store.writeAppRegValue(name, type, data, length);
}

void loadLiveSettings()
{
    UserSettings settings;
    loadUserSettings(settings);
    replaceUserSettings(settings);
    loadWindowState(windowState);
}

void saveLiveSettings()
{
    saveWindowState(windowState);
    saveUserSettings(currentSettings());
}
