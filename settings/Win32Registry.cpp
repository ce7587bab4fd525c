#include "settings/Win32Registry.h"

#include <windows.h>

#include <vector>

// Opens key for writing, creating it when it cannot be opened.
static HKEY openForWriting(const char* key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_WRITE, &handle) == ERROR_SUCCESS)
        return handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) == ERROR_SUCCESS)
        return handle;
    return nullptr;
}

int Win32Registry::readValue(const char* key, const char* name, void* buffer, std::uint32_t size,
                             std::uint32_t& type, std::uint32_t& length)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return regNoKey;
    // Read into a scratch buffer so that a failed read leaves the caller's alone.
    std::vector<BYTE> data(size ? size : 1);
    DWORD valueType = REG_NONE;
    DWORD valueLength = size;
    const LONG status = RegQueryValueExA(handle, name, nullptr, &valueType, data.data(), &valueLength);
    RegCloseKey(handle);
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && valueLength > size))
        return regTooLong;
    if (status != ERROR_SUCCESS)
        return regNoValue;
    if (valueLength)
        memcpy(buffer, data.data(), valueLength);
    type = valueType;
    length = valueLength;
    return regOk;
}

int Win32Registry::writeValue(const char* key, const char* name, std::uint32_t type,
                              const void* data, std::uint32_t length)
{
    HKEY handle = openForWriting(key);
    if (!handle)
        return regNoKey;
    // RegSetValueExA stores one byte more than asked for when a text's last
    // byte is not NUL and the byte after it is: texts are kept exactly as
    // long as given, so the copy handed over has no NUL after its end.
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + length);
    copy.push_back(1);
    const LONG status = RegSetValueExA(handle, name, 0, type, copy.data(), length);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS ? regOk : regNoValue;
}

int Win32Registry::deleteValue(const char* key, const char* name)
{
    HKEY handle = openForWriting(key);
    if (!handle)
        return regNoKey;
    const LONG status = RegDeleteValueA(handle, name);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS ? regOk : regNoValue;
}
