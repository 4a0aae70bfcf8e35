#include "FormatLimit.h"

namespace tw::ado {

QString groupedNumber(qint64 number)
{
    QString digits = QString::number(number < 0 ? -quint64(number) : quint64(number));
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return number < 0 ? u'-' + digits : digits;
}

namespace {

// "2 blocks of 4,096 bytes", "1 block of 4,096 bytes": `units` is plural, and
// its first word alone is the one counted.
QString counted(qint64 number, QString units)
{
    if (number == 1) {
        const qsizetype space = units.indexOf(u' ');
        const qsizetype end = space < 0 ? units.size() : space;
        if (end > 1 && units[end - 1] == u's')
            units.remove(end - 1, 1);
    }
    return groupedNumber(number) + u' ' + units;
}

} // namespace

RuntimeError pastLimit(const PastLimit &past)
{
    QString text = QStringLiteral("%1 would pass %2, the most %3 holds; the table %4 needs at least %5 more")
                       .arg(past.file, counted(past.limit, past.unit), past.holder, past.table,
                            counted(past.more, past.moreUnit.isEmpty() ? past.unit : past.moreUnit));
    if (!past.detail.isEmpty())
        text += u' ' + past.detail;
    return RuntimeError(RuntimeError::Kind::Limit, kErrPastFormatLimit, text + u'.', {past.file, past.table, 0, {}},
                        text);
}

} // namespace tw::ado
