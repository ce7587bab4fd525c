#include "ui/WebBrowser2.h"

#include "ui/PageViewWnd.h"
#include "winui/ComPtr.h"
#include "winui/Handles.h"

#include <commctrl.h>
#include <exdisp.h>
#include <ole2.h>

#include <memory>

namespace {

// Sent to the window to show a page on its own thread; lParam points to a
// PageToShow.
constexpr UINT navigateMessage = WM_USER + 1;
// Sent to switch crisp text; wParam is TRUE or FALSE.
constexpr UINT crispTextMessage = WM_USER + 2;

volatile LONG liveSites = 0;

struct PageToShow {
    const std::wstring& path;
    const QuotePageModel& page;
};

// Whether the file at path (a file path, or a file:/// address of one) can be
// opened and read now.
bool pageFileReadable(const std::wstring& path)
{
    const wchar_t* name = path.c_str();
    if (_wcsnicmp(name, L"file:///", 8) == 0)
        name += 8;
    const FileHandle file(CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char first[64];
    DWORD got = 0;
    return file && ReadFile(file.get(), first, sizeof first, &got, nullptr);
}

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

// Everything one ZebWebBrowser window holds: the embedded control with its
// site, or else the built-in page view, which then takes the window's
// messages first.
class BrowserWindow : public CWnd {
public:
    BrowserWindow() = default;
    ~BrowserWindow() override { closeControl(); }
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    bool routeMessage(Message& m) override
    {
        return (view && view->routeMessage(m)) || CWnd::routeMessage(m);
    }

    bool usesControl() const { return static_cast<bool>(browser); }
    const PageLayout* layoutShown() const { return view ? &view->layout() : nullptr; }
    void setLinkOpener(CPageViewWnd::LinkOpener opener)
    {
        if (view)
            view->setLinkOpener(opener);
    }

protected:
    DECLARE_MESSAGE_MAP();

private:
    ComPtr<IOleObject> control;
    ComPtr<IWebBrowser2> browser;
    ComPtr<Site> site;
    std::unique_ptr<CPageViewWnd> view;

    void OnCreate();
    void OnNavigate(Message& m);
    void OnCrispText(Message& m);
    void OnDestroy();
    void OnPaint();
    void OnEraseBkgnd(Message& m) { m.result = 1; }  // nothing to erase: the page covers the window
    void OnContextMenu() {}                           // the page has no context menu
    bool createControl();
    void closeControl();
    void resizeControl();
    bool navigate(const std::wstring& path, const QuotePageModel& page);
};

BEGIN_MESSAGE_MAP(BrowserWindow, CWnd)
    onMessage<&BrowserWindow::OnCreate>(WM_CREATE),
    onMessage<&BrowserWindow::OnNavigate>(navigateMessage),
    onMessage<&BrowserWindow::OnCrispText>(crispTextMessage),
    onMessage<&BrowserWindow::resizeControl>(WM_SIZE),
    onMessage<&BrowserWindow::OnDestroy>(WM_DESTROY),
    onMessage<&BrowserWindow::OnPaint>(WM_PAINT),
    onMessage<&BrowserWindow::OnEraseBkgnd>(WM_ERASEBKGND),
    onMessage<&BrowserWindow::OnContextMenu>(WM_CONTEXTMENU),
END_MESSAGE_MAP()

void BrowserWindow::OnCreate()
{
    if (!createControl())
        view = std::make_unique<CPageViewWnd>(m_hWnd);
}

void BrowserWindow::OnNavigate(Message& m)
{
    const PageToShow& shown = *reinterpret_cast<const PageToShow*>(m.lParam);
    m.result = navigate(shown.path, shown.page) ? 1 : 0;
}

void BrowserWindow::OnCrispText(Message& m)
{
    if (view)
        view->setCrispText(m.wParam != FALSE);
}

// Deactivated and closed while its own window, a child of this one, still
// exists: by WM_NCDESTROY the children are gone.
void BrowserWindow::OnDestroy()
{
    closeControl();
}

void BrowserWindow::OnPaint()
{
    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    EndPaint(m_hWnd, &ps);
}

bool BrowserWindow::createControl()
{
    HRESULT hr =
        CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.putVoid());
    if (FAILED(hr) || !control) {
        control.reset();
        return false;
    }
    *site.put() = new Site(m_hWnd);
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    hr = control->SetClientSite(site.get());
    if (SUCCEEDED(hr))
        hr = OleSetContainedObject(control.get(), TRUE);
    if (SUCCEEDED(hr))
        hr = control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, m_hWnd, &rc);
    if (SUCCEEDED(hr))
        hr = control->QueryInterface(IID_IWebBrowser2, browser.putVoid());
    if (FAILED(hr) || !browser) {
        closeControl();
        return false;
    }
    browser->put_Silent(VARIANT_TRUE);  // no script error boxes
    return true;
}

void BrowserWindow::closeControl()
{
    browser.reset();
    if (control) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace)
            inPlace->InPlaceDeactivate();
        control->Close(OLECLOSE_NOSAVE);
        control->SetClientSite(nullptr);
        control.reset();
    }
    site.reset();
}

void BrowserWindow::resizeControl()
{
    ComPtr<IOleInPlaceObject> inPlace;
    if (control && SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, inPlace.putVoid())) && inPlace) {
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        inPlace->SetObjectRects(&rc, &rc);
    }
}

bool BrowserWindow::navigate(const std::wstring& path, const QuotePageModel& page)
{
    // The control reads the file itself, later; one that cannot be read now
    // is a failed load all the same.
    const bool readable = pageFileReadable(path);
    if (view) {
        view->show(readable ? page : QuotePageModel());
        return readable;
    }
    if (!browser || !readable)
        return false;
    BSTR url = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    VARIANT absent;
    VariantInit(&absent);
    HRESULT hr = browser->Navigate(url, &absent, &absent, &absent, &absent);
    SysFreeString(url);
    return SUCCEEDED(hr);
}

BrowserWindow* stateOf(HWND hwnd)
{
    if (!hwnd || !IsWindow(hwnd))
        return nullptr;
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (lstrcmpiW(name, CWebBrowser2::windowClass) != 0)
        return nullptr;
    return static_cast<BrowserWindow*>(CWnd::FromHandle(hwnd));
}

}  // namespace

bool CWebBrowser2::registerClass(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    return registerWindowClass<BrowserWindow>(windowClass, instance);
}

bool CWebBrowser2::Navigate(const std::wstring& path, const QuotePageModel& page) const
{
    if (!stateOf(hwnd))
        return false;
    const PageToShow shown{path, page};
    return SendMessageW(hwnd, navigateMessage, 0, reinterpret_cast<LPARAM>(&shown)) != 0;
}

void CWebBrowser2::setCrispText(bool crisp) const
{
    if (stateOf(hwnd))
        SendMessageW(hwnd, crispTextMessage, crisp ? TRUE : FALSE, 0);
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

void CWebBrowser2::setLinkOpener(LinkOpener opener) const
{
    if (BrowserWindow* state = stateOf(hwnd))
        state->setLinkOpener(opener);
}

long CWebBrowser2::liveSiteObjects()
{
    return liveSites;
}
