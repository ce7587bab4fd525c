// zebprobe: looks at and pokes a running Zeb from outside, for the end-to-end
// tests. One command per run; answers on stdout as "key=value" lines.
//
//   window                 the ZebMFrame window: found, visible, rect, client, layered,
//                          color key, topmost, foreground, and each child's rect/visibility
//   tray                   whether the tray icon (id 128) of the window exists
//   balloons               the balloons shown on the desktop (whoever draws them, as a
//                          tooltip window): count, and each one's text as textN (UTF-8)
//   processes NAME         how many running processes have the executable NAME
//   post-command ID        posts WM_COMMAND ID to the window
//   send MSG WPARAM LPARAM sends a message and prints the result
//   hotkey-taken MOD VK    whether RegisterHotKey of MOD+VK fails here (someone holds it)
//   reg-set NAME VALUE     REG_SZ value under HKCU\Software\Quillon\zeb (VALUE "-" deletes)
//   reg-info NAME          type and byte length of a value under that key
//   reg-set-dword KEY NAME N   REG_DWORD under HKCU\KEY
//   reg-set-sz KEY NAME VALUE  REG_SZ (with its NUL) under HKCU\KEY, "-" deletes
//   click X Y              a left click at client point (X, Y) of the window
//   move X Y               moves the mouse to client point (X, Y) of the window
//   cursor X Y             moves the mouse to screen point (X, Y)
//   drag X Y DX DY         drags from client point (X, Y) by (DX, DY) with the left button
//   reg-get KEY NAME       a string value under HKCU\KEY: found, value
// The settings dialog (texts in UTF-8); PAGE is "d" for the dialog itself or a tab index:
//   dlg                    found, rect, selected tab, status line, which pages are visible
//   ctl PAGE ID            a control: text, checked, enabled, visible, and its list items,
//                          selection, slider position or hot key
//   set PAGE ID TEXT       sets a control's text
//   send-ctl PAGE ID MSG WPARAM LPARAM   sends a message to a control
//   press PAGE ID          a left click on the control's centre, once the screen shows the control
//                          there (missed=X,Y if it never did)
//   click-button PAGE ID   the button's own click (BM_CLICK, posted): pressed and released in one
//                          go, where the desktop moving the focus between a real click's press and
//                          release would cancel it
//   tab N                  a left click on tab N
//   dpi-changed DPI        tells the window it is now on a monitor of DPI (from 96), with the rectangle
//                          the system suggests there: its corner kept, its size scaled
//   tab-rects              each tab's rectangle (tab control's client pixels) as tabN, the height of
//                          its label's text in the control's font as textheight, page 0's top there
//   pick PAGE ID N         a left click on entry N of a list box or a combo box's list
//   key VK                 presses and releases a key
//   dialog CAPTION         a shown dialog (or message box) of that caption: found, whether Zeb's
//                          window owns it, and each child's text as text<ID> (UTF-8)
//   dialog-press CAPTION ID  presses button ID of that dialog
//   res-dump EXE TYPE ID OUT writes resource TYPE/ID of EXE into the file OUT
//   place X Y              moves the window to screen point (X, Y)
//   tray-delete            removes the window's tray icon, as a restarting Explorer loses it
//   broadcast-taskbar-created  sends "TaskbarCreated" to every top-level window
//   set-cache PATH         the "Cache" shell folder (REG_SZ; \uXXXX escapes allowed)
//   hold PATH SECONDS      keeps the file open without sharing for that long ("held=1" once open)
#include "common/AppNames.h"
#include "res/SettingsIds.h"
#include "res/resource.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

static HWND zebWindow()
{
    return FindWindowA(frameClassName, nullptr);
}

static std::string utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

static std::string windowText(HWND w)
{
    // Asked of the window itself: an edit control of another process keeps
    // its text to itself.
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
    std::string out;
    for (char c : utf8(text))
        out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    return out;
}

