#include "settings/Win32Registry.h"

#include "winui/Handles.h"

#include <windows.h>

#include <vector>

// Opens key for writing, creating it when it cannot be opened; empty when
// neither works.
static RegistryKey openForWriting(const char* key)
{
    RegistryKey handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_WRITE, handle.put()) == ERROR_SUCCESS)
        return handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, handle.put(),
                        nullptr) == ERROR_SUCCESS)
        return handle;
    return RegistryKey();
}

RegResult Win32Registry::readValue(const char* key, const char* name, void* buffer, std::uint32_t size,
                                   std::uint32_t& type, std::uint32_t& length)
{
    RegistryKey handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, handle.put()) != ERROR_SUCCESS)
        return RegResult::noKey;
    // Read into a scratch buffer so that a failed read leaves the caller's alone.
    std::vector<BYTE> data(size ? size : 1);
    DWORD valueType = REG_NONE;
    DWORD valueLength = size;
    const LONG status =
        RegQueryValueExA(handle.get(), name, nullptr, &valueType, data.data(), &valueLength);
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && valueLength > size))
        return RegResult::tooLong;
    if (status != ERROR_SUCCESS)
        return RegResult::noValue;
    if (valueLength)
        memcpy(buffer, data.data(), valueLength);
    type = valueType;
    length = valueLength;
    return RegResult::ok;
}

RegResult Win32Registry::writeValue(const char* key, const char* name, std::uint32_t type,
                                    const void* data, std::uint32_t length)
{
    const RegistryKey handle = openForWriting(key);
    if (!handle)
        return RegResult::noKey;
    // RegSetValueExA stores one byte more than asked for when a text's last
    // byte is not NUL and the byte after it is: texts are kept exactly as
    // long as given, so the copy handed over has no NUL after its end.
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + length);
    copy.push_back(1);
    const LONG status = RegSetValueExA(handle.get(), name, 0, type, copy.data(), length);
    return status == ERROR_SUCCESS ? RegResult::ok : RegResult::noValue;
}

RegResult Win32Registry::deleteValue(const char* key, const char* name)
{
    const RegistryKey handle = openForWriting(key);
    if (!handle)
        return RegResult::noKey;
    const LONG status = RegDeleteValueA(handle.get(), name);
    return status == ERROR_SUCCESS ? RegResult::ok : RegResult::noValue;
}
