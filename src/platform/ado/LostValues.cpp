#include "LostValues.h"

#include "RuntimeError.h"

#include <algorithm>

namespace tw::ado {

namespace {

constexpr qsizetype kLongestShown = 60;

} // namespace

void LostValues::add(LostValue value)
{
    ++m_count;
    if (!value.file.isEmpty() && m_fromFileCount++ == 0)
        m_firstFromFile = value;
    if (m_first.size() < kKept)
        m_first.push_back(std::move(value));
}

void LostValues::merge(const LostValues &other)
{
    for (const LostValue &value : other.m_first)
        if (m_first.size() < kKept)
            m_first.push_back(value);
    m_count += other.m_count;
    if (m_fromFileCount == 0 && other.m_firstFromFile)
        m_firstFromFile = other.m_firstFromFile;
    m_fromFileCount += other.m_fromFileCount;
}

LostValues LostValues::since(qint64 countBefore) const
{
    LostValues out;
    out.m_count = std::max<qint64>(0, m_count - countBefore);
    for (size_t i = size_t(std::max<qint64>(0, countBefore)); i < m_first.size(); ++i)
        out.m_first.push_back(m_first[i]);
    return out;
}

QString LostValues::describe(const Variant &value)
{
    if (value.isNull() || value.isEmpty())
        return QStringLiteral("Null");
    QString text;
    try {
        text = value.toText();
    } catch (const RuntimeError &) {
        return QStringLiteral("(a value that has no text form)");
    }
    if (text.size() > kLongestShown)
        text = text.left(kLongestShown) + QStringLiteral("...");
    return text;
}

} // namespace tw::ado
