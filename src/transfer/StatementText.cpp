#include "StatementText.h"

#include <algorithm>

namespace tw::FoxproSource {

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
    result.reserve(value.size() + value.count(u'\'') + value.size() / kPieceLength * qsizetype(sizeof kJoint - 1));
    AppendQuotedPieces(result, value);
    return result;
}

void AppendQuotedPieces(QString &out, QStringView value)
{
    constexpr QChar kQuote = u'\'';
    const QLatin1String joint(kJoint);
    // Piece by piece; within a piece, the runs between quotes go in whole.
    for (qsizetype pieceStart = 0; pieceStart < value.size(); pieceStart += kPieceLength) {
        const qsizetype pieceEnd = std::min<qsizetype>(pieceStart + kPieceLength, value.size());
        qsizetype from = pieceStart;
        while (from < pieceEnd) {
            const qsizetype quote = value.sliced(from, pieceEnd - from).indexOf(kQuote);
            if (quote < 0) {
                out.append(value.sliced(from, pieceEnd - from));
                break;
            }
            out.append(value.sliced(from, quote + 1)).append(kQuote);
            from += quote + 1;
        }
        if (pieceEnd - pieceStart == kPieceLength)
            out.append(joint);
    }
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

} // namespace tw::FoxproSource

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
