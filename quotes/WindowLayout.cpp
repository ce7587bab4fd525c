#include "quotes/WindowLayout.h"

CellSize cellSizeForFont(int fontSizeIndex)
{
    static const CellSize sizes[] = {{17, 53}, {18, 55}, {19, 62}, {20, 63}, {21, 71}};
    if (fontSizeIndex < 0 || fontSizeIndex >= static_cast<int>(sizeof sizes / sizeof sizes[0]))
        return {18, 55};
    return sizes[fontSizeIndex];
}

QuoteWindowLayout layoutForQuotes(const Rect& current, int rowCount, int columnCount,
                                  const UserSettings& s)
{
    const CellSize cell = cellSizeForFont(s.fontSizeIndex);
    const int rows = rowCount > 0 ? rowCount : 1;
    const int columns = columnCount > 0 ? columnCount : 1;

    // The 15-pixel title strip, the 15-pixel notice line and a 5-pixel margin,
    // then the optional time line and header row (the header's separator line
    // takes 2 pixels more).
    int extraHeight = 35;
    if (s.displayFlags & showRefreshTime)
        extraHeight += cell.rowHeight;
    if (s.displayFlags & showHeader)
        extraHeight += cell.rowHeight + 2;

    QuoteWindowLayout layout;
    layout.window.left = current.left;
    layout.window.top = current.top;
    layout.window.right = current.left + cell.columnWidth * columns + 20;
    layout.window.bottom = current.top + cell.rowHeight * rows + extraHeight;

    const int w = layout.window.right - layout.window.left;
    const int h = layout.window.bottom - layout.window.top;
    layout.children = {{
        {FramePart::page, 0, 15, w, h - 30},
        {FramePart::notice, 5, h - 15, w - 5, 15},
        {FramePart::busyLabel, 0, 15, w, h - 30},
        {FramePart::stripFill, 50, 0, w - 70, 15},
        {FramePart::refreshButton, w - 20, 0, 20, 15},
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
