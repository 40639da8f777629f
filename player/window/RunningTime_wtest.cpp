// The running time follows the active player: it ticks only while the track plays, jumps with
// a seek, and the about box opens from the menu and from the keypad's "?" button. Everything is
// driven by clicks on the real window with fake players.

#include "about/frmAbout.h"
#include "player/RehearsalRig.h"

#include <QApplication>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

#include <clocale>

class RunningTimeTest : public QObject {
    Q_OBJECT
    using Rig = RehearsalRig;

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        qputenv("XDG_CONFIG_HOME", QByteArray("/nonexistent-config-for-tests"));
    }

    void theTimeTicksOnlyWhilePlaying_data() {
        QTest::addColumn<QString>("track");
        QTest::newRow("MP3 through the media player") << "Song.mp3";
        QTest::newRow("WAV through the older player") << "Song.wav";
    }

    void theTimeTicksOnlyWhilePlaying() {
        QFETCH(QString, track);
        Rig r;
        QVERIFY(r.showActive());
        r.open(r.path(track));
        FakeMediaBackend& active = track.endsWith(".wav") ? r.mp() : r.wmp();
        QVERIFY(!r.w->tmrTime.isActive());

        QTest::mouseClick(r.w->cmdPlay, Qt::LeftButton);
        QVERIFY(r.w->tmrTime.isActive());
        active.advance(12.25);
        QTRY_COMPARE(r.w->lblCount->text(), QStringLiteral("00:12:25"));

        QTest::mouseClick(r.w->cmdPause, Qt::LeftButton);
        QVERIFY(!r.w->tmrTime.isActive());
        const QString paused = r.w->lblCount->text();
        active.advance(5);
        QTest::qWait(3 * r.w->tmrTime.interval());
        QCOMPARE(r.w->lblCount->text(), paused);

        QTest::mouseClick(r.w->cmdPlay, Qt::LeftButton);
        QVERIFY(r.w->tmrTime.isActive());
        QTest::mouseClick(r.w->cmdStop, Qt::LeftButton);
        QVERIFY(!r.w->tmrTime.isActive());
    }

    // A seek while paused shows its time at once, without waiting for playback to tick.
    void aSeekShowsItsTimeAtOnce_data() {
        QTest::addColumn<QString>("track");
        QTest::newRow("MP3") << "Song.mp3";
        QTest::newRow("WAV") << "Song.wav";
    }

    void aSeekShowsItsTimeAtOnce() {
        QFETCH(QString, track);
        Rig r;
        r.open(r.path(track));
        r.w->hybrid().setPosition(61.123);
        QCOMPARE(r.w->lblCount->text(), QStringLiteral("01:01:12"));
        QVERIFY(!r.w->tmrTime.isActive());
    }

    void theAboutBoxOpensFromTheMenuAndTheKeypad_data() {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("menu entry") << true;
        QTest::newRow("keypad ?") << false;
    }

    void theAboutBoxOpensFromTheMenuAndTheKeypad() {
        QFETCH(bool, fromMenu);
        Rig r;
        QVERIFY(r.showActive());
        QString title;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<frmAbout*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            title = box->windowTitle();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        if (fromMenu) {
            QMenuBar* bar = r.w->menuBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(r.w->mnuAbout).center());
        } else {
            QTest::mouseClick(&r.w->keypad->cmdMark(10), Qt::LeftButton);
        }
        QTRY_COMPARE(title, QStringLiteral("About Tavrel"));
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(RunningTimeTest)
#include "RunningTime_wtest.moc"
