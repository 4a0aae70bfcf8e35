#pragma once
// WorkTableCursor: a work table opened as rows. It has none to give: the work
// database keeps no rows. Opened for updates it adds rows to the session's
// prepared export of the table, and refuses them when there is none.

#include "PreparedExport.h"
#include "WorkDatabase.h"

#include "platform/ado/Provider.h"

#include <memory>

namespace tw::workdb {

class WorkTableCursor final : public ado::Cursor {
public:
    WorkTableCursor(std::shared_ptr<WorkDatabase> database, std::shared_ptr<PreparedExport> prepared,
                    const QString &table, bool updatable);

    const std::vector<ado::ColumnInfo> &columns() const override { return m_infos; }
    // The rows added so far (they went to the prepared export).
    qint64 rowCount() const override { return m_rowCount; }
    // False at once; RuntimeError when rows went to the prepared export, which
    // cannot give them back.
    bool fetch(std::vector<ado::Variant> &row) override;
    bool updatable() const override { return m_updatable; }
    ado::Variant convert(int column, const ado::Variant &value) const override;
    void append(const std::vector<ado::Variant> &row) override;
    // The code page of the source the table was created for.
    int codePage() const override { return m_codePage; }

private:
    std::shared_ptr<WorkDatabase> m_database;
    std::shared_ptr<PreparedExport> m_prepared;
    QString m_table;
    std::vector<WorkColumn> m_columns;
    std::vector<ado::ColumnInfo> m_infos;
    qint64 m_rowCount = 0;
    int m_codePage = 0;
    bool m_updatable;
};

} // namespace tw::workdb
