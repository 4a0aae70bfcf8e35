#pragma once
// TableNotes: gathers what one table's copy could not carry as it was — the
// source reader's unreadable values, texts its code page does not give back,
// damaged rows and header warnings, and
// what the target connection counted while the table was written (characters
// written as "?", values written as Null or changed) — for its outcome.

#include "TransferContext.h"

namespace tw::ado {
class Connection;
class Recordset;
} // namespace tw::ado

namespace tw::transfer {

class TableNotes {
public:
    // Marks what the target connection has counted so far.
    void start(const ado::Connection &target);
    // Takes the source's own notes; call before the source recordset closes.
    void takeSource(const ado::Recordset &source);
    // The notes of this table: the source's, and what the target counted since start().
    CopyNotes finish(const ado::Connection &target) const;

private:
    qint64 m_replacedBefore = 0;
    qint64 m_lostBefore = 0;
    qint64 m_changedBefore = 0;
    CopyNotes m_source;
};

// Adds one table's notes to the command's totals.
void addToTotals(TransferContext &context, const CopyNotes &notes);

// The text a table with damaged rows is refused with when the copy is told to
// refuse them (`TransferContext::refuseDamagedTables`); empty when it has none.
QString damagedRowsRefusal(const QString &table, const ado::Recordset &source);

} // namespace tw::transfer
