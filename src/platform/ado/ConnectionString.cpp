#include "ConnectionString.h"

namespace tw::ado {

ConnectionString ConnectionString::parse(const QString &text)
{
    ConnectionString cs;
    cs.m_text = text;
    QString piece;
    int braces = 0;
    auto flush = [&cs](const QString &pair) {
        if (pair.trimmed().isEmpty())
            return;
        const qsizetype equals = pair.indexOf(u'=');
        if (equals < 0)
            cs.m_pairs.emplace_back(pair.trimmed(), QString());
        else
            cs.m_pairs.emplace_back(pair.left(equals).trimmed(), pair.mid(equals + 1));
    };
    for (const QChar c : text) {
        if (c == u'{')
            ++braces;
        else if (c == u'}' && braces > 0)
            --braces;
        if (c == u';' && braces == 0) {
            flush(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    flush(piece);
    return cs;
}

std::optional<QString> ConnectionString::value(const QString &key) const
{
    // The first occurrence of a key wins.
    for (const auto &[k, v] : m_pairs) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    }
    return std::nullopt;
}

QString ConnectionString::valueOr(const QString &key, const QString &fallback) const
{
    return value(key).value_or(fallback);
}

} // namespace tw::ado
