#include "titlebar/HoverTracker.h"

#include <gtest/gtest.h>

namespace {

TEST(HoverTracker, MovingOntoTheBarStartsTrackingOnce) {
    HoverTracker h;
    auto a = h.surfaceMouseMove(false, false, true, false);
    EXPECT_TRUE(a.captureMouse && a.startTimer && a.raiseMouseMove && a.restoreNormalPictures);
    EXPECT_EQ(h.tracking(), HoverTracker::Tracking);
    EXPECT_TRUE(h.pointerOver());
    a = h.surfaceMouseMove(false, false, true, true);
    EXPECT_FALSE(a.captureMouse || a.startTimer);
    EXPECT_TRUE(a.raiseMouseMove);
}

TEST(HoverTracker, ReachingAButtonLetsGoWithoutAnEvent) {
    HoverTracker h;
    h.surfaceMouseMove(false, false, true, false);
    const auto a = h.surfaceMouseMove(true, true, true, true);
    EXPECT_EQ(a, (HoverTracker::Actions{.releaseCapture = true}));
}

TEST(HoverTracker, EveryWayOutStopsTracking) {
    using A = HoverTracker::Actions;
    struct Case {
        const char* what;
        A (*step)(HoverTracker&);
        bool pointerOver;
    } cases[] = {
        {"timer finds the pointer outside",
         [](HoverTracker& h) { return h.timerTick(false, true); }, false},
        {"pointer on a button", [](HoverTracker& h) { return h.buttonMouseMove(); }, true},
        {"button pressed", [](HoverTracker& h) { return h.buttonMouseDown(); }, true},
        {"mouse up on the bar", [](HoverTracker& h) { return h.surfaceMouseUp(); }, false},
        {"drag", [](HoverTracker& h) { return h.surfaceMouseMove(false, true, true, true); },
         false},
    };
    for (const Case& c : cases) {
        HoverTracker h;
        h.surfaceMouseMove(false, false, true, false);
        const A a = c.step(h);
        EXPECT_EQ(h.tracking(), HoverTracker::NotTracking) << c.what;
        EXPECT_EQ(h.pointerOver(), c.pointerOver) << c.what;
        EXPECT_TRUE(a.releaseCapture) << c.what;
    }
}

TEST(HoverTracker, TimerKeepsTrackingWhileThePointerIsInside) {
    HoverTracker h;
    h.surfaceMouseMove(false, false, true, false);
    EXPECT_EQ(h.timerTick(true, true), HoverTracker::Actions{});
    EXPECT_EQ(h.tracking(), HoverTracker::Tracking);
}

TEST(HoverTracker, LeftButtonMoveStartsADragInsteadOfTracking) {
    HoverTracker h;
    h.surfaceMouseDown(false);
    const auto a = h.surfaceMouseMove(false, true, true, true);
    EXPECT_TRUE(a.startDrag && a.stopTimer && a.releaseCapture && a.raiseMouseMove);
    EXPECT_FALSE(a.startTimer || a.captureMouse);
}

TEST(HoverTracker, MouseDownCapturesOnlyWhenNotHeld) {
    HoverTracker h;
    EXPECT_TRUE(h.surfaceMouseDown(false).captureMouse);
    EXPECT_FALSE(h.surfaceMouseDown(true).captureMouse);
    EXPECT_TRUE(h.pointerOver());
}

} // namespace
