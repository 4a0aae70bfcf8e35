#pragma once
// TableCopy: the outline both copies follow for each selected table — a fresh
// start, the target's name and the question to overwrite, the old table held
// back in a transaction, the source opened (or refused for damaged rows), the
// new table made, the row loop, and the end that puts the new table in place
// or leaves the old one as it was. What differs per direction are its parts;
// the steps it reports under are its data (`TableCopySteps`).

#include "TableNotes.h"
#include "TransferContext.h"

#include "common/Steps.h"
#include "platform/ado/Recordset.h"

namespace tw {
class TableList;
}

namespace tw::ado {
class Connection;
}

namespace tw::transfer {

// The step numbers one direction's routine shows for the outline's steps.
struct TableCopySteps {
    int name;        // the source table's name taken from its list
    int reset;       // what the last table left open is closed
    int begin;       // the transaction that holds the old table back begins
    int drop;        // the old table is dropped
    int rollback;    // the transaction ends without the new table
    int openSource;  // the source table opens (or is refused)
    int lastRow;     // the source's last row number is read
    int rowEvents;   // the window's events, per row
    int rowProgress; // the progress bar, per row
    int nextRow;     // the next source row is read
    int pointer;     // the pointer goes back to normal
    int progress;    // the progress bar goes back to its caption
    int closeSource; // the source table closes
    int commit;      // the transaction puts the new table in place
    // True when every table is built in a transaction, not only one that
    // replaces an old table.
    bool holdsEveryTable;
};

class TableCopy {
public:
    virtual ~TableCopy() = default;
    TableCopy(const TableCopy &) = delete;
    TableCopy &operator=(const TableCopy &) = delete;

protected:
    enum class Answer { None, Yes, No, Refused };

    TableCopy(TransferContext &context, const QString &routine, const TableCopySteps &numbers);

    // Copies the selected tables of `list`, the last first, until a copy is stopped.
    void copySelected(TableList &list, int countStep, int selectedStep);

    // The parts. The connection the source table is read from; the one the
    // rows are written through (its counts go to the table's notes, its new
    // tables take the source's code page); the one that holds the target
    // table (its transaction holds the old one back).
    virtual ado::Connection &sourceConnection() = 0;
    // The side the source tables are on (for the code page chosen to read them in).
    virtual ReadCodePages::Side sourceSide() const = 0;
    virtual ado::Connection &rowTarget() = 0;
    virtual ado::Connection &tableTarget() = 0;
    // Closes what else the last table left open.
    virtual void closeLeftovers() {}
    // Settles the target's name (it starts as the source's) and asks whether
    // to replace a table of that name: Yes, No, None (there is none), or
    // Refused (a failure already reported).
    virtual Answer chooseTarget(const QString &sourceName, QString &targetName) = 0;
    virtual QString dropStatement(const QString &targetName) const = 0;
    virtual void afterDrop(const QString &targetName) { (void)targetName; }
    virtual void beforeOpen() {}
    virtual QString sourceQuery(const QString &sourceName) const = 0;
    // Makes the new (work or target) table; true when it was made.
    virtual bool createTarget(const QString &sourceName, const QString &targetName) = 0;
    // Gets ready for the rows; false when none are to be written (`readFailed`
    // set when they were refused).
    virtual bool startRows(const QString &sourceName, const QString &targetName, qint64 lastRow) = 0;
    // Writes the source's current row; false ends the table's rows.
    virtual bool writeRow() = 0;
    virtual void closeTarget() {}
    // What a whole table needs done before the transaction ends; false when it did not arrive.
    virtual bool writeOut(const QString &sourceName, const QString &targetName)
    {
        (void)sourceName;
        (void)targetName;
        return true;
    }
    // After the transaction ended; `arrived` when the new table is in place.
    virtual void afterEnd(const QString &sourceName, const QString &targetName, bool arrived) = 0;

    TransferContext &c;
    Steps steps;
    ado::Recordset source;
    bool stopped = false;
    bool readFailed = false; // of the current table, or it could not take its rows

private:
    void copyTable(TableList &list, int index);
    bool holdBack(Answer answer, const QString &sourceName, const QString &targetName);
    bool openSource(const QString &sourceName);
    void copyRows(qint64 lastRow);
    void endTable(const QString &sourceName, const QString &targetName, bool whole, int failuresBefore);
    // Ends a table that failed before its rows: the old one stays.
    void fail(const QString &sourceName, const QString &reason = {});
    void outcome(const QString &sourceName, TableOutcome::Kind kind, const QString &reason = {});

    const TableCopySteps m_steps;
    TableNotes m_notes; // of the current table
};

} // namespace tw::transfer
