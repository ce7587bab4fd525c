#include "ui/FrameState.h"

#include <gtest/gtest.h>

TEST(FrameState, StartHiddenHoldsBothStartUpShowingsInEitherOrderUntilTheUserShows)
{
    FrameState plain;
    EXPECT_FALSE(plain.holdsBackShowing());

    FrameState layoutFirst;
    layoutFirst.holdStartUpShowings();
    layoutFirst.relayoutDone();
    EXPECT_TRUE(layoutFirst.holdsBackShowing());
    layoutFirst.firstShowDone();
    EXPECT_FALSE(layoutFirst.holdsBackShowing());

    FrameState shownByUser;
    shownByUser.holdStartUpShowings();
    shownByUser.firstShowDone();
    EXPECT_TRUE(shownByUser.holdsBackShowing());
    shownByUser.show(false);
    EXPECT_FALSE(shownByUser.holdsBackShowing());
}

TEST(FrameState, TransparencyHidesTheStripAndRunsTheHoverTimerOnlyForTitleOnHover)
{
    FrameState s;
    EXPECT_EQ(s.show(true), HoverTimer::leave);  // opaque: the strip is always there

    FrameState::Toggle on = s.toggleTransparency(true);
    EXPECT_TRUE(s.transparent());
    EXPECT_FALSE(on.stripShown);
    EXPECT_EQ(on.timer, HoverTimer::start);
    EXPECT_EQ(s.show(true), HoverTimer::start);
    EXPECT_EQ(s.show(false), HoverTimer::leave);

    FrameState::Toggle off = s.toggleTransparency(true);
    EXPECT_FALSE(s.transparent());
    EXPECT_TRUE(off.stripShown);
    EXPECT_EQ(off.timer, HoverTimer::stop);
    EXPECT_EQ(s.toggleTransparency(false).timer, HoverTimer::leave);
}

TEST(FrameState, HoverReportsOnlyChanges)
{
    FrameState s;
    EXPECT_FALSE(s.hoverChanged(false));
    EXPECT_TRUE(s.hoverChanged(true));
    EXPECT_FALSE(s.hoverChanged(true));
    EXPECT_TRUE(s.hoverChanged(false));
}

TEST(FrameState, TheTrayIconComesBackWithTheTaskbarUnlessTheHotKeyHidIt)
{
    FrameState s;
    EXPECT_TRUE(s.trayIconWanted());

    FrameState::HotKey hide = s.hotKey(true, true);
    EXPECT_FALSE(hide.show);
    EXPECT_TRUE(hide.deleteTrayIcon);
    EXPECT_FALSE(s.trayIconWanted());

    FrameState::HotKey show = s.hotKey(false, true);
    EXPECT_TRUE(show.show);
    EXPECT_TRUE(show.addTrayIcon);
    EXPECT_TRUE(s.trayIconWanted());

    EXPECT_FALSE(s.hotKey(true, false).deleteTrayIcon);
    EXPECT_TRUE(s.trayIconWanted());

    s.hotKey(true, true);
    s.trayIconAdded();  // a double-click in the tray, or a second start
    EXPECT_TRUE(s.trayIconWanted());
}

TEST(FrameState, AWindowOffEveryMonitorComesWhollyOntoTheNearestOne)
{
    const std::vector<Rect> oneScreen = {{0, 0, 1024, 740}};  // the taskbar below
    // Half over the right edge, or a pixel on: left where it is.
    EXPECT_EQ(keptOnScreen({932, 100, 1117, 227}, oneScreen).left, 932);
    EXPECT_EQ(keptOnScreen({1023, 739, 1208, 866}, oneScreen).top, 739);
    // Right of the screen: against its right edge, at the same height.
    Rect r = keptOnScreen({3000, 100, 3185, 227}, oneScreen);
    EXPECT_EQ(r.left, 1024 - 185);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.width(), 185);
    // Above and left of it: into its top-left corner.
    r = keptOnScreen({-500, -400, -315, -273}, oneScreen);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.height(), 127);
    // Larger than the area: its top-left corner shows.
    r = keptOnScreen({2000, 0, 3200, 100}, oneScreen);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 1200);

    // Two monitors, the second left of the first: the nearer one takes it;
    // a window on the second stays there.
    const std::vector<Rect> two = {{0, 0, 1024, 740}, {-1280, 0, 0, 1024}};
    EXPECT_EQ(keptOnScreen({-1000, 900, -815, 1027}, two).left, -1000);
    r = keptOnScreen({-3000, 2000, -2815, 2127}, two);
    EXPECT_EQ(r.left, -1280);
    EXPECT_EQ(r.bottom, 1024);
    EXPECT_EQ(keptOnScreen({3000, 100, 3185, 227}, two).left, 1024 - 185);

    EXPECT_EQ(keptOnScreen({3000, 100, 3185, 227}, {}).left, 3000);
}