static void printRect(const char* name, const RECT& r)
{
    std::printf("%s=%ld,%ld,%ld,%ld\n", name, r.left, r.top, r.right, r.bottom);
}

static int window()
{
    HWND w = zebWindow();
    std::printf("found=%d\n", w ? 1 : 0);
    if (!w)
        return 0;
    RECT r;
    GetWindowRect(w, &r);
    printRect("rect", r);
    GetClientRect(w, &r);
    printRect("client", r);
    std::printf("visible=%d\n", IsWindowVisible(w) ? 1 : 0);
    const LONG_PTR exStyle = GetWindowLongPtrA(w, GWL_EXSTYLE);
    std::printf("layered=%d\n", (exStyle & WS_EX_LAYERED) ? 1 : 0);
    std::printf("topmost=%d\n", (exStyle & WS_EX_TOPMOST) ? 1 : 0);
    std::printf("toolwindow=%d\n", (exStyle & WS_EX_TOOLWINDOW) ? 1 : 0);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if ((exStyle & WS_EX_LAYERED) && GetLayeredWindowAttributes(w, &key, &alpha, &flags))
        std::printf("colorkey=0x%08lX\nlayeredflags=%lu\n", key, flags);
    std::printf("foreground=%d\n", GetForegroundWindow() == w ? 1 : 0);
    for (int id : {IDC_NOTICE, IDC_STRIP, IDC_BROWSER, IDC_STRIP_FILL, IDC_REFRESH, IDC_BUSY}) {
        HWND child = GetDlgItem(w, id);
        if (!child)
            continue;
        GetWindowRect(child, &r);
        MapWindowPoints(HWND_DESKTOP, w, reinterpret_cast<POINT*>(&r), 2);
        char name[32];
        std::snprintf(name, sizeof name, "child%d", id);
        printRect(name, r);
        std::printf("child%d.visible=%d\n", id, IsWindowVisible(child) ? 1 : 0);
        if (id == IDC_NOTICE)
            std::printf("child1030.text=%s\n", windowText(child).c_str());
    }
    return 0;
}

static NOTIFYICONDATAW trayIcon()
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = zebWindow();
    data.uID = IDR_MAINFRAME;
    return data;
}

static BOOL CALLBACK listBalloon(HWND w, LPARAM count)
{
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) || !IsWindowVisible(w) || !(GetWindowLongW(w, GWL_STYLE) & TTS_BALLOON))
        return TRUE;
    const int n = (*reinterpret_cast<int*>(count))++;
    std::printf("text%d=%s\n", n, windowText(w).c_str());
    return TRUE;
}

static int balloons()
{
    int count = 0;
    EnumWindows(listBalloon, reinterpret_cast<LPARAM>(&count));
    std::printf("count=%d\n", count);
    return 0;
}

// A path given in ASCII with \uXXXX escapes, as UTF-16.
static std::wstring unescape(const char* text)
{
    std::wstring out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'u' && std::strlen(p) >= 6 && std::isxdigit(p[2]) && std::isxdigit(p[3]) &&
            std::isxdigit(p[4]) && std::isxdigit(p[5])) {
            out += static_cast<wchar_t>(std::strtoul(std::string(p + 2, 4).c_str(), nullptr, 16));
            p += 5;
        } else {
            out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
        }
    }
    return out;
}

// Wine's shell folders write "Shell Folders" again from "User Shell Folders"
// whenever a program asks for one, so both are set.
static int setCacheFolder(const char* path)
{
    const std::wstring value = unescape(path);
    for (const wchar_t* key : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                               L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"}) {
        HKEY k;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
            return 1;
        const LONG r = RegSetValueExW(k, L"Cache", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
        if (r != ERROR_SUCCESS)
            return 1;
    }
    return 0;
}

static int tray()
{
    HWND w = zebWindow();
    NOTIFYICONDATAW data = trayIcon();
    std::printf("tray=%d\n", w && Shell_NotifyIconW(NIM_MODIFY, &data) ? 1 : 0);
    return 0;
}

static int setValue(HKEY root, const char* key, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY k;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return 1;
    LONG r = data ? RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size)
                  : RegDeleteValueA(k, name);
    RegCloseKey(k);
    return r == ERROR_SUCCESS || (!data && r == ERROR_FILE_NOT_FOUND) ? 0 : 1;
}

