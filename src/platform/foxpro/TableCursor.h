#pragma once
// TableCursor: the read-only ADO cursor over one FoxPro table, streaming its
// live rows from a TableReader.

#include "TableReader.h"

#include "platform/ado/Provider.h"

#include <memory>

namespace tw::foxpro {

class TableCursor : public ado::Cursor {
public:
    // `names` renames the columns by position (long names); missing ones keep
    // the DBF field name in lower case.
    // `warnings` are the session's own (a container that is not there), put
    // before the reader's.
    TableCursor(std::unique_ptr<TableReader> reader, const QStringList &names, const QStringList &warnings = {});

    const std::vector<ado::ColumnInfo> &columns() const override { return m_columns; }
    // Whole live rows only: the damaged ones are in damagedRows().
    qint64 rowCount() const override { return m_reader->liveCount(); }
    bool fetch(std::vector<ado::Variant> &row) override;
    // Its own open files only.
    bool readsOnItsOwn() const override { return true; }
    const ado::LostValues *lostValues() const override { return &m_reader->lostValues(); }
    const ado::LostValues *changedValues() const override { return &m_reader->changedValues(); }
    const ado::DamagedRows *damagedRows() const override { return &m_reader->damagedRows(); }
    QStringList warnings() const override { return m_warnings; }
    int codePage() const override { return m_reader->codePage(); }

private:
    std::unique_ptr<TableReader> m_reader;
    std::vector<ado::ColumnInfo> m_columns;
    QStringList m_warnings;
};

} // namespace tw::foxpro
