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