static int regInfo(const char* name)
{
    HKEY k;
    DWORD type = 0, size = 0;
    const bool found = RegOpenKeyExA(HKEY_CURRENT_USER, appRegKey, 0, KEY_READ, &k) == ERROR_SUCCESS &&
                       RegQueryValueExA(k, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    std::printf("found=%d\ntype=%lu\nlength=%lu\n", found ? 1 : 0, type, size);
    return 0;
}

// Puts the cursor on client point (x, y) of Zeb's window; false without one.
static bool cursorTo(int x, int y, POINT& screen)
{
    HWND w = zebWindow();
    if (!w)
        return false;
    screen = {x, y};
    ClientToScreen(w, &screen);
    SetCursorPos(screen.x, screen.y);
    return true;
}

static int click(int x, int y)
{
    POINT p;
    if (!cursorTo(x, y, p))
        return 1;
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    return 0;
}

// Presses the left button at client point (x, y), moves the mouse by (dx, dy)
// in steps, and releases it there.
static int drag(int x, int y, int dx, int dy)
{
    POINT p;
    if (!cursorTo(x, y, p))
        return 1;
    Sleep(100);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    Sleep(200);
    for (int i = 1; i <= 10; ++i) {
        SetCursorPos(p.x + dx * i / 10, p.y + dy * i / 10);
        mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
        Sleep(50);
    }
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Sleep(200);
    return 0;
}

// A shown dialog window whose caption is the given text.
static HWND findDialog(const wchar_t* caption)
{
    struct Search {
        const wchar_t* caption;
        HWND found;
    } search = {caption, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t name[64] = {}, text[256] = {};
            GetClassNameW(w, name, 64);
            GetWindowTextW(w, text, 256);
            if (IsWindowVisible(w) && !wcscmp(name, L"#32770") && !wcscmp(text, s->caption)) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

static int dialog(const wchar_t* caption)
{
    HWND box = findDialog(caption);
    std::printf("found=%d\n", box ? 1 : 0);
    if (!box)
        return 0;
    std::printf("owned=%d\n", GetWindow(box, GW_OWNER) == zebWindow() && zebWindow() ? 1 : 0);
    std::printf("foreground=%d\n", GetForegroundWindow() == box ? 1 : 0);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) != -1)
            std::printf("text%d=%s\n", GetDlgCtrlID(child), windowText(child).c_str());
    return 0;
}

static int processes(const wchar_t* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    int count = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        count += _wcsicmp(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    std::printf("count=%d\n", count);
    return 0;
}

static int resDump(const wchar_t* exe, const wchar_t* type, int id, const wchar_t* out)
{
    HMODULE module = LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceW(module, MAKEINTRESOURCEW(id), type) : nullptr;
    HGLOBAL data = found ? LoadResource(module, found) : nullptr;
    if (!data)
        return 1;
    HANDLE file = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, LockResource(data), SizeofResource(module, found), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return ok ? 0 : 1;
}

static void printUtf8(const char* name, const wchar_t* text)
{
    char out[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out - 1, nullptr, nullptr);
    std::printf("%s=%s\n", name, out);
}

static HWND settingsDialog()
{
    HWND d = FindWindowW(L"#32770", L"Zeb");
    return d && GetWindow(d, GW_OWNER) == zebWindow() ? d : nullptr;
}

// The dialog ("d") or its page for tab PAGE: the pages are the tab control's
// child dialogs in the order of their tabs.
static HWND page(const char* which)
{
    HWND d = settingsDialog();
    if (!d || !std::strcmp(which, "d"))
        return d;
    HWND p = nullptr;
    for (int i = std::atoi(which); i >= 0; --i)
        p = FindWindowExW(GetDlgItem(d, IDC_SETTINGS_TABS), p, L"#32770", nullptr);
    return p;
}

static int dlg()
{
    HWND d = settingsDialog();
    std::printf("found=%d\n", d ? 1 : 0);
    if (!d)
        return 0;
    RECT r;
    GetWindowRect(d, &r);
    printRect("rect", r);
    const long tab = static_cast<long>(SendDlgItemMessageW(d, IDC_SETTINGS_TABS, TCM_GETCURSEL, 0, 0));
    std::printf("tab=%ld\nforeground=%d\n", tab, GetForegroundWindow() == d ? 1 : 0);
    wchar_t text[512] = {};
    GetDlgItemTextW(d, IDC_SETTINGS_STATUS, text, 512);
    printUtf8("status", text);
    for (const char* n : {"0", "1", "2", "3"})
        std::printf("page%s.visible=%d\n", n, IsWindowVisible(page(n)) ? 1 : 0);
    return 0;
}

static int control(HWND c)
{
    if (!c)
        return 1;
    wchar_t text[512] = {}, kind[64] = {};
    GetWindowTextW(c, text, 512);
    GetClassNameW(c, kind, 64);
    printUtf8("text", text);
    const long checked = static_cast<long>(SendMessageW(c, BM_GETCHECK, 0, 0));
    std::printf("checked=%ld\nenabled=%d\nvisible=%d\n", checked, IsWindowEnabled(c) ? 1 : 0,
                IsWindowVisible(c) ? 1 : 0);
    if (!wcscmp(kind, L"ComboBox")) {
        std::wstring items;
        for (LRESULT i = 0, n = SendMessageW(c, CB_GETCOUNT, 0, 0); i < n; ++i) {
            SendMessageW(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items += (i ? L"|" : L"") + std::wstring(text);
        }
        printUtf8("items", items.c_str());
        std::printf("selection=%ld\n", static_cast<long>(SendMessageW(c, CB_GETCURSEL, 0, 0)));
    } else if (!wcscmp(kind, L"msctls_trackbar32")) {
        std::printf("position=%ld\n", static_cast<long>(SendMessageW(c, TBM_GETPOS, 0, 0)));
    } else if (!wcscmp(kind, L"msctls_hotkey32")) {
        std::printf("hotkey=0x%04lX\n", static_cast<unsigned long>(SendMessageW(c, HKM_GETHOTKEY, 0, 0)));
    }
    return 0;
}

// The button's events carry the point themselves: a pointer motion the
// display reports late cannot move the press back to where the last one was.
static void clickAt(POINT p)
{
    SetCursorPos(p.x, p.y);
    Sleep(50);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT press[2] = {};
    for (INPUT& in : press) {
        in.type = INPUT_MOUSE;
        in.mi.dx = MulDiv(p.x, 65535, width - 1);
        in.mi.dy = MulDiv(p.y, 65535, height - 1);
    }
    press[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof(INPUT));
    Sleep(200);
}

// Whether the system puts a click at P on TARGET (or a window inside it).
static bool shows(HWND target, POINT p)
{
    for (HWND w = WindowFromPoint(p); w; w = GetParent(w)) {
        if (w == target)
            return true;
    }
    return false;
}

// A click on TARGET at the point WHERE gives: a dialog the desktop has just
// mapped may still be moving into place, or lie under another window for a
// moment, so the click waits (3 s at most) until the screen shows TARGET there.
template <class Where>
static int clickOn(HWND target, Where where)
{
    POINT p = {};
    for (int waited = 0; waited <= 3000; waited += 50) {
        if (!where(p))
            return 1;
        if (shows(target, p)) {
            clickAt(p);
            return 0;
        }
        Sleep(50);
    }
    std::printf("missed=%ld,%ld\n", p.x, p.y);  // clicked all the same: the test sees what it does
    clickAt(p);
    return 0;
}

static int press(HWND c)
{
    return clickOn(c, [c](POINT& p) {
        RECT r;
        if (!c || !GetWindowRect(c, &r))
            return false;
        p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return true;
    });
}

// A buffer in the process of a window, for messages whose pointer the
// window's process reads or writes.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, SIZE_T size)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process = window ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)
                         : nullptr;
        if (process)
            address = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer()
    {
        if (address)
            VirtualFreeEx(process, address, 0, MEM_RELEASE);
        if (process)
            CloseHandle(process);
    }
    explicit operator bool() const { return address != nullptr; }
    LPARAM param() const { return reinterpret_cast<LPARAM>(address); }
    template <class T>
    bool read(T& value) const { return ReadProcessMemory(process, address, &value, sizeof value, nullptr); }
    template <class T>
    bool write(const T& value) const { return WriteProcessMemory(process, address, &value, sizeof value, nullptr); }

private:
    HANDLE process = nullptr;
    void* address = nullptr;
};

// Tab N's rectangle lives in the tab control's process: read it through a
// buffer there.
static int clickTab(int n)
{
    HWND tabs = GetDlgItem(settingsDialog(), IDC_SETTINGS_TABS);
    const RemoteBuffer remote(tabs, sizeof(RECT));
    return clickOn(tabs, [&](POINT& p) {
        RECT r = {};
        if (!remote || !SendMessageW(tabs, TCM_GETITEMRECT, n, remote.param()) || !remote.read(r))
            return false;
        p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return ClientToScreen(tabs, &p) != FALSE;
    });
}

// The suggested rectangle lives in the window's process, as the system's does.
static int dpiChanged(int dpi)
{
    HWND w = zebWindow();
    RECT r = {};
    GetWindowRect(w, &r);
    const RECT suggested = {r.left, r.top, r.left + MulDiv(r.right - r.left, dpi, 96),
                            r.top + MulDiv(r.bottom - r.top, dpi, 96)};
    const RemoteBuffer remote(w, sizeof suggested);
    const bool sent = remote && remote.write(suggested) &&
                      SendMessageW(w, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), remote.param()) == 0;
    return sent ? 0 : 1;
}

static int tabRects()
{
    HWND tabs = GetDlgItem(settingsDialog(), IDC_SETTINGS_TABS);
    if (!tabs)
        return 1;
    {
        const RemoteBuffer remote(tabs, sizeof(RECT));
        const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
        for (int n = 0; n < count && remote; ++n) {
            RECT r = {};
            if (SendMessageW(tabs, TCM_GETITEMRECT, n, remote.param()) && remote.read(r)) {
                char name[16];
                std::snprintf(name, sizeof name, "tab%d", n);
                printRect(name, r);
            }
        }
    }
    // The label's font: the control's own when its handle can be read from
    // here, else the dialogs' 9-point "宋体" at the screen's DPI.
    LOGFONTW font = {};
    const HFONT own = reinterpret_cast<HFONT>(SendMessageW(tabs, WM_GETFONT, 0, 0));
    HDC dc = GetDC(nullptr);
    if (!own || !GetObjectW(own, sizeof font, &font)) {
        font.lfHeight = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
        font.lfCharSet = GB2312_CHARSET;
        lstrcpyW(font.lfFaceName, L"\x5B8B\x4F53");
    }
    HFONT made = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, made);
    SIZE size = {};
    GetTextExtentPoint32W(dc, L"\x5E38\x89C4", 2, &size);  // "常规"
    SelectObject(dc, old);
    DeleteObject(made);
    ReleaseDC(nullptr, dc);
    std::printf("textheight=%ld\n", size.cy);
    RECT pageRect;
    GetWindowRect(page("0"), &pageRect);
    MapWindowPoints(HWND_DESKTOP, tabs, reinterpret_cast<POINT*>(&pageRect), 2);
    std::printf("page0.top=%ld\n", pageRect.top);
    return 0;
}

