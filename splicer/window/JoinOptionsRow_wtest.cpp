// The row of join options under the list, driven by keys and clicks in the real window:
// reached by Tab, remembered across runs, and what the splice does with it.

#include "WavWriter.h"
#include "splicer/RecordingMessageBoxes.h"
#include "wav/LoudnessMeter.h"
#include "window/ElidedLabel.h"
#include "window/Form1.h"
#include "window/JoinOptionsRow.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <memory>

class JoinOptionsRowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir, config;
    std::unique_ptr<RecordingMessageBoxes> boxes;
    std::unique_ptr<Form1> form;

    QString file(const QString& name) const { return dir->filePath(name); }
    JoinOptionsRow* row() const { return form->joinRow; }
    void open() {
        form = std::make_unique<Form1>(*boxes);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
    }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyClick(target, key, mods);
    }
    void typeInto(QAbstractSpinBox* box, const QString& text) {
        QCOMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    static void clickUpArrow(QAbstractSpinBox* box) {
        QStyleOptionSpinBox option;
        option.initFrom(box);
        option.subControls = QStyle::SC_SpinBoxUp;
        option.stepEnabled = QAbstractSpinBox::StepUpEnabled;
        const QRect up =
            box->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, up.center());
    }

private slots:
    void init() {
        config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", config->path().toLocal8Bit());
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()));
        boxes = std::make_unique<RecordingMessageBoxes>();
    }
    void cleanup() {
        form.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    // Off at first; Tab goes from the list's buttons through the row to Clear; Space, typing
    // and the arrow keys set it; a crossfade clears the gap and a gap the crossfade.
    void keyboardAloneSetsEveryOption() {
        open();
        QCOMPARE(row()->options().plain(), true);
        QVERIFY(!row()->spnTarget->isEnabled());
        form->cmdRemove->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), row()->chkLoudness);
        press(Qt::Key_Space);
        QVERIFY(row()->chkLoudness->isChecked());
        press(Qt::Key_Tab);
        typeInto(row()->spnTarget, QStringLiteral("-20"));
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), row()->spnGap);
        press(Qt::Key_Up);
        press(Qt::Key_Up);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), row()->spnCrossfade);
        JoinOptions o = row()->options();
        QVERIFY(o.matchLoudness);
        QCOMPARE(o.targetLufs, -20.0);
        QCOMPARE(o.gapSeconds, 1.0);
        QCOMPARE(o.crossfadeSeconds, 0.0);
        typeInto(row()->spnCrossfade, QStringLiteral("2.5"));
        o = row()->options();
        QCOMPARE(o.crossfadeSeconds, 2.5);
        QCOMPARE(o.gapSeconds, 0.0);
        QVERIFY(o.problem().empty());
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->cmdClear);
        // Out of range is held at the ends: -30 LUFS gives -23.
        row()->spnTarget->setFocus(Qt::TabFocusReason);
        typeInto(row()->spnTarget, QStringLiteral("-30"));
        QVERIFY(row()->spnTarget->value() >= -23);
        // Alt+G reaches the gap through its label.
        press(Qt::Key_G, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), row()->spnGap);
    }

    // The options take little width: the window, options and all, still fits a screen 1024
    // pixels wide with room to spare, and the corner grip can make it narrower than it opens.
    void theOptionsLeaveTheWindowNarrow() {
        open();
        QVERIFY2(form->minimumSizeHint().width() <= 960,
                 qPrintable(QString::number(form->minimumSizeHint().width())));
    }

    void mouseSetsTheOptionsAndTheyAreRememberedForTheNextRun() {
        open();
        QTest::mouseClick(row()->chkLoudness, Qt::LeftButton, {},
                          QPoint(8, row()->chkLoudness->height() / 2));
        QVERIFY(row()->chkLoudness->isChecked());
        QVERIFY(row()->spnTarget->isEnabled());
        clickUpArrow(row()->spnTarget);
        clickUpArrow(row()->spnCrossfade);
        QCOMPARE(row()->spnTarget->value(), -15);
        QCOMPARE(row()->spnCrossfade->value(), 0.5);
        form.reset();
        QVERIFY(QFile::exists(config->filePath(QStringLiteral("Tavrel/splicer.conf"))));

        open();
        const JoinOptions o = row()->options();
        QVERIFY(o.matchLoudness);
        QCOMPARE(o.targetLufs, -15.0);
        QCOMPARE(o.crossfadeSeconds, 0.5);
        QVERIFY(row()->spnTarget->isEnabled());
    }

    // A hand-edited file with values out of range, or with both a gap and a crossfade, comes
    // back usable.
    void aDamagedSettingsFileGivesUsableOptions() {
        QDir(config->path()).mkpath(QStringLiteral("Tavrel"));
        QVERIFY(testmedia::writeFile(
            config->filePath(QStringLiteral("Tavrel/splicer.conf")).toStdString(),
            {'[', 'j', 'o', 'i', 'n', ']', '\n'}));
        QFile f(config->filePath(QStringLiteral("Tavrel/splicer.conf")));
        QVERIFY(f.open(QIODevice::Append));
        f.write("matchLoudness=banana\ntargetLufs=-99\ngapSeconds=3\ncrossfadeSeconds=77\n");
        f.close();
        open();
        const JoinOptions o = row()->options();
        QVERIFY(o.problem().empty());
        QCOMPARE(o.targetLufs, -23.0);
        QCOMPARE(o.gapSeconds, 3.0);
        QCOMPARE(o.crossfadeSeconds, 0.0);
    }

    // SPLICE with the options set: each file at the target, a gap between them, and each
    // file's gain on its tooltip in the list.
    void theSpliceUsesTheOptions() {
        const testmedia::WavFormat cd;
        QVERIFY(testmedia::writeSineWav(file(QStringLiteral("quiet.wav")).toStdString(), 2.0, cd,
                                        1000, 0.01));
        QVERIFY(testmedia::writeSineWav(file(QStringLiteral("loud.wav")).toStdString(), 3.0, cd,
                                        1000, 0.7));
        open();
        row()->chkLoudness->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Space);
        row()->spnGap->setFocus(Qt::TabFocusReason);
        typeInto(row()->spnGap, QStringLiteral("0.5"));
        form->lstFiles->addItems({QStringLiteral("quiet.wav"), QStringLiteral("loud.wav")});
        form->txtFile->setText(QStringLiteral("out"));
        QTest::mouseClick(form->cmdSplice, Qt::LeftButton);
        QCOMPARE(form->Label2->text().left(9), QStringLiteral("FINISHED!"));
        QVERIFY(form->Label2->text().contains(QStringLiteral("tooltip")));

        QFile out(file(QStringLiteral("out.wav")));
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray bytes = out.readAll().mid(44);
        QCOMPARE(bytes.size(), (2 * 44100 + 22050 + 3 * 44100) * 4);
        const std::vector<uint8_t> pcm(bytes.begin(), bytes.end());
        const std::vector<double> l = testmedia::channelOf16(pcm, 2, 0);
        const auto lufs = [&](size_t from, size_t to) {
            std::vector<float> a(l.begin() + from, l.begin() + to);
            const float* planes[] = {a.data(), a.data()};
            LoudnessMeter meter(2, 44100);
            meter.add(planes, 2, a.size());
            return meter.integrated();
        };
        QVERIFY(std::fabs(lufs(0, 88200) + 16) < 0.1);
        QVERIFY(std::fabs(lufs(88200 + 22050, l.size()) + 16) < 0.1);
        for (int i = 0; i < 2; ++i) {
            QVERIFY2(form->lstFiles->item(i)->toolTip().contains(QStringLiteral("Gain")),
                     qPrintable(form->lstFiles->item(i)->toolTip()));
        }
        QVERIFY(form->lstFiles->item(0)->toolTip().contains(QStringLiteral("+")));
    }
};

QTEST_MAIN(JoinOptionsRowTest)
#include "JoinOptionsRow_wtest.moc"
