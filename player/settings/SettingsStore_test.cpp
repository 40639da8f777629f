#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>

namespace {

const QString app = QStringLiteral("Tavrel");
const QString none = QStringLiteral("<none>");

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SettingsStore::setProblemHandler([this](const QString& m) { messages.append(m); });
    }
    void TearDown() override { SettingsStore::setProblemHandler(nullptr); }

    QString path(const QString& name = QStringLiteral("settings.db")) const {
        return dir.filePath(name);
    }
    QStringList asideFiles() const {
        return QDir(dir.path()).entryList({QStringLiteral("*-damaged-*")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir dir;
    QStringList messages;
};

// Runs the sqlite3 command-line tool on a store file; empty when the tool is not installed.
QString sqliteCli(const QString& file, const QString& command) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (tool.isEmpty()) {
        return QString();
    }
    QProcess p;
    p.start(tool, {file, command});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Sets or clears the immutable attribute, which holds even against root; false when the file
// system or the process cannot do that.
bool setImmutable(const QString& file, bool on) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// A valid SQLite file that holds a "settings" table of a different layout.
QByteArray foreignDatabase(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE settings(name TEXT, value TEXT);"
                 "INSERT INTO settings VALUES('volume', '11')",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class ImmutableGuard {
public:
    explicit ImmutableGuard(QString file)
        : m_file(std::move(file)), m_set(setImmutable(m_file, true)) {}
    ~ImmutableGuard() {
        if (m_set) {
            setImmutable(m_file, false);
        }
    }
    bool active() const { return m_set; }

private:
    QString m_file;
    bool m_set;
};

TEST_F(SettingsStoreTest, NamesMatchWithoutRegardToLetterCase) {
    struct Case {
        QString writtenSection, writtenKey, readApp, readSection, readKey;
    };
    const Case cases[] = {
        {"system", "LastFile", "TAVREL", "SYSTEM", "lastfile"},
        {"Café", "Été", "tavrel", "CAFÉ", "éTÉ"},
        {"ΟΔΟΣ", "Ω", "Tavrel", "οδος", "ω"},
        {R"(C:\Music\My Song.MP3)", "0", "Tavrel", R"(c:\music\my song.mp3)", "0"},
        {"/home/ana/Übung 1/take.wav", "Note_3", "Tavrel", "/HOME/ANA/üBUNG 1/TAKE.WAV", "note_3"},
    };
    SettingsStore store(path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writtenSection.toStdString());
        ASSERT_TRUE(store.write(app, c.writtenSection, c.writtenKey, c.readKey + "-value"));
        EXPECT_EQ(store.read(c.readApp, c.readSection, c.readKey, none), c.readKey + "-value");
        ASSERT_TRUE(store.write(c.readApp, c.readSection, c.readKey, QStringLiteral("again")));
        EXPECT_EQ(store.read(app, c.writtenSection, c.writtenKey, none), "again");
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SettingsStoreTest, DistinctNamesKeepTheirOwnValues) {
    const QString track = R"(D:\Band\Set 2\intro.final.wav)";
    SettingsStore store(path());
    ASSERT_TRUE(store.write(app, track, "0", "12.5"));
    ASSERT_TRUE(store.write(app, "a.b", "k", "dotted"));
    struct Case {
        QString app, section, key;
    };
    const Case unseen[] = {
        {app, R"(D:\Band\Set 2)", "0"},
        {app, R"(D:\Band\Set 2\)", "0"},
        {app, R"(D:\Band\Set 2\intro.final)", "0"},
        {app, track, "00"},
        {app, track, "Note_0"},
        {"Corvane", track, "0"},
        {app, "a", "k"},
        {app, "b", "k"},
    };
    for (const Case& c : unseen) {
        EXPECT_EQ(store.read(c.app, c.section, c.key, none), none)
            << c.section.toStdString() << " / " << c.key.toStdString();
    }
    EXPECT_EQ(store.read(app, track, "0", none), "12.5");
}

TEST_F(SettingsStoreTest, ValuesComeBackExactlyAsWritten) {
    const QString values[] = {
        QString(),
        " ",
        "0",
        "12,75",
        "line one\nline two",
        QString(100000, QChar(u'é')),
        QString::fromUtf8("nul\0inside", 10),
        "'; DROP TABLE settings; --",
    };
    SettingsStore store(path());
    int n = 0;
    for (const QString& v : values) {
        const QString key = QString::number(n++);
        ASSERT_TRUE(store.write(app, "values", key, v));
        const QString back = store.read(app, "values", key, none);
        EXPECT_EQ(back, v) << "key " << key.toStdString();
    }
    EXPECT_EQ(store.read(app, "values", "missing", "fallback"), "fallback");
    EXPECT_EQ(store.read(app, "values", "missing", QString()), QString());
}

TEST_F(SettingsStoreTest, ValuesSurviveReopeningWithNamesAsWritten) {
    {
        SettingsStore store(path());
        ASSERT_TRUE(store.write("Tavrel", "Übung A", "LastFile", "first"));
        ASSERT_TRUE(store.write("TAVREL", "übung a", "lastfile", "second"));
        ASSERT_TRUE(store.write("Tavrel", "B", "0", "1"));
    }
    SettingsStore store(path());
    EXPECT_EQ(store.read("tavrel", "ÜBUNG A", "LASTFILE", none), "second");
    EXPECT_EQ(store.sections("TAVREL"), QStringList({"Übung A", "B"}));
    const QString rows = sqliteCli(path(), "SELECT app, section, key, value FROM settings");
    if (!rows.isEmpty()) {
        EXPECT_EQ(rows, "Tavrel|Übung A|LastFile|second\nTavrel|B|0|1");
    }
}

TEST_F(SettingsStoreTest, RemovingASectionLeavesTheOthers) {
    SettingsStore store(path());
    const QString track = R"(C:\Music\song.mp3)";
    ASSERT_TRUE(store.write(app, track, "0", "1"));
    ASSERT_TRUE(store.write(app, track, "Note_0", "verse"));
    ASSERT_TRUE(store.write(app, "system", "LastFile", track));
    ASSERT_TRUE(store.write("Other", track, "0", "9"));
    ASSERT_TRUE(store.removeSection(app, R"(c:\MUSIC\SONG.mp3)"));
    ASSERT_TRUE(store.removeSection(app, "never written"));
    EXPECT_EQ(store.read(app, track, "0", none), none);
    EXPECT_EQ(store.read(app, track, "Note_0", none), none);
    EXPECT_EQ(store.read(app, "system", "LastFile", none), track);
    EXPECT_EQ(store.read("Other", track, "0", none), "9");
    EXPECT_EQ(store.sections(app), QStringList{"system"});
}

TEST_F(SettingsStoreTest, SectionsAreFoundByAValueTheyHold) {
    SettingsStore store(path());
    ASSERT_TRUE(store.write(app, "/music/a.wav", "Fingerprint", "abc"));
    ASSERT_TRUE(store.write(app, "/music/b.wav", "Fingerprint", "abd"));
    ASSERT_TRUE(store.write(app, "/music/c.wav", "fingerprint", "abc"));
    ASSERT_TRUE(store.write(app, "/music/d.wav", "0", "abc"));
    ASSERT_TRUE(store.write("Other", "/music/e.wav", "Fingerprint", "abc"));
    EXPECT_EQ(store.sectionsHolding("TAVREL", "FINGERPRINT", "abc"),
              QStringList({"/music/a.wav", "/music/c.wav"}));
    EXPECT_EQ(store.sectionsHolding(app, "Fingerprint", "ABC"), QStringList());
    ASSERT_TRUE(store.removeSections(app, {"/MUSIC/A.WAV", "/music/never.wav"}));
    EXPECT_EQ(store.sectionsHolding(app, "Fingerprint", "abc"), QStringList{"/music/c.wav"});
    EXPECT_EQ(store.sections(app), QStringList({"/music/b.wav", "/music/c.wav", "/music/d.wav"}));
}

TEST_F(SettingsStoreTest, AStoreOfTheFirstLayoutIsBroughtUpToDateWithItsValues) {
    {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path()).constData(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE settings(app TEXT NOT NULL, section TEXT NOT NULL, key TEXT "
                     "NOT NULL, value TEXT NOT NULL, app_fold TEXT NOT NULL, section_fold TEXT "
                     "NOT NULL, key_fold TEXT NOT NULL, PRIMARY KEY(app_fold, section_fold, "
                     "key_fold));"
                     "INSERT INTO settings VALUES('Tavrel','/m/a.mp3','Fingerprint','f1',"
                     "'tavrel','/m/a.mp3','fingerprint');"
                     "PRAGMA user_version=1;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    SettingsStore store(path());
    EXPECT_EQ(store.sectionsHolding(app, "Fingerprint", "f1"), QStringList{"/m/a.mp3"});
    const QString version = sqliteCli(path(), "PRAGMA user_version");
    if (!version.isEmpty()) {
        EXPECT_EQ(version, "2");
    }
    EXPECT_TRUE(messages.isEmpty());
}

// A player killed while it writes several values at once leaves the old values or the new
// ones, never a mixture.
TEST_F(SettingsStoreTest, AKilledWriterLeavesAllOrNoneOfAJointWrite) {
    const auto generation = [](int n) {
        std::vector<SettingsStore::Entry> entries;
        for (int i = 0; i < 10; ++i) {
            entries.push_back({"/music/take.wav", QString::number(i), QString::number(n)});
            entries.push_back({"/music/take.wav", QStringLiteral("Note_%1").arg(i),
                               QStringLiteral("note of generation %1").arg(n)});
        }
        return entries;
    };
    {
        SettingsStore store(path());
        ASSERT_TRUE(store.writeAll(app, generation(0)));
    }
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            SettingsStore store(path());
            for (int n = 1;; ++n) {
                store.writeAll(app, generation(round * 100000 + n));
                if (n == 1) {
                    (void)!::write(ready[1], "x", 1);
                }
            }
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        // Kills land at different points of the commit from round to round.
        ::usleep(static_cast<useconds_t>(round * 700));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        SettingsStore store(path());
        const QString n = store.read(app, "/music/take.wav", "0", none);
        ASSERT_NE(n, none);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(store.read(app, "/music/take.wav", QString::number(i), none), n);
            EXPECT_EQ(store.read(app, "/music/take.wav", QStringLiteral("Note_%1").arg(i), none),
                      "note of generation " + n);
        }
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SettingsStoreTest, FileIsAPlainVersionedTableForStandardTools) {
    {
        SettingsStore store(path());
        ASSERT_TRUE(store.write(app, "system", "LastFile", "x"));
    }
    const QString schema = sqliteCli(path(), ".schema");
    if (schema.isEmpty()) {
        GTEST_SKIP() << "sqlite3 command-line tool not installed";
    }
    EXPECT_EQ(schema, "CREATE TABLE settings(app TEXT NOT NULL, section TEXT NOT NULL, key TEXT "
                      "NOT NULL, value TEXT NOT NULL, app_fold TEXT NOT NULL, section_fold TEXT "
                      "NOT NULL, key_fold TEXT NOT NULL, PRIMARY KEY(app_fold, section_fold, "
                      "key_fold));\n"
                      "CREATE INDEX settings_by_value ON settings(app_fold, key_fold, value);");
    EXPECT_FALSE(schema.contains("COLLATE", Qt::CaseInsensitive));
    EXPECT_EQ(sqliteCli(path(), "PRAGMA user_version"), "2");
    EXPECT_EQ(sqliteCli(path(), "PRAGMA journal_mode"), "wal");
}

TEST_F(SettingsStoreTest, TwoStoresOnOneFileLoseNoWrite) {
    SettingsStore first(path());
    SettingsStore second(path());
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(first.write(app, "first", QString::number(i), QString::number(i)));
        ASSERT_TRUE(second.write(app, "second", QString::number(i), QString::number(i)));
        ASSERT_TRUE((i % 2 ? first : second).write(app, "shared", "last", QString::number(i)));
    }
    for (SettingsStore* reader : {&first, &second}) {
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(reader->read(app, "first", QString::number(i), none), QString::number(i));
            EXPECT_EQ(reader->read(app, "second", QString::number(i), none), QString::number(i));
        }
        EXPECT_EQ(reader->read(app, "shared", "last", none), "49");
    }
}

TEST_F(SettingsStoreTest, TwoPlayersWritingAtTheSameTimeLoseNoWrite) {
    constexpr int perWriter = 150;
    const auto writeAll = [&](const QString& section) {
        SettingsStore store(path());
        int failures = 0;
        for (int i = 0; i < perWriter; ++i) {
            failures +=
                store.write(app, section, QString::number(i), QString::number(i * 2)) ? 0 : 1;
            failures += store.write(app, "both", "last", section) ? 0 : 1;
        }
        return failures;
    };
    // Two processes, as two players started by the user would be.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(std::min(writeAll(QStringLiteral("child")), 100));
    }
    EXPECT_EQ(writeAll(QStringLiteral("parent")), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "writes the other player could not save";
    EXPECT_TRUE(messages.isEmpty());

    SettingsStore store(path());
    for (const char* section : {"child", "parent"}) {
        for (int i = 0; i < perWriter; ++i) {
            EXPECT_EQ(store.read(app, section, QString::number(i), none), QString::number(i * 2));
        }
    }
    EXPECT_TRUE(QStringList({"child", "parent"}).contains(store.read(app, "both", "last", none)));
}

TEST_F(SettingsStoreTest, WritesFollowTheFileNameWhenTheFileIsReplaced) {
    SettingsStore player(path());
    ASSERT_TRUE(player.write(app, "system", "LastFile", "old"));
    struct Case {
        const char* name;
        std::function<bool()> replace;
    };
    const Case cases[] = {
        {"renamed away", [&] { return QFile::rename(path(), path("elsewhere.db")); }},
        {"deleted", [&] { return QFile::remove(path()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path() + "-wal");
        QFile::remove(path() + "-shm");
        ASSERT_TRUE(c.replace());
        ASSERT_TRUE(player.write(app, "system", "LastFile", c.name));
        SettingsStore other(path());
        EXPECT_EQ(other.read(app, "system", "LastFile", none), c.name);
    }
}

TEST_F(SettingsStoreTest, DamagedFileIsSetAsideAndAFreshStoreStarts) {
    QByteArray healthy;
    {
        SettingsStore store(path("model.db"));
        for (int i = 0; i < 400; ++i) {
            store.write(app, QStringLiteral(R"(C:\Tracks\%1.mp3)").arg(i), "0", "1.5");
        }
    }
    {
        QFile f(path("model.db"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        healthy = f.readAll();
        ASSERT_GT(healthy.size(), 8 * 4096);
    }
    struct Case {
        const char* name;
        QByteArray contents;
        bool withJournal;
    };
    const Case cases[] = {
        {"garbage bytes", QByteArray(5000, '\x5a'), false},
        {"plain text", "LastFile=C:\\song.mp3\n", true},
        {"truncated store", healthy.left(3 * 4096), false},
        {"header destroyed", QByteArray(100, '\0') + healthy.mid(100), false},
        {"another program's database", foreignDatabase(path("foreign.db")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        const QString file = caseDir.filePath("settings.db");
        for (const QString& ending : {QString(), QStringLiteral("-wal")}) {
            if (!ending.isEmpty() && !c.withJournal) {
                continue;
            }
            QFile f(file + ending);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.contents);
        }
        messages.clear();

        SettingsStore store(file);
        EXPECT_EQ(store.read(app, "system", "LastFile", none), none);
        ASSERT_TRUE(store.write(app, "system", "LastFile", "new"));
        EXPECT_EQ(store.read(app, "system", "LastFile", none), "new");

        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(file)) << messages[0].toStdString();
        const QStringList aside =
            QDir(caseDir.path()).entryList({"settings-damaged-*.db"}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(messages[0].contains(aside[0])) << messages[0].toStdString();
        QFile kept(caseDir.filePath(aside[0]));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), c.contents);
        if (c.withJournal) {
            QFile keptJournal(caseDir.filePath(aside[0] + "-wal"));
            ASSERT_TRUE(keptJournal.open(QIODevice::ReadOnly));
            EXPECT_EQ(keptJournal.readAll(), c.contents);
        }
    }
}

TEST_F(SettingsStoreTest, WriteThatCannotBeSavedIsReportedWithTheFile) {
    const QString folderIsAFile = path("occupied");
    {
        QFile f(folderIsAFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString fileIsAFolder = path("folder.db");
    ASSERT_TRUE(QDir().mkpath(fileIsAFolder));

    for (const QString& file : {folderIsAFile + "/Tavrel/settings.db", fileIsAFolder}) {
        SCOPED_TRACE(file.toStdString());
        messages.clear();
        SettingsStore store(file);
        EXPECT_FALSE(store.write(app, "system", "LastFile", "x"));
        EXPECT_FALSE(store.write(app, "system", "LastFile", "y"));
        ASSERT_EQ(messages.size(), 2);
        EXPECT_TRUE(messages[0].startsWith("Tavrel could not save your marks and settings to " +
                                           file + ": "))
            << messages[0].toStdString();
        EXPECT_EQ(store.read(app, "system", "LastFile", none), none);
        EXPECT_EQ(store.read(app, "system", "LastFile", none), none);
        EXPECT_EQ(messages.size(), 3) << "a failing read is reported once";
        EXPECT_TRUE(asideFiles().isEmpty());
    }
    EXPECT_TRUE(QFileInfo(fileIsAFolder).isDir());
}

TEST_F(SettingsStoreTest, WriteToAFileThatBecameReadOnlyIsReported) {
    for (const bool lockFolder : {false, true}) {
        SCOPED_TRACE(lockFolder ? "read-only folder" : "read-only file");
        QTemporaryDir caseDir;
        const QString file = caseDir.filePath("settings.db");
        {
            SettingsStore store(file);
            ASSERT_TRUE(store.write(app, "system", "LastFile", "kept"));
        }
        messages.clear();
        SettingsStore store(file);
        {
            ImmutableGuard guard(lockFolder ? caseDir.path() : file);
            if (!guard.active()) {
                GTEST_SKIP() << "the file system cannot make files immutable here";
            }
            EXPECT_FALSE(store.write(app, "system", "LastFile", "lost"));
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].startsWith("Tavrel could not save your marks and settings to " +
                                               file + ": "))
                << messages[0].toStdString();
        }
        EXPECT_EQ(store.read(app, "system", "LastFile", none), "kept");
        EXPECT_TRUE(store.write(app, "system", "LastFile", "saved"));
        EXPECT_EQ(store.read(app, "system", "LastFile", none), "saved");
    }
}

TEST_F(SettingsStoreTest, WriteOnAFullDiskIsReportedAndTheStoreRecovers) {
    SettingsStore store(path());
    ASSERT_TRUE(store.write(app, "system", "LastFile", "before"));
    {
        SettingsStore reopened(path());
        ASSERT_EQ(reopened.read(app, "system", "LastFile", none), "before");
    }
    // A file-size limit makes every growing write fail the way a full disk does, also for root.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    QString big(64 * 1024, QChar(u'x'));
    const bool written = store.write(app, "big", "value", big);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(path())) << messages[0].toStdString();
    EXPECT_EQ(store.read(app, "big", "value", none), none);
    EXPECT_TRUE(store.write(app, "big", "value", big));
    EXPECT_EQ(store.read(app, "big", "value", none), big);
    EXPECT_EQ(store.read(app, "system", "LastFile", none), "before");
}

TEST(SettingsStorePlace, FollowsTheUsersConfigFolder) {
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", "/home/ana");
    struct Case {
        const char* xdg;
        QString expected;
    };
    const Case cases[] = {
        {"/tmp/cfg", "/tmp/cfg/Tavrel/settings.db"},
        {"", "/home/ana/.config/Tavrel/settings.db"},
        {"relative/cfg", "/home/ana/.config/Tavrel/settings.db"},
    };
    for (const Case& c : cases) {
        qputenv("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(SettingsStore::defaultFilePath(), c.expected) << c.xdg;
    }
    qputenv("XDG_CONFIG_HOME", oldXdg);
    qputenv("HOME", oldHome);
}

} // namespace
