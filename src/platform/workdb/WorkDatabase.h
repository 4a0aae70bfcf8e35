#pragma once
// WorkDatabase: the staging database on SQLite, shared by a session and the
// recordsets opened on it. Appended rows are gathered into transactions that
// commit before any other statement runs, every few thousand rows, and when
// the appending recordset closes.

#include "platform/ado/LostValues.h"
#include "Sqlite.h"
#include "WorkColumn.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace tw::workdb {

class WorkDatabase {
public:
    static constexpr int kRowsPerCommit = 20000;

    // Opens the file; from now on it gives back the space of the tables dropped.
    explicit WorkDatabase(const QString &path);

    SqliteDatabase &db() { return m_db; }
    const QString &path() const { return m_db.path(); }

    // The table's real name (names compare without regard to case), or empty.
    QString findTable(const QString &name);
    // The real name; RuntimeError naming the table when there is none.
    QString requireTable(const QString &name);
    QStringList tableNames();
    std::vector<WorkColumn> columns(const QString &table);

    // The number of rows of `table` (its real name).
    qint64 rowCount(const QString &table);

    // codePage: the code page of the text the table is made for (its
    // source table's), kept with the table until it is dropped; 0 for none.
    void createTable(const QString &name, const std::vector<WorkColumn> &columns, int codePage = 0);
    // Drops the table and gives its space back to the file system: the work
    // database stays as small as what it holds, not as large as the largest
    // table it ever staged.
    void dropTable(const QString &name);
    // The code page the table was created for; 0 when none was given.
    int codePageOf(const QString &table);

    // Starts a transaction when none is open; commits one that has grown long.
    void beforeAppend();
    void commit();
    // Once a commit has failed (a full disk), the rows it held are gone: every
    // later append and export repeats that failure until a table is created or
    // dropped, so a table never goes on with rows missing.
    // `table` names the table in the message when given.
    void requireNoLostRows(const QString &table = QString()) const;

    // Values written as Null because their column or Paradox field could not
    // hold them, over every table staged through this database.
    ado::LostValues &lostValues() { return m_lost; }

private:
    bool hasCodePageTable();
    void forgetCodePage(const QString &table);
    void giveBackSpace();
    qint64 pragmaValue(const char *name);

    SqliteDatabase m_db;
    bool m_inTransaction = false;
    QString m_lostRows; // why rows were lost, until the next CREATE or DROP
    int m_pendingRows = 0;
    ado::LostValues m_lost;
};

} // namespace tw::workdb
