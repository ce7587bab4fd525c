// The settings store of the running program: zeb.ini at iniPath and the
// registry of the current user.
#pragma once

#include "settings/SettingsStore.h"
#include "settings/UserSettings.h"

#include <cstdint>
#include <string>

// The settings file, ".\\zeb.ini": relative to the current directory, which
// the program makes its own folder before anything is loaded; or, where that
// folder cannot be written, "%APPDATA%\\Zeb\\zeb.ini".
extern std::wstring iniPath;

// Where the settings file is, decided by trying to create a file in the
// program's folder (the current directory). The user's folder is created
// when it is chosen.
std::wstring chooseSettingsFile();

// The store (SettingsStore) over zeb.ini and the current user's registry.
StoreResult loadUserSettings(UserSettings& out);
StoreResult saveUserSettings(const UserSettings& in);
StoreResult loadWindowState(WindowState& state);
StoreResult saveWindowState(const WindowState& state);

// Enters the running program in the Run key ("Zeb"), or removes it. ok, or
// noKey, noValue, noProgram (the program's path cannot be had or entered).
RegResult setAutoRun(bool on);
// True when the Run key starts the running program.
bool autoRunIsOn();

// Values of the program's key "Software\\Quillon\\zeb\\": ok, or noKey,
// noValue, tooLong (reading) and noKey, noValue (writing).
[[nodiscard]] RegResult readAppRegValue(const char* name, void* buffer, std::uint32_t size,
                                        std::uint32_t* type = nullptr, std::uint32_t* length = nullptr);
RegResult writeAppRegValue(const char* name, std::uint32_t type, const void* data, std::uint32_t length);

// Start-up: loads the live settings record, then windowState; a Run entry
// of an earlier build is written again quoted.
void loadLiveSettings();
// Exit: saves windowState (filled by the caller just before), then the live
// settings record; nothing when the file could not be read at start and the
// user has not saved settings since.
void saveLiveSettings();