static int pick(HWND control, int n)
{
    wchar_t kind[64] = {};
    GetClassNameW(control, kind, 64);
    HWND list = !wcscmp(kind, L"ListBox") ? control : FindWindowExW(control, nullptr, L"ComboLBox", nullptr);
    if (!list)
        return 1;
    const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    POINT p = {10, (n - top) * height + height / 2};
    ClientToScreen(list, &p);
    clickAt(p);
    return 0;
}

// A command's arguments (after its name), as the C runtime passed them and,
// for captions and paths, in UTF-16 as the system passed them.
struct Args {
    char** text;
    wchar_t** wide;
    int number(int i) const { return std::atoi(text[i]); }
    unsigned long bits(int i) const { return std::strtoul(text[i], nullptr, 0); }
    LPARAM signedBits(int i) const { return std::strtol(text[i], nullptr, 0); }
    HWND control(int page, int id) const { return GetDlgItem(::page(text[page]), number(id)); }
};

static int printResult(LRESULT r)
{
    std::printf("result=%ld\n", static_cast<long>(r));
    return 0;
}

static int hotKeyTaken(UINT mods, UINT vk)
{
    const bool free = RegisterHotKey(nullptr, 7, mods, vk);
    if (free)
        UnregisterHotKey(nullptr, 7);
    std::printf("taken=%d\n", free ? 0 : 1);
    return 0;
}

