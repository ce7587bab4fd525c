// Lays out a quote page for the built-in page view as the browser control
// shows its HTML file: positioned text runs, filled rectangles, and the
// rectangles of links and tooltips, all in pixels of a view of the given
// size. Text is measured by a callback so the same layout runs with the
// system's fonts and with a fixed-width measure.
#pragma once

#include "common/Geometry.h"
#include "quotes/QuotePage.h"

#include <functional>
#include <string>
#include <vector>

struct TextSize {
    int width = 0;
    int height = 0;
};

// Size of GB2312 text in the page's font of fontPx pixels.
using MeasureText = std::function<TextSize(const std::string& text, int fontPx)>;

struct PageTextRun {
    Rect rect;  // where the whole text would stand
    Rect clip;  // the part of rect inside the view; never empty
    std::string text;
    Color color = 0;
    int fontPx = 16;
    bool underline = false;
};

struct PageFill {
    Rect rect;
    Color color = 0;
};

struct PageLink {
    Rect rect;
    std::string href;
};

struct PageTip {
    Rect rect;
    std::string text;  // lines separated by '\n'
};

struct PageLayout {
    Color background = 0x00FFFFFF;
    std::vector<PageFill> fills;  // drawn over the background, before the text
    std::vector<PageTextRun> runs;
    std::vector<PageLink> links;
    std::vector<PageTip> tips;

    const PageLink* linkAt(int x, int y) const;
};

// The page drawn at dpi: its pixel sizes (fonts, margins, cell padding, the
// rule) are for 96 DPI and scale with it. Every rectangle of the result lies
// inside (0, 0, width, height).
PageLayout layoutPage(const QuotePageModel& page, int width, int height, int dpi, const MeasureText& measure);

// All the text the layout of page measures and draws, each run of white space
// as one space.
std::string shownText(const QuotePageModel& page);
