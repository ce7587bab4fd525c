#include "update/Win32Launcher.h"

#include "winui/Handles.h"
#include "winui/Trace.h"

#include <windows.h>

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

bool Win32Launcher::run(const std::string& commandLine)
{
    while (holdWhile && holdWhile()) {
        if (cancel && *cancel)
            return false;
        Sleep(200);
    }
    if (cancel && *cancel)
        return false;
    // Not WinExec: it waits up to 30 s for a program without a window to
    // become idle on its input, which ZebUpdater never does.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = commandLine;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        traceLastError("update: ZebUpdater does not start");
        return false;
    }
    const KernelHandle thread(process.hThread), started(process.hProcess);
    return true;
}

std::string Win32Launcher::ownPath()
{
    // Taken in UTF-16 and shortened there: only the short form, which has no
    // blank and seldom a character outside ASCII, goes to the command line.
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, full, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        trace("update: the program's own path is not known", length == 0 ? GetLastError() : 0);
        return "";
    }
    wchar_t shortForm[MAX_PATH] = {};
    const DWORD shortLength = GetShortPathNameW(full, shortForm, MAX_PATH);
    const std::string path = toAnsi(shortLength > 0 && shortLength < MAX_PATH ? shortForm : full);
    if (path.empty())
        trace("update: the program's own path has no ANSI form");
    return path;
}

void Win32Launcher::sleep(unsigned milliseconds)
{
    Sleep(milliseconds);
}
