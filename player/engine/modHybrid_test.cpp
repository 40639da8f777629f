#include "engine/modHybrid.h"

#include "base/Runtime.h"
#include "player/FakeMediaBackend.h"
#include "player/RecordingPlatform.h"

#include <gtest/gtest.h>

namespace {

class HybridTest : public ::testing::Test {
protected:
    HybridTest()
        : wmpBackend(new FakeMediaBackend), mpBackend(new FakeMediaBackend),
          WMP1(std::unique_ptr<MediaBackend>(wmpBackend)),
          mp1(std::unique_ptr<MediaBackend>(mpBackend)), hybrid(WMP1, mp1, platform) {}

    void open(const QString& path) {
        hybrid.WmpActive = modHybrid::choosesWmp(path);
        hybrid.CurrentTrack = path;
        hybrid.LoadTrack(path);
    }
    FakeMediaBackend& activeFake() { return hybrid.WmpActive ? *wmpBackend : *mpBackend; }

    FakeMediaBackend* wmpBackend;
    FakeMediaBackend* mpBackend;
    WindowsMediaPlayer WMP1;
    MediaPlayer mp1;
    RecordingPlatform platform;
    modHybrid hybrid;
};

TEST(ComponentChoice, OnlyTheLastThreeCharactersCount) {
    const struct {
        const char* path;
        bool wmp;
    } cases[] = {{"/music/a.wav", false}, {"/music/a.WAV", false}, {"/music/a.WaV", false},
                 {"/music/awav", false},  {"wav", false},          {"/music/a.mp3", true},
                 {"/music/a.wma", true},  {"/music/a.wave", true}, {"/music/a.wav ", true},
                 {"/music/a.flac", true}, {"/music/wav.ogg", true}};
    for (const auto& c : cases) {
        EXPECT_EQ(modHybrid::choosesWmp(QString::fromUtf8(c.path)), c.wmp) << c.path;
    }
}

TEST(ComponentChoice, PathShorterThanThreeCharactersIsAnInvalidArgument) {
    for (const char* path : {"", "a", "av"}) {
        try {
            modHybrid::choosesWmp(QString::fromLatin1(path));
            ADD_FAILURE() << "no error for \"" << path << "\"";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), errInvalidArgument);
        }
    }
}

TEST_F(HybridTest, PlayWithoutTrackAsksForOneAndInjectsNoKey) {
    for (bool wmp : {false, true}) {
        hybrid.WmpActive = wmp;
        hybrid.PlayTrack();
    }
    ASSERT_EQ(platform.messages.size(), 2u);
    for (const auto& m : platform.messages) {
        EXPECT_EQ(m.text, QStringLiteral("Please Select A Track"));
        EXPECT_EQ(m.title, QStringLiteral("Tavrel"));
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
        EXPECT_EQ(m.icon, MsgIcon::None);
    }
    EXPECT_TRUE(platform.injectedKeys.empty());
    EXPECT_TRUE(wmpBackend->loads.isEmpty());
    EXPECT_TRUE(mpBackend->loads.isEmpty());
}

