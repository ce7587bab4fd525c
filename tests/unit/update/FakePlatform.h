// The vendor client's and the self-update's platform in memory: files by
// name, a vendor site by address, registry values by name, a signer whose
// signatures are what it recorded, and one log of what reaches the outside
// (downloads, deletions, writes, waits, starts, registry changes).
#pragma once

#include "tests/support/TestDeployment.h"
#include "update/OfferSignature.h"
#include "update/SelfUpdate.h"
#include "update/UpdatePorts.h"
#include "update/VendorReply.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakePlatform : Downloader, FileSystem, Launcher, AppValues, GuidSource, SignatureVerifier {
    std::map<std::string, std::string> files, site, values;  // site: address -> body
    // Types of the values; one put straight into values is a REG_DWORD when
    // 4 bytes long and REG_SZ otherwise.
    std::map<std::string, std::uint32_t> types;
    std::map<std::string, UpdateSignature> signatures;  // signed text -> its signature
    std::set<std::string> undeletable, unwritable;
    std::vector<std::string> log;
    std::vector<std::string> forgotten;  // addresses whose cache entry was dropped
    std::string guid = "{0F8FAD5B-D9CB-469F-A165-70867728950E}";
    std::string updater = "MZ updater bytes";
    bool startable = true;
    int cached = 0;
    Deployment deployment = testDeployment(nullptr, "vendor.test");
    UpdatePlatform platform{*this, *this, *this, *this, *this, *this, deployment, updater.data(), updater.size()};

    // A build with a key of its own, unless a test says otherwise.
    FakePlatform() { platform.developmentKey = false; }

    bool toReplyFile(const std::string& url, std::string& localPath) override
    {
        localPath = "C:\\Cache\\reply" + std::to_string(++cached) + ".txt";
        return toFile(url, localPath.c_str());
    }
    bool toFile(const std::string& url, const char* path) override
    {
        log.push_back("get " + url);
        return site.count(url) && (files[path] = site[url], true);
    }
    void forget(const std::string& url) override { forgotten.push_back(url); }
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
    bool run(const std::string& commandLine) override
    {
        log.push_back("run " + commandLine);
        return startable;
    }
    std::string ownPath() override { return "C:\\Program Files\\Zeb\\Zeb.exe"; }
    void sleep(unsigned milliseconds) override { log.push_back("sleep " + std::to_string(milliseconds)); }
    bool read(const char* name, void* buffer, std::uint32_t size, std::uint32_t& type,
              std::uint32_t& length) override
    {
        auto v = values.find(name);
        if (v == values.end() || v->second.size() > size)
            return false;
        type = types.count(name) ? types[name] : v->second.size() == 4 ? 4 : 1;
        std::memcpy(buffer, v->second.data(), length = static_cast<std::uint32_t>(v->second.size()));
        return true;
    }
    bool write(const char* name, std::uint32_t type, const void* data, std::uint32_t length) override
    {
        log.push_back(std::string("set ") + name + " type " + std::to_string(type));
        values[name].assign(static_cast<const char*>(data), length);
        types[name] = type;
        return true;
    }
    bool erase(const char* name) override
    {
        types.erase(name);
        if (!values.erase(name))
            return false;
        log.push_back(std::string("erase ") + name);
        return true;
    }
    bool fileSha256(const char* path, Sha256Digest& digest) override
    {
        if (!files.count(path))
            return false;
        digest = digestOf(files[path]);
        return true;
    }
    bool verify(const std::string& text, const UpdateSignature& signature) override
    {
        auto s = signatures.find(text);
        return s != signatures.end() && s->second == signature;
    }
    // Stands in for SHA-256: any change of the bytes changes it.
    static Sha256Digest digestOf(const std::string& bytes)
    {
        Sha256Digest digest{};
        for (std::size_t i = 0; i < digest.size(); ++i)
            digest[i] = static_cast<std::uint8_t>(std::hash<std::string>()(bytes + char(i)));
        return digest;
    }
    // Signs text: its signature is recorded, and verifies from now on.
    UpdateSignature sign(const std::string& text)
    {
        UpdateSignature signature{};
        for (std::size_t i = 0; i < signature.size(); ++i)
            signature[i] = static_cast<std::uint8_t>(std::hash<std::string>()(text + "sig" + char(i)));
        return signatures[text] = signature;
    }
    // The reply lines "sha256=..." and "sig=..." of build offered as infoVer.
    std::string signedKeys(const std::string& build, std::uint32_t infoVer = 3)
    {
        const Sha256Digest digest = digestOf(build);
        const UpdateSignature signature = sign(updateSignedText(infoVer, digest));
        return "sha256=" + toHex(digest.data(), digest.size()) + "\nsig=" +
               toHex(signature.data(), signature.size()) + "\n";
    }
    bool create(std::string& braced) override
    {
        braced = guid;
        return !guid.empty();
    }
    bool logged(const std::string& entry) const { return std::count(log.begin(), log.end(), entry) != 0; }
};

// A minimal Windows program: "MZ", e_lfanew 0x40, "PE\0\0" and the machine.
inline std::string tinyExecutable(std::uint16_t machine = ownMachine)
{
    std::string exe(0x48, '\0');
    exe.replace(0, 2, "MZ");
    exe[0x3C] = 0x40;
    exe[0x44] = static_cast<char>(machine & 0xFF);
    exe[0x45] = static_cast<char>(machine >> 8);
    return exe.replace(0x40, 4, std::string("PE\0\0", 4));
}
