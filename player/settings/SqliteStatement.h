#pragma once
// One prepared SQLite statement, kept for the life of its connection and reset after each use.

#include <QString>

#include <initializer_list>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Returns the SQLite result code of the preparation.
    int prepare(sqlite3* db, const char* sql);
    void finalize();
    bool isPrepared() const { return m_stmt != nullptr; }

    // Binds texts to the parameters 1, 2, ... in order, after clearing the previous use.
    void bind(std::initializer_list<QString> texts);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    QString columnText(int column) const;
    // Ends the current use so that the statement holds no read lock between calls.
    void reset();

private:
    sqlite3_stmt* m_stmt = nullptr;
};
