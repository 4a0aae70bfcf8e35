#include "StatementText.h"

#include "platform/ado/ValueText.h"

#include <QDate>
#include <QTime>

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

void AppendFoxProLiteral(QString &out, const ado::Variant &value)
{
    using Kind = ado::Variant::Kind;
    QString scratch;
    switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null:
        out += QLatin1String("NULL");
        return;
    case Kind::Text:
        out += u'\'';
        AppendQuotedPieces(out, value.asText());
        out += u'\'';
        return;
    case Kind::Bytes:
        out += QLatin1String("0h") + QString::fromLatin1(value.asBytes().toHex().toUpper());
        return;
    case Kind::Boolean:
        out += value.asBoolean() ? QLatin1String(".T.") : QLatin1String(".F.");
        return;
    case Kind::Date:
        out += QLatin1String("{^") + value.asDate().toString(QStringLiteral("yyyy-MM-dd")) + u'}';
        return;
    case Kind::Time:
    case Kind::DateTime: {
        // FoxPro keeps whole seconds: the nearest, which may be the next day's first.
        constexpr int kMsPerSecond = 1000;
        QDate day = value.kind() == Kind::Time ? ado::timeOnlyDate() : value.asDate();
        int ms = (value.asMsOfDay() + kMsPerSecond / 2) / kMsPerSecond * kMsPerSecond;
        if (ms >= ado::Variant::kMsPerDay) {
            day = day.addDays(1);
            ms -= ado::Variant::kMsPerDay;
        }
        const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
        out += QLatin1String("{^") + day.toString(QStringLiteral("yyyy-MM-dd")) + u' ' +
               time.toString(QStringLiteral("HH:mm:ss")) + u'}';
        return;
    }
    default: // numbers, as the shortest digits that read back as the same number
        out += value.textView(scratch);
        return;
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
