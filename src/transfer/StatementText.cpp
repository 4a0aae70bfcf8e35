#include "StatementText.h"

namespace tw::Foxpro {

QString SplitLongValue(const QString &text)
{
    QString result;
    result.reserve(text.size() + text.size() / kPieceLength * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        result += text[i];
        if ((i + 1) % kPieceLength == 0)
            result += QLatin1String(kJoint);
    }
    return result;
}

QString QuotedPieces(const QString &value)
{
    QString result;
    result.reserve(value.size() + value.size() / kPieceLength * 3 + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        result += c;
        if (c == u'\'')
            result += c;
        if ((i + 1) % kPieceLength == 0)
            result += QLatin1String(kJoint);
    }
    return result;
}

QString RemoveLineBreaksOutsideValues(const QString &statement)
{
    QString result;
    result.reserve(statement.size());
    bool inLiteral = false;
    bool inName = false; // a `quoted` name may hold a quote of its own
    for (const QChar c : statement) {
        if (c == u'\'' && !inName)
            inLiteral = !inLiteral; // a doubled quote toggles twice
        else if (c == u'`' && !inLiteral)
            inName = !inName;
        if (!inLiteral && (c == u'\r' || c == u'\n'))
            continue;
        result += c;
    }
    return result;
}

} // namespace tw::Foxpro

namespace tw::transfer {

QString Backticked(const QString &name)
{
    return u'`' + QString(name).replace(u'`', QStringLiteral("``")) + u'`';
}

QString Bracketed(const QString &name)
{
    return name.contains(u']') ? Backticked(name) : u'[' + name + u']';
}

QString DoubleQuoted(const QString &name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace tw::transfer
