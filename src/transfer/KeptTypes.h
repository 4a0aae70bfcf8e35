#pragma once
// The mapping that keeps each field's type: a FoxPro field becomes the work
// table's column that writes out as Paradox's own field of the same kind,
// and a Paradox field FoxPro's own. doc/formats/type-mappings.md sets the two
// mappings side by side.

#include "platform/ado/ColumnInfo.h"
#include "platform/workdb/WorkColumn.h"

#include <QString>

namespace tw::transfer {

// The work table's column a FoxPro field (ColumnInfo::formatType) keeps its
// type in: C and V TEXT(n), binary C BINARY(n), N and F of up to 15 digits
// DOUBLE (every such value is exact as a double), wider DECIMAL(p,s), B
// DOUBLE, I LONG, an autoincrementing I COUNTER, Y CURRENCY, L BIT, D DATE, T
// DATETIME, M MEMO, binary M, W and Q (varbinary: a Bytes field would pad a
// shorter value) LONGBINARY, G GENERAL.
workdb::WorkColumn keptWorkColumn(const ado::ColumnInfo &column);
// The words the work table's CREATE TABLE gives such a column: "TEXT(20)", "DECIMAL(20,2)".
QString keptWorkWords(const workdb::WorkColumn &column);

struct KeptFoxProField {
    char type = 'M';
    int length = 4; // the field's bytes in a record
    int decimals = 0;
    bool nullable = false;
    QString words; // in the CREATE TABLE: "C(20)", "B NULL", "I AUTOINC NEXTVALUE 1 STEP 1"
    QString shown; // as check and the preview show it: "C(20)", "B", "I AUTOINC"
};

// The FoxPro field a Paradox field (ColumnInfo::formatType) keeps its type in:
// A(n) C(n) (A255 a memo: FoxPro's C holds 254), N B, $ Y, # N(20,s) (B when it
// has more than 15 decimals, which would leave too few places before the point), S and I I, + an autoincrementing I, L
// L, D D, @ and T (a time of day, on 1899-12-30) T, M M, B, G, Bytes and F (a formatted memo is bytes, its text among
// the formatting's) W, O G. Numbers without a blank of their own (B, Y, I, N) are nullable, so that a blank stays
// blank.
KeptFoxProField keptFoxProField(const ado::ColumnInfo &column);

} // namespace tw::transfer
