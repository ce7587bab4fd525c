#include "winui/Shell.h"

#include "common/WebAddress.h"
#include "winui/WinText.h"

#include <windows.h>
#include <shellapi.h>

bool openWebAddress(const std::string& address)
{
    if (!isWebAddress(address))
        return false;
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", widen(address).c_str(), nullptr, nullptr, SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
