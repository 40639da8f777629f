// Marks that follow a track's file when the user moves or renames it: real files in a
// temporary folder, the real window with fake players and a real store.

#include "marks/Colours.h"
#include "player/RehearsalRig.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <clocale>

namespace {

QByteArray noise(qint64 size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (char& c : bytes) {
        c = static_cast<char>(gen.bounded(256));
    }
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Marks 3 (with a note) and 5 on the track, as a user would set them.
void markUp(RehearsalRig& r, const QString& track) {
    r.open(track);
    r.standAt(83.52);
    r.ctrlClick(2);
    r.platform.inputs = {"Bridge entry"};
    r.w->marks().cmdMark_MouseUp(2, 2);
    r.standAt(120.25);
    r.ctrlClick(4);
}

} // namespace

class MovedTrackMarksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void marksAndNotesFollowAMovedFile() {
        RehearsalRig r;
        const QString before = r.path("Rehearsal/Take 1.wav");
        const QString after = r.path("Archive/2026/Take one (final).wav");
        QVERIFY(writeFile(before, noise(300 * 1024, 7)));
        markUp(r, before);
        r.open(r.path("Other.mp3"));

        QVERIFY(QDir().mkpath(QFileInfo(after).absolutePath()));
        QVERIFY(QFile::rename(before, after));
        r.open(after);

        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Marks found from Take 1.wav"));
        QVERIFY(r.w->marks().isSet(2));
        QVERIFY(r.w->marks().isSet(4));
        QVERIFY(!r.w->marks().isSet(0));
        QCOMPARE(r.colour(2), Colours::Yellow);
        QCOMPARE(r.w->marks().positionText(2), QStringLiteral("83.52"));
        QCOMPARE(r.w->marks().note(2), QStringLiteral("Bridge entry"));
        QCOMPARE(r.stored(after, "2"), QStringLiteral("83.52"));
        QCOMPARE(r.stored(after, "4"), QStringLiteral("120.25"));
        QCOMPARE(r.stored(after, "Note_2"), QStringLiteral("Bridge entry"));
        // The old section stays as it was.
        QCOMPARE(r.stored(before, "2"), QStringLiteral("83.52"));
        QCOMPARE(r.stored(before, "Note_2"), QStringLiteral("Bridge entry"));
        QVERIFY(r.platform.messages.empty());

        // Once brought over the marks belong to the new path: opened again, nothing is said.
        r.open(r.path("Other.mp3"));
        r.open(after);
        QCOMPARE(r.w->lblNote->text(), QString());
        QVERIFY(r.w->marks().isSet(2));
    }

