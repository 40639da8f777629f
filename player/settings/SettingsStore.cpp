#include "settings/SettingsStore.h"

#include "settings/SqliteStatement.h"
#include "settings/SqliteTransaction.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <iterator>
#include <thread>
#include <utility>

namespace {

// How long a write waits for another player that holds the file, before it is retried.
constexpr int busyTimeoutMs = 5000;
constexpr int attempts = 3;

// Each entry brings the table layout from the version before it to its own number.
const char* const migrations[] = {
    // 1: one row per value; the folded copies of the names are what lookups match on, so that
    // the file needs no collation of its own and stays readable with the standard tools.
    "CREATE TABLE settings(app TEXT NOT NULL, section TEXT NOT NULL, key TEXT NOT NULL,"
    " value TEXT NOT NULL, app_fold TEXT NOT NULL, section_fold TEXT NOT NULL,"
    " key_fold TEXT NOT NULL, PRIMARY KEY(app_fold, section_fold, key_fold))",
    // 2: finding a track by a value it holds (the fingerprint of its file) without reading
    // every row.
    "CREATE INDEX settings_by_value ON settings(app_fold, key_fold, value)",
};
static_assert(std::size(migrations) == SettingsStore::schemaVersion);

SettingsStore::ProblemHandler& problemHandler() {
    static SettingsStore::ProblemHandler handler;
    return handler;
}

void tellUser(const QString& message) {
    if (problemHandler()) {
        problemHandler()(message);
    } else {
        std::fprintf(stderr, "Tavrel: %s\n", message.toLocal8Bit().constData());
    }
}

QString fold(const QString& name) {
    return name.toCaseFolded();
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity fileIdentity(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return FileIdentity{};
    }
    return FileIdentity{st.st_dev, st.st_ino};
}

bool isDamage(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool isBusy(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

QString reasonFor(int rc, int systemErrno) {
    QString reason;
    switch (rc & 0xff) {
    case SQLITE_FULL:
        reason = QStringLiteral("the disk is full");
        break;
    case SQLITE_READONLY:
        reason = QStringLiteral("the file or its folder is read-only");
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        reason = QStringLiteral("Tavrel is not allowed to write there");
        break;
    case SQLITE_CANTOPEN:
        reason = QStringLiteral("the file could not be opened");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        reason = QStringLiteral("another program kept the file busy for too long");
        break;
    case SQLITE_IOERR:
        reason = QStringLiteral("the disk reported an error");
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        reason = QStringLiteral("the file is damaged");
        break;
    default:
        reason = QString::fromUtf8(sqlite3_errstr(rc));
        break;
    }
    if (systemErrno != 0) {
        reason += QStringLiteral(" (%1)").arg(qt_error_string(systemErrno));
    }
    return reason;
}

} // namespace

struct SettingsStore::Failure {
    int code = SQLITE_OK;
    QString reason;
    // The file is not a readable settings store and has to be set aside.
    bool damaged = false;
};

class SettingsStore::Connection {
public:
    ~Connection() {
        // Closing checkpoints the journal into the main file; a damaged file is left as it is.
        if (damaged) {
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        }
        select.finalize();
        upsert.finalize();
        deleteSection.finalize();
        listSections.finalize();
        findByValue.finalize();
        sqlite3_close(db);
    }

    // Keeps the system's reason for a failed step: the rollback that follows resets it.
    int note(int rc) {
        if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE && systemErrno == 0) {
            systemErrno = sqlite3_system_errno(db);
        }
        return rc;
    }

    Failure failure(int rc) {
        damaged = damaged || isDamage(rc);
        const int error = systemErrno != 0 ? systemErrno : (db ? sqlite3_system_errno(db) : 0);
        systemErrno = 0;
        return Failure{rc, reasonFor(rc, error), isDamage(rc)};
    }

    sqlite3* db = nullptr;
    FileIdentity identity;
    bool damaged = false;
    int systemErrno = 0;
    SqliteStatement select;
    SqliteStatement upsert;
    SqliteStatement deleteSection;
    SqliteStatement listSections;
    SqliteStatement findByValue;
};

QString SettingsStore::defaultFilePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir(base).filePath(QStringLiteral("Tavrel/settings.db"));
}

