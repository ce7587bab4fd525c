#include "update/Win32Download.h"

#include "winui/Handles.h"
#include "winui/Trace.h"

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstring>

namespace {

// The new executable's download: an asynchronous binding whose data this
// callback writes to the file as it arrives, counting it. The binding's
// calls come through the downloading thread's messages, so the thread can
// stop it (IBinding::Abort) when asked to, when the file grows too large or
// when nothing arrives for too long.
class FileDownload final : public IBindStatusCallback {
public:
    FileDownload(HANDLE file, DownloadProgress& progress) : file(file), progress(progress) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IBindStatusCallback)) {
            *object = static_cast<IBindStatusCallback*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* started) override
    {
        binding = started;
        binding->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG progressMax, ULONG status, LPCWSTR) override
    {
        if ((status == BINDSTATUS_BEGINDOWNLOADDATA || status == BINDSTATUS_DOWNLOADINGDATA) && progressMax > 0)
            progress.total = progressMax;
        return stopWanted() ? E_ABORT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) override
    {
        outcome = result;
        stopped = true;
        releaseBinding();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override
    {
        // Pulled as a stream, never from nor into the cache.
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION |
                 BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
        const ULONG size = info->cbSize;
        std::memset(info, 0, size);
        info->cbSize = size;
        info->dwBindVerb = BINDVERB_GET;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override
    {
        if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm)
            return S_OK;
        char buffer[16384];
        for (;;) {
            ULONG got = 0;
            const HRESULT read = medium->pstm->Read(buffer, sizeof buffer, &got);
            if (got > 0) {
                lastArrival = GetTickCount64();
                const std::uint64_t received = progress.received += got;
                DWORD written = 0;
                if (received > downloadSizeLimit) {
                    fail("update: the new build is larger than allowed");
                    return E_ABORT;
                }
                if (!WriteFile(file, buffer, got, &written, nullptr) || written != got) {
                    fail("update: the new build cannot be written", GetLastError());
                    return E_ABORT;
                }
            }
            if (read != S_OK || got == 0)
                return S_OK;
        }
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // Handles the thread's messages until the binding has stopped; stops it
    // when stopWanted(). False, with its cause traced, unless the whole file
    // arrived.
    bool wait()
    {
        bool aborted = false;
        ULONGLONG abortedAt = 0;
        while (!stopped) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (stopped)
                break;
            if (!aborted && stopWanted()) {
                aborted = true;
                abortedAt = GetTickCount64();
                if (binding)
                    binding->Abort();
            } else if (aborted && GetTickCount64() - abortedAt > 5000) {
                break;  // a binding that does not confirm its end is left to itself
            }
        }
        if (stopped && outcome == S_OK && !failed && !aborted)
            return true;
        if (cause)
            trace(cause, causeCode);
        else
            trace("update: the new build's download failed", static_cast<std::uint32_t>(outcome));
        return false;
    }

private:
    ~FileDownload() { releaseBinding(); }
    void releaseBinding()
    {
        if (binding)
            binding->Release();
        binding = nullptr;
    }
    void fail(const char* what, DWORD code = 0)
    {
        failed = true;
        noteCause(what, code);
    }
    // The first reason to stop is the one traced.
    void noteCause(const char* what, DWORD code = 0)
    {
        if (!cause) {
            cause = what;
            causeCode = code;
        }
    }
    bool stopWanted()
    {
        if (failed)
            return true;
        if (progress.cancel)
            noteCause("update: the new build's download was cancelled");
        else if (GetTickCount64() - lastArrival > downloadStallLimitMs)
            noteCause("update: the new build's download stalled");
        else
            return false;
        return true;
    }

    ULONG references = 1;
    HANDLE file;
    DownloadProgress& progress;
    IBinding* binding = nullptr;
    ULONGLONG lastArrival = GetTickCount64();
    bool stopped = false;
    bool failed = false;
    HRESULT outcome = E_FAIL;
    const char* cause = nullptr;
    DWORD causeCode = 0;
};

std::wstring widen(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 0)
        return L"";
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], size);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

bool download(const std::wstring& url, HANDLE file, DownloadProgress& progress)
{
    IMoniker* moniker = nullptr;
    const HRESULT made = CreateURLMonikerEx(nullptr, url.c_str(), &moniker, URL_MK_UNIFORM);
    if (made != S_OK) {
        trace("update: the new build's address is not taken", static_cast<std::uint32_t>(made));
        return false;
    }
    FileDownload* callback = new FileDownload(file, progress);
    IBindCtx* context = nullptr;
    bool whole = false;
    const HRESULT bindContext = CreateAsyncBindCtx(0, callback, nullptr, &context);
    if (bindContext == S_OK) {
        IStream* stream = nullptr;
        const HRESULT bound = moniker->BindToStorage(context, nullptr, __uuidof(IStream),
                                                     reinterpret_cast<void**>(&stream));
        if (stream)
            stream->Release();
        if (FAILED(bound))
            trace("update: the new build's download does not start", static_cast<std::uint32_t>(bound));
        whole = SUCCEEDED(bound) && callback->wait();
        context->Release();
    } else {
        trace("update: no binding for the new build's download", static_cast<std::uint32_t>(bindContext));
    }
    callback->Release();
    moniker->Release();
    return whole;
}

}  // namespace

bool UrlMonDownloader::toCache(const std::string& url, std::string& localPath)
{
    char path[MAX_PATH] = {};
    const HRESULT result = URLDownloadToCacheFileA(nullptr, url.c_str(), path, MAX_PATH, 0, nullptr);
    if (result != S_OK || !path[0]) {
        trace("update: a reply cannot be downloaded", static_cast<std::uint32_t>(result));
        return false;
    }
    localPath = path;
    return true;
}

void UrlMonDownloader::forget(const std::string& url)
{
    if (!DeleteUrlCacheEntryA(url.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        traceLastError("update: a reply's cache entry cannot be dropped");
}

bool UrlMonDownloader::toFile(const std::string& url, const char* path)
{
    DownloadProgress unseen;
    DownloadProgress& report = progress ? *progress : unseen;
    report.received = 0;
    report.total = 0;
    const std::wstring target = widen(path);
    bool whole = false;
    {
        FileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            traceLastError("update: the new build's file cannot be created");
            return false;
        }
        whole = download(widen(url), file.get(), report);
        if (whole && !file.close()) {
            traceLastError("update: the new build's file cannot be closed");
            whole = false;
        }
    }
    if (!whole && !DeleteFileW(target.c_str()))
        traceLastError("update: a broken download cannot be deleted");
    return whole;
}
