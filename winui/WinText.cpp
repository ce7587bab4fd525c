#include "winui/WinText.h"

#include <windows.h>

std::wstring widen(const char* gb2312)
{
    if (!gb2312 || !*gb2312)
        return std::wstring();
    int n = MultiByteToWideChar(936, 0, gb2312, -1, nullptr, 0);
    if (n <= 1)
        return std::wstring();
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(936, 0, gb2312, -1, &out[0], n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

std::wstring widen(const std::string& gb2312)
{
    return widen(gb2312.c_str());
}

std::string narrow(const wchar_t* text)
{
    if (!text || !*text)
        return std::string();
    int n = WideCharToMultiByte(936, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(936, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}
