// Export and import of marks as label files, through the File menu of the real window with
// fake players, the recording dialog fake and a real store.

#include "marks/MarkExchange.h"
#include "player/RehearsalRig.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QtTest>

#include <clocale>
#include <cmath>

namespace {

void setNote(RehearsalRig& r, int i, const QString& text) {
    r.platform.inputs = {text};
    r.w->marks().cmdMark_MouseUp(i, 2);
}

void setMark(RehearsalRig& r, int i, double at, const QString& note = {}) {
    r.standAt(at);
    r.ctrlClick(i);
    if (!note.isEmpty()) {
        setNote(r, i, note);
    }
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void exportTo(RehearsalRig& r, const QString& path) {
    r.platform.saveDialogFiles = {path};
    r.w->mnuFileExportMarks->trigger();
}

void importFrom(RehearsalRig& r, const QString& path) {
    r.platform.dialogFiles = {path};
    r.w->mnuFileImportMarks->trigger();
}

QStringList storedMarks(RehearsalRig& r, const QString& track) {
    QStringList out;
    for (int i = 0; i < 10; ++i) {
        out << r.stored(track, QString::number(i))
            << r.stored(track, QStringLiteral("Note_%1").arg(i));
    }
    return out;
}

} // namespace

class MarkExchangeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

    void theFileMenuOffersBoth() {
        RehearsalRig r;
        const QStringList captions = [&] {
            QStringList out;
            for (QAction* a : r.w->mnuFile->actions()) {
                out << a->text();
            }
            return out;
        }();
        QCOMPARE(captions,
                 (QStringList{"Open", "Recent", "", "Export Marks…", "Import Marks…", "", "Exit"}));
        r.w->mnuFileExportMarks->trigger();
        r.w->mnuFileImportMarks->trigger();
        QCOMPARE(r.platform.messageTexts(), (QStringList{"No File Chosen", "No File Chosen"}));
        QVERIFY(r.platform.saveDialogFilters.isEmpty());
    }

    void exportedMarksComeBackExactly() {
        RehearsalRig r;
        const QString track = r.path("Song.mp3");
        const QString labels = r.path("exported labels.txt");
        r.open(track);
        setMark(r, 0, 10, "Intro");
        setMark(r, 1, 83.5163265306122, "Bridge entry");
        setMark(r, 2, 120.25);
        setMark(r, 3, 200.000001, "Ünïcode ending");
        const MarkSnapshot before = r.w->marks().snapshot();

        exportTo(r, labels);
        QCOMPARE(r.platform.saveDialogInitialPaths, QStringList{r.path("Song marks.txt")});
        QCOMPARE(r.platform.saveDialogFilters, QStringList{MarkExchange::kFilter});
        QCOMPARE(readFile(labels), QByteArray("10.000000\t10.000000\t1 Intro\n"
                                              "83.516327\t83.516327\t2 Bridge entry\n"
                                              "120.250000\t120.250000\t3\n"
                                              "200.000001\t200.000001\t4 Ünïcode ending\n"));
        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Marks exported to exported labels.txt"));

        r.w->marks().cmdMark_Click(11); // Clear All
        importFrom(r, labels);
        QVERIFY(r.platform.messages.empty()); // no marks to replace: no question
        QCOMPARE(r.w->lblNote->text(), QStringLiteral("Marks imported from exported labels.txt"));
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(r.w->marks().isSet(i), before.marks[i].set);
            QCOMPARE(r.w->marks().note(i), before.marks[i].note);
            if (!before.marks[i].set) {
                continue;
            }
            const double was = before.marks[i].position.toDouble();
            const double now = r.w->marks().positionText(i).toDouble();
            QVERIFY2(std::abs(now - was) <= 0.5e-6, qPrintable(r.w->marks().positionText(i)));
            QCOMPARE(r.stored(track, QString::number(i)), r.w->marks().positionText(i));
            QCOMPARE(r.stored(track, QStringLiteral("Note_%1").arg(i)), before.marks[i].note);
        }
        r.w->marks().GoToMarkPoint(1);
        QCOMPARE(r.w->hybrid().position(), 83.516327);

