// The splicer window driven as a user would, with the real engine on WAV files made here and
// the message boxes recorded.

#include "WavWriter.h"
#include "splicer/RecordingMessageBoxes.h"
#include "titlebar/TitelBar.h"
#include "window/DirBox.h"
#include "window/DriveBox.h"
#include "window/ElidedLabel.h"
#include "window/FileBox.h"
#include "window/Form1.h"
#include "window/PathLabel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

#include <unistd.h>

class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessageBoxes> boxes;
    std::unique_ptr<Form1> form;

    QString file(const QString& name) const { return dir->filePath(name); }
    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void sine(const QString& name, double seconds, testmedia::WavFormat f = {}) {
        QVERIFY(testmedia::writeSineWav(file(name).toStdString(), seconds, f));
    }
    void list(const QStringList& names) {
        form->lstFiles->clear();
        form->lstFiles->addItems(names);
    }
    QStringList listed() const {
        QStringList out;
        for (int i = 0; i < form->lstFiles->count(); ++i) {
            out << form->lstFiles->item(i)->text();
        }
        return out;
    }
    QList<int> selectedRows() const {
        QList<int> out;
        for (int i = 0; i < form->lstFiles->count(); ++i) {
            if (form->lstFiles->item(i)->isSelected()) {
                out << i;
            }
        }
        return out;
    }
    void splice(const QString& name) {
        form->txtFile->setText(name);
        form->cmdSplice->click();
    }

    static QModelIndex treeIndex(DirBox* box, const QString& folder) {
        return static_cast<QFileSystemModel*>(box->model())->index(QDir::cleanPath(folder));
    }
    void showForm() {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    // The highlighted folder, the folder listed in the file box and the folder in use agree.
    void checkSourceAgrees() {
        const QModelIndexList lit = form->Dir1->selectionModel()->selectedRows();
        QCOMPARE(lit.size(), 1);
        QCOMPARE(lit.first(), treeIndex(form->Dir1, form->Dir1->path()));
        QCOMPARE(form->Dir1->currentIndex(), lit.first());
        QCOMPARE(form->File1->path(), form->Dir1->path());
        QCOMPARE(form->lblSourcePath->path(), form->Dir1->path());
    }
    static QString highlighted(DirBox* box) {
        const QModelIndexList lit = box->selectionModel()->selectedRows();
        return lit.size() == 1 ? lit.first().data(QFileSystemModel::FilePathRole).toString()
                               : QStringLiteral("%1 rows").arg(lit.size());
    }
    void clickFolder(DirBox* box, const QString& folder) {
        const QModelIndex index = treeIndex(box, folder);
        box->scrollTo(index);
        QTRY_VERIFY(box->viewport()->rect().contains(box->visualRect(index)));
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualRect(index).center());
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        sine(QStringLiteral("a.wav"), 1.0);
        sine(QStringLiteral("b.WAV"), 2.0, {1, 1, 22050, 16});
        QVERIFY(testmedia::writeFile(file(QStringLiteral("notes.txt")).toStdString(), {'x'}));
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("sub")));
        boxes = std::make_unique<RecordingMessageBoxes>();
        form = std::make_unique<Form1>(*boxes);
    }
    void cleanup() {
        form.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    void startsInTheCurrentFolderListingWavFilesOfAnyCase() {
        QCOMPARE(form->Dir1->path(), QDir(dir->path()).canonicalPath());
        QCOMPARE(form->Dir2->path(), form->Dir1->path());
        QCOMPARE(form->File1->count(), 2);
        QCOMPARE(form->File1->item(0)->text(), QStringLiteral("a.wav"));
        QCOMPARE(form->File1->item(1)->text(), QStringLiteral("b.WAV"));
        QCOMPARE(form->windowTitle(), QStringLiteral("WAV Splicer"));
        // Both trees bring the folder in use into view while the folders around it come in.
        showForm();
        for (DirBox* box : {form->Dir1, form->Dir2}) {
            QCOMPARE(highlighted(box), form->Dir1->path());
            QTRY_VERIFY(box->viewport()->rect().contains(box->visualRect(box->currentIndex())));
        }
    }

    // Among hundreds of folders read in and sorted after the window opens, the folder in use
    // ends in view in both trees, and stays there once every row has settled.
    void folderInUseEndsInViewAmongManyFolders() {
        // Away from /tmp, where other programs' files coming and going would make the trees
        // read rows in again and so hide a tree that does not follow the model's own moves.
        QTemporaryDir quiet(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/many-XXXXXX"));
        QVERIFY(quiet.isValid());
        QDir many(quiet.path());
        for (int i = 0; i < 400; ++i) {
            QVERIFY(many.mkdir(QStringLiteral("f%1").arg(i, 3, 10, QLatin1Char('0'))));
        }
        const QString inUse = many.filePath(QStringLiteral("f250"));
        QVERIFY(QDir::setCurrent(inUse));
        form = std::make_unique<Form1>(*boxes);
        showForm();
        for (DirBox* box : {form->Dir1, form->Dir2}) {
            auto* model = static_cast<QFileSystemModel*>(box->model());
            const auto settled = [&] {
                const QModelIndex first = treeIndex(box, many.filePath(QStringLiteral("f000")));
                const QModelIndex last = treeIndex(box, many.filePath(QStringLiteral("f399")));
                return model->rowCount(first.parent()) == 400 && first.row() == 0 &&
                       last.row() == 399;
            };
            QTRY_VERIFY_WITH_TIMEOUT(settled(), 20000);
            QCOMPARE(highlighted(box), QDir(inUse).canonicalPath());
            const auto inView = [box] {
                return box->viewport()->rect().contains(box->visualRect(box->currentIndex()));
            };
            QTRY_VERIFY(inView());
            // The model sorts the rows it has read in when it gets round to it, which can be
            // after the last of them came in: the rows move under the tree, and the folder in
            // use is brought back into view.
            model->sort(0, Qt::DescendingOrder);
            QTRY_VERIFY(inView());
        }
        QDir::setCurrent(QDir::tempPath());
    }

    // The title bar is the one of the design shipped with the program.
    void titleBarReadsTheShippedDesign() {
        const TitelBar* bar = form->TB;
        QCOMPARE(bar->Caption(), QStringLiteral("Plemora"));
        QCOMPARE(bar->BackColor(), OleColor::rgb(38, 48, 79));
        QCOMPARE(bar->BackColorCover(), 6.0f);
        QCOMPARE(bar->ForeColor(), OleColor::rgb(255, 255, 255));
        QVERIFY(bar->ShowMaximized() && bar->ShowMaximizedEnabled());
        QCOMPARE(bar->BorderNormal(), std::uint8_t(2));
        QCOMPARE(bar->Font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(bar->Font().pointSizeF(), 14.25);
        QCOMPARE(bar->PictureButton().deviceIndependentSize(), QSizeF(22, 22));
        // Everything else as a design without the key reads it.
        QCOMPARE(bar->Style(), std::int16_t(8));
        QCOMPARE(bar->BackColorV1Begin(), OleColor::rgb(230, 230, 230));
        QCOMPARE(bar->Caption3DWidth(), std::uint8_t(2));
        QCOMPARE(bar->CaptionPosY(), 2);
        QCOMPARE(bar->IconStyle(), std::uint8_t(0));
    }

    void windowHasTheProgramsIcon() {
        QVERIFY(!form->windowIcon().isNull());
        QVERIFY(form->windowIcon().availableSizes().contains(QSize(256, 256)));
    }

    // Maximising from the bar gives the boxes the room; a small screen still holds the window.
    void resizesAndMaximises() {
        QVERIFY(form->minimumSizeHint().width() <= 1280);
        QVERIFY(form->minimumSizeHint().height() <= 700);
        showForm();
        const QSize tree = form->Dir1->size();
        const QSize files = form->File1->size();
        const QSize list = form->lstFiles->size();
        auto* max = form->TB->findChild<QWidget*>(QStringLiteral("TBARMax"));
        QVERIFY(max && max->isVisible());
        form->setMaximumSize(1600, 1100); // the offscreen screen may be small
        QTest::mousePress(max, Qt::LeftButton, {}, {8, 8});
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        form->showNormal();
        form->resize(1500, 1000);
        QTRY_COMPARE(form->size(), QSize(1500, 1000));
        QVERIFY(form->Dir1->width() > tree.width() && form->Dir1->height() > tree.height());
        QVERIFY(form->File1->height() > files.height());
        QVERIFY(form->lstFiles->width() > list.width() && form->lstFiles->height() > list.height());
        QCOMPARE(form->TB->width(), 1500 - 2);
        // The grip sits in the corner, clear of the EXIT button.
        auto* grip = form->findChild<QWidget*>(QStringLiteral("grip"));
        QCOMPARE(grip->geometry().bottomRight(), QPoint(1500 - 2, 1000 - 2));
        QVERIFY(!grip->geometry().intersects(
            QRect(form->cmdExit->mapTo(form.get(), QPoint(0, 0)), form->cmdExit->size())));
    }

    void movingEntries_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("step");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<int>>("selectedAfter");
        QTest::newRow("up moves only the entry with the focus")
            << QList<int>{0, 2} << 2 << -1 << QStringList{"w", "y", "x", "z"} << QList<int>{0, 1};
        QTest::newRow("down") << QList<int>{1} << 1 << +1 << QStringList{"w", "y", "x", "z"}
                              << QList<int>{2};
        QTest::newRow("up on the first entry")
            << QList<int>{0} << 0 << -1 << QStringList{"w", "x", "y", "z"} << QList<int>{0};
        QTest::newRow("down on the last entry")
            << QList<int>{3} << 3 << +1 << QStringList{"w", "x", "y", "z"} << QList<int>{3};
        QTest::newRow("nothing selected")
            << QList<int>{} << 2 << -1 << QStringList{"w", "x", "y", "z"} << QList<int>{};
    }
    void movingEntries() {
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        QFETCH(int, step);
        QFETCH(QStringList, order);
        QFETCH(QList<int>, selectedAfter);
        list({"w", "x", "y", "z"});
        form->lstFiles->setCurrentRow(current, QItemSelectionModel::NoUpdate);
        form->lstFiles->clearSelection();
        for (int row : selected) {
            form->lstFiles->item(row)->setSelected(true);
        }
        (step < 0 ? form->cmdUp : form->cmdDown)->click();
        QCOMPARE(listed(), order);
        QCOMPARE(selectedRows(), selectedAfter);
    }

    void removingTakesEverySelectedEntry() {
        list({"w", "x", "y", "z"});
        form->lstFiles->item(0)->setSelected(true);
        form->lstFiles->item(2)->setSelected(true);
        form->lstFiles->item(3)->setSelected(true);
        form->cmdRemove->click();
        QCOMPARE(listed(), QStringList{"x"});
    }

    void doubleClickAddsOnceButTheAddButtonAddsAgain() {
        QListWidgetItem* a = form->File1->item(0);
        form->File1->setCurrentItem(a);
        emit form->File1->itemDoubleClicked(a);
        emit form->File1->itemDoubleClicked(a);
        QCOMPARE(listed(), QStringList{"a.wav"});
        list({"A.wav"}); // names are compared with their letter case
        emit form->File1->itemDoubleClicked(a);
        QCOMPARE(listed(), (QStringList{"A.wav", "a.wav"}));
        form->File1->clearSelection();
        a->setSelected(true);
        form->File1->item(1)->setSelected(true);
        form->cmdAdd->click();
        QCOMPARE(listed(), (QStringList{"A.wav", "a.wav", "a.wav", "b.WAV"}));
    }

    void clearEmptiesListNameAndProgress() {
        list({"a.wav"});
        splice(QStringLiteral("out"));
        form->File1->item(0)->setSelected(true);
        form->txtFile->setText(QStringLiteral("x"));
        form->cmdClear->click();
        QVERIFY(form->lstFiles->count() == 0 && form->File1->selectedItems().isEmpty());
        QVERIFY(form->Label1->text().isEmpty() && form->Label2->text().isEmpty());
        QVERIFY(form->txtFile->text().isEmpty());
    }

    void spliceNeedsFilesAndAName() {
        splice(QStringLiteral("song"));
        list({"a.wav"});
        splice(QString());
        QCOMPARE(boxes->texts(),
                 (QStringList{"Please select files to splice", "File Name Needed"}));
        for (const RecordedMessageBox& m : boxes->shown) {
            QCOMPARE(m.title, QStringLiteral("Splicer"));
        }
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 3); // nothing was written
    }

    void spliceAlwaysAddsTheExtension_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("bare name") << "song"
                                   << "song.wav";
        QTest::newRow("name with extension") << "song.wav"
                                             << "song.wav.wav";
    }
    void spliceAlwaysAddsTheExtension() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        form->Dir2->choose(file(QStringLiteral("sub")));
        list({"a.wav", "b.WAV"});
        splice(typed);
        QVERIFY2(boxes->shown.empty(), qPrintable(boxes->texts().join('|')));
        const QFileInfo out(file(QStringLiteral("sub/") + written));
        QVERIFY(out.exists());
        // 1 s + 2 s at 44,100 frames of 4 bytes, after the 44-byte header.
        QCOMPARE(out.size(), 44 + 3 * 44100 * 4);
        QCOMPARE(form->Label1->text(), QStringLiteral("100%"));
        QCOMPARE(form->Label2->text(), QStringLiteral("FINISHED!"));
        QVERIFY(form->txtFile->text().isEmpty());
        QCOMPARE(listed(), (QStringList{"a.wav", "b.WAV"}));
    }

    void filesOfManyChannelsAreSpliced() {
        // Recorders write 4, 6 and 8 channels; 12 bits in 16, at 8 kHz.
        for (const uint16_t channels : {4, 6, 8}) {
            sine(QStringLiteral("multi%1.wav").arg(channels), 0.5,
                 testmedia::WavFormat{1, channels, 8000, 16});
        }
        list({"multi4.wav", "multi6.wav", "multi8.wav"});
        splice(QStringLiteral("out"));
        QVERIFY2(boxes->shown.empty(), qPrintable(boxes->texts().join('|')));
        QCOMPARE(form->Label2->text(), QStringLiteral("FINISHED!"));
        QCOMPARE(QFileInfo(file(QStringLiteral("out.wav"))).size(), 44 + 3 * 22050 * 4);
    }

    void cutShortFileIsJoinedAndTheOutcomeLineSaysSo() {
        // Half a second of sound under a header that promises a whole one.
        testmedia::WavFormat f;
        auto bytes = testmedia::canonicalWav(f, testmedia::sineData(f, 0.5, 440.0));
        bytes[40] = 0x10;
        bytes[41] = 0xB1;
        bytes[42] = 0x02;
        bytes[43] = 0x00;
        QVERIFY(testmedia::writeFile(file(QStringLiteral("cut.wav")).toStdString(), bytes));
        list({"cut.wav", "a.wav"});
        splice(QStringLiteral("out"));
        QVERIFY2(boxes->shown.empty(), qPrintable(boxes->texts().join('|')));
        QCOMPARE(QFileInfo(file(QStringLiteral("out.wav"))).size(), 44 + 44100 * 4 + 22050 * 4);
        QCOMPARE(form->Label2->text(),
                 QStringLiteral("FINISHED! cut.wav is cut short: 88,200 of its 176,400 bytes of "
                                "sound are missing"));
    }

    void refusedFileIsReportedAndLeftOut() {
        QVERIFY(testmedia::writeFile(file(QStringLiteral("bad.wav")).toStdString(),
                                     {'n', 'o', 't', ' ', 'w', 'a', 'v'}));
        list({"bad.wav", "a.wav"});
        splice(QStringLiteral("out"));
        QCOMPARE(boxes->texts(),
                 QStringList{"Wave bad.wav not supported!\nbad.wav: not a RIFF WAVE file"});
        QCOMPARE(boxes->shown[0].title, QStringLiteral("Splicer"));
        QCOMPARE(QFileInfo(file(QStringLiteral("out.wav"))).size(), 44 + 44100 * 4);
        // The outcome line does not let a file that lacks an input pass for a whole one.
        QCOMPARE(form->Label2->text(), QStringLiteral("FINISHED! 1 file left out"));
        list({"bad.wav", "missing.wav", "a.wav"});
        splice(QStringLiteral("out"));
        QCOMPARE(form->Label2->text(), QStringLiteral("FINISHED! 2 files left out"));
    }

    void allRefusedFailsAndWritesNothing() {
        list({"missing.wav", "notes.txt"});
        splice(QStringLiteral("out"));
        QCOMPARE(boxes->shown.size(), size_t(3));
        // Each box names the file and says why.
        QCOMPARE(boxes->texts().mid(0, 2),
                 (QStringList{"Wave missing.wav not supported!\nmissing.wav: no such file",
                              "Wave notes.txt not supported!\nnotes.txt: not a RIFF WAVE file"}));
        const RecordedMessageBox& failed = boxes->shown[2];
        QCOMPARE(failed.text,
                 QStringLiteral("Failed!\nout.wav was not written.\nNo files to join"));
        QCOMPARE(failed.title, QStringLiteral("Error"));
        QCOMPARE(failed.icon, MessageBoxes::Icon::Exclamation);
        QVERIFY(!QFileInfo::exists(file(QStringLiteral("out.wav"))));
        QCOMPARE(form->Label2->text(), QStringLiteral("Failed!"));
    }

    // A folder without WAV files says so where the files would be listed.
    void folderWithoutWavFilesSaysSo() {
        showForm();
        QCOMPARE(form->File1->emptyMessage(), QString());
        const QImage listing = form->File1->viewport()->grab().toImage();
        clickFolder(form->Dir1, file(QStringLiteral("sub")));
        QCOMPARE(form->File1->path(), file(QStringLiteral("sub")));
        QCOMPARE(form->File1->count(), 0);
        QCOMPARE(form->File1->emptyMessage(), QStringLiteral("No WAV files in this folder"));
        const QImage empty = form->File1->viewport()->grab().toImage();
        const QRgb base = form->File1->palette().color(QPalette::Base).rgb();
        bool drawn = false;
        for (int y = 0; y < empty.height() && !drawn; ++y) {
            for (int x = 0; x < empty.width() && !drawn; ++x) {
                drawn = empty.pixel(x, y) != base;
            }
        }
        QVERIFY(drawn);
        QVERIFY(empty != listing);
    }

    // The new file may not take the place of a file being read, nor land outside the folder.
    void refusedOutputNames_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("told");
        const QString replaces =
            QStringLiteral("The new file would replace %1, one of the "
                           "files being spliced.\nPlease choose another name.");
        const QString notAPath =
            QStringLiteral("The name of the new file cannot contain \"/\" or \"..\".");
        QTest::newRow("an input's own name") << "a" << replaces.arg("a.wav");
        QTest::newRow("a hard link to an input") << "alias" << replaces.arg("b.WAV");
        QTest::newRow("a symbolic link to an input") << "link" << replaces.arg("a.wav");
        QTest::newRow("into a folder") << "sub/x" << notAPath;
        QTest::newRow("into the folder above") << "../x" << notAPath;
        QTest::newRow("dots alone") << ".." << notAPath;
    }
    void refusedOutputNames() {
        QFETCH(QString, typed);
        QFETCH(QString, told);
        QVERIFY(QFile::link(file("a.wav"), file("link.wav")));
        QCOMPARE(::link(qPrintable(file("b.WAV")), qPrintable(file("alias.wav"))), 0);
        const QByteArray a = readAll(file("a.wav"));
        const QByteArray b = readAll(file("b.WAV"));
        list({"a.wav", "b.WAV"});
        const QStringList before = QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden);
        const QString above = QDir(dir->path()).filePath("../x.wav");
        const bool aboveExisted = QFileInfo::exists(above);
        splice(typed);
        QCOMPARE(boxes->texts(), QStringList{told});
        QCOMPARE(boxes->shown[0].title, QStringLiteral("Splicer"));
        QCOMPARE(readAll(file("a.wav")), a);
        QCOMPARE(readAll(file("b.WAV")), b);
        QCOMPARE(QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(QFileInfo::exists(above), aboveExisted);
        QCOMPARE(form->txtFile->text(), typed); // kept, to be corrected
        QVERIFY(form->Label2->text().isEmpty());
    }

    // Whatever the earlier run left on show goes when the next one starts.
    void aRunReplacesTheOutcomeOfTheRunBefore_data() {
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QString>("label2");
        QTest::addColumn<int>("bar");
        QTest::newRow("failure after success") << QStringList{"missing.wav"} << "Failed!" << -1;
        QTest::newRow("success after success") << QStringList{"a.wav"} << "FINISHED!" << 100;
    }
    void aRunReplacesTheOutcomeOfTheRunBefore() {
        QFETCH(QStringList, second);
        QFETCH(QString, label2);
        QFETCH(int, bar);
        list({"a.wav"});
        splice(QStringLiteral("first"));
        QCOMPARE(form->Label2->text(), QStringLiteral("FINISHED!"));
        QStringList atStart;
        boxes->onShow = [&](const RecordedMessageBox&) {
            atStart << form->Label1->text() + '|' + form->Label2->text() + '|' +
                           QString::number(form->prgSplice->value());
        };
        list(second);
        splice(QStringLiteral("second"));
        if (bar < 0) { // the refusal of the input is told while the run starts
            QCOMPARE(atStart.first(), QStringLiteral("||-1"));
        }
        QCOMPARE(form->Label2->text(), label2);
        QCOMPARE(form->prgSplice->value(), bar);
        QCOMPARE(form->Label1->text(), bar < 0 ? QString() : QStringLiteral("100%"));
    }

    // The row a click lands on becomes the folder in use: highlighted, listed and read by
    // the splice, even when the tree has to bring it into view or the question is answered No.
    void clickedFolderIsTheFolderInUse_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("moved");
        QTest::newRow("empty list") << QStringList{} << -1 << true;
        QTest::newRow("Yes") << QStringList{"a.wav"} << int(MessageBoxes::Answer::Yes) << true;
        QTest::newRow("No") << QStringList{"a.wav"} << int(MessageBoxes::Answer::No) << false;
    }
    void clickedFolderIsTheFolderInUse() {
        QFETCH(QStringList, before);
        QFETCH(int, answer);
        QFETCH(bool, moved);
        const QString home = form->Dir1->path();
        for (int i = 0; i < 30; ++i) {
            QVERIFY(QDir(home).mkdir(QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0'))));
        }
        showForm();
        QTRY_COMPARE(form->Dir1->model()->rowCount(treeIndex(form->Dir1, home)), 31);
        // The lowest row wholly in view: a tree that re-centres on it moves another row under
        // the pointer before the button comes up.
        QModelIndex target;
        const auto lowestInView = [&] {
            // As a user would, scroll the folder's contents into view first.
            form->Dir1->scrollTo(treeIndex(form->Dir1, home), QAbstractItemView::PositionAtTop);
            const QRect view = form->Dir1->viewport()->rect();
            for (int row = 0; row < 31; ++row) {
                const QModelIndex index =
                    form->Dir1->model()->index(row, 0, treeIndex(form->Dir1, home));
                if (view.contains(form->Dir1->visualRect(index))) {
                    target = index;
                }
            }
            return target.isValid();
        };
        QTRY_VERIFY(lowestInView());
        const QString folder =
            form->Dir1->model()->data(target, QFileSystemModel::FilePathRole).toString();
        sine(QDir(folder).filePath("w.wav").mid(dir->path().size() + 1), 1.5);
        list(before);
        if (answer >= 0) {
            boxes->answers.push_back(MessageBoxes::Answer(answer));
        }
        QTest::mouseClick(form->Dir1->viewport(), Qt::LeftButton, {},
                          form->Dir1->visualRect(target).center());
        QCOMPARE(form->Dir1->path(), moved ? folder : home);
        checkSourceAgrees();
        if (moved) {
            list({"w.wav"});
        }
        // The destination chosen with the mouse is where the new file goes.
        clickFolder(form->Dir2, folder);
        QCOMPARE(highlighted(form->Dir2), folder);
        QCOMPARE(form->lblDestinationPath->path(), folder);
        splice(QStringLiteral("out"));
        QCOMPARE(QFileInfo(QDir(folder).filePath("out.wav")).size(),
                 44 + (moved ? 66150 : 44100) * 4);
    }

    // Arrow keys in the tree ask for the folder they reach, like a click.
    void keysMoveTheFolderInUseOnlyWhenAllowed_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("moved");
        QTest::newRow("Yes") << int(MessageBoxes::Answer::Yes) << true;
        QTest::newRow("No") << int(MessageBoxes::Answer::No) << false;
    }
    void keysMoveTheFolderInUseOnlyWhenAllowed() {
        QFETCH(int, answer);
        QFETCH(bool, moved);
        showForm();
        const QString home = form->Dir1->path();
        const QString sub = QDir(home).filePath(QStringLiteral("sub"));
        QTRY_VERIFY(treeIndex(form->Dir1, sub).isValid());
        list({"a.wav"});
        boxes->answers.push_back(MessageBoxes::Answer(answer));
        form->Dir1->setFocus();
        QTest::keyClick(form->Dir1, Qt::Key_Down);
        QTRY_COMPARE(boxes->shown.size(), size_t(1));
        QTRY_COMPARE(highlighted(form->Dir1), moved ? sub : home);
        QCOMPARE(form->Dir1->path(), moved ? sub : home);
        checkSourceAgrees();
        QCOMPARE(listed(), moved ? QStringList{} : QStringList{"a.wav"});
    }

    // The top folder of a drive is a row of its own: it is highlighted when the window starts
    // there, and it can be chosen again after leaving it, on either side.
    void driveTopFolderIsARowOfItsOwn() {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(dir->path()));
        form = std::make_unique<Form1>(*boxes);
        qputenv("HOME", home);
        showForm();
        const QString top = QDir(dir->path()).canonicalPath();
        const QString sub = QDir(top).filePath(QStringLiteral("sub"));
        for (DirBox* box : {form->Dir1, form->Dir2}) {
            QCOMPARE(box->path(), top);
            QCOMPARE(highlighted(box), top);
            clickFolder(box, sub);
            QCOMPARE(box->path(), sub);
            QCOMPARE(highlighted(box), sub);
            clickFolder(box, top);
            QCOMPARE(box->path(), top);
            QCOMPARE(highlighted(box), top);
        }
        checkSourceAgrees();
        QCOMPARE(form->lblDestinationPath->path(), top);
        QCOMPARE(form->File1->count(), 2);
    }

    void changingTheSourceFolder_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("moved");
        QTest::newRow("empty list: no question") << QStringList{} << -1 << true;
        QTest::newRow("Yes clears the list")
            << QStringList{"a.wav"} << int(MessageBoxes::Answer::Yes) << true;
        QTest::newRow("No keeps list and folder")
            << QStringList{"a.wav"} << int(MessageBoxes::Answer::No) << false;
    }
    void changingTheSourceFolder() {
        QFETCH(QStringList, before);
        QFETCH(int, answer);
        QFETCH(bool, moved);
        const QString home = form->Dir1->path();
        const QString sub = QDir(home).filePath(QStringLiteral("sub"));
        list(before);
        if (answer >= 0) {
            boxes->answers.push_back(MessageBoxes::Answer(answer));
        }
        form->Dir1->choose(sub);
        QCOMPARE(boxes->shown.size(), size_t(answer >= 0 ? 1 : 0));
        if (answer >= 0) {
            QCOMPARE(boxes->shown[0].title, QStringLiteral("Plemora"));
            QCOMPARE(boxes->shown[0].buttons, MessageBoxes::Buttons::YesNo);
            QCOMPARE(boxes->shown[0].text,
                     QStringLiteral("Files being spliced must be in the same directory.\n\n"
                                    "Do you wish to clear selected items and navigate\n"
                                    "to a new folder?"));
        }
        QCOMPARE(form->Dir1->path(), moved ? sub : home);
        QCOMPARE(form->File1->path(), moved ? sub : home);
        QCOMPARE(form->File1->count(), moved ? 0 : 2);
        QCOMPARE(listed(), moved ? QStringList{} : before);
    }

    // Picking another drive with files listed: No keeps the drive box on the drive in use.
    void otherDriveRefusedKeepsTheDriveInUse() {
        const QString drive = form->Drive1->drive();
        const QString home = form->Dir1->path();
        form->Drive1->addDrive(QStringLiteral("Other"), file(QStringLiteral("sub")));
        list({"a.wav"});
        boxes->answers.push_back(MessageBoxes::Answer::No);
        form->Drive1->setCurrentIndex(form->Drive1->count() - 1);
        QCOMPARE(boxes->shown.size(), size_t(1));
        QCOMPARE(form->Drive1->drive(), drive);
        QCOMPARE(form->Dir1->path(), home);
        checkSourceAgrees();
        boxes->answers.push_back(MessageBoxes::Answer::Yes);
        form->Drive1->setCurrentIndex(form->Drive1->count() - 1);
        QCOMPARE(form->Dir1->path(), file(QStringLiteral("sub")));
        QCOMPARE(highlighted(form->Dir1), file(QStringLiteral("sub")));
        checkSourceAgrees();
    }

    void unavailableDriveIsReportedAndTheFolderKept() {
        const QString gone = file(QStringLiteral("unplugged"));
        for (DriveBox* drive : {form->Drive1, form->Drive2}) {
            const QString before = (drive == form->Drive1 ? form->Dir1 : form->Dir2)->path();
            drive->addDrive(QStringLiteral("Removable"), gone);
            drive->setCurrentIndex(drive->count() - 1);
            QCOMPARE(boxes->texts().back(), QStringLiteral("Please insert drive or disk"));
            QCOMPARE(boxes->shown.back().title, QStringLiteral("Splicer"));
            QCOMPARE((drive == form->Drive1 ? form->Dir1 : form->Dir2)->path(), before);
            QVERIFY(drive->drive() != gone);
        }
        QCOMPARE(form->File1->count(), 2);
    }

    void progress_data() {
        QTest::addColumn<QList<double>>("seconds");
        QTest::addColumn<bool>("figuresBeforeTheEnd");
        QTest::newRow("all under ten seconds") << QList<double>{9.5, 3.0} << false;
        QTest::newRow("one of 25 seconds") << QList<double>{3.0, 25.0} << true;
    }
    void progress() {
        QFETCH(QList<double>, seconds);
        QFETCH(bool, figuresBeforeTheEnd);
        QStringList names;
        for (int i = 0; i < seconds.size(); ++i) {
            names << QStringLiteral("p%1.wav").arg(i);
            sine(names.back(), seconds[i]);
        }
        list(names);
        QStringList shown;
        connect(form->prgSplice, &QProgressBar::valueChanged, this, [&](int value) {
            if (value >= 0) {
                shown << form->Label1->text() + QLatin1Char('/') + QString::number(value);
            }
        });
        splice(QStringLiteral("out"));
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.back(), QStringLiteral("100%/100"));
        QCOMPARE(shown.size() > 1, figuresBeforeTheEnd);
        for (const QString& s : shown) {
            QCOMPARE(s.section('/', 0, 0), s.section('/', 1) + QLatin1Char('%'));
        }
    }

    void cancelStopsTheRunAndLeavesNoFile() {
        sine(QStringLiteral("long.wav"), 40.0);
        list({"long.wav"});
        connect(form->prgSplice, &QProgressBar::valueChanged, this, [&](int value) {
            if (value > 0) {
                QVERIFY(!form->cmdSplice->isEnabled() && !form->cmdUp->isEnabled());
                form->cmdCancel->click();
            }
        });
        splice(QStringLiteral("out"));
        QVERIFY(boxes->shown.empty());
        QCOMPARE(form->Label2->text(), QStringLiteral("Cancelled"));
        QVERIFY(!QFileInfo::exists(file(QStringLiteral("out.wav"))));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden).filter("out").size(), 0);
        QVERIFY(form->cmdSplice->isEnabled() && !form->cmdCancel->isEnabled());
    }
};

QTEST_MAIN(Form1Test)
#include "Form1_wtest.moc"