    void filesThatOnlyLookAlikeDoNotShareMarks_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<double>("duration");
        const QByteArray original = noise(300 * 1024, 11);
        QByteArray head = original;
        head[10] = static_cast<char>(head[10] ^ 1);
        QByteArray tail = original;
        tail[tail.size() - 10] = static_cast<char>(tail[tail.size() - 10] ^ 1);
        QTest::newRow("same size, other start") << head << 245.3;
        QTest::newRow("same size, other end") << tail << 245.3;
        QTest::newRow("same bytes, other duration") << original << 245.4;
        QTest::newRow("one byte longer") << original + 'x' << 245.3;
        QTest::newRow("other file of the same size") << noise(300 * 1024, 12) << 245.3;
    }

    void filesThatOnlyLookAlikeDoNotShareMarks() {
        QFETCH(QByteArray, content);
        QFETCH(double, duration);
        RehearsalRig r;
        const QString marked = r.path("a/Song.wav");
        const QString other = r.path("b/Song.wav");
        QVERIFY(writeFile(marked, noise(300 * 1024, 11)));
        QVERIFY(writeFile(other, content));
        r.mp().setDurationFor(other, duration);
        markUp(r, marked);
        QVERIFY(QFile::remove(marked));

        r.open(other);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.w->marks().isSet(i));
        }
        QCOMPARE(r.w->lblNote->text(), QString());
        QCOMPARE(r.stored(other, "2"), QStringLiteral("<none>"));
    }

    void aTrackWithMarksOfItsOwnKeepsThem() {
        RehearsalRig r;
        const QString first = r.path("Song.wav");
        const QString copy = r.path("Copy of Song.wav");
        QVERIFY(writeFile(first, noise(200 * 1024, 3)));
        QVERIFY(QFile::copy(first, copy));
        markUp(r, first);
        r.open(copy);
        // A copy beside its original takes the marks too: the file is the same.
        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Marks found from Song.wav"));
        r.standAt(10);
        r.ctrlClick(0);
        r.open(first);
        QVERIFY(!r.w->marks().isSet(0));
        r.open(copy);
        QVERIFY(r.w->marks().isSet(0));
        QCOMPARE(r.w->lblNote->text(), QString());
    }

    void smallAndUnreadableFilesAreHandled() {
        RehearsalRig r;
        const QString tiny = r.path("tiny.wav");
        QVERIFY(writeFile(tiny, QByteArray("RIFF")));
        markUp(r, tiny);
        const QString moved = r.path("moved/tiny.wav");
        QVERIFY(QDir().mkpath(r.path("moved")));
        QVERIFY(QFile::rename(tiny, moved));
        r.open(moved);
        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Marks found from tiny.wav"));

        // A path the fake player opens but that is no file on disk gets no fingerprint.
        r.open(r.path("not on disk.mp3"));
        QCOMPARE(r.stored(r.path("not on disk.mp3"), "Fingerprint"), QStringLiteral("<none>"));
        QVERIFY(r.platform.messages.empty());
    }

    void forgettingMissingTracksRemovesOnlyWhatTheUserTicks() {
        RehearsalRig r;
        const QString present = r.path("Here.wav");
        const QString goneA = r.path("Gone A.wav");
        const QString goneB = r.path("sub/gone b.mp3");
        const QString windowsPath = QStringLiteral(R"(C:\Music\Old.wma)");
        QVERIFY(writeFile(present, noise(1000, 1)));
        for (const QString& track : {present, goneA, goneB, windowsPath}) {
            QVERIFY(r.store->writeAll("Tavrel", {{track, "0", "12.5"}, {track, "Note_0", "n"}}));
        }
        QVERIFY(r.store->write("Tavrel", "window", "Width", "800"));
        const QString current = r.path("Playing now.mp3"); // the fake plays it; no file on disk
        r.open(current);
        r.standAt(3);
        r.ctrlClick(0);

        QCOMPARE(r.w->mnuOptionsForgetMissing->text(), QStringLiteral("Forget Missing Tracks…"));
        // First the user cancels, then unticks one track and accepts.
        r.platform.choices = {[](const QStringList&) { return QStringList(); },
                              [&](QStringList items) {
                                  items.removeAll(goneB);
                                  return items;
                              }};
        r.w->mnuOptionsForgetMissing->trigger();
        QCOMPARE(r.platform.choiceLists.size(), size_t(1));
        QCOMPARE(r.platform.choiceLists[0].items, (QStringList{goneA, goneB, windowsPath}));
        QCOMPARE(r.platform.choiceLists[0].acceptCaption, QStringLiteral("Forget Marks"));
        QVERIFY(r.platform.messages.empty());
        QCOMPARE(r.stored(goneA, "0"), QStringLiteral("12.5"));

        r.w->mnuOptionsForgetMissing->trigger();
        QCOMPARE(r.platform.messageTexts(),
                 QStringList{"The marks of 2 tracks have been forgotten."});
        QCOMPARE(r.stored(goneA, "0"), QStringLiteral("<none>"));
        QCOMPARE(r.stored(goneA, "Note_0"), QStringLiteral("<none>"));
        QCOMPARE(r.stored(windowsPath, "0"), QStringLiteral("<none>"));
        QCOMPARE(r.stored(goneB, "Note_0"), QStringLiteral("n"));
        QCOMPARE(r.stored(present, "0"), QStringLiteral("12.5"));
        QCOMPARE(r.stored(current, "0"), QStringLiteral("3"));
        QCOMPARE(r.stored("window", "Width"), QStringLiteral("800"));
        QCOMPARE(r.stored("system", "LastFile"), current);

        r.platform.messages.clear();
        QVERIFY(r.store->removeSection("Tavrel", goneB));
        r.w->mnuOptionsForgetMissing->trigger();
        QCOMPARE(r.platform.choiceLists.size(), size_t(2));
        QCOMPARE(r.platform.messageTexts(),
                 QStringList{"Every track with stored marks is still where it was. There is "
                             "nothing to forget."});
    }
};

QTEST_MAIN(MovedTrackMarksTest)
#include "MovedTrackMarks_wtest.moc"
