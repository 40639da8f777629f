// The practice room on a fake player and settings in memory: where the loop between marks
// runs and what ends it, the lead-in, the speed trainer's passes and the breath between them,
// and the track's practice settings kept in its own section.

#include "engine/PracticeTempo.h"
#include "models/MarkModel.h"
#include "models/MarkRepository.h"
#include "player/FakeMediaBackend.h"
#include "player/FakePlayer.h"
#include "player/FakeSettings.h"
#include "practice/LoopBetweenMarks.h"
#include "practice/Practice.h"
#include "practice/PracticeSession.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

const QString kSong = QStringLiteral("/music/Song.mp3");
const QString kOther = QStringLiteral("/music/Other.mp3");

void ensureApplication() {
    static int argc = 1;
    static char name[] = "practice_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

struct Rig {
    Rig() { ensureApplication(); }

    // The track opens playing from 0 on the active back end, with its stored marks.
    void open(const QString& track, double seconds = 180) {
        player.media.setDuration(seconds);
        player.media.load(track);
        marks.load(track, seconds);
        player.openNow(track, seconds);
        player.playState = MediaBackend::State::Playing;
    }
    void setMark(int index, const char* position) {
        ASSERT_TRUE(marks.set(index, QString::fromLatin1(position)));
    }
    // Plays on until the loop has turned back `passes` times.
    void playPasses(int passes) {
        for (int i = 0; i < passes; ++i) {
            player.media.advance(practice.loop().to() - player.media.position() + 0.01);
        }
    }
    QString stored(const QString& key) { return settings.read("Tavrel", kSong, key, "<none>"); }

    FakeSettings settings;
    MarkRepository repository{settings};
    MarkModel marks{repository};
    FakePlayer player;
    FakeMediaBackend other;
    Practice practice{player, marks, repository, {&player.media, &other}};
    LoopBetweenMarks& loop = practice.loop();
    PracticeSession& session = practice.session();
    PracticeTempo& tempo = practice.tempo();
};

TEST(PracticeLoop, RunsFromTheCurrentMarkToTheNearestLaterMarkOrTheEnd) {
    Rig r;
    r.open(kSong);
    r.setMark(0, "10");
    r.setMark(1, "40");
    r.setMark(2, "25");
    r.setMark(3, "5");
    r.marks.setCurrent(0);
    r.loop.toggle();
    ASSERT_TRUE(r.loop.active());
    EXPECT_EQ(r.loop.backend(), &r.player.media);
    EXPECT_EQ(r.loop.endMark(), 2);
    EXPECT_DOUBLE_EQ(r.player.media.loopFrom(), 10);
    EXPECT_DOUBLE_EQ(r.player.media.loopTo(), 25);
    // The note of the start mark is on the note line while it runs.
    r.loop.toggle();
    EXPECT_FALSE(r.loop.active());
    EXPECT_FALSE(r.player.media.looping());

    // No later mark: to the end of the track.
    r.marks.setCurrent(1);
    r.loop.toggle();
    ASSERT_TRUE(r.loop.active());
    EXPECT_EQ(r.loop.endMark(), -1);
    EXPECT_DOUBLE_EQ(r.loop.to(), 180);
    r.loop.end();

    // A mark at or past the end of the track, no current mark, or no track: nothing starts.
    r.setMark(4, "180");
    r.marks.setCurrent(4);
    r.loop.toggle();
    EXPECT_FALSE(r.loop.active());
    r.marks.setCurrent(-1);
    r.loop.toggle();
    EXPECT_FALSE(r.loop.active());
    r.marks.setCurrent(0);
    r.player.track.clear();
    r.loop.toggle();
    EXPECT_FALSE(r.loop.active());
}

TEST(PracticeLoop, ShowsTheStartMarksNoteOnEveryPass) {
    Rig r;
    r.open(kSong);
    r.setMark(0, "10");
    r.setMark(1, "20");
    ASSERT_TRUE(r.marks.setNote(0, "Verse"));
    r.marks.setCurrent(0);
    r.loop.toggle();
    EXPECT_EQ(r.marks.noteLine(), "Verse");
    r.marks.showNote("something else");
    r.playPasses(1);
    EXPECT_EQ(r.marks.noteLine(), "Verse");
}

TEST(PracticeLoop, LeadInStartsEachPassEarlierButNeverBeforeTheStart) {
    Rig r;
    r.open(kSong);
    r.setMark(0, "10");
    r.setMark(1, "20");
    r.setMark(2, "1");
    r.loop.setLeadIn(3);
    r.marks.setCurrent(0);
    r.loop.toggle();
    EXPECT_DOUBLE_EQ(r.loop.passStart(), 7);
    EXPECT_DOUBLE_EQ(r.player.media.loopFrom(), 7);
    // The first pass hears its lead-in too.
    ASSERT_FALSE(r.player.media.seeks.empty());
    EXPECT_DOUBLE_EQ(r.player.media.seeks.back(), 7);
    // A new lead-in takes effect on the running loop at once.
    r.loop.setLeadIn(1);
    EXPECT_DOUBLE_EQ(r.player.media.loopFrom(), 9);
    r.loop.end();

    r.loop.setLeadIn(3);
    r.marks.setCurrent(2);
    r.loop.toggle();
    EXPECT_DOUBLE_EQ(r.loop.passStart(), 0);
    EXPECT_DOUBLE_EQ(r.player.media.loopFrom(), 0);
    EXPECT_DOUBLE_EQ(r.loop.from(), 1);
}

TEST(PracticeLoop, FollowsItsMarksAndEndsWithStopAnotherMarkOrItsStartGone) {
    Rig r;
    r.open(kSong);
    r.setMark(0, "10");
    r.setMark(1, "25");
    r.marks.setCurrent(0);
    r.loop.toggle();
    // A mark set inside the loop becomes its end.
    r.setMark(2, "15");
    r.loop.followMarks();
    EXPECT_EQ(r.loop.endMark(), 2);
    EXPECT_DOUBLE_EQ(r.player.media.loopTo(), 15);
    // Pausing keeps it; going to its own start mark keeps it; another mark ends it.
    r.player.media.pause();
    EXPECT_TRUE(r.loop.active());
    r.practice.wentToMark(0);
    EXPECT_TRUE(r.loop.active());
    r.practice.wentToMark(1);
    EXPECT_FALSE(r.loop.active());

    r.player.media.play();
    r.loop.toggle();
    ASSERT_TRUE(r.loop.active());
    r.player.media.stop();
    EXPECT_FALSE(r.loop.active());

    r.player.media.play();
    r.loop.toggle();
    ASSERT_TRUE(r.marks.clear(0, false));
    r.loop.followMarks();
    EXPECT_FALSE(r.loop.active());
    EXPECT_FALSE(r.player.media.looping());
}

TEST(PracticeSession, SettingsAreKeptInTheTracksSectionAndComeBackWithIt) {
    Rig r;
    r.open(kSong);
    const int before = r.settings.commits;
    PracticeSettings s;
    s.leadIn = 2;
    s.breath = 3;
    s.trainer = true;
    s.trainerFrom = 72; // snapped to the speed steps
    s.trainerTo = 90;
    s.trainerStep = 10;
    r.session.setSettings(s);
    EXPECT_EQ(r.settings.commits, before + 1);
    EXPECT_EQ(r.stored("LeadIn"), "2");
    EXPECT_EQ(r.stored("Breath"), "3");
    EXPECT_EQ(r.stored("Trainer"), "1");
    EXPECT_EQ(r.stored("TrainerFrom"), "70");
    EXPECT_EQ(r.stored("TrainerTo"), "90");
    EXPECT_EQ(r.stored("TrainerStep"), "10");
    EXPECT_DOUBLE_EQ(r.loop.leadIn(), 2);
    r.tempo.setSpeedPercent(85);
    r.tempo.setTranspose(-2);
    EXPECT_EQ(r.stored("Speed"), "85");
    EXPECT_EQ(r.stored("Transpose"), "-2");

    // Another track has its own: defaults when it never had any.
    r.open(kOther);
    EXPECT_EQ(r.tempo.speedPercent(), 100);
    EXPECT_EQ(r.tempo.transpose(), 0);
    EXPECT_EQ(r.session.settings(), PracticeSettings());
    EXPECT_DOUBLE_EQ(r.loop.leadIn(), 0);
    EXPECT_EQ(r.settings.read("Tavrel", kOther, "Speed", "<none>"), "<none>");

    r.open(kSong);
    EXPECT_EQ(r.tempo.speedPercent(), 85);
    EXPECT_EQ(r.tempo.transpose(), -2);
    EXPECT_EQ(r.session.settings(), s.held());
    EXPECT_DOUBLE_EQ(r.loop.leadIn(), 2);
    // Beside the marks, which stay the track's own.
    EXPECT_TRUE(r.repository.forgetTracks({kSong}));
    r.open(kSong);
    EXPECT_EQ(r.tempo.speedPercent(), 100);
}

TEST(PracticeSession, UnreadableStoredValuesGiveTheDefaults) {
    Rig r;
    r.settings.write("Tavrel", kSong, "Speed", "fast");
    r.settings.write("Tavrel", kSong, "LeadIn", "99");
    r.settings.write("Tavrel", kSong, "TrainerStep", "x");
    r.open(kSong);
    EXPECT_EQ(r.tempo.speedPercent(), 100);
    EXPECT_EQ(r.session.settings().leadIn, PracticeSettings::kMaxLeadIn);
    EXPECT_EQ(r.session.settings().trainerStep, PracticeSettings().trainerStep);
}

TEST(PracticeSession, TrainerRaisesTheSpeedEachPassAndGivesBackTheTracksOwn) {
    Rig r;
    r.open(kSong);
    r.setMark(0, "10");
    r.setMark(1, "20");
    r.tempo.setSpeedPercent(95);
    PracticeSettings s;
    s.trainer = true;
    s.trainerFrom = 70;
    s.trainerTo = 85;
    s.trainerStep = 10;
    r.session.setSettings(s);
    r.marks.setCurrent(0);
    r.loop.toggle();
    EXPECT_EQ(r.tempo.speedPercent(), 70);
    EXPECT_EQ(r.session.status(), QStringLiteral("Pass 1 \u00b7 70%"));
    r.playPasses(1);
    EXPECT_EQ(r.tempo.speedPercent(), 80);
    r.playPasses(1);
    EXPECT_EQ(r.tempo.speedPercent(), 85);
    r.playPasses(1);
    EXPECT_EQ(r.tempo.speedPercent(), 85);
    EXPECT_EQ(r.session.pass(), 4);
    // The trainer's speeds are only heard, never stored.
    EXPECT_EQ(r.stored("Speed"), "95");
    r.loop.toggle();
    EXPECT_FALSE(r.session.trainerRunning());
    EXPECT_EQ(r.tempo.speedPercent(), 95);

    // A speed set by hand while it runs ends it and is the track's own from then on.
    r.loop.toggle();
    EXPECT_EQ(r.tempo.speedPercent(), 70);
    r.tempo.faster();
    EXPECT_FALSE(r.session.trainerRunning());
    r.loop.toggle();
    EXPECT_EQ(r.tempo.speedPercent(), 75);
    EXPECT_EQ(r.stored("Speed"), "75");
}

TEST(PracticeSession, ABreathPausesAtThePassStartUntilItsTimeIsUp) {
    Rig r;
    qint64 now = 0;
    r.session.clock = [&now] { return now; };
    r.open(kSong);
    r.setMark(0, "10");
    r.setMark(1, "20");
    PracticeSettings s;
    s.breath = 2;
    r.session.setSettings(s);
    r.marks.setCurrent(0);
    r.loop.toggle();
    r.playPasses(1);
    ASSERT_TRUE(r.session.breathing());
    EXPECT_EQ(r.player.media.state(), MediaBackend::State::Paused);
    EXPECT_DOUBLE_EQ(r.player.media.position(), 10);
    EXPECT_EQ(r.session.status(), "Breath 2 s");
    now = 1100;
    r.session.tick();
    EXPECT_EQ(r.session.status(), "Breath 1 s");
    EXPECT_EQ(r.player.media.state(), MediaBackend::State::Paused);
    now = 2000;
    r.session.tick();
    EXPECT_FALSE(r.session.breathing());
    EXPECT_EQ(r.player.media.state(), MediaBackend::State::Playing);
    EXPECT_TRUE(r.loop.active());

    // Playing again by hand cuts the breath short; the loop runs on.
    r.playPasses(1);
    ASSERT_TRUE(r.session.breathing());
    r.player.media.play();
    EXPECT_FALSE(r.session.breathing());
    EXPECT_TRUE(r.loop.active());
}

TEST(PracticeSession, NothingIsStoredWithoutATrackOrWhenTheStoreRefuses) {
    Rig r;
    PracticeSettings s;
    s.leadIn = 4;
    r.session.setSettings(s);
    EXPECT_EQ(r.settings.commits, 0);
    EXPECT_TRUE(r.settings.sections("Tavrel").isEmpty());

    r.open(kSong);
    r.settings.refuseWrites = true;
    r.tempo.setSpeedPercent(120);
    // Heard now, but the track does not come back with a speed it never stored.
    EXPECT_EQ(r.tempo.speedPercent(), 120);
    r.settings.refuseWrites = false;
    r.open(kSong);
    EXPECT_EQ(r.tempo.speedPercent(), 100);
}

} // namespace
