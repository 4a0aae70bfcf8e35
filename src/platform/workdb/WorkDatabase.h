#pragma once
// WorkDatabase: the work database on SQLite, shared by a session and the
// recordsets opened on it. A work table is a table of the file with its typed
// columns, created and dropped there; it keeps no rows (they go to the Paradox
// table its export was prepared for, see PreparedExport).

#include "Sqlite.h"
#include "WorkColumn.h"
#include "platform/ado/LostValues.h"

#include <QStringList>

#include <vector>

namespace tw::workdb {

class WorkDatabase {
public:
    explicit WorkDatabase(const QString &path);

    SqliteDatabase &db() { return m_db; }
    const QString &path() const { return m_db.path(); }

    // The table's real name (names compare without regard to case), or empty.
    QString findTable(const QString &name);
    // The real name; RuntimeError naming the table when there is none.
    QString requireTable(const QString &name);
    QStringList tableNames();
    std::vector<WorkColumn> columns(const QString &table);

    // codePage: the code page of the text the table is made for (its
    // source table's), kept with the table until it is dropped; 0 for none.
    void createTable(const QString &name, const std::vector<WorkColumn> &columns, int codePage = 0);
    void dropTable(const QString &name);
    // The code page the table was created for; 0 when none was given.
    int codePageOf(const QString &table);

    // Values written as Null because their column or Paradox field could not
    // hold them, over every table written through this database.
    ado::LostValues &lostValues() { return m_lost; }
    // Values written changed because their column could not hold them as
    // they were (a number with more digits than a FLOAT holds).
    ado::LostValues &changedValues() { return m_changed; }

private:
    bool hasCodePageTable();
    void forgetCodePage(const QString &table);

    SqliteDatabase m_db;
    ado::LostValues m_lost;
    ado::LostValues m_changed;
};

} // namespace tw::workdb
