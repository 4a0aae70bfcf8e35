#pragma once
// Recordset: a forward walk over a statement's rows, as ADO's Recordset; opened
// with lock type 3 on an updatable source it also appends rows (AddNew, Update).

#include "Field.h"
#include "Provider.h"

#include <memory>

namespace tw::ado {

class Connection;

class Recordset {
public:
    Recordset() = default;
    ~Recordset();
    Recordset(Recordset &&) noexcept;
    Recordset &operator=(Recordset &&) noexcept;
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    int CursorLocation = 2;

    // Runs the statement on the connection; cursorType 2 with lockType 3 asks
    // for an updatable recordset.
    void Open(const QString &source, Connection &activeConnection, int cursorType = 0, int lockType = 1);
    // ADO's EOF (the name is taken by a C macro): true when there is no current row.
    bool Eof() const;
    void MoveNext();
    qint64 RecordCount() const;
    Fields &fields();
    const Fields &fields() const;
    // Starts a new row: every field Empty, assignments converted to the column type.
    void AddNew();
    // Appends the new row; RuntimeError when there is none or the source refuses it.
    void Update();
    void Close();
    int State() const { return m_cursor ? 1 : 0; }
    // Not an ADO member: values the walk could not read and gave as Null;
    // nullptr when none or closed.
    const LostValues *lostValues() const { return m_cursor ? m_cursor->lostValues() : nullptr; }
    // Not an ADO member: texts the walk read that arrive changed (their bytes
    // do not come back from the code page); nullptr when none or closed.
    const LostValues *changedValues() const { return m_cursor ? m_cursor->changedValues() : nullptr; }
    // Not an ADO member: rows of the source that are damaged and left out of
    // the walk (RecordCount counts the others); nullptr when none or closed.
    const DamagedRows *damagedRows() const { return m_cursor ? m_cursor->damagedRows() : nullptr; }
    // Not an ADO member: what the reader met in the table's header and read past.
    QStringList warnings() const { return m_cursor ? m_cursor->warnings() : QStringList(); }
    // Not an ADO member: the code page of the source table's text; 0 when it
    // names none, the provider has no code pages, or the recordset is closed.
    int codePage() const { return m_cursor ? m_cursor->codePage() : 0; }
    // Not an ADO member: what the provider says of each column; none when closed.
    std::vector<ColumnInfo> columns() const;

    // Used by Connection::OpenSchema.
    void attach(std::shared_ptr<Session> session, std::unique_ptr<Cursor> cursor);

private:
    void requireOpen(const char *member) const;
    void loadRow();

    std::shared_ptr<Session> m_session;
    std::unique_ptr<Cursor> m_cursor;
    Fields m_fields; // and the current row, which the cursor fills
    bool m_eof = true;
    bool m_adding = false;
};

} // namespace tw::ado
