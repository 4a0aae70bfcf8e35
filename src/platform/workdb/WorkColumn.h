#pragma once
// WorkColumn: the column types of the work database (MEMO, INT, FLOAT,
// DECIMAL, DATETIME, OLEOBJECT, VARCHAR, and for tables whose fields keep
// their kind COUNTER, CURRENCY, DECIMAL(p,s), BIT, DATE, GENERAL, BINARY(n)),
// the ADO codes they report, and how a value is converted to each.

#include "platform/ado/ColumnInfo.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/Variant.h"

#include <QString>

#include <vector>

namespace tw::workdb {

// ScaledDecimal is DECIMAL (or NUMERIC) with a precision and a scale; Decimal
// is the word alone.
enum class WorkType {
    Memo,
    Int,
    Float,
    Decimal,
    DateTime,
    OleObject,
    VarChar,
    Counter,
    Currency,
    ScaledDecimal,
    Bit,
    Date,
    General,
    Binary
};

// The type a declared type word names (case-insensitive; arguments such as
// VARCHAR(20) are allowed, and decide between TEXT and TEXT(n), DECIMAL and
// DECIMAL(p,s)); RuntimeError for a word the work database does not know.
WorkType workTypeFromWord(const QString &word);
QString typeWord(WorkType type);
int adoType(WorkType type);

struct WorkColumn {
    static constexpr int kMaxWidth = 255;
    static constexpr int kMaxPrecision = 32;

    QString name;
    WorkType type = WorkType::Memo;
    int width = 0;     // VARCHAR and BINARY width, 255 when not given
    int precision = 0; // DECIMAL(p,s): p, 1-32; 0 for the other types
    int scale = 0;     // DECIMAL(p,s): s, the digits after the point, 0-p

    ado::ColumnInfo info() const;
    // The type declared to SQLite: the type word and its arguments, and a
    // storage class for it. workColumn(name, declaredType()) gives the column back.
    QString declaredType() const;
    // The value as this column holds it; Null and Empty stay Null.
    // RuntimeError when it cannot be converted.
    ado::Variant convert(const ado::Variant &value) const;
};

// The column a definition makes: its name, type word (without arguments) and
// the arguments given ("VARCHAR(20)": {20}; "DECIMAL(10,2)": {10, 2}). TEXT(n)
// and CHAR(n) are VARCHAR(n); DECIMAL(p) is DECIMAL(p,0). RuntimeError naming
// the column for an unknown word or arguments out of range (TEXT and BINARY
// 1-255, DECIMAL precision 1-32 and scale 0 to the precision).
WorkColumn workColumn(const QString &name, const QString &word, const std::vector<int> &args);
// The same from a type text with its arguments, as declaredType() or a
// CREATE TABLE writes it ("DECIMAL(10,2)", "BINARY BLOB(16)", "MEMO").
WorkColumn workColumn(const QString &name, const QString &type);

// The value as `column` holds it, the way a copy writes it into row `row`
// (from 1) of `table`: a value the column cannot hold is Null and added to
// `lost`; a value changed to fit is added to `changed` (a number rounded to a
// FLOAT's double or a DECIMAL(p,s)'s scale, money a double cannot hold
// exactly, a date-time's time of day, bytes past a BINARY's width).
ado::Variant convertNoting(const WorkColumn &column, const ado::Variant &value, const QString &table, qint64 row,
                           ado::LostValues &lost, ado::LostValues &changed);

// The day 1899-12-30, which a time of day without a date is put on.
QDate zeroDate();

} // namespace tw::workdb
