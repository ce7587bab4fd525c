#include "ui/PageViewWnd.h"

#include "common/Dpi.h"
#include "common/WebAddress.h"
#include "winui/Shell.h"

#include <algorithm>

namespace {

void openInShell(const std::string& address)
{
    openWebAddress(address);
}

}  // namespace

BEGIN_MESSAGE_MAP(CPageViewWnd, CWnd)
    onMessage<&CPageViewWnd::OnSize>(WM_SIZE),
    onMessage<&CPageViewWnd::OnEraseBkgnd>(WM_ERASEBKGND),
    onPaint<&CPageViewWnd::OnPaint>(),
    onPrintClient<&CPageViewWnd::OnPaint>(),
    onMessage<&CPageViewWnd::OnSetCursor>(WM_SETCURSOR),
    onMouse<&CPageViewWnd::OnLButtonUp>(WM_LBUTTONUP),
    // After the window's monitor changed scale (from Windows 10 on).
    onMessage<&CPageViewWnd::OnParentDpiChanged>(WM_DPICHANGED_AFTERPARENT),
END_MESSAGE_MAP()

CPageViewWnd::CPageViewWnd(HWND window) : CWnd(window), linkOpener(openInShell)
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

void CPageViewWnd::show(const QuotePageModel& shown)
{
    page = shown;
    relayout();
}

void CPageViewWnd::setCrispText(bool on)
{
    if (on == crisp)
        return;
    crisp = on;
    fonts.clear();
    relayout();  // the glyphs' sizes may differ between the two renderings
}

// Font sizes stay below 4096 pixels: the page's are at most 200 at 96 DPI.
HFONT CPageViewWnd::font(FontKind kind, int px, bool underline)
{
    const int key = ((kind * 4096) + px % 4096) * 2 + (underline ? 1 : 0);
    auto it = fonts.find(key);
    if (it != fonts.end())
        return it->second.get();
    // The page's face as the page names it ("宋体" when it names none); the
    // Chinese fallback is the system's choice for the character set. The
    // fallbacks' lines are as tall as the font size (their characters a
    // little smaller), so that the table keeps the pitch the window is
    // sized for.
    std::wstring face;
    BYTE charset = GB2312_CHARSET;
    int height = -px;
    if (kind == pageFace)
        face = page.fontFace.empty() ? std::wstring(L"SimSun") : widen(page.fontFace);
    else
        height = px;
    if (kind == latinFallback)
        face = L"Tahoma", charset = ANSI_CHARSET;
    FontHandle f(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, charset, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, crisp ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY, FF_DONTCARE,
                             face.c_str()));
    return fonts.emplace(key, std::move(f)).first->second.get();
}

HDC CPageViewWnd::measuringDc()
{
    if (!measureDc)
        measureDc.reset(CreateCompatibleDC(nullptr));
    return measureDc.get();
}

namespace {

// Han characters, CJK punctuation and full-width forms.
bool isChinese(wchar_t c)
{
    return c >= 0x2E80;
}

}  // namespace

// Whether the page's face has a glyph for every character of the page's text.
bool CPageViewWnd::pageFaceCoversPage()
{
    const std::string all = shownText(page);
    const std::wstring text = widen(all);
    if (text.empty())
        return true;
    const HDC dc = measuringDc();
    std::vector<WORD> glyphs(text.size(), 0xFFFF);
    const SelectedObject selected(dc, font(pageFace, 16, false));
    const DWORD done = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                        GGI_MARK_NONEXISTING_GLYPHS);
    return done != GDI_ERROR && std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end();
}

std::vector<CPageViewWnd::TextPiece> CPageViewWnd::pieces(const std::wstring& text, int px, bool underline)
{
    if (pageFaceUsable)
        return {{text, font(pageFace, px, underline)}};
    const HDC dc = measuringDc();
    const int n = static_cast<int>(text.size());
    // Which of the fallbacks has a glyph for each character.
    std::vector<WORD> glyphs[fontKinds];
    const auto covers = [&](FontKind kind, int i) {
        std::vector<WORD>& g = glyphs[kind];
        if (g.empty()) {
            g.assign(static_cast<std::size_t>(n), 0xFFFF);
            const SelectedObject selected(dc, font(kind, px, underline));
            GetGlyphIndicesW(dc, text.c_str(), n, g.data(), GGI_MARK_NONEXISTING_GLYPHS);
        }
        return g[static_cast<std::size_t>(i)] != 0xFFFF;
    };
    std::vector<TextPiece> out;
    FontKind current = pageFace;
    for (int i = 0; i < n; ++i) {
        const FontKind first = isChinese(text[static_cast<std::size_t>(i)]) ? chineseFallback : latinFallback;
        const FontKind second = first == chineseFallback ? latinFallback : chineseFallback;
        const FontKind kind = covers(first, i) ? first : covers(second, i) ? second : pageFace;
        if (out.empty() || kind != current)
            out.push_back({std::wstring(), font(kind, px, underline)});
        out.back().text += text[static_cast<std::size_t>(i)];
        current = kind;
    }
    return out;
}

