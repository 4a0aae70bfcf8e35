#pragma once
// The statements the providers accept, as small immutable trees. Parser.h
// turns a text into one of these or raises a syntax error with its position.

#include <QString>

#include <variant>
#include <vector>

namespace tw::sql {

// A literal value of an INSERT: a string (its pieces joined with + already
// joined), NULL, or a number as written.
struct Literal {
    enum class Kind { String, Null, Number };
    Kind kind = Kind::String;
    QString text; // the string's characters (quotes undoubled), or the number as written
};

struct ColumnDef {
    QString name;              // quotes removed
    QString typeName;          // upper-cased type word: M, BLOB, MEMO, INT, FLOAT, DECIMAL, ...
    std::vector<int> typeArgs; // e.g. VARCHAR(20) -> {20}; empty when none
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
