#include "PreparedExport.h"

#include "WorkDatabase.h"

#include "platform/ado/RuntimeError.h"
#include "platform/paradox/TableWriter.h"

namespace tw::workdb {

using ado::RuntimeError;

PreparedExport::PreparedExport(std::shared_ptr<WorkDatabase> database) : m_database(std::move(database)) {}

PreparedExport::~PreparedExport() = default;

void PreparedExport::prepare(const QString &table, const QString &folder, const QString &target, qint64 expectedRows,
                             std::shared_ptr<ado::TableReplacement> replacement)
{
    m_stream.reset();
    m_table = table;
    m_folder = folder;
    m_target = target;
    m_expectedRows = expectedRows;
    m_replacement = std::move(replacement);
    m_spent = false;
    m_rows = 0;
}

void PreparedExport::forget(const QString &table)
{
    if (m_table && m_table->compare(table, Qt::CaseInsensitive) == 0) {
        m_stream.reset();
        m_table.reset();
    }
}

void PreparedExport::append(const QString &table, const std::vector<ado::Variant> &row)
{
    if (!isFor(table))
        throw RuntimeError(QStringLiteral("Rows cannot be added to '%1': the work database writes rows only to the "
                                          "Paradox table an export was prepared for, and none was prepared for it.")
                               .arg(table));
    if (m_spent)
        throw RuntimeError(QStringLiteral("Rows cannot be added to '%1' after it was written out.").arg(table));
    if (!m_stream)
        m_stream = std::make_unique<ExportStream>(exportPlan(*m_database, table), m_folder, m_target, m_expectedRows,
                                                  m_replacement);
    m_stream->append(row);
    ++m_rows;
}

qint64 PreparedExport::rowCount(const QString &table) const
{
    return isFor(table) ? m_rows : 0;
}

void PreparedExport::requireNoneAhead(const QString &table) const
{
    if (isFor(table) && m_rows > 0)
        throw RuntimeError(QStringLiteral("The rows of '%1' went straight to the Paradox table %2 as they were "
                                          "added: the work database does not keep them.")
                               .arg(table, m_target));
}

void PreparedExport::requireRoomFor(const QString &table, qint64 rows)
{
    if (!isFor(table))
        return;
    const ExportPlan plan = exportPlan(*m_database, table);
    paradox::TableWriter::requireRoom(m_target, plan.fields, rows, plan.codePage);
}

std::optional<ExportResult> PreparedExport::finish(const QString &table, const QString &folder, const QString &target)
{
    if (!isFor(table) || (!m_stream && !m_spent))
        return std::nullopt;
    // The rows are had once, whatever comes of it: an export of the table
    // after this one must not write it out empty.
    const std::unique_ptr<ExportStream> stream = std::move(m_stream);
    m_spent = true;
    if (!stream || m_folder != folder || m_target != target)
        throw RuntimeError(QStringLiteral("The rows of '%1' went straight to the Paradox table %2 as they were "
                                          "added; they cannot be written out again.")
                               .arg(table, m_target));
    return stream->finish();
}

} // namespace tw::workdb
