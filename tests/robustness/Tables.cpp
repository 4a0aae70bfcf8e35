#include "Tables.h"

#include "platform/ado/Variant.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/TableWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace tw::robust {

using ado::Variant;

namespace {

constexpr int kMemoEvery = 10;

QString noteFor(int id)
{
    return id % kMemoEvery == 0 ? QStringLiteral("memo of row %1, long enough to leave the record behind").arg(id)
                                : QString();
}

qint64 countRows(const QByteArray &out, QString *lastRow)
{
    // Line 1 names the columns; every further line is a row.
    const QList<QByteArray> lines = out.trimmed().split('\n');
    if (lines.isEmpty() || !lines.front().startsWith("{\"columns\""))
        return -1;
    if (lastRow)
        *lastRow = lines.size() > 1 ? QString::fromUtf8(lines.back()) : QString();
    return lines.size() - 1;
}

} // namespace

void makeFoxProTable(const QString &folder, const QString &name, int rows)
{
    std::vector<foxpro::NewField> fields(3);
    fields[0].name = QStringLiteral("ID");
    fields[0].type = 'N';
    fields[0].length = 10;
    fields[1].name = QStringLiteral("NAME");
    fields[1].type = 'C';
    fields[1].length = 20;
    fields[2].name = QStringLiteral("NOTE");
    fields[2].type = 'M';
    auto writer = foxpro::TableWriter::create(folder + '/' + name + ".dbf", fields);
    for (int id = 1; id <= rows; ++id)
        writer->append(
            {Variant::integer(id), Variant::text(QStringLiteral("name %1").arg(id)), Variant::text(noteFor(id))});
}

void makeParadoxTable(const QString &folder, const QString &name, int rows)
{
    using paradox::FieldType;
    paradox::TableWriter writer(folder, name,
                                {{QStringLiteral("ID"), FieldType::Long, 0, 0},
                                 {QStringLiteral("NAME"), FieldType::Alpha, 20, 0},
                                 {QStringLiteral("NOTE"), FieldType::Memo, 10, 0}},
                                rows);
    for (int id = 1; id <= rows; ++id)
        writer.appendRow(
            {Variant::integer(id), Variant::text(QStringLiteral("name %1").arg(id)), Variant::text(noteFor(id))});
    writer.finish();
}

QString cliPath()
{
    return test::programPath(QStringLiteral("tabwright-cli"));
}

test::ProcessResult cli(const QStringList &args, int timeoutMs)
{
    return test::run(cliPath(), args, timeoutMs);
}

bool Readers::prepare(const QString &scratch)
{
    if (test::onWindows()) {
        m_error = QStringLiteral("the independent readers (python3, dbfread, pxlib) are Linux programs: run on Linux");
        return false;
    }
    const QString shared = test::sharedDir();
    if (shared.isEmpty()) {
        m_error = QStringLiteral("no shared folder with the independent readers");
        return false;
    }
    m_dbfjson = shared + QStringLiteral("/tools/dbfjson.py");
    m_pxjson = scratch + QStringLiteral("/pxjson");
    const auto built =
        test::run(QStringLiteral("gcc"), {QStringLiteral("-O2"), QStringLiteral("-o"), m_pxjson,
                                          shared + QStringLiteral("/tools/pxjson.c"), QStringLiteral("-lpx")});
    if (built.exitCode != 0) {
        m_error = QStringLiteral("cannot build pxjson: ") + QString::fromUtf8(built.err);
        return false;
    }
    return true;
}

qint64 Readers::paradoxRows(const QString &dbPath, QString *error, QString *lastRow) const
{
    QStringList args{dbPath};
    const QFileInfo db(dbPath);
    const QDir dir = db.dir();
    for (const QString &entry : dir.entryList(QDir::Files))
        if (entry.compare(db.completeBaseName() + QStringLiteral(".mb"), Qt::CaseInsensitive) == 0)
            args << dir.filePath(entry);
    const auto r = test::run(m_pxjson, args);
    if (r.exitCode != 0) {
        if (error)
            *error = QString::fromUtf8(r.err);
        return -1;
    }
    return countRows(r.out, lastRow);
}

qint64 Readers::foxproRows(const QString &dbfPath, QString *error, QString *lastRow) const
{
    const auto r = test::run(QStringLiteral("/usr/bin/python3"), {m_dbfjson, dbfPath});
    if (r.exitCode != 0) {
        if (error)
            *error = QString::fromUtf8(r.err);
        return -1;
    }
    return countRows(r.out, lastRow);
}

QStringList reports(const QByteArray &err)
{
    QStringList found;
    for (const QString &line : QString::fromUtf8(err).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.endsWith(QLatin1String("[yes]")) || line.endsWith(QLatin1String("[no]")))
            continue;
        // The closing summary, a line per table that did not arrive, repeats a report.
        if (line.contains(QLatin1String(": not copied: ")))
            continue;
        if (line.startsWith(QLatin1String("tabwright-cli:"))) {
            found << line;
            continue;
        }
        // A box's first line is its message; the lines after it belong to it.
        if (line.startsWith(QLatin1String("in ")) || line.startsWith(QLatin1String("Please email")) ||
            line.startsWith(QLatin1String("sql:"))) {
            if (!found.isEmpty())
                found.back() += u'|' + line;
            continue;
        }
        found << line;
    }
    return found;
}

QString findFile(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    for (const QString &entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return {};
}

QString makeWorkDatabase(const QString &folder)
{
    const QString path = folder + QStringLiteral("/work.mdb");
    test::writeAll(path, QByteArray()); // an empty file is an empty work database
    return path;
}

QStringList snapshot(const QString &folder)
{
    QStringList lines;
    const QDir dir(folder);
    for (const QString &entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QByteArray data = test::readAll(dir.filePath(entry));
        lines << QStringLiteral("%1 %2 %3")
                     .arg(entry)
                     .arg(data.size())
                     .arg(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex()));
    }
    return lines;
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("~tw*")}, QDir::Files | QDir::Hidden);
}

CopyFolders::CopyFolders() : m_dir(std::make_shared<QTemporaryDir>())
{
    fox = m_dir->filePath(QStringLiteral("fox"));
    px = m_dir->filePath(QStringLiteral("px"));
    work = m_dir->filePath(QStringLiteral("work"));
    for (const QString &folder : {fox, px, work})
        QDir().mkpath(folder);
}

QStringList CopyFolders::toParadox(const QStringList &tables, const QStringList &options) const
{
    return QStringList{QStringLiteral("copy"),      QStringLiteral("--to-paradox"),
                       QStringLiteral("--foxpro"),  fox,
                       QStringLiteral("--paradox"), px,
                       QStringLiteral("--work"),    makeWorkDatabase(work)} +
           options + tables;
}

QStringList CopyFolders::toFoxPro(const QStringList &tables, const QStringList &options, const QString &foxpro) const
{
    return QStringList{QStringLiteral("copy"),     QStringLiteral("--to-foxpro"),  QStringLiteral("--paradox"), px,
                       QStringLiteral("--foxpro"), foxpro.isEmpty() ? fox : foxpro} +
           options + tables;
}

} // namespace tw::robust
