#include "ui/FramePlacement.h"

#include "res/resource.h"
#include "ui/FrameState.h"
#include "ui/TitleStrip.h"
#include "winui/WinText.h"

#include <vector>

namespace {

int controlOf(FramePart part)
{
    switch (part) {
    case FramePart::page:
        return IDC_BROWSER;
    case FramePart::notice:
        return IDC_NOTICE;
    case FramePart::busyLabel:
        return IDC_BUSY;
    case FramePart::stripFill:
        return IDC_STRIP_FILL;
    case FramePart::refreshButton:
        break;
    }
    return IDC_REFRESH;
}

BOOL CALLBACK addWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<Rect>*>(list)->push_back(toRect(info.rcWork));
    return TRUE;
}

// The work areas of the monitors attached now.
std::vector<Rect> monitorWorkAreas()
{
    std::vector<Rect> areas;
    EnumDisplayMonitors(nullptr, nullptr, addWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

}  // namespace

int FramePlacement::stripHeight() const
{
    return stripHeightFor(dpi);
}

void FramePlacement::takeScale()
{
    dpi = window.GetDpi();
    applyDpi();
}

void FramePlacement::restore(const Rect& saved)
{
    // Each saved coordinate counts only when it lies on the screen, and a
    // window that ends up on no monitor's work area comes onto the nearest.
    placeBare(
        keptOnScreen(restoredPosition(toRect(window.GetWindowRect()), saved,
                                      GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN)),
                     monitorWorkAreas()));
}

void FramePlacement::placeBare(const Rect& at)
{
    window.MoveWindow(at.left, at.top, at.width(), at.height(), true);
    screen = toRect(window.GetWindowRect());
    const int glyphsWidth = scaleForDpi(50, dpi);
    window.GetDlgItem(IDC_STRIP_FILL)
        .MoveWindow(glyphsWidth, 0, at.width() - glyphsWidth, stripHeightFor(dpi));
}

void FramePlacement::fitQuotes(int rowCount, int columnCount, const UserSettings& s)
{
    lastRows = rowCount;
    lastColumns = columnCount;
    placeChildren(layoutForQuotes(toRect(window.GetWindowRect()), rowCount, columnCount, s, dpi));
}

void FramePlacement::placeChildren(const QuoteWindowLayout& layout)
{
    const Rect& w = layout.window;
    screen = w;
    window.MoveWindow(w.left, w.top, w.width(), w.height(), true);
    for (const ChildPlacement& child : layout.children)
        window.GetDlgItem(controlOf(child.part))
            .MoveWindow(child.x, child.y, child.width, child.height, true);
}

void FramePlacement::applyDpi()
{
    // At 96 DPI the template's own bitmaps stay, until the window has been
    // on another scale.
    if (dpi == defaultDpi && !stripImages[0])
        return;
    const int percent = stripImagePercent(dpi);
    const int step = (percent - 100) / 50 * IDB_STRIP_SCALED_STEP;
    const int controls[] = {IDC_STRIP, IDC_STRIP_FILL, IDC_REFRESH};
    const int images[] = {IDB_STRIP, IDB_STRIP_FILL, IDB_REFRESH};
    for (int i = 0; i < 3; ++i) {
        BitmapHandle image(static_cast<HBITMAP>(LoadImageW(appInstance(), MAKEINTRESOURCEW(images[i] + step),
                                                           IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
        if (!image)
            continue;
        SendDlgItemMessageW(window.m_hWnd, controls[i], STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(image.get()));
        stripImages[i] = std::move(image);
    }
    // Between the bitmaps' scales the strip is taller than they are: they
    // stand centred in it, the rest in their top row's shade.
    const bool between = imageDpi(dpi) != dpi;
    for (int id : {IDC_STRIP, IDC_REFRESH}) {
        const HWND control = window.GetDlgItem(id).m_hWnd;
        const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        SetWindowLongPtrW(control, GWL_STYLE, between ? style | SS_CENTERIMAGE : style & ~SS_CENTERIMAGE);
    }
    window.GetDlgItem(IDC_STRIP).MoveWindow(0, 0, scaleForDpi(50, imageDpi(dpi)), stripHeightFor(dpi));
}

// The page view lays itself out again when it is resized; the next refresh
// sizes at the new scale.
Reply FramePlacement::dpiChanged(int newDpi, const RECT* suggested, const UserSettings& s)
{
    if (!suggested)
        return Reply::passOn();
    dpi = newDpi;
    applyDpi();
    textFont.reset(CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE,
                               widen("宋体").c_str()));
    for (int id : {IDC_NOTICE, IDC_BUSY})
        SendDlgItemMessageW(window.m_hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
    const Rect at = toRect(*suggested);
    if (lastRows > 0)
        placeChildren(layoutForQuotes(at, lastRows, lastColumns, s, dpi));
    else
        placeBare(at);
    RedrawWindow(window.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return Reply::handled();
}
