#include "update/Win32Download.h"

#include "winui/Trace.h"

#include <wininet.h>

#include <cstring>

ComPtr<DownloadBinding> DownloadBinding::create(FileHandle file, std::shared_ptr<DownloadProgress> progress,
                                                std::uint64_t sizeLimit, bool counted, const char* what)
{
    return ComPtr<DownloadBinding>::adopt(
        new DownloadBinding(std::move(file), std::move(progress), sizeLimit, counted, what));
}

DownloadBinding::DownloadBinding(FileHandle file, std::shared_ptr<DownloadProgress> progress,
                                 std::uint64_t sizeLimit, bool counted, const char* what)
    : file(std::move(file)), progress(std::move(progress)), sizeLimit(sizeLimit), counted(counted), what(what)
{
}

HRESULT STDMETHODCALLTYPE DownloadBinding::QueryInterface(REFIID iid, void** object)
{
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IBindStatusCallback)) {
        *object = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DownloadBinding::AddRef()
{
    return ++references;
}

ULONG STDMETHODCALLTYPE DownloadBinding::Release()
{
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE DownloadBinding::OnStartBinding(DWORD, IBinding* started)
{
    if (started)
        started->AddRef();
    binding = ComPtr<IBinding>::adopt(started);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadBinding::OnProgress(ULONG, ULONG progressMax, ULONG status, LPCWSTR)
{
    const std::lock_guard<std::mutex> lock(transfer);
    if (finished)
        return E_ABORT;
    if (counted && (status == BINDSTATUS_BEGINDOWNLOADDATA || status == BINDSTATUS_DOWNLOADINGDATA) &&
        progressMax > 0 && progress->total != progressMax) {
        progress->total = progressMax;
        tell();
    }
    return stopWanted() ? E_ABORT : S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadBinding::OnStopBinding(HRESULT result, LPCWSTR)
{
    outcome = result;
    stopped = true;
    binding.reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadBinding::GetBindInfo(DWORD* flags, BINDINFO* info)
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

HRESULT STDMETHODCALLTYPE DownloadBinding::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium)
{
    if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm)
        return S_OK;
    const std::lock_guard<std::mutex> lock(transfer);
    if (finished)
        return E_ABORT;  // the transfer is over: nothing more is written or counted
    char buffer[16384];
    for (;;) {
        ULONG got = 0;
        const HRESULT read = medium->pstm->Read(buffer, sizeof buffer, &got);
        if (got > 0) {
            lastArrival = GetTickCount64();
            received += got;
            if (received > sizeLimit) {
                fail(" is larger than allowed");
                return E_ABORT;
            }
            DWORD written = 0;
            if (!WriteFile(file.get(), buffer, got, &written, nullptr) || written != got) {
                fail(" cannot be written", GetLastError());
                return E_ABORT;
            }
            if (counted) {
                progress->received = received;
                tell();
            }
        }
        if (read != S_OK || got == 0)
            return S_OK;
    }
}

bool DownloadBinding::wait(unsigned stopGraceMs)
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
        bool stop = false;
        {
            const std::lock_guard<std::mutex> lock(transfer);
            stop = !aborted && stopWanted();
        }
        if (stop) {
            aborted = true;
            abortedAt = GetTickCount64();
            // Held for the call: the binding may confirm its end inside it.
            if (const ComPtr<IBinding> running = binding)
                running->Abort();
        } else if (aborted && GetTickCount64() - abortedAt > stopGraceMs) {
            break;  // a binding that does not confirm its end: finish() cuts it off
        }
    }
    const std::lock_guard<std::mutex> lock(transfer);
    if (stopped && outcome == S_OK && !failed && !aborted)
        return true;
    if (cause)
        trace(("update: " + what + cause).c_str(), causeCode);
    else
        trace(("update: " + what + "'s download failed").c_str(), static_cast<std::uint32_t>(outcome));
    return false;
}

bool DownloadBinding::finish()
{
    const std::lock_guard<std::mutex> lock(transfer);
    finished = true;
    return file.close();
}

void DownloadBinding::fail(const char* why, DWORD code)
{
    failed = true;
    noteCause(why, code);
}

// The first reason to stop is the one traced.
void DownloadBinding::noteCause(const char* why, DWORD code)
{
    if (!cause) {
        cause = why;
        causeCode = code;
    }
}

bool DownloadBinding::stopWanted()
{
    if (failed)
        return true;
    if (progress->cancel)
        noteCause("'s download was cancelled");
    else if (GetTickCount64() - lastArrival > downloadStallLimitMs)
        noteCause("'s download stalled");
    else
        return false;
    return true;
}

void DownloadBinding::tell()
{
    if (progress->changed)
        progress->changed();
}

namespace {

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

std::string narrow(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return "";
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

// Runs one download of url into file to its end; true when it arrived whole
// and the file closed cleanly. The file is closed in any case.
bool download(const std::string& url, FileHandle file, const std::shared_ptr<DownloadProgress>& progress,
              std::uint64_t sizeLimit, bool counted, const char* what)
{
    ComPtr<DownloadBinding> callback = DownloadBinding::create(std::move(file), progress, sizeLimit, counted, what);
    ComPtr<IMoniker> moniker;
    const HRESULT made = CreateURLMonikerEx(nullptr, widen(url).c_str(), moniker.put(), URL_MK_UNIFORM);
    if (made != S_OK) {
        trace(("update: " + std::string(what) + "'s address is not taken").c_str(), static_cast<std::uint32_t>(made));
        callback->finish();
        return false;
    }
    bool whole = false;
    ComPtr<IBindCtx> context;
    const HRESULT bindContext = CreateAsyncBindCtx(0, callback.get(), nullptr, context.put());
    if (bindContext == S_OK) {
        ComPtr<IStream> stream;
        const HRESULT bound = moniker->BindToStorage(context.get(), nullptr, __uuidof(IStream), stream.putVoid());
        stream.reset();
        if (FAILED(bound))
            trace(("update: " + std::string(what) + "'s download does not start").c_str(),
                  static_cast<std::uint32_t>(bound));
        whole = SUCCEEDED(bound) && callback->wait();
    } else {
        trace(("update: no binding for " + std::string(what) + "'s download").c_str(),
              static_cast<std::uint32_t>(bindContext));
    }
    if (!callback->finish() && whole) {
        traceLastError(("update: " + std::string(what) + "'s file cannot be closed").c_str());
        whole = false;
    }
    return whole;
}

}  // namespace

UrlMonDownloader::UrlMonDownloader() : progress(std::make_shared<DownloadProgress>()) {}

UrlMonDownloader::~UrlMonDownloader()
{
    for (const std::wstring& path : replyFiles)
        DeleteFileW(path.c_str());  // already gone, mostly
}

bool UrlMonDownloader::toReplyFile(const std::string& url, std::string& localPath)
{
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH || !GetTempFileNameW(folder, L"zeb", 0, path)) {
        traceLastError("update: no file for a reply");
        return false;
    }
    replyFiles.emplace_back(path);
    FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        traceLastError("update: no file for a reply");
        DeleteFileW(path);
        return false;
    }
    if (!download(url, std::move(file), progress, replySizeLimit, false, "a reply")) {
        DeleteFileW(path);
        return false;
    }
    // The short form holds no character the ANSI code page lacks.
    wchar_t shortForm[MAX_PATH] = {};
    const DWORD shortLength = GetShortPathNameW(path, shortForm, MAX_PATH);
    localPath = narrow(shortLength > 0 && shortLength < MAX_PATH ? shortForm : path);
    return true;
}

void UrlMonDownloader::forget(const std::string& url)
{
    // An entry an earlier download left in the cache would be handed out
    // for the address.
    if (!DeleteUrlCacheEntryA(url.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        traceLastError("update: a reply's cache entry cannot be dropped");
}

bool UrlMonDownloader::toFile(const std::string& url, const char* path)
{
    progress->received = 0;
    progress->total = 0;
    const std::wstring target = widen(path);
    FileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        traceLastError("update: the new build's file cannot be created");
        return false;
    }
    const bool whole = download(url, std::move(file), progress, downloadSizeLimit, true, "the new build");
    if (!whole && !DeleteFileW(target.c_str()))
        traceLastError("update: a broken download cannot be deleted");
    return whole;
}
