#include "settings/SettingsStore.h"

#include "settings/StructBlock.h"

#include <cstddef>
#include <cstring>

static const char userSection[] = "UserSet";
static const char windowSection[] = "WinStat";

// Where each block lies in the record, and its length.
static constexpr std::size_t ssOffset = offsetof(UserSettings, stockList);
static constexpr std::size_t ssSize = offsetof(UserSettings, backColor) - ssOffset;
static constexpr std::size_t suOffset = offsetof(UserSettings, backColor);
static constexpr std::size_t suSize = offsetof(UserSettings, proxyServer) - suOffset;
static constexpr std::size_t spOffset = offsetof(UserSettings, proxyServer);
static constexpr std::size_t spSize = offsetof(UserSettings, fontSizeIndex) - spOffset;
static_assert(ssSize == 528 && suSize == 28 && spSize == 156, "block sizes");

static unsigned char* blockOf(UserSettings& s, std::size_t offset)
{
    return reinterpret_cast<unsigned char*>(&s) + offset;
}

static const unsigned char* blockOf(const UserSettings& s, std::size_t offset)
{
    return reinterpret_cast<const unsigned char*>(&s) + offset;
}

// Length of the text in a fixed buffer, or size when it has no terminator.
static std::size_t boundedLength(const char* text, std::size_t size)
{
    const void* nul = std::memchr(text, '\0', size);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : size;
}

// Text fields are used as C strings everywhere: a stored one that fills its
// buffer is cut to leave room for the terminator.
template <std::size_t N>
static void terminate(char (&text)[N])
{
    text[N - 1] = '\0';
}

UserSettings defaultUserSettings()
{
    UserSettings s;
    std::memset(&s, 0, sizeof s);
    std::strcpy(s.stockList, ",hkHSI,hkHSCEI,hkHSCCI");
    s.dataSource = 1;
    s.refreshSeconds = 0;
    s.hotKeyModifiers = 1;
    s.hotKeyVirtualKey = 0x48;
    s.backColor = defaultBackColor;
    s.nameColor = defaultNameColor;
    s.upColor = defaultUpColor;
    s.downColor = defaultDownColor;
    s.headerColor = defaultHeaderColor;
    s.displayFlags = 0x75;
    s.optionFlags = 0x0A;
    s.proxyMode = 0;
    s.fontSizeIndex = 1;
    s.settingsVersion = 0;
    return s;
}

StoreResult SettingsStore::loadUserSettings(UserSettings& out)
{
    bool complete = true;
    out = defaultUserSettings();

    if (!decodeStructBlock(profile.read(userSection, "ss"), blockOf(out, ssOffset), ssSize)) {
        complete = false;
        readStockListFromRegistry(out.stockList);
    }
    terminate(out.stockList);

    if (!decodeStructBlock(profile.read(userSection, "sp"), blockOf(out, spOffset), spSize)) {
        complete = false;
        UserSettings seeded;
        std::memset(&seeded, 0, sizeof seeded);
        if (readIEProxy(seeded))
            std::memcpy(blockOf(out, spOffset), blockOf(seeded, spOffset), spSize);
    }
    terminate(out.proxyServer);
    terminate(out.proxyUser);
    terminate(out.proxyPassword);

    if (!decodeStructBlock(profile.read(userSection, "su"), blockOf(out, suOffset), suSize))
        complete = false;

    out.fontSizeIndex = parseProfileInt(profile.read(userSection, "fontsize"), 1);
    if (static_cast<std::uint32_t>(out.fontSizeIndex) > 4)
        out.fontSizeIndex = 1;

    out.settingsVersion = parseProfileInt(profile.read(userSection, "version"), 0);
    if (static_cast<std::uint32_t>(out.settingsVersion) < static_cast<std::uint32_t>(buildNumber))
        out.displayFlags |= showPrice;

    if (profile.unreadable())
        return StoreResult::unread;
    if (!complete)
        saveUserSettings(out);
    return complete ? StoreResult::ok : StoreResult::repaired;
}