SettingsStore::SettingsStore(const QString& filePath) : m_filePath(filePath) {}

SettingsStore::~SettingsStore() = default;

void SettingsStore::setProblemHandler(ProblemHandler handler) {
    problemHandler() = std::move(handler);
}

QString SettingsStore::read(const QString& app, const QString& section, const QString& key,
                            const QString& fallback) {
    QString value = fallback;
    run(Access::Read, [&](Connection& c) {
        c.select.bind({fold(app), fold(section), fold(key)});
        int rc = c.select.step();
        if (rc == SQLITE_ROW) {
            value = c.select.columnText(0);
            rc = SQLITE_DONE;
        }
        c.select.reset();
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    });
    return value;
}

bool SettingsStore::write(const QString& app, const QString& section, const QString& key,
                          const QString& value) {
    return run(Access::Write, [&](Connection& c) {
        SqliteTransaction transaction(c.db);
        if (transaction.beginResult() != SQLITE_OK) {
            return c.note(transaction.beginResult());
        }
        c.upsert.bind({app, section, key, value, fold(app), fold(section), fold(key)});
        const int rc = c.note(c.upsert.step());
        c.upsert.reset();
        return rc == SQLITE_DONE ? c.note(transaction.commit()) : rc;
    });
}

bool SettingsStore::writeAll(const QString& app, const std::vector<Entry>& entries) {
    return run(Access::Write, [&](Connection& c) {
        SqliteTransaction transaction(c.db);
        if (transaction.beginResult() != SQLITE_OK) {
            return c.note(transaction.beginResult());
        }
        const QString appFold = fold(app);
        for (const Entry& e : entries) {
            c.upsert.bind({app, e.section, e.key, e.value, appFold, fold(e.section), fold(e.key)});
            const int rc = c.note(c.upsert.step());
            c.upsert.reset();
            if (rc != SQLITE_DONE) {
                return rc;
            }
        }
        return c.note(transaction.commit());
    });
}

bool SettingsStore::removeSection(const QString& app, const QString& section) {
    return removeSections(app, QStringList{section});
}

bool SettingsStore::removeSections(const QString& app, const QStringList& sections) {
    return run(Access::Write, [&](Connection& c) {
        SqliteTransaction transaction(c.db);
        if (transaction.beginResult() != SQLITE_OK) {
            return c.note(transaction.beginResult());
        }
        for (const QString& section : sections) {
            c.deleteSection.bind({fold(app), fold(section)});
            const int rc = c.note(c.deleteSection.step());
            c.deleteSection.reset();
            if (rc != SQLITE_DONE) {
                return rc;
            }
        }
        return c.note(transaction.commit());
    });
}

QStringList SettingsStore::sectionsHolding(const QString& app, const QString& key,
                                           const QString& value) {
    QStringList names;
    run(Access::Read, [&](Connection& c) {
        names.clear();
        c.findByValue.bind({fold(app), fold(key), value});
        int rc;
        while ((rc = c.findByValue.step()) == SQLITE_ROW) {
            names.append(c.findByValue.columnText(0));
        }
        c.findByValue.reset();
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    });
    return names;
}

QStringList SettingsStore::sections(const QString& app) {
    QStringList names;
    run(Access::Read, [&](Connection& c) {
        names.clear();
        c.listSections.bind({fold(app)});
        int rc;
        while ((rc = c.listSections.step()) == SQLITE_ROW) {
            names.append(c.listSections.columnText(0));
        }
        c.listSections.reset();
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    });
    return names;
}