        // The import can be undone like a clearing.
        r.keyPress(Qt::Key_Control);
        r.press(vk::KeyZ);
        r.keyRelease(Qt::Key_Control, Qt::ControlModifier);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.w->marks().isSet(i));
        }
        QCOMPARE(r.stored(track, "1"), QString());
    }

    void importAsksBeforeItReplacesAndTakesTheFirstTenInTimeOrder() {
        RehearsalRig r;
        const QString track = r.path("Song.mp3");
        const QString labels = r.path("many.txt");
        QByteArray text;
        // Twelve labels, out of order; the last two are not used.
        for (int n : {9, 3, 7, 1, 5, 10, 2, 8, 4, 6, 11, 12}) {
            text += QByteArray::number(n * 10) + "\t" + QByteArray::number(n * 10) + "\t" +
                    QByteArray::number(n) + " at " + QByteArray::number(n * 10) + "\n";
        }
        QVERIFY(writeFile(labels, text));
        r.open(track);
        setMark(r, 4, 33, "Mine");
        const QStringList mine = storedMarks(r, track);

        r.platform.answers = {MsgAnswer::No};
        importFrom(r, labels);
        QCOMPARE(r.platform.messages.size(), size_t(1));
        QCOMPARE(r.platform.messages[0].buttons, MsgButtons::YesNo);
        QCOMPARE(r.platform.messages[0].icon, MsgIcon::Question);
        QCOMPARE(r.platform.messages[0].text,
                 QStringLiteral("Replace the marks of this track with the 10 labels of many.txt?"
                                "\n\nThe file holds 12 labels; the first ten become marks 1 to "
                                "10."));
        QCOMPARE(storedMarks(r, track), mine);
        QVERIFY(r.w->marks().isSet(4));
        QCOMPARE(r.w->marks().positionText(4), QStringLiteral("33"));

        r.platform.answers = {MsgAnswer::Yes};
        importFrom(r, labels);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(r.w->marks().isSet(i));
            QCOMPARE(r.w->marks().positionText(i), QString::number((i + 1) * 10));
            QCOMPARE(r.w->marks().note(i), QStringLiteral("at %1").arg((i + 1) * 10));
            QCOMPARE(r.stored(track, QString::number(i)), QString::number((i + 1) * 10));
        }
        QVERIFY(r.w->strip().exists(9));
        QCOMPARE(r.w->strip().linMark(9).x1(), int16_t(100 * 45));
    }

    void aFileThatIsNoLabelFileChangesNothing_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("inMessage");
        QTest::newRow("bad line") << QByteArray("5\t5\tA\nfive\tsix\tB\n")
                                  << QStringLiteral("Line 2 is not a label");
        QTest::newRow("a sound file")
            << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) << QStringLiteral("It is not a text file.");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("It holds no labels.");
        QTest::newRow("past the end") << QByteArray("5\t5\tA\n300\t300\tB\n")
                                      << QStringLiteral("Its label at 300 seconds lies after the "
                                                        "end of this track (245.3 seconds).");
    }

    void aFileThatIsNoLabelFileChangesNothing() {
        QFETCH(QByteArray, content);
        QFETCH(QString, inMessage);
        RehearsalRig r;
        const QString track = r.path("Song.mp3");
        const QString labels = r.path("labels.txt");
        QVERIFY(writeFile(labels, content));
        r.open(track);
        setMark(r, 2, 42, "Keep me");
        const QStringList before = storedMarks(r, track);
        const MarkSnapshot shown = r.w->marks().snapshot();

        importFrom(r, labels);
        QCOMPARE(r.platform.messages.size(), size_t(1));
        const RecordedMessage& m = r.platform.messages[0];
        QVERIFY2(m.text.startsWith("Tavrel cannot import marks from " + labels),
                 qPrintable(m.text));
        QVERIFY2(m.text.contains(inMessage), qPrintable(m.text));
        QVERIFY(m.text.endsWith("The marks of this track have not been changed."));
        QCOMPARE(m.icon, MsgIcon::Exclamation);
        QCOMPARE(m.title, QStringLiteral("Tavrel"));
        QCOMPARE(storedMarks(r, track), before);
        QVERIFY(r.w->marks().snapshot() == shown);
    }

    void nothingToExportOrNoFileChosen() {
        RehearsalRig r;
        r.open(r.path("Song.mp3"));
        exportTo(r, r.path("never.txt"));
        QCOMPARE(r.platform.messageTexts(), QStringList{"This track has no marks to export."});
        QVERIFY(r.platform.saveDialogFilters.isEmpty());

        setMark(r, 0, 5);
        r.platform.saveDialogFiles.clear();
        r.w->mnuFileExportMarks->trigger(); // dialog cancelled
        r.w->mnuFileImportMarks->trigger(); // dialog cancelled
        QCOMPARE(r.platform.messages.size(), size_t(1));
        QVERIFY(!QFile::exists(r.path("never.txt")));
        QVERIFY(r.w->marks().isSet(0));

        importFrom(r, r.path("missing.txt"));
        QVERIFY(r.platform.messages.back().text.contains("It could not be read"));
        QVERIFY(r.w->marks().isSet(0));
    }
};

QTEST_MAIN(MarkExchangeTest)
#include "MarkExchange_wtest.moc"
