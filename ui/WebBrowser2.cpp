#include "ui/WebBrowser2.h"

#include "ui/PageView.h"
#include "ui/WinText.h"

#include <commctrl.h>
#include <windowsx.h>
#include <exdisp.h>
#include <ole2.h>
#include <shellapi.h>

#include <map>

namespace {

// Sent to the window to load a page on its own thread; lParam is the path.
constexpr UINT navigateMessage = WM_USER + 1;

volatile LONG liveSites = 0;

void openInDefaultBrowser(const std::string& address)
{
    ShellExecuteW(nullptr, L"open", widen(address.c_str()).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

CWebBrowser2::LinkOpener linkOpener = openInDefaultBrowser;

// The container side of the embedded WebBrowser control: client site,
// in-place site and in-place frame in one object with one reference count.
// It deletes itself when the last reference goes.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit Site(HWND window) : hwnd(window) { InterlockedIncrement(&liveSites); }
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override
    {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override
    {
        if (out)
            *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for both the in-place site and the frame
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override
    {
        if (!out)
            return E_POINTER;
        *out = hwnd;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (!frame || !document || !position || !clip || !info)
            return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(hwnd, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = hwnd;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

    // IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    ~Site() { InterlockedDecrement(&liveSites); }

    HWND hwnd;
    volatile LONG refs = 1;
};

// Everything one ZebWebBrowser window holds.
class BrowserWindow {
public:
    explicit BrowserWindow(HWND window) : hwnd(window) {}
    ~BrowserWindow()
    {
        closeControl();
        if (tooltip)
            DestroyWindow(tooltip);
        for (auto& f : fonts)
            DeleteObject(f.second);
        if (measureDc)
            DeleteDC(measureDc);
    }

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    bool usesControl() const { return browser != nullptr; }
    const PageLayout* layoutShown() const { return browser ? nullptr : &layout; }

private:
    HWND hwnd;
    IOleObject* control = nullptr;
    IWebBrowser2* browser = nullptr;
    Site* site = nullptr;

    HtmlPage page;
    PageLayout layout;
    HWND tooltip = nullptr;
    int toolCount = 0;
    std::map<int, HFONT> fonts;
    HDC measureDc = nullptr;

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool createControl();
    void closeControl();
    void resizeControl();
    bool navigate(const char* path);
    void loadPage(const char* path);
    void relayout();
    void updateTooltips();
    HFONT font(int px, bool underline);
    TextSize measure(const std::string& text, int px);
    void paint(HDC target);
};

bool BrowserWindow::createControl()
{
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&control));
    if (FAILED(hr) || !control) {
        control = nullptr;
        return false;
    }
    site = new Site(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    hr = control->SetClientSite(site);
    if (SUCCEEDED(hr))
        hr = OleSetContainedObject(control, TRUE);
    if (SUCCEEDED(hr))
        hr = control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, hwnd, &rc);
    if (SUCCEEDED(hr))
        hr = control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
    if (FAILED(hr) || !browser) {
        browser = nullptr;
        closeControl();
        return false;
    }
    browser->put_Silent(VARIANT_TRUE);  // no script error boxes
    return true;
}

void BrowserWindow::closeControl()
{
    if (browser) {
        browser->Release();
        browser = nullptr;
    }
    if (control) {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
            inPlace) {
            inPlace->InPlaceDeactivate();
            inPlace->Release();
        }
        control->Close(OLECLOSE_NOSAVE);
        control->SetClientSite(nullptr);
        control->Release();
        control = nullptr;
    }
    if (site) {
        site->Release();
        site = nullptr;
    }
}

void BrowserWindow::resizeControl()
{
    IOleInPlaceObject* inPlace = nullptr;
    if (control && SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
        inPlace) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        inPlace->SetObjectRects(&rc, &rc);
        inPlace->Release();
    }
}

bool BrowserWindow::navigate(const char* path)
{
    if (!path)
        return false;
    if (!browser) {
        loadPage(path);
        return true;
    }
    BSTR url = SysAllocString(widen(path).c_str());
    VARIANT absent;
    VariantInit(&absent);
    HRESULT hr = browser->Navigate(url, &absent, &absent, &absent, &absent);
    SysFreeString(url);
    return SUCCEEDED(hr);
}

void BrowserWindow::loadPage(const char* path)
{
    std::string text;
    if (_strnicmp(path, "file:///", 8) == 0)
        path += 8;
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        text.resize(maxPageBytes);
        DWORD got = 0;
        if (!ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &got, nullptr))
            got = 0;
        text.resize(got);
        CloseHandle(file);
    }
    page = parseHtmlPage(text.data(), text.size());
    relayout();
}

HFONT BrowserWindow::font(int px, bool underline)
{
    const int key = px * 2 + (underline ? 1 : 0);
    auto it = fonts.find(key);
    if (it != fonts.end())
        return it->second;
    HFONT f = CreateFontW(-px, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, L"SimSun");
    fonts[key] = f;
    return f;
}

