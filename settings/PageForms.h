// What the display page ("我的Zeb") and the connection page ("连接") hold,
// as plain values, and the rules between their controls. The pages' window
// code moves these values to and from the controls; nothing here touches a
// window.
#pragma once

#include "common/Color.h"
#include "settings/UserSettings.h"

#include <cstdint>
#include <string>

// A check box of the display page and the flag it stands for.
struct FlagBox {
    int controlId;
    bool optionFlag;  // a bit of optionFlags, else of displayFlags
    std::uint32_t bit;
};

// The thirteen boxes, in the page's data-exchange order.
extern const FlagBox displayPageBoxes[13];

struct DisplayForm {
    // The ticked boxes, as the bits they stand for.
    std::uint32_t displayFlags = 0;
    std::uint32_t optionFlags = 0;
    Color backColor = 0;
    Color upColor = defaultUpColor;
    Color downColor = defaultDownColor;
    Color nameColor = 0;
    Color headerColor = 0;
    int fontSizeIndex = 0;  // the font-size list's selection
    bool showProfit = true;  // "盈亏": the holdings' column, shown unless hideProfitColumn is set

    bool ticked(int controlId) const;
    void setTicked(int controlId, bool on);
};

// The page as it opens on a record: a box ticked for each set bit, "盈亏"
// unless its column is hidden, the five colours and the font size.
DisplayForm displayFormFrom(const UserSettings& settings);

// The colour swatches ("涨", "跌", "简称", "表头", "背景"): the colour a swatch
// control shows, or nullptr for a control that is no swatch.
Color* swatchColor(DisplayForm& form, int controlId);

// The text colour of a swatch's caption: its own colour, except on "背景",
// whose caption stands on the background colour itself.
Color swatchTextColor(const DisplayForm& form, int controlId);

// The "背景" caption's colour: 0x00E6FFFF minus the background, so the
// default background shows black text; where that subtraction would wrap,
// black or white, whichever stands out more from the background.
Color backSwatchTextColor(Color backColor);

struct ConnectionForm {
    bool useProxy = false;        // "使用代理"
    bool useCredentials = false;  // "用户名密码"
    bool useIE = false;           // "通过 IE 获得数据"
    std::string addressText;
    std::string portText;
    std::string userText;
    std::string passwordText;
};

constexpr int proxyFieldLimit = 20;  // characters each of the four boxes takes when typed

// The page as it opens on a record: the boxes from proxyMode, proxyServer
// split at its first ":" (all of it the address when it has none), the user
// name and the password.
ConnectionForm connectionFormFrom(const UserSettings& settings);

// After "使用代理" changed (and when the page opens): ticked, it unticks "通过
// IE 获得数据"; unticked, it unticks "用户名密码".
void followUseProxy(ConnectionForm& form);

// After "通过 IE 获得数据" changed: ticked, it unticks "使用代理", and then
// "使用代理"'s rule applies.
void followUseIE(ConnectionForm& form);

// Which controls are enabled ("通过 IE 获得数据" always is).
struct ConnectionEnables {
    bool address = false;
    bool port = false;
    bool useCredentials = false;
    bool user = false;
    bool password = false;
};
ConnectionEnables connectionEnables(const ConnectionForm& form);
