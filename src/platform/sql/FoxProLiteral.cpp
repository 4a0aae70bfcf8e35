#include "FoxProLiteral.h"

#include "platform/ado/ValueText.h"

#include <algorithm>
#include <cmath>

namespace tw::sql {

using ado::Variant;

namespace {

constexpr QChar kQuote = u'\'';
// A literal piece holds at most this many characters; the next is joined to it.
constexpr qsizetype kPieceLength = 200;
constexpr char kJoint[] = "'+'";
constexpr int kMsPerSecond = 1000;

// 'text' with its quotes doubled, cut into pieces; 200 characters end with an
// empty piece after the joint, as they always did.
QString quoted(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / kPieceLength * qsizetype(sizeof kJoint) + 2);
    out += kQuote;
    for (qsizetype start = 0; start < text.size(); start += kPieceLength) {
        const QStringView piece = text.sliced(start, std::min(kPieceLength, text.size() - start));
        for (const QChar c : piece) {
            out += c;
            if (c == kQuote)
                out += kQuote;
        }
        if (piece.size() == kPieceLength)
            out += QLatin1String(kJoint);
    }
    out += kQuote;
    return out;
}

QString dateLiteral(const QDate &date)
{
    return QStringLiteral("{^") + ado::formatDate(date) + u'}';
}

// Whole seconds always, so that the literal reads as the field holds it.
QString dateTimeLiteral(const QDate &date, int msOfDay)
{
    const Variant whole = foxproWholeSeconds(date, msOfDay);
    return QStringLiteral("{^") + ado::formatDateTime(whole.asDate(), whole.asMsOfDay()) + u'}';
}

bool holdsText(char fieldType)
{
    switch (fieldType) {
    case 'C':
    case 'V':
    case 'Q':
    case 'M':
    case 'W':
    case 'G':
        return true;
    default:
        return false;
    }
}

} // namespace

Variant foxproWholeSeconds(const QDate &date, int msOfDay)
{
    const int rest = msOfDay % kMsPerSecond;
    int ms = msOfDay - rest + (rest * 2 >= kMsPerSecond ? kMsPerSecond : 0);
    QDate day = date;
    if (ms >= Variant::kMsPerDay) {
        ms -= Variant::kMsPerDay;
        day = day.addDays(1);
    }
    return Variant::dateTime(day, ms);
}

QString foxproLiteral(const Variant &value, char fieldType)
{
    const bool inTimestamp = fieldType == 'T';
    switch (value.kind()) {
    case Variant::Kind::Null:
        return QStringLiteral("NULL");
    case Variant::Kind::Empty:
        if (fieldType == 'D' || inTimestamp)
            return QStringLiteral("{}");
        return holdsText(fieldType) ? QStringLiteral("''") : QStringLiteral("NULL");
    case Variant::Kind::Text:
        return quoted(value.asText());
    case Variant::Kind::Bytes:
        return quoted(QString::fromLatin1(value.asBytes()));
    case Variant::Kind::Double:
        if (!std::isfinite(value.asDouble()))
            return quoted(ado::formatDouble(value.asDouble()));
        return ado::formatDouble(value.asDouble());
    case Variant::Kind::Integer:
    case Variant::Kind::Currency:
    case Variant::Kind::Decimal:
        return value.toText();
    case Variant::Kind::Boolean:
        return value.asBoolean() ? QStringLiteral(".T.") : QStringLiteral(".F.");
    case Variant::Kind::Date:
        return inTimestamp ? dateTimeLiteral(value.asDate(), 0) : dateLiteral(value.asDate());
    case Variant::Kind::DateTime:
        return fieldType == 'D' ? dateLiteral(value.asDate()) : dateTimeLiteral(value.asDate(), value.asMsOfDay());
    case Variant::Kind::Time:
        return dateTimeLiteral(ado::timeOnlyDate(), value.asMsOfDay());
    }
    return QStringLiteral("NULL");
}

} // namespace tw::sql
