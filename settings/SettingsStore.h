// Loading and saving the settings record and the window record: zeb.ini's
// "UserSet" and "WinStat" sections, the program's registry key, the Run entry
// and the seeding of the proxy from the system's Internet settings. The store
// works over two small storage interfaces so that it runs the same over the
// Windows profile and registry functions and over test doubles.
#pragma once

#include "settings/UserSettings.h"

#include <cstdint>
#include <string>

// A profile (INI) file.
class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    // The text of key in section; "" when the key is missing.
    virtual std::string read(const char* section, const char* key) = 0;
    // Sets key in section to value, creating the file, section or key.
    virtual bool write(const char* section, const char* key, const std::string& value) = 0;
};

// Registry value types, with the numbers Windows gives them.
constexpr std::uint32_t regNone = 0;
constexpr std::uint32_t regSz = 1;
constexpr std::uint32_t regExpandSz = 2;
constexpr std::uint32_t regBinary = 3;
constexpr std::uint32_t regDword = 4;

// Results of the registry operations.
constexpr int regOk = 0;
constexpr int regNoKey = -1;      // the key cannot be opened (read) or created (write)
constexpr int regNoValue = -2;    // the value is missing, or cannot be set or deleted
constexpr int regTooLong = -3;    // the value does not fit the buffer
constexpr int regNoProgram = -4;  // the running program's path is not known

// Values under keys below HKEY_CURRENT_USER.
class Registry {
public:
    virtual ~Registry() = default;
    // Reads the value into buffer (at most size bytes), its type and its
    // length in bytes. regOk, regNoKey, regNoValue or regTooLong; the buffer
    // is only written on success.
    virtual int readValue(const char* key, const char* name, void* buffer, std::uint32_t size,
                          std::uint32_t& type, std::uint32_t& length) = 0;
    // Opens the key for writing, creating it when it cannot be opened, and
    // sets the value. regOk, regNoKey or regNoValue.
    virtual int writeValue(const char* key, const char* name, std::uint32_t type, const void* data,
                           std::uint32_t length) = 0;
    // Opens the key for writing as writeValue does and deletes the value.
    // regOk, regNoKey or regNoValue.
    virtual int deleteValue(const char* key, const char* name) = 0;
};

constexpr const char* appRegKey = "Software\\Quillon\\zeb\\";
constexpr const char* runRegKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* internetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* autoRunValueName = "Zeb";
constexpr const char* stockListValueName = "StkCode";

// The record as it stands before any file or registry value is read.
UserSettings defaultUserSettings();

class SettingsStore {
public:
    SettingsStore(ProfileFile& profile, Registry& registry) : profile(profile), registry(registry) {}

    // Fills out from the defaults, the file and the fall-backs. 1 when the
    // file held all three settings blocks, else 0 (the completed record has
    // then been written back).
    int loadUserSettings(UserSettings& out);
    // Writes "ss", "su", "sp", "fontsize", "version", then "StkCode". Always 1.
    int saveUserSettings(const UserSettings& in);
    // Reads "wstat" (transparent is cleared first). 1 on success; otherwise
    // writes the record as it stands and returns 0.
    int loadWindowState(WindowState& state);
    // Writes "wstat": 1 on success, 0 on failure.
    int saveWindowState(const WindowState& state);

    // Sets the Run entry "Zeb" to programPath, or deletes it. regOk or a
    // negative result (regNoProgram for an empty path or one with a '?').
    int setAutoRun(bool on, const char* programPath);
    // Reads a value of the program's key into buffer (at most size bytes);
    // type and length are reported when asked for. regOk or negative.
    int readAppRegValue(const char* name, void* buffer, std::uint32_t size,
                        std::uint32_t* type = nullptr, std::uint32_t* length = nullptr);
    // Sets a value of the program's key, creating the key. regOk or negative.
    int writeAppRegValue(const char* name, std::uint32_t type, const void* data, std::uint32_t length);
    // The stock list kept in the registry; false (stockList untouched) when
    // it is missing, not text, or longer than 511 characters.
    bool readStockListFromRegistry(char (&stockList)[512]);
    // Seeds the proxy fields of settings (proxyServer, proxyMode) from the
    // system's Internet settings: 1 when their key could be opened, 0
    // (fields untouched) when not.
    int readIEProxy(UserSettings& settings);

private:
    ProfileFile& profile;
    Registry& registry;
};
