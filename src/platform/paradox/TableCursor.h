#pragma once
// TableCursor: the ADO cursor over one Paradox table, streaming its records
// in block-chain order.

#include "TableReader.h"

#include "platform/ado/Provider.h"

namespace tw::paradox {

class TableCursor final : public tw::ado::Cursor {
public:
    explicit TableCursor(const QString &dbPath, int readCodePage = 0) : m_reader(dbPath, readCodePage) {}

    const std::vector<tw::ado::ColumnInfo> &columns() const override { return m_reader.columns(); }
    qint64 rowCount() const override { return m_reader.rowCount(); }
    bool fetch(std::vector<tw::ado::Variant> &row) override { return m_reader.next(row); }
    // Its own open files only.
    bool readsOnItsOwn() const override { return true; }
    const tw::ado::LostValues *lostValues() const override { return &m_reader.lostValues(); }
    const tw::ado::LostValues *changedValues() const override { return &m_reader.changedValues(); }
    const tw::ado::DamagedRows *damagedRows() const override { return &m_reader.damagedRows(); }
    QStringList warnings() const override { return m_reader.warnings(); }
    // 0 for a table whose header has no code page (read as Windows-1252)
    // and none was chosen.
    int codePage() const override { return m_reader.namedCodePage(); }
    // The page its text is read in, whether the header names one or not.
    int textCodePage() const { return m_reader.codePage(); }
    void setTextKeptAsStored(bool keep) { m_reader.setTextKeptAsStored(keep); }

private:
    TableReader m_reader;
};

} // namespace tw::paradox
