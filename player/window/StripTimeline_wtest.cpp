// The mark strip as the track's timeline, on the real window with fake players: the playhead
// drawn where the track plays and beneath the mark lines, the played part of the overview,
// clicks on the free strip seeking and clicks on marks not, and the clock that carries the
// playhead between readings of the engine.

#include "marks/StripBackdrop.h"
#include "player/RehearsalRig.h"
#include "window/PlayheadClock.h"
#include "window/PracticeTools.h"
#include "window/StripTimeline.h"

#include "WavWriter.h"

#include <QToolTip>
#include <QtTest>

#include <clocale>
#include <memory>

namespace {

// A clock that moves only when the test moves it.
struct ManualTime {
    std::shared_ptr<qint64> ns = std::make_shared<qint64>(0);
    PlayheadClock clock() const {
        auto t = ns;
        return PlayheadClock([t] { return *t; });
    }
    void pass(double seconds) { *ns += qint64(seconds * 1e9); }
};

void writeTone(const QString& path, double seconds) {
    testmedia::WavFormat f;
    testmedia::writeFile(path.toStdString(),
                         testmedia::canonicalWav(f, testmedia::sineData(f, seconds, 440.0, 0.9)));
}

// Columns of a row of the strip painted in the given colour.
QList<int> columnsOf(const QImage& shot, int y, QRgb colour) {
    QList<int> xs;
    for (int x = 0; x < shot.width(); ++x) {
        if (shot.pixel(x, y) == colour) {
            xs << x;
        }
    }
    return xs;
}

// The window shown, so clicks go through the window's own hit testing.
void show(RehearsalRig& rig) {
    rig.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.w));
}

void clickStrip(RehearsalRig& rig, QPoint atPicMarker, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint p = rig.w->picMarker->mapTo(rig.w, atPicMarker);
    QTest::mouseClick(rig.w->windowHandle(), button, {}, p);
}

} // namespace

class StripTimelineTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void clockCarriesThePositionBetweenReadings_data() {
        QTest::addColumn<QList<double>>("steps"); // pairs: seconds passed, engine's reading
        QTest::addColumn<bool>("playing");
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("expected");
        // Readings every 0.1 s unless said otherwise; the first pair starts the clock.
        QTest::newRow("paused stays") << QList<double>{0, 12, 5, 12} << false << 1.0 << 12.0;
        QTest::newRow("plays on between readings")
            << QList<double>{0, 10, 0.5, -1} << true << 1.0 << 10.5;
        QTest::newRow("at half speed") << QList<double>{0, 10, 1, -1} << true << 0.5 << 10.5;
        QTest::newRow("engine a little ahead: taken up in part")
            << QList<double>{0, 10, 0.1, 10.2} << true << 1.0 << 10.13;
        QTest::newRow("engine a little behind: never backwards")
            << QList<double>{0, 10, 0.1, 10.0} << true << 1.0 << 10.1;
        QTest::newRow("behind: catches up at half speed")
            << QList<double>{0, 10, 0.1, 10.0, 0.1, -1} << true << 1.0 << 10.15;
        QTest::newRow("a seek is a jump") << QList<double>{0, 10, 0.1, 42} << true << 1.0 << 42.0;
        QTest::newRow("a loop back is a jump")
            << QList<double>{0, 30, 0.1, 20} << true << 1.0 << 20.0;
        QTest::newRow("nonsense reading") << QList<double>{0, qQNaN()} << false << 1.0 << 0.0;
    }

    void clockCarriesThePositionBetweenReadings() {
        QFETCH(QList<double>, steps);
        QFETCH(bool, playing);
        QFETCH(double, speed);
        QFETCH(double, expected);
        ManualTime t;
        PlayheadClock clock = t.clock();
        for (qsizetype i = 0; i + 1 < steps.size(); i += 2) {
            t.pass(steps[i]);
            if (steps[i + 1] >= 0 || qIsNaN(steps[i + 1])) {
                clock.sample(steps[i + 1], playing, speed);
            }
        }
        QVERIFY2(qAbs(clock.position() - expected) < 1e-6,
                 qPrintable(QString::number(clock.position(), 'f', 6)));
    }

    void clockTextOfTheStripEnds_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << 0.0 << false << "0:00";
        QTest::newRow("whole seconds cut") << 65.99 << false << "1:05";
        QTest::newRow("tenths") << 65.99 << true << "1:05.9";
        QTest::newRow("hours") << 3725.0 << false << "1:02:05";
        QTest::newRow("negative") << -3.0 << false << "0:00";
        QTest::newRow("not a number") << qQNaN() << true << "0:00.0";
    }

    void clockTextOfTheStripEnds() {
        QFETCH(double, seconds);
        QFETCH(bool, tenths);
        QFETCH(QString, text);
        QCOMPARE(StripTimeline::clockText(seconds, tenths), text);
    }

    void playheadMovesWithThePlayingTrackBeneathTheMarkLines() {
        RehearsalRig rig;
        const QString track = rig.path("Tone.wav");
        writeTone(track, 60);
        for (FakeMediaBackend* b : rig.backends) {
            b->setDurationFor(track, 60.0);
        }
        rig.open(track);
        QSignalSpy settled(&rig.practice(), &PracticeTools::overviewSettled);
        QVERIFY(settled.count() > 0 || settled.wait(20000));
        StripTimeline& timeline = rig.practice().timeline();
        StripBackdrop& backdrop = rig.practice().backdrop();
        ManualTime t;
        timeline.setClock(t.clock());
        const int scale = rig.w->marks().model().stripScale(); // 11040 / 60 = 184 twips a second
        QCOMPARE(scale, 184);

        rig.w->cmdPlay_Click();
        rig.w->hybrid().setPosition(20.0);
        QCoreApplication::processEvents();
        QVERIFY(timeline.animating());
        const int row = backdrop.band().bottom() - 2;
        const int x20 = qRound(20.0 * scale / 15);
        QImage shot = rig.w->picMarker->grab().toImage();
        QCOMPARE(columnsOf(shot, row, StripTimeline::kPlayhead), (QList<int>{x20 - 1, x20}));
        // The played part of the overview is drawn apart from the rest.
        const int mid = backdrop.band().center().y();
        QCOMPARE(shot.pixel(x20 - 20, mid), StripBackdrop::kWavePlayed);
        QCOMPARE(shot.pixel(x20 + 20, mid), StripBackdrop::kWave);

        // Two seconds on: the playhead has moved right, carried on by the clock alone.
        t.pass(2.0);
        rig.wmp().advance(2.0);
        QTRY_VERIFY(timeline.playheadX() > x20);
        const int x22 = qRound(22.0 * scale / 15);
        shot = rig.w->picMarker->grab().toImage();
        QCOMPARE(columnsOf(shot, row, StripTimeline::kPlayhead), (QList<int>{x22 - 1, x22}));
        QCOMPARE(shot.pixel(x20 + 20, mid), StripBackdrop::kWavePlayed);

        // A mark set where the playhead is: its line covers the playhead completely.
        rig.w->cmdPause_Click();
        rig.standAt(22.0);
        rig.ctrlClick(3);
        QVERIFY(!timeline.animating());
        shot = rig.w->picMarker->grab().toImage();
        QCOMPARE(qRound(rig.w->strip().linMark(3).x1() / 15.0), x22);
        QVERIFY(columnsOf(shot, row, StripTimeline::kPlayhead).isEmpty());
        QVERIFY(qGray(shot.pixel(x22, row)) < 60);
        QVERIFY(qGray(shot.pixel(x22 - 1, row)) < 60);
        // Paused, it stays where the track stands.
        QCOMPARE(timeline.playheadX(), double(x22));
    }

    void clicksOnTheFreeStripSeekAndOnMarksDoNot_data() {
        QTest::addColumn<bool>("playing");
        QTest::newRow("paused") << false;
        QTest::newRow("playing") << true;
    }

    void clicksOnTheFreeStripSeekAndOnMarksDoNot() {
        QFETCH(bool, playing);
        RehearsalRig rig;
        show(rig);
        rig.open(rig.path("Song.mp3")); // 245.3 s: 45 twips a second, 3 pixels
        rig.standAt(30.0);
        rig.ctrlClick(0);
        if (playing) {
            rig.w->cmdPlay_Click();
        }
        StripTimeline& timeline = rig.practice().timeline();
        const double before = rig.wmp().position();

        // On the free strip, below the title band and clear of the mark.
        const QPoint free(400, 110);
        clickStrip(rig, free);
        QTRY_VERIFY(qAbs(rig.wmp().position() - timeline.timeAt(free.x())) < 0.05);
        QVERIFY(qAbs(rig.wmp().position() - 400 * 15 / 45.0) < 0.05);
        QCOMPARE(rig.w->WMP1->isPlaying(), playing);

        // On mark 1's nudge button: nudged back a second, the position untouched.
        const double at = rig.wmp().position();
        const QRect nudge = rig.w->strip().cmdNudge(0).geometry();
        clickStrip(rig, nudge.center());
        QTRY_COMPARE(rig.stored(rig.path("Song.mp3"), "0").toDouble(), 29.0);
        QVERIFY(qAbs(rig.wmp().position() - at) < 0.5);
        // On its number label: nothing seeks either.
        clickStrip(rig, rig.w->strip().lblMark(0).geometry().center());
        QTest::qWait(50);
        QVERIFY(qAbs(rig.wmp().position() - at) < 0.5);
        QVERIFY(qAbs(rig.wmp().position() - before) > 5);
    }

    void clickWithoutATrackOrWithTheRightButtonDoesNothing() {
        RehearsalRig rig;
        show(rig);
        clickStrip(rig, QPoint(400, 110));
        QVERIFY(rig.wmp().seeks.empty());
        const QString track = rig.path("Long.mp3");
        rig.wmp().setDurationFor(track, 600.0); // 18 twips a second: the strip runs on past it
        rig.open(track);
        const auto seeks = rig.wmp().seeks.size();
        clickStrip(rig, QPoint(400, 110), Qt::RightButton);
        QCOMPARE(rig.wmp().seeks.size(), seeks);
        // Past the track's end on the strip: the end of the track, no further.
        clickStrip(rig, QPoint(rig.w->picMarker->width() - 2, 110));
        QTRY_VERIFY(qAbs(rig.wmp().position() - 600.0) < 0.05);
    }

    void hoverShowsTheTimeUnderThePointer() {
        RehearsalRig rig;
        show(rig);
        rig.open(rig.path("Song.mp3"));
        const QPoint at = rig.w->picMarker->mapTo(rig.w, QPoint(400, 110));
        QTest::mouseMove(rig.w->windowHandle(), at);
        QTest::mouseMove(rig.w->windowHandle(), at + QPoint(0, 1));
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 3000);
        QCOMPARE(QToolTip::text(), StripTimeline::clockText(400 * 15 / 45.0, true));
    }
};

QTEST_MAIN(StripTimelineTest)
#include "StripTimeline_wtest.moc"
