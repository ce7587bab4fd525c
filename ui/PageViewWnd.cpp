#include "ui/PageViewWnd.h"

#include "common/WebAddress.h"
#include "winui/Shell.h"


namespace {

void openInShell(const std::string& address)
{
    openWebAddress(address);
}

CPageViewWnd::LinkOpener linkOpener = openInShell;

}  // namespace

BEGIN_MESSAGE_MAP(CPageViewWnd, CWnd)
    onMessage<&CPageViewWnd::OnSize>(WM_SIZE),
    onMessage<&CPageViewWnd::OnEraseBkgnd>(WM_ERASEBKGND),
    onMessage<&CPageViewWnd::OnPaint>(WM_PAINT),
    onMessage<&CPageViewWnd::OnPrintClient>(WM_PRINTCLIENT),
    onMessage<&CPageViewWnd::OnSetCursor>(WM_SETCURSOR),
    onMouse<&CPageViewWnd::OnLButtonUp>(WM_LBUTTONUP),
END_MESSAGE_MAP()

CPageViewWnd::CPageViewWnd(HWND window) : CWnd(window)
{
    relayout();
}

CPageViewWnd::~CPageViewWnd()
{
    if (tooltip.m_hWnd && IsWindow(tooltip.m_hWnd))
        DestroyWindow(tooltip.m_hWnd);
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
    const FileHandle file(CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    text.resize(maxPageBytes);
    std::size_t have = 0;
    bool ok = true;
    while (have < text.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &text[have], static_cast<DWORD>(text.size() - have), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        have += got;
    }
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
    fonts.clear();
}

HFONT CPageViewWnd::font(int px, bool underline)
{
    const int key = px * 2 + (underline ? 1 : 0);
    auto it = fonts.find(key);
    if (it != fonts.end())
        return it->second.get();
    FontHandle f(CreateFontW(-px, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, GB2312_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          crisp ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY, FF_DONTCARE, L"SimSun"));
    return fonts.emplace(key, std::move(f)).first->second.get();
}

TextSize CPageViewWnd::measure(const std::string& text, int px)
{
    if (!measureDc)
        measureDc.reset(CreateCompatibleDC(nullptr));
    const HDC dc = measureDc.get();
    std::wstring wide = widen(text);
    SIZE size = {0, 0};
    const SelectedObject selected(dc, font(px, false));
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    if (wide.empty()) {
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        size.cy = tm.tmHeight;
    }
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
    const MemoryDcHandle memory(CreateCompatibleDC(target));
    const BitmapHandle bitmap(CreateCompatibleBitmap(target, rc.right, rc.bottom));
    const HDC dc = memory.get();
    const SelectedObject selectedBitmap(dc, bitmap.get());
    const SelectedObject keptFont(dc, GetCurrentObject(dc, OBJ_FONT));

    // Solid fills and the fonts' own underlines: nothing here blends two
    // colours except anti-aliased glyph edges, which crisp text turns off.
    FillRect(dc, &rc, BrushHandle(CreateSolidBrush(pageLayout.background)).get());
    for (const PageFill& fill : pageLayout.fills) {
        RECT r = {fill.rect.left, fill.rect.top, fill.rect.right, fill.rect.bottom};
        FillRect(dc, &r, BrushHandle(CreateSolidBrush(fill.color)).get());
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
}

void CPageViewWnd::OnSize()
{
    relayout();
}

void CPageViewWnd::OnEraseBkgnd(Message& m)
{
    m.result = 1;  // paint covers every pixel
}

void CPageViewWnd::OnPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    paint(dc);
    EndPaint(m_hWnd, &ps);
}

void CPageViewWnd::OnPrintClient(Message& m)
{
    paint(reinterpret_cast<HDC>(m.wParam));
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

void CPageViewWnd::OnLButtonUp(POINT p)
{
    const PageLink* link = pageLayout.linkAt(p.x, p.y);
    // Page text is partly the quote service's: only web addresses are
    // handed on.
    if (link && isWebAddress(link->href))
        linkOpener(link->href);
}
