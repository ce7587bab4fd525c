// The records the program remembers between runs, laid out byte for byte as
// they are stored in zeb.ini's struct blocks ("ss", "su", "sp", "wstat").
#pragma once

#include "common/Color.h"
#include "common/Geometry.h"
#include "common/Version.h"

#include <cstddef>
#include <cstdint>

// displayFlags
constexpr std::uint32_t showChangePercent = 0x01;
constexpr std::uint32_t showChange = 0x02;
constexpr std::uint32_t showName = 0x04;
constexpr std::uint32_t showCode = 0x08;
constexpr std::uint32_t showRefreshTime = 0x10;
constexpr std::uint32_t showHeader = 0x20;
constexpr std::uint32_t showPrice = 0x40;
constexpr std::uint32_t columnFlags = 0x4F;
// Set: no "盈亏" column for holdings. Clear in files of builds before holdings,
// so the column shows there by default.
constexpr std::uint32_t hideProfitColumn = 0x80;

// optionFlags
constexpr std::uint32_t customColors = 0x01;
constexpr std::uint32_t alwaysOnTop = 0x02;
constexpr std::uint32_t hotKeyHidesTray = 0x04;
constexpr std::uint32_t titleOnHover = 0x08;
constexpr std::uint32_t hideAtStart = 0x10;
constexpr std::uint32_t autoRun = 0x20;

// proxyMode
constexpr std::uint32_t proxyUseExplicit = 0x1;
constexpr std::uint32_t proxyUseCredentials = 0x2;
constexpr std::uint32_t proxyUseIE = 0x4;

constexpr Color defaultBackColor = 0x00E6FFFF;
constexpr Color defaultNameColor = 0x00FF0000;
constexpr Color defaultUpColor = 0x00009900;
constexpr Color defaultDownColor = 0x000000FF;
constexpr Color defaultHeaderColor = 0x00000000;

struct UserSettings {
    // "ss" block: bytes 0..527
    char stockList[512];
    std::int32_t dataSource;
    std::int32_t refreshSeconds;
    std::uint32_t hotKeyModifiers;
    std::uint32_t hotKeyVirtualKey;
    // "su" block: bytes 528..555
    Color backColor;
    Color nameColor;
    Color upColor;
    Color downColor;
    Color headerColor;
    std::uint32_t displayFlags;
    std::uint32_t optionFlags;
    // "sp" block: bytes 556..711
    char proxyServer[50];
    char proxyUser[50];
    char proxyPassword[50];
    char reserved[2];
    std::uint32_t proxyMode;
    // "fontsize" and "version" keys
    std::int32_t fontSizeIndex;
    std::int32_t settingsVersion;
};

struct WindowState {
    std::int32_t transparent;
    Rect windowRect;
};

static_assert(offsetof(UserSettings, backColor) == 528, "ss block is 528 bytes");
static_assert(offsetof(UserSettings, proxyServer) == 556, "su block is 28 bytes");
static_assert(offsetof(UserSettings, fontSizeIndex) == 712, "sp block is 156 bytes");
static_assert(sizeof(UserSettings) == 720, "no hidden padding");
static_assert(sizeof(WindowState) == 20, "wstat block is 20 bytes");

// The background colour of the window and the page: the record's own with
// customColors, else the default.
inline Color backgroundColor(const UserSettings& s)
{
    return (s.optionFlags & customColors) ? s.backColor : defaultBackColor;
}
