#pragma once
// The statements the providers accept, as small immutable trees. Parser.h
// turns a text into one of these or raises a syntax error with its position.

#include "platform/ado/Variant.h"

#include <QString>

#include <optional>
#include <variant>
#include <vector>

namespace tw::sql {

// A literal value of an INSERT: a string (its pieces joined with + already
// joined), NULL, a number as written, or one of FoxPro's own: a date
// {^2024-03-01}, a date and time {^2024-03-01 10:20:30}, the empty date {}
// and the logicals .T. and .F.
struct Literal {
    enum class Kind { String, Null, Number, Date, DateTime, EmptyDate, Logical };
    Kind kind = Kind::String;
    QString text;       // the string's characters (quotes undoubled), the number or a FoxPro literal as written
    ado::Variant value; // Date, DateTime, Logical: the value; EmptyDate: Empty
};

struct ColumnDef {
    QString name;              // quotes removed
    QString typeName;          // upper-cased type word: M, BLOB, MEMO, INT, FLOAT, DECIMAL, ...
    std::vector<int> typeArgs; // e.g. VARCHAR(20) -> {20}; empty when none
    // NULL (true) or NOT NULL (false) after the type; nullopt when neither is said.
    std::optional<bool> nullable;
    // AUTOINC [NEXTVALUE n [STEP s]]: the value the next row gets and what is added each time.
    bool autoIncrement = false;
    qint64 nextValue = 1;
    qint64 step = 1;
};

// CREATE TABLE name(col type, ...)
struct CreateTable {
    QString table;
    std::vector<ColumnDef> columns;
};

// DROP TABLE name
struct DropTable {
    QString table;
};

// SELECT * FROM name
struct SelectAll {
    QString table;
};

// SELECT * INTO [connect].[target] FROM name, e.g.
// select * into [Paradox 5.x;Database=C:\x].[orders.db] from [orders]
struct SelectInto {
    QString connect; // the text inside the first brackets, empty when not given
    QString target;
    QString source;
};

// INSERT INTO name VALUES(literal, ...)
struct Insert {
    QString table;
    std::vector<Literal> values;
};

using Statement = std::variant<CreateTable, DropTable, SelectAll, SelectInto, Insert>;

} // namespace tw::sql
