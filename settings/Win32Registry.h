// Values below HKEY_CURRENT_USER through the Windows registry functions.
#pragma once

#include "settings/SettingsStore.h"

class Win32Registry : public Registry {
public:
    [[nodiscard]] RegResult readValue(const char* key, const char* name, void* buffer, std::uint32_t size,
                                      std::uint32_t& type, std::uint32_t& length) override;
    RegResult writeValue(const char* key, const char* name, std::uint32_t type, const void* data,
                         std::uint32_t length) override;
    RegResult deleteValue(const char* key, const char* name) override;
};
