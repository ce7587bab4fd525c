#include "settings/SettingsForm.h"

#include <algorithm>
#include <cstring>

static const char proxyInvalidText[] = "代理输入不正确";
static const char userInvalidText[] = "用户名输入不正确";

constexpr int fontSizeCount = 5;

static std::string trimmed(const std::string& text)
{
    static const char blanks[] = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Puts text into a fixed field, zero-filled; false (field untouched) when it
// does not fit with its terminator.
template <std::size_t N>
static bool store(char (&field)[N], const std::string& text)
{
    if (text.size() >= N)
        return false;
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
    return true;
}

const char* applySettingsForm(const SettingsForm& form, UserSettings& settings)
{
    const DisplayForm& display = form.display;
    std::uint32_t displayFlags = display.displayFlags & (columnFlags | showRefreshTime | showHeader);
    const std::uint32_t optionFlags = display.optionFlags & (customColors | alwaysOnTop | hotKeyHidesTray |
                                                             titleOnHover | hideAtStart | autoRun);
    // The page always has at least the name column.
    if ((displayFlags & columnFlags) == 0)
        displayFlags |= showName;
    if (!display.showProfit)
        displayFlags |= hideProfitColumn;
    if (display.fontSizeIndex >= 0 && display.fontSizeIndex < fontSizeCount)
        settings.fontSizeIndex = display.fontSizeIndex;
    settings.optionFlags = optionFlags;
    settings.displayFlags = displayFlags;

    const ConnectionForm& connection = form.connection;
    std::uint32_t proxyMode = 0;
    if (connection.useProxy) {
        proxyMode = proxyUseExplicit;
        const std::string address = trimmed(connection.addressText);
        const std::string port = trimmed(connection.portText);
        if (address.empty() || port.empty() || !store(settings.proxyServer, address + ":" + port))
            return proxyInvalidText;
        if (connection.useCredentials) {
            proxyMode = proxyUseExplicit | proxyUseCredentials;
            const std::string user = trimmed(connection.userText);
            const std::string password = trimmed(connection.passwordText);
            if (user.empty())
                return userInvalidText;
            store(settings.proxyUser, user);
            if (!password.empty())
                store(settings.proxyPassword, password);
        }
    } else if (connection.useIE) {
        proxyMode = proxyUseIE;
    }

    settings.proxyMode = proxyMode;
    settings.backColor = display.backColor;
    settings.upColor = display.upColor;
    settings.downColor = display.downColor;
    settings.nameColor = display.nameColor;
    settings.headerColor = display.headerColor;
    settings.dataSource = 1;

    writeStockList(form.codes, settings.stockList);
    settings.refreshSeconds = form.sliderPosition * secondsPerSliderStep;

    return hotKeyFromControlValue(form.hotKey, settings.hotKeyModifiers, settings.hotKeyVirtualKey);
}

Rect centredRect(const Rect& owner, int width, int height, const Rect& workArea)
{
    int left = owner.left + (owner.width() - width) / 2;
    int top = owner.top + (owner.height() - height) / 2;
    left = std::max(workArea.left, std::min(left, workArea.right - width));
    top = std::max(workArea.top, std::min(top, workArea.bottom - height));
    return {left, top, left + width, top + height};
}
