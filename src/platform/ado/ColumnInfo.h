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
};

} // namespace tw::ado
