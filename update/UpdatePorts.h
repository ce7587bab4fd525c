// The few platform operations the vendor client and the self-update need,
// as small interfaces: the Windows side implements each over one or two
// system calls, the tests over memory.
#pragma once

#include "settings/Deployment.h"
#include "update/UpdateKey.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Downloads through the system's URL service (its connection and proxy
// settings apply).
class Downloader {
public:
    virtual ~Downloader() = default;
    // Fetches a reply (a few lines) from url into a file of its own; true
    // with the local file's path.
    [[nodiscard]] virtual bool toReplyFile(const std::string& url, std::string& localPath) = 0;
    // Fetches url into the file at path, replacing it; true on success.
    [[nodiscard]] virtual bool toFile(const std::string& url, const char* path) = 0;
    // Drops any entry the download cache holds for url, after its reply was
    // deleted: the cache would otherwise hand out a stale reply for the
    // address.
    virtual void forget(const std::string& url) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool exists(const char* path) = 0;
    // Deletes the file; false when it could not be deleted.
    virtual bool remove(const char* path) = 0;
    // Creates or truncates the file and writes size bytes. True only when
    // every byte was written and the file closed.
    [[nodiscard]] virtual bool write(const char* path, const void* data, std::size_t size) = 0;
    // Reads up to size bytes from offset; the number of bytes read (0 when the
    // file cannot be opened or ends before offset).
    [[nodiscard]] virtual std::size_t read(const char* path, std::uint64_t offset, void* buffer,
                                           std::size_t size) = 0;
    // The short (8.3) form of path; path itself when there is none.
    virtual std::string shortPath(const std::string& path) = 0;
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts a program from a command line, shown normally; true when it
    // started.
    [[nodiscard]] virtual bool run(const std::string& commandLine) = 0;
    // The running program's full path.
    virtual std::string ownPath() = 0;
    virtual void sleep(unsigned milliseconds) = 0;
};

// Values of the program's registry key (readAppRegValue, writeAppRegValue).
class AppValues {
public:
    virtual ~AppValues() = default;
    // True with the value's type and length in bytes; false when it is
    // missing or does not fit.
    [[nodiscard]] virtual bool read(const char* name, void* buffer, std::uint32_t size, std::uint32_t& type,
                                    std::uint32_t& length) = 0;
    // type: 1 text (REG_SZ), 4 a 32-bit number (REG_DWORD). True when stored.
    virtual bool write(const char* name, std::uint32_t type, const void* data, std::uint32_t length) = 0;
    // Deletes the value; true when it is gone.
    virtual bool erase(const char* name) = 0;
};

class GuidSource {
public:
    virtual ~GuidSource() = default;
    // A new identifier in its registry form, "{" + 36 characters + "}";
    // false when none could be made.
    [[nodiscard]] virtual bool create(std::string& braced) = 0;
};

using Sha256Digest = std::array<std::uint8_t, 32>;
// An ECDSA P-256 signature: r then s, 32 bytes each, big-endian.
using UpdateSignature = std::array<std::uint8_t, 64>;

// The platform's cryptography, with the update key built into the program.
class SignatureVerifier {
public:
    virtual ~SignatureVerifier() = default;
    // The SHA-256 of the whole file; false when it cannot be read to its end.
    [[nodiscard]] virtual bool fileSha256(const char* path, Sha256Digest& digest) = 0;
    // True when signature is the update key's ECDSA P-256 signature with
    // SHA-256 over the bytes of text.
    [[nodiscard]] virtual bool verify(const std::string& text, const UpdateSignature& signature) = 0;
};

// Everything the vendor client and the self-update work over.
struct UpdatePlatform {
    Downloader& downloader;
    FileSystem& files;
    Launcher& launcher;
    AppValues& values;
    GuidSource& guids;
    SignatureVerifier& verifier;
    // The vendor site's host, among the program's own.
    const Deployment& deployment;
    // The updater program carried by Zeb (resource "DAT" 148); null when the
    // resource cannot be found.
    const void* updaterData = nullptr;
    std::size_t updaterSize = 0;
    // Where a refusal whose cause no system call reports is written (the
    // program's diagnostic trace); empty: nowhere.
    std::function<void(const char* why)> failureTrace{};
    // The update key is the development key: offers are then taken only from
    // a vendor site on this computer.
    bool developmentKey = builtWithDevelopmentUpdateKey;
};
