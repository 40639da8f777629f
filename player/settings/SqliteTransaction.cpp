#include "settings/SqliteTransaction.h"

#include <sqlite3.h>

SqliteTransaction::SqliteTransaction(sqlite3* db)
    : m_db(db), m_beginResult(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr)),
      m_open(m_beginResult == SQLITE_OK) {}

SqliteTransaction::~SqliteTransaction() {
    if (m_open && !sqlite3_get_autocommit(m_db)) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

int SqliteTransaction::commit() {
    if (!m_open) {
        return m_beginResult;
    }
    const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        m_open = false;
    }
    return rc;
}
