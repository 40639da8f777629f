// The track's beat on the real window with fake players: the tempo beside the speed, marks
// that snap to the beat from Ctrl+digit, the tempo tapped with T and the bar start given with
// G (kept per track across a restart), nudging a mark one beat from its menu, and the
// suggested section starts filling the marks that are not set (one undo step) or taken one by
// one with Ctrl and a click on the strip.

#include "marks/BeatMarks.h"
#include "marks/StripBackdrop.h"
#include "player/RehearsalRig.h"
#include "window/PracticeControls.h"
#include "window/PracticePanel.h"
#include "window/PracticeTools.h"
#include "window/StripTimeline.h"

#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <clocale>

namespace {

// 96 a minute from 0.3 s: a beat every 0.625 s; sections at 20, 45 and 80 s.
MusicalMap song() {
    MusicalMap map;
    map.bpm = 96;
    for (double t = 0.3; t < 245; t += 0.625) {
        map.beats.push_back(t);
    }
    map.sections = {20, 45, 80};
    map.analysedSeconds = 245.3;
    return map;
}

QString tempoShown(RehearsalRig& rig) {
    QLabel* label = rig.practice().controlsOf(true)->tempoLabel();
    if (!label->isVisibleTo(rig.w)) {
        return {};
    }
    // Shortened where the row is tight, never in what a screen reader is told.
    const QString name = label->accessibleName();
    if (!name.startsWith(QStringLiteral("Tempo ")) || !name.mid(6).startsWith(label->text())) {
        return QStringLiteral("label '%1' named '%2'").arg(label->text(), name);
    }
    return name.mid(6);
}

// The Menu key on mark button `index`, then Down until the item `text` is active, then
// Return: false when the item cannot be reached (absent or greyed out).
bool chooseFromMarkMenu(RehearsalRig& rig, int index, const QString& text) {
    bool found = false;
    QTimer::singleShot(0, [text, &found] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        for (int i = 0; i < 16; ++i) {
            if (menu->activeAction() && menu->activeAction()->text() == text) {
                found = true;
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
            QTest::keyClick(menu, Qt::Key_Down);
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    QWidget& button = rig.w->keypad->cmdMark(index);
    button.setFocus();
    QTest::keyClick(&button, Qt::Key_Menu);
    return found;
}

// Opens `track` with song()'s beat and sets marks 1 and 2 (Ctrl+1, Ctrl+2) where the
// player stands at `first` and `second` seconds.
void openWithTwoMarks(RehearsalRig& rig, const QString& track, double first, double second) {
    rig.open(track);
    rig.root->beats().mapReady(track, song(), 245.3);
    rig.standAt(first);
    rig.typeWith(Qt::ControlModifier, Qt::Key_1);
    rig.standAt(second);
    rig.typeWith(Qt::ControlModifier, Qt::Key_2);
}

} // namespace

class BeatMarksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void theTempoShowsBesideTheSpeedAndFollowsIt() {
        RehearsalRig rig;
        const QString track = rig.path("Song.mp3");
        rig.open(track);
        QCOMPARE(tempoShown(rig), QString());
        rig.root->beats().mapReady(track, song(), 245.3);
        QCOMPARE(tempoShown(rig), QStringLiteral("96 BPM"));
        QCOMPARE(rig.platform.announcements.last(),
                 QStringLiteral("Tempo 96 beats a minute, 3 section starts suggested"));
        QVERIFY(rig.practice().backdrop().sections().size() == 3);

        rig.typeWith({}, Qt::Key_BracketLeft);
        rig.typeWith({}, Qt::Key_BracketLeft);
        rig.typeWith({}, Qt::Key_BracketLeft);
        QCOMPARE(tempoShown(rig), QStringLiteral("82 BPM at 85 %"));

        // A track without a steady beat says so and has no grid to snap to.
        const QString speech = rig.path("Speech.mp3");
        rig.open(speech);
        rig.root->beats().mapReady(speech, MusicalMap{}, 245.3);
        QCOMPARE(tempoShown(rig), QStringLiteral("No steady beat"));
        QCOMPARE(rig.platform.announcements.last(), QStringLiteral("No steady beat"));
        QVERIFY(!rig.root->beats().grid().steady());
        // A map that arrives for a track no longer open is not shown.
        rig.root->beats().mapReady(track, song(), 245.3);
        QCOMPARE(tempoShown(rig), QStringLiteral("No steady beat"));
    }

    void marksSnapToTheNearBeatOnlyWhileAskedAndTheSettingIsKept() {
        RehearsalRig rig;
        const QString track = rig.path("Song.mp3");
        rig.open(track);
        rig.root->beats().mapReady(track, song(), 245.3);

        // Off: the exact place.
        rig.standAt(10.4);
        rig.typeWith(Qt::ControlModifier, Qt::Key_3);
        QCOMPARE(rig.stored(track, "2"), QStringLiteral("10.4"));

        QVERIFY(!rig.w->mnuOptionsSnapToBeat->isChecked());
        rig.w->mnuOptionsSnapToBeat->trigger();
        QCOMPARE(rig.stored("system", BeatMarks::kSnapKey), QStringLiteral("1"));
        rig.typeWith(Qt::ControlModifier, Qt::Key_3);
        // 0.3 + 16 x 0.625: the first beat of bar 5.
        QCOMPARE(rig.stored(track, "2"), QStringLiteral("10.3"));
        QCOMPARE(rig.platform.announcements.last(),
                 QStringLiteral("Mark 3 set at bar 5, 10.3 seconds"));
        QVERIFY(rig.w->marks().isSet(2));

        // More than a quarter beat from any beat: the exact place.
        rig.standAt(10.6);
        rig.typeWith(Qt::ControlModifier, Qt::Key_4);
        QCOMPARE(rig.stored(track, "3"), QStringLiteral("10.6"));

        rig.restart();
        QVERIFY(rig.w->mnuOptionsSnapToBeat->isChecked());
        QVERIFY(rig.root->beats().snapping());
    }

    void aTappedTempoAndABarStartAreKeptWithTheTrack() {
        RehearsalRig rig;
        const QString track = rig.path("Song.mp3");
        rig.open(track);
        rig.root->beats().mapReady(track, song(), 245.3);
        double now = 100;
        rig.root->beats().clock = [&now] { return now; };
        rig.standAt(4);
        for (int i = 0; i < 4; ++i) {
            rig.typeWith({}, Qt::Key_T);
            now += 0.5;
        }
        QCOMPARE(rig.stored(track, "TappedTempo"), QStringLiteral("120.0"));
        QCOMPARE(tempoShown(rig), QStringLiteral("120 BPM"));
        QCOMPARE(rig.platform.announcements.last(), QStringLiteral("Tempo 120 beats a minute"));

        rig.standAt(7.1);
        rig.typeWith({}, Qt::Key_G);
        QCOMPARE(rig.stored(track, "BarStart"), QStringLiteral("7.100"));
        QCOMPARE(rig.platform.announcements.last(), QStringLiteral("A bar starts at 7.1 seconds"));
        QCOMPARE(rig.root->beats().grid().barAt(7.1), 4);
        QVERIFY(rig.root->beats().grid().nearestBeat(7.1, 0.01).has_value());

        rig.restart();
        rig.open(track);
        // Before the analysis is back, the tapped tempo is already there.
        QCOMPARE(tempoShown(rig), QStringLiteral("120 BPM"));
        rig.root->beats().mapReady(track, song(), 245.3);
        QCOMPARE(tempoShown(rig), QStringLiteral("120 BPM"));
        QVERIFY(rig.root->beats().grid().nearestBeat(7.1, 0.01).has_value());
    }

    void aMarkIsNudgedOneBeatFromItsMenu() {
        RehearsalRig rig;
        QVERIFY(rig.showActive());
        const QString track = rig.path("Song.mp3");
        rig.open(track);
        rig.standAt(10.4);
        rig.typeWith(Qt::ControlModifier, Qt::Key_1);
        const QString ahead = QStringLiteral("Nudge mark 1 ahead one beat");
        const QString back = QStringLiteral("Nudge mark 1 back one beat");
        QVERIFY2(!chooseFromMarkMenu(rig, 0, ahead), "greyed out while no beat is known");

        rig.root->beats().mapReady(track, song(), 245.3);
        QVERIFY(chooseFromMarkMenu(rig, 0, ahead));
        QCOMPARE(rig.stored(track, "0"), QStringLiteral("10.925"));
        QVERIFY(chooseFromMarkMenu(rig, 0, back));
        QVERIFY(chooseFromMarkMenu(rig, 0, back));
        QCOMPARE(rig.stored(track, "0"), QStringLiteral("9.675"));
        QCOMPARE(rig.platform.announcements.last(), QStringLiteral("Mark 1 moved to 9.7 seconds"));
    }

    void theMetronomeClicksOnTheTracksBeatAndIsKept() {
        RehearsalRig rig;
        const QString track = rig.path("Song.mp3");
        rig.open(track);
        rig.root->beats().mapReady(track, song(), 245.3);
        QVERIFY(!rig.wmp().clicks().on());
        rig.typeWith({}, Qt::Key_M);
        QCOMPARE(rig.wmp().clicks(), (MediaBackend::Clicks{96, 0.3, 0.5}));
        QCOMPARE(rig.platform.announcements.last(), QStringLiteral("Metronome on"));
        QVERIFY(rig.w->mnuOptionsMetronome->isChecked());
        QCOMPARE(rig.stored("system", BeatMarks::kMetronomeKey), QStringLiteral("1"));

        // A bar given with G moves the accent; a level chosen in the menu is heard and kept.
        rig.standAt(10.93);
        rig.typeWith({}, Qt::Key_G);
        // The bar starts on the beat at 10.925 s: bars of four from 0.925 s.
        QCOMPARE(rig.wmp().clicks().firstBar, 0.925);
        QMenu* levels = rig.w->findChild<QMenu*>(QStringLiteral("mnuOptionsMetronomeLevel"));
        QVERIFY(levels);
        levels->actions().at(2)->trigger();
        QCOMPARE(rig.wmp().clicks().level, 0.75);

        // A track without a steady beat has nothing to click on.
        const QString speech = rig.path("Speech.mp3");
        rig.open(speech);
        rig.root->beats().mapReady(speech, MusicalMap{}, 245.3);
        QVERIFY(!rig.wmp().clicks().on());

        rig.restart();
        QVERIFY(rig.root->beats().metronome());
        QCOMPARE(rig.root->beats().metronomeLevel(), 75);
        rig.open(track);
        rig.root->beats().mapReady(track, song(), 245.3);
        QVERIFY(rig.wmp().clicks().on());
        rig.typeWith({}, Qt::Key_M);
        QVERIFY(!rig.wmp().clicks().on());
        QCOMPARE(rig.stored("system", BeatMarks::kMetronomeKey), QStringLiteral("0"));
    }

    void theCountInSilencesTheTrackForItsBeatsBeforeEachPass() {
        RehearsalRig rig;
        QVERIFY(rig.showActive());
        openWithTwoMarks(rig, rig.path("Song.mp3"), 10.3, 20);
        rig.typeWith({}, Qt::Key_1);

        // Two beats, typed into the practice panel's last box.
        rig.typeWith({}, Qt::Key_P);
        PracticePanel& panel = rig.practice().panel();
        QTRY_VERIFY(panel.isVisible());
        QSpinBox* box = panel.countInBox();
        QVERIFY(box);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("2"));
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(rig.stored("system", BeatMarks::kCountInKey), QStringLiteral("2"));

        rig.typeWith({}, Qt::Key_L);
        // Two beats of 0.625 s before mark 1: the pass starts at 9.05 s, the music at 10.3 s.
        QCOMPARE(rig.wmp().loopFrom(), 9.05);
        QCOMPARE(rig.wmp().loopTo(), 20.0);
        const MediaBackend::Clicks clicks = rig.wmp().clicks();
        QVERIFY(clicks.on());
        QVERIFY(!clicks.everyBeat);
        QCOMPARE(clicks.countFrom, 9.05);
        QCOMPARE(clicks.countTo, 10.3);

        // Off: the loop starts at its mark again, no clicks.
        rig.root->beats().setCountInBeats(0);
        QCOMPARE(rig.wmp().loopFrom(), 10.3);
        QVERIFY(!rig.wmp().clicks().on());
        rig.typeWith({}, Qt::Key_L);

        // A track without a steady beat counts nothing in.
        rig.root->beats().setCountInBeats(4);
        const QString speech = rig.path("Speech.mp3");
        rig.open(speech);
        rig.root->beats().mapReady(speech, MusicalMap{}, 245.3);
        rig.standAt(30);
        rig.typeWith(Qt::ControlModifier, Qt::Key_1);
        rig.typeWith({}, Qt::Key_L);
        QCOMPARE(rig.wmp().loopFrom(), 30.0);
        QVERIFY(!rig.wmp().clicks().on());
    }

    void goingToAMarkCountsInBeforeItAndALoopOnBeatsKeepsWholeBars() {
        RehearsalRig rig;
        QVERIFY(rig.showActive());
        const QString track = rig.path("Song.mp3");
        // Mark 1 where a bar begins, mark 2 four bars and one beat later.
        openWithTwoMarks(rig, track, 10.3, 20.925);
        const double mark2 = rig.stored(track, "1").toDouble();
        rig.root->beats().setCountInBeats(2);
        rig.typeWith({}, Qt::Key_Space);
        QCOMPARE(rig.wmp().state(), MediaBackend::State::Playing);

        // Two beats of 0.625 s before the mark, the track silent until it.
        rig.typeWith({}, Qt::Key_1);
        QCOMPARE(rig.wmp().seeks.back(), 9.05);
        QCOMPARE(rig.wmp().clicks().countFrom, 9.05);
        QCOMPARE(rig.wmp().clicks().countTo, 10.3);
        rig.wmp().advance(1.5);
        QTRY_VERIFY(!rig.wmp().clicks().on());

        // The loop counts in before each pass and turns back after four whole bars.
        rig.typeWith({}, Qt::Key_1);
        rig.typeWith({}, Qt::Key_L);
        QCOMPARE(rig.wmp().loopFrom(), 9.05);
        QCOMPARE(rig.wmp().loopTo(), 20.3);
        // Its own start keeps it; another mark ends it and counts in before that mark.
        rig.typeWith({}, Qt::Key_1);
        QVERIFY(rig.wmp().looping());
        QCOMPARE(rig.wmp().seeks.back(), 10.3);
        rig.typeWith({}, Qt::Key_2);
        QVERIFY(!rig.wmp().looping());
        QCOMPARE(rig.wmp().seeks.back(), mark2 - 1.25);
        QCOMPARE(rig.wmp().clicks().countTo, mark2);
    }

    void sectionStartsFillTheUnsetMarksInOneUndoStep() {
        RehearsalRig rig;
        const QString track = rig.path("Song.mp3");
        rig.open(track);
        rig.root->beats().mapReady(track, song(), 245.3);
        rig.standAt(45.4);
        rig.typeWith(Qt::ControlModifier, Qt::Key_1);

        // Declined: nothing changes.
        rig.platform.answers.push_back(MsgAnswer::No);
        rig.w->mnuOptionsSectionMarks->trigger();
        QVERIFY(!rig.w->marks().isSet(1));

        rig.w->mnuOptionsSectionMarks->trigger();
        QCOMPARE(rig.stored(track, "0"), QStringLiteral("45.4"));
        // 45 s lies within a second of mark 1 and is passed over.
        QCOMPARE(rig.stored(track, "1"), QStringLiteral("20"));
        QCOMPARE(rig.stored(track, "2"), QStringLiteral("80"));
        QVERIFY(!rig.w->marks().isSet(3));
        QCOMPARE(rig.platform.announcements.last(),
                 QStringLiteral("2 marks set at section starts"));

        rig.typeWith(Qt::ControlModifier, Qt::Key_Z);
        QVERIFY(!rig.w->marks().isSet(1));
        QVERIFY(!rig.w->marks().isSet(2));
        QCOMPARE(rig.stored(track, "0"), QStringLiteral("45.4"));

        // One suggestion taken by a click on its marker with Ctrl held; a plain click seeks.
        StripTimeline& timeline = rig.practice().timeline();
        StripBackdrop& backdrop = rig.practice().backdrop();
        const QPoint ghost(int(std::lround(backdrop.xOfTime(80))), backdrop.band().center().y());
        const QPoint at = timeline.mapFrom(rig.w->picMarker, ghost);
        QTest::mouseClick(&timeline, Qt::LeftButton, Qt::ControlModifier, at);
        QCOMPARE(rig.stored(track, "1"), QStringLiteral("80"));
        QCOMPARE(rig.platform.announcements.last(),
                 QStringLiteral("Section start at 1 minute 20 seconds taken as a mark"));
        QVERIFY(!rig.w->marks().isSet(2));
    }
};

QTEST_MAIN(BeatMarksTest)
#include "BeatMarks_wtest.moc"
