// Ctrl+Z after the ways marks are cleared, on the real window with fake players and a real
// store.

#include "marks/Colours.h"
#include "player/RehearsalRig.h"

#include <QtTest>

#include <clocale>
#include <functional>

namespace {

struct Shown {
    bool set;
    QString position;
    QString note;
    int16_t x;
    uint32_t colour;
};

std::vector<Shown> shown(RehearsalRig& r) {
    std::vector<Shown> out;
    for (int i = 0; i < 10; ++i) {
        const bool set = r.w->marks().isSet(i);
        out.push_back({set, set ? r.w->marks().positionText(i) : QString(), r.w->marks().note(i),
                       set ? r.w->strip().linMark(i).x1() : int16_t(0), r.colour(i)});
    }
    return out;
}

void compareShown(const std::vector<Shown>& actual, const std::vector<Shown>& expected) {
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(actual[i].set, expected[i].set);
        QCOMPARE(actual[i].position, expected[i].position);
        QCOMPARE(actual[i].note, expected[i].note);
        QCOMPARE(actual[i].x, expected[i].x);
        QCOMPARE(actual[i].colour, expected[i].colour);
    }
}

void setNote(RehearsalRig& r, int i, const QString& text) {
    r.platform.inputs = {text};
    r.w->marks().cmdMark_MouseUp(i, 2);
}

// Marks 1, 3 (with a note) and 10 (with a note) on the track.
void markUp(RehearsalRig& r, const QString& track) {
    r.open(track);
    r.standAt(10);
    r.ctrlClick(0);
    r.standAt(83.52);
    r.ctrlClick(2);
    setNote(r, 2, "Bridge entry");
    r.standAt(120.25);
    r.ctrlClick(9);
    setNote(r, 9, "Solo");
    r.w->marks().GoToMarkPoint(2);
}

void ctrlZ(RehearsalRig& r) {
    r.keyPress(Qt::Key_Control);
    r.press(vk::KeyZ);
    r.keyRelease(Qt::Key_Control, Qt::ControlModifier);
}

using Clearing = std::function<void(RehearsalRig&)>;

} // namespace

Q_DECLARE_METATYPE(Clearing)

class MarkUndoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void ctrlZPutsBackWhatAClearingRemoved_data() {
        QTest::addColumn<Clearing>("clear");
        QTest::newRow("Alt with button 3") << Clearing([](RehearsalRig& r) { r.altClick(2); });
        QTest::newRow("Alt with key 3") << Clearing([](RehearsalRig& r) {
            r.keyPress(Qt::Key_Alt);
            r.press('3');
            r.keyRelease(Qt::Key_Alt, Qt::AltModifier);
        });
        QTest::newRow("Clear All")
            << Clearing([](RehearsalRig& r) { r.w->marks().cmdMark_Click(11); });
        QTest::newRow("Ctrl with Clear All") << Clearing([](RehearsalRig& r) { r.ctrlClick(11); });
    }

    void ctrlZPutsBackWhatAClearingRemoved() {
        QFETCH(Clearing, clear);
        RehearsalRig r;
        const QString track = r.path("Song.mp3");
        markUp(r, track);
        const std::vector<Shown> before = shown(r);
        clear(r);
        QVERIFY(!r.w->marks().isSet(2));
        QCOMPARE(r.stored(track, "2"), QString());

        ctrlZ(r);
        std::vector<Shown> expected = before;
        expected[2].colour = Colours::Yellow; // restored as set, no longer the current mark
        compareShown(shown(r), expected);
        QCOMPARE(r.w->strip().linMark(2).BorderColor(), Colours::Black);
        QCOMPARE(r.stored(track, "0"), QStringLiteral("10"));
        QCOMPARE(r.stored(track, "2"), QStringLiteral("83.52"));
        QCOMPARE(r.stored(track, "9"), QStringLiteral("120.25"));
        QCOMPARE(r.stored(track, "Note_2"), QStringLiteral("Bridge entry"));
        QCOMPARE(r.stored(track, "Note_9"), QStringLiteral("Solo"));

        // The restored marks work as marks: going to one moves the player.
        r.w->marks().GoToMarkPoint(9);
        QCOMPARE(r.w->hybrid().position(), 120.25);
        QVERIFY(r.platform.messages.empty());

        // One step only: a second Ctrl+Z changes nothing.
        ctrlZ(r);
        compareShown(shown(r), [&] {
            auto e = expected;
            e[9].colour = Colours::LightRed;
            return e;
        }());
    }

    void onlyTheLastClearingOfTheTrackIsUndone() {
        RehearsalRig r;
        const QString track = r.path("Song.mp3");
        markUp(r, track);
        r.altClick(0);
        r.altClick(2);
        ctrlZ(r);
        QVERIFY(r.w->marks().isSet(2));
        QVERIFY(!r.w->marks().isSet(0));
        QCOMPARE(r.stored(track, "0"), QString());

        // A change made after a clearing wins over it.
        r.w->marks().cmdMark_Click(11);
        r.standAt(50);
        r.ctrlClick(4);
        ctrlZ(r);
        QVERIFY(!r.w->marks().isSet(2));
        QVERIFY(r.w->marks().isSet(4));

        // Clearing a mark that is not set is nothing to undo.
        r.w->marks().cmdMark_Click(11);
        r.altClick(7);
        ctrlZ(r);
        QVERIFY(r.w->marks().isSet(4));
    }

    void openingATrackForgetsTheClearing() {
        RehearsalRig r;
        const QString first = r.path("First.mp3");
        const QString second = r.path("Second.mp3");
        markUp(r, first);
        r.w->marks().cmdMark_Click(11);
        r.open(second);
        ctrlZ(r);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.w->marks().isSet(i));
        }
        QCOMPARE(r.stored(second, "2"), QStringLiteral("<none>"));
        QCOMPARE(r.stored(first, "2"), QString());

        r.open(first);
        ctrlZ(r);
        QVERIFY(!r.w->marks().isSet(2));
        QCOMPARE(r.stored(first, "2"), QString());
    }

    void ctrlKeepsItsSetModeAroundZ() {
        RehearsalRig r;
        const QString track = r.path("Song.mp3");
        markUp(r, track);
        r.altClick(2);
        r.press(vk::KeyZ); // Z alone does nothing
        QVERIFY(!r.w->marks().isSet(2));
        r.standAt(30);
        r.keyPress(Qt::Key_Control);
        r.press(vk::KeyZ);
        QVERIFY(r.w->marks().isSet(2));
        r.press('5');
        r.keyRelease(Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(r.w->marks().isSet(4));
        QCOMPARE(r.stored(track, "4"), QStringLiteral("30"));
        QVERIFY(!r.w->marks().model().setMode());
    }
};

QTEST_MAIN(MarkUndoTest)
#include "MarkUndo_wtest.moc"
