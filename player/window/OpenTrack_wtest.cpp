// Opening a track through the window's own controls: the wait for the track to start, an open
// that arrives during that wait, a track that cannot be played, and the running time when
// the component's own stop button is used.

#include "marks/Colours.h"
#include "player/RehearsalRig.h"
#include "window/MediaComponentView.h"
#include "window/PracticeTools.h"

#include <QToolButton>
#include <QtTest>

#include <sys/resource.h>

#include <clocale>

namespace {

double threadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

class OpenTrackTest : public QObject {
    Q_OBJECT
    using Rig = RehearsalRig;

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        qputenv("XDG_CONFIG_HOME", QByteArray("/nonexistent-config-for-tests"));
    }

    void theWaitForATrackToStartSleeps() {
        Rig r;
        r.wmp().opensAtOnce = false;
        r.platform.dialogFiles.push_back(r.path("Slow.mp3"));
        QTimer::singleShot(400, &r.wmp(), [&] { r.wmp().finishOpening(); });
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = threadCpuSeconds();
        QTest::mouseClick(r.w->cmdOpen, Qt::LeftButton);
        QTRY_COMPARE(r.w->lblTitle->text(), QStringLiteral("Slow"));
        const double cpu = threadCpuSeconds() - cpuBefore;
        const double waited = wall.elapsed() / 1000.0;
        QVERIFY(r.platform.messages.empty());
        // Spinning would burn about as much processor time as the wait lasted.
        QVERIFY2(cpu < 0.25 * waited, qPrintable(QStringLiteral("%1 s of processor time in a "
                                                                "%2 s wait")
                                                     .arg(cpu)
                                                     .arg(waited)));
    }

