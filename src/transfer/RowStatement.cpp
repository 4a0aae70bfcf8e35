#include "RowStatement.h"

#include "StatementText.h"

namespace tw::transfer {

void RowStatement::start(const QString &targetPath, int columns, bool literals)
{
    m_table = targetPath;
    m_literals = literals;
    m_prefix = FoxproSource::RemoveLineBreaksOutsideValues(
        QStringLiteral("INSERT INTO ") + Backticked(targetPath) +
        (literals ? QStringLiteral(" VALUES(") : QStringLiteral(" VALUES('")));
    m_values.assign(size_t(std::max(columns, 0)), ado::Variant());
    newRow();
}

void RowStatement::add(QStringView text)
{
    if (m_built >= m_values.size())
        m_values.resize(m_built + 1);
    m_values[m_built++].setText(text);
}

void RowStatement::add(const ado::Variant &value)
{
    if (m_built >= m_values.size())
        m_values.resize(m_built + 1);
    m_values[m_built++] = value;
}

QString RowStatement::text() const
{
    QString statement = m_prefix;
    if (m_literals) {
        for (size_t i = 0; i < m_built; ++i) {
            if (i > 0)
                statement += QLatin1String(", ");
            FoxproSource::AppendFoxProLiteral(statement, m_values[i]);
        }
        if (m_closed)
            statement += u')';
        return statement;
    }
    for (size_t i = 0; i < m_built; ++i) {
        // An empty value gives '' as well: the quote the statement ends with, then "', '".
        FoxproSource::AppendQuotedPieces(statement, m_values[i].asText());
        statement += QLatin1String("', '");
    }
    if (m_closed) {
        statement.chop(3);
        statement += u')';
    }
    return statement;
}

} // namespace tw::transfer
