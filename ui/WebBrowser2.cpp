#include "ui/WebBrowser2.h"

#include "ui/PageViewWnd.h"
#include "winui/ComPtr.h"
#include "winui/Handles.h"
#include "winui/WindowThreadCall.h"

#include <commctrl.h>
#include <exdisp.h>
#include <ole2.h>

#include <memory>

namespace {

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
    explicit Site(HWND window) : hwnd(window) {}
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
    ~Site() = default;

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

    const PageLayout* layoutShown() const { return view ? &view->layout() : nullptr; }
    bool navigate(const std::wstring& path, const QuotePageModel& page);
    void setCrispText(bool crisp)
    {
        if (view)
            view->setCrispText(crisp);
    }
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
    void OnDestroy();
    void OnPaint(HDC, const RECT&) {}  // the page draws itself, in the control or the view
    Reply OnEraseBkgnd() { return Reply::handled(1); }  // nothing to erase: the page covers the window
    void OnContextMenu() {}                             // the page has no context menu
    bool createControl();
    void closeControl();
    void resizeControl();
};

BEGIN_MESSAGE_MAP(BrowserWindow, CWnd)
    onMessage<&BrowserWindow::OnCreate>(WM_CREATE),
    onMessage<&BrowserWindow::resizeControl>(WM_SIZE),
    onMessage<&BrowserWindow::OnDestroy>(WM_DESTROY),
    onPaint<&BrowserWindow::OnPaint>(),
    onMessage<&BrowserWindow::OnEraseBkgnd>(WM_ERASEBKGND),
    onMessage<&BrowserWindow::OnContextMenu>(WM_CONTEXTMENU),
END_MESSAGE_MAP()

void BrowserWindow::OnCreate()
{
    if (!createControl())
        view = std::make_unique<CPageViewWnd>(m_hWnd);
}

// Deactivated and closed while its own window, a child of this one, still
// exists: by WM_NCDESTROY the children are gone.
void BrowserWindow::OnDestroy()
{
    closeControl();
}

bool BrowserWindow::createControl()
{
    HRESULT hr =
        CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.putVoid());
    if (FAILED(hr) || !control) {
        control.reset();
        return false;
    }
    site = ComPtr<Site>::adopt(new Site(m_hWnd));
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    hr = control->SetClientSite(site.get());
    if (SUCCEEDED(hr))
        hr = OleSetContainedObject(control.get(), TRUE);
    if (SUCCEEDED(hr))
        hr = control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, m_hWnd, &rc);
    if (SUCCEEDED(hr))
        browser = control.as<IWebBrowser2>();
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
        if (const auto inPlace = control.as<IOleInPlaceObject>())
            inPlace->InPlaceDeactivate();
        control->Close(OLECLOSE_NOSAVE);
        control->SetClientSite(nullptr);
        control.reset();
    }
    site.reset();
}

void BrowserWindow::resizeControl()
{
    if (const auto inPlace = control.as<IOleInPlaceObject>()) {
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
    const ComString url(path);
    VARIANT absent;
    VariantInit(&absent);
    return url && SUCCEEDED(browser->Navigate(url.get(), &absent, &absent, &absent, &absent));
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

// Both run on the window's thread, carried there from any other; the
// window's object is looked up there too, where it cannot go meanwhile.
bool CWebBrowser2::Navigate(const std::wstring& path, const QuotePageModel& page) const
{
    bool loaded = false;
    runOnWindowThread(hwnd, [&] {
        if (BrowserWindow* state = stateOf(hwnd))
            loaded = state->navigate(path, page);
    }, INFINITE);
    return loaded;
}

void CWebBrowser2::setCrispText(bool crisp) const
{
    runOnWindowThread(hwnd, [&] {
        if (BrowserWindow* state = stateOf(hwnd))
            state->setCrispText(crisp);
    }, INFINITE);
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
