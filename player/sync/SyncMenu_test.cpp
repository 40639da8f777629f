// "Sync with Corvane" against a fake Wine prefix in a temporary home folder.

#include "sync/ReadUtilityIni.h"
#include "sync/SyncMenu.h"
#include "sync/WinePaths.h"

#include "player/RecordingPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

class SyncHome : public ::testing::Test {
protected:
    QTemporaryDir home;
    QByteArray savedHome = qgetenv("HOME");
    QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");

    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    }
    void TearDown() override {
        qputenv("HOME", savedHome);
        qputenv("XDG_CONFIG_HOME", savedConfig);
    }

    QString at(const QString& relative) const { return home.path() + QLatin1Char('/') + relative; }
    void writeFile(const QString& relative, const QByteArray& bytes) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(relative)).path()));
        QFile f(at(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void linkDrive(char letter, const QString& target) {
        ASSERT_TRUE(QDir().mkpath(at(QStringLiteral(".wine/dosdevices"))));
        ASSERT_TRUE(QFile::link(target, at(QStringLiteral(".wine/dosdevices/%1:").arg(letter))));
    }
    void writeExchange(const QByteArray& bytes) {
        writeFile(QStringLiteral(".wine/drive_c/CorvaneFiles/CorvaneUtilityFile.ini"), bytes);
    }
};

struct SyncRun {
    RecordingPlatform platform;
    QStringList opened;
    void click() {
        mnuOptionsSync_Click(platform, [this](QString& path) { opened << path; });
    }
};

const QString notice = QStringLiteral("Unable to comply with request\r\n"
                                      "(Requires Corvane Version 5 or above)");

TEST_F(SyncHome, NoTrackNamedShowsNoticeOnly) {
    const std::optional<QByteArray> exchanges[] = {
        std::nullopt,                            // no CorvaneFiles folder at all
        QByteArray("[Other]\r\nPath=x.wav\r\n"), // no section
        QByteArray("[Tavrel]\r\nName=x\r\n"),    // no key
        QByteArray("[Tavrel]\r\nPath=\r\n"),     // empty value
        QByteArray("[Tavrel]\r\nPath=NOT ENTERED\r\n"),
        QByteArray("[Tavrel]\r\nPath=not entered\r\n"),
    };
    for (const auto& exchange : exchanges) {
        QFile::remove(at(QStringLiteral(".wine/drive_c/CorvaneFiles/CorvaneUtilityFile.ini")));
        if (exchange)
            writeExchange(*exchange);
        SyncRun run;
        run.click();
        EXPECT_TRUE(run.opened.isEmpty());
        ASSERT_EQ(run.platform.messages.size(), 1u) << exchange.value_or("<none>").constData();
        const RecordedMessage& m = run.platform.messages.front();
        EXPECT_EQ(m.text, notice);
        EXPECT_EQ(m.title, QStringLiteral("Tavrel"));
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
        EXPECT_EQ(m.icon, MsgIcon::None);
    }
}

TEST_F(SyncHome, WindowsPathMappedThroughTheDriveLinks) {
    linkDrive('c', QStringLiteral("../drive_c"));
    linkDrive('d', at(QStringLiteral("media/music")));
    const struct {
        QByteArray named;
        QString opened;
    } cases[] = {
        {"C:\\Music\\Song One.mp3", at(QStringLiteral(".wine/drive_c/Music/Song One.mp3"))},
        {"c:/Music/x.wav", at(QStringLiteral(".wine/drive_c/Music/x.wav"))},
        {"D:\\Takes\\take 1.wav", at(QStringLiteral("media/music/Takes/take 1.wav"))},
        {"E:\\unmapped.wav", QStringLiteral("E:\\unmapped.wav")},
        {"/srv/tracks/linux.wav", QStringLiteral("/srv/tracks/linux.wav")},
        {"\\\\server\\share\\a.wav", QStringLiteral("\\\\server\\share\\a.wav")},
        // The file's own rules take the quotes off; nothing else is trimmed.
        {"\"  padded.wav \"", QStringLiteral("  padded.wav ")},
    };
    for (const auto& c : cases) {
        writeExchange("[Tavrel]\r\nPath=" + c.named + "\r\n");
        SyncRun run;
        run.click();
        EXPECT_TRUE(run.platform.messages.empty()) << c.named.constData();
        EXPECT_EQ(run.opened, QStringList{c.opened}) << c.named.constData();
    }
}

TEST_F(SyncHome, PrefixFileWinsOverHomeFolderFile) {
    writeFile(QStringLiteral("CorvaneFiles/CorvaneUtilityFile.ini"), "[Tavrel]\nPath=/home.wav\n");
    SyncRun fromHome;
    fromHome.click();
    EXPECT_EQ(fromHome.opened, QStringList{QStringLiteral("/home.wav")});

    writeExchange("[Tavrel]\nPath=/prefix.wav\n");
    SyncRun fromPrefix;
    fromPrefix.click();
    EXPECT_EQ(fromPrefix.opened, QStringList{QStringLiteral("/prefix.wav")});
}

TEST_F(SyncHome, SameTrackIsOpenedAgainWhetherOrNotItExists) {
    writeExchange("[Tavrel]\nPath=/no/such/track.mp3\n");
    SyncRun run;
    run.click();
    run.click();
    EXPECT_EQ(run.opened, (QStringList{2, QStringLiteral("/no/such/track.mp3")}));
    EXPECT_TRUE(run.platform.messages.empty());
}

TEST_F(SyncHome, ReadUtilityIniCarriesNothingOverFromEarlierReads) {
    writeExchange("[Tavrel]\nPath=/a.wav\nOther=1\n");
    EXPECT_EQ(ReadUtilityIni(QStringLiteral("Tavrel"), QStringLiteral("Other"),
                             QStringLiteral("CorvaneUtilityFile")),
              QStringLiteral("1"));
    EXPECT_EQ(ReadUtilityIni(QStringLiteral("Tavrel"), QStringLiteral("Missing"),
                             QStringLiteral("CorvaneUtilityFile")),
              QStringLiteral("Not Entered"));
    EXPECT_EQ(ReadUtilityIni(QStringLiteral("Tavrel"), QStringLiteral("Path"),
                             QStringLiteral("NoSuchFile")),
              QStringLiteral("Not Entered"));
}

} // namespace
