#pragma once
// PreparedExport: the row sink of a work database's session. Once a
// "select * into" a Paradox table is prepared for a work table, the rows its
// recordsets add go straight to that table (see ExportStream) until the
// export puts the table in place; the work database keeps no rows, and rows
// of a table nothing was prepared for are refused. Dropping or re-creating
// the table, preparing another export, or closing the session first leaves
// nothing of it behind.

#include "ExportStream.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tw::workdb {

class WorkDatabase;

class PreparedExport {
public:
    explicit PreparedExport(std::shared_ptr<WorkDatabase> database);
    ~PreparedExport();
    PreparedExport(const PreparedExport &) = delete;
    PreparedExport &operator=(const PreparedExport &) = delete;

    // The rows of `table` (its real name) are to become the Paradox table
    // `target` in `folder` (replacing a table there only as `replacement`
    // allows); an export prepared before is given up.
    void prepare(const QString &table, const QString &folder, const QString &target, qint64 expectedRows,
                 std::shared_ptr<ado::TableReplacement> replacement = nullptr);
    // Leaves nothing of an export prepared for `table` (names compare without regard to case).
    void forget(const QString &table);

    // Takes a row of `table` (its real name): the first one starts the
    // Paradox table. RuntimeError when no export was prepared for the table.
    void append(const QString &table, const std::vector<ado::Variant> &row);
    // The rows of `table` that went ahead.
    qint64 rowCount(const QString &table) const;
    // RuntimeError when rows of `table` went ahead: they cannot be read back.
    void requireNoneAhead(const QString &table) const;
    // Refuses, before the first row, `rows` rows of `table` that the Paradox
    // table cannot hold (see paradox::TableWriter::requireRoom); nothing when
    // no export was prepared for the table (its rows are refused).
    void requireRoomFor(const QString &table, qint64 rows);
    // For an export of `table`: nullopt when no row went ahead (the table is
    // written without rows), else the streamed table put in place;
    // RuntimeError when that fails, or when the rows went ahead to another
    // table than this one.
    std::optional<ExportResult> finish(const QString &table, const QString &folder, const QString &target);

private:
    bool isFor(const QString &table) const { return m_table && *m_table == table; }

    std::shared_ptr<WorkDatabase> m_database;
    std::optional<QString> m_table; // the work table, while an export is prepared
    QString m_folder, m_target;
    qint64 m_expectedRows = 0;
    std::shared_ptr<ado::TableReplacement> m_replacement;
    std::unique_ptr<ExportStream> m_stream; // from the first row on
    bool m_spent = false;                   // finish() has had the rows
    qint64 m_rows = 0;
};

} // namespace tw::workdb