// A REG_SZ of text under HKCU\key, with its NUL when terminated; "-" deletes.
static int setText(const char* key, const char* name, const char* text, bool terminated)
{
    const bool remove = !std::strcmp(text, "-");
    return setValue(HKEY_CURRENT_USER, key, name, REG_SZ, remove ? nullptr : text,
                    static_cast<DWORD>(std::strlen(text) + (terminated ? 1 : 0)));
}

static int regGet(const char* key, const char* name)
{
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    const bool found =
        RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
    std::printf("found=%d\nvalue=%s\n", found ? 1 : 0, found ? value : "");
    return 0;
}

static int dialogPress(const wchar_t* caption, int id)
{
    HWND box = findDialog(caption);
    return box && PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(box, id)))
               ? 0
               : 1;
}

static int hold(const wchar_t* path, int seconds)
{
    const HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::printf("held=1\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    CloseHandle(file);
    return 0;
}

static int key(BYTE vk)
{
    keybd_event(vk, 0, 0, 0);
    keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
    Sleep(200);
    return 0;
}

static int broadcastTaskbarCreated()
{
    DWORD_PTR result;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &result);
    return 0;
}

struct Command {
    const char* name;
    int arguments;
    bool wide;  // reads Args::wide, so refused when the two splits of the command line differ
    int (*run)(const Args&);
};

