#include "RowStatement.h"

#include "StatementText.h"

#include "platform/sql/FoxProLiteral.h"

namespace tw::transfer {

void RowStatement::start(const QString &targetPath, int columns, std::vector<char> literalTypes, int textPage)
{
    m_table = targetPath;
    m_textPage = textPage;
    m_literalTypes = std::move(literalTypes);
    const bool literals = !m_literalTypes.empty();
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

bool RowStatement::addShortText(const ado::Variant &value)
{
    if (m_textPage == 0)
        return false;
    if (m_built >= m_values.size())
        m_values.resize(m_built + 1);
    if (!m_values[m_built].setShortTextStored(value, m_textPage))
        return false;
    ++m_built;
    return true;
}

void RowStatement::add(const ado::Variant &value)
{
    if (m_built >= m_values.size())
        m_values.resize(m_built + 1);
    m_values[m_built++].assign(value);
}

QString RowStatement::text() const
{
    QString statement = m_prefix;
    if (!m_literalTypes.empty()) {
        for (size_t i = 0; i < m_built; ++i) {
            if (i > 0)
                statement += QLatin1String(", ");
            statement += sql::foxproLiteral(m_values[i], i < m_literalTypes.size() ? m_literalTypes[i] : 'M');
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
