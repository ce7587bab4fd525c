// The rules of the stock list page: the code list and its buttons, the
// refresh-frequency slider and the show/hide hot key. The page's window code
// reads its controls into a StockListForm, calls these and writes the result
// back; nothing here touches a window.
#pragma once

#include "settings/UserSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t maxStockCodes = 30;
constexpr std::size_t maxCodeLength = 5;
constexpr int codeFieldLimit = 7;  // characters the code list's edit field takes

// The codes as the list shows them, in order, and the selected index (-1: none).
struct StockListForm {
    std::vector<std::string> codes;
    int selection = -1;
};

// What a button did: whether the codes or the selection changed, and the text
// for the settings dialog's status line (nullptr: leave the line as it is,
// "": clear it).
struct ListChange {
    bool changed = false;
    const char* status = nullptr;
};

// The codes of a stock list text: split at ",", empty pieces skipped, and the
// leading "h" and "k" characters of each piece taken off (",hkHSI,hk00700"
// gives HSI and 00700). At most size bytes of text are read.
std::vector<std::string> codesFromStockList(const char* text, std::size_t size);

// "," + "hk" + code for each code in order, "," for none, into the record's
// buffer (zero-filled). A list that would not fit the 511 characters ends
// after the last whole entry that does.
void writeStockList(const std::vector<std::string>& codes, char (&stockList)[512]);

// "添加": the typed text in upper case, "H" codes as typed and other codes
// padded with leading zeros to five digits, appended at the end unless the
// list is full, the code too long or an entry already begins with it.
// Blank text, or text with a comma, adds nothing.
ListChange addCode(StockListForm& form, const std::string& typed);

// "删除": the selected code goes; the one now at its place, or the new last
// one, is selected.
ListChange deleteSelectedCode(StockListForm& form);

// "上移" (step -1) and "下移" (step +1): the selected code changes places with
// its neighbour and stays selected.
ListChange moveSelectedCode(StockListForm& form, int step);

// The refresh slider: positions 0..30, ten seconds each.
constexpr int sliderMaxPosition = 30;
constexpr int secondsPerSliderStep = 10;

// The slider position for a stored interval: 0 unless it is 0..300 and a
// multiple of ten.
int sliderPositionFor(std::int32_t refreshSeconds);

// The label above the slider: "刷新频率： %d 秒", or "刷新频率： 不刷新" at 0.
std::string refreshLabel(int position);

// The two forms of a hot key. RegisterHotKey's modifiers:
constexpr std::uint32_t modAlt = 0x1;
constexpr std::uint32_t modControl = 0x2;
constexpr std::uint32_t modShift = 0x4;
// and the hot-key control's flags, the high byte of its value (the low byte is
// the virtual key):
constexpr std::uint8_t hotKeyFlagShift = 0x01;
constexpr std::uint8_t hotKeyFlagControl = 0x02;
constexpr std::uint8_t hotKeyFlagAlt = 0x04;
constexpr std::uint8_t hotKeyFlagExt = 0x08;

// The control's value for a stored hot key. Keys that the keyboard reports as
// extended (arrows, Insert, Delete, Home, End, Page Up/Down, numeric "/")
// carry the extended flag so the control names them as they were pressed.
std::uint16_t hotKeyControlValue(std::uint32_t modifiers, std::uint32_t virtualKey);

// The stored form of the control's value. Refused with "热键过于简单" (and the
// outputs untouched) when neither Alt, Ctrl nor Shift is held, or no key.
const char* hotKeyFromControlValue(std::uint16_t value, std::uint32_t& modifiers,
                                   std::uint32_t& virtualKey);