// clang-format off
static const Command commands[] = {
    {"window", 0, false, [](const Args&) { return window(); }},
    {"tray", 0, false, [](const Args&) { return tray(); }},
    {"balloons", 0, false, [](const Args&) { return balloons(); }},
    {"processes", 1, true, [](const Args& a) { return processes(a.wide[0]); }},
    {"post-command", 1, false, [](const Args& a) {
        return PostMessageA(zebWindow(), WM_COMMAND, a.bits(0), 0) ? 0 : 1; }},
    {"send", 3, false, [](const Args& a) {
        return printResult(SendMessageA(zebWindow(), a.bits(0), a.bits(1), a.signedBits(2))); }},
    {"hotkey-taken", 2, false, [](const Args& a) {
        return hotKeyTaken(static_cast<UINT>(a.bits(0)), static_cast<UINT>(a.bits(1))); }},
    {"reg-set", 2, false, [](const Args& a) { return setText(appRegKey, a.text[0], a.text[1], false); }},
    {"reg-info", 1, false, [](const Args& a) { return regInfo(a.text[0]); }},
    {"reg-set-dword", 3, false, [](const Args& a) {
        const DWORD n = a.bits(2);
        return setValue(HKEY_CURRENT_USER, a.text[0], a.text[1], REG_DWORD, &n, sizeof n); }},
    {"reg-set-sz", 3, false, [](const Args& a) { return setText(a.text[0], a.text[1], a.text[2], true); }},
    {"reg-get", 2, false, [](const Args& a) { return regGet(a.text[0], a.text[1]); }},
    {"click", 2, false, [](const Args& a) { return click(a.number(0), a.number(1)); }},
    {"move", 2, false, [](const Args& a) { POINT p; return cursorTo(a.number(0), a.number(1), p) ? 0 : 1; }},
    {"cursor", 2, false, [](const Args& a) { return SetCursorPos(a.number(0), a.number(1)) ? 0 : 1; }},
    {"drag", 4, false, [](const Args& a) {
        return drag(a.number(0), a.number(1), a.number(2), a.number(3)); }},
    {"dialog", 1, true, [](const Args& a) { return dialog(a.wide[0]); }},
    {"dialog-press", 2, true, [](const Args& a) { return dialogPress(a.wide[0], a.number(1)); }},
    {"res-dump", 4, true, [](const Args& a) {
        return resDump(a.wide[0], a.wide[1], a.number(2), a.wide[3]); }},
    {"place", 2, false, [](const Args& a) {
        return SetWindowPos(zebWindow(), nullptr, a.number(0), a.number(1), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1; }},
    {"tray-delete", 0, false, [](const Args&) {
        NOTIFYICONDATAW data = trayIcon();
        return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1; }},
    {"broadcast-taskbar-created", 0, false, [](const Args&) { return broadcastTaskbarCreated(); }},
    {"set-cache", 1, false, [](const Args& a) { return setCacheFolder(a.text[0]); }},
    {"dlg", 0, false, [](const Args&) { return dlg(); }},
    {"ctl", 2, false, [](const Args& a) { return control(a.control(0, 1)); }},
    {"set", 3, false, [](const Args& a) { return SetWindowTextA(a.control(0, 1), a.text[2]) ? 0 : 1; }},
    {"send-ctl", 5, false, [](const Args& a) {
        return printResult(SendMessageW(a.control(0, 1), a.bits(2), a.bits(3), a.signedBits(4))); }},
    {"press", 2, false, [](const Args& a) { return press(a.control(0, 1)); }},
    {"click-button", 2, false, [](const Args& a) {
        HWND b = a.control(0, 1);
        return b && PostMessageW(b, BM_CLICK, 0, 0) ? 0 : 1; }},
    {"tab", 1, false, [](const Args& a) { return clickTab(a.number(0)); }},
    {"dpi-changed", 1, false, [](const Args& a) { return dpiChanged(a.number(0)); }},
    {"tab-rects", 0, false, [](const Args&) { return tabRects(); }},
    {"pick", 3, false, [](const Args& a) { return pick(a.control(0, 1), a.number(2)); }},
    {"hold", 2, true, [](const Args& a) { return hold(a.wide[0], a.number(1)); }},
    {"key", 1, false, [](const Args& a) { return key(static_cast<BYTE>(a.bits(0))); }},
};
// clang-format on

// Exit status 2: no such command, or not with that many arguments.
int main(int argc, char** argv)
{
    int wargc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    if (argc < 2)
        return 2;
    for (const Command& c : commands)
        if (!std::strcmp(argv[1], c.name) && argc == c.arguments + 2 && (!c.wide || wargc == argc))
            return c.run({argv + 2, wargv + 2});
    return 2;
}
