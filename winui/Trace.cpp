#include "winui/Trace.h"

#include <windows.h>

#include <cwchar>

void trace(const char* what, std::uint32_t code)
{
    wchar_t line[256];
    int n = std::swprintf(line, 256, L"Zeb: %hs", what);
    if (n < 0)
        return;
    if (code != 0 && n < 240)
        std::swprintf(line + n, 256 - n, L" (0x%08X)", static_cast<unsigned>(code));
    std::wcsncat(line, L"\n", 255 - std::wcslen(line));
    OutputDebugStringW(line);
}

void traceLastError(const char* what)
{
    trace(what, GetLastError());
}
