// In-memory profile file and registry that record every write, in order.
#pragma once

#include "settings/SettingsStore.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakeProfile : ProfileFile {
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::vector<std::string> writes;  // "section/key=value"
    int saves = 0;                    // writes of the file that succeeded
    bool locked = false;              // every write fails, changing nothing
    bool held = false;                // there, but cannot be read nor written

    std::string read(const char* section, const char* key) override
    {
        auto s = sections.find(section);
        if (held)
            return "";
        if (s == sections.end() || !s->second.count(key))
            return "";
        return s->second[key];
    }
    bool unreadable() override { return held; }
    bool write(const std::vector<ProfileSection>& changed) override
    {
        if (locked || held)
            return false;
        ++saves;
        for (const ProfileSection& section : changed)
            for (const auto& [key, value] : section.entries) {
                writes.push_back(section.name + "/" + key + "=" + value);
                sections[section.name][key] = value;
            }
        return true;
    }
    using ProfileFile::write;
};

struct FakeRegistry : Registry {
    struct Value {
        std::uint32_t type;
        std::string data;
    };
    std::map<std::string, std::map<std::string, Value>> keys;
    std::set<std::string> lockedKeys;  // cannot be opened nor created

    void set(const char* key, const char* name, std::uint32_t type, const std::string& data)
    {
        keys[key][name] = {type, data};
    }
    void setDword(const char* key, const char* name, std::uint32_t n)
    {
        set(key, name, regDword, std::string(reinterpret_cast<const char*>(&n), 4));
    }
    RegResult readValue(const char* key, const char* name, void* buffer, std::uint32_t size,
                        std::uint32_t& type, std::uint32_t& length) override
    {
        auto k = keys.find(key);
        if (k == keys.end() || lockedKeys.count(key))
            return RegResult::noKey;
        auto v = k->second.find(name);
        if (v == k->second.end())
            return RegResult::noValue;
        if (v->second.data.size() > size)
            return RegResult::tooLong;
        std::memcpy(buffer, v->second.data.data(), v->second.data.size());
        type = v->second.type;
        length = static_cast<std::uint32_t>(v->second.data.size());
        return RegResult::ok;
    }
    RegResult writeValue(const char* key, const char* name, std::uint32_t type, const void* data,
                         std::uint32_t length) override
    {
        if (lockedKeys.count(key))
            return RegResult::noKey;
        keys[key][name] = {type, std::string(static_cast<const char*>(data), length)};
        return RegResult::ok;
    }
    RegResult deleteValue(const char* key, const char* name) override
    {
        if (lockedKeys.count(key))
            return RegResult::noKey;
        return keys[key].erase(name) ? RegResult::ok : RegResult::noValue;
    }
};
