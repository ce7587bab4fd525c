#include "update/Win32Files.h"

#include "winui/Handles.h"
#include "winui/Trace.h"

#include <windows.h>
#include <shlwapi.h>

namespace {

// A missing file is an answer, not a failure: only other causes are traced.
void traceUnlessMissing(const char* what)
{
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        trace(what, error);
}

}  // namespace

bool Win32Files::exists(const char* path)
{
    return PathFileExistsA(path) != FALSE;
}

bool Win32Files::remove(const char* path)
{
    if (DeleteFileA(path))
        return true;
    traceUnlessMissing("update: a file cannot be deleted");
    return false;
}

bool Win32Files::write(const char* path, const void* data, std::size_t size)
{
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        traceLastError("update: a file cannot be created");
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    bool whole = true;
    while (size > 0 && whole) {
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        whole = WriteFile(file.get(), bytes, chunk, &written, nullptr) && written == chunk;
        bytes += written;
        size -= written;
    }
    if (!whole)
        traceLastError("update: a file cannot be written");
    // Data the system could not flush shows only when the file is closed.
    if (!file.close()) {
        traceLastError("update: a written file cannot be closed");
        return false;
    }
    return whole;
}

std::size_t Win32Files::read(const char* path, std::uint64_t offset, void* buffer, std::size_t size)
{
    const FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        traceUnlessMissing("update: a file cannot be opened");
        return 0;
    }
    std::size_t total = 0;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
        char* bytes = static_cast<char*>(buffer);
        while (total < size) {
            const std::size_t left = size - total;
            const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
            DWORD got = 0;
            if (!ReadFile(file.get(), bytes + total, chunk, &got, nullptr)) {
                traceLastError("update: a file cannot be read");
                break;
            }
            if (got == 0)
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
