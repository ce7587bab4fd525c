// Owning wrappers for every kind of handle the program closes: each closes
// what it holds when it goes, so no code outside this header closes a handle
// by hand. They move and never copy.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <ole2.h>
#include <wininet.h>

#include <utility>

// A handle of one kind; Traits gives its empty value and how it is closed.
template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return h; }
    explicit operator bool() const { return h != Traits::empty(); }
    // Hands the handle over without closing it.
    Handle release() { return std::exchange(h, Traits::empty()); }
    // Closes the handle held, if any, and holds h instead.
    void reset(Handle next = Traits::empty())
    {
        const Handle old = std::exchange(h, next);
        if (old != Traits::empty())
            Traits::close(old);
    }
    // Closes what is held; true when the system reported the close done.
    bool close()
    {
        const Handle old = release();
        return old == Traits::empty() || Traits::close(old);
    }
    // For the out parameter of a call that opens a handle.
    Handle* put()
    {
        reset();
        return &h;
    }

private:
    Handle h = Traits::empty();
};

namespace handle_traits {

struct Kernel {  // threads, events, mutexes, processes
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return CloseHandle(h) != FALSE; }
};
struct File {  // CreateFile's: INVALID_HANDLE_VALUE when none
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static bool close(Handle h) { return CloseHandle(h) != FALSE; }
};
struct Find {  // FindFirstFile's: INVALID_HANDLE_VALUE when none
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static bool close(Handle h) { return FindClose(h) != FALSE; }
};
struct RegistryKey {
    using Handle = HKEY;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
template <class T>
struct GdiObject {  // brushes, fonts, bitmaps, pens
    using Handle = T;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return DeleteObject(h) != FALSE; }
};
struct MemoryDc {  // CreateCompatibleDC's
    using Handle = HDC;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return DeleteDC(h) != FALSE; }
};
struct Menu {
    using Handle = HMENU;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return DestroyMenu(h) != FALSE; }
};
struct Icon {  // icons the program made or loaded with LoadImage without LR_SHARED
    using Handle = HICON;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return DestroyIcon(h) != FALSE; }
};
struct Internet {  // WinInet's session, connection and request handles
    using Handle = HINTERNET;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return InternetCloseHandle(h) != FALSE; }
};

struct CngAlgorithm {  // BCryptOpenAlgorithmProvider's
    using Handle = BCRYPT_ALG_HANDLE;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return BCryptCloseAlgorithmProvider(h, 0) == 0; }
};
struct CngKey {
    using Handle = BCRYPT_KEY_HANDLE;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return BCryptDestroyKey(h) == 0; }
};
struct CngHash {
    using Handle = BCRYPT_HASH_HANDLE;
    static Handle empty() { return nullptr; }
    static bool close(Handle h) { return BCryptDestroyHash(h) == 0; }
};

}  // namespace handle_traits

using KernelHandle = UniqueHandle<handle_traits::Kernel>;
using FileHandle = UniqueHandle<handle_traits::File>;
using FindHandle = UniqueHandle<handle_traits::Find>;
using RegistryKey = UniqueHandle<handle_traits::RegistryKey>;
using BrushHandle = UniqueHandle<handle_traits::GdiObject<HBRUSH>>;
using FontHandle = UniqueHandle<handle_traits::GdiObject<HFONT>>;
using BitmapHandle = UniqueHandle<handle_traits::GdiObject<HBITMAP>>;
using MemoryDcHandle = UniqueHandle<handle_traits::MemoryDc>;
using MenuHandle = UniqueHandle<handle_traits::Menu>;
using IconHandle = UniqueHandle<handle_traits::Icon>;
using InternetHandle = UniqueHandle<handle_traits::Internet>;
using CngAlgorithmHandle = UniqueHandle<handle_traits::CngAlgorithm>;
using CngKeyHandle = UniqueHandle<handle_traits::CngKey>;
using CngHashHandle = UniqueHandle<handle_traits::CngHash>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window(window), dc(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (dc)
            ReleaseDC(window, dc);
    }
    HDC get() const { return dc; }
    explicit operator bool() const { return dc != nullptr; }

private:
    HWND window;
    HDC dc;
};

// The painting of a window's invalid part, for WM_PAINT: BeginPaint to
// EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window(window), dc(BeginPaint(window, &ps)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(window, &ps); }
    HDC get() const { return dc; }
    const RECT& dirty() const { return ps.rcPaint; }

private:
    HWND window;
    PAINTSTRUCT ps = {};
    HDC dc;
};

// An object selected into a device context for a scope; the previous one
// goes back when it ends.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject()
    {
        if (previous)
            SelectObject(dc, previous);
    }

private:
    HDC dc;
    HGDIOBJ previous;
};

// A per-thread library start (COM, OLE) for a scope: ended only when this
// started it.
template <HRESULT (*start)(), void (*end)()>
class ThreadInitialization {
public:
    ThreadInitialization() : started(SUCCEEDED(start())) {}
    ThreadInitialization(const ThreadInitialization&) = delete;
    ThreadInitialization& operator=(const ThreadInitialization&) = delete;
    ~ThreadInitialization()
    {
        if (started)
            end();
    }
    bool ok() const { return started; }

private:
    bool started;
};

namespace handle_traits {
inline HRESULT startApartment() { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
inline void endCom() { CoUninitialize(); }
inline HRESULT startOle() { return OleInitialize(nullptr); }
inline void endOle() { OleUninitialize(); }
}  // namespace handle_traits

// COM in a single-threaded apartment on this thread.
using ComInitialization = ThreadInitialization<handle_traits::startApartment, handle_traits::endCom>;
// OLE on this thread (hosting ActiveX controls needs it).
using OleInitialization = ThreadInitialization<handle_traits::startOle, handle_traits::endOle>;
