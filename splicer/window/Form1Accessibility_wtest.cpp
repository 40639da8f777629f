// The splicer window as a screen reader and a keyboard user meet it: what its controls are
// called, where Tab goes and how the focus shows, the title bar's buttons worked by keys, and
// what a splice started from the keyboard says while it runs.

#include "WavWriter.h"
#include "splicer/RecordingMessageBoxes.h"
#include "titlebar/TitelBar.h"
#include "window/Announcer.h"
#include "window/DirBox.h"
#include "window/DriveBox.h"
#include "window/ElidedLabel.h"
#include "window/FileBox.h"
#include "window/Form1.h"
#include "window/JoinOptionsRow.h"
#include "window/PathLabel.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFocusFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

class Form1AccessibilityTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessageBoxes> boxes;
    std::unique_ptr<Form1> form;

    QString file(const QString& name) const { return dir->filePath(name); }
    QWidget* titleButton(const char* name) const {
        return form->TB->findChild<QWidget*>(QLatin1String(name));
    }
    void showActive() {
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* at = QApplication::focusWidget();
        QVERIFY(at);
        QTest::keyClick(at, Qt::Key(key), modifiers);
    }
    static QString accessibleName(QWidget* w) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
    }
    // Every pixel of the window's picture on the line one pixel outside `w` on each side.
    bool ringedInPicture(const QImage& picture, QWidget* w) const {
        const QRect r(w->mapTo(form.get(), QPoint(0, 0)), w->size());
        const QRect around = r.adjusted(-1, -1, 1, 1);
        const QColor ring(200, 100, 0);
        const auto is = [&](int x, int y) { return picture.pixelColor(x, y) == ring; };
        for (int x = around.left(); x <= around.right(); ++x) {
            if (!is(x, around.top()) || !is(x, around.bottom())) {
                return false;
            }
        }
        for (int y = around.top(); y <= around.bottom(); ++y) {
            if (!is(around.left(), y) || !is(around.right(), y)) {
                return false;
            }
        }
        return true;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        boxes = std::make_unique<RecordingMessageBoxes>();
    }
    void cleanup() {
        form.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    // Picture-only buttons, boxes and the labels that show state have names (the caption
    // beside them where there is one); the buttons also say what they do.
    void controlsHaveNamesAndRoles() {
        form = std::make_unique<Form1>(*boxes);
        const QString here = form->Dir1->path();
        struct Expected {
            QWidget* w;
            QAccessible::Role role;
            QString name;
            bool described;
            QLabel* labelledBy = nullptr;
        };
        // A drop-down list is named by its entry; its caption is the label that labels it.
        const QString drive = form->Drive1->currentText();
        const std::vector<Expected> table = {
            {form->TB, QAccessible::ToolBar, "Plemora", false},
            {titleButton("TBAR_"), QAccessible::Button, "Minimise", true},
            {titleButton("TBARMax"), QAccessible::Button, "Maximise", true},
            {titleButton("TBARX"), QAccessible::Button, "Close", true},
            {form->Drive1, QAccessible::ComboBox, drive, true, form->Label10},
            {form->Dir1, QAccessible::Tree, "Folder to locate files in", false},
            {form->lblSourcePath, QAccessible::StaticText, "Files are located in: " + here, false},
            {form->File1, QAccessible::List, "WAV files to choose from", true},
            {form->cmdAdd, QAccessible::Button, "Add", true},
            {form->lstFiles, QAccessible::List, "Files to splice", true},
            {form->cmdUp, QAccessible::Button, "Move up", true},
            {form->cmdDown, QAccessible::Button, "Move down", true},
            {form->cmdRemove, QAccessible::Button, "Remove", true},
            {form->joinRow->chkLoudness, QAccessible::CheckBox, "Match loudness", true},
            {form->joinRow->spnTarget, QAccessible::SpinBox, "Loudness target", true},
            {form->joinRow->spnGap, QAccessible::SpinBox, "Gap", true},
            {form->joinRow->spnCrossfade, QAccessible::SpinBox, "Crossfade", true},
            {form->cmdClear, QAccessible::Button, "Clear", true},
            {form->Drive2, QAccessible::ComboBox, drive, true, form->Label4},
            {form->Dir2, QAccessible::Tree, "Folder to send the new file to", false},
            {form->lblDestinationPath, QAccessible::StaticText, "New file goes to: " + here, false},
            {form->txtFile, QAccessible::EditableText, "Name of the new file", true},
            {form->cmdSplice, QAccessible::Button, "Splice", true},
            {form->Label1, QAccessible::StaticText, "Progress", false},
            {form->Label2, QAccessible::StaticText, "Status", false},
            {form->prgSplice, QAccessible::ProgressBar, "Splice progress", false},
            {form->cmdCancel, QAccessible::Button, "Cancel", true},
            {form->cmdExit, QAccessible::Button, "Exit", true},
            {form->announcer, QAccessible::Notification, "", false},
        };
        for (const Expected& e : table) {
            QVERIFY(e.w);
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(e.w);
            QVERIFY(iface);
            QCOMPARE(iface->text(QAccessible::Name), e.name);
            QVERIFY2(iface->role() == e.role, qPrintable(e.name));
            QVERIFY2(!e.described || !iface->text(QAccessible::Description).isEmpty(),
                     qPrintable(e.name));
            if (e.labelledBy) {
                const auto labels = iface->relations(QAccessible::Label);
                QVERIFY2(!labels.isEmpty(), qPrintable(e.name));
                QCOMPARE(labels.first().first->object(), e.labelledBy);
            }
        }

        // The path labels follow the folder in use, named without the breaks of the wrapping.
        QVERIFY(QDir(here).mkdir(QStringLiteral("a/b")) || QDir(here).mkpath("a/b"));
        form->Dir2->choose(QDir(here).filePath(QStringLiteral("a/b")));
        QCOMPARE(accessibleName(form->lblDestinationPath),
                 "New file goes to: " + QDir(here).filePath(QStringLiteral("a/b")));
    }

    // Tab visits every control in the order the window reads, the title bar's buttons
    // first, and a ring shows around each; the window opens with the focus on the first box.
    void tabFollowsTheLayoutWithAVisibleRing() {
        form = std::make_unique<Form1>(*boxes);
        showActive();
        QCOMPARE(QApplication::focusWidget(), form->Drive1);
        const QList<QWidget*> order = {
            form->Drive1, form->Dir1, form->File1, form->cmdAdd, form->lstFiles, form->cmdUp,
            form->cmdDown, form->cmdRemove,
            // The loudness target is off (and passed over) until Match loudness is checked.
            form->joinRow->chkLoudness, form->joinRow->spnGap, form->joinRow->spnCrossfade,
            form->cmdClear, form->Drive2, form->Dir2, form->txtFile, form->cmdSplice, form->cmdExit,
            titleButton("TBAR_"), titleButton("TBARMax"), titleButton("TBARX"), form->Drive1};
        QList<QWidget*> visited{QApplication::focusWidget()};
        for (int i = 1; i < order.size(); ++i) {
            const QImage picture = form->grab().toImage();
            QVERIFY2(ringedInPicture(picture, QApplication::focusWidget()),
                     qPrintable(accessibleName(QApplication::focusWidget())));
            press(Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited, order);
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), titleButton("TBARX"));
        // A click on a window button leaves the focus where it was, as it always has.
        QTest::mouseClick(form->txtFile, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), form->txtFile);
        form->setMaximumSize(1600, 1100);
        QTest::mousePress(titleButton("TBARMax"), Qt::LeftButton, {}, {8, 8});
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        QCOMPARE(QApplication::focusWidget(), form->TB);
        QVERIFY(!form->findChild<QFocusFrame*>()->isVisible());
    }

    // The window buttons do with Space or Enter what a click does; one the bar shows as
    // disabled is passed by and does nothing.
    void titleBarButtonsWorkFromTheKeyboard() {
        form = std::make_unique<Form1>(*boxes);
        form->setMaximumSize(1600, 1100);
        showActive();
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), titleButton("TBARMax"));
        press(Qt::Key_Space);
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        QCOMPARE(accessibleName(titleButton("TBARMax")), QStringLiteral("Restore"));
        press(Qt::Key_Return);
        QVERIFY(!(form->windowState() & Qt::WindowMaximized));
        QCOMPARE(accessibleName(titleButton("TBARMax")), QStringLiteral("Maximise"));

        press(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), titleButton("TBAR_"));
        press(Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(form->windowState() & Qt::WindowMinimized);
        form->showNormal();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));

        form->TB->setShowMaximizedEnabled(false);
        titleButton("TBAR_")->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), titleButton("TBARX"));
        QTest::keyClick(titleButton("TBARMax"), Qt::Key_Space);
        QVERIFY(!(form->windowState() & Qt::WindowMaximized));
        QVERIFY(QAccessible::queryAccessibleInterface(titleButton("TBARMax"))->state().disabled);

        press(Qt::Key_Space);
        QVERIFY(!form->isVisible());
    }

    // A splice started from the keyboard tells a screen reader, once each, the file it is
    // joining, its progress at each tenth passed, and how it ended.
    void spliceAnnouncesFileProgressAndOutcome_data() {
        QTest::addColumn<QList<double>>("seconds"); // 0: a file that is not a WAV file
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("outcome");
        // Lengths that are no multiple of ten seconds: the engine's own figures stop short of
        // 100, which the window shows once the run is over.
        QTest::newRow("finished") << QList<double>{125, 103} << false
                                  << QStringList{"p0.wav", "p1.wav"}
                                  << "Finished! out.wav was written.";
        QTest::newRow("failed") << QList<double>{0} << false << QStringList{}
                                << "Failed! out.wav was not written. No files to join";
        QTest::newRow("cancelled") << QList<double>{125} << true << QStringList{"p0.wav"}
                                   << "Cancelled. out.wav was not written.";
    }
    void spliceAnnouncesFileProgressAndOutcome() {
        QFETCH(QList<double>, seconds);
        QFETCH(bool, cancel);
        QFETCH(QStringList, files);
        QFETCH(QString, outcome);
        for (int i = 0; i < seconds.size(); ++i) {
            const QString name = file(QStringLiteral("p%1.wav").arg(i));
            if (seconds[i] > 0) {
                QVERIFY(testmedia::writeSineWav(name.toStdString(), seconds[i]));
            } else {
                QVERIFY(testmedia::writeFile(name.toStdString(), {'n', 'o'}));
            }
        }
        form = std::make_unique<Form1>(*boxes);
        showActive();
        QList<int> reported;
        connect(form->prgSplice, &QProgressBar::valueChanged, this, [&](int value) {
            if (value <= 0 || value == 100) { // 100 is also set once the run is over
                return;
            }
            reported << value;
            if (cancel) {
                QTest::keyClick(form->cmdCancel, Qt::Key_Space);
            }
        });

        // Every file of the folder into the list, a name, Enter.
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->File1);
        press(Qt::Key_A, Qt::ControlModifier);
        press(Qt::Key_Tab);
        press(Qt::Key_Space);
        QCOMPARE(form->lstFiles->count(), int(seconds.size()));
        for (int i = 0; i < 14 && QApplication::focusWidget() != form->txtFile; ++i) {
            press(Qt::Key_Tab);
        }
        QTest::keyClicks(form->txtFile, QStringLiteral("out"));
        // Each text is the name of the notification when it is handed on.
        QStringList said;
        connect(form->announcer, &Announcer::announced, this, [&](const QString& text) {
            QAccessibleInterface* iface =
                QAccessible::queryAccessibleInterface(form->announcer->lastVoice());
            QCOMPARE(iface->role(), QAccessible::Notification);
            QCOMPARE(iface->text(QAccessible::Name), text);
            said << text;
        });
        press(Qt::Key_Return);
        QVERIFY2(!said.isEmpty(), "nothing was announced");
        QCOMPARE(said.takeLast(), outcome);
        QStringList joining;
        QList<int> tenths;
        for (const QString& s : said) {
            if (s.startsWith(QLatin1String("Splicing "))) {
                joining << s.mid(9);
            } else {
                QVERIFY2(s.startsWith(QLatin1String("Progress: ")) && s.endsWith('%'),
                         qPrintable(s));
                const int percent = s.mid(10).chopped(1).toInt();
                QVERIFY2(reported.contains(percent), qPrintable(s));
                tenths << percent / 10;
            }
        }
        QCOMPARE(joining, files);
        // Each tenth the run passed is said once, the first time a figure in it is shown.
        QList<int> passed;
        for (int value : reported) {
            if (value >= 10 && !passed.contains(value / 10)) {
                passed << value / 10;
            }
        }
        QCOMPARE(tenths, passed);
        if (!cancel && !files.isEmpty()) {
            QVERIFY(reported.size() > 2 * passed.size()); // figures came more often than that
        }
        // The labels of the progress are named after what they show.
        const QString status = form->Label2->text();
        QCOMPARE(accessibleName(form->Label2), "Status: " + status);
        QCOMPARE(accessibleName(form->Label1), form->Label1->text().isEmpty()
                                                   ? QStringLiteral("Progress")
                                                   : "Progress: " + form->Label1->text());
    }
};

QTEST_MAIN(Form1AccessibilityTest)
#include "Form1Accessibility_wtest.moc"
