#include "settings/SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::~SqliteStatement() {
    finalize();
}

int SqliteStatement::prepare(sqlite3* db, const char* sql) {
    finalize();
    return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
}

void SqliteStatement::finalize() {
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

void SqliteStatement::bind(std::initializer_list<QString> texts) {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    int index = 1;
    for (const QString& text : texts) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index++, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
}

int SqliteStatement::step() {
    return sqlite3_step(m_stmt);
}

QString SqliteStatement::columnText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column));
}

void SqliteStatement::reset() {
    sqlite3_reset(m_stmt);
}
