#pragma once
// WorkColumn: the column types of the work database (MEMO, INT, FLOAT,
// DECIMAL, DATETIME, OLEOBJECT, VARCHAR), the ADO codes they report, how a
// value is converted to each, and how values are stored in and read from SQLite.

#include "platform/ado/ColumnInfo.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/Variant.h"

#include <QString>

namespace tw::workdb {

class SqliteStatement;

enum class WorkType { Memo, Int, Float, Decimal, DateTime, OleObject, VarChar };

// The type a declared type word names (case-insensitive; arguments such as
// VARCHAR(20) are allowed); RuntimeError for a word the work database does not know.
WorkType workTypeFromWord(const QString &word);
QString typeWord(WorkType type);
int adoType(WorkType type);

struct WorkColumn {
    QString name;
    WorkType type = WorkType::Memo;
    int width = 0; // VARCHAR width, 255 when not given

    ado::ColumnInfo info() const;
    // The type declared to SQLite: the type word, and a storage class for it.
    QString declaredType() const;
    // The value as this column holds it; Null and Empty stay Null.
    // RuntimeError when it cannot be converted.
    ado::Variant convert(const ado::Variant &value) const;
    // Binds a converted value as parameter index (from 1).
    void bind(SqliteStatement &statement, int index, const ado::Variant &value) const;
    // Reads column `column` of the current row.
    ado::Variant read(const SqliteStatement &statement, int column) const;
};

// The value as `column` holds it, the way a copy writes it into row `row`
// (from 1) of `table`: a value the column cannot hold is Null and added to
// `lost`; a number rounded to fit is added to `changed`.
ado::Variant convertNoting(const WorkColumn &column, const ado::Variant &value, const QString &table, qint64 row,
                           ado::LostValues &lost, ado::LostValues &changed);

// The day 1899-12-30, which a time of day without a date is put on.
QDate zeroDate();

} // namespace tw::workdb