    void anOpenDuringTheWaitTakesOver_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("other component") << "Verse.mp3"
                                         << "Intro.wav";
        QTest::newRow("same component") << "Verse.mp3"
                                        << "Chorus.wma";
    }
    void anOpenDuringTheWaitTakesOver() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        Rig r;
        r.wmp().opensAtOnce = false;
        r.platform.dialogFiles.push_back(r.path(first));
        r.platform.dialogFiles.push_back(r.path(second));
        QTimer::singleShot(50, r.w, [&] {
            r.wmp().opensAtOnce = true;
            QTest::keyClick(r.w->cmdPlay, Qt::Key_F1);
        });
        QTest::mouseClick(r.w->cmdOpen, Qt::LeftButton);

        const bool secondOnWmp = !second.endsWith(".wav");
        FakeMediaBackend& shown = secondOnWmp ? r.wmp() : r.mp();
        QTRY_COMPARE(r.w->hybrid().CurrentTrack, r.path(second));
        QCOMPARE(r.w->hybrid().WmpActive, secondOnWmp);
        QCOMPARE(r.w->WMP1View->isHidden(), !secondOnWmp);
        QCOMPARE(shown.path(), r.path(second));
        QCOMPARE(r.w->lblTitle->text(), second.left(second.size() - 4));
        QCOMPARE(r.stored("system", "LastFile"), r.path(second));
        QVERIFY(r.platform.messages.empty());
        QVERIFY(!r.platform.waitCursor);
        // The first track never starts behind the second one's back.
        r.wmp().finishOpening();
        QVERIFY(r.wmp().state() != MediaBackend::State::Playing || secondOnWmp);

        QTest::mouseClick(r.w->cmdPlay, Qt::LeftButton);
        QVERIFY(r.platform.messages.empty());
        QCOMPARE(shown.state(), MediaBackend::State::Playing);
        QCOMPARE(shown.path(), r.path(second));
    }

    void aTrackThatCannotPlayLeavesTheWindowAsItWas_data() {
        QTest::addColumn<QString>("broken");
        QTest::newRow("same component") << "broken.wav";
        QTest::newRow("other component") << "broken.mp3";
        QTest::newRow("never starts") << "silent.wav";
    }
    void aTrackThatCannotPlayLeavesTheWindowAsItWas() {
        QFETCH(QString, broken);
        Rig r;
        const QString good = r.path("Good.wav");
        r.open(good);
        r.standAt(30);
        QTest::keyClick(r.w->cmdPlay, Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(r.colour(0), Colours::Yellow);
        r.standAt(42);
        const QString lineBefore = r.w->lblPosition->text();

        for (FakeMediaBackend* b : r.backends) {
            b->failLoadOf(r.path("broken.wav"), "Failed to recognize file format.");
        }
        r.wmp().failLoadOf(r.path("broken.mp3"), "Failed to recognize file format.");
        r.platform.dialogFiles.push_back(r.path(broken));
        QTimer::singleShot(0, r.w, [&] { r.mp().opensAtOnce = true; });
        if (broken == "silent.wav") {
            r.mp().opensAtOnce = false;
            r.w->opener().setTimeLimit(200);
        }
        QTest::keyClick(r.w->cmdPlay, Qt::Key_F1);

        QTRY_COMPARE(r.platform.messages.size(), size_t(1));
        QTRY_VERIFY(!r.w->opener().busy());
        QVERIFY(r.platform.messages[0].text.contains(broken));
        QCOMPARE(r.w->hybrid().CurrentTrack, good);
        QVERIFY(!r.w->hybrid().WmpActive);
        QVERIFY(!r.w->mp1View->isHidden());
        QVERIFY(r.w->WMP1View->isHidden());
        QCOMPARE(r.mp().path(), good);
        QCOMPARE(r.mp().position(), 42.0);
        QCOMPARE(r.w->lblTitle->text(), QStringLiteral("Good"));
        QCOMPARE(r.colour(0), Colours::Yellow);
        QCOMPARE(r.stored("system", "LastFile"), good);
        QCOMPARE(r.w->lblPosition->text(), lineBefore);
        QCOMPARE(r.practice().overviewTrack(), good);
        QVERIFY(!r.platform.waitCursor);

        // A mark set now belongs to the track still shown, and stays with it.
        QTest::keyClick(r.w->cmdPlay, Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(r.platform.messages.size(), size_t(1));
        QCOMPARE(r.stored(good, "1"), QStringLiteral("42"));
        r.open(r.path("Next.mp3"));
        QCOMPARE(r.colour(1), Colours::ButtonFace);
    }

    void aFailedFirstOpenLeavesNoTrack() {
        Rig r;
        r.mp().failLoadOf(r.path("broken.wav"), "Failed to recognize file format.");
        r.platform.dialogFiles.push_back(r.path("broken.wav"));
        QTest::keyClick(r.w->cmdPlay, Qt::Key_F1);
        QCOMPARE(r.platform.messages.size(), size_t(1));
        QVERIFY(r.w->hybrid().CurrentTrack.isEmpty());
        QTest::keyClick(r.w->cmdPlay, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(r.platform.messageTexts().last(), QStringLiteral("No File Chosen"));
        QTest::mouseClick(r.w->cmdPlay, Qt::LeftButton);
        QCOMPARE(r.platform.messageTexts().last(), QStringLiteral("Please Select A Track"));
    }

    void theComponentsOwnStopShowsTheStoppedTime_data() {
        QTest::addColumn<QString>("track");
        QTest::newRow("WMP1") << "Song.mp3";
        QTest::newRow("mp1") << "Song.wav";
    }
    void theComponentsOwnStopShowsTheStoppedTime() {
        QFETCH(QString, track);
        Rig r;
        r.open(r.path(track));
        QTest::mouseClick(r.w->cmdPlay, Qt::LeftButton);
        FakeMediaBackend& b = r.w->hybrid().WmpActive ? r.wmp() : r.mp();
        b.advance(42.3);
        QTRY_VERIFY(r.w->lblCount->text() != QStringLiteral("00:00:00"));
        MediaComponentView* view = r.w->hybrid().WmpActive ? r.w->WMP1View : r.w->mp1View;
        QTest::mouseClick(view->stopButton(), Qt::LeftButton);
        QCOMPARE(b.state(), MediaBackend::State::Stopped);
        QCOMPARE(r.w->lblCount->text(), QStringLiteral("00:00:00"));
    }
};

QTEST_MAIN(OpenTrackTest)
#include "OpenTrack_wtest.moc"
