#pragma once
// WorkDatabase: the staging database on SQLite, shared by a session and the
// recordsets opened on it. A work table is a table of the file with its typed
// columns; its rows are kept packed in a companion table that lists and drops
// with it. Appended rows are gathered into batches and transactions that are
// written before any other statement runs, every few thousand rows, and when
// the appending recordset closes.

#include "PackedRows.h"
#include "Sqlite.h"
#include "WorkColumn.h"
#include "platform/ado/LostValues.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace tw::workdb {

class WorkDatabase {
public:
    static constexpr int kRowsPerCommit = 20000;
    // Rows are kept in batches of about this many bytes.
    static constexpr qsizetype kBatchBytes = 256 * 1024;

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

    // Appends a row of converted values to `table` (its real name; `columns`
    // its columns). Rows are gathered and kept a batch at a time (see PackedRows).
    void appendRow(const QString &table, const std::vector<WorkColumn> &columns, const std::vector<ado::Variant> &row);
    // The rows of `table` (its real name), in the order they were added.
    std::unique_ptr<PackedReader> readRows(const QString &table);

    // Writes the rows gathered, then commits the transaction they went into.
    void commit();
    // Once a commit has failed (a full disk), the rows it held are gone: every
    // later append and export repeats that failure until a table is created or
    // dropped, so a table never goes on with rows missing.
    // `table` names the table in the message when given.
    void requireNoLostRows(const QString &table = QString()) const;

    // Values written as Null because their column or Paradox field could not
    // hold them, over every table staged through this database.
    ado::LostValues &lostValues() { return m_lost; }
    // Values written changed because their column could not hold them as
    // they were (a number with more digits than a FLOAT holds).
    ado::LostValues &changedValues() { return m_changed; }

private:
    bool hasCodePageTable();
    void forgetCodePage(const QString &table);
    void giveBackSpace();
    qint64 pragmaValue(const char *name);
    // The companion table that holds a work table's rows.
    static QString packedTable(const QString &table);
    static bool isCompanion(const QString &name);
    // Keeps the rows gathered as one batch.
    void flushRows();
    // Starts a transaction when none is open; commits one that has grown long.
    void beforeAppend(qint64 rows);
    void commitTransaction();

    SqliteDatabase m_db;
    QString m_gatheringFor; // the table whose rows are gathered
    QByteArray m_gathered;  // those rows, packed
    qint64 m_gatheredRows = 0;
    bool m_inTransaction = false;
    QString m_lostRows; // why rows were lost, until the next CREATE or DROP
    int m_pendingRows = 0;
    ado::LostValues m_lost;
    ado::LostValues m_changed;
};

} // namespace tw::workdb
