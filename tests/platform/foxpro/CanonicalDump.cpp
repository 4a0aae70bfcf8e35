#include "CanonicalDump.h"

#include "TestSupport.h"

#include "platform/foxpro/TableReader.h"

#include <QTemporaryDir>

namespace tw::foxpro::test {

using ado::Variant;

namespace {

QByteArray jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"')
            out += QStringLiteral("\\\"");
        else if (u == '\\')
            out += QStringLiteral("\\\\");
        else if (u < 0x20)
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else if (u >= 0x80 && u <= 0x9F) // an undefined byte of the code page, shown as U+FFFD
            out += QChar(0xFFFD);
        else
            out += c;
    }
    return (out + QStringLiteral("\"")).toUtf8();
}

QByteArray currencyText(qint64 tenThousandths)
{
    const bool negative = tenThousandths < 0;
    const quint64 magnitude = negative ? quint64(-(tenThousandths + 1)) + 1 : quint64(tenThousandths);
    QByteArray digits = QByteArray::number(magnitude / 10000) + '.'
        + QByteArray::number(magnitude % 10000).rightJustified(4, '0');
    return (negative ? "-" : "") + digits;
}

QByteArray value(const Variant &v)
{
    switch (v.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null: return "null";
    case Variant::Kind::Text: return jsonString(v.asText());
    case Variant::Kind::Integer: return QByteArray::number(v.asInteger());
    case Variant::Kind::Double: {
        const double d = v.asDouble();
        return std::isfinite(d) ? ado::formatDouble(d).toLatin1() : QByteArray("null");
    }
    case Variant::Kind::Currency: return currencyText(v.asCurrency());
    case Variant::Kind::Decimal: return v.asDecimal().toLatin1();
    case Variant::Kind::Date:
    case Variant::Kind::Time:
    case Variant::Kind::DateTime: return jsonString(v.toText());
    case Variant::Kind::Boolean: return v.asBoolean() ? "true" : "false";
    case Variant::Kind::Bytes: return "{\"hex\": \"" + v.asBytes().toHex() + "\"}";
    }
    return "null";
}

} // namespace

QByteArray canonicalHeader(const QStringList &names)
{
    QByteArray out = "{\"columns\": [";
    for (int i = 0; i < names.size(); ++i)
        out += (i ? ", " : "") + jsonString(names[i]);
    return out + "]}\n";
}

QByteArray canonicalRow(const std::vector<Variant> &row)
{
    QByteArray out = "[";
    for (size_t i = 0; i < row.size(); ++i)
        out += (i ? ", " : "") + value(row[i]);
    return out + "]\n";
}

QByteArray dumpWithReader(const QString &tablePath)
{
    TableReader reader(tablePath);
    QStringList names;
    for (const auto &column : reader.columns())
        names << column.name;
    QByteArray out = canonicalHeader(names);
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        out += canonicalRow(row);
    }
    return out;
}

Comparison compareWithDbfjson(const QString &tablePath, const QByteArray &ours)
{
    const QString tools = tw::test::sharedDir() + "/tools";
    const auto theirs = tw::test::run("/usr/bin/python3", {tools + "/dbfjson.py", tablePath});
    if (theirs.exitCode != 0)
        return {false, "dbfjson.py failed: " + QString::fromUtf8(theirs.err)};
    QTemporaryDir dir;
    tw::test::writeAll(dir.filePath("ours.jsonl"), ours);
    tw::test::writeAll(dir.filePath("theirs.jsonl"), theirs.out);
    const auto cmp = tw::test::run("/usr/bin/python3", {tools + "/dumpcmp.py", "--names", dir.filePath("ours.jsonl"),
                                                        dir.filePath("theirs.jsonl")});
    return {cmp.exitCode == 0, QString::fromUtf8(cmp.out + cmp.err)};
}

} // namespace tw::foxpro::test
