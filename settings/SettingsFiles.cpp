#include "settings/SettingsFiles.h"

#include <cstddef>

std::wstring saveFileName(const std::wstring& settingsFile, std::uint32_t processId)
{
    return settingsFile + L"." + std::to_wstring(processId) + L".new";
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

bool isSaveFile(const std::wstring& fileName, const std::wstring& settingsName, std::uint32_t& processId)
{
    const std::wstring suffix = L".new";
    const std::size_t first = settingsName.size() + 1;
    if (fileName.size() < first + 1 + suffix.size() || !holdsAt(fileName, 0, settingsName + L".") ||
        !holdsAt(fileName, fileName.size() - suffix.size(), suffix))
        return false;
    std::uint64_t id = 0;
    for (std::size_t i = first; i < fileName.size() - suffix.size(); ++i) {
        const wchar_t c = fileName[i];
        if (c < L'0' || c > L'9')
            return false;
        id = id * 10 + static_cast<std::uint64_t>(c - L'0');
        if (id > 0xFFFFFFFFu)
            return false;
    }
    processId = static_cast<std::uint32_t>(id);
    return true;
}