template <typename Op> bool SettingsStore::run(Access access, Op&& op) {
    Failure failure;
    bool setAsideDone = false;
    // A connection follows its file when it is renamed or deleted; writes would then land where
    // nobody reads them (another player may have set a damaged file aside, or the user removed it).
    if (m_connection && m_connection->identity != fileIdentity(m_filePath)) {
        m_connection.reset();
    }
    const auto began = std::chrono::steady_clock::now();
    for (int attempt = 0; attempt < attempts;) {
        const auto tried = std::chrono::steady_clock::now();
        failure = Failure{};
        if (m_connection || openConnection(failure)) {
            const int rc = op(*m_connection);
            if (rc == SQLITE_OK) {
                m_readFailureReported = false;
                return true;
            }
            failure = m_connection->failure(rc);
        }
        if (failure.damaged && !setAsideDone) {
            setAsideDone = true;
            m_connection.reset();
            if (setAside(failure)) {
                ++attempt;
                continue;
            }
            break;
        }
        if (!isBusy(failure.code)) {
            // Opened afresh next time, so that a folder made writable again is used again.
            m_connection.reset();
            break;
        }
        // In a few places SQLite answers "busy" at once rather than waiting (as while another
        // player turns a new file into a store): asked again after a short pause for as long
        // as the busy timeout lasts, without counting as an attempt.
        const auto now = std::chrono::steady_clock::now();
        const auto timeout = std::chrono::milliseconds(busyTimeoutMs);
        if (now - tried < timeout / 2 && now - began < timeout) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        ++attempt;
    }
    report(access, failure);
    return false;
}

bool SettingsStore::openConnection(Failure& failure) {
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        failure = Failure{SQLITE_CANTOPEN,
                          QStringLiteral("the folder %1 could not be created")
                              .arg(QDir::toNativeSeparators(folder)),
                          false};
        return false;
    }

    auto c = std::make_unique<Connection>();
    int rc =
        sqlite3_open_v2(QFile::encodeName(m_filePath).constData(), &c->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        failure = c->failure(rc);
        return false;
    }
    sqlite3_extended_result_codes(c->db, 1);
    sqlite3_busy_timeout(c->db, busyTimeoutMs);

    // Nothing is changed in the file before it is known to be a store of ours or a new one, so
    // that a damaged file, or another program's database, is set aside exactly as it was found.
    // The first row of a query, one text per column.
    const auto firstRow = [&](const char* sql, int columns, QStringList& row) {
        SqliteStatement query;
        int result = query.prepare(c->db, sql);
        if (result == SQLITE_OK) {
            result = query.step();
        }
        if (result == SQLITE_ROW) {
            row.clear();
            for (int i = 0; i < columns; ++i) {
                row.append(query.columnText(i));
            }
            result = SQLITE_OK;
        }
        return result;
    };
    QStringList row;
    // A file whose pages are broken opens fine and fails only where the damage is.
    rc = firstRow("PRAGMA quick_check(1)", 1, row);
    if (rc == SQLITE_OK && row.value(0) != QLatin1String("ok")) {
        rc = SQLITE_CORRUPT;
    }
    // One statement, so that both come from one moment even while another player is creating
    // the table; a new store is an empty database.
    int version = 0;
    if (rc == SQLITE_OK) {
        rc = firstRow("SELECT user_version, (SELECT count(*) FROM sqlite_schema)"
                      " FROM pragma_user_version",
                      2, row);
        version = row.value(0).toInt();
        if (rc == SQLITE_OK && version == 0 && row.value(1) != QLatin1String("0")) {
            rc = SQLITE_NOTADB;
        }
    }
    if (rc == SQLITE_OK && version >= schemaVersion) {
        rc = prepareStatements(*c);
    }

    // WAL lets one player read while another writes; FULL makes each commit survive a power
    // cut, which matters more here than the fraction of a millisecond it costs a mark.
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(c->db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(c->db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }

    if (rc == SQLITE_OK && version < schemaVersion) {
        SqliteTransaction transaction(c->db);
        rc = transaction.beginResult();
        // Another player may have brought the file up to date while this one waited.
        if (rc == SQLITE_OK && (rc = firstRow("PRAGMA user_version", 1, row)) == SQLITE_OK) {
            version = row.value(0).toInt();
        }
        for (; rc == SQLITE_OK && version < schemaVersion; ++version) {
            rc = sqlite3_exec(c->db, migrations[version], nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) {
                const QByteArray bump = "PRAGMA user_version=" + QByteArray::number(version + 1);
                rc = sqlite3_exec(c->db, bump.constData(), nullptr, nullptr, nullptr);
            }
        }
        if (rc == SQLITE_OK) {
            rc = transaction.commit();
        }
        if (rc == SQLITE_OK) {
            rc = prepareStatements(*c);
        }
    }
    if (rc != SQLITE_OK) {
        failure = c->failure(rc);
        return false;
    }
    c->identity = fileIdentity(m_filePath);
    m_connection = std::move(c);
    return true;
}

