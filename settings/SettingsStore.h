// Loading and saving the settings record and the window record: zeb.ini's
// "UserSet" and "WinStat" sections, the program's registry key, the Run entry
// and the seeding of the proxy from the system's Internet settings. The store
// works over two small storage interfaces so that it runs the same over the
// Windows profile and registry functions and over test doubles.
#pragma once

#include "common/AppNames.h"
#include "common/ProfileText.h"
#include "settings/CodeBook.h"
#include "settings/UserSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// A profile (INI) file.
class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    // The text of key in section; "" when the key is missing.
    virtual std::string read(const char* section, const char* key) = 0;
    // True when the file is there but could not be read: its values then
    // read as missing, and nothing may be written over it on their strength.
    virtual bool unreadable() = 0;
    // Sets the keys of each section, creating the file, sections or keys, in
    // one step: a reader at any moment sees the file as it was or as it is
    // now, whole. False when the file could not be changed; it is then as it
    // was.
    [[nodiscard]] virtual bool write(const std::vector<ProfileSection>& sections) = 0;
    // The same for the keys of entries in one section.
    [[nodiscard]] bool write(const char* section, std::vector<ProfileEntry> entries)
    {
        return write({{section, std::move(entries)}});
    }
};

// Registry value types, with the numbers Windows gives them.
constexpr std::uint32_t regNone = 0;
constexpr std::uint32_t regSz = 1;
constexpr std::uint32_t regExpandSz = 2;
constexpr std::uint32_t regBinary = 3;
constexpr std::uint32_t regDword = 4;

// What a registry operation came to.
enum class RegResult {
    ok,
    noKey,      // the key cannot be opened (read) or created (write)
    noValue,    // the value is missing, or cannot be set or deleted
    tooLong,    // the value does not fit the buffer
    noProgram,  // the running program's path is not known
};

// Values under keys below HKEY_CURRENT_USER.
class Registry {
public:
    virtual ~Registry() = default;
    // Reads the value into buffer (at most size bytes), its type and its
    // length in bytes. ok, noKey, noValue or tooLong; the buffer, type and
    // length are only written on success.
    [[nodiscard]] virtual RegResult readValue(const char* key, const char* name, void* buffer,
                                              std::uint32_t size, std::uint32_t& type,
                                              std::uint32_t& length) = 0;
    // Opens the key for writing, creating it when it cannot be opened, and
    // sets the value. ok, noKey or noValue.
    virtual RegResult writeValue(const char* key, const char* name, std::uint32_t type, const void* data,
                                 std::uint32_t length) = 0;
    // Opens the key for writing as writeValue does and deletes the value.
    // ok, noKey or noValue.
    virtual RegResult deleteValue(const char* key, const char* name) = 0;
};

// What loading or saving the settings record or the window record came to.
enum class StoreResult {
    ok,        // loaded as stored, or saved
    repaired,  // loading: a part was missing or damaged; defaults took its
               // place and the record was written back as it now stands
    failed,    // saving: the file could not be written
    unread,    // loading: the file is there but could not be read; the
               // defaults stand in, and nothing was written
};

constexpr const char* runRegKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* internetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* autoRunValueName = "Zeb";

// The Run entry's value that starts programPath: the path in quotes, so
// that Windows does not take "D:\\Stock Tools\\Zeb.exe" for "D:\\Stock.exe".
std::string autoRunCommand(const char* programPath);

// Where zeb.ini lives.
enum class SettingsPlace {
    programFolder,     // beside the program
    userFolder,        // in the user's own application-data folder
    userFolderSeeded,  // the same, starting from a copy of the file beside the program
};

// Beside the program when its folder can be written; otherwise in the user's
// folder, which starts from the file beside the program the first time there
// is one. Without a user folder, beside the program (where saves then fail,
// and say so).
SettingsPlace settingsPlace(bool programFolderWritable, bool userFolderKnown, bool userFileExists,
                            bool programFileExists);

// The record as it stands before any file or registry value is read.
UserSettings defaultUserSettings();

class SettingsStore {
public:
    SettingsStore(ProfileFile& profile, Registry& registry) : profile(profile), registry(registry) {}

    // Fills out from the defaults, the file and the fall-backs: ok when the
    // file held all three settings blocks, unread when it could not be read,
    // else repaired (the completed record has then been written back).
    StoreResult loadUserSettings(UserSettings& out);
    // Writes "ss", "su", "sp", "fontsize" and "version" in one step, then
    // "StkCode": ok, or failed when the file could not be written (the file
    // and "StkCode" are then as they were).
    StoreResult saveUserSettings(const UserSettings& in);
    // Reads "wstat" (transparent is cleared first): ok; unread when the file
    // could not be read; otherwise writes the record as it stands and
    // returns repaired.
    StoreResult loadWindowState(WindowState& state);
    // Writes "wstat": ok or failed.
    StoreResult saveWindowState(const WindowState& state);

    // The records of the entries of a stock list text, from their "Code"
    // sections: a key that is missing or does not read counts as none.
    CodeBook loadCodeBook(const char* stockList);
    CodeRecord loadCodeRecord(std::string_view entry);
    // Writes the sections of the records that differ between before and
    // now, every key ("" for none; a record gone from now is written empty),
    // in one save of the file: ok, or failed when it could not be written
    // (no section is then changed). The sections of other codes stay as
    // they are.
    StoreResult saveCodeBook(const CodeBook& now, const CodeBook& before);
    // The discreet look, "discreet" of "WinStat" (off when missing).
    bool loadDiscreet();
    StoreResult saveDiscreet(bool on);

    // Sets the Run entry "Zeb" to programPath in quotes, or deletes it. ok,
    // noKey, noValue, or noProgram for an empty path or one with a '?'.
    RegResult setAutoRun(bool on, const char* programPath);
    // True when the Run entry "Zeb" starts programPath, as this build writes
    // it or unquoted as earlier builds did.
    bool autoRunStarts(const char* programPath);
    // An entry in the unquoted form of earlier builds, which Windows cuts at
    // the first blank, is written again quoted. ok when nothing was to do.
    RegResult quoteAutoRun(const char* programPath);
    // Reads a value of the program's key into buffer (at most size bytes);
    // type and length are reported when asked for. ok, noKey, noValue or
    // tooLong; buffer, type and length are only written on success.
    [[nodiscard]] RegResult readAppRegValue(const char* name, void* buffer, std::uint32_t size,
                                            std::uint32_t* type = nullptr, std::uint32_t* length = nullptr);
    // Sets a value of the program's key, creating the key. ok, noKey or noValue.
    RegResult writeAppRegValue(const char* name, std::uint32_t type, const void* data, std::uint32_t length);
    // The stock list kept in the registry; false (stockList untouched) when
    // it is missing, not text, or longer than 511 characters.
    bool readStockListFromRegistry(char (&stockList)[512]);
    // Seeds the proxy fields of settings (proxyServer, proxyMode) from the
    // system's Internet settings: true when their key could be opened, false
    // (fields untouched) when not.
    [[nodiscard]] bool readIEProxy(UserSettings& settings);

private:
    ProfileFile& profile;
    Registry& registry;
};
