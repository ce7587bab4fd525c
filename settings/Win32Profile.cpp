#include "settings/Win32Profile.h"

#include <windows.h>

#include <vector>

std::string Win32Profile::read(const char* section, const char* key)
{
    // Room for the longest block ("ss", 1058 digits); a longer value is cut,
    // which no block reader accepts.
    std::vector<char> buffer(4096);
    const DWORD length = GetPrivateProfileStringA(section, key, "", buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), path.c_str());
    return std::string(buffer.data(), length);
}

bool Win32Profile::write(const char* section, const char* key, const std::string& value)
{
    return WritePrivateProfileStringA(section, key, value.c_str(), path.c_str()) != FALSE;
}
