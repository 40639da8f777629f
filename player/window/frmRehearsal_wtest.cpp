// The player window driven with fake media back ends, the recording dialog fake and a real
// SQLite settings store in a temporary folder.

#include "marks/Colours.h"
#include "player/RehearsalRig.h"
#include "window/MediaComponentView.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>

namespace {

// The tracks File ▸ Recent offers, top to bottom.
QStringList entries(RehearsalRig& r) {
    QStringList out;
    auto* list = r.w->mnuFileRecent->menu<QMenu*>();
    for (QAction* a : list ? list->actions() : QList<QAction*>{}) {
        out << a->text().section(QLatin1Char(' '), 1);
    }
    return out;
}

// Opens File ▸ Recent with the mouse and clicks the entry of `track`.
void chooseRecent(RehearsalRig& r, const QString& track) {
    QMenuBar* bar = r.w->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(r.w->mnuFile->menuAction()).center());
    QVERIFY(QTest::qWaitFor([&] { return r.w->mnuFile->isVisible(); }));
    QTest::mouseClick(r.w->mnuFile, Qt::LeftButton, {},
                      r.w->mnuFile->actionGeometry(r.w->mnuFileRecent).center());
    auto* list = r.w->mnuFileRecent->menu<QMenu*>();
    QVERIFY(list);
    QVERIFY(QTest::qWaitFor([&] { return list->isVisible(); }));
    const int at = entries(r).indexOf(track);
    QVERIFY(at >= 0);
    QTest::mouseClick(list, Qt::LeftButton, {},
                      list->actionGeometry(list->actions().at(at)).center());
}

} // namespace

class RehearsalWindowTest : public QObject {
    Q_OBJECT
    using Rig = RehearsalRig;

private slots:
    void initTestCase() {
        std::setlocale(LC_NUMERIC, "C");
        qputenv("XDG_CONFIG_HOME", QByteArray("/nonexistent-config-for-tests"));
    }

    void startsWithNoTrackAndItsControlsInPlace() {
        Rig r;
        QCOMPARE(r.w->windowTitle(), QStringLiteral("Tavrel"));
        QCOMPARE(r.w->lblCount->text(), QStringLiteral("00:00:00"));
        QCOMPARE(r.w->dialogFilter(),
                 QStringLiteral(
                     "Sound Files (*.wav;*.mp3;*.wma)|*.wav;*.mp3;*.wma|All Files (*.*)|*.*"));
        QVERIFY(!r.w->WMP1View->isHidden());
        QVERIFY(r.w->mp1View->isHidden());
        QCOMPARE(r.w->mp1View->geometry(), r.w->WMP1View->geometry());
        QVERIFY(!r.w->mnuFileRecent->isEnabled());
        const std::pair<QPushButton*, const char*> buttons[] = {{r.w->cmdOpen, "OPEN"},
                                                                {r.w->cmdPlay, "PLAY"},
                                                                {r.w->cmdPause, "PAUSE"},
                                                                {r.w->cmdStop, "STOP"}};
        int f = 1;
        for (auto [b, caption] : buttons) {
            QCOMPARE(b->text(), QString::fromLatin1(caption));
            QCOMPARE(b->toolTip(), QStringLiteral("F%1").arg(f++));
        }
        QVERIFY(!r.w->tmrTime.isActive());
        QVERIFY(!r.w->tmrFast.isActive());

        r.w->cmdPlay_Click();
        QCOMPARE(r.platform.messageTexts(), QStringList{"Please Select A Track"});
        QCOMPARE(r.platform.messages[0].title, QStringLiteral("Tavrel"));
        QVERIFY(r.platform.injectedKeys.empty());
    }

    // The small flat button beside the running time hands the focus to PLAY, so Enter and
    // Space act on the transport after a click anywhere near the time.
    void theFocusButtonHandsTheFocusToPlay() {
        Rig r;
        QVERIFY(r.showActive());
        r.w->cmdStop->setFocus();
        QCOMPARE(QApplication::focusWidget(), r.w->cmdStop);
        QTest::mouseClick(r.w->cmdBogus, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), r.w->cmdPlay);

