#include "update/Win32Update.h"

#include "res/resource.h"
#include "settings/Win32Registry.h"
#include "settings/Win32Settings.h"
#include "winui/Handles.h"

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <urlmon.h>

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

bool UrlMonDownloader::toFile(const std::string& url, const char* path)
{
    return URLDownloadToFileA(nullptr, url.c_str(), path, 0, nullptr) == S_OK;
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
