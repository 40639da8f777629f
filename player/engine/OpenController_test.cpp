#include "engine/OpenController.h"

#include "base/Runtime.h"
#include "engine/MediaPlayer.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modHybrid.h"
#include "player/FakeMediaBackend.h"
#include "player/RecordingPlatform.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using State = MediaBackend::State;

class OpenControllerTest : public ::testing::Test {
protected:
    OpenControllerTest()
        : wmp(new FakeMediaBackend), mp(new FakeMediaBackend),
          WMP1(std::unique_ptr<MediaBackend>(wmp)), mp1(std::unique_ptr<MediaBackend>(mp)),
          hybrid(WMP1, mp1, platform), opener(hybrid, WMP1, mp1) {
        QObject::connect(&opener, &OpenController::opened, [this](const QString& p, bool r) {
            log << QStringLiteral("opened %1%2").arg(name(p), r ? " replacing" : "");
        });
        QObject::connect(&opener, &OpenController::failed,
                         [this](const QString& p, const QString& why) {
                             log << QStringLiteral("failed %1: %2").arg(name(p), why);
                         });
        QObject::connect(&opener, &OpenController::settled, [this] { log << "settled"; });
    }
    static QString name(const QString& path) { return path.section('/', -1); }
    QString path(const char* file) { return QStringLiteral("/music/") + QLatin1String(file); }
    // A track opened completely and standing paused at `seconds`.
    void current(const char* file, double seconds) {
        opener.open(path(file));
        hybrid.setPosition(seconds);
        log.clear();
    }
    FakeMediaBackend& fake(bool isWmp) { return isWmp ? *wmp : *mp; }

    FakeMediaBackend* wmp;
    FakeMediaBackend* mp;
    WindowsMediaPlayer WMP1;
    MediaPlayer mp1;
    RecordingPlatform platform;
    modHybrid hybrid;
    OpenController opener;
    QStringList log;
};

TEST_F(OpenControllerTest, AQuickOpenEndsAtOnceWithTheTrackStoppedAtItsStart) {
    opener.open(path("Intro.wav"));
    EXPECT_EQ(log, QStringList({"opened Intro.wav", "settled"}));
    EXPECT_FALSE(opener.busy());
    EXPECT_EQ(hybrid.CurrentTrack, path("Intro.wav"));
    EXPECT_FALSE(hybrid.WmpActive);
    EXPECT_EQ(mp->state(), State::Stopped);
    EXPECT_EQ(mp->position(), 0.0);

    // The next track replaces it, in the other component; the first stays loaded but quiet.
    hybrid.PlayTrack();
    log.clear();
    opener.open(path("Verse.mp3"));
    EXPECT_EQ(log, QStringList({"opened Verse.mp3 replacing", "settled"}));
    EXPECT_TRUE(hybrid.WmpActive);
    EXPECT_EQ(wmp->state(), State::Stopped);
    EXPECT_NE(mp->state(), State::Playing);
}

TEST_F(OpenControllerTest, ASlowOpenLeavesThePreviousTrackCurrentUntilItStarts) {
    current("Intro.wav", 12);
    hybrid.PlayTrack();
    wmp->opensAtOnce = false;
    opener.open(path("Verse.mp3"));
    EXPECT_TRUE(opener.busy());
    EXPECT_TRUE(log.isEmpty());
    // Paused where it was, still the current track.
    EXPECT_EQ(mp->state(), State::Paused);
    EXPECT_EQ(hybrid.CurrentTrack, path("Intro.wav"));
    EXPECT_FALSE(hybrid.WmpActive);

    wmp->finishOpening();
    EXPECT_EQ(log, QStringList({"opened Verse.mp3 replacing", "settled"}));
    EXPECT_EQ(hybrid.CurrentTrack, path("Verse.mp3"));
    EXPECT_EQ(mp->state(), State::Stopped);
}

TEST_F(OpenControllerTest, AFailedOpenBringsThePreviousTrackBackWhereItStood) {
    struct Case {
        const char* previous;
        const char* broken;
    };
    for (const Case c : {Case{"Good.wav", "broken.wav"}, Case{"Good.wav", "broken.mp3"},
                         Case{"Good.mp3", "broken.mp3"}, Case{"Good.mp3", "broken.wav"}}) {
        SCOPED_TRACE(c.broken);
        for (FakeMediaBackend* b : {wmp, mp}) {
            b->failLoadOf(path(c.broken), "Failed to recognize file format.");
        }
        current(c.previous, 42);
        const bool home = modHybrid::choosesWmp(path(c.previous));
        opener.open(path(c.broken));
        EXPECT_EQ(log,
                  QStringList(
                      {QStringLiteral("failed %1: Failed to recognize file format.").arg(c.broken),
                       "settled"}));
        EXPECT_EQ(hybrid.CurrentTrack, path(c.previous));
        EXPECT_EQ(hybrid.WmpActive, home);
        EXPECT_EQ(fake(home).path(), path(c.previous));
        EXPECT_EQ(fake(home).position(), 42.0);
        EXPECT_NE(fake(home).state(), State::Playing);
        log.clear();
    }
}

TEST_F(OpenControllerTest, AFailedFirstOpenLeavesNoTrack) {
    mp->failLoadOf(path("broken.wav"), "No such file.");
    opener.open(path("broken.wav"));
    EXPECT_EQ(log.first(), "failed broken.wav: No such file.");
    EXPECT_TRUE(hybrid.CurrentTrack.isEmpty());
    EXPECT_FALSE(opener.busy());
}

