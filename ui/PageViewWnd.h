// The built-in page view: shows the quote page through the page engine
// (pageview/PageView.h) in a window, with the page's tooltips and links.
// It serves the page display window when the system's WebBrowser control
// cannot be created; that window routes its messages here first. The page's
// pixel sizes are for 96 DPI and scale with the window's monitor. Text is
// drawn in the page's font face when that font has the glyphs of all the
// page's text, and otherwise in a Chinese font for the Chinese characters
// and a Latin font for the rest, each checked to have them.
#pragma once

#include "pageview/PageView.h"
#include "winui/Handles.h"
#include "winui/ToolTip.h"
#include "winui/Wnd.h"

#include <map>
#include <string>
#include <vector>

class CPageViewWnd : public CWnd {
public:
    explicit CPageViewWnd(HWND window);
    ~CPageViewWnd() override;
    CPageViewWnd(const CPageViewWnd&) = delete;
    CPageViewWnd& operator=(const CPageViewWnd&) = delete;

    // Shows page (a copy of it).
    void show(const QuotePageModel& page);

    // Crisp text: no anti-aliasing, so every pixel drawn is exactly one of
    // the page's colours (for a window whose background colour is keyed out).
    void setCrispText(bool crisp);

    const PageLayout& layout() const { return pageLayout; }

    // What a click on a link does with an address that isWebAddress accepts;
    // other addresses are never passed on. Null restores openWebAddress.
    using LinkOpener = void (*)(const std::string& address);
    void setLinkOpener(LinkOpener opener);

protected:
    DECLARE_MESSAGE_MAP();

private:
    // Where a piece of text takes its glyphs from.
    enum FontKind { pageFace, chineseFallback, latinFallback, fontKinds };
    struct TextPiece {
        std::wstring text;
        HFONT font;
    };

    QuotePageModel page;
    PageLayout pageLayout;
    LinkOpener linkOpener;
    CToolTipCtrl tooltip;
    int toolCount = 0;
    int dpi = 96;
    bool pageFaceUsable = true;  // it has the glyphs of all the page's text
    std::map<int, FontHandle> fonts;
    MemoryDcHandle measureDc;
    bool crisp = false;

    void OnSize();
    Reply OnEraseBkgnd() { return Reply::handled(1); }  // paint covers every pixel
    void OnPaint(HDC dc, const RECT&) { paint(dc); }
    Reply OnSetCursor(WPARAM, LPARAM lParam);
    void OnLButtonUp(POINT p);
    void OnParentDpiChanged() { relayout(); }

    void relayout();
    void updateTooltips();
    HFONT font(FontKind kind, int px, bool underline);
    HDC measuringDc();
    bool pageFaceCoversPage();
    // text cut where its glyphs come from another font, each piece with it.
    std::vector<TextPiece> pieces(const std::wstring& text, int px, bool underline);
    TextSize measure(const std::string& text, int px);
    void paint(HDC target);
};
