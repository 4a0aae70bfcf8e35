#include "LostValues.h"

#include "RuntimeError.h"

#include <algorithm>

namespace tw::ado {

namespace {

constexpr qsizetype kLongestShown = 60;
constexpr qsizetype kBytesShown = 24;

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

QString LostValues::describeBytes(QByteArrayView bytes)
{
    QString text = QStringLiteral("bytes ") +
                   QString::fromLatin1(bytes.first(std::min(bytes.size(), kBytesShown)).toByteArray().toHex(' '));
    if (bytes.size() > kBytesShown)
        text += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
    return text;
}

bool beyondAscii(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char b) { return (static_cast<unsigned char>(b) & 0x80) != 0; });
}

LostValue changedText(const QString &table, qint64 row, const QString &column, QByteArrayView stored,
                      const QString &read, int codePage)
{
    return {table,
            row,
            column,
            LostValues::describeBytes(stored),
            QStringLiteral("code page %1 does not read these bytes as a text it writes back the same").arg(codePage),
            LostValues::describe(Variant::text(read))};
}

} // namespace tw::ado
