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
    std::optional<QByteArray> savedPrefix = qEnvironmentVariableIsSet("WINEPREFIX")
                                                ? std::optional(qgetenv("WINEPREFIX"))
                                                : std::nullopt;

    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
        qunsetenv("WINEPREFIX");
    }
    void TearDown() override {
        qputenv("HOME", savedHome);
        qputenv("XDG_CONFIG_HOME", savedConfig);
        if (savedPrefix) {
            qputenv("WINEPREFIX", *savedPrefix);
        } else {
            qunsetenv("WINEPREFIX");
        }
    }

    QString at(const QString& relative) const { return home.path() + QLatin1Char('/') + relative; }
    void writeFile(const QString& relative, const QByteArray& bytes) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at(relative)).path()));
        QFile f(at(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void linkDrive(char letter, const QString& target,
                   const QString& prefix = QStringLiteral(".wine")) {
        ASSERT_TRUE(QDir().mkpath(at(prefix + QStringLiteral("/dosdevices"))));
        ASSERT_TRUE(
            QFile::link(target, at(prefix + QStringLiteral("/dosdevices/%1:").arg(letter))));
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
        if (exchange) {
            writeExchange(*exchange);
        }
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

// UTF-8 text as a UTF-16 file with its byte-order mark.
QByteArray utf16(const QString& text, bool bigEndian) {
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        const char hi = static_cast<char>(c.unicode() >> 8);
        const char lo = static_cast<char>(c.unicode() & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// Exchange files as Windows programs write them under Wine, each naming a track that exists.
TEST_F(SyncHome, EveryFormOfExchangeFileOpensTheNamedTrack) {
    linkDrive('c', QStringLiteral("../drive_c"));
    linkDrive('d', at(QStringLiteral("media")));
    const QString takeOne = QStringLiteral(".wine/drive_c/Music/Take One.mp3");
    const QString dontStop = QStringLiteral("media/Don’t Stop.mp3");
    const QString uber = QStringLiteral("media/Über Alles.wav");
    for (const QString& track : {takeOne, dontStop, uber}) {
        writeFile(track, "track");
    }
    const QString uberLine = QStringLiteral("[Tavrel]\r\nPath=D:\\Über Alles.wav\r\n");

    const struct {
        const char* form;
        QByteArray exchange;
        QString track;
    } cases[] = {
        {"CR LF", "[Tavrel]\r\nPath=C:\\Music\\Take One.mp3\r\n", takeOne},
        {"LF", "[Tavrel]\nPath=C:\\Music\\Take One.mp3\n", takeOne},
        {"CR", "[Other]\rPath=x\r[Tavrel]\rPath=C:\\Music\\Take One.mp3\r", takeOne},
        {"Windows-1252 0x92", "[Tavrel]\r\nPath=D:\\Don\x92t Stop.mp3\r\n", dontStop},
        {"Windows-1252 0xDC",
         "[Tavrel]\r\nPath=D:\\\xDC"
         "ber Alles.wav\r\n",
         uber},
        {"UTF-8", "[Tavrel]\r\nPath=D:\\Don\xE2\x80\x99t Stop.mp3\r\n", dontStop},
        {"UTF-8 with mark",
         "\xEF\xBB\xBF[Tavrel]\r\nPath=D:\\\xC3\x9C"
         "ber Alles.wav\r\n",
         uber},
        {"UTF-16 LE", utf16(uberLine, false), uber},
        {"UTF-16 BE", utf16(uberLine, true), uber},
        {"names in other case", "[TAVREL]\r\npATH=C:\\Music\\Take One.mp3\r\n", takeOne},
        {"padded", "  [ Tavrel ]  \r\n \t Path  =   C:\\Music\\Take One.mp3 \t \r\n", takeOne},
        {"quoted", "[Tavrel]\r\nPath=\"C:\\Music\\Take One.mp3\"\r\n", takeOne},
        {"path in other case", "[Tavrel]\r\nPath=C:\\MUSIC\\take one.MP3\r\n", takeOne},
        {"non-ASCII path in other case",
         "[Tavrel]\r\nPath=d:/\xC3\xBC"
         "BER alles.WAV\r\n",
         uber},
        {"dot names", "[Tavrel]\r\nPath=C:\\Music\\.\\..\\music\\TAKE ONE.mp3\r\n", takeOne},
        {"above the root", "[Tavrel]\r\nPath=C:\\..\\..\\Music\\Take One.mp3\r\n", takeOne},
        {"all at once", "[tavrel]\r  path = \"d:\\DON\x92T stop.Mp3\" \r", dontStop},
    };
    for (const auto& c : cases) {
        writeExchange(c.exchange);
        SyncRun run;
        run.click();
        EXPECT_TRUE(run.platform.messages.empty()) << c.form;
        EXPECT_EQ(run.opened, QStringList{at(c.track)}) << c.form;
    }
}

TEST_F(SyncHome, PrefixesSearchedInOrderAndTheirOwnDrivesUsed) {
    const QString name = QStringLiteral("CorvaneFiles/CorvaneUtilityFile.ini");
    const QString named = QStringLiteral("named");
    // A winetricks prefix without drive links: C: is its drive_c; the folder and file names
    // are in other letter case, as Windows would not mind.
    writeFile(
        QStringLiteral(".local/share/wineprefixes/b/drive_c/corvanefiles/CORVANEUTILITYFILE.INI"),
        "[Tavrel]\r\nPath=C:\\b.wav\r\n");
    writeFile(QStringLiteral(".local/share/wineprefixes/b/drive_c/b.wav"), "track");
    writeFile(QStringLiteral(".local/share/wineprefixes/a/drive_c/a.wav"), "track");
    SyncRun fromWinetricks;
    fromWinetricks.click();
    EXPECT_EQ(fromWinetricks.opened,
              QStringList{at(QStringLiteral(".local/share/wineprefixes/b/drive_c/b.wav"))});

    writeFile(QStringLiteral(".local/share/wineprefixes/a/drive_c/") + name,
              "[Tavrel]\r\nPath=C:\\A.WAV\r\n");
    SyncRun fromFirstByName;
    fromFirstByName.click();
    EXPECT_EQ(fromFirstByName.opened,
              QStringList{at(QStringLiteral(".local/share/wineprefixes/a/drive_c/a.wav"))});

    writeFile(QStringLiteral(".wine/drive_c/") + name, "[Tavrel]\r\nPath=/wine.wav\r\n");
    SyncRun fromDefault;
    fromDefault.click();
    EXPECT_EQ(fromDefault.opened, QStringList{QStringLiteral("/wine.wav")});

    writeFile(named + QStringLiteral("/drive_c/") + name, "[Tavrel]\r\nPath=/named.wav\r\n");
    qputenv("WINEPREFIX", at(named).toUtf8());
    SyncRun fromNamed;
    fromNamed.click();
    EXPECT_EQ(fromNamed.opened, QStringList{QStringLiteral("/named.wav")});
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