TEST_F(OpenControllerTest, AFolderIsNoTrackAndAShortPathIsRefusedBeforeAnythingChanges) {
    QTemporaryDir dir;
    current("Good.wav", 5);
    const QString folder = dir.filePath("album.wav");
    ASSERT_TRUE(QDir().mkpath(folder));
    opener.open(folder);
    EXPECT_EQ(log.first(), "failed album.wav: It is a folder, not a track.");
    EXPECT_EQ(mp->loads.last(), path("Good.wav"));

    EXPECT_THROW(opener.open(QStringLiteral("ab")), RuntimeError);
    EXPECT_FALSE(opener.busy());
    EXPECT_EQ(hybrid.CurrentTrack, path("Good.wav"));
}

TEST_F(OpenControllerTest, ATrackThatNeverStartsFailsAtTheTimeLimitAndNeverPlaysLater) {
    // Also when the back end does not give the track up when asked.
    for (bool givesUp : {true, false}) {
        SCOPED_TRACE(givesUp);
        current("Good.mp3", 20);
        opener.setTimeLimit(50);
        mp->opensAtOnce = false;
        mp->givesUpOpens = givesUp;
        opener.open(path("stuck.wav"));
        const QDeadlineTimer deadline(5000);
        while (opener.busy() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        ASSERT_FALSE(opener.busy());
        EXPECT_EQ(log.first(), "failed stuck.wav: It did not start playing within 0 seconds.");
        EXPECT_EQ(hybrid.CurrentTrack, path("Good.mp3"));
        mp->finishOpening();
        EXPECT_NE(mp->state(), State::Playing);
        mp->opensAtOnce = true;
    }
}

TEST_F(OpenControllerTest, ANewerOpenTakesOverAndOnlyItsOutcomeIsReported) {
    current("Good.wav", 30);
    wmp->opensAtOnce = false;
    opener.open(path("Slow.mp3"));
    // Taken over by a track of the other component: the slow one never starts behind it.
    opener.open(path("Next.wav"));
    EXPECT_EQ(log, QStringList({"opened Next.wav replacing", "settled"}));
    wmp->finishOpening();
    EXPECT_NE(wmp->state(), State::Playing);
    EXPECT_EQ(hybrid.CurrentTrack, path("Next.wav"));

    // Taken over in the same component, and the newer one fails: the track current before
    // both comes back.
    wmp->opensAtOnce = true;
    current("Good.mp3", 30);
    wmp->opensAtOnce = false;
    opener.open(path("Slow.mp3"));
    wmp->failLoadOf(path("broken.mp3"), "Broken.");
    opener.open(path("broken.mp3"));
    // Reported once the previous track is back in the component the new ones took.
    EXPECT_TRUE(log.isEmpty());
    wmp->finishOpening();
    EXPECT_EQ(log, QStringList({"failed broken.mp3: Broken.", "settled"}));
    EXPECT_EQ(hybrid.CurrentTrack, path("Good.mp3"));
    EXPECT_EQ(wmp->path(), path("Good.mp3"));
    EXPECT_EQ(wmp->position(), 30.0);
    EXPECT_FALSE(opener.busy());
}

TEST_F(OpenControllerTest, CommandsWaitForTheOpenAndRunInOrderAgainstTheNewTrack) {
    current("Good.wav", 10);
    wmp->opensAtOnce = false;
    QStringList ran;
    opener.open(path("Slow.mp3"));
    for (const char* c : {"first", "second", "third"}) {
        opener.whenSettled([&, c] {
            ran << QStringLiteral("%1 on %2").arg(QLatin1String(c), name(hybrid.CurrentTrack));
        });
    }
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(opener.heldCount(), 3u);
    wmp->finishOpening();
    EXPECT_EQ(ran, QStringList({"first on Slow.mp3", "second on Slow.mp3", "third on Slow.mp3"}));
    // Nothing held: a command runs at once.
    opener.whenSettled([&] { ran << "now"; });
    EXPECT_EQ(ran.last(), "now");
}

TEST_F(OpenControllerTest, HeldCommandsRunAfterAFailureAgainstTheTrackBroughtBack) {
    current("Good.mp3", 10);
    wmp->opensAtOnce = false;
    opener.open(path("Slow.mp3"));
    QStringList ran;
    opener.whenSettled([&] { ran << name(hybrid.CurrentTrack); });
    // The reload of the previous track is part of the open: commands wait for it too.
    wmp->abandonOpen("Gone.");
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_TRUE(opener.busy());
    wmp->finishOpening();
    EXPECT_EQ(ran, QStringList({"Good.mp3"}));
    EXPECT_EQ(wmp->position(), 10.0);
}

TEST_F(OpenControllerTest, AHeldCommandThatOpensATrackHoldsTheRestForThatOpen) {
    current("Good.wav", 10);
    wmp->opensAtOnce = false;
    opener.open(path("One.mp3"));
    QStringList ran;
    opener.whenSettled([&] { opener.open(path("Two.mp3")); });
    opener.whenSettled([&] { ran << name(hybrid.CurrentTrack); });
    wmp->finishOpening();
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_TRUE(opener.busy());
    wmp->finishOpening();
    EXPECT_EQ(ran, QStringList({"Two.mp3"}));
    // A command that throws ends alone.
    opener.whenSettled([] { throw RuntimeError(errOverflow, "Overflow"); });
    opener.whenSettled([&] { ran << "after"; });
    EXPECT_EQ(ran.last(), "after");
}

} // namespace