TEST_F(HybridTest, PlayWhilePlayingRestartsFromTheBeginning) {
    for (const char* path : {"/t/song.wav", "/t/song.mp3"}) {
        open(QString::fromLatin1(path));
        activeFake().advance(12.3);
        hybrid.PlayTrack();
        EXPECT_EQ(activeFake().loads.size(), 2) << path;
        EXPECT_EQ(hybrid.position(), 0.0) << path;
        EXPECT_TRUE(hybrid.active().isPlaying()) << path;
    }
    EXPECT_EQ(platform.injectedKeys, (std::vector<int>{39, 39}));
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(HybridTest, PlayWhilePausedResumesWhereItWas) {
    for (const char* path : {"/t/song.wav", "/t/song.wma"}) {
        open(QString::fromLatin1(path));
        activeFake().advance(5.5);
        hybrid.PauseTrack();
        hybrid.PlayTrack();
        EXPECT_EQ(activeFake().loads.size(), 1) << path;
        EXPECT_EQ(activeFake().plays, 1) << path;
        EXPECT_EQ(hybrid.position(), 5.5) << path;
        EXPECT_TRUE(hybrid.active().isPlaying()) << path;
    }
    EXPECT_EQ(platform.injectedKeys.size(), 2u);
}

TEST_F(HybridTest, PlayAfterStopReloadsTheCurrentTrack) {
    open(QStringLiteral("/t/a.mp3"));
    hybrid.StopTrack();
    hybrid.CurrentTrack = QStringLiteral("/t/b.mp3");
    hybrid.PlayTrack();
    EXPECT_EQ(wmpBackend->loads, (QStringList{"/t/a.mp3", "/t/b.mp3"}));
    EXPECT_EQ(platform.injectedKeys.size(), 1u);
}

TEST_F(HybridTest, StopLeavesPlayingOrPausedComponentAtZeroWithItsTrack) {
    for (bool pauseFirst : {false, true}) {
        open(QStringLiteral("/t/song.wav"));
        mpBackend->advance(30);
        if (pauseFirst) {
            hybrid.PauseTrack();
        }
        mpBackend->seeks.clear();
        hybrid.StopTrack();
        EXPECT_EQ(mp1.PlayState(), MediaPlayer::mpStopped);
        EXPECT_EQ(hybrid.position(), 0.0);
        EXPECT_EQ(mpBackend->seeks, (std::vector<double>{0.0}));
        EXPECT_EQ(mp1.FileName(), QStringLiteral("/t/song.wav"));
    }
}

TEST_F(HybridTest, StopWhenNotPlayingOrPausedChangesNothing) {
    hybrid.StopTrack(); // no track at all
    open(QStringLiteral("/t/song.mp3"));
    hybrid.StopTrack();
    const int stops = wmpBackend->stops;
    const auto seeks = wmpBackend->seeks.size();
    hybrid.StopTrack();
    EXPECT_EQ(wmpBackend->stops, stops);
    EXPECT_EQ(wmpBackend->seeks.size(), seeks);
    EXPECT_EQ(mpBackend->stops, 0);
}

TEST_F(HybridTest, TogglePlayPauseSwitchesAndNeverAsks) {
    hybrid.TogglePlayPause();
    EXPECT_EQ(mpBackend->plays + mpBackend->pauses, 0);
    for (const char* path : {"/t/song.wav", "/t/song.mp3"}) {
        open(QString::fromLatin1(path));
        hybrid.TogglePlayPause();
        EXPECT_TRUE(hybrid.active().isPaused()) << path;
        hybrid.TogglePlayPause();
        EXPECT_TRUE(hybrid.active().isPlaying()) << path;
        hybrid.StopTrack();
        hybrid.TogglePlayPause();
        EXPECT_TRUE(hybrid.active().isPlaying()) << path;
    }
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(platform.injectedKeys.empty());
}

TEST_F(HybridTest, ResumeOrPauseActsOnlyOnWmp) {
    open(QStringLiteral("/t/song.wav"));
    hybrid.ResumeOrPause();
    hybrid.PauseTrack();
    hybrid.ResumeOrPause();
    EXPECT_TRUE(mp1.isPaused());
    EXPECT_EQ(mpBackend->plays, 0);
    EXPECT_EQ(mpBackend->pauses, 1);

    hybrid.WmpActive = true;
    hybrid.ResumeOrPause(); // WMP1 has no track yet
    EXPECT_EQ(wmpBackend->plays, 0);
    open(QStringLiteral("/t/song.mp3"));
    hybrid.ResumeOrPause();
    EXPECT_EQ(WMP1.playState(), WindowsMediaPlayer::wmppsPaused);
    hybrid.ResumeOrPause();
    EXPECT_EQ(WMP1.playState(), WindowsMediaPlayer::wmppsPlaying);
    hybrid.StopTrack();
    hybrid.ResumeOrPause();
    EXPECT_EQ(WMP1.playState(), WindowsMediaPlayer::wmppsPlaying);
}

TEST_F(HybridTest, PositionAndDurationComeFromTheActiveComponent) {
    wmpBackend->setDurationFor(QStringLiteral("/t/long.mp3"), 245.3);
    open(QStringLiteral("/t/long.mp3"));
    wmpBackend->advance(3);
    EXPECT_EQ(hybrid.duration(), 245.3);
    EXPECT_EQ(hybrid.position(), 3.0);
    hybrid.setPosition(83.5);
    EXPECT_EQ(WMP1.controls().currentPosition(), 83.5);
    hybrid.WmpActive = false;
    EXPECT_EQ(hybrid.position(), 0.0);
    EXPECT_FALSE(hybrid.activeHasTrack());
}

TEST_F(HybridTest, WmpReportsItsPlayStatesAndSeeks) {
    std::vector<int> states;
    std::vector<std::pair<double, double>> moves;
    QObject::connect(&WMP1, &WindowsMediaPlayer::PlayStateChange,
                     [&](int s) { states.push_back(s); });
    QObject::connect(&WMP1, &WindowsMediaPlayer::PositionChange,
                     [&](double o, double n) { moves.emplace_back(o, n); });
    wmpBackend->setDuration(10);
    open(QStringLiteral("/t/song.mp3"));
    wmpBackend->advance(2);
    WMP1.controls().setCurrentPosition(7);
    WMP1.controls().pause();
    WMP1.controls().play();
    wmpBackend->advance(5);
    EXPECT_EQ(states, (std::vector<int>{9, 3, 2, 3, 8}));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(2.0, 7.0));
}

TEST_F(HybridTest, BothComponentsSignalStartAndEndOfPlaying) {
    std::vector<bool> wmpPlaying;
    std::vector<bool> mpPlaying;
    QObject::connect(&WMP1, &MediaComponent::playingChanged,
                     [&](bool p) { wmpPlaying.push_back(p); });
    QObject::connect(&mp1, &MediaComponent::playingChanged,
                     [&](bool p) { mpPlaying.push_back(p); });
    for (const char* path : {"/t/a.wav", "/t/a.mp3"}) {
        open(QString::fromLatin1(path));
        hybrid.PauseTrack();
        hybrid.TogglePlayPause();
        hybrid.StopTrack();
    }
    const std::vector<bool> expected{true, false, true, false};
    EXPECT_EQ(wmpPlaying, expected);
    EXPECT_EQ(mpPlaying, expected);
}

TEST_F(HybridTest, FailedLoadIsReportedWithTheReason) {
    QString reason;
    QObject::connect(&WMP1, &MediaComponent::failed, [&](const QString& r) { reason = r; });
    wmpBackend->failLoadOf(QStringLiteral("/t/bad.mp3"),
                           QStringLiteral("unrecognized file format"));
    open(QStringLiteral("/t/bad.mp3"));
    EXPECT_EQ(reason, QStringLiteral("unrecognized file format"));
    EXPECT_FALSE(WMP1.isPlaying());
    EXPECT_EQ(WMP1.backend().errorText(), reason);
}

} // namespace
