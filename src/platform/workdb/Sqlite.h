#pragma once
// Small owning wrappers over SQLite's connection and prepared statements that
// turn its failures into RuntimeErrors naming the database file.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tw::workdb {

class SqliteDatabase {
public:
    // Opens an existing database file for reading and writing; never creates one.
    explicit SqliteDatabase(const QString &path);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    void exec(const QString &sql);
    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }
    [[noreturn]] void fail(const QString &what) const;

private:
    sqlite3 *m_db = nullptr;
    QString m_path;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase &db, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // True when a row is ready, false when the statement is done.
    bool step();
    void reset();
    sqlite3_stmt *handle() const { return m_stmt; }
    int columnCount() const;
    QString columnText(int column) const;
    QByteArray columnBlob(int column) const;
    qint64 columnInteger(int column) const;

    void bindText(int index, QStringView text);
    void bindInteger(int index, qint64 value);

private:
    void check(int rc, const char *what);
    SqliteDatabase &m_db;
    sqlite3_stmt *m_stmt = nullptr;
    std::vector<QByteArray> m_bound; // UTF-8 of the texts bound without a copy, by parameter index
};

// Long statements on this thread no longer let the window's events run
// (for a thread that is not the window's).
void suppressIdleOnThisThread();

// A name quoted for SQLite ("" doubled inside).
QString quoteName(const QString &name);

} // namespace tw::workdb
