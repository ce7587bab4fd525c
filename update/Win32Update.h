// The vendor client's and the self-update's platform on Windows: the URL
// download service, the program's files and registry key, WinExec, COM GUIDs
// and the updater carried as resource "DAT" 148.
//
// Paths in the narrow strings of these adapters are in the ANSI code page,
// as the download service's A entry points hand them out; the update files'
// own names are ASCII.
#pragma once

#include "update/UpdatePorts.h"
#include "update/VendorReply.h"
#include "update/Win32Signature.h"

class UrlMonDownloader : public Downloader {
public:
    bool toCache(const std::string& url, std::string& localPath) override;
    bool toFile(const std::string& url, const char* path) override;
};

class Win32Files : public FileSystem {
public:
    bool exists(const char* path) override;
    bool remove(const char* path) override;
    bool write(const char* path, const void* data, std::size_t size) override;
    std::size_t read(const char* path, std::uint64_t offset, void* buffer, std::size_t size) override;
    std::string shortPath(const std::string& path) override;
};

class Win32Launcher : public Launcher {
public:
    unsigned run(const std::string& commandLine) override;
    // The short form of the running program's path, in the ANSI code page for
    // the command line; "" when the path cannot be written in it.
    std::string ownPath() override;
    void sleep(unsigned milliseconds) override;
};

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

// Everything together, for one thread's use. Replies are read from their
// bytes (TextProfileReader), so a notice keeps its GB2312 text on any locale.
class Win32UpdatePlatform {
public:
    Win32UpdatePlatform();
    Win32UpdatePlatform(const Win32UpdatePlatform&) = delete;
    Win32UpdatePlatform& operator=(const Win32UpdatePlatform&) = delete;

    UpdatePlatform& platform() { return ports; }

private:
    UrlMonDownloader downloader;
    Win32Files files;
    TextProfileReader profile{files};
    Win32Launcher launcher;
    Win32AppValues values;
    ComGuidSource guids;
    CngSignatureVerifier verifier;
    UpdatePlatform ports;
};
