#include "ui/PageViewWnd.h"

#include "common/WebAddress.h"
#include "winui/Shell.h"

#include <windowsx.h>

namespace {

void openInShell(const std::string& address)
{
    openWebAddress(address);
}

CPageViewWnd::LinkOpener linkOpener = openInShell;

}  // namespace

const MessageMapEntry<CPageViewWnd> CPageViewWnd::messageMap[] = {
    {WM_SIZE, 0, 0, &CPageViewWnd::OnSize},
    {WM_ERASEBKGND, 0, 0, &CPageViewWnd::OnEraseBkgnd},
    {WM_PAINT, 0, 0, &CPageViewWnd::OnPaint},
    {WM_PRINTCLIENT, 0, 0, &CPageViewWnd::OnPrintClient},
    {WM_SETCURSOR, 0, 0, &CPageViewWnd::OnSetCursor},
    {WM_LBUTTONUP, 0, 0, &CPageViewWnd::OnLButtonUp},
};

CPageViewWnd::CPageViewWnd(HWND window) : CWnd(window)
{
    relayout();
}

CPageViewWnd::~CPageViewWnd()
{
    if (tooltip.m_hWnd && IsWindow(tooltip.m_hWnd))
        DestroyWindow(tooltip.m_hWnd);
    dropFonts();
    if (measureDc)
        DeleteDC(measureDc);
}

bool CPageViewWnd::OnMessage(Message& m)
{
    return dispatchMessage(*this, messageMap, m);
}

void CPageViewWnd::setLinkOpener(LinkOpener opener)
{
    linkOpener = opener ? opener : openInShell;
}

bool CPageViewWnd::readPageFile(const std::wstring& path, std::string& text)
{
    text.clear();
    const wchar_t* name = path.c_str();
    if (_wcsnicmp(name, L"file:///", 8) == 0)
        name += 8;
    HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text.resize(maxPageBytes);
    std::size_t have = 0;
    bool ok = true;
    while (have < text.size()) {
        DWORD got = 0;
        if (!ReadFile(file, &text[have], static_cast<DWORD>(text.size() - have), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        have += got;
    }
    CloseHandle(file);
    text.resize(ok ? have : 0);
    return ok;
}

bool CPageViewWnd::load(const std::wstring& path)
{
    std::string text;
    const bool read = readPageFile(path, text);
    page = parseHtmlPage(text.data(), text.size());
    relayout();
    return read;
}

void CPageViewWnd::setCrispText(bool on)
{
    if (on == crisp)
        return;
    crisp = on;
    dropFonts();
    relayout();  // the glyphs' sizes may differ between the two renderings
}

void CPageViewWnd::dropFonts()
{
    for (auto& f : fonts)
        DeleteObject(f.second);
    fonts.clear();
}

HFONT CPageViewWnd::font(int px, bool underline)
{
    const int key = px * 2 + (underline ? 1 : 0);
    auto it = fonts.find(key);
    if (it != fonts.end())
        return it->second;
    HFONT f = CreateFontW(-px, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, GB2312_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          crisp ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY, FF_DONTCARE, L"SimSun");
    fonts[key] = f;
    return f;
}

TextSize CPageViewWnd::measure(const std::string& text, int px)
{
    if (!measureDc)
        measureDc = CreateCompatibleDC(nullptr);
    std::wstring wide = widen(text);
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

void CPageViewWnd::relayout()
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    pageLayout = layoutPage(page, rc.right, rc.bottom,
                            [this](const std::string& text, int px) { return measure(text, px); });
    updateTooltips();
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPageViewWnd::updateTooltips()
{
    if (!tooltip.m_hWnd) {
        if (!tooltip.Create(m_hWnd, TTS_NOPREFIX | TTS_ALWAYSTIP, WS_EX_TOPMOST))
            return;
        tooltip.SetMaxTipWidth(400);
        tooltip.SetAutoPopDelay(30000);
    }
    for (int i = 0; i < toolCount; ++i)
        tooltip.DelTool(static_cast<UINT_PTR>(i));
    toolCount = 0;
    for (const PageTip& tip : pageLayout.tips)
        if (tooltip.AddTool(static_cast<UINT_PTR>(toolCount), tip.rect, tip.text))
            ++toolCount;
}

void CPageViewWnd::paint(HDC target)
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, rc.right, rc.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);

    // Solid fills and the fonts' own underlines: nothing here blends two
    // colours except anti-aliased glyph edges, which crisp text turns off.
    HBRUSH back = CreateSolidBrush(pageLayout.background);
    FillRect(dc, &rc, back);
    DeleteObject(back);
    for (const PageFill& fill : pageLayout.fills) {
        RECT r = {fill.rect.left, fill.rect.top, fill.rect.right, fill.rect.bottom};
        HBRUSH brush = CreateSolidBrush(fill.color);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SetBkMode(dc, TRANSPARENT);
    for (const PageTextRun& run : pageLayout.runs) {
        std::wstring text = widen(run.text);
        RECT clip = {run.clip.left, run.clip.top, run.clip.right, run.clip.bottom};
        SelectObject(dc, font(run.fontPx, run.underline));
        SetTextColor(dc, run.color);
        ExtTextOutW(dc, run.rect.left, run.rect.top, ETO_CLIPPED, &clip, text.c_str(),
                    static_cast<UINT>(text.size()), nullptr);
    }
    BitBlt(target, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

bool CPageViewWnd::OnSize(Message& m)
{
    relayout();
    m.result = 0;
    return true;
}

bool CPageViewWnd::OnEraseBkgnd(Message& m)
{
    m.result = 1;  // paint covers every pixel
    return true;
}

bool CPageViewWnd::OnPaint(Message& m)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    paint(dc);
    EndPaint(m_hWnd, &ps);
    m.result = 0;
    return true;
}

bool CPageViewWnd::OnPrintClient(Message& m)
{
    paint(reinterpret_cast<HDC>(m.wParam));
    m.result = 0;
    return true;
}

bool CPageViewWnd::OnSetCursor(Message& m)
{
    if (LOWORD(m.lParam) != HTCLIENT)
        return false;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(m_hWnd, &p);
    if (!pageLayout.linkAt(p.x, p.y))
        return false;
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    m.result = TRUE;
    return true;
}

bool CPageViewWnd::OnLButtonUp(Message& m)
{
    const PageLink* link = pageLayout.linkAt(GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam));
    // Page text is partly the quote service's: only web addresses are
    // handed on.
    if (link && isWebAddress(link->href))
        linkOpener(link->href);
    m.result = 0;
    return true;
}