TextSize BrowserWindow::measure(const std::string& text, int px)
{
    if (!measureDc)
        measureDc = CreateCompatibleDC(nullptr);
    std::wstring wide = widen(text.c_str());
    SIZE size = {0, 0};
    HGDIOBJ old = SelectObject(measureDc, font(px, false));
    GetTextExtentPoint32W(measureDc, wide.c_str(), static_cast<int>(wide.size()), &size);
    if (wide.empty()) {
        TEXTMETRICW tm;
        GetTextMetricsW(measureDc, &tm);
        size.cy = tm.tmHeight;
    }
    SelectObject(measureDc, old);
    return {size.cx, size.cy};
}

void BrowserWindow::relayout()
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    layout = layoutPage(page, rc.right, rc.bottom,
                        [this](const std::string& text, int px) { return measure(text, px); });
    updateTooltips();
    InvalidateRect(hwnd, nullptr, FALSE);
}

void BrowserWindow::updateTooltips()
{
    if (!tooltip) {
        tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr,
                                  nullptr, nullptr);
        if (!tooltip)
            return;
        // A maximum width makes the control break lines at "\r\n".
        SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
        SendMessageW(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    }
    TTTOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = hwnd;
    for (int i = 0; i < toolCount; ++i) {
        info.uId = static_cast<UINT_PTR>(i);
        SendMessageW(tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    toolCount = 0;
    for (const PageTip& tip : layout.tips) {
        std::wstring text;
        for (wchar_t c : widen(tip.text.c_str())) {
            if (c == L'\n')
                text += L'\r';
            text += c;
        }
        info.uFlags = TTF_SUBCLASS;
        info.uId = static_cast<UINT_PTR>(toolCount);
        info.rect = {tip.rect.left, tip.rect.top, tip.rect.right, tip.rect.bottom};
        info.lpszText = &text[0];
        if (SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)))
            ++toolCount;
    }
}

void BrowserWindow::paint(HDC target)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, rc.right, rc.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);

    HBRUSH back = CreateSolidBrush(layout.background);
    FillRect(dc, &rc, back);
    DeleteObject(back);
    for (const PageFill& fill : layout.fills) {
        RECT r = {fill.rect.left, fill.rect.top, fill.rect.right, fill.rect.bottom};
        HBRUSH brush = CreateSolidBrush(fill.colour);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SetBkMode(dc, TRANSPARENT);
    for (const PageTextRun& run : layout.runs) {
        std::wstring text = widen(run.text.c_str());
        RECT clip = {run.clip.left, run.clip.top, run.clip.right, run.clip.bottom};
        SelectObject(dc, font(run.fontPx, run.underline));
        SetTextColor(dc, run.colour);
        ExtTextOutW(dc, run.rect.left, run.rect.top, ETO_CLIPPED, &clip, text.c_str(),
                    static_cast<UINT>(text.size()), nullptr);
    }
    BitBlt(target, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

LRESULT BrowserWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (!createControl())
            relayout();
        return 0;
    case navigateMessage:
        return navigate(reinterpret_cast<const char*>(lParam)) ? 1 : 0;
    case WM_SIZE:
        if (browser)
            resizeControl();
        else
            relayout();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (!browser)
            paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (!browser)
            paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (!browser && LOWORD(lParam) == HTCLIENT) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(hwnd, &p);
            if (layout.linkAt(p.x, p.y)) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONUP:
        if (!browser) {
            const PageLink* link = layout.linkAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            // Page text is partly the quote service's; only web addresses
            // are handed to the shell.
            if (link && isWebAddress(link->href) && linkOpener)
                linkOpener(link->href);
        }
        return 0;
    case WM_CONTEXTMENU:
        return 0;  // the page has no context menu
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK BrowserWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(hwnd, 0));
    if (message == WM_NCCREATE) {
        self = new BrowserWindow(hwnd);
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, 0, 0);
        delete self;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

BrowserWindow* stateOf(HWND hwnd)
{
    if (!hwnd || !IsWindow(hwnd))
        return nullptr;
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (lstrcmpiW(name, CWebBrowser2::windowClass) != 0)
        return nullptr;
    return reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(hwnd, 0));
}

}  // namespace

bool CWebBrowser2::registerClass(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BrowserWindow::windowProc;
    wc.cbWndExtra = sizeof(BrowserWindow*);
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = windowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWebBrowser2::Navigate(const char* path) const
{
    if (!stateOf(hwnd))
        return false;
    return SendMessageW(hwnd, navigateMessage, 0, reinterpret_cast<LPARAM>(path)) != 0;
}

bool CWebBrowser2::usesControl() const
{
    BrowserWindow* state = stateOf(hwnd);
    return state && state->usesControl();
}

const PageLayout* CWebBrowser2::pageLayout() const
{
    BrowserWindow* state = stateOf(hwnd);
    return state ? state->layoutShown() : nullptr;
}

void CWebBrowser2::setLinkOpener(LinkOpener opener)
{
    linkOpener = opener ? opener : openInDefaultBrowser;
}

long CWebBrowser2::liveSiteObjects()
{
    return liveSites;
}
