#include "LostValues.h"

#include "RuntimeError.h"

namespace tw::ado {

namespace {

constexpr qsizetype kLongestShown = 60;

} // namespace

void LostValues::add(LostValue value)
{
    ++m_count;
    if (m_first.size() < kKept)
        m_first.push_back(std::move(value));
}

void LostValues::merge(const LostValues &other)
{
    for (const LostValue &value : other.m_first)
        if (m_first.size() < kKept)
            m_first.push_back(value);
    m_count += other.m_count;
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
