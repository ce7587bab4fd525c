// ZebUpdater: started by Zeb as "ZebUpdater.exe <Zeb's path> <new Zeb>" just
// before Zeb ends. A program of its own without a window (nothing for the
// user to close half-way), linking nothing of Zeb.
#include "common/AppNames.h"
#include "updater/UpdaterSteps.h"

#include <windows.h>

namespace {

// The program started last, until it has taken the mutex or been given up.
struct Started {
    HANDLE process = nullptr;
};

// The arguments come in the ANSI code page (Zeb passes its short path); the
// files are handled in UTF-16.
bool widen(const char* text, wchar_t* out, int size)
{
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, size) > 0;
}

void sleepFor(void*, unsigned milliseconds)
{
    Sleep(milliseconds);
}

// Zeb holds its single-instance mutex until it ends; the name exists while
// any Zeb runs.
bool zebRuns()
{
    HANDLE running = OpenMutexA(SYNCHRONIZE, FALSE, instanceMutexName);
    if (!running)
        return false;
    CloseHandle(running);
    return true;
}

bool waitForZebToEnd(void*, unsigned milliseconds)
{
    const DWORD start = GetTickCount();
    while (zebRuns()) {
        if (GetTickCount() - start >= milliseconds)
            return false;
        Sleep(100);
    }
    return true;
}

// The new Zeb has started once it holds the mutex. One that ends first, or
// takes too long, has not; a hung one is ended so that the old build can be
// put back in its place.
bool waitForZebToStart(void* context, unsigned milliseconds)
{
    Started& started = *static_cast<Started*>(context);
    if (!started.process)
        return false;
    const DWORD start = GetTickCount();
    bool running = false;
    for (;;) {
        if (zebRuns()) {
            running = true;
            break;
        }
        if (WaitForSingleObject(started.process, 100) == WAIT_OBJECT_0 || GetTickCount() - start >= milliseconds)
            break;
    }
    if (!running && TerminateProcess(started.process, 1))
        WaitForSingleObject(started.process, 5000);
    CloseHandle(started.process);
    started.process = nullptr;
    return running;
}

bool removeFile(void*, const char* path)
{
    wchar_t wide[MAX_PATH];
    return widen(path, wide, MAX_PATH) && DeleteFileW(wide);
}

bool copyFile(void*, const char* from, const char* to)
{
    wchar_t source[MAX_PATH], target[MAX_PATH];
    if (!widen(from, source, MAX_PATH) || !widen(to, target, MAX_PATH) || !CopyFileW(source, target, FALSE))
        return false;
    // On the disk before the new build takes the old one's name.
    HANDLE copy = CreateFileW(target, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(copy);
    CloseHandle(copy);
    return flushed;
}

MoveResult moveFile(void*, const char* from, const char* to)
{
    wchar_t source[MAX_PATH], target[MAX_PATH];
    if (!widen(from, source, MAX_PATH) || !widen(to, target, MAX_PATH))
        return MoveResult::failed;
    if (MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return MoveResult::moved;
    switch (GetLastError()) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:  // a file being scanned or whose image is not yet released
        return MoveResult::busy;
    default:
        return MoveResult::failed;
    }
}

bool startProgram(void* context, const char* commandLine)
{
    Started& started = *static_cast<Started*>(context);
    wchar_t command[1024];
    if (!widen(commandLine, command, 1024))
        return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    if (started.process)
        CloseHandle(started.process);
    started.process = process.hProcess;
    return true;
}

void markFailure(void*)
{
    wchar_t name[MAX_PATH];
    if (!widen(failedUpdateMarkName, name, MAX_PATH))
        return;
    HANDLE mark = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE)
        CloseHandle(mark);
}

}  // namespace

int main(int argc, char** argv)
{
    Started started;
    const UpdaterSystem system = {&started, sleepFor,     waitForZebToEnd,   removeFile, copyFile,
                                  moveFile, startProgram, waitForZebToStart, markFailure};
    return runUpdater(argc, argv, system);
}