TextSize CPageViewWnd::measure(const std::string& text, int px)
{
    const HDC dc = measuringDc();
    const std::wstring wide = widen(text);
    if (wide.empty()) {
        const SelectedObject selected(dc, font(pageFaceUsable ? pageFace : latinFallback, px, false));
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        return {0, tm.tmHeight};
    }
    // Pieces of several fonts stand on one baseline (see paint).
    const std::vector<TextPiece> parts = pieces(wide, px, false);
    TextSize total;
    int ascent = 0, descent = 0;
    for (const TextPiece& part : parts) {
        const SelectedObject selected(dc, part.font);
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc, part.text.c_str(), static_cast<int>(part.text.size()), &size);
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        total.width += size.cx;
        total.height = size.cy;
        ascent = std::max<int>(ascent, tm.tmAscent);
        descent = std::max<int>(descent, tm.tmDescent);
    }
    if (parts.size() > 1)
        total.height = ascent + descent;
    return total;
}

void CPageViewWnd::relayout()
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    dpi = GetDpi();
    pageFaceUsable = pageFaceCoversPage();
    pageLayout = layoutPage(page, rc.right, rc.bottom, dpi,
                            [this](const std::string& text, int px) { return measure(text, px); });
    updateTooltips();
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPageViewWnd::updateTooltips()
{
    if (!tooltip.m_hWnd) {
        if (!tooltip.Create(m_hWnd, TTS_NOPREFIX | TTS_ALWAYSTIP, WS_EX_TOPMOST))
            return;
        tooltip.SetAutoPopDelay(30000);
    }
    tooltip.SetMaxTipWidth(scaleForDpi(400, dpi));
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
        const RECT clip = {run.clip.left, run.clip.top, run.clip.right, run.clip.bottom};
        SetTextColor(dc, run.color);
        const std::vector<TextPiece> parts = pieces(widen(run.text), run.fontPx, run.underline);
        // Pieces of several fonts stand on one baseline.
        int ascent = 0;
        for (const TextPiece& part : parts) {
            SelectObject(dc, part.font);
            TEXTMETRICW tm;
            GetTextMetricsW(dc, &tm);
            ascent = std::max<int>(ascent, tm.tmAscent);
        }
        int x = run.rect.left;
        for (const TextPiece& part : parts) {
            SelectObject(dc, part.font);
            TEXTMETRICW tm;
            GetTextMetricsW(dc, &tm);
            const int length = static_cast<int>(part.text.size());
            ExtTextOutW(dc, x, run.rect.top + ascent - tm.tmAscent, ETO_CLIPPED, &clip, part.text.c_str(),
                        static_cast<UINT>(length), nullptr);
            SIZE size = {0, 0};
            GetTextExtentPoint32W(dc, part.text.c_str(), length, &size);
            x += size.cx;
        }
    }
    BitBlt(target, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
}

void CPageViewWnd::OnSize()
{
    relayout();
}

Reply CPageViewWnd::OnSetCursor(WPARAM, LPARAM lParam)
{
    const UINT hitTest = LOWORD(lParam);
    if (hitTest != HTCLIENT)
        return Reply::passOn();
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(m_hWnd, &p);
    if (!pageLayout.linkAt(p.x, p.y))
        return Reply::passOn();
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    return Reply::handled(TRUE);
}

void CPageViewWnd::OnLButtonUp(POINT p)
{
    const PageLink* link = pageLayout.linkAt(p.x, p.y);
    // Page text is partly the quote service's: only web addresses are
    // handed on.
    if (link && isWebAddress(link->href))
        linkOpener(link->href);
}
