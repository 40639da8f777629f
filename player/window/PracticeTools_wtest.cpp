// The practice tools on the real window with fake players: speed and transpose keys and
// controls, loop between marks, and the track overview behind the strip.

#include "engine/PracticeTempo.h"
#include "engine/WaveformOverview.h"
#include "marks/StripBackdrop.h"
#include "player/RehearsalRig.h"
#include "practice/LoopBetweenMarks.h"
#include "window/MediaComponentView.h"
#include "window/PracticeControls.h"
#include "window/PracticeTools.h"

#include "WavWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include <clocale>
#include <functional>

namespace {

struct KeyRow {
    const char* name;
    std::vector<int> keys;
    bool ctrl;
    int speed;
    int transpose;
};

// A WAV of `loud` seconds of tone followed by `quiet` seconds of silence.
void writeHalves(const QString& path, double loud, double quiet) {
    testmedia::WavFormat f;
    const auto tone = testmedia::sineData(f, loud, 440.0, 0.9);
    auto data = tone;
    data.resize(tone.size() + static_cast<size_t>(quiet * f.byteRate()), 0);
    testmedia::writeFile(path.toStdString(), testmedia::canonicalWav(f, data));
}

bool waitForOverview(PracticeTools& p, int ms = 20000) {
    QSignalSpy settled(&p, &PracticeTools::overviewSettled);
    return settled.count() > 0 || settled.wait(ms);
}

} // namespace

class PracticeToolsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void keysChangeSpeedAndTransposeOfBothComponents_data() {
        QTest::addColumn<int>("row");
        QTest::newRow("[ twice") << 0;
        QTest::newRow("] to the top") << 1;
        QTest::newRow("\\ back to 100") << 2;
        QTest::newRow("- and =") << 3;
        QTest::newRow("= past an octave") << 4;
        QTest::newRow("with Ctrl nothing") << 5;
        QTest::newRow("0 stays a mark key") << 6;
    }

    void keysChangeSpeedAndTransposeOfBothComponents() {
        static const KeyRow rows[] = {
            {"[", {vk::OemOpenBracket, vk::OemOpenBracket}, false, 90, 0},
            {"]", std::vector<int>(15, vk::OemCloseBracket), false, 150, 0},
            {"\\", {vk::OemOpenBracket, vk::OemBackslash}, false, 100, 0},
            {"- =", {vk::OemMinus, vk::OemMinus, vk::OemPlus}, false, 100, -1},
            {"=", std::vector<int>(14, vk::OemPlus), false, 100, 12},
            {"Ctrl", {vk::OemOpenBracket, vk::OemPlus}, true, 100, 0},
            {"0", {vk::Digit0}, false, 100, 0},
        };
        QFETCH(int, row);
        const KeyRow& r = rows[row];
        RehearsalRig rig;
        rig.open(rig.path("Song.mp3"));
        if (r.ctrl) {
            rig.keyPress(Qt::Key_Control);
        }
        for (int k : r.keys) {
            rig.press(k);
        }
        PracticeTempo& t = rig.practice().tempo();
        QCOMPARE(t.speedPercent(), r.speed);
        QCOMPARE(t.transpose(), r.transpose);
        for (FakeMediaBackend* b : rig.backends) {
            QCOMPARE(b->speed(), r.speed / 100.0);
            QCOMPARE(b->transpose(), r.transpose);
        }
        for (bool wmp : {true, false}) {
            PracticeControls* c = rig.practice().controlsOf(wmp);
            QCOMPARE(c->speedButton()->text(), PracticeTempo::speedText(r.speed));
            QCOMPARE(c->transposeButton()->text(), PracticeTempo::transposeText(r.transpose));
        }
    }

    void realKeyEventsReachThePracticeKeys() {
        RehearsalRig rig;
        rig.open(rig.path("Song.mp3"));
        for (int qtKey : {Qt::Key_BracketRight, Qt::Key_BracketRight, Qt::Key_Equal}) {
            QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
            QApplication::sendEvent(rig.w->cmdPlay, &press);
            QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier);
            QApplication::sendEvent(rig.w->cmdPlay, &release);
        }
        QCOMPARE(rig.practice().tempo().speedPercent(), 110);
        QCOMPARE(rig.practice().tempo().transpose(), 1);
    }

    void controlsStepAndResetAndStopAtTheEnds() {
        RehearsalRig rig;
        rig.open(rig.path("Song.mp3"));
        PracticeControls* c = rig.practice().controlsOf(true);
        PracticeTempo& t = rig.practice().tempo();
        for (int i = 0; i < 12; ++i) {
            c->slowerButton()->click();
        }
        QCOMPARE(t.speedPercent(), 50);
        QVERIFY(!c->slowerButton()->isEnabled());
        c->upButton()->click();
        c->upButton()->click();
        QCOMPARE(rig.wmp().transpose(), 2);
        c->speedButton()->click();
        c->transposeButton()->click();
        QCOMPARE(t.speedPercent(), 100);
        QCOMPARE(t.transpose(), 0);
        // The controls sit in the component's row, right after the time of the seek bar.
        QVERIFY(c->isVisibleTo(rig.w->WMP1View));
        QVERIFY(c->geometry().left() > rig.w->WMP1View->timeLabel()->geometry().right());
        QVERIFY(c->geometry().right() < rig.w->WMP1View->volumeSlider()->geometry().left());
    }

    void openingATrackTakesItsOwnSpeedAndTransposition() {
        RehearsalRig rig;
        rig.open(rig.path("One.mp3"));
        rig.press(vk::OemOpenBracket);
        rig.press(vk::OemOpenBracket);
        rig.press(vk::OemPlus);
        QCOMPARE(rig.wmp().speed(), 0.9);
        // A track never set opens at 100 % and 0.
        rig.open(rig.path("Two.wav"));
        QCOMPARE(rig.practice().tempo().speedPercent(), 100);
        QCOMPARE(rig.mp().speed(), 1.0);
        QCOMPARE(rig.mp().transpose(), 0);
        // The running time stays the track's own time at any speed.
        rig.press(vk::OemOpenBracket);
        rig.w->mp1->Play();
        rig.mp().advance(61.25);
        QCOMPARE(rig.mp().position(), 61.25);
        rig.w->tmrTime_Timer();
        QCOMPARE(rig.w->lblCount->text(), QStringLiteral("01:01:25"));
    }

    // Marks 1 and 2 at 2 s and 5 s, mark 1 gone to, playing.
    static void standAtLoopStart(RehearsalRig& rig, const QString& track) {
        rig.open(track);
        rig.standAt(2);
        rig.ctrlClick(0);
        rig.standAt(5);
        rig.ctrlClick(1);
        rig.platform.inputs = {QStringLiteral("chorus")};
        rig.w->marks().cmdMark_MouseUp(0, 2);
        rig.press('1');
        rig.w->WMP1->controls().play();
    }

    void loopTurnsBackAtTheNextMarkUntilEnded() {
        RehearsalRig rig;
        const QString track = rig.path("Loop.mp3");
        standAtLoopStart(rig, track);
        LoopBetweenMarks& loop = rig.practice().loop();
        rig.press(vk::KeyL);
        QVERIFY(loop.active());
        QVERIFY(rig.wmp().looping());
        QCOMPARE(rig.wmp().loopFrom(), 2.0);
        QCOMPARE(rig.wmp().loopTo(), 5.0);
        QVERIFY(rig.practice().controlsOf(true)->loopButton()->isChecked());
        // The shading runs from line 1 to line 2.
        const int16_t scale = rig.w->marks().model().stripScale();
        QCOMPARE(rig.w->strip().linMark(0).x1(), int16_t(2 * scale));
        int turns = 0;
        std::vector<double> seen;
        for (int i = 0; i < 40; ++i) {
            const double before = rig.wmp().position();
            rig.wmp().advance(0.25);
            seen.push_back(rig.wmp().position());
            if (rig.wmp().position() < before) {
                ++turns;
                QCOMPARE(rig.w->lblNote->text(), QStringLiteral("chorus"));
            }
            // Focus moving over the keypad shows other notes; the loop brings its own back.
            rig.w->lblNote->setText(QStringLiteral("other"));
        }
        QVERIFY(turns >= 2);
        QVERIFY(*std::min_element(seen.begin(), seen.end()) >= 2.0);
        QVERIFY(*std::max_element(seen.begin(), seen.end()) < 5.0);
        // L again ends it.
        rig.press(vk::KeyL);
        QVERIFY(!loop.active());
        QVERIFY(!rig.wmp().looping());
        QVERIFY(!rig.practice().controlsOf(true)->loopButton()->isChecked());
    }

    void loopEndsOnGoToStopAndOpen_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("go to mark 2") << 0;
        QTest::newRow("STOP") << 1;
        QTest::newRow("Escape") << 2;
        QTest::newRow("opening a track") << 3;
        QTest::newRow("the loop button") << 4;
        QTest::newRow("going to mark 1 again keeps it") << 5;
        QTest::newRow("pausing keeps it") << 6;
    }

    void loopEndsOnGoToStopAndOpen() {
        QFETCH(int, how);
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        rig.press(vk::KeyL);
        QVERIFY(rig.wmp().looping());
        switch (how) {
        case 0:
            rig.press('2');
            break;
        case 1:
            rig.w->cmdStop_Click();
            break;
        case 2:
            rig.press(vk::Escape);
            break;
        case 3:
            rig.open(rig.path("Other.mp3"));
            break;
        case 4:
            rig.practice().controlsOf(true)->loopButton()->click();
            break;
        case 5:
            rig.press('1');
            break;
        case 6:
            rig.w->cmdPause_Click();
            break;
        }
        const bool kept = how >= 5;
        QCOMPARE(rig.practice().loop().active(), kept);
        QCOMPARE(rig.wmp().looping(), kept);
    }

    void loopFollowsItsMarks() {
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        rig.press(vk::KeyL);
        LoopBetweenMarks& loop = rig.practice().loop();
        struct Change {
            const char* what;
            std::function<void()> act;
            double from;
            double to;
        };
        const Change changes[] = {
            {"end nudged ahead", [&] { rig.w->marks().cmdNudge_MouseUp(1, 2); }, 2, 6},
            {"start nudged back", [&] { rig.w->marks().cmdNudge_MouseUp(0, 1); }, 1, 6},
            {"a mark set inside",
             [&] {
                 rig.standAt(3.5);
                 rig.ctrlClick(2);
             },
             1, 3.5},
            {"the end cleared", [&] { rig.altClick(2); }, 1, 6},
            {"the last end cleared", [&] { rig.altClick(1); }, 1, 245.3},
        };
        for (const Change& c : changes) {
            c.act();
            loop.followMarks();
            QVERIFY2(loop.active(), c.what);
            QCOMPARE(rig.wmp().loopFrom(), c.from);
            QCOMPARE(rig.wmp().loopTo(), c.to);
        }
        rig.altClick(0);
        loop.followMarks();
        QVERIFY(!loop.active());
        QVERIFY(!rig.wmp().looping());
    }

    void loopWithoutALaterMarkRunsToTheEndOfTheTrack() {
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        rig.press('2');
        rig.press(vk::KeyL);
        QCOMPARE(rig.wmp().loopFrom(), 5.0);
        QCOMPARE(rig.wmp().loopTo(), 245.3);
        QCOMPARE(rig.practice().loop().endMark(), -1);
    }

    void loopNeedsACurrentMark() {
        RehearsalRig rig;
        rig.open(rig.path("Loop.mp3"));
        rig.press(vk::KeyL);
        QVERIFY(!rig.practice().loop().active());
        rig.standAt(3);
        rig.ctrlClick(4);
        rig.keyPress(Qt::Key_Alt);
        rig.press('5');
        rig.keyRelease(Qt::Key_Alt, Qt::AltModifier);
        rig.press(vk::KeyL);
        QVERIFY(!rig.wmp().looping());
    }

    void loopedStretchIsShadedBehindTheLines() {
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        rig.press(vk::KeyL);
        const QImage shot = rig.w->picMarker->grab().toImage();
        const int x1 = rig.w->strip().linMark(0).x1() / 15,
                  x2 = rig.w->strip().linMark(1).x1() / 15;
        const int y = rig.practice().backdrop().band().center().y();
        const QColor inside = shot.pixelColor(QPoint((x1 + x2) / 2, y));
        const QColor outside = shot.pixelColor(QPoint(x2 + 20, y));
        QVERIFY2(inside != outside, qPrintable(inside.name() + " " + outside.name()));
        QVERIFY(inside.blue() > inside.red());
        rig.press(vk::KeyL);
        const QImage after = rig.w->picMarker->grab().toImage();
        QCOMPARE(after.pixelColor(QPoint((x1 + x2) / 2, y)), outside);
    }

    void overviewShowsLoudAndSilentHalvesWhereTheyAre() {
        RehearsalRig rig;
        const QString track = rig.path("Halves.wav");
        writeHalves(track, 10, 10);
        for (FakeMediaBackend* b : rig.backends) {
            b->setDurationFor(track, 20.0);
        }
        rig.open(track);
        QVERIFY(waitForOverview(rig.practice()));
        StripBackdrop& backdrop = rig.practice().backdrop();
        QVERIFY(backdrop.hasOverview());
        const QImage shot = rig.w->picMarker->grab().toImage();
        const QRect band = backdrop.band();
        // Near the top of the band: the envelope of the loud half, the panel's white in the
        // silent one.
        const int y = band.top() + 3;
        const QColor wave = QColor::fromRgba(StripBackdrop::kWave);
        const double mid = backdrop.xOfTime(10.0);
        int loud = 0, quiet = 0;
        for (int x = 10; x < int(mid) - 4; ++x) {
            loud += shot.pixelColor(x, y) == wave;
        }
        for (int x = int(mid) + 4; x < int(backdrop.xOfTime(20.0)) - 2; ++x) {
            quiet += shot.pixelColor(x, y) == wave;
        }
        QVERIFY2(loud > 0.9 * (mid - 14), qPrintable(QString::number(loud)));
        QCOMPARE(quiet, 0);
        // The lines stay on top of it.
        rig.standAt(5);
        rig.ctrlClick(2);
        const QImage withMark = rig.w->picMarker->grab().toImage();
        const int lineX = rig.w->strip().linMark(2).x1() / 15;
        QVERIFY(withMark.pixelColor(lineX, y) != wave);
    }

    void overviewComesFromTheCacheUntilTheFileChanges() {
        RehearsalRig rig;
        const QString track = rig.path("Cached.wav");
        writeHalves(track, 2, 2);
        rig.open(track);
        QVERIFY(waitForOverview(rig.practice()));
        WaveformOverview& overview = rig.practice().overview();
        QVERIFY(QFile::exists(overview.cache().entryFile(track)));
        QSignalSpy ready(&overview, &WaveformOverview::ready);
        rig.open(track);
        QCOMPARE(ready.count(), 1);
        QCOMPARE(ready.at(0).at(2).toBool(), true);
        // The same path with other sound in it is decoded again.
        writeHalves(track, 1, 3);
        rig.open(track);
        QVERIFY(ready.count() == 2 || ready.wait(10000));
        QCOMPARE(ready.at(1).at(2).toBool(), false);
    }

    void undecodableTrackShowsNoOverview() {
        RehearsalRig rig;
        const QString track = rig.path("Broken.mp3");
        QFile f(track);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
        f.close();
        rig.open(track);
        QVERIFY(waitForOverview(rig.practice()));
        QVERIFY(!rig.practice().backdrop().hasOverview());
        QCOMPARE(rig.w->lblTitle->text(), QStringLiteral("Broken"));
    }

    void longTrackOverviewLeavesTheWindowResponsive() {
        RehearsalRig rig;
        const QString track = rig.path("Hour.mp3");
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                      "sine=frequency=440:sample_rate=16000:duration=3600", "-ac", "1", "-b:a",
                      "16k", track});
        QVERIFY(ffmpeg.waitForFinished(240000));
        for (FakeMediaBackend* b : rig.backends) {
            b->setDurationFor(track, 3600.0);
        }
        rig.open(track);
        WaveformOverview& overview = rig.practice().overview();
        QVERIFY(overview.computing());
        // While it is worked out, the window keeps handling timers and keys.
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(5);
        bool keyHandledWhileComputing = false;
        QSignalSpy settled(&rig.practice(), &PracticeTools::overviewSettled);
        for (int i = 0; i < 2000 && settled.isEmpty(); ++i) {
            if (overview.computing() && !keyHandledWhileComputing) {
                rig.press(vk::OemCloseBracket);
                keyHandledWhileComputing = rig.practice().tempo().speedPercent() == 105;
            }
            QTest::qWait(20);
        }
        QVERIFY(!settled.isEmpty());
        QVERIFY(keyHandledWhileComputing);
        QVERIFY(ticks > 10);
        QVERIFY(rig.practice().backdrop().hasOverview());
    }
};

QTEST_MAIN(PracticeToolsTest)
#include "PracticeTools_wtest.moc"
