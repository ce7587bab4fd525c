// Downloads through the URL Moniker service, which follows the system's own
// connection and proxy settings: replies into the download cache, the new
// build straight into its file.
//
// Addresses and paths are in the ANSI code page, as the service's A entry
// points take and hand them out.
#pragma once

#include "update/UpdatePorts.h"

#include <atomic>
#include <cstdint>

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
