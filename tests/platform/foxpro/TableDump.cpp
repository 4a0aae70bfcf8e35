#include "TableDump.h"

#include "TestSupport.h"

#include "cli/CanonicalDump.h"
#include "platform/foxpro/TableReader.h"

#include <QTemporaryDir>

namespace tw::foxpro::test {

using ado::Variant;

QByteArray dumpWithReader(const QString &tablePath)
{
    TableReader reader(tablePath);
    QStringList names;
    for (const auto &column : reader.columns())
        names << column.name;
    QByteArray out = cli::canonicalHeader(names);
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        cli::appendCanonicalRow(out, row);
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