StoreResult SettingsStore::saveUserSettings(const UserSettings& in)
{
    const bool written = profile.write(userSection, {{"ss", encodeStructBlock(blockOf(in, ssOffset), ssSize)},
                                                     {"su", encodeStructBlock(blockOf(in, suOffset), suSize)},
                                                     {"sp", encodeStructBlock(blockOf(in, spOffset), spSize)},
                                                     {"fontsize", std::to_string(in.fontSizeIndex)},
                                                     {"version", std::to_string(buildNumber)}});
    if (!written)
        return StoreResult::failed;
    // A list that fills its buffer is kept as the 511 characters a reader takes.
    const std::size_t length = boundedLength(in.stockList, sizeof in.stockList - 1);
    writeAppRegValue(stockListValueName, regSz, in.stockList, static_cast<std::uint32_t>(length));
    return StoreResult::ok;
}

StoreResult SettingsStore::loadWindowState(WindowState& state)
{
    state.transparent = 0;
    if (decodeStructBlock(profile.read(windowSection, "wstat"), &state, sizeof state))
        return StoreResult::ok;
    if (profile.unreadable())
        return StoreResult::unread;
    saveWindowState(state);
    return StoreResult::repaired;
}

StoreResult SettingsStore::saveWindowState(const WindowState& state)
{
    const bool written = profile.write(windowSection, {{"wstat", encodeStructBlock(&state, sizeof state)}});
    return written ? StoreResult::ok : StoreResult::failed;
}

CodeRecord SettingsStore::loadCodeRecord(std::string_view entry)
{
    const std::string section = codeSection(entry);
    CodeFields texts;
    for (const CodeKey& key : codeKeys)
        texts.*key.field = profile.read(section.c_str(), key.name);
    CodeRecord record;
    // A value that does not read leaves the key as none.
    readCodeRecord(texts, entry, record);
    return record;
}

CodeBook SettingsStore::loadCodeBook(const char* stockList)
{
    CodeBook book;
    forEachListEntry(stockList, [&](std::string_view entry) { book.put(loadCodeRecord(entry)); });
    return book;
}

static ProfileSection codeRecordSection(const CodeRecord& r)
{
    CodeFields texts = codeFieldsFrom(r);
    ProfileSection section{codeSection(r.entry), {}};
    for (const CodeKey& key : codeKeys)
        section.entries.emplace_back(key.name, std::move(texts.*key.field));
    return section;
}

StoreResult SettingsStore::saveCodeBook(const CodeBook& now, const CodeBook& before)
{
    std::vector<ProfileSection> changed;
    for (const CodeRecord& r : now.records()) {
        const CodeRecord* old = before.find(r.entry);
        if (!old || *old != r)
            changed.push_back(codeRecordSection(r));
    }
    for (const CodeRecord& r : before.records())
        if (!now.find(r.entry)) {
            CodeRecord cleared;
            cleared.entry = r.entry;
            changed.push_back(codeRecordSection(cleared));
        }
    // Every changed section in one save: all of them are saved, or none.
    return changed.empty() || profile.write(changed) ? StoreResult::ok : StoreResult::failed;
}

bool SettingsStore::loadDiscreet()
{
    return profile.read(windowSection, "discreet") == "1";
}

StoreResult SettingsStore::saveDiscreet(bool on)
{
    return profile.write(windowSection, {{"discreet", on ? "1" : "0"}}) ? StoreResult::ok : StoreResult::failed;
}

SettingsPlace settingsPlace(bool programFolderWritable, bool userFolderKnown, bool userFileExists,
                            bool programFileExists)
{
    if (programFolderWritable || !userFolderKnown)
        return SettingsPlace::programFolder;
    return !userFileExists && programFileExists ? SettingsPlace::userFolderSeeded : SettingsPlace::userFolder;
}

std::string autoRunCommand(const char* programPath)
{
    return "\"" + std::string(programPath) + "\"";
}

