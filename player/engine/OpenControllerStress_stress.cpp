// Opens tracks through the open controller on two real libmpv back ends, over and over: a
// track that starts, one taken over by another before it started, and one that cannot be
// played. A command handed in while each open is under way must run once, after it, against
// the track then current; the track left must never play on.

#include "engine/MediaPlayer.h"
#include "engine/MpvBackend.h"
#include "engine/OpenController.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modHybrid.h"
#include "player/RecordingPlatform.h"

#include "WavWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

namespace {

using State = MediaBackend::State;

int rounds() {
    const QByteArray n = qgetenv("TAVREL_STRESS_ROUNDS");
    return n.isEmpty() ? 200 : n.toInt();
}

struct Player {
    Player()
        : WMP1(std::make_unique<MpvBackend>(nullptr, MpvBackend::Options{{"ao", "null"}})),
          mp1(std::make_unique<MpvBackend>(nullptr, MpvBackend::Options{{"ao", "null"}})),
          hybrid(WMP1, mp1, platform), opener(hybrid, WMP1, mp1) {
        QObject::connect(&opener, &OpenController::opened,
                         [this](const QString& p) { outcomes << QStringLiteral("opened ") + p; });
        QObject::connect(&opener, &OpenController::failed,
                         [this](const QString& p) { outcomes << QStringLiteral("failed ") + p; });
    }
    // Hands in a command that notes the track it ran against, then waits for the open to end.
    bool settle() {
        opener.whenSettled([this] { ran << hybrid.CurrentTrack; });
        const QDeadlineTimer deadline(OpenController::kTimeLimitMs + 5000);
        while (opener.holding() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return !opener.holding();
    }

    RecordingPlatform platform;
    WindowsMediaPlayer WMP1;
    MediaPlayer mp1;
    modHybrid hybrid;
    OpenController opener;
    QStringList outcomes;
    QStringList ran;
};

} // namespace

TEST(OpenControllerStress, EveryCommandHandedInDuringAnOpenActsOnTheTrackThatOpened) {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("one.wav"));
    testmedia::writeSineWav(wav.toStdString(), 4.0);
    const QString mp3 = dir.filePath(QStringLiteral("two.mp3"));
    const QString wma = dir.filePath(QStringLiteral("three.wma"));
    for (const auto& [out, codec] : {std::pair{mp3, "libmp3lame"}, std::pair{wma, "wmav2"}}) {
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), {"-loglevel", "error", "-y", "-i", wav, "-codec:a",
                                                QString::fromLatin1(codec), out});
        ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    }
    const QString broken = dir.filePath(QStringLiteral("notes.wav"));
    QFile text(broken);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(4096, 'x'));
    text.close();

    Player p;
    int misapplied = 0;
    int playingBehind = 0;
    int wrongOutcome = 0;
    QElapsedTimer total;
    total.start();
    const int n = rounds();
    for (int i = 0; i < n; ++i) {
        // A track that starts.
        p.outcomes.clear();
        p.ran.clear();
        p.opener.open(wav);
        ASSERT_TRUE(p.settle()) << "round " << i << ": the open of one.wav never ended";
        wrongOutcome += p.outcomes != QStringList{QStringLiteral("opened ") + wav};
        misapplied += p.ran != QStringList{wav};
        EXPECT_GT(p.mp1.Duration(), 0.0);
        p.hybrid.PlayTrack();

        // Taken over before it started, by a track of the same component.
        p.outcomes.clear();
        p.ran.clear();
        p.opener.open(mp3);
        p.opener.whenSettled([&] { p.ran << p.hybrid.CurrentTrack; });
        p.opener.open(wma);
        ASSERT_TRUE(p.settle()) << "round " << i << ": the open of three.wma never ended";
        wrongOutcome += p.outcomes != QStringList{QStringLiteral("opened ") + wma};
        misapplied += p.ran != QStringList({wma, wma});
        playingBehind += p.mp1.backend().state() == State::Playing;

        // A file that cannot be played: three.wma comes back.
        p.outcomes.clear();
        p.ran.clear();
        p.opener.open(broken);
        ASSERT_TRUE(p.settle()) << "round " << i << ": the open of notes.wav never ended";
        wrongOutcome += p.outcomes != QStringList{QStringLiteral("failed ") + broken};
        misapplied += p.ran != QStringList{wma};
        EXPECT_TRUE(p.hybrid.WmpActive);
        playingBehind += p.mp1.backend().state() == State::Playing;
    }
    std::printf("%d rounds of three opens in %.1f s: %d outcomes wrong, %d commands misapplied, "
                "%d tracks left playing\n",
                n, total.elapsed() / 1000.0, wrongOutcome, misapplied, playingBehind);
    EXPECT_EQ(wrongOutcome, 0);
    EXPECT_EQ(misapplied, 0);
    EXPECT_EQ(playingBehind, 0);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
