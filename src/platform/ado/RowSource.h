#pragma once
// RowSource: the rows of one table read by position, for a view that shows a
// part of a table at a time: only the rows asked for are read, nothing is
// written or locked, and the table's files are let go when it is destroyed.
// A session makes one (Session::openRows) where its format allows.

#include "ColumnInfo.h"
#include "DamagedRows.h"
#include "Variant.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tw::ado {

// A field as the table's own format describes it.
struct SourceField {
    QString name;
    QString type;     // the format's letter: "C", "N", "M" (FoxPro), "A", "$", "#" (Paradox)
    int width = 0;    // bytes in the record
    int decimals = 0; // digits after the point, where the type has them
};

// What reading one row found beside its values.
struct RowNotes {
    // Deleted, so a copy leaves the row out (FoxPro's deletion mark).
    bool deleted = false;
    // Values that could not be read and are Null: column and reason.
    std::vector<std::pair<int, QString>> damaged;
};

class RowSource {
public:
    virtual ~RowSource() = default;
    // The columns as a cursor over the table names them (the names a copy reads).
    virtual const std::vector<ColumnInfo> &columns() const = 0;
    // One per column, in the same order.
    virtual const std::vector<SourceField> &fields() const = 0;
    // The rows there are to read: all the table holds whole, deleted ones
    // included (a cursor's rowCount() may count fewer).
    virtual qint64 positions() const = 0;
    // Reads the row at `position` (0 to positions() - 1) alone.
    virtual void read(qint64 position, std::vector<Variant> &row, RowNotes &notes) = 0;
    // The code page the text is read in as a cursor reports it (0: the table
    // names none and none was chosen), and the one actually decoding it.
    virtual int codePage() const = 0;
    virtual int decodingCodePage() const = 0;
    // Rows the table holds that are damaged and cannot be shown, and what the
    // reader read past in the header.
    virtual const DamagedRows &damagedRows() const = 0;
    virtual QStringList warnings() const = 0;
};

} // namespace tw::ado
