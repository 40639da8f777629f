// Loop practice on the real window with fake players: speed and transposition kept per track,
// the lead-in, the breath between passes with a clock the test moves, the speed trainer, and
// the practice panel.

#include "engine/PracticeTempo.h"
#include "marks/StripBackdrop.h"
#include "player/RehearsalRig.h"
#include "practice/LoopBetweenMarks.h"
#include "practice/PracticeSession.h"
#include "window/PracticeControls.h"
#include "window/PracticePanel.h"
#include "window/PracticeTools.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <clocale>

namespace {

// Marks 1 and 2 at 2 s and 5 s, mark 1 gone to, playing.
void standAtLoopStart(RehearsalRig& rig, const QString& track) {
    rig.open(track);
    rig.standAt(2);
    rig.ctrlClick(0);
    rig.standAt(5);
    rig.ctrlClick(1);
    rig.press('1');
    rig.w->WMP1->controls().play();
}

// Sets a box of the panel by typing into it, as a user would.
void typeInto(QSpinBox* box, int value) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
    QTest::keyClick(box, Qt::Key_Return);
}

// Plays until the loop turns back; the position the pass starts at.
double playToNextPass(FakeMediaBackend& b) {
    for (int i = 0; i < 1000; ++i) {
        const double before = b.position();
        b.advance(0.25);
        if (b.position() < before) {
            return b.position();
        }
    }
    return -1;
}

} // namespace

class PracticeSessionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void speedAndTranspositionAreKeptPerTrack() {
        RehearsalRig rig;
        const QString one = rig.path("One.mp3");
        rig.open(one);
        rig.standAt(2);
        rig.ctrlClick(0);
        const QString mark = rig.stored(one, "0");
        rig.press(vk::OemOpenBracket);
        rig.press(vk::OemOpenBracket);
        rig.press(vk::OemMinus);
        QCOMPARE(rig.stored(one, "Speed"), QStringLiteral("90"));
        QCOMPARE(rig.stored(one, "Transpose"), QStringLiteral("-1"));
        rig.open(rig.path("Two.mp3"));
        QCOMPARE(rig.wmp().speed(), 1.0);
        QCOMPARE(rig.stored(rig.path("Two.mp3"), "Speed"), QStringLiteral("<none>"));
        rig.press(vk::OemCloseBracket);
        rig.open(one);
        QCOMPARE(rig.practice().tempo().speedPercent(), 90);
        QCOMPARE(rig.wmp().speed(), 0.9);
        QCOMPARE(rig.wmp().transpose(), -1);
        QCOMPARE(rig.practice().controlsOf(true)->speedButton()->text(), QStringLiteral("90%"));
        // The marks of the track stay as they were.
        QCOMPARE(rig.stored(one, "0"), mark);
        QCOMPARE(rig.stored(one, "1"), QStringLiteral("<none>"));
        // A reset by key or by a click on the value is kept too.
        rig.press(vk::OemBackslash);
        rig.practice().controlsOf(true)->transposeButton()->click();
        QCOMPARE(rig.stored(one, "Speed"), QStringLiteral("100"));
        QCOMPARE(rig.stored(one, "Transpose"), QStringLiteral("0"));
        rig.open(rig.path("Two.mp3"));
        QCOMPARE(rig.practice().tempo().speedPercent(), 105);
        rig.open(one);
        QCOMPARE(rig.practice().tempo().speedPercent(), 100);
        QCOMPARE(rig.stored(one, "0"), mark);
    }

    void keptSettingsSurviveARestartAndBadValuesAreHeld_data() {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("transpose");
        QTest::addColumn<QString>("leadIn");
        QTest::addColumn<int>("wantSpeed");
        QTest::addColumn<int>("wantTranspose");
        QTest::addColumn<int>("wantLeadIn");
        QTest::newRow("plain") << "75"
                               << "3"
                               << "2" << 75 << 3 << 2;
        QTest::newRow("not numbers") << "fast"
                                     << ""
                                     << "x" << 100 << 0 << 0;
        QTest::newRow("out of range") << "999"
                                      << "-40"
                                      << "99" << 150 << -12 << 10;
        QTest::newRow("off the steps") << "72"
                                       << "+2"
                                       << "-3" << 70 << 2 << 0;
    }

    void keptSettingsSurviveARestartAndBadValuesAreHeld() {
        QFETCH(QString, speed);
        QFETCH(QString, transpose);
        QFETCH(QString, leadIn);
        QTemporaryDir dir;
        const QString storeFile = dir.filePath("settings.db");
        const QString track = dir.filePath("Song.mp3");
        {
            RehearsalRig rig(storeFile);
            rig.open(track);
            rig.store->write("Tavrel", track, "Speed", speed);
            rig.store->write("Tavrel", track, "Transpose", transpose);
            rig.store->write("Tavrel", track, "LeadIn", leadIn);
        }
        RehearsalRig rig(storeFile);
        rig.open(track);
        QTEST(rig.practice().tempo().speedPercent(), "wantSpeed");
        QTEST(rig.wmp().transpose(), "wantTranspose");
        QTEST(rig.practice().session().settings().leadIn, "wantLeadIn");
    }

    void leadInStartsEveryPassBeforeTheStartMark_data() {
        QTest::addColumn<int>("leadIn");
        QTest::addColumn<double>("passStart");
        QTest::newRow("none") << 0 << 2.0;
        QTest::newRow("1 s") << 1 << 1.0;
        QTest::newRow("not before 0") << 5 << 0.0;
    }

    void leadInStartsEveryPassBeforeTheStartMark() {
        QFETCH(int, leadIn);
        QFETCH(double, passStart);
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        rig.press(vk::KeyP);
        PracticePanel& panel = rig.practice().panel();
        QVERIFY(panel.isVisible());
        typeInto(panel.leadInBox(), leadIn);
        QCOMPARE(rig.practice().session().settings().leadIn, leadIn);
        rig.press(vk::KeyL);
        QCOMPARE(rig.wmp().loopFrom(), passStart);
        QCOMPARE(rig.wmp().loopTo(), 5.0);
        // The first pass hears its lead-in too.
        if (leadIn > 0) {
            QCOMPARE(rig.wmp().position(), passStart);
        }
        for (int pass = 0; pass < 3; ++pass) {
            QCOMPARE(playToNextPass(rig.wmp()), passStart);
        }
        // The loop itself still runs from its mark.
        QCOMPARE(rig.practice().loop().from(), 2.0);
    }

    void leadInIsShadedLighterThanTheLoop() {
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        PracticeSettings s = rig.practice().session().settings();
        s.leadIn = 1;
        rig.practice().session().setSettings(s);
        rig.press(vk::KeyL);
        const QImage shot = rig.w->picMarker->grab().toImage();
        const StripBackdrop& backdrop = rig.practice().backdrop();
        const int y = backdrop.band().center().y();
        const QColor lead = shot.pixelColor(int(backdrop.xOfTime(1.5)), y);
        const QColor loop = shot.pixelColor(int(backdrop.xOfTime(3.5)), y);
        const QColor outside = shot.pixelColor(int(backdrop.xOfTime(0.5)), y);
        QVERIFY2(lead != loop && lead != outside,
                 qPrintable(lead.name() + " " + loop.name() + " " + outside.name()));
        // Lighter: between the loop's shade and the plain strip.
        QVERIFY(lead.lightness() > loop.lightness());
        QVERIFY(lead.lightness() < outside.lightness());
    }

    void breathHoldsThePositionStillBetweenPasses() {
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        PracticeSession& session = rig.practice().session();
        qint64 now = 0;
        session.clock = [&now] { return now; };
        PracticeSettings s = session.settings();
        s.leadIn = 1;
        s.breath = 3;
        session.setSettings(s);
        rig.press(vk::KeyL);
        QCOMPARE(playToNextPass(rig.wmp()), 1.0);
        QCOMPARE(rig.wmp().state(), MediaBackend::State::Paused);
        QVERIFY(session.breathing());
        QLabel* status = rig.practice().controlsOf(true)->statusLabel();
        QCOMPARE(status->text(), QStringLiteral("Breath 3 s"));
        // The clock moves; the player does not until the breath is over.
        for (int ms : {500, 1500, 2900}) {
            now = ms;
            session.tick();
            rig.wmp().advance(0.5);
            QCOMPARE(rig.wmp().position(), 1.0);
            QCOMPARE(rig.wmp().state(), MediaBackend::State::Paused);
        }
        QCOMPARE(status->text(), QStringLiteral("Breath 1 s"));
        now = 3000;
        session.tick();
        QCOMPARE(rig.wmp().state(), MediaBackend::State::Playing);
        QVERIFY(status->isHidden());
        QVERIFY(rig.practice().loop().active());
        // PLAY during a breath cuts it short; the next pass breathes again.
        QCOMPARE(playToNextPass(rig.wmp()), 1.0);
        QVERIFY(session.breathing());
        rig.w->cmdPlay_Click();
        QVERIFY(!session.breathing());
        QCOMPARE(rig.wmp().state(), MediaBackend::State::Playing);
        QCOMPARE(playToNextPass(rig.wmp()), 1.0);
        QVERIFY(session.breathing());
        // Ending the loop ends the breath.
        rig.press(vk::KeyL);
        QVERIFY(!session.breathing());
    }

    void trainerStepsTheSpeedEachPassThenHolds_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("step");
        QTest::addColumn<QList<int>>("speeds");
        QTest::newRow("80 to 90 by 5") << 80 << 90 << 5 << QList<int>{80, 85, 90, 90, 90};
        QTest::newRow("70 to 100 by 10") << 70 << 100 << 10 << QList<int>{70, 80, 90, 100, 100};
        QTest::newRow("a step past the target") << 60 << 75 << 10 << QList<int>{60, 70, 75, 75};
        QTest::newRow("downwards") << 110 << 100 << 5 << QList<int>{110, 105, 100, 100};
    }

    void trainerStepsTheSpeedEachPassThenHolds() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, step);
        QFETCH(QList<int>, speeds);
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        rig.practice().controlsOf(true)->panelButton()->click();
        PracticePanel& panel = rig.practice().panel();
        QVERIFY(panel.isVisible());
        QTest::keyClick(panel.trainerBox(), Qt::Key_Space);
        typeInto(panel.fromBox(), from);
        typeInto(panel.toBox(), to);
        typeInto(panel.stepBox(), step);
        panel.hide();
        rig.press(vk::KeyL);
        QLabel* status = rig.practice().controlsOf(true)->statusLabel();
        for (int pass = 0; pass < speeds.size(); ++pass) {
            if (pass > 0) {
                QVERIFY(playToNextPass(rig.wmp()) >= 0);
            }
            QCOMPARE(rig.wmp().speed(), speeds[pass] / 100.0);
            QCOMPARE(status->text(),
                     QStringLiteral("Pass %1 \u00b7 %2%").arg(pass + 1).arg(speeds[pass]));
        }
        // The trainer's speeds are not what the track keeps.
        QCOMPARE(rig.stored(rig.path("Loop.mp3"), "Speed"), QStringLiteral("<none>"));
        QCOMPARE(rig.stored(rig.path("Loop.mp3"), "TrainerTo"), QString::number(to));
    }

    void trainerEndsOnAManualChangeOrTheEndOfTheLoop_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("] by key") << 0;
        QTest::newRow("a click on the speed") << 1;
        QTest::newRow("the loop ended") << 2;
    }

    void trainerEndsOnAManualChangeOrTheEndOfTheLoop() {
        QFETCH(int, how);
        RehearsalRig rig;
        standAtLoopStart(rig, rig.path("Loop.mp3"));
        PracticeSession& session = rig.practice().session();
        PracticeSettings s = session.settings();
        s.trainer = true;
        s.trainerFrom = 60;
        s.trainerTo = 100;
        s.trainerStep = 10;
        session.setSettings(s);
        rig.press(vk::KeyL);
        playToNextPass(rig.wmp());
        QCOMPARE(rig.wmp().speed(), 0.7);
        int expected = 0;
        switch (how) {
        case 0:
            rig.press(vk::OemCloseBracket);
            expected = 75;
            break;
        case 1:
            rig.practice().controlsOf(true)->speedButton()->click();
            expected = 100;
            break;
        case 2:
            rig.press(vk::KeyL);
            rig.press(vk::OemOpenBracket); // from the track's own 100 %, no loop to step
            expected = 95;
            break;
        }
        QVERIFY(!session.trainerRunning());
        QVERIFY(rig.practice().controlsOf(true)->statusLabel()->isHidden());
        if (how < 2) {
            for (int pass = 0; pass < 2; ++pass) {
                QVERIFY(playToNextPass(rig.wmp()) >= 0);
            }
        }
        QCOMPARE(rig.practice().tempo().speedPercent(), expected);
        // A new loop starts the trainer again from its start speed.
        if (how == 2) {
            rig.press('1');
            rig.press(vk::KeyL);
            QVERIFY(session.trainerRunning());
            QCOMPARE(rig.wmp().speed(), 0.6);
        }
    }

    void trainerEndsAtTheTracksOwnSpeed_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("the loop ended by L") << 0;
        QTest::newRow("the trainer switched off in the panel") << 1;
        QTest::newRow("the loop ended by its button") << 2;
    }

    // What plays after the trainer is what the track keeps and plays again when reopened.
    void trainerEndsAtTheTracksOwnSpeed() {
        QFETCH(int, how);
        RehearsalRig rig;
        const QString track = rig.path("Loop.mp3");
        standAtLoopStart(rig, track);
        rig.press(vk::OemOpenBracket);
        rig.press(vk::OemOpenBracket);
        QCOMPARE(rig.stored(track, "Speed"), QStringLiteral("90"));
        PracticeControls* controls = rig.practice().controlsOf(true);
        QTest::mouseClick(controls->panelButton(), Qt::LeftButton);
        PracticePanel& panel = rig.practice().panel();
        QVERIFY(panel.isVisible());
        QTest::keyClick(panel.trainerBox(), Qt::Key_Space);
        typeInto(panel.fromBox(), 60);
        typeInto(panel.toBox(), 80);
        typeInto(panel.stepBox(), 10);
        panel.hide();
        rig.press(vk::KeyL);
        QCOMPARE(rig.wmp().speed(), 0.6);
        QVERIFY(playToNextPass(rig.wmp()) >= 0);
        QCOMPARE(rig.wmp().speed(), 0.7);
        switch (how) {
        case 0:
            rig.press(vk::KeyL);
            break;
        case 1:
            QTest::mouseClick(controls->panelButton(), Qt::LeftButton);
            QTest::keyClick(panel.trainerBox(), Qt::Key_Space);
            QVERIFY(!panel.trainerBox()->isChecked());
            panel.hide();
            break;
        case 2:
            QTest::mouseClick(controls->loopButton(), Qt::LeftButton);
            break;
        }
        QVERIFY(!rig.practice().session().trainerRunning());
        QCOMPARE(rig.practice().tempo().speedPercent(), 90);
        QCOMPARE(rig.wmp().speed(), 0.9);
        QCOMPARE(controls->speedButton()->text(), QStringLiteral("90%"));
        QCOMPARE(rig.stored(track, "Speed"), QStringLiteral("90"));
        // Still there after the next turn of a loop that runs on without the trainer.
        if (how == 1) {
            QVERIFY(playToNextPass(rig.wmp()) >= 0);
            QCOMPARE(rig.wmp().speed(), 0.9);
        }
        rig.open(rig.path("Other.mp3"));
        rig.open(track);
        QCOMPARE(rig.wmp().speed(), 0.9);
    }

    void panelOpensByItsKeyAndKeepsItsSettingsPerTrack() {
        RehearsalRig rig;
        const QString one = rig.path("One.mp3");
        rig.open(one);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier);
        QApplication::sendEvent(rig.w->cmdPlay, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_P, Qt::NoModifier);
        QApplication::sendEvent(rig.w->cmdPlay, &release);
        PracticePanel& panel = rig.practice().panel();
        QVERIFY(panel.isVisible());
        QVERIFY(!panel.fromBox()->isEnabled());
        typeInto(panel.breathBox(), 4);
        typeInto(panel.leadInBox(), 2);
        QTest::keyClick(panel.trainerBox(), Qt::Key_Space);
        QVERIFY(panel.fromBox()->isEnabled());
        QCOMPARE(rig.stored(one, "Breath"), QStringLiteral("4"));
        QCOMPARE(rig.stored(one, "LeadIn"), QStringLiteral("2"));
        QCOMPARE(rig.stored(one, "Trainer"), QStringLiteral("1"));
        panel.hide();
        rig.open(rig.path("Two.mp3"));
        QCOMPARE(panel.breathBox()->value(), 0);
        QVERIFY(!panel.trainerBox()->isChecked());
        rig.open(one);
        QCOMPARE(panel.breathBox()->value(), 4);
        QCOMPARE(panel.leadInBox()->value(), 2);
        QVERIFY(panel.trainerBox()->isChecked());
        // P again closes it.
        rig.press(vk::KeyP);
        QVERIFY(panel.isVisible());
        rig.press(vk::KeyP);
        QVERIFY(!panel.isVisible());
    }
};

QTEST_MAIN(PracticeSessionTest)
#include "PracticeSession_wtest.moc"
