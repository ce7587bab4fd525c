#include "quotes/WindowLayout.h"

#include <gtest/gtest.h>

namespace {

UserSettings settingsWith(int fontSizeIndex, std::uint32_t displayFlags)
{
    UserSettings s{};
    s.fontSizeIndex = fontSizeIndex;
    s.displayFlags = displayFlags;
    return s;
}

const Rect at100{100, 100, 400, 400};

}  // namespace

TEST(WindowLayout, DefaultTableFromTheWindowsPlace)
{
    const QuoteWindowLayout l =
        layoutForQuotes(at100, 3, 3, settingsWith(1, columnFlags | showHeader | showRefreshTime));
    EXPECT_EQ(l.window.left, 100);
    EXPECT_EQ(l.window.top, 100);
    EXPECT_EQ(l.window.right - l.window.left, 185);
    EXPECT_EQ(l.window.bottom - l.window.top, 127);

    const ChildPlacement expected[] = {
        {FramePart::page, 0, 15, 185, 97},      {FramePart::notice, 5, 112, 180, 15},
        {FramePart::busyLabel, 0, 15, 185, 97}, {FramePart::stripFill, 50, 0, 115, 15},
        {FramePart::refreshButton, 165, 0, 20, 15},
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(l.children[i].part, expected[i].part);
        EXPECT_EQ(l.children[i].x, expected[i].x);
        EXPECT_EQ(l.children[i].y, expected[i].y);
        EXPECT_EQ(l.children[i].width, expected[i].width);
        EXPECT_EQ(l.children[i].height, expected[i].height);
    }
}

TEST(WindowLayout, SizeFollowsFontTableAndOptionalLines)
{
    struct Case {
        int font, rows, columns;
        std::uint32_t flags;
        int width, height;
    };
    const Case cases[] = {
        {0, 4, 2, 0, 53 * 2 + 20, 17 * 4 + 35},
        {2, 1, 5, showHeader, 62 * 5 + 20, 19 * 1 + 35 + 19 + 2},
        {3, 30, 7, showRefreshTime, 63 * 7 + 20, 20 * 30 + 35 + 20},
        {4, 2, 1, showHeader | showRefreshTime, 71 + 20, 21 * 2 + 35 + 21 + 21 + 2},
        // Unknown indexes fall back to the second size.
        {-1, 3, 3, 0, 55 * 3 + 20, 18 * 3 + 35},
        {5, 3, 3, 0, 55 * 3 + 20, 18 * 3 + 35},
        {1000, 3, 3, 0, 55 * 3 + 20, 18 * 3 + 35},
        // No rows or no columns still leave room for one of each.
        {1, 0, 0, 0, 55 + 20, 18 + 35},
        {4, 0, 3, showHeader, 71 * 3 + 20, 21 + 35 + 21 + 2},
    };
    const Rect elsewhere{-300, 40, 0, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "font " << c.font << ", " << c.rows << "x" << c.columns);
        const QuoteWindowLayout l =
            layoutForQuotes(elsewhere, c.rows, c.columns, settingsWith(c.font, c.flags));
        EXPECT_EQ(l.window.left, -300);
        EXPECT_EQ(l.window.top, 40);
        EXPECT_EQ(l.window.right, -300 + c.width);
        EXPECT_EQ(l.window.bottom, 40 + c.height);
        // The browser and the busy label fill the space between strip and
        // notice line; the refresh button ends at the right edge.
        EXPECT_EQ(l.children[0].height, c.height - 30);
        EXPECT_EQ(l.children[1].y, c.height - 15);
        EXPECT_EQ(l.children[4].x + l.children[4].width, c.width);
        EXPECT_EQ(l.children[3].x + l.children[3].width, l.children[4].x);
    }
}

TEST(WindowOptions, TopmostFollowsOptionAndHoverTimerNeedsTransparency)
{
    UserSettings s{};
    s.optionFlags = 0;
    EXPECT_FALSE(decideWindowOptions(s, false).topmost);
    EXPECT_FALSE(decideWindowOptions(s, true).hoverTimer);

    s.optionFlags = alwaysOnTop | hideAtStart;
    EXPECT_TRUE(decideWindowOptions(s, false).topmost);
    EXPECT_FALSE(decideWindowOptions(s, true).hoverTimer);

    s.optionFlags = titleOnHover;
    EXPECT_FALSE(decideWindowOptions(s, true).topmost);
    EXPECT_TRUE(decideWindowOptions(s, true).hoverTimer);
    EXPECT_FALSE(decideWindowOptions(s, false).hoverTimer);
}

TEST(WindowLayout, ScalesWithTheScreen)
{
    const UserSettings s = settingsWith(1, columnFlags | showHeader | showRefreshTime);
    // 200 %: exactly twice the 96-DPI layout.
    const QuoteWindowLayout at96 = layoutForQuotes(at100, 3, 3, s);
    const QuoteWindowLayout at192 = layoutForQuotes(at100, 3, 3, s, 192);
    EXPECT_EQ(at192.window.left, 100);
    EXPECT_EQ(at192.window.width(), 370);
    EXPECT_EQ(at192.window.height(), 254);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(at192.children[i].x, 2 * at96.children[i].x);
        EXPECT_EQ(at192.children[i].y, 2 * at96.children[i].y);
        EXPECT_EQ(at192.children[i].width, 2 * at96.children[i].width);
        EXPECT_EQ(at192.children[i].height, 2 * at96.children[i].height);
    }
    // 150 %: rows of 27 pixels, columns of 83, a 23-pixel strip and notice
    // line; the page fills what they leave.
    const QuoteWindowLayout at144 = layoutForQuotes(at100, 3, 3, s, 144);
    EXPECT_EQ(at144.window.width(), 3 * 83 + 30);
    EXPECT_EQ(at144.window.height(), 3 * 27 + 53 + 27 + 30);
    const ChildPlacement& page = at144.children[0];
    const ChildPlacement& notice = at144.children[1];
    EXPECT_EQ(page.y, 23);
    EXPECT_EQ(page.y + page.height, notice.y);
    EXPECT_EQ(notice.y + notice.height, at144.window.height());
    EXPECT_EQ(at144.children[4].x + at144.children[4].width, at144.window.width());
}

TEST(WindowLayout, BetweenTheBitmapsScalesTheStripFollowsItsBitmapsAcross)
{
    // 125 %: rows and the strip's height scale; the strip's filler and
    // refresh button keep the 100 % bitmaps' widths.
    const QuoteWindowLayout l = layoutForQuotes(at100, 3, 3, settingsWith(1, columnFlags), 120);
    const int w = l.window.width();
    EXPECT_EQ(w, 3 * 69 + 25);
    EXPECT_EQ(l.children[0].y, 19);
    const ChildPlacement& fill = l.children[3];
    const ChildPlacement& refresh = l.children[4];
    EXPECT_EQ(fill.x, 50);
    EXPECT_EQ(fill.x + fill.width, refresh.x);
    EXPECT_EQ(refresh.x, w - 20);
    EXPECT_EQ(refresh.height, 19);
}
