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
