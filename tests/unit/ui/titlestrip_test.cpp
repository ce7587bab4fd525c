#include "ui/TitleStrip.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const Rect refreshButton{165, 0, 185, 15};  // a window 185 pixels wide

TEST(TitleStrip, AreasFollowTheirRectanglesAndOrder)
{
    EXPECT_EQ(stripAreaAt(2, 0, refreshButton), StripArea::close);
    EXPECT_EQ(stripAreaAt(14, 14, refreshButton), StripArea::close);
    EXPECT_EQ(stripAreaAt(19, 7, refreshButton), StripArea::hide);
    EXPECT_EQ(stripAreaAt(30, 7, refreshButton), StripArea::hide);
    EXPECT_EQ(stripAreaAt(35, 7, refreshButton), StripArea::menu);
    EXPECT_EQ(stripAreaAt(46, 7, refreshButton), StripArea::menu);
    EXPECT_EQ(stripAreaAt(165, 7, refreshButton), StripArea::refresh);
    EXPECT_EQ(stripAreaAt(184, 14, refreshButton), StripArea::refresh);
}

TEST(TitleStrip, GapsBetweenAreasDragTheWindow)
{
    for (int x : {0, 1, 15, 16, 17, 18, 31, 32, 33, 34, 47, 100, 164})
        EXPECT_EQ(stripAreaAt(x, 5, refreshButton), StripArea::none) << x;
    // Below the strip nothing is a strip area, even under the buttons.
    EXPECT_EQ(stripAreaAt(20, 15, refreshButton), StripArea::none);
    EXPECT_EQ(stripAreaAt(170, 40, refreshButton), StripArea::none);
}

TEST(TitleStrip, EarlierAreasWinWhereRectanglesOverlap)
{
    // A refresh button moved over the glyphs (a very narrow window) does not
    // take the hide area away.
    const Rect overlapping{10, 0, 40, 15};
    EXPECT_EQ(stripAreaAt(20, 5, overlapping), StripArea::hide);
    EXPECT_EQ(stripAreaAt(12, 5, overlapping), StripArea::close);
    EXPECT_EQ(stripAreaAt(32, 5, overlapping), StripArea::refresh);
}

TEST(TitleStrip, RefreshTooltipWarnsWithinFiveSeconds)
{
    EXPECT_STREQ(stripTooltip(StripArea::refresh, 0), "刷新(距上次刷新不到 5 秒)");
    EXPECT_STREQ(stripTooltip(StripArea::refresh, 4), "刷新(距上次刷新不到 5 秒)");
    EXPECT_STREQ(stripTooltip(StripArea::refresh, 5), "刷新");
    EXPECT_STREQ(stripTooltip(StripArea::hide, 0), "隐藏");
    EXPECT_STREQ(stripTooltip(StripArea::menu, 0), "菜单");
    EXPECT_STREQ(stripTooltip(StripArea::close, 0), "关闭");
    EXPECT_EQ(stripTooltip(StripArea::none, 0), nullptr);
}

}  // namespace

TEST(TitleStrip, AreasAndHeightScaleWithTheScreen)
{
    // 150 %: the strip is 23 pixels tall and the hide area 29..46.
    const Rect refresh150{248, 0, 278, 23};
    EXPECT_EQ(stripHeightFor(144), 23);
    EXPECT_EQ(stripAreaAt(28, 20, refresh150, 144), StripArea::none);
    EXPECT_EQ(stripAreaAt(29, 22, refresh150, 144), StripArea::hide);
    EXPECT_EQ(stripAreaAt(46, 5, refresh150, 144), StripArea::hide);
    EXPECT_EQ(stripAreaAt(47, 5, refresh150, 144), StripArea::none);
    EXPECT_EQ(stripAreaAt(60, 5, refresh150, 144), StripArea::menu);
    EXPECT_EQ(stripAreaAt(29, 23, refresh150, 144), StripArea::none);  // below the strip
    // 200 %: everything doubles.
    EXPECT_EQ(stripHeightFor(192), 30);
    EXPECT_EQ(stripAreaAt(4, 29, Rect{330, 0, 370, 30}, 192), StripArea::close);
    EXPECT_EQ(stripAreaAt(30, 5, Rect{330, 0, 370, 30}, 192), StripArea::none);
    // 125 %: a 19-pixel strip showing the 100 % glyphs, whose areas stay.
    EXPECT_EQ(stripAreaAt(15, 18, refreshButton, 120), StripArea::none);
    EXPECT_EQ(stripAreaAt(19, 18, refreshButton, 120), StripArea::hide);
    EXPECT_EQ(stripAreaAt(19, 19, refreshButton, 120), StripArea::none);
}

TEST(TitleStrip, BitmapsOfTheNearestScaleHalfwayTheSmaller)
{
    EXPECT_EQ(stripImagePercent(96), 100);
    EXPECT_EQ(stripImagePercent(120), 100);  // 125 %
    EXPECT_EQ(stripImagePercent(121), 150);
    EXPECT_EQ(stripImagePercent(144), 150);
    EXPECT_EQ(stripImagePercent(168), 150);  // 175 %
    EXPECT_EQ(stripImagePercent(192), 200);
    EXPECT_EQ(stripImagePercent(288), 200);  // 300 %: the largest there is
}
