// Marks as the store holds them, whatever wrote them: positions past the strip, text that is
// no number, the other decimal separator, and marks cleared on a track that has a copy.
// The real window with fake players and a real store; keys and clicks as the user gives them.

#include "marks/Colours.h"
#include "marks/MarkStrip.h"
#include "player/RehearsalRig.h"

#include <QFile>
#include <QtTest>

#include <clocale>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class StoredMarksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    // The track is 245.3 s long: StripScale 45, so x leaves the 16-bit range past 728 s.
    void everyReadableMarkAndNoteLoadsBesideUnreadableOnes() {
        RehearsalRig r;
        const QString track = r.path("Edit.mp3");
        const struct {
            const char* stored;
            bool set;
            int16_t x;
        } marks[10] = {
            {"83.5", true, 3780},    {"99999", true, 32767},  {"abc", false, 0},
            {"1E+300", true, 32767}, {"-5000", true, -32768}, {"", false, 0},
            {"nan", false, 0},       {"12.5.1", false, 0},    {"inf", false, 0},
            {"728.2", true, 32760},
        };
        for (int i = 0; i < 10; ++i) {
            r.store->write("Tavrel", track, QString::number(i),
                           QString::fromLatin1(marks[i].stored));
            r.store->write("Tavrel", track, QStringLiteral("Note_%1").arg(i),
                           QStringLiteral("note %1").arg(i));
        }
        r.open(track);
        QVERIFY2(r.platform.messages.empty(), qPrintable(r.platform.messageTexts().join('|')));
        QCOMPARE(r.w->lblTitle->text(), QStringLiteral("Edit"));
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(r.w->marks().isSet(i), marks[i].set);
            QCOMPARE(r.colour(i), marks[i].set ? Colours::Yellow : Colours::ButtonFace);
            QCOMPARE(r.w->marks().note(i), QStringLiteral("note %1").arg(i));
            if (marks[i].set) {
                QCOMPARE(r.w->strip().linMark(i).x1(), marks[i].x);
            }
        }
        // A mark that is no number is not set: going to it says so and moves nothing.
        r.standAt(7);
        r.keyPress(Qt::Key_3);
        QCOMPARE(r.platform.messageTexts(), QStringList{"Setting for number 3 not made"});
        QCOMPARE(r.w->hybrid().position(), 7.0);

        QTest::mouseClick(&r.w->keypad->cmdMark(11), Qt::LeftButton);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.w->marks().isSet(i));
            QCOMPARE(r.stored(track, QString::number(i)), QString());
            QCOMPARE(r.colour(i), Colours::ButtonFace);
        }
        r.open(r.path("Other.mp3"));
        r.open(track);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.w->marks().isSet(i));
        }
    }

    // Written by a user whose decimal separator is a comma; read under a point.
    void marksWrittenWithACommaReadUnderAPoint() {
        RehearsalRig r;
        const QString track = r.path("Comma.mp3");
        r.store->write("Tavrel", track, "0", "83,5");
        r.store->write("Tavrel", track, "1", "1,234");
        r.store->write("Tavrel", track, "2", "120.25");
        r.open(track);
        QVERIFY(r.platform.messages.empty());
        QCOMPARE(r.w->strip().linMark(0).x1(), int16_t(84 * 45));
        QCOMPARE(r.w->strip().linMark(1).x1(), int16_t(1 * 45));
        r.keyPress(Qt::Key_1);
        QCOMPARE(r.w->hybrid().position(), 83.5);
        QCOMPARE(r.w->lblPosition->text(), QStringLiteral("83 seconds"));
        r.keyPress(Qt::Key_2);
        QCOMPARE(r.w->hybrid().position(), 1.234);
        r.keyPress(Qt::Key_3);
        QCOMPARE(r.w->hybrid().position(), 120.25);
        // A nudge goes on from the value read and writes it back in this user's form.
        QTest::mouseClick(&r.w->strip().cmdNudge(0), Qt::RightButton);
        QCOMPARE(r.stored(track, "0"), QStringLiteral("84.5"));
    }

    // Two identical files: marks of the copy serve a path that never had marks, but a path
    // whose marks the user cleared stays cleared.
    void clearedMarksStayClearedBesideAMarkedCopy_data() {
        QTest::addColumn<bool>("withCtrl");
        QTest::newRow("Clear All") << false;
        QTest::newRow("Ctrl with Clear All") << true;
    }

    void clearedMarksStayClearedBesideAMarkedCopy() {
        QFETCH(bool, withCtrl);
        RehearsalRig r;
        const QString original = r.path("Take.wav");
        const QString copy = r.path("Take copy.wav");
        const QByteArray bytes(200 * 1024, 'x');
        QVERIFY(writeFile(original, bytes));
        QVERIFY(writeFile(copy, bytes));
        r.open(original);
        r.standAt(40);
        r.typeWith(Qt::ControlModifier, Qt::Key_4);
        r.open(copy);
        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Marks found from Take.wav"));
        QVERIFY(r.w->marks().isSet(3));

        if (withCtrl) {
            r.withModes(Qt::ControlModifier, [&] {
                QTest::mouseClick(&r.w->keypad->cmdMark(11), Qt::LeftButton, Qt::ControlModifier);
            });
        } else {
            QTest::mouseClick(&r.w->keypad->cmdMark(11), Qt::LeftButton);
        }
        QVERIFY(!r.w->marks().isSet(3));
        r.open(original);
        r.open(copy);
        QVERIFY(!r.w->marks().isSet(3));
        QCOMPARE(r.stored(copy, "3"), QString());
        QVERIFY(r.w->lblNote->text().isEmpty());
        QCOMPARE(r.stored(original, "3"), QStringLiteral("40"));
    }

    // A track that cannot be played leaves the one before it loaded, with its marks: a mark
    // set then is that track's, shown and stored, and does not come along to the next track.
    void aMarkSetAfterAFailedOpenBelongsToTheTrackStillLoaded() {
        RehearsalRig r;
        const QString first = r.path("First.wav");
        const QString broken = r.path("Broken.mp3");
        const QString next = r.path("Next.mp3");
        r.wmp().failLoadOf(broken, "Failed to recognize file format.");
        r.open(first);
        r.standAt(20);
        r.typeWith(Qt::ControlModifier, Qt::Key_1);
        r.open(broken);
        QCOMPARE(r.platform.messages.size(), size_t(1));
        r.standAt(50);
        r.typeWith(Qt::ControlModifier, Qt::Key_3);
        QVERIFY(r.w->marks().isSet(0));
        QVERIFY(r.w->marks().isSet(2));
        QCOMPARE(r.stored(first, "2"), QStringLiteral("50"));
        QCOMPARE(r.stored(broken, "2"), QStringLiteral("<none>"));

        r.open(next);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.w->marks().isSet(i));
            QCOMPARE(r.colour(i), Colours::ButtonFace);
        }
        r.open(first);
        QVERIFY(r.w->marks().isSet(0));
        QVERIFY(r.w->marks().isSet(2));
        r.keyPress(Qt::Key_3);
        QCOMPARE(r.w->hybrid().position(), 50.0);
    }
};

QTEST_MAIN(StoredMarksTest)
#include "StoredMarks_wtest.moc"
