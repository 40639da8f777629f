#pragma once
// A write transaction that rolls back unless committed.
//
// It starts with BEGIN IMMEDIATE so that the write lock is taken at once: a second player
// writing at the same time then waits in the busy handler instead of failing later on a
// read-to-write upgrade that no waiting can resolve.

struct sqlite3;

class SqliteTransaction {
public:
    explicit SqliteTransaction(sqlite3* db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // SQLITE_OK when the transaction is open.
    int beginResult() const { return m_beginResult; }
    // SQLITE_OK when the changes are committed; otherwise the transaction is rolled back.
    int commit();

private:
    sqlite3* m_db;
    int m_beginResult;
    bool m_open;
};