        // A keypad button takes the focus when pressed, and gives it back to PLAY when released.
        r.open(r.path("Intro.wav"));
        r.w->cmdStop->setFocus();
        QTest::mouseClick(&r.w->keypad->cmdMark(3), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), r.w->cmdPlay);
    }

    void theLastTrackOnlyStartsTheDialogThere() {
        QTemporaryDir dir;
        const QString db = dir.filePath("settings.db");
        {
            SettingsStore store(db);
            store.write("Tavrel", "system", "LastFile", "/music/songs/Intro.wav");
        }
        Rig r(db);
        QCOMPARE(r.w->dialogInitDir(), QStringLiteral("/music/songs"));
        QVERIFY(r.w->WMP1->URL().isEmpty());
        QVERIFY(r.w->mp1->FileName().isEmpty());
    }

    void openingChoosesTheComponentAndShowsTheTitle() {
        Rig r;
        r.open(r.path("Intro.wav"));
        QVERIFY(!r.w->hybrid().WmpActive);
        QVERIFY(r.w->WMP1View->isHidden());
        QVERIFY(!r.w->mp1View->isHidden());
        QCOMPARE(r.w->lblTitle->text(), QStringLiteral("Intro"));
        QCOMPARE(r.w->lblCount->text(), QStringLiteral("00:00:00"));
        QCOMPARE(r.stored("system", "LastFile"), r.path("Intro.wav"));
        QCOMPARE(r.mp().position(), 0.0);
        QVERIFY(!r.platform.waitCursor);
        QCOMPARE(r.w->marks().model().stripScale(), int16_t(45));

        r.standAt(3);
        r.ctrlClick(0);
        r.open(r.path("Verse.mp3"));
        QVERIFY(r.w->hybrid().WmpActive);
        QVERIFY(!r.w->WMP1View->isHidden());
        QVERIFY(r.w->mp1View->isHidden());
        QCOMPARE(r.w->lblTitle->text(), QStringLiteral("Verse"));
        QVERIFY(!r.w->marks().isSet(0)); // the first track's marks are no longer shown
        QCOMPARE(r.stored(r.path("Intro.wav"), "0"), QStringLiteral("3")); // but kept

        r.open(r.path("Take.flac"));
        QCOMPARE(r.w->lblTitle->text(), QStringLiteral("Take."));
    }

    void cancellingTheDialogChangesNothing() {
        Rig r;
        r.w->cmdOpen_Click();
        QCOMPARE(r.platform.messageTexts(), QStringList{"Please select a file"});
        QVERIFY(r.w->hybrid().CurrentTrack.isEmpty());
        QCOMPARE(r.stored("system", "LastFile"), QStringLiteral("<none>"));
    }

    void aTrackThatCannotPlayIsReportedAndNotRemembered() {
        Rig r;
        r.wmp().failLoadOf(r.path("broken.mp3"), "Failed to recognize file format.");
        r.open(r.path("broken.mp3"));
        QCOMPARE(r.platform.messages.size(), size_t(1));
        QVERIFY(r.platform.messages[0].text.contains("broken.mp3"));
        QVERIFY(r.platform.messages[0].text.contains("Failed to recognize file format."));
        QCOMPARE(r.stored("system", "LastFile"), QStringLiteral("<none>"));
        QVERIFY(!r.platform.waitCursor);
    }

    void recentTracksSurviveARestartAndOpenFromTheMenu() {
        Rig r;
        QVERIFY(r.showActive());
        QVERIFY(!r.w->mnuFileRecent->isEnabled());
        // Ten tracks, the second one twice: eight kept, newest first, each once.
        QStringList opened;
        for (int i = 1; i <= 10; ++i) {
            opened << r.path(QStringLiteral("Song %1.mp3").arg(i));
        }
        for (const QString& track : opened) {
            r.open(track);
        }
        r.open(opened[1]);
        r.ctrlClick(0);
        const QString mark = r.stored(opened[1], "0");
        r.restart();
        QVERIFY(r.showActive());
        QVERIFY(r.w->mnuFileRecent->isEnabled());
        const QStringList want{opened[1], opened[9], opened[8], opened[7],
                               opened[6], opened[5], opened[4], opened[3]};
        QCOMPARE(entries(r), want);

        // File, Recent, the third entry, by mouse: the normal open, the track's marks and all.
        QMenuBar* bar = r.w->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(r.w->mnuFile->menuAction()).center());
        QTRY_VERIFY(r.w->mnuFile->isVisible());
        QTest::mouseClick(r.w->mnuFile, Qt::LeftButton, {},
                          r.w->mnuFile->actionGeometry(r.w->mnuFileRecent).center());
        auto* list = r.w->mnuFileRecent->menu<QMenu*>();
        QVERIFY(list);
        QTRY_VERIFY(list->isVisible());
        QTest::mouseClick(list, Qt::LeftButton, {},
                          list->actionGeometry(list->actions().at(2)).center());
        QTRY_COMPARE(r.w->hybrid().CurrentTrack, opened[8]);
        QCOMPARE(r.w->lblTitle->text(), QStringLiteral("Song 9"));
        QCOMPARE(r.stored("system", "LastFile"), opened[8]);
        QCOMPARE(entries(r).first(), opened[8]);

        // By keys: F10 opens File, Down past Open to Recent, Right into the list, 2 for the
        // second entry.
        QTest::keyClick(r.w->cmdPlay, Qt::Key_F10);
        QTRY_VERIFY(QApplication::activePopupWidget() == r.w->mnuFile);
        for (int i = 0; i < 3 && r.w->mnuFile->activeAction() != r.w->mnuFileRecent; ++i) {
            QTest::keyClick(r.w->mnuFile, Qt::Key_Down);
        }
        QCOMPARE(r.w->mnuFile->activeAction(), r.w->mnuFileRecent);
        QTest::keyClick(r.w->mnuFile, Qt::Key_Right);
        QTRY_VERIFY(QApplication::activePopupWidget() == list);
        QTest::keyClick(list, Qt::Key_2);
        QTRY_COMPARE(r.w->hybrid().CurrentTrack, opened[1]);
        QVERIFY(r.w->marks().isSet(0));
        QCOMPARE(r.stored(opened[1], "0"), mark);

        // A track gone from its folder: the normal message, and it leaves the list. One that
        // is there but cannot be played stays.
        QFile there(opened[9]);
        QVERIFY(there.open(QIODevice::WriteOnly));
        there.close();
        for (FakeMediaBackend* b : r.backends) {
            b->failLoadOf(opened[7], "No such file");
            b->failLoadOf(opened[9], "Failed to recognize file format.");
        }
        r.platform.messages.clear();
        chooseRecent(r, opened[7]);
        QTRY_COMPARE(r.platform.messages.size(), size_t(1));
        QVERIFY(r.platform.messages[0].text.startsWith("Tavrel cannot play this track:"));
        QVERIFY(r.platform.messages[0].text.contains("Song 8.mp3"));
        chooseRecent(r, opened[9]);
        QTRY_COMPARE(r.platform.messages.size(), size_t(2));
        QCOMPARE(r.w->hybrid().CurrentTrack, opened[1]);
        const QStringList left{opened[1], opened[8], opened[9], opened[6],
                               opened[5], opened[4], opened[3]};
        QCOMPARE(entries(r), left);
        r.restart();
        QCOMPARE(entries(r), left);
        // The store keeps the list in the system section; the tracks' own keys are theirs.
        QCOMPARE(r.stored("system", "Recent1"), opened[1]);
        QCOMPARE(r.stored("system", "Recent8"), QString());
        QCOMPARE(r.stored(opened[1], "0"), mark);
    }

    // The line shows whole, with room to spare at the window's edge, in the window's own
    // font and at twice the size alike.
    void theNoSoundLineShowsWhole() {
        Rig r;
        QVERIFY(r.showActive());
        r.wmp().announceNoAudioDevice();
        QLabel* line = r.w->lblNoSound;
        QTRY_VERIFY(line->isVisible());
        for (const double points : {0.0, 2.0}) {
            if (points > 0) {
                QFont big = line->font();
                big.setPointSizeF(big.pointSizeF() * points);
                line->setFont(big);
                r.w->statusBar()->adjustSize();
                QCoreApplication::processEvents();
            }
            const QRect ink = line->fontMetrics().boundingRect(line->text());
            const QRect shown = line->contentsRect();
            QVERIFY2(shown.width() >= ink.width(),
                     qPrintable(QStringLiteral("%1 < %2").arg(shown.width()).arg(ink.width())));
            const int right = line->mapTo(r.w, shown.topLeft()).x() + shown.width();
            QVERIFY2(right <= r.w->width() - 4,
                     qPrintable(QStringLiteral("%1 > %2").arg(right).arg(r.w->width() - 4)));
        }
    }

    void aTrackReportedAsZeroLongIsRememberedWithoutMarks() {
        Rig r;
        r.mp().setDuration(0.3);
        r.open(r.path("Click.wav"));
        QVERIFY(r.platform.messages.empty()); // division by zero ends quietly
        QCOMPARE(r.stored("system", "LastFile"), r.path("Click.wav"));
        QVERIFY(r.w->lblTitle->text().isEmpty());
        QVERIFY(!r.platform.waitCursor);
    }

    void aNameTooShortForItsExtensionGivesTheLineMessage() {
        Rig r;
        r.open(r.path("wav")); // "wav" selects mp1; the name is too short to drop four characters
        QCOMPARE(r.platform.messages.size(), size_t(1));
        QCOMPARE(r.platform.messages[0].text,
                 QStringLiteral("Line #12\n5: Invalid procedure call or argument"));
        QCOMPARE(r.platform.messages[0].title, QString());
    }

    void settingGoingToAndClearingMarks() {
        Rig r;
        r.w->marks().SetMarkPoint(6);
        QCOMPARE(r.platform.messageTexts(), QStringList{"No File Chosen"});
        QCOMPARE(r.platform.messages[0].icon, MsgIcon::Information);
        r.platform.messages.clear();

        const QString track = r.path("Chorus.mp3");
        r.open(track);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(r.colour(i), Colours::ButtonFace);
        }

        r.standAt(83.52);
        r.ctrlClick(6);
        QCOMPARE(r.stored(track, "6"), QStringLiteral("83.52"));
        QCOMPARE(r.colour(6), Colours::Yellow);
        QVERIFY(r.w->marks().isSet(6));
        QCOMPARE(r.w->strip().lblMark(6).text(), QStringLiteral("7"));
        QCOMPARE(r.w->strip().linMark(6).x1(), int16_t(3758)); // nearest(83.52 * 45)
        QCOMPARE(r.w->marks().model().current(), int16_t(6));
        QCOMPARE(r.platform.injectedKeys.size(), size_t(0));

        r.standAt(10);
        r.ctrlClick(1);
        r.w->marks().cmdMark_Click(3);
        QCOMPARE(r.platform.messageTexts(), QStringList{"Setting for number 4 not made"});
        QCOMPARE(r.platform.messages[0].icon, MsgIcon::None);
        QCOMPARE(r.w->hybrid().position(), 10.0);

        r.w->marks().cmdMark_Click(6);
        QCOMPARE(r.w->hybrid().position(), 83.52);
        QCOMPARE(r.colour(6), Colours::LightRed);
        QCOMPARE(r.colour(1), Colours::Yellow);
        QCOMPARE(r.w->strip().linMark(6).BorderColor(), Colours::Red);
        QCOMPARE(r.w->strip().lblMark(6).ForeColor(), Colours::Red);
        QCOMPARE(r.w->strip().linMark(1).BorderColor(), Colours::Black);
        QCOMPARE(r.w->lblPosition->text(), QStringLiteral("83 seconds"));
        // Every keypad click without a mode key queues a Right arrow, the refused one too.
        QCOMPARE(r.platform.injectedKeys, (std::vector<int>{vk::Right, vk::Right}));

        r.w->marks().cmdMark_Click(1);
        QCOMPARE(r.colour(6), Colours::Yellow);
        QCOMPARE(r.colour(1), Colours::LightRed);
        QCOMPARE(r.w->strip().linMark(6).BorderColor(), Colours::Black);

        r.altClick(6);
        QVERIFY(!r.w->marks().isSet(6));
        QCOMPARE(r.colour(6), Colours::ButtonFace);
        QCOMPARE(r.stored(track, "6"), QString());
    }

    void notesAreEnteredShownAndKeptPerMark() {
        Rig r;
        const QString track = r.path("Bridge.mp3");
        r.open(track);
        r.platform.inputs.push_back("ignored");
        r.w->marks().cmdMark_MouseUp(2, 2); // unset mark: no input box
        QVERIFY(r.platform.inputPrompts.empty());

        r.standAt(20);
        r.ctrlClick(2);
        r.platform.inputs = {"Big finish"};
        r.w->marks().cmdMark_MouseUp(2, 2);
        QCOMPARE(r.platform.inputPrompts.size(), size_t(1));
        QCOMPARE(r.platform.inputPrompts[0].title, QStringLiteral("Vuvizavir"));
        QCOMPARE(r.platform.inputPrompts[0].prompt,
                 QStringLiteral("Enter note for this mark point"));
        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Big finish"));
        QCOMPARE(r.w->keypad->cmdMark(2).toolTip(), QStringLiteral("Big finish"));
        QCOMPARE(r.stored(track, "Note_2"), QStringLiteral("Big finish"));

        r.platform.inputs = {QString()}; // cancelled: the note stays
        r.w->marks().cmdMark_MouseUp(2, 2);
        QCOMPARE(r.w->marks().note(2), QStringLiteral("Big finish"));

        r.w->marks().cmdMark_MouseUp(2, 1); // left button: no note entry
        QCOMPARE(r.platform.inputPrompts.size(), size_t(2));

        r.w->lblNote->clear();
        r.w->marks().cmdMark_GotFocus(2);
        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Big finish"));

        r.altClick(2); // Alt with the button keeps the note
        QCOMPARE(r.w->marks().note(2), QStringLiteral("Big finish"));
        r.ctrlClick(2);
        r.keyPress(Qt::Key_Alt);
        r.press('3'); // Alt with the number key clears the note in the window only
        r.keyRelease(Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(r.w->marks().note(2), QString());
        QCOMPARE(r.stored(track, "Note_2"), QStringLiteral("Big finish"));
    }

    void clearAllWithAndWithoutCtrl() {
        Rig r;
        const QString track = r.path("Song.mp3");
        r.open(track);
        for (int i : {0, 4, 8}) {
            r.standAt(10.0 * (i + 1));
            r.ctrlClick(i);
            r.platform.inputs = {QStringLiteral("note %1").arg(i)};
            r.w->marks().cmdMark_MouseUp(i, 2);
        }

        r.ctrlClick(11); // marks and stored positions go, notes stay
        for (int i : {0, 4, 8}) {
            QVERIFY(!r.w->marks().isSet(i));
            QCOMPARE(r.stored(track, QString::number(i)), QString());
            QCOMPARE(r.w->marks().note(i), QStringLiteral("note %1").arg(i));
        }
        QVERIFY(!r.w->strip().exists(4));

        // A mark set after the reset is drawn and can be gone to at once.
        r.standAt(42);
        r.ctrlClick(4);
        QVERIFY(r.w->marks().isSet(4));
        r.standAt(1);
        r.w->marks().cmdMark_Click(4);
        QCOMPARE(r.w->hybrid().position(), 42.0);

        r.w->marks().cmdMark_Click(11); // without Ctrl: notes go as well
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.w->marks().isSet(i));
            QCOMPARE(r.w->marks().note(i), QString());
            QCOMPARE(r.stored(track, QString::number(i)), QString());
        }
    }

    void marksComeBackWhenTheTrackIsOpenedAgain() {
        QTemporaryDir dir;
        const QString db = dir.filePath("settings.db");
        const QString track = dir.filePath("Verse.mp3");
        {
            Rig r(db);
            r.open(track);
            r.standAt(83.5);
            r.ctrlClick(2);
            r.platform.inputs = {"Chorus in"};
            r.w->marks().cmdMark_MouseUp(2, 2);
        }
        Rig r(db);
        r.open(track);
        QVERIFY(r.w->marks().isSet(2));
        QCOMPARE(r.colour(2), Colours::Yellow);
        QCOMPARE(r.w->strip().linMark(2).x1(), int16_t(3780));
        QCOMPARE(r.w->strip().cmdNudge(2).leftTwips(), 3660.0f);
        QCOMPARE(r.w->marks().note(2), QStringLiteral("Chorus in"));
        QCOMPARE(r.w->marks().model().current(), int16_t(-1));
        QVERIFY(!r.w->marks().isSet(0));
        QCOMPARE(r.w->marks().positionText(0), QStringLiteral("0"));
    }

    void steppingBetweenMarks() {
        Rig r;
        r.open(r.path("Steps.mp3"));
        r.standAt(20);
        r.ctrlClick(1);
        r.standAt(50);
        r.ctrlClick(4);
        r.w->marks().model().setCurrent(-1);
        r.press(vk::PageDown); // from no current mark: the lowest set mark
        QCOMPARE(r.w->marks().model().current(), int16_t(1));
        r.press(vk::PageDown);
        QCOMPARE(r.w->marks().model().current(), int16_t(4));
        r.press(vk::PageDown); // nothing after mark 5
        QCOMPARE(r.w->marks().model().current(), int16_t(4));
        r.press(vk::PageUp);
        QCOMPARE(r.w->marks().model().current(), int16_t(1));
        r.press(vk::PageUp); // nothing before mark 2
        QCOMPARE(r.w->marks().model().current(), int16_t(1));
        QVERIFY(r.platform.messages.empty());
    }

    void fastForwardAndRewindStepping() {
        Rig r;
        r.open(r.path("Wind.mp3"));
        r.standAt(10.6);
        r.w->tmrFastTag = "ff";
        r.w->tmrFast.start();
        r.w->tmrFast_Timer();
        QCOMPARE(r.w->hybrid().position(), 12.0);

        r.standAt(5.4);
        r.w->tmrFastTag = "rw";
        r.w->tmrFast_Timer();
        QCOMPARE(r.w->hybrid().position(), 3.0);
        r.w->tmrFast_Timer();
        QCOMPARE(r.w->hybrid().position(), 1.0);
        // The step below the start lands at the start, and the next tick ends the rewind.
        r.w->tmrFast_Timer();
        QCOMPARE(r.w->hybrid().position(), 0.0);
        QVERIFY(r.w->tmrFast.isActive());
        r.w->tmrFast_Timer();
        QVERIFY(!r.w->tmrFast.isActive());

        r.w->cmdStop_Click();
        r.w->tmrFastTag = "ff";
        r.w->tmrFast.start();
        r.w->tmrFast_Timer(); // stopped at 0: nothing moves
        QVERIFY(!r.w->tmrFast.isActive());
        QCOMPARE(r.w->hybrid().position(), 0.0);
    }

    void nudgingMovesOneSecondAndStores() {
        Rig r;
        const QString track = r.path("Nudge.mp3");
        r.open(track);
        r.standAt(83.52);
        r.ctrlClick(3);
        r.w->marks().cmdNudge_MouseUp(3, 1);
        QCOMPARE(r.stored(track, "3"), QStringLiteral("82.52"));
        QCOMPARE(r.w->lblPosition->text(), QStringLiteral("82 seconds"));
        QCOMPARE(r.w->strip().linMark(3).x1(), int16_t(3735));
        r.w->marks().cmdNudge_MouseUp(3, 2);
        r.w->marks().cmdNudge_MouseUp(3, 4);
        QCOMPARE(r.stored(track, "3"), QStringLiteral("84.52"));
        QCOMPARE(r.w->strip().linMark(3).x1(), int16_t(3825));
        QCOMPARE(r.colour(3), Colours::Yellow); // colours and player untouched
        QCOMPARE(r.w->hybrid().position(), 83.52);

        r.standAt(0.5);
        r.ctrlClick(0);
        r.w->marks().cmdNudge_MouseUp(0, 1);
        QCOMPARE(r.stored(track, "0"), QStringLiteral("-0.5"));
        QCOMPARE(r.w->lblPosition->text(), QStringLiteral("-0 seconds"));
        QCOMPARE(r.w->strip().linMark(0).x1(), int16_t(0));

        for (int i = 0; i < 700; ++i) { // far past the end: stored as computed, drawn at the edge
            r.w->marks().cmdNudge_MouseUp(3, 2);
        }
        QCOMPARE(r.stored(track, "3"), QStringLiteral("784.52"));
        QCOMPARE(r.w->strip().linMark(3).x1(), int16_t(32767));
    }

    void shutDownDiscardsTheRunTimeStripElements() {
        Rig r;
        r.open(r.path("End.mp3"));
        for (int i = 0; i < 8; ++i) {
            r.standAt(5.0 * (i + 1));
            r.ctrlClick(i);
        }
        r.w->close();
        for (int i = 1; i < 10; ++i) {
            QVERIFY(!r.w->strip().exists(i));
        }
        QVERIFY(r.w->strip().exists(0));
        QVERIFY(r.platform.messages.empty());
    }
};

QTEST_MAIN(RehearsalWindowTest)
#include "frmRehearsal_wtest.moc"
