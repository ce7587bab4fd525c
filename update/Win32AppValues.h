// The vendor client's values under the program's registry key, and the
// installation identifiers stored there (COM GUIDs).
#pragma once

#include "update/UpdatePorts.h"

class Win32AppValues : public AppValues {
public:
    bool read(const char* name, void* buffer, std::uint32_t size, std::uint32_t& type,
              std::uint32_t& length) override;
    bool write(const char* name, std::uint32_t type, const void* data, std::uint32_t length) override;
    bool erase(const char* name) override;
};

class ComGuidSource : public GuidSource {
public:
    bool create(std::string& braced) override;
};
