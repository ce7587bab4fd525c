// zebprobe: looks at and pokes a running Zeb from outside, for the end-to-end
// tests. One command per run; answers on stdout as "key=value" lines.
//
//   window                 the ZebMFrame window: found, visible, rect, client, layered,
//                          color key, topmost, foreground, and each child's rect/visibility
//   tray                   whether the tray icon (id 128) of the window exists
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
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

static const char appKey[] = "Software\\Quillon\\zeb\\";

static HWND zebWindow()
{
    return FindWindowA("ZebMFrame", nullptr);
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
    for (int id : {1030, 1034, 1036, 1037, 1046, 1047}) {
        HWND child = GetDlgItem(w, id);
        if (!child)
            continue;
        GetWindowRect(child, &r);
        MapWindowPoints(HWND_DESKTOP, w, reinterpret_cast<POINT*>(&r), 2);
        char name[32];
        std::snprintf(name, sizeof name, "child%d", id);
        printRect(name, r);
        std::printf("child%d.visible=%d\n", id, IsWindowVisible(child) ? 1 : 0);
    }
    return 0;
}

static int tray()
{
    HWND w = zebWindow();
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = w;
    data.uID = 128;
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
    const bool found = RegOpenKeyExA(HKEY_CURRENT_USER, appKey, 0, KEY_READ, &k) == ERROR_SUCCESS &&
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

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const char* command = argv[1];
    if (!std::strcmp(command, "window"))
        return window();
    if (!std::strcmp(command, "tray"))
        return tray();
    if (!std::strcmp(command, "post-command") && argc == 3)
        return PostMessageA(zebWindow(), WM_COMMAND, std::strtoul(argv[2], nullptr, 0), 0) ? 0 : 1;
    if (!std::strcmp(command, "send") && argc == 5) {
        LRESULT r = SendMessageA(zebWindow(), std::strtoul(argv[2], nullptr, 0), std::strtoul(argv[3], nullptr, 0),
                                 std::strtol(argv[4], nullptr, 0));
        std::printf("result=%ld\n", static_cast<long>(r));
        return 0;
    }
    if (!std::strcmp(command, "hotkey-taken") && argc == 4) {
        const UINT mods = std::strtoul(argv[2], nullptr, 0), vk = std::strtoul(argv[3], nullptr, 0);
        const bool free = RegisterHotKey(nullptr, 7, mods, vk);
        if (free)
            UnregisterHotKey(nullptr, 7);
        std::printf("taken=%d\n", free ? 0 : 1);
        return 0;
    }
    if (!std::strcmp(command, "reg-set") && argc == 4) {
        const bool remove = !std::strcmp(argv[3], "-");
        return setValue(HKEY_CURRENT_USER, appKey, argv[2], REG_SZ, remove ? nullptr : argv[3],
                        static_cast<DWORD>(std::strlen(argv[3])));
    }
    if (!std::strcmp(command, "reg-info") && argc == 3)
        return regInfo(argv[2]);
    if (!std::strcmp(command, "reg-set-dword") && argc == 5) {
        const DWORD n = std::strtoul(argv[4], nullptr, 0);
        return setValue(HKEY_CURRENT_USER, argv[2], argv[3], REG_DWORD, &n, sizeof n);
    }
    if (!std::strcmp(command, "reg-set-sz") && argc == 5) {
        const bool remove = !std::strcmp(argv[4], "-");
        return setValue(HKEY_CURRENT_USER, argv[2], argv[3], REG_SZ, remove ? nullptr : argv[4],
                        static_cast<DWORD>(std::strlen(argv[4]) + 1));
    }
    if (!std::strcmp(command, "click") && argc == 4)
        return click(std::atoi(argv[2]), std::atoi(argv[3]));
    if (!std::strcmp(command, "cursor") && argc == 4)
        return SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
    if (!std::strcmp(command, "drag") && argc == 6)
        return drag(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (!std::strcmp(command, "move") && argc == 4) {
        POINT p;
        return cursorTo(std::atoi(argv[2]), std::atoi(argv[3]), p) ? 0 : 1;
    }
    return 2;
}
