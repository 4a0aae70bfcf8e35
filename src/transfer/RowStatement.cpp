#include "RowStatement.h"

#include "StatementText.h"

namespace tw::transfer {

void RowStatement::start(const QString &targetPath, int columns)
{
    m_table = targetPath;
    m_prefix = FoxproSource::RemoveLineBreaksOutsideValues(QStringLiteral("INSERT INTO ") + Backticked(targetPath) +
                                                           QStringLiteral(" VALUES('"));
    m_values.assign(size_t(std::max(columns, 0)), ado::Variant());
    newRow();
}

void RowStatement::add(QStringView text)
{
    if (m_built >= m_values.size())
        m_values.resize(m_built + 1);
    m_values[m_built++].setText(text);
}

QString RowStatement::text() const
{
    QString statement = m_prefix;
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
