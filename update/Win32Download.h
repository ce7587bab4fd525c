// Downloads through the URL Moniker service, which follows the system's own
// connection and proxy settings: replies into private temporary files, the
// new build straight into its file. Every download is an asynchronous
// binding with the same limits: a size limit, a stall limit and a cancel.
//
// Addresses and paths are in the ANSI code page, as the service's A entry
// points take and hand them out.
#pragma once

#include "update/UpdatePorts.h"
#include "winui/ComPtr.h"
#include "winui/Handles.h"

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A download as the user follows it: the downloading thread counts, the
// window shows the counts, and cancel asks the download to stop.
struct DownloadProgress {
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> total{0};  // 0 while the size is unknown
    std::atomic<bool> cancel{false};
    // Told on the downloading thread whenever received or total changed; set
    // before the download starts.
    std::function<void()> changed;
};

// A new executable larger than this is refused, and so is a download that
// goes this long without a byte. A reply is a few lines: the readers take its
// first 64 KB, and a larger one is refused.
constexpr std::uint64_t downloadSizeLimit = 32u << 20;
constexpr std::uint64_t replySizeLimit = 64u << 10;
constexpr unsigned downloadStallLimitMs = 60000;
// How long a binding that was told to stop is given to confirm its end.
constexpr unsigned downloadStopGraceMs = 3000;

// One binding's transfer into an open file: the binding's calls come
// through the downloading thread's messages, and wait() handles them until
// the binding has stopped, stopping it (IBinding::Abort) when cancelled, when
// the file grows past its limit or when nothing arrives for too long. The
// object owns the file and shares the progress: once finish() has closed the
// file, whatever the binding still hands over is dropped, so a binding that
// never confirmed its end cannot write into a handle that was closed (or
// since reused) nor count into a progress that is gone.
class DownloadBinding final : public IBindStatusCallback {
public:
    // what: the download's name in the trace ("the new build", "a reply").
    // counted: received and total go to progress (the limit and the cancel
    // hold either way).
    static ComPtr<DownloadBinding> create(FileHandle file, std::shared_ptr<DownloadProgress> progress,
                                          std::uint64_t sizeLimit, bool counted, const char* what);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* started) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG progressMax, ULONG status, LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // Handles the thread's messages until the binding has stopped, giving a
    // stopped one stopGraceMs to confirm. False, with its cause traced,
    // unless the whole file arrived.
    bool wait(unsigned stopGraceMs = downloadStopGraceMs);
    // Ends the transfer and closes the file; true when it closed cleanly.
    bool finish();

private:
    DownloadBinding(FileHandle file, std::shared_ptr<DownloadProgress> progress, std::uint64_t sizeLimit,
                    bool counted, const char* what);
    ~DownloadBinding() = default;
    void fail(const char* why, DWORD code = 0);
    void noteCause(const char* why, DWORD code = 0);
    bool stopWanted();
    void tell();

    std::atomic<ULONG> references{1};
    std::mutex transfer;  // the file and the counts, against finish()
    FileHandle file;
    bool finished = false;
    const std::shared_ptr<DownloadProgress> progress;
    const std::uint64_t sizeLimit;
    const bool counted;
    const std::string what;
    std::uint64_t received = 0;
    ComPtr<IBinding> binding;
    ULONGLONG lastArrival = GetTickCount64();
    bool stopped = false;
    bool failed = false;
    HRESULT outcome = E_FAIL;
    const char* cause = nullptr;
    DWORD causeCode = 0;
};

class UrlMonDownloader : public Downloader {
public:
    UrlMonDownloader();
    ~UrlMonDownloader() override;
    UrlMonDownloader(const UrlMonDownloader&) = delete;
    UrlMonDownloader& operator=(const UrlMonDownloader&) = delete;

    // Both run on the calling thread, which handles its own messages
    // meanwhile, and fail, deleting what arrived, when the progress's cancel
    // is set, past their size limit (replySizeLimit, downloadSizeLimit) or
    // when nothing arrives for downloadStallLimitMs. A reply's file is the
    // downloader's own: one the caller left is deleted with the downloader.
    bool toReplyFile(const std::string& url, std::string& localPath) override;
    bool toFile(const std::string& url, const char* path) override;
    void forget(const std::string& url) override;

    // Where the downloads report and whose cancel they obey; the counts are
    // the new build's only.
    void reportTo(std::shared_ptr<DownloadProgress> where) { progress = std::move(where); }

private:
    std::shared_ptr<DownloadProgress> progress;
    std::vector<std::wstring> replyFiles;
};
