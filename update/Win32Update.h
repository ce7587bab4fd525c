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

#include <atomic>
#include <functional>

// A download as the user follows it: the downloading thread counts, the
// window shows the counts, and cancel asks the download to stop.
struct DownloadProgress {
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> total{0};  // 0 while the size is unknown
    std::atomic<bool> cancel{false};
};

// A new executable larger than this is refused, and so is a download that
// goes this long without a byte.
constexpr std::uint64_t downloadSizeLimit = 32u << 20;
constexpr unsigned downloadStallLimitMs = 60000;

class UrlMonDownloader : public Downloader {
public:
    bool toCache(const std::string& url, std::string& localPath) override;
    void forget(const std::string& url) override;
    // Runs on the calling thread, which handles its own messages meanwhile.
    // Fails, deleting what arrived, when the progress's cancel is set, when
    // more than downloadSizeLimit bytes arrive or when none arrive for
    // downloadStallLimitMs.
    bool toFile(const std::string& url, const char* path) override;

    // Where the file download reports; null for none.
    void reportTo(DownloadProgress* where) { progress = where; }

private:
    DownloadProgress* progress = nullptr;
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
    // Waits first while holdWhile() says so (ZebUpdater waits for Zeb to end,
    // which it cannot while one of its dialogs is open); gives up, as a start
    // that failed, once cancel is set.
    unsigned run(const std::string& commandLine) override;
    // The short form of the running program's path, in the ANSI code page for
    // the command line; "" when the path cannot be written in it.
    std::string ownPath() override;
    void sleep(unsigned milliseconds) override;

    std::function<bool()> holdWhile;
    const std::atomic<bool>* cancel = nullptr;
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

    // The new executable's download reports to progress and stops at its
    // cancel; ZebUpdater is started only once mayHandOver() allows it, and
    // not at all once cancelled.
    void follow(DownloadProgress& progress, std::function<bool()> mayHandOver);

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

// ZebUpdater's mark of an update it could not carry out, in the program's
// folder (the current directory).
constexpr const char* failedUpdateMarkPath = ".\\ZebUpdater.failed";

// True once after such an update: the mark is deleted as it is read.
bool takeFailedUpdateMark(FileSystem& files);
