// The settings store of the running program: zeb.ini at the settings file's
// place and the registry of the current user.
#pragma once

#include "settings/LiveSettings.h"
#include "settings/SettingsStore.h"
#include "settings/UserSettings.h"

#include <atomic>
#include <cstdint>
#include <string>

// The store (SettingsStore) over one settings file and the current user's
// registry. Any thread may save through it: every call opens the file anew.
class Win32SettingsStore {
public:
    explicit Win32SettingsStore(std::wstring iniPath = L".\\zeb.ini") : iniPath(std::move(iniPath)) {}
    // Binds the store to the settings file's place, before anything is
    // loaded: ".\\zeb.ini", relative to the current directory (the program
    // makes it its own folder first), or, where that folder cannot be
    // written, "%APPDATA%\\Zeb\\zeb.ini" (see settingsFileFor).
    void choosePlace();

    StoreResult loadUserSettings(UserSettings& out);
    StoreResult saveUserSettings(const UserSettings& in);
    StoreResult loadWindowState(WindowState& state);
    StoreResult saveWindowState(const WindowState& state);
    CodeBook loadCodeBook(const char* stockList);
    CodeRecord loadCodeRecord(std::string_view entry);
    StoreResult saveCodeBook(const CodeBook& now, const CodeBook& before);
    bool loadDiscreet();
    StoreResult saveDiscreet(bool on);

    // Enters the running program in the Run key ("Zeb"), or removes it. ok,
    // or noKey, noValue, noProgram (the program's path cannot be had or entered).
    RegResult setAutoRun(bool on);
    // True when the Run key starts the running program.
    bool autoRunIsOn();

    // Start-up: removes what saves that died left beside the file, loads
    // the live settings record and the records of its codes, then the
    // window record; a Run entry of an
    // earlier build is written again quoted.
    void loadLive(LiveSettings& live, WindowState& window);
    // Exit: saves the window record, then the live settings record; nothing
    // when the file could not be read at start and the user has not saved
    // settings since (the defaults that stood in for it do not replace it).
    void saveLive(const LiveSettings& live, const WindowState& window);

private:
    std::wstring iniPath;
    std::atomic<bool> fileUnread{false};
};

// The settings file for a program folder (the current directory) that can or
// cannot be written and the user's application-data folder appData ("" when
// it is not known): ".\\zeb.ini", or "<appData>\\Zeb\\zeb.ini", the folder made
// and, the first time, seeded with a copy of the file beside the program.
// Where the folder cannot be made or the copy fails, ".\\zeb.ini" stays (to be
// read; its saves fail) and the cause goes to the trace.
std::wstring settingsFileFor(bool programFolderWritable, const std::wstring& appData);

// Values of the program's key "Software\\Quillon\\zeb\\", which lie outside
// the settings file: ok, or noKey, noValue, tooLong (reading) and noKey,
// noValue (writing).
[[nodiscard]] RegResult readAppRegValue(const char* name, void* buffer, std::uint32_t size,
                                        std::uint32_t* type = nullptr, std::uint32_t* length = nullptr);
RegResult writeAppRegValue(const char* name, std::uint32_t type, const void* data, std::uint32_t length);
