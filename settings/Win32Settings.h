// The settings store of the running program: zeb.ini at iniPath and the
// registry of the current user.
#pragma once

#include "settings/SettingsStore.h"
#include "settings/UserSettings.h"

#include <cstdint>
#include <string>

// The settings file, ".\\zeb.ini": relative to the current directory, which
// the mini-window makes the program's folder before anything is loaded.
extern std::string iniPath;

int loadUserSettings(UserSettings& out);
int saveUserSettings(const UserSettings& in);
int loadWindowState(WindowState& state);
int saveWindowState(const WindowState& state);

// Enters the running program in the Run key ("Zeb"), or removes it.
// 0 on success, negative on failure.
int setAutoRun(bool on);

// Values of the program's key "Software\\Quillon\\zeb\\": 0 on success,
// negative when missing, not fitting, or not writable.
int readAppRegValue(const char* name, void* buffer, std::uint32_t size,
                    std::uint32_t* type = nullptr, std::uint32_t* length = nullptr);
int writeAppRegValue(const char* name, std::uint32_t type, const void* data, std::uint32_t length);

// Start-up: loads the live settings record, then windowState.
void loadLiveSettings();
// Exit: saves windowState (filled by the caller just before), then the live
// settings record.
void saveLiveSettings();
