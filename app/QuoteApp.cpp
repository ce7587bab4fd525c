#include "app/QuoteApp.h"

#include "app/Workers.h"
#include "common/AppNames.h"
#include "res/resource.h"
#include "settings/Deployment.h"
#include "settings/Win32Settings.h"
#include "winui/Handles.h"
#include "winui/Trace.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

// The page file's path: zebtmp.htm in the browser-cache folder ("Cache"
// under the current user's Shell Folders), else in the temporary folder.
static std::wstring pagePathRule()
{
    // Folder names are the system's: UTF-16 throughout, whatever the code page.
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    std::wstring path = (length > 0 && length < MAX_PATH) ? buffer : L"";
    path += L"zebtmp.htm";

    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                      0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        wchar_t cache[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH * sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key.get(), L"Cache", nullptr, &type, reinterpret_cast<BYTE*>(cache), &size) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ) && cache[0] != L'\0') {
            wchar_t expanded[MAX_PATH + 1] = {};
            const DWORD n = ExpandEnvironmentStringsW(cache, expanded, MAX_PATH);
            path = std::wstring(type == REG_EXPAND_SZ && n > 0 && n <= MAX_PATH ? expanded : cache) +
                   L"\\zebtmp.htm";
        }
    }
    return path;
}

// "QuoteHost" and "VendorHost" under the program's key replace the built-in
// hosts (tests, and deployments behind a mirror, use them).
static Deployment loadDeployment()
{
    Deployment d = builtInDeployment();
    char value[300];
    for (auto [name, host] :
         {std::pair{quoteHostValueName, &d.quoteHost}, std::pair{vendorHostValueName, &d.vendorHost}}) {
        std::uint32_t type = 0;
        std::memset(value, 0, sizeof value);
        if (readAppRegValue(name, value, sizeof value - 1, &type) == RegResult::ok && type == REG_SZ)
            parseServiceHost(value, *host);
    }
    return d;
}

// The main window is found from outside by its class: a copy of the dialog
// class under the name "ZebMFrame".
static void registerFrameClass(HINSTANCE instance)
{
    WNDCLASSA wc;
    if (!GetClassInfoA(instance, "#32770", &wc) && !GetClassInfoA(nullptr, "#32770", &wc)) {
        traceLastError("dialog class unknown");
        return;
    }
    wc.hInstance = instance;
    wc.lpszClassName = frameClassName;
    // Without it the window still runs; a second copy then cannot find it.
    if (!RegisterClassA(&wc))
        traceLastError("window class not registered");
}

// The settings file and the update files lie in the program's folder.
static void enterProgramFolder()
{
    wchar_t folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    if (wchar_t* slash = wcsrchr(folder, L'\\'))
        *slash = L'\0';
    if (!SetCurrentDirectoryW(folder))
        traceLastError("program folder not entered");
}

CQuoteApp::CQuoteApp() = default;
CQuoteApp::~CQuoteApp() = default;

int CQuoteApp::InitInstance()
{
    // One copy per desktop: a second one shows the first and ends. It does
    // not wait long for a first copy that is busy (an update it downloads)
    // or hung.
    const KernelHandle running(CreateMutexA(nullptr, FALSE, instanceMutexName));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND window = FindWindowA(frameClassName, nullptr))
            SendMessageTimeoutA(window, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK, SMTO_ABORTIFHUNG, 5000, nullptr);
        return -1;
    }

    // Hosting the browser control needs OLE on this thread.
    const OleInitialization ole;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);

    HINSTANCE instance = GetModuleHandleW(nullptr);
    registerFrameClass(instance);
    CWebBrowser2::registerClass(instance);
    program.deployment = loadDeployment();
    const std::wstring pagePath = pagePathRule();
    enterProgramFolder();
    program.store.choosePlace();
    program.store.loadLive(program.settings, program.windowState);
    program.discreet = program.store.loadDiscreet();

    BackgroundWorkers background(program, pagePath);
    CMiniFrameDlg dlg(*this, program, background.refreshRequests());
    workers = &background;
    frame = &dlg;
    dlg.DoModal();
    frame = nullptr;
    workers = nullptr;
    return 0;
}

void CQuoteApp::windowReady()
{
    workers->start(*frame);
}

void CQuoteApp::saveWindow(const Rect& window, bool transparent)
{
    program.windowState.windowRect = window;
    program.windowState.transparent = transparent ? 1 : 0;
    program.store.saveLive(program.settings, program.windowState);
}

void CQuoteApp::windowClosing()
{
    // Everything is saved: a worker still held up by the network ends with
    // the process here, before anything it uses is released.
    if (!workers->stop())
        ExitProcess(0);
}

// Libraries loaded from here on (the delay-loaded ones, and those the system
// loads for the program) come from the system folder only, never from the
// program's folder. The call is looked up: a Windows 7 without the update
// that brought it loads as before.
static void loadLibrariesFromSystemFolderOnly()
{
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    if (const HMODULE kernel = GetModuleHandleW(L"kernel32.dll"))
        if (const auto set = reinterpret_cast<SetDirectories>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories"))))
            set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    loadLibrariesFromSystemFolderOnly();
    // The process ends here without unwinding: the application object and
    // what it keeps stay valid for the workers nobody waits for until the
    // system ends them with the process.
    CQuoteApp app;
    std::exit(app.InitInstance());
}
