// The vendor client's and the self-update's platform in memory: files by
// name, a vendor site by address, registry values by name, and one log of
// what reaches the outside (downloads, deletions, writes, waits, starts).
#pragma once

#include "update/UpdatePorts.h"
#include "update/VendorReply.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakePlatform : Downloader, FileSystem, Launcher, AppValues, GuidSource {
    std::map<std::string, std::string> files, site, values;  // site: address -> body
    std::set<std::string> undeletable, unwritable;
    std::vector<std::string> log;
    std::string guid = "{0F8FAD5B-D9CB-469F-A165-70867728950E}";
    std::string updater = "MZ updater bytes";
    unsigned execResult = 33;
    int cached = 0;
    TextProfileReader profile{*this};
    UpdatePlatform platform{*this, profile, *this, *this, *this, *this, updater.data(), updater.size()};

    bool toCache(const std::string& url, std::string& localPath) override
    {
        localPath = "C:\\Cache\\reply" + std::to_string(++cached) + ".txt";
        return toFile(url, localPath.c_str());
    }
    bool toFile(const std::string& url, const char* path) override
    {
        log.push_back("get " + url);
        return site.count(url) && (files[path] = site[url], true);
    }
    bool exists(const char* path) override { return files.count(path) != 0; }
    bool remove(const char* path) override
    {
        log.push_back(std::string("remove ") + path);
        return !undeletable.count(path) && files.erase(path) == 1;
    }
    bool write(const char* path, const void* data, std::size_t size) override
    {
        log.push_back(std::string("write ") + path);
        const std::size_t written = unwritable.count(path) ? size / 2 : size;  // leaves part behind
        files[path].assign(static_cast<const char*>(data), written);
        return written == size;
    }
    std::size_t read(const char* path, std::uint64_t offset, void* buffer, std::size_t size) override
    {
        auto f = files.find(path);
        if (f == files.end() || offset >= f->second.size())
            return 0;
        const std::size_t n = std::min<std::size_t>(size, f->second.size() - offset);
        std::memcpy(buffer, f->second.data() + offset, n);
        return n;
    }
    std::string shortPath(const std::string& path) override
    {
        return path == ownPath() ? "C:\\PROGRA~1\\Zeb\\Zeb.exe" : path;
    }
    unsigned run(const std::string& commandLine) override
    {
        log.push_back("run " + commandLine);
        return execResult;
    }
    std::string ownPath() override { return "C:\\Program Files\\Zeb\\Zeb.exe"; }
    void sleep(unsigned milliseconds) override { log.push_back("sleep " + std::to_string(milliseconds)); }
    bool read(const char* name, void* buffer, std::uint32_t size, std::uint32_t& length) override
    {
        auto v = values.find(name);
        if (v == values.end() || v->second.size() > size)
            return false;
        std::memcpy(buffer, v->second.data(), length = static_cast<std::uint32_t>(v->second.size()));
        return true;
    }
    bool write(const char* name, std::uint32_t type, const void* data, std::uint32_t length) override
    {
        log.push_back(std::string("set ") + name + " type " + std::to_string(type));
        values[name].assign(static_cast<const char*>(data), length);
        return true;
    }
    bool create(std::string& braced) override
    {
        braced = guid;
        return !guid.empty();
    }
    bool logged(const std::string& entry) const { return std::count(log.begin(), log.end(), entry) != 0; }
};

// A minimal Windows program: "MZ", e_lfanew 0x40, "PE\0\0".
inline std::string tinyExecutable()
{
    std::string exe(0x48, '\0');
    exe.replace(0, 2, "MZ");
    exe[0x3C] = 0x40;
    return exe.replace(0x40, 4, std::string("PE\0\0", 4));
}