int SettingsStore::prepareStatements(Connection& c) {
    const std::pair<SqliteStatement*, const char*> statements[] = {
        {&c.select, "SELECT value FROM settings"
                    " WHERE app_fold=?1 AND section_fold=?2 AND key_fold=?3"},
        {&c.upsert, "INSERT INTO settings(app, section, key, value, app_fold, section_fold,"
                    " key_fold) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)"
                    " ON CONFLICT(app_fold, section_fold, key_fold)"
                    " DO UPDATE SET value=excluded.value"},
        {&c.deleteSection, "DELETE FROM settings WHERE app_fold=?1 AND section_fold=?2"},
        // The spelling of a section is the one of its oldest row.
        {&c.listSections, "SELECT section, MIN(rowid) FROM settings WHERE app_fold=?1"
                          " GROUP BY section_fold ORDER BY MIN(rowid)"},
        {&c.findByValue, "SELECT section FROM settings"
                         " WHERE app_fold=?1 AND key_fold=?2 AND value=?3 ORDER BY rowid"},
    };
    for (const auto& [statement, sql] : statements) {
        const int rc = statement->prepare(c.db, sql);
        if (rc != SQLITE_OK) {
            // The database of some other program, or one whose table has lost its columns.
            return isBusy(rc) ? rc : SQLITE_NOTADB;
        }
    }
    return SQLITE_OK;
}

bool SettingsStore::setAside(Failure& failure) {
    const QFileInfo info(m_filePath);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString aside;
    for (int n = 1;; ++n) {
        const QString number = n == 1 ? QString() : QStringLiteral("-%1").arg(n);
        aside = info.dir().filePath(QStringLiteral("%1-damaged-%2%3%4")
                                        .arg(info.completeBaseName(), stamp, number, suffix));
        if (!QFileInfo::exists(aside) && !QFileInfo::exists(aside + QStringLiteral("-wal"))) {
            break;
        }
    }

    // The journal files go with the main file: left behind, they would be read into the new
    // store as if they belonged to it.
    for (const QString& ending : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile file(m_filePath + ending);
        if (file.exists() && !file.rename(aside + ending)) {
            failure =
                Failure{SQLITE_CANTOPEN,
                        QStringLiteral("the file is damaged and could not be moved aside (%1)")
                            .arg(file.errorString()),
                        false};
            return false;
        }
    }
    tellUser(QStringLiteral("Tavrel's settings file %1 was damaged and could not be read.\n\n"
                            "Tavrel has put it aside as %2 and started a new, empty one, so marks "
                            "saved before now are not shown. The damaged file has been kept.")
                 .arg(QDir::toNativeSeparators(m_filePath), QDir::toNativeSeparators(aside)));
    return true;
}

void SettingsStore::report(Access access, const Failure& failure) {
    const QString file = QDir::toNativeSeparators(m_filePath);
    QString reason = failure.reason;
    // The store needs its journal files beside the main file; when the folder refuses new files
    // the library's own reason names a journal file the user never heard of.
    const int primary = failure.code & 0xff;
    if (primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY || primary == SQLITE_IOERR) {
        const QString folder = QFileInfo(m_filePath).absolutePath();
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".tavrel-probe-XXXXXX")));
        if (QFileInfo(folder).isDir() && !probe.open()) {
            reason = QStringLiteral("Tavrel cannot write in the folder %1 (%2)")
                         .arg(QDir::toNativeSeparators(folder), probe.errorString());
        }
    }
    if (access == Access::Write) {
        tellUser(QStringLiteral("Tavrel could not save your marks and settings to %1: %2.")
                     .arg(file, reason));
    } else if (!m_readFailureReported) {
        // Every track opened would ask again; once until the store works again is enough.
        m_readFailureReported = true;
        tellUser(QStringLiteral("Tavrel could not read your marks and settings from %1: %2.")
                     .arg(file, reason));
    }
}
