#include "update/Win32Update.h"

#include "res/resource.h"
#include "settings/Win32Registry.h"
#include "settings/Win32Settings.h"
#include "winui/Handles.h"

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstring>

namespace {

// The text of a wide path in the ANSI code page; "" when a character of it has
// no place there (a path with a '?' in it would name another file or none).
std::string toAnsi(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return "";
    std::string out(static_cast<std::size_t>(size), '\0');
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, &out[0], size, nullptr, &lossy) != size ||
        lossy)
        return "";
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

}  // namespace

// ---- downloads

bool UrlMonDownloader::toCache(const std::string& url, std::string& localPath)
{
    char path[MAX_PATH] = {};
    if (URLDownloadToCacheFileA(nullptr, url.c_str(), path, MAX_PATH, 0, nullptr) != S_OK || !path[0])
        return false;
    localPath = path;
    return true;
}

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
                if (received > downloadSizeLimit || !WriteFile(file, buffer, got, &written, nullptr) ||
                    written != got) {
                    failed = true;
                    return E_ABORT;
                }
            }
            if (read != S_OK || got == 0)
                return S_OK;
        }
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // Handles the thread's messages until the binding has stopped; stops it
    // when stopWanted(). False unless the whole file arrived.
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
        return stopped && outcome == S_OK && !failed && !aborted;
    }

private:
    ~FileDownload() { releaseBinding(); }
    void releaseBinding()
    {
        if (binding)
            binding->Release();
        binding = nullptr;
    }
    bool stopWanted() const
    {
        return failed || progress.cancel || GetTickCount64() - lastArrival > downloadStallLimitMs;
    }

    ULONG references = 1;
    HANDLE file;
    DownloadProgress& progress;
    IBinding* binding = nullptr;
    ULONGLONG lastArrival = GetTickCount64();
    bool stopped = false;
    bool failed = false;
    HRESULT outcome = E_FAIL;
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
    if (CreateURLMonikerEx(nullptr, url.c_str(), &moniker, URL_MK_UNIFORM) != S_OK)
        return false;
    FileDownload* callback = new FileDownload(file, progress);
    IBindCtx* context = nullptr;
    bool whole = false;
    if (CreateAsyncBindCtx(0, callback, nullptr, &context) == S_OK) {
        IStream* stream = nullptr;
        const HRESULT bound = moniker->BindToStorage(context, nullptr, __uuidof(IStream),
                                                     reinterpret_cast<void**>(&stream));
        if (stream)
            stream->Release();
        whole = SUCCEEDED(bound) && callback->wait();
        context->Release();
    }
    callback->Release();
    moniker->Release();
    return whole;
}

}  // namespace

void UrlMonDownloader::forget(const std::string& url)
{
    DeleteUrlCacheEntryA(url.c_str());
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
        if (!file)
            return false;
        whole = download(widen(url), file.get(), report) && file.close();
    }
    if (!whole)
        DeleteFileW(target.c_str());
    return whole;
}

// ---- files

bool Win32Files::exists(const char* path)
{
    return PathFileExistsA(path) != FALSE;
}

bool Win32Files::remove(const char* path)
{
    return DeleteFileA(path) != FALSE;
}

bool Win32Files::write(const char* path, const void* data, std::size_t size)
{
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const char* bytes = static_cast<const char*>(data);
    bool whole = true;
    while (size > 0 && whole) {
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        whole = WriteFile(file.get(), bytes, chunk, &written, nullptr) && written == chunk;
        bytes += written;
        size -= written;
    }
    // Data the system could not flush shows only when the file is closed.
    return file.close() && whole;
}

std::size_t Win32Files::read(const char* path, std::uint64_t offset, void* buffer, std::size_t size)
{
    const FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    std::size_t total = 0;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
        char* bytes = static_cast<char*>(buffer);
        while (total < size) {
            const std::size_t left = size - total;
            const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
            DWORD got = 0;
            if (!ReadFile(file.get(), bytes + total, chunk, &got, nullptr) || got == 0)
                break;
            total += got;
        }
    }
    return total;
}

std::string Win32Files::shortPath(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

// ---- starting the updater

unsigned Win32Launcher::run(const std::string& commandLine)
{
    while (holdWhile && holdWhile()) {
        if (cancel && *cancel)
            return 0;
        Sleep(200);
    }
    if (cancel && *cancel)
        return 0;
    return WinExec(commandLine.c_str(), SW_SHOW);
}

std::string Win32Launcher::ownPath()
{
    // Taken in UTF-16 and shortened there: only the short form, which has no
    // blank and seldom a character outside ASCII, goes to the command line.
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, full, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "";
    wchar_t shortForm[MAX_PATH] = {};
    const DWORD shortLength = GetShortPathNameW(full, shortForm, MAX_PATH);
    return toAnsi(shortLength > 0 && shortLength < MAX_PATH ? shortForm : full);
}

void Win32Launcher::sleep(unsigned milliseconds)
{
    Sleep(milliseconds);
}

// ---- the program's registry values

bool Win32AppValues::read(const char* name, void* buffer, std::uint32_t size, std::uint32_t& type,
                          std::uint32_t& length)
{
    return readAppRegValue(name, buffer, size, &type, &length) == RegResult::ok;
}

bool Win32AppValues::write(const char* name, std::uint32_t type, const void* data, std::uint32_t length)
{
    return writeAppRegValue(name, type, data, length) == RegResult::ok;
}

bool Win32AppValues::erase(const char* name)
{
    return Win32Registry().deleteValue(appRegKey, name) == RegResult::ok;
}

// ---- installation identifiers

bool ComGuidSource::create(std::string& braced)
{
    GUID guid;
    if (CoCreateGuid(&guid) != S_OK)
        return false;
    wchar_t text[50] = {};
    if (StringFromGUID2(guid, text, 50) == 0)
        return false;
    braced = toAnsi(text);
    return !braced.empty();
}

// ---- all together

Win32UpdatePlatform::Win32UpdatePlatform() : ports{downloader, profile, files, launcher, values, guids, verifier}
{
    HMODULE self = GetModuleHandleW(nullptr);
    if (HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_UPDATER), L"DAT")) {
        if (HGLOBAL loaded = LoadResource(self, found)) {
            ports.updaterData = LockResource(loaded);
            ports.updaterSize = ports.updaterData ? SizeofResource(self, found) : 0;
        }
    }
}

void Win32UpdatePlatform::follow(DownloadProgress& progress, std::function<bool()> mayHandOver)
{
    downloader.reportTo(&progress);
    launcher.cancel = &progress.cancel;
    launcher.holdWhile = [mayHandOver = std::move(mayHandOver)] { return !mayHandOver(); };
}

bool takeFailedUpdateMark(FileSystem& files)
{
    return files.exists(failedUpdateMarkPath) && files.remove(failedUpdateMarkPath);
}
