#pragma once
// TableRows: the records of one Paradox table read by position (see
// ado::RowSource), in block-chain order, from a TableReader of its own.

#include "TableReader.h"

#include "platform/ado/RowSource.h"

namespace tw::paradox {

class TableRows final : public tw::ado::RowSource {
public:
    TableRows(const QString &dbPath, int readCodePage);

    const std::vector<tw::ado::ColumnInfo> &columns() const override { return m_reader.columns(); }
    const std::vector<tw::ado::SourceField> &fields() const override { return m_fields; }
    qint64 positions() const override { return m_reader.rowCount(); }
    void read(qint64 position, std::vector<tw::ado::Variant> &row, tw::ado::RowNotes &notes) override;
    int codePage() const override { return m_reader.namedCodePage(); }
    int decodingCodePage() const override { return m_reader.codePage(); }
    const tw::ado::DamagedRows &damagedRows() const override { return m_reader.damagedRows(); }
    QStringList warnings() const override { return m_reader.warnings(); }

private:
    TableReader m_reader;
    QString m_name;
    std::vector<tw::ado::SourceField> m_fields;
};

} // namespace tw::paradox
