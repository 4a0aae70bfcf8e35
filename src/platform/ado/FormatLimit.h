#pragma once
// FormatLimit: the failure a table writer gives before one of its files would
// pass the most its format holds (bytes of a file, blocks, records), in one
// wording for every format: the file, the limit, the table and how much more
// it needs at least.

#include "ErrorNumbers.h"
#include "RuntimeError.h"

#include <QString>

namespace tw::ado {

struct PastLimit {
    QString file;          // the file as the user knows it ("CUSTOMER.fpt"), never a temporary's name
    QString table;         // the table the file belongs to
    qint64 limit;          // the most the file holds, in units
    QString unit;          // the units of the limit, plural ("bytes", "blocks of 4,096 bytes")
    QString holder;        // what holds at most `limit` units ("a FoxPro memo file")
    qint64 more;           // how many units more the table needs, at least (1 or more)
    QString moreUnit = {}; // the units of `more`, plural, when they differ from `unit` ("blocks")
    QString detail = {};   // said after the rest, e.g. "for 4,000,000 rows of 120 bytes"
};

// "CUSTOMER.fpt would pass 2,147,483,647 bytes, the most a FoxPro memo file
// holds; the table CUSTOMER needs at least 1,024 bytes more." The error's
// number is kErrPastFormatLimit (Jet's for a result larger than the largest
// file it writes), its kind Limit, its file and table those given.
RuntimeError pastLimit(const PastLimit &past);

// A number with "," between each three digits, as the messages show sizes.
QString groupedNumber(qint64 number);

} // namespace tw::ado
