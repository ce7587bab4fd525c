#include "settings/SettingsFiles.h"

#include <cstddef>

std::wstring saveFileName(const std::wstring& settingsFile, std::uint32_t processId, std::uint32_t threadId)
{
    return settingsFile + L"." + std::to_wstring(processId) + L"." + std::to_wstring(threadId) + L".new";
}

static wchar_t lowerAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// True when text holds part (lower-case) at at, whatever the case of its letters.
static bool holdsAt(const std::wstring& text, std::size_t at, const std::wstring& part)
{
    if (at + part.size() > text.size())
        return false;
    for (std::size_t i = 0; i < part.size(); ++i)
        if (lowerAscii(text[at + i]) != lowerAscii(part[i]))
            return false;
    return true;
}

// A decimal number of 32 bits, into id only when it is one.
static bool decimalId(const std::wstring& text, std::uint32_t& id)
{
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
        if (value > 0xFFFFFFFFu)
            return false;
    }
    if (text.empty())
        return false;
    id = static_cast<std::uint32_t>(value);
    return true;
}

bool isSaveFile(const std::wstring& fileName, const std::wstring& settingsName, std::uint32_t& processId)
{
    const std::wstring suffix = L".new";
    const std::size_t first = settingsName.size() + 1;
    if (fileName.size() < first + 1 + suffix.size() || !holdsAt(fileName, 0, settingsName + L".") ||
        !holdsAt(fileName, fileName.size() - suffix.size(), suffix))
        return false;
    // One or two decimal ids: the process's, then the thread's.
    const std::wstring ids = fileName.substr(first, fileName.size() - suffix.size() - first);
    const std::size_t dot = ids.find(L'.');
    std::uint32_t process = 0, thread = 0;
    if (!decimalId(ids.substr(0, dot), process) ||
        (dot != std::wstring::npos && !decimalId(ids.substr(dot + 1), thread)))
        return false;
    processId = process;
    return true;
}
