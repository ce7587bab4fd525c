// ZebUpdater: started by Zeb as "ZebUpdater.exe <Zeb's path> <new Zeb>" just
// before Zeb ends. A console program of its own, linking nothing of Zeb.
#include "common/AppNames.h"
#include "updater/UpdaterSteps.h"

#include <windows.h>

#include <stdio.h>

namespace {

// The arguments come in the ANSI code page (Zeb passes its short path); the
// files are handled in UTF-16.
bool widen(const char* text, wchar_t* out, int size)
{
    return MultiByteToWideChar(CP_ACP, 0, text, -1, out, size) > 0;
}

void printText(void*, const char* text)
{
    fputs(text, stdout);
    fflush(stdout);
}

void sleepFor(void*, unsigned milliseconds)
{
    Sleep(milliseconds);
}

// Zeb holds its single-instance mutex until it ends; the name exists while
// any Zeb runs.
bool waitForZebToEnd(void*, unsigned milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE running = OpenMutexA(SYNCHRONIZE, FALSE, instanceMutexName);
        if (!running)
            return true;
        CloseHandle(running);
        if (GetTickCount() - start >= milliseconds)
            return false;
        Sleep(100);
    }
}

bool removeFile(void*, const char* path)
{
    wchar_t wide[MAX_PATH];
    return widen(path, wide, MAX_PATH) && DeleteFileW(wide);
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

void startProgram(void*, const char* commandLine)
{
    WinExec(commandLine, SW_SHOW);
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
    const UpdaterSystem system = {nullptr,  printText, sleepFor,     waitForZebToEnd,
                                  removeFile, moveFile, startProgram, markFailure};
    return runUpdater(argc, argv, system);
}
