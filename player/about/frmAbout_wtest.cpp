// The about box: its captions, closing by Enter and Escape, and the system-information button
// over scripted machine settings.

#include "about/SysInfo.h"
#include "about/frmAbout.h"
#include "player/FakeMachineSettings.h"
#include "player/RecordingPlatform.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QString executableIn(const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

class frmAboutTest : public QObject {
    Q_OBJECT

private slots:
    void captions();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
    void sysInfo_data();
    void sysInfo();
    void showModalWaitsForClose();
    void picturesAreDrawn();
};

void frmAboutTest::captions() {
    RecordingPlatform platform;
    FakeMachineSettings settings;
    frmAbout box(platform, settings);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Tavrel"));
    QCOMPARE(box.lblTitle()->text(), QStringLiteral("Tavrel"));
    QCOMPARE(box.lblVersion()->text(), QStringLiteral("Version 2.0.0"));
    QVERIFY(!box.lblDisclaimer()->text().isEmpty());
    QCOMPARE(box.cmdOK()->text(), QStringLiteral("OK"));
    QVERIFY(box.cmdOK()->isDefault());
    QCOMPARE(box.cmdSysInfo()->text(), QStringLiteral("&System Info..."));
    QVERIFY(box.findChild<QWidget*>(QStringLiteral("picIcon")));
    QVERIFY(box.findChild<QWidget*>(QStringLiteral("Image1")));
}

void frmAboutTest::enterAndEscapeClose_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("focusSysInfo");
    QTest::newRow("Enter") << int(Qt::Key_Return) << false;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false;
    QTest::newRow("Enter with System Info focused") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
}

void frmAboutTest::enterAndEscapeClose() {
    QFETCH(int, key);
    QFETCH(bool, focusSysInfo);
    RecordingPlatform platform;
    FakeMachineSettings settings;
    frmAbout box(platform, settings);
    box.open();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    if (focusSysInfo) {
        box.cmdSysInfo()->setFocus();
    }
    QTest::keyClick(&box, Qt::Key(key));
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(platform.startedPrograms.isEmpty());
}

void frmAboutTest::sysInfo_data() {
    QTest::addColumn<QString>("programPath"); // value under the first key, "" = absent
    QTest::addColumn<int>("folder");          // 0 absent, 1 lacking the program, 2 holding it
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<bool>("expectStarted");

    QTest::newRow("first value started directly, even if no such file")
        << "/nowhere/sysinfo" << 0 << true << true;
    QTest::newRow("first value wins over the folder") << "/usr/bin/sysinfo" << 2 << true << true;
    QTest::newRow("first value fails to start") << "/nowhere/sysinfo" << 0 << false << false;
    QTest::newRow("only folder, program missing") << "" << 1 << true << false;
    QTest::newRow("only folder, program present") << "" << 2 << true << true;
    QTest::newRow("only folder, program fails to start") << "" << 2 << false << false;
    QTest::newRow("neither value") << "" << 0 << true << false;
}

void frmAboutTest::sysInfo() {
    QFETCH(QString, programPath);
    QFETCH(int, folder);
    QFETCH(bool, startSucceeds);
    QFETCH(bool, expectStarted);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeMachineSettings settings;
    if (!programPath.isEmpty()) {
        settings.setText(SysInfoKey, SysInfoValue, programPath);
    }
    QString folderProgram;
    if (folder > 0) {
        settings.setText(SysInfoLocationKey, SysInfoLocationValue, dir.path());
    }
    if (folder == 2) {
        folderProgram = executableIn(dir.path(), SysInfoFileName);
    }

    RecordingPlatform platform;
    platform.startSucceeds = startSucceeds;
    frmAbout box(platform, settings);
    box.open();
    QTest::mouseClick(box.cmdSysInfo(), Qt::LeftButton);

    const QString expectedProgram = programPath.isEmpty() ? folderProgram : programPath;
    if (expectStarted) {
        QCOMPARE(platform.startedPrograms, QStringList{expectedProgram});
        QVERIFY(platform.messages.empty());
    } else {
        QCOMPARE(platform.messages.size(), size_t(1));
        const RecordedMessage& message = platform.messages.front();
        QCOMPARE(message.text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(message.title, QStringLiteral("Tavrel"));
        QCOMPARE(message.buttons, MsgButtons::Ok);
        QCOMPARE(message.icon, MsgIcon::None);
    }
    QCOMPARE(settings.openHandles(), 0);
    QVERIFY(box.isVisible());
}

void frmAboutTest::showModalWaitsForClose() {
    RecordingPlatform platform;
    QString title;
    bool ownerless = false;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        ownerless = box->parentWidget() == nullptr;
        modal = box->isModal();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    frmAbout::showModal(platform);
    QCOMPARE(title, QStringLiteral("About Tavrel"));
    QVERIFY(ownerless);
    QVERIFY(modal);
}

// The icon and the picture come from resources compiled into the program: a missing or
// unreadable picture leaves its area a flat fill, which the user sees as an empty box.
void frmAboutTest::picturesAreDrawn() {
    RecordingPlatform platform;
    FakeMachineSettings settings;
    frmAbout box(platform, settings);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (const char* name : {"picIcon", "Image1"}) {
        auto* picture = box.findChild<QWidget*>(QLatin1String(name));
        QVERIFY(picture);
        const QImage image = picture->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2) {
                colours.insert(image.pixel(x, y));
            }
        }
        QVERIFY2(colours.size() >= 4, name);
    }
    QDir().mkpath(QStringLiteral(SCREENSHOT_DIR));
    QVERIFY(box.grab().save(QStringLiteral(SCREENSHOT_DIR "/about.png")));
}

QTEST_MAIN(frmAboutTest)
#include "frmAbout_wtest.moc"
