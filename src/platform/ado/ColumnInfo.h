#pragma once
// ColumnInfo: what a provider says about one column of a result.

#include <QString>

namespace tw::ado {

struct ColumnInfo {
    QString name;
    int type = 0;         // DataTypeEnum code
    int precision = 0;    // digits of numerics (0 when not a numeric)
    int numericScale = 0; // digits after the point
    int definedSize = 0;  // width in bytes or characters, 0 for long types
    // The field's type as its own file names it: FoxPro's letter ('C', 'N',
    // 'G', ...) or Paradox's ('A', '#', '+', ...); 0 for a column of no file.
    char formatType = 0;
    bool autoIncrement = false; // numbered by the table itself as rows arrive
};

} // namespace tw::ado
