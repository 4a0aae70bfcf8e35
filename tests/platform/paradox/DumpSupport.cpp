#include "DumpSupport.h"

#include "TestSupport.h"

#include "platform/paradox/TableReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tw::paradoxtest {

using tw::ado::Variant;
using Kind = tw::ado::Variant::Kind;

namespace {

QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    const QByteArray utf8 = text.toUtf8();
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') { out += '\\'; out += char(c); }
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20) out += QByteArray("\\u00") + QByteArray::number(c, 16).rightJustified(2, '0');
        else out += char(c);
    }
    return out + "\"";
}

} // namespace

QByteArray canonicalValue(const Variant &value)
{
    switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null: return "null";
    case Kind::Text: return jsonString(value.asText());
    case Kind::Integer: return QByteArray::number(value.asInteger());
    case Kind::Double: return tw::ado::formatDouble(value.asDouble()).toUtf8();
    case Kind::Currency: {
        const qint64 c = value.asCurrency();
        const quint64 a = c < 0 ? quint64(-(c + 1)) + 1 : quint64(c);
        return (c < 0 ? QByteArray("-") : QByteArray()) + QByteArray::number(a / 10000) + "."
            + QByteArray::number(a % 10000).rightJustified(4, '0');
    }
    case Kind::Decimal: return value.asDecimal().toUtf8();
    case Kind::Boolean: return value.asBoolean() ? "true" : "false";
    case Kind::Bytes: return "{\"hex\": \"" + value.asBytes().toHex() + "\"}";
    case Kind::Date:
    case Kind::Time:
    case Kind::DateTime: return jsonString(value.toText());
    }
    return "null";
}

QByteArray dumpWithReader(const QString &dbPath)
{
    tw::paradox::TableReader reader(dbPath);
    QByteArray out = "{\"columns\": [";
    for (size_t i = 0; i < reader.columns().size(); ++i) {
        if (i) out += ", ";
        out += jsonString(reader.columns()[i].name);
    }
    out += "]}\n";
    std::vector<Variant> row;
    while (reader.next(row)) {
        out += '[';
        for (size_t i = 0; i < row.size(); ++i) {
            if (i) out += ", ";
            out += canonicalValue(row[i]);
        }
        out += "]\n";
    }
    return out;
}

namespace {

QString buildTool(const QString &name, const QString &source)
{
    if (tw::test::onWindows())
        return {}; // gcc and pxlib are Linux's
    static QTemporaryDir dir;
    const QString target = dir.filePath(name);
    const auto result = tw::test::run(QStringLiteral("gcc"), {QStringLiteral("-O2"), QStringLiteral("-o"), target, source,
                                                              QStringLiteral("-lpx")});
    return result.exitCode == 0 && QFileInfo::exists(target) ? target : QString();
}

} // namespace

QString pxjson()
{
    static const QString built = tw::test::sharedDir().isEmpty()
        ? QString()
        : buildTool(QStringLiteral("pxjson"), tw::test::sharedDir() + QStringLiteral("/tools/pxjson.c"));
    return built;
}

QString pxmake()
{
    static const QString built = buildTool(QStringLiteral("pxmake"), QStringLiteral(TW_PARADOX_TEST_DIR "/pxmake.c"));
    return built;
}

Comparison compareDumps(const QByteArray &ours, const QByteArray &theirs, const QStringList &options)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("ours.jsonl"));
    const QString b = dir.filePath(QStringLiteral("theirs.jsonl"));
    tw::test::writeAll(a, ours);
    tw::test::writeAll(b, theirs);
    QStringList args{tw::test::sharedDir() + QStringLiteral("/tools/dumpcmp.py")};
    args << options << a << b;
    const auto result = tw::test::run(QStringLiteral("/usr/bin/python3"), args);
    return {result.exitCode == 0, QString::fromUtf8(result.out + result.err)};
}

QByteArray dumpWithPxjson(const QString &dbPath, QString *error)
{
    const QFileInfo info(dbPath);
    QStringList args{dbPath};
    const QStringList mbs = info.dir().entryList({info.completeBaseName() + QStringLiteral(".mb")}, QDir::Files);
    for (const QString &mb : mbs)
        if (mb.compare(info.completeBaseName() + QStringLiteral(".mb"), Qt::CaseInsensitive) == 0) args << info.dir().filePath(mb);
    const auto result = tw::test::run(pxjson(), args);
    if (result.exitCode != 0) *error = QString::fromUtf8(result.err);
    return result.out;
}

} // namespace tw::paradoxtest
