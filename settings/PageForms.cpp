#include "settings/PageForms.h"

#include "common/FieldText.h"
#include "res/SettingsIds.h"

#include <cstring>

const FlagBox displayPageBoxes[13] = {
    {IDC_CUSTOM_COLORS, true, customColors},
    {IDC_HOTKEY_HIDES_TRAY, true, hotKeyHidesTray},
    {IDC_TITLE_ON_HOVER, true, titleOnHover},
    {IDC_SHOW_REFRESH_TIME, false, showRefreshTime},
    {IDC_ALWAYS_ON_TOP, true, alwaysOnTop},
    {IDC_SHOW_CHANGE, false, showChange},
    {IDC_SHOW_CHANGE_PERCENT, false, showChangePercent},
    {IDC_SHOW_HEADER, false, showHeader},
    {IDC_SHOW_NAME, false, showName},
    {IDC_SHOW_CODE, false, showCode},
    {IDC_SHOW_PRICE, false, showPrice},
    {IDC_HIDE_AT_START, true, hideAtStart},
    {IDC_AUTO_RUN, true, autoRun},
};

static const FlagBox* boxOf(int controlId)
{
    for (const FlagBox& box : displayPageBoxes) {
        if (box.controlId == controlId)
            return &box;
    }
    return nullptr;
}

bool DisplayForm::ticked(int controlId) const
{
    const FlagBox* box = boxOf(controlId);
    return box && ((box->optionFlag ? optionFlags : displayFlags) & box->bit) != 0;
}

void DisplayForm::setTicked(int controlId, bool on)
{
    const FlagBox* box = boxOf(controlId);
    if (!box)
        return;
    std::uint32_t& flags = box->optionFlag ? optionFlags : displayFlags;
    flags = on ? flags | box->bit : flags & ~box->bit;
}

DisplayForm displayFormFrom(const UserSettings& settings)
{
    DisplayForm form;
    for (const FlagBox& box : displayPageBoxes)
        form.setTicked(box.controlId, ((box.optionFlag ? settings.optionFlags : settings.displayFlags) &
                                       box.bit) != 0);
    form.showProfit = (settings.displayFlags & hideProfitColumn) == 0;
    form.upColor = settings.upColor;
    form.downColor = settings.downColor;
    form.nameColor = settings.nameColor;
    form.backColor = settings.backColor;
    form.headerColor = settings.headerColor;
    form.fontSizeIndex = settings.fontSizeIndex;
    return form;
}

// The swatch's colour member of a form, const or not.
template <typename Form>
static auto swatchOf(Form& form, int controlId) -> decltype(&form.upColor)
{
    switch (controlId) {
    case IDC_SWATCH_UP:
        return &form.upColor;
    case IDC_SWATCH_DOWN:
        return &form.downColor;
    case IDC_SWATCH_NAME:
        return &form.nameColor;
    case IDC_SWATCH_HEADER:
        return &form.headerColor;
    case IDC_SWATCH_BACK:
        return &form.backColor;
    default:
        return nullptr;
    }
}

Color* swatchColor(DisplayForm& form, int controlId)
{
    return swatchOf(form, controlId);
}

Color swatchTextColor(const DisplayForm& form, int controlId)
{
    if (controlId == IDC_SWATCH_BACK)
        return backSwatchTextColor(form.backColor);
    const Color* color = swatchOf(form, controlId);
    return color ? *color : 0;
}

Color backSwatchTextColor(Color backColor)
{
    if (backColor <= defaultBackColor)
        return defaultBackColor - backColor;
    // Perceived brightness of the background, 0..255.
    const unsigned red = backColor & 0xFF, green = (backColor >> 8) & 0xFF, blue = (backColor >> 16) & 0xFF;
    const unsigned brightness = (299 * red + 587 * green + 114 * blue) / 1000;
    return brightness >= 128 ? 0x00000000 : 0x00FFFFFF;
}

ConnectionForm connectionFormFrom(const UserSettings& settings)
{
    ConnectionForm form;
    if (settings.proxyMode & proxyUseExplicit) {
        form.useProxy = true;
        form.useCredentials = (settings.proxyMode & proxyUseCredentials) != 0;
    } else if (settings.proxyMode & proxyUseIE) {
        form.useIE = true;
    }
    const std::string server(fieldText(settings.proxyServer));
    const std::size_t colon = server.find(':');
    form.addressText = server.substr(0, colon);
    if (colon != std::string::npos)
        form.portText = server.substr(colon + 1);
    form.userText = fieldText(settings.proxyUser);
    form.passwordText = fieldText(settings.proxyPassword);
    followUseProxy(form);
    return form;
}

void followUseProxy(ConnectionForm& form)
{
    if (form.useProxy)
        form.useIE = false;
    else
        form.useCredentials = false;
}

void followUseIE(ConnectionForm& form)
{
    if (form.useIE)
        form.useProxy = false;
    followUseProxy(form);
}

ConnectionEnables connectionEnables(const ConnectionForm& form)
{
    ConnectionEnables enables;
    enables.address = enables.port = enables.useCredentials = form.useProxy;
    enables.user = enables.password = form.useProxy && form.useCredentials;
    return enables;
}
