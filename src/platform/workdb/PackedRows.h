#pragma once
// PackedRows: how a work table keeps its rows. Many rows go into one SQLite
// row of a companion table, as one blob in a compact form of our own, so that
// staging a row costs a few copies instead of a statement: per value a tag
// byte, then an 8-byte number, or a 4-byte length and the bytes (texts that
// Latin-1 holds one byte a character, others two). What a value reads back
// as is exactly what the work table's typed column would give back.

#include "Sqlite.h"
#include "WorkColumn.h"

#include "platform/ado/Variant.h"

#include <QByteArray>

#include <memory>
#include <vector>

namespace tw::workdb {

// Appends one row's values, already converted to their columns' types, to `out`.
void packRow(const std::vector<WorkColumn> &columns, const std::vector<ado::Variant> &row, QByteArray &out);

// Reads the rows of a work table's companion table back, in the order they were added.
class PackedReader {
public:
    PackedReader(SqliteDatabase &db, const QString &packedTable, std::vector<WorkColumn> columns);
    // Fills row (resized to the column count); false after the last row.
    bool next(std::vector<ado::Variant> &row);

private:
    bool nextBatch();
    [[noreturn]] void damaged() const;

    SqliteDatabase &m_db;
    std::vector<WorkColumn> m_columns;
    std::unique_ptr<SqliteStatement> m_batches;
    QByteArray m_batch;
    qsizetype m_at = 0;
    qint64 m_left = 0; // rows of the batch not read yet
    bool m_done = false;
};

} // namespace tw::workdb
