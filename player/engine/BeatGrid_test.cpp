#include "engine/BeatGrid.h"

#include <gtest/gtest.h>

TEST(BeatGrid, EvenGridSnapsOnlyNearABeatAndCountsBarsFromTheGivenStart) {
    // 120 a minute, a bar starting at 10.25 s: beats every half second from 0.25 s.
    const BeatGrid g = BeatGrid::even(120, 10.25, 60);
    ASSERT_TRUE(g.steady());
    EXPECT_DOUBLE_EQ(g.beats().front(), 0.25);
    EXPECT_DOUBLE_EQ(g.nearestBeat(10.3).value_or(-1), 10.25);
    EXPECT_DOUBLE_EQ(g.nearestBeat(10.7).value_or(-1), 10.75);
    // A quarter of a beat is 125 ms: 10.4 s lies 150 ms from either neighbour.
    EXPECT_FALSE(g.nearestBeat(10.4).has_value());
    EXPECT_DOUBLE_EQ(*g.beatAfter(10.25), 10.75);
    EXPECT_DOUBLE_EQ(*g.beatBefore(10.25), 9.75);
    EXPECT_FALSE(g.beatBefore(0.25).has_value());
    EXPECT_FALSE(g.beatAfter(59.9).has_value());
    // Bars of four beats run from 10.25 - 5 x 2 s = 0.25 s: 10.25 s starts bar 6.
    EXPECT_EQ(g.barAt(10.25), 6);
    EXPECT_EQ(g.barAt(10.2), 5);
    EXPECT_EQ(g.barAt(0.1), 0);
    EXPECT_TRUE(g.isDownbeat(20));
    EXPECT_FALSE(g.isDownbeat(21));
}

TEST(BeatGrid, AnalysedBeatsKeepTheirPlacesAndABarStartPicksTheNearestOne) {
    MusicalMap map;
    map.bpm = 100;
    map.beats = {0.6, 1.2, 1.8, 2.4, 3.0, 3.6, 4.2, 99.0};
    const BeatGrid g = BeatGrid::fromMap(map, 10);
    ASSERT_TRUE(g.steady());
    EXPECT_EQ(g.beats().size(), 7u) << "a beat past the end of the track is dropped";
    EXPECT_EQ(g.barAt(0.6), 1);
    const BeatGrid moved = g.withBarAt(1.85, 10);
    EXPECT_EQ(moved.beats(), g.beats());
    EXPECT_EQ(moved.barAt(1.8), 1);
    EXPECT_EQ(moved.barAt(1.5), 0);
    EXPECT_EQ(moved.barAt(4.2), 2);

    EXPECT_FALSE(BeatGrid::fromMap(MusicalMap{}, 10).steady());
    EXPECT_FALSE(BeatGrid{}.nearestBeat(1.0).has_value());
    EXPECT_EQ(BeatGrid{}.barAt(5), 0);
    EXPECT_FALSE(BeatGrid::even(0, 0, 10).steady());
}

TEST(BeatGrid, ALoopBetweenMarksOnBeatsTurnsBackAfterWholeBeatsAndBarsWithinABeat) {
    // 120 a minute: a beat every half second from 0, a bar every 2 s.
    const BeatGrid g = BeatGrid::even(120, 0, 60);
    // Four bars and a beat apart, the start 40 ms early: four whole bars from the start mark.
    EXPECT_NEAR(g.loopEnd(9.96, 18.5).value_or(-1), 9.96 + 8.0, 1e-9);
    // Three beats short of a bar and a half apart: whole beats, not bars.
    EXPECT_NEAR(g.loopEnd(10.0, 13.0).value_or(-1), 13.0, 1e-9);
    // Three beats: within a beat of one bar.
    EXPECT_NEAR(g.loopEnd(10.0, 11.55).value_or(-1), 12.0, 1e-9);
    // An end off the beat, ends on the same beat, or a turn past the last beat: as marked.
    EXPECT_FALSE(g.loopEnd(10.0, 14.25).has_value());
    EXPECT_FALSE(g.loopEnd(10.0, 10.05).has_value());
    EXPECT_FALSE(BeatGrid::even(120, 0, 59.9).loopEnd(58.0, 59.5).has_value());
    EXPECT_FALSE(BeatGrid{}.loopEnd(0, 8).has_value());

    // Analysed beats drift: the loop keeps their count, not the clock's.
    MusicalMap map;
    map.bpm = 100;
    map.beats = {0.6, 1.2, 1.81, 2.43, 3.05, 3.64, 4.2, 4.8};
    const BeatGrid a = BeatGrid::fromMap(map, 10);
    EXPECT_NEAR(a.loopEnd(0.6, 3.64).value_or(-1), 0.6 + (3.05 - 0.6), 1e-9);
}

TEST(TapTempo, FourEvenTapsGiveTheTempoUnevenOnesOrAPauseDoNot) {
    TapTempo t;
    EXPECT_FALSE(t.tap(1.0));
    EXPECT_FALSE(t.tap(1.5));
    EXPECT_FALSE(t.tap(2.0));
    EXPECT_DOUBLE_EQ(*t.tap(2.5), 120.0);
    // A hand is never exact: 96 a minute tapped with a few milliseconds of wobble.
    TapTempo hand;
    std::optional<double> bpm;
    for (double at : {0.0, 0.627, 1.248, 1.877, 2.5}) {
        bpm = hand.tap(at);
    }
    ASSERT_TRUE(bpm);
    EXPECT_NEAR(*bpm, 96.0, 0.2);
    // A stumble in the middle is no tempo.
    TapTempo stumble;
    for (double at : {0.0, 0.5, 1.4, 1.9}) {
        bpm = stumble.tap(at);
    }
    EXPECT_FALSE(bpm);
    // After a pause the count starts again.
    TapTempo paused;
    for (double at : {0.0, 0.5, 1.0}) {
        paused.tap(at);
    }
    EXPECT_FALSE(paused.tap(4.0));
    EXPECT_EQ(paused.count(), 1);
}
