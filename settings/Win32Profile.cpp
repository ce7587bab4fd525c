#include "settings/Win32Profile.h"

#include "winui/Handles.h"
#include "winui/Trace.h"

#include <windows.h>

namespace {

// A settings file is a few hundred bytes; anything past this is not read.
constexpr DWORD maxFileSize = 1024 * 1024;

enum class FileText { read, missing, failed };

// The file's bytes. A file that another program holds open without sharing
// (a backup or virus scanner, for a moment) is tried again for half a second.
FileText readFile(const std::wstring& path, std::string& text)
{
    FileHandle file;
    for (int attempt = 0;; ++attempt) {
        file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            break;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return FileText::missing;
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || attempt == 5)
            return FileText::failed;
        Sleep(100);
    }
    text.resize(maxFileSize);
    DWORD length = 0;
    if (!ReadFile(file.get(), &text[0], maxFileSize, &length, nullptr))
        return FileText::failed;
    text.resize(length);
    return FileText::read;
}

// Writes text to a new file at path and flushes it to the disk.
bool writeNewFile(const std::wstring& path, const std::string& text)
{
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(file.get());
}

// Puts the file at from in the place of the one at to, in one step. A reader
// that opened the old file without letting it be deleted (most programs
// that read a file do) holds the replace up; it is tried again for a second.
bool replaceFile(const std::wstring& from, const std::wstring& to)
{
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 100)
            return false;
        Sleep(10);
    }
}

// The lock every copy of the program takes around a save, in the global
// namespace so that copies in other sessions see it, and open to every user.
// A lock that cannot be had within a few seconds is not waited for: the save
// then still puts a whole file in place.
class SaveTurn {
public:
    SaveTurn()
    {
        SECURITY_DESCRIPTOR everyone;
        InitializeSecurityDescriptor(&everyone, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&everyone, TRUE, nullptr, FALSE);
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, &everyone, FALSE};
        mutex.reset(CreateMutexW(&attributes, FALSE, L"Global\\zeb_settings_save"));
        if (!mutex)
            mutex.reset(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"Global\\zeb_settings_save"));
        const DWORD wait = mutex ? WaitForSingleObject(mutex.get(), 5000) : WAIT_FAILED;
        owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~SaveTurn()
    {
        if (owned)
            ReleaseMutex(mutex.get());
    }
    SaveTurn(const SaveTurn&) = delete;
    SaveTurn& operator=(const SaveTurn&) = delete;

private:
    KernelHandle mutex;
    bool owned = false;
};

}  // namespace

void Win32Profile::readOnce()
{
    if (loaded)
        return;
    loaded = true;
    failed = readFile(path, text) == FileText::failed;
    if (failed) {
        traceLastError("settings file unreadable");
        text.clear();
    }
}

std::string Win32Profile::read(const char* section, const char* key)
{
    readOnce();
    return profileValue(text, section, key);
}

bool Win32Profile::unreadable()
{
    readOnce();
    return failed;
}

bool Win32Profile::write(const char* section, const std::vector<ProfileEntry>& entries)
{
    const SaveTurn turn;
    std::string text;
    if (readFile(path, text) == FileText::failed) {
        traceLastError("settings file unreadable for a save");
        return false;
    }
    // The new file lies beside the old one (a rename does not cross volumes),
    // named for this process.
    const std::wstring newPath = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
    if (writeNewFile(newPath, withProfileValues(text, section, entries)) && replaceFile(newPath, path))
        return true;
    traceLastError("settings file not saved");
    DeleteFileW(newPath.c_str());
    return false;
}
