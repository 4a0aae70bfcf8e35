#include "TableReplacement.h"

#include <QDir>
#include <QFileInfo>

namespace tw::ado {

namespace {

QString key(const QString &dbPath)
{
    return QDir::cleanPath(QFileInfo(dbPath).absoluteFilePath());
}

} // namespace

TableReplacement::TableReplacement(const QString &dbPath) : m_path(dbPath), m_key(key(dbPath)) {}

bool TableReplacement::allows(const QString &dbPath) const
{
    return key(dbPath) == m_key && open();
}

void TableReplacement::claim()
{
    const std::lock_guard lock(m_mutex);
    if (!m_taken && !m_withdrawn)
        m_claimed = true;
}

void TableReplacement::take()
{
    const std::lock_guard lock(m_mutex);
    if (!m_withdrawn)
        m_taken = true;
}

bool TableReplacement::withdraw()
{
    const std::lock_guard lock(m_mutex);
    const bool unclaimed = !m_taken && !m_withdrawn && !m_claimed;
    m_withdrawn = true;
    return unclaimed;
}

bool TableReplacement::claimed() const
{
    const std::lock_guard lock(m_mutex);
    return m_claimed;
}

bool TableReplacement::taken() const
{
    const std::lock_guard lock(m_mutex);
    return m_taken;
}

bool TableReplacement::open() const
{
    const std::lock_guard lock(m_mutex);
    return !m_taken && !m_withdrawn;
}

} // namespace tw::ado
