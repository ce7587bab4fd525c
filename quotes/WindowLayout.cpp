#include "quotes/WindowLayout.h"

#include "common/Dpi.h"

CellSize cellSizeForFont(int fontSizeIndex)
{
    static const CellSize sizes[] = {{17, 53}, {18, 55}, {19, 62}, {20, 63}, {21, 71}};
    if (fontSizeIndex < 0 || fontSizeIndex >= static_cast<int>(sizeof sizes / sizeof sizes[0]))
        return {18, 55};
    return sizes[fontSizeIndex];
}

QuoteWindowLayout layoutForQuotes(const Rect& current, int rowCount, int columnCount,
                                  const UserSettings& s, int dpi)
{
    const auto px = [dpi](int px96) { return scaleForDpi(px96, dpi); };
    const CellSize cell = cellSizeForFont(s.fontSizeIndex);
    const int rowHeight = px(cell.rowHeight);
    const int rows = rowCount > 0 ? rowCount : 1;
    const int columns = columnCount > 0 ? columnCount : 1;
    const int strip = px(15);
    // Across the strip the bitmaps' own scale: they are never stretched.
    const auto across = [dpi](int px96) { return scaleForDpi(px96, imageDpi(dpi)); };

    // The 15-pixel title strip, the 15-pixel notice line and a 5-pixel margin,
    // then the optional time line and header row (the header's separator line
    // takes 2 pixels more).
    int extraHeight = px(35);
    if (s.displayFlags & showRefreshTime)
        extraHeight += rowHeight;
    if (s.displayFlags & showHeader)
        extraHeight += rowHeight + px(2);

    QuoteWindowLayout layout;
    layout.window.left = current.left;
    layout.window.top = current.top;
    layout.window.right = current.left + px(cell.columnWidth) * columns + px(20);
    layout.window.bottom = current.top + rowHeight * rows + extraHeight;

    const int w = layout.window.right - layout.window.left;
    const int h = layout.window.bottom - layout.window.top;
    layout.children = {{
        {FramePart::page, 0, strip, w, h - 2 * strip},
        {FramePart::notice, px(5), h - strip, w - px(5), strip},
        {FramePart::busyLabel, 0, strip, w, h - 2 * strip},
        {FramePart::stripFill, across(50), 0, w - across(70), strip},
        {FramePart::refreshButton, w - across(20), 0, across(20), strip},
    }};
    return layout;
}

WindowOptions decideWindowOptions(const UserSettings& s, bool isTransparent)
{
    WindowOptions options;
    options.topmost = (s.optionFlags & alwaysOnTop) != 0;
    options.hoverTimer = isTransparent && (s.optionFlags & titleOnHover) != 0;
    return options;
}