RegResult SettingsStore::setAutoRun(bool on, const char* programPath)
{
    if (!on)
        return registry.deleteValue(runRegKey, autoRunValueName);
    // The ANSI form of a path shows each character the code page lacks as
    // '?', which no file name holds: such a path would start nothing.
    if (!programPath || !*programPath || std::strchr(programPath, '?'))
        return RegResult::noProgram;
    const std::string command = autoRunCommand(programPath);
    return registry.writeValue(runRegKey, autoRunValueName, regSz, command.data(),
                               static_cast<std::uint32_t>(command.size()));
}

// The Run entry's text ("" when it is missing or no text).
static std::string autoRunValue(Registry& registry)
{
    char buffer[1024];
    std::uint32_t type = regNone;
    std::uint32_t length = 0;
    if (registry.readValue(runRegKey, autoRunValueName, buffer, sizeof buffer, type, length) != RegResult::ok ||
        (type != regSz && type != regExpandSz))
        return "";
    return std::string(buffer, boundedLength(buffer, length));
}

bool SettingsStore::autoRunStarts(const char* programPath)
{
    if (!programPath || !*programPath)
        return false;
    const std::string value = autoRunValue(registry);
    return value == autoRunCommand(programPath) || value == programPath;
}

RegResult SettingsStore::quoteAutoRun(const char* programPath)
{
    if (!programPath || !*programPath || autoRunValue(registry) != programPath)
        return RegResult::ok;
    return setAutoRun(true, programPath);
}

RegResult SettingsStore::readAppRegValue(const char* name, void* buffer, std::uint32_t size,
                                   std::uint32_t* type, std::uint32_t* length)
{
    std::uint32_t valueType = regNone;
    std::uint32_t valueLength = 0;
    const RegResult result = registry.readValue(appRegKey, name, buffer, size, valueType, valueLength);
    if (result == RegResult::ok) {
        if (type)
            *type = valueType;
        if (length)
            *length = valueLength;
    }
    return result;
}

RegResult SettingsStore::writeAppRegValue(const char* name, std::uint32_t type, const void* data,
                                    std::uint32_t length)
{
    return registry.writeValue(appRegKey, name, type, data, length);
}

bool SettingsStore::readStockListFromRegistry(char (&stockList)[512])
{
    char buffer[512] = {};
    std::uint32_t type = regNone;
    std::uint32_t length = 0;
    if (readAppRegValue(stockListValueName, buffer, sizeof buffer, &type, &length) != RegResult::ok)
        return false;
    if (type != regSz)
        return false;
    // Stored with or without its terminator; 512 characters do not fit.
    const std::size_t textLength = boundedLength(buffer, length);
    if (textLength >= sizeof buffer)
        return false;
    std::memset(stockList, 0, sizeof stockList);
    std::memcpy(stockList, buffer, textLength);
    return true;
}

bool SettingsStore::readIEProxy(UserSettings& settings)
{
    unsigned char enable[4] = {};
    std::uint32_t type = regNone;
    std::uint32_t length = 0;
    const RegResult result = registry.readValue(internetSettingsKey, "ProxyEnable", enable, sizeof enable,
                                          type, length);
    if (result == RegResult::noKey)
        return false;

    // A number of up to four little-endian bytes; anything else reads as 0.
    std::uint32_t proxyEnable = 0;
    if (result == RegResult::ok && (type == regDword || type == regBinary))
        for (std::uint32_t i = length; i-- > 0;)
            proxyEnable = proxyEnable << 8 | enable[i];

    if (proxyEnable != 0) {
        settings.proxyMode |= proxyUseExplicit;
        char server[sizeof settings.proxyServer] = {};
        if (registry.readValue(internetSettingsKey, "ProxyServer", server, sizeof server, type,
                               length) == RegResult::ok &&
            (type == regSz || type == regExpandSz)) {
            // Taken only when the text and its terminator fit.
            const std::size_t textLength = boundedLength(server, length);
            if (textLength < sizeof server) {
                std::memset(settings.proxyServer, 0, sizeof settings.proxyServer);
                std::memcpy(settings.proxyServer, server, textLength);
            }
        }
    }
    return true;
}
