// ZebUpdater: started by Zeb as "ZebUpdater.exe <Zeb's path> <new Zeb>" just
// before Zeb ends. A console program of its own, linking nothing of Zeb.
#include "updater/UpdaterSteps.h"

#include <windows.h>

#include <stdio.h>

static void printText(void*, const char* text)
{
    fputs(text, stdout);
    fflush(stdout);
}

static void sleepFor(void*, unsigned milliseconds)
{
    Sleep(milliseconds);
}

static bool removeFile(void*, const char* path)
{
    return remove(path) == 0;
}

static bool renameFile(void*, const char* from, const char* to)
{
    return rename(from, to) == 0;
}

static void startProgram(void*, const char* commandLine)
{
    WinExec(commandLine, SW_SHOW);
}

int main(int argc, char** argv)
{
    const UpdaterSystem system = {nullptr, printText, sleepFor, removeFile, renameFile, startProgram};
    return runUpdater(argc, argv, system);
}
