#include "settings/Win32Profile.h"

#include "settings/SettingsFiles.h"

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

// Tries step, about every millisecond, until it succeeds or the deadline
// (GetTickCount64) has passed.
template <class Step>
bool retryUntil(ULONGLONG deadline, Step step)
{
    for (;;) {
        if (step())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(1);
    }
}

// True when a file of that name is in its folder, whether or not it can be
// opened: a file deleted while still open stays listed until its last handle
// is closed, and cannot be opened meanwhile.
bool listed(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    return static_cast<bool>(FindHandle(FindFirstFileW(path.c_str(), &found)));
}

// The lock every copy of the program takes around a save, in any session:
// an exclusive lock on a byte of "<settings file>.lock", a file beside the
// settings file, so that only those who may make files in its folder can
// hold it. The file is there while saves run: the last handle closed deletes
// it (one who may not delete it still takes turns through it). A copy that
// dies lets its lock go with its handle. A waiter first takes the queue byte,
// then the turn byte, so that one who has just saved cannot take the turn
// again before it. A lock that cannot be had within a few seconds is not
// waited for: the save then still puts a whole file in place.
class SaveTurn {
public:
    explicit SaveTurn(const std::wstring& settingsFile)
    {
        const ULONGLONG deadline = GetTickCount64() + 5000;
        const std::wstring path = settingsFile + L".lock";
        constexpr DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        const bool settled = retryUntil(deadline, [&] {
            file.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, sharing, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
            if (!file)
                file.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
            // A folder that takes no file has nobody to take turns with.
            return file || !listed(path);
        });
        if (settled && !file)
            return;
        if (file && retryUntil(deadline, [&] { return lock(queueByte); })) {
            owned = retryUntil(deadline, [&] { return lock(turnByte); });
            unlock(queueByte);
        }
        if (!owned)
            trace("settings saved without waiting longer for the save lock");
    }
    ~SaveTurn()
    {
        if (owned)
            unlock(turnByte);
    }
    SaveTurn(const SaveTurn&) = delete;
    SaveTurn& operator=(const SaveTurn&) = delete;

private:
    static constexpr DWORD turnByte = 0;
    static constexpr DWORD queueByte = 1;

    bool lock(DWORD byte)
    {
        OVERLAPPED at = {};
        at.Offset = byte;
        return LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
    }
    void unlock(DWORD byte)
    {
        OVERLAPPED at = {};
        at.Offset = byte;
        UnlockFileEx(file.get(), 0, 1, 0, &at);
    }

    FileHandle file;
    bool owned = false;
};

// True while the process with that id runs. One of another account, which
// cannot be looked into, counts as running.
bool processRuns(DWORD id)
{
    const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    return !GetExitCodeProcess(process.get(), &code) || code == STILL_ACTIVE;
}

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

bool Win32Profile::write(const std::vector<ProfileSection>& sections)
{
    const SaveTurn turn(path);
    std::string text;
    if (readFile(path, text) == FileText::failed) {
        traceLastError("settings file unreadable for a save");
        return false;
    }
    // The new file lies beside the old one (a rename does not cross volumes),
    // named for this thread of this process: a save that did not get its
    // turn in time must not write, or delete, another's new file.
    const std::wstring newPath = saveFileName(path, GetCurrentProcessId(), GetCurrentThreadId());
    for (const ProfileSection& section : sections)
        text = withProfileValues(text, section.name.c_str(), section.entries);
    if (writeNewFile(newPath, text) && replaceFile(newPath, path))
        return true;
    traceLastError("settings file not saved");
    DeleteFileW(newPath.c_str());
    return false;
}

void removeDeadSaveFiles(const std::wstring& settingsFile)
{
    const std::size_t slash = settingsFile.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : settingsFile.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? settingsFile : settingsFile.substr(slash + 1);
    WIN32_FIND_DATAW found;
    const FindHandle search(FindFirstFileW((folder + L"\\" + name + L".*.new").c_str(), &found));
    if (!search)
        return;
    do {
        std::uint32_t processId = 0;
        // A file still being written is open without sharing: it stays.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            isSaveFile(found.cFileName, name, processId) && !processRuns(processId))
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search.get(), &found));
}
