#include "settings/StockListRules.h"

#include "common/Gb2312.h"

#include <cstdio>
#include <cstring>

static const char listFullText[] = "达到上限不能再添加";
static const char codeTooLongText[] = "代码长度最长为5位";
static const char alreadyListedText[] = "已添加过此项";
static const char listEmptyText[] = "列表中没有数据";
static const char hotKeyTooSimpleText[] = "热键过于简单";

static bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Upper case for the single-byte letters; the two bytes of a GB2312
// character are left as they are.
static std::string upperCase(std::string text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (gb2312::isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            ++i;
        else
            text[i] = upperAscii(text[i]);
    }
    return text;
}

// Whether entry begins with prefix, ignoring the case of single-byte letters
// (the list box's own search).
static bool beginsWithIgnoringCase(const std::string& entry, const std::string& prefix)
{
    if (prefix.size() > entry.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (gb2312::isLeadByte(static_cast<unsigned char>(prefix[i])) && i + 1 < prefix.size()) {
            if (entry[i] != prefix[i] || entry[i + 1] != prefix[i + 1])
                return false;
            ++i;
        } else if (upperAscii(entry[i]) != upperAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> codesFromStockList(const char* text, std::size_t size)
{
    std::vector<std::string> codes;
    const std::size_t length = strnlen(text, size);
    std::size_t start = 0;
    while (start <= length) {
        std::size_t end = start;
        while (end < length && text[end] != ',')
            ++end;
        std::size_t first = start;
        while (first < end && (text[first] == 'h' || text[first] == 'k'))
            ++first;
        if (first < end)
            codes.emplace_back(text + first, end - first);
        start = end + 1;
    }
    return codes;
}

void writeStockList(const std::vector<std::string>& codes, char (&stockList)[512])
{
    std::string text;
    for (const std::string& code : codes) {
        const std::string entry = ",hk" + code;
        if (text.size() + entry.size() > sizeof stockList - 1)
            break;
        text += entry;
    }
    if (text.empty())
        text = ",";
    std::memset(stockList, 0, sizeof stockList);
    std::memcpy(stockList, text.data(), text.size());
}

ListChange addCode(StockListForm& form, const std::string& typed)
{
    if (form.codes.size() >= maxStockCodes)
        return {false, listFullText};
    std::size_t first = 0, last = typed.size();
    while (first < last && isBlank(typed[first]))
        ++first;
    while (last > first && isBlank(typed[last - 1]))
        --last;
    // The stored list separates its entries with commas: a code holding one
    // would come back as two.
    if (first == last || typed.find(',', first) < last)
        return {};
    std::string code = upperCase(typed.substr(first, last - first));
    if (code.size() > maxCodeLength)
        return {false, codeTooLongText};
    if (code[0] != 'H' && code.size() < maxCodeLength)
        code.insert(0, maxCodeLength - code.size(), '0');
    for (const std::string& entry : form.codes) {
        if (beginsWithIgnoringCase(entry, code))
            return {false, alreadyListedText};
    }
    form.codes.push_back(code);
    return {true, ""};
}

ListChange deleteSelectedCode(StockListForm& form)
{
    if (form.codes.empty())
        return {false, listEmptyText};
    const int count = static_cast<int>(form.codes.size());
    if (form.selection < 0 || form.selection >= count)
        return {};
    form.codes.erase(form.codes.begin() + form.selection);
    if (form.selection > count - 2)
        form.selection = count - 2;
    return {true, nullptr};
}

ListChange moveSelectedCode(StockListForm& form, int step)
{
    const int count = static_cast<int>(form.codes.size());
    const int from = form.selection;
    const int to = from + (step < 0 ? -1 : 1);
    if (from < 0 || from >= count || to < 0 || to >= count)
        return {};
    std::swap(form.codes[from], form.codes[to]);
    form.selection = to;
    return {true, nullptr};
}

int sliderPositionFor(std::int32_t refreshSeconds)
{
    if (refreshSeconds < 0 || refreshSeconds > sliderMaxPosition * secondsPerSliderStep ||
        refreshSeconds % secondsPerSliderStep != 0)
        return 0;
    return refreshSeconds / secondsPerSliderStep;
}

std::string refreshLabel(int position)
{
    if (position <= 0)
        return "刷新频率： 不刷新";
    char text[64];
    std::snprintf(text, sizeof text, "刷新频率： %d 秒", position * secondsPerSliderStep);
    return text;
}

// Virtual keys that the keyboard sends with the extended-key bit: Page Up,
// Page Down, End, Home, the four arrows, Insert, Delete and the numeric "/".
static bool isExtendedKey(std::uint32_t virtualKey)
{
    return (virtualKey >= 0x21 && virtualKey <= 0x28) || virtualKey == 0x2D || virtualKey == 0x2E ||
           virtualKey == 0x6F;
}

std::uint16_t hotKeyControlValue(std::uint32_t modifiers, std::uint32_t virtualKey)
{
    const std::uint32_t key = virtualKey & 0xFF;
    unsigned flags = 0;
    if (modifiers & modAlt)
        flags |= hotKeyFlagAlt;
    if (modifiers & modControl)
        flags |= hotKeyFlagControl;
    if (modifiers & modShift)
        flags |= hotKeyFlagShift;
    if (isExtendedKey(key))
        flags |= hotKeyFlagExt;
    return static_cast<std::uint16_t>(flags << 8 | key);
}

const char* hotKeyFromControlValue(std::uint16_t value, std::uint32_t& modifiers,
                                   std::uint32_t& virtualKey)
{
    const unsigned key = value & 0xFF;
    const unsigned flags = value >> 8;
    // A key without Alt, Ctrl or Shift (an extended one included) would be
    // taken from every other program; without a key nothing can be registered.
    if ((flags & (hotKeyFlagAlt | hotKeyFlagControl | hotKeyFlagShift)) == 0 || key == 0)
        return hotKeyTooSimpleText;
    modifiers = 0;
    if (flags & hotKeyFlagAlt)
        modifiers |= modAlt;
    if (flags & hotKeyFlagControl)
        modifiers |= modControl;
    if (flags & hotKeyFlagShift)
        modifiers |= modShift;
    virtualKey = key;
    return nullptr;
}
