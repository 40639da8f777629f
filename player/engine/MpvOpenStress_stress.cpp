// Opens WAV, MP3 and WMA tracks one after another on the real libmpv back end, the way the
// window opens a track: assign, wait until it plays, stop it, and read its length. Every
// open must know the length at that moment; a lost one leaves a track without title or marks.

#include "engine/MpvBackend.h"
#include "engine/OpenController.h"

#include "WavWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

QString encode(const QString& wav, const QString& out, const char* codec) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-loglevel", "error", "-y", "-i", wav, "-codec:a",
                                            QString::fromLatin1(codec), out});
    ffmpeg.waitForFinished(60000);
    return out;
}

int openCount() {
    const QByteArray n = qgetenv("TAVREL_STRESS_OPENS");
    return n.isEmpty() ? 1000 : n.toInt();
}

} // namespace

TEST(MpvOpenStress, EveryOpenedTrackKnowsItsLengthWhenItStartsPlaying) {
    QTemporaryDir dir;
    // Two lengths, so that consecutive tracks sometimes share one and sometimes do not.
    std::vector<QString> tracks;
    for (double seconds : {3.0, 4.5}) {
        const QString base = dir.filePath(QStringLiteral("tone%1").arg(tracks.size()));
        const QString wav = base + QStringLiteral(".wav");
        testmedia::writeSineWav(wav.toStdString(), seconds);
        tracks.push_back(wav);
        tracks.push_back(encode(wav, base + QStringLiteral(".mp3"), "libmp3lame"));
        tracks.push_back(encode(wav, base + QStringLiteral(".wma"), "wmav2"));
    }
    // WAV, MP3, WMA in turn; the second length every other round.
    const int order[] = {0, 1, 2, 3, 4, 5, 0, 4, 2, 3, 1, 5};

    MpvBackend backend(nullptr, {{"ao", "null"}});
    const int opens = openCount();
    int lost = 0;
    int failedOpens = 0;
    std::vector<qint64> openToReadyUs;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < opens; ++i) {
        const QString& path = tracks[order[i % std::size(order)]];
        QElapsedTimer clock;
        clock.start();
        backend.load(path);
        const QDeadlineTimer deadline(OpenController::kTimeLimitMs + 2000);
        while (backend.position() <= 0 && backend.state() != MediaBackend::State::Failed &&
               !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        openToReadyUs.push_back(clock.nsecsElapsed() / 1000);
        if (backend.state() == MediaBackend::State::Failed || backend.position() <= 0) {
            ++failedOpens;
            ADD_FAILURE() << "open " << i << " of " << path.toStdString()
                          << " did not start: " << backend.errorText().toStdString();
            continue;
        }
        backend.stop();
        if (backend.duration() <= 0) {
            ++lost;
            ADD_FAILURE() << "open " << i << " of " << path.toStdString() << " has no length";
        }
    }
    std::sort(openToReadyUs.begin(), openToReadyUs.end());
    const auto at = [&](double q) {
        return openToReadyUs[std::min(openToReadyUs.size() - 1,
                                      static_cast<size_t>(q * openToReadyUs.size()))] /
               1000.0;
    };
    std::printf("%d opens in %.1f s: %d without length, %d failed; open to playing median "
                "%.1f ms, p90 %.1f ms\n",
                opens, total.elapsed() / 1000.0, lost, failedOpens, at(0.5), at(0.9));
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(failedOpens, 0);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
