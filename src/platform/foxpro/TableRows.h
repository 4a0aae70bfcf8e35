#pragma once
// TableRows: the records of one FoxPro table read by position (see
// ado::RowSource), deleted ones included and marked, from a TableReader of
// its own.

#include "TableReader.h"

#include "platform/ado/RowSource.h"

#include <memory>

namespace tw::foxpro {

class TableRows final : public ado::RowSource {
public:
    // `names` and `warnings` as for TableCursor.
    TableRows(std::unique_ptr<TableReader> reader, const QStringList &names, const QStringList &warnings);

    const std::vector<ado::ColumnInfo> &columns() const override { return m_columns; }
    const std::vector<ado::SourceField> &fields() const override { return m_fields; }
    qint64 positions() const override { return m_reader->wholeRecordCount(); }
    void read(qint64 position, std::vector<ado::Variant> &row, ado::RowNotes &notes) override;
    int codePage() const override { return m_reader->codePage(); }
    int decodingCodePage() const override { return m_reader->codec().codePage(); }
    const ado::DamagedRows &damagedRows() const override { return m_reader->damagedRows(); }
    QStringList warnings() const override { return m_warnings; }

private:
    std::unique_ptr<TableReader> m_reader;
    std::vector<ado::ColumnInfo> m_columns;
    std::vector<ado::SourceField> m_fields;
    QStringList m_warnings;
};

} // namespace tw::foxpro
