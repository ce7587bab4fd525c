// The settings dialog's OK: the values of its three pages, read from their
// controls, turned into the working copy of the settings record.
#pragma once

#include "common/Geometry.h"
#include "settings/PageForms.h"
#include "settings/StockListRules.h"
#include "settings/UserSettings.h"

#include <cstdint>
#include <string>
#include <vector>

struct SettingsForm {
    DisplayForm display;
    ConnectionForm connection;
    std::vector<std::string> codes;  // the stock list page's list, in order
    int sliderPosition = 0;
    std::uint16_t hotKey = 0;  // the hot-key control's value
};

// Writes the form into the record, step by step: flags and font size, proxy,
// colours and data source, stock list, refresh interval, hot key. Returns
// nullptr when every step passed (the record is then ready to be saved), or
// the first refusal for the status line: "代理输入不正确", "用户名输入不正确"
// or "热键过于简单". A refusal leaves the earlier steps' values in the record.
//
// The proxy texts are taken with blanks trimmed. An address and port longer
// than a typed one can be (taken from the system's settings) are kept as
// long as "address:port" fits proxyServer; a user name or password that does
// not fit its field leaves the stored one as it stands.
const char* applySettingsForm(const SettingsForm& form, UserSettings& settings);

// Where a dialog of width × height opens: centred over the owner's rectangle
// (the work area when the owner is hidden), then moved into the work area
// (its top left corner kept inside when the dialog is larger).
Rect centredRect(const Rect& owner, int width, int height, const Rect& workArea);
