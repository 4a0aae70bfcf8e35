// Writing FoxPro tables through the provider: CREATE TABLE, INSERT and DROP
// TABLE on a folder of free tables; the bytes Visual FoxPro expects, the
// values read back by our reader, dbfjson.py and pgdbf.

#include "TableDump.h"
#include "TableFiles.h"
#include "TestSupport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/FormatLimit.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/files/FaultPlan.h"
#include "platform/foxpro/CodePageMarks.h"
#include "platform/foxpro/FieldEncoder.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/foxpro/TableReader.h"
#include "platform/foxpro/TableWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace tw;
using tw::ado::RuntimeError;
using tw::ado::Variant;
using tw::encoding::TextCodec;

namespace {

QString sqlString(const QString &text)
{
    QString quoted = text;
    quoted.replace('\'', "''");
    return "'" + quoted + "'";
}

quint32 be32(const QByteArray &b, int at)
{
    return encoding::getU32BE(encoding::bytesOf(b.constData() + at));
}

quint32 le32(const QByteArray &b, int at)
{
    return encoding::getU32LE(encoding::bytesOf(b.constData() + at));
}

int le16(const QByteArray &b, int at)
{
    return encoding::getU16LE(encoding::bytesOf(b.constData() + at));
}

std::vector<std::vector<Variant>> readRows(const QString &path)
{
    foxpro::TableReader reader(path);
    std::vector<std::vector<Variant>> rows;
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

class TableWriterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void createWritesWhatVisualFoxProWrites();
    void insertedValuesReadBack();
    void everyRowIsCompleteOnDisk();
    void readersAgree();
    void wideAndEmptyTables();
    void charactersOutsideTheCodePage();
    void createRefusesExistingFiles();
    void dropRemovesTheTableFiles();
    void appendToDamagedTableFails();
    void manyTablesInOneSession();
    void everyFieldTypeRoundTrips();
    void memoBlocksOfManyRows();
    void stopsBeforeTheFileLimits_data();
    void stopsBeforeTheFileLimits();
    void bufferedWritesTheSameBytes();
    void valuesThatDoNotFitAreRefused();
    void typedColumnsThroughSql();
    void valuesConvertByTheSharedRules();
    void twoConnectionsAppendToOneTable();
    void newTablesTakeTheCodePageAskedFor();
    void codePageMarks();

private:
    QString connectionString() const
    {
        return QStringLiteral("Provider=vfpoledb.1;Data Source=%1;Collating Sequence=machine;").arg(m_folder);
    }
    std::unique_ptr<ado::ScopedProvider> m_provider;
    QTemporaryDir m_dir;
    QString m_folder;
};

void TableWriterTest::initTestCase()
{
    m_provider = std::make_unique<ado::ScopedProvider>(std::make_shared<foxpro::FoxProProvider>());
    m_folder = m_dir.filePath("tables");
    QDir().mkpath(m_folder);
}

void TableWriterTest::createWritesWhatVisualFoxProWrites()
{
    ado::Connection c;
    c.Open(connectionString());
    c.Execute("CREATE TABLE [" + m_folder + "\\layout.dbf]([Name] M,[Notes] M,[Picture] BLOB);");
    c.Execute("CREATE TABLE [" + m_folder + "\\plain]([Name] M);");
    const QByteArray dbf = tw::test::readAll(m_folder + "/layout.dbf");
    QCOMPARE(uchar(dbf[0]), uchar(0x32)); // a BLOB column makes it 0x32
    QCOMPARE(le32(dbf, 4), 0u);
    QCOMPARE(le16(dbf, 8), 32 + 3 * 32 + 1 + 263);
    QCOMPARE(le16(dbf, 10), 1 + 3 * 4);
    QCOMPARE(uchar(dbf[28]), uchar(0x02));
    QCOMPARE(uchar(dbf[29]), uchar(0x03));
    QCOMPARE(dbf.mid(32, 5), QByteArray("NAME\0", 5));
    QCOMPARE(dbf[32 + 11], 'M');
    QCOMPARE(uchar(dbf[32 + 18]), uchar(0x00));
    QCOMPARE(le32(dbf, 32 + 12), 1u);
    QCOMPARE(dbf[96 + 11], 'W');
    QCOMPARE(uchar(dbf[96 + 18]), uchar(0x04));
    QCOMPARE(le32(dbf, 96 + 12), 9u);
    QCOMPARE(dbf[128], '\x0D');
    QCOMPARE(dbf.mid(129, 263), QByteArray(263, '\0'));
    QCOMPARE(dbf.size(), qsizetype(32 + 3 * 32 + 1 + 263 + 1));
    QCOMPARE(dbf.back(), '\x1A');
    const QByteArray fpt = tw::test::readAll(m_folder + "/layout.fpt");
    QCOMPARE(fpt.size(), qsizetype(512));
    QCOMPARE(be32(fpt, 0), 8u);
    QCOMPARE(int(encoding::getU16BE(encoding::bytesOf(fpt.constData() + 6))), 64);
    QCOMPARE(uchar(tw::test::readAll(m_folder + "/plain.dbf")[0]), uchar(0x30));
    // The date of the last change is today's, or the one a caller gives (two-digit year, month, day).
    foxpro::CreateOptions dated;
    dated.updated = QDate(2024, 1, 15);
    foxpro::TableWriter::create(m_folder + "/dated.dbf", {{"N", 'I', 4}}, dated)->append({Variant::integer(1)});
    QCOMPARE(tw::test::readAll(m_folder + "/dated.dbf").mid(1, 3), QByteArray("\x18\x01\x0f", 3));
}

void TableWriterTest::insertedValuesReadBack()
{
    ado::Connection c;
    c.Open(connectionString());
    const QString table = m_folder + "\\values.dbf";
    c.Execute("CREATE TABLE [" + table + "]([Text] M,[Blob] BLOB)");
    const QString accents = QString::fromUtf8("Café crème, naïve façade, Ærø, «quotes» 'single' \"double\"");
    const QString lines = "first line\r\nsecond line\nthird\ttabbed";
    const QString big = QString(70000, 'x') + "end";
    QString binary;
    for (int i = 0; i < 256; ++i)
        binary += QChar(i);
    const QList<QPair<QString, QString>> rows = {
        {accents, "abc"}, {lines, binary}, {big, ""}, {"", QString(3, QChar(0))}};
    for (const auto &row : rows)
        c.Execute("INSERT INTO `" + table + "` VALUES(" + sqlString(row.first) + "," + sqlString(row.second) + ")");
    c.Execute("INSERT INTO `" + table + "` VALUES(NULL, NULL)");

    ado::Recordset rs;
    rs.Open("SELECT * FROM [values]", c);
    QCOMPARE(rs.fields()(0).name(), QString("text"));
    QCOMPARE(rs.fields()(1).Type(), int(ado::adLongVarBinary));
    QCOMPARE(rs.RecordCount(), qint64(5));
    for (const auto &row : rows) {
        QVERIFY(!rs.Eof());
        QCOMPARE(rs.fields()(0).Value().asText(), row.first);
        QCOMPARE(rs.fields()(1).Value().asBytes(), row.second.toLatin1());
        rs.MoveNext();
    }
    QCOMPARE(rs.fields()(0).Value().asText(), QString()); // NULL stored as an empty memo
    QCOMPARE(rs.fields()(1).Value().asBytes(), QByteArray());
    // Empty values take no memo block.
    const QByteArray dbf = tw::test::readAll(m_folder + "/values.dbf");
    const int header = 32 + 2 * 32 + 1 + 263;
    QCOMPARE(le32(dbf, header + 9 * 2 + 5), 0u); // row 3, blob ''
    QCOMPARE(le32(dbf, header + 9 * 3 + 1), 0u); // row 4, text ''
    QCOMPARE(le32(dbf, header + 9 * 4 + 1), 0u); // row 5, NULL
    QCOMPARE(le32(dbf, header + 9 * 4 + 5), 0u);
    // Text memos are block type 1, BLOBs type 0; the memo holds 1252 bytes.
    const QByteArray fpt = tw::test::readAll(m_folder + "/values.fpt");
    const quint32 first = le32(dbf, header + 1);
    QCOMPARE(be32(fpt, int(first * 64)), 1u);
    QCOMPARE(fpt.mid(first * 64 + 8, 5), QByteArray("Caf\xe9 "));
    QCOMPARE(be32(fpt, int(le32(dbf, header + 5) * 64)), 0u);
}

void TableWriterTest::everyRowIsCompleteOnDisk()
{
    ado::Connection c;
    c.Open(connectionString());
    const QString table = m_folder + "/steady.dbf";
    c.Execute("CREATE TABLE [" + table + "]([a] M,[b] BLOB)");
    for (int i = 1; i <= 40; ++i) {
        c.Execute(QStringLiteral("INSERT INTO `%1` VALUES('row %2 %3','%4')")
                      .arg(table)
                      .arg(i)
                      .arg(QString(i * 10, 'm'))
                      .arg(QString(i, 'b')));
        // A reader opening the table meanwhile sees every row so far, whole.
        const auto rows = readRows(table);
        QCOMPARE(int(rows.size()), i);
        QVERIFY(rows.back()[0].asText().startsWith(QStringLiteral("row %1 ").arg(i)));
        const QByteArray dbf = tw::test::readAll(table);
        QCOMPARE(le32(dbf, 4), quint32(i));
        QCOMPARE(dbf.size(), qsizetype(32 + 64 + 1 + 263 + 9 * i + 1));
        QCOMPARE(dbf.back(), '\x1A');
        const QByteArray fpt = tw::test::readAll(m_folder + "/steady.fpt");
        QCOMPARE(qsizetype(be32(fpt, 0)) * 64, fpt.size());
    }
}

void TableWriterTest::readersAgree()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared tools on this machine");
    ado::Connection c;
    c.Open(connectionString());
    const QString memoOnly = m_folder + "/agree.dbf";
    c.Execute("CREATE TABLE [" + memoOnly + "]([Name] M,[Comment] M)");
    c.Execute("INSERT INTO `" + memoOnly + "` VALUES('" + QString::fromUtf8("Zoë ''quoted''") + "','line\r\nbreak')");
    c.Execute("INSERT INTO `" + memoOnly + "` VALUES('" + QString(70000, 'q') + "','')");
    c.Execute("INSERT INTO `" + memoOnly + "` VALUES(NULL,'x')");
    const QString withBlob = m_folder + "/agreeblob.dbf";
    c.Execute("CREATE TABLE [" + withBlob + "]([Name] M,[Data] BLOB)");
    c.Execute("INSERT INTO `" + withBlob + "` VALUES('a','" + QString::fromLatin1("x\0y", 3) + "')");
    c.Execute("INSERT INTO `" + withBlob + "` VALUES('','')");
    c.Close();
    for (const QString &path : {memoOnly, withBlob}) {
        const auto cmp = foxpro::test::compareWithDbfjson(path, foxpro::test::dumpWithReader(path));
        QVERIFY2(cmp.ok, qPrintable(cmp.details));
    }
    // pgdbf reads 0x30 tables (not 0x32 ones).
    const auto pg = tw::test::run("pgdbf", {"-s", "cp1252", "-m", m_folder + "/agree.fpt", memoOnly});
    QVERIFY2(pg.exitCode == 0, pg.err.constData());
    QVERIFY(pg.out.contains("Zo\xc3\xab 'quoted'") || pg.out.contains("Zo\xc3\xab ''quoted''"));
}

void TableWriterTest::wideAndEmptyTables()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    ado::Connection c;
    c.Open(connectionString());
    QStringList columns;
    QString values;
    for (int i = 0; i < 254; ++i) {
        columns << QStringLiteral("[Column_number_%1] M").arg(i);
        values += (i ? "," : "") + QStringLiteral("'v%1'").arg(i);
    }
    const QString wide = m_folder + "/wide.dbf";
    c.Execute("CREATE TABLE [" + wide + "](" + columns.join(',') + ")");
    c.Execute("INSERT INTO `" + wide + "` VALUES(" + values + ")");
    const QString empty = m_folder + "/empty.dbf";
    c.Execute("CREATE TABLE [" + empty + "]([only] M)");

    foxpro::TableReader reader(wide);
    QCOMPARE(int(reader.columns().size()), 254);
    // Long names are cut to 10 characters and made unique as Visual FoxPro does.
    QCOMPARE(reader.columns()[0].name, QString("COLUMN_NUM"));
    QCOMPARE(reader.columns()[1].name, QString("COLUMN_NU2"));
    QCOMPARE(reader.columns()[253].name, QString("COLUMN_254"));
    const auto rows = readRows(wide);
    QCOMPARE(rows[0][253].asText(), QString("v253"));
    QCOMPARE(readRows(empty).size(), size_t(0));
    QCOMPARE(foxpro::TableReader(empty).liveCount(), qint64(0));
    QVERIFY_THROWS_EXCEPTION(
        RuntimeError, c.Execute("CREATE TABLE [" + m_folder + "/toowide.dbf](" + columns.join(',') + ",[one_more] M)"));
    c.Close();
    if (!tw::test::sharedDir().isEmpty()) {
        for (const QString &path : {wide, empty}) {
            const auto cmp = foxpro::test::compareWithDbfjson(path, foxpro::test::dumpWithReader(path));
            QVERIFY2(cmp.ok, qPrintable(cmp.details));
        }
        for (const QString &name : {QString("wide"), QString("empty")}) {
            const auto pg =
                tw::test::run("pgdbf", {"-m", m_folder + "/" + name + ".fpt", m_folder + "/" + name + ".dbf"});
            QVERIFY2(pg.exitCode == 0, pg.err.constData());
        }
    }
}

void TableWriterTest::charactersOutsideTheCodePage()
{
    ado::Connection c;
    c.Open(connectionString());
    const QString table = m_folder + "/replaced.dbf";
    c.Execute("CREATE TABLE [" + table + "]([t] M,[b] BLOB)");
    c.Execute("INSERT INTO `" + table + "` VALUES('" + QString::fromUtf8("€ ✓ Ω 😀") + "','" + QString::fromUtf8("é✓") +
              "')");
    auto *session = dynamic_cast<foxpro::FoxProSession *>(c.session().get());
    QVERIFY(session);
    QCOMPARE(session->replacedCharacters(table), qint64(4)); // ✓ Ω 😀 in the memo, ✓ in the blob
    const auto rows = readRows(table);
    QCOMPARE(rows[0][0].asText(), QString::fromUtf8("€ ? ? ?"));
    QCOMPARE(rows[0][1].asBytes(), QByteArray("\xe9?"));
}

void TableWriterTest::createRefusesExistingFiles()
{
    ado::Connection c;
    c.Open(connectionString());
    tw::test::writeAll(m_folder + "/TAKEN.DBF", "not ours");
    try {
        c.Execute("CREATE TABLE [" + m_folder + "/taken.dbf]([a] M)");
        QFAIL("created over an existing file");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains("already exists"), qPrintable(e.description()));
    }
    QCOMPARE(tw::test::readAll(m_folder + "/TAKEN.DBF"), QByteArray("not ours"));
    tw::test::writeAll(m_folder + "/orphan.fpt", "stale memo");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute("CREATE TABLE [" + m_folder + "/orphan.dbf]([a] M)"));
    QVERIFY(!QFile::exists(m_folder + "/orphan.dbf"));
    QCOMPARE(tw::test::readAll(m_folder + "/orphan.fpt"), QByteArray("stale memo"));
}

void TableWriterTest::dropRemovesTheTableFiles()
{
    ado::Connection c;
    c.Open(connectionString());
    c.Execute("CREATE TABLE [" + m_folder + "/gone.dbf]([a] M)");
    c.Execute("INSERT INTO `" + m_folder + "/gone.dbf` VALUES('x')");
    tw::test::writeAll(m_folder + "/GONE.CDX", "index");
    tw::test::writeAll(m_folder + "/gone2.dbf", "another table");
    c.Execute("DROP TABLE `Gone`");
    QVERIFY(!QFile::exists(m_folder + "/gone.dbf"));
    QVERIFY(!QFile::exists(m_folder + "/gone.fpt"));
    QVERIFY(!QFile::exists(m_folder + "/GONE.CDX"));
    QVERIFY(QFile::exists(m_folder + "/gone2.dbf"));
    try {
        c.Execute("DROP TABLE `gone`");
        QFAIL("dropped a missing table");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.description(), QString("Table 'gone' does not exist in %1.").arg(m_folder));
    }
    // The table can be created again at once.
    c.Execute("CREATE TABLE [" + m_folder + "/gone.dbf]([a] M)");
    c.Execute("INSERT INTO `" + m_folder + "/gone.dbf` VALUES('again')");
    QCOMPARE(readRows(m_folder + "/gone.dbf").size(), size_t(1));
}

void TableWriterTest::appendToDamagedTableFails()
{
    tw::test::writeAll(m_folder + "/broken.dbf", QByteArray(10, 'x'));
    ado::Connection c;
    c.Open(connectionString());
    try {
        c.Execute("INSERT INTO `" + m_folder + "/broken.dbf` VALUES('x')");
        QFAIL("appended to a damaged table");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains("broken.dbf"), qPrintable(e.description()));
    }
    // A table with a structural index is not appended to.
    if (!tw::test::sharedDir().isEmpty()) {
        QFile::copy(tw::test::sharedDir() + "/corpus/foxpro/foxprodb/setup.dbf", m_folder + "/indexed.dbf");
        QFile(m_folder + "/indexed.dbf").setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray before = tw::test::readAll(m_folder + "/indexed.dbf");
        try {
            c.Execute("INSERT INTO `" + m_folder + "/indexed.dbf` VALUES('k', 1)");
            QFAIL("appended to an indexed table");
        } catch (const RuntimeError &e) {
            QVERIFY2(e.description().contains("index"), qPrintable(e.description()));
        }
        QCOMPARE(tw::test::readAll(m_folder + "/indexed.dbf"), before);
    }
    // dBase and FoxBASE tables are read, never appended to: their memo files
    // and headers are not laid out as the writer lays them out.
    {
        using namespace tw::foxpro::test;
        std::vector<quint32> blocks;
        const QByteArray dbt = buildDbt3({"memo"}, &blocks);
        const QByteArray dbf = buildDbf(0x83, {{"N", 'C', 2}, {"M", 'M', 10}}, {" ab" + dbtPointer(blocks[0])});
        tw::test::writeAll(m_folder + "/dbase3.dbf", dbf);
        tw::test::writeAll(m_folder + "/dbase3.dbt", dbt);
        try {
            c.Execute("INSERT INTO `" + m_folder + "/dbase3.dbf` VALUES('x', 'y')");
            QFAIL("appended to a dBase III table");
        } catch (const RuntimeError &e) {
            QVERIFY2(e.description().contains("dbase3.dbf: it is a dBase III table (file type 0x83); rows are "
                                              "appended only to FoxPro tables"),
                     qPrintable(e.description()));
        }
        QCOMPARE(tw::test::readAll(m_folder + "/dbase3.dbf"), dbf);
        QCOMPARE(tw::test::readAll(m_folder + "/dbase3.dbt"), dbt);
    }
    c.Execute("CREATE TABLE [" + m_folder + "/two.dbf]([a] M,[b] M)");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute("INSERT INTO `" + m_folder + "/two.dbf` VALUES('only one')"));
}

void TableWriterTest::manyTablesInOneSession()
{
    // More tables than the session keeps open: closed ones are reopened for appending.
    ado::Connection c;
    c.Open(connectionString());
    QDir().mkpath(m_folder + "/many");
    const int tables = 70;
    for (int t = 0; t < tables; ++t)
        c.Execute(QStringLiteral("CREATE TABLE [%1/many/t%2]([a] M,[b] BLOB)").arg(m_folder).arg(t));
    for (int round = 0; round < 3; ++round)
        for (int t = 0; t < tables; ++t)
            c.Execute(QStringLiteral("INSERT INTO `%1/many/t%2` VALUES('r%3','%4')")
                          .arg(m_folder)
                          .arg(t)
                          .arg(round)
                          .arg(QString(round * 50, 'z')));
    for (int t = 0; t < tables; t += 13) {
        const auto rows = readRows(QStringLiteral("%1/many/t%2.dbf").arg(m_folder).arg(t));
        QCOMPARE(rows.size(), size_t(3));
        QCOMPARE(rows[2][0].asText(), QString("r2"));
        QCOMPARE(rows[2][1].asBytes(), QByteArray(100, 'z'));
        QCOMPARE(rows[1][1].asBytes(), QByteArray(50, 'z'));
    }
}

void TableWriterTest::everyFieldTypeRoundTrips()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    using foxpro::NewField;
    const std::vector<NewField> fields = {
        {"Name", 'C', 8},
        {"Code", 'C', 3, 0, 0x04},
        {"Nick", 'V', 6, 0, -1, true},
        {"Raw", 'Q', 4},
        {"Amount", 'N', 8, 2},
        {"Ratio", 'F', 6, 3, -1, true},
        {"Count", 'I', 4, 0, -1, true},
        {"Real", 'B', 8, 2},
        {"Price", 'Y', 8, 4},
        {"Born", 'D', 8, 0, -1, true},
        {"Stamp", 'T', 8},
        {"Flag", 'L', 1, 0, -1, true},
        {"Notes", 'M', 4, 0, -1, true},
        {"Pic", 'W', 4},
    };
    const QString path = m_folder + "/alltypes.dbf";
    auto writer = foxpro::TableWriter::create(path, fields);
    QCOMPARE(writer->header().fileType, uchar(0x32));
    QCOMPARE(writer->header().fields.back().name, QString("_NullFlags"));
    QCOMPARE(writer->header().fields.back().length, 1); // 2 varlength bits + 6 null bits
    const std::vector<Variant> full = {
        Variant::text(QString::fromUtf8("Zoë")),
        Variant::bytes(QByteArray("a\0b", 3)),
        Variant::text("abc"),
        Variant::bytes("\x01\x02"),
        Variant::decimal("-1234.567"),
        Variant::real(0.5),
        Variant::integer(-2147483647),
        Variant::real(3.25),
        Variant::currency(-1234567),
        Variant::date(QDate(1999, 12, 31)),
        Variant::dateTime(QDate(2024, 2, 29), 45296789),
        Variant::boolean(true),
        Variant::text("memo\r\nline"),
        Variant::bytes(QByteArray("\0\xff", 2)),
    };
    const std::vector<Variant> nulls(fields.size(), Variant::null());
    const std::vector<Variant> edges = {
        Variant::text("exactly8"),   Variant::text("xyz"),
        Variant::text("sixsix"),     Variant::bytes("four"),
        Variant::integer(99999),     Variant::text("12.3456"),
        Variant::integer(0),         Variant::real(-1e300),
        Variant::decimal("0.00005"), Variant::date(QDate(1, 1, 1)),
        Variant::time(3723004),      Variant::boolean(false),
        Variant::text(""),           Variant::text(QString::fromLatin1("\xe9\xff")),
    };
    writer->append(full);
    writer->append(nulls);
    writer->append(edges);
    writer.reset();

    const auto rows = readRows(path);
    QCOMPARE(rows.size(), size_t(3));
    const auto &a = rows[0];
    QCOMPARE(a[0].asText(), QString::fromUtf8("Zoë"));
    QCOMPARE(a[1].asBytes(), QByteArray("a\0b", 3));
    QCOMPARE(a[2].asText(), QString("abc"));
    QCOMPARE(a[3].asBytes(), QByteArray("\x01\x02"));
    QCOMPARE(a[4].asDecimal(), QString("-1234.57"));
    QCOMPARE(a[5].asDecimal(), QString("0.500"));
    QCOMPARE(a[6].asInteger(), qint64(-2147483647));
    QCOMPARE(a[7].asDouble(), 3.25);
    QCOMPARE(a[8].asCurrency(), qint64(-1234567));
    QCOMPARE(a[9].asDate(), QDate(1999, 12, 31));
    QCOMPARE(a[10].asDate(), QDate(2024, 2, 29));
    QCOMPARE(a[10].asMsOfDay(), 45296789);
    QCOMPARE(a[11].asBoolean(), true);
    QCOMPARE(a[12].asText(), QString("memo\r\nline"));
    QCOMPARE(a[13].asBytes(), QByteArray("\0\xff", 2));
    const auto &n = rows[1];
    for (int i : {2, 5, 6, 9, 11, 12})
        QVERIFY2(n[size_t(i)].isNull(), qPrintable(QString::number(i)));
    QCOMPARE(n[0].asText(), QString()); // not nullable: blank
    QVERIFY(n[4].isNull());             // a blank numeric reads as Null anyway
    QVERIFY(n[10].isNull());            // a blank timestamp too
    const auto &e = rows[2];
    QCOMPARE(e[0].asText(), QString("exactly8"));
    QCOMPARE(e[2].asText(), QString("sixsix")); // full width: no length byte
    QCOMPARE(e[3].asBytes(), QByteArray("four"));
    QCOMPARE(e[4].asDecimal(), QString("99999.00"));
    QCOMPARE(e[5].asDecimal(), QString("12.346"));
    QCOMPARE(e[7].asDouble(), -1e300);
    QCOMPARE(e[8].asCurrency(), qint64(1)); // 0.00005 rounds to 0.0001
    QCOMPARE(e[9].asDate(), QDate(1, 1, 1));
    QCOMPARE(e[10].asDate(), QDate(1899, 12, 30));
    QCOMPARE(e[10].asMsOfDay(), 3723004);
    QCOMPARE(e[11].asBoolean(), false);
    QCOMPARE(e[12].asText(), QString());
    QCOMPARE(e[13].asBytes(), QByteArray("\xe9\xff"));
    if (!tw::test::sharedDir().isEmpty()) {
        const auto cmp = foxpro::test::compareWithDbfjson(path, foxpro::test::dumpWithReader(path));
        QVERIFY2(cmp.ok, qPrintable(cmp.details));
    }
}

void TableWriterTest::bufferedWritesTheSameBytes()
{
    // A table written a megabyte at a time is the table written row by row,
    // byte for byte, whatever refused rows and flushes come between; a failed
    // row takes only its own memo blocks back.
    using foxpro::NewField;
    const std::vector<NewField> fields = {{"A", 'M', 4}, {"N", 'N', 6}, {"B", 'M', 4}, {"C", 'C', 10}};
    const auto write = [&](const QString &name, bool buffered) {
        auto writer = foxpro::TableWriter::create(m_folder + "/" + name + ".dbf", fields);
        writer->setBuffered(buffered);
        for (int i = 0; i < 20000; ++i) {
            const QString memo = QString(i % 97 * 13, QChar(u'a' + i % 26));
            writer->append({Variant::text(memo), Variant::integer(i % 100000), Variant::text(QString::number(i)),
                            i % 7 ? Variant::text("c" + QString::number(i)) : Variant::null()});
            if (i % 5000 == 0) {
                try {
                    writer->append({Variant::text("lost memo"), Variant::text("not a number"),
                                    Variant::text("lost too"), Variant::null()});
                    QFAIL("a value that does not fit was written");
                } catch (const RuntimeError &) {
                }
            }
        }
        writer->flush();
    };
    write("rowbyrow", false);
    write("buffered", true);
    QByteArray one = tw::test::readAll(m_folder + "/rowbyrow.dbf");
    QByteArray other = tw::test::readAll(m_folder + "/buffered.dbf");
    QVERIFY(one.size() > 20000 * 20);
    one.remove(1, 3); // the date of the last change
    other.remove(1, 3);
    QVERIFY(one == other);
    QVERIFY(tw::test::readAll(m_folder + "/rowbyrow.fpt") == tw::test::readAll(m_folder + "/buffered.fpt"));
}

void TableWriterTest::stopsBeforeTheFileLimits_data()
{
    QTest::addColumn<int>("memoLength");
    QTest::addColumn<bool>("buffered");
    QTest::addColumn<int>("fittingRows"); // the rows that fit; the next one is refused
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("temporary"); // built under a temporary name, told by the table's
    // Records of 55 bytes after a header of 360, and the end mark: 911 bytes hold ten.
    const QString dbf = QStringLiteral("limited.dbf would pass 911 bytes, the most a FoxPro table file holds; the "
                                       "table limited needs at least 55 bytes more.");
    QTest::newRow("table file, row by row") << 0 << false << 10 << dbf << false;
    QTest::newRow("table file, buffered") << 0 << true << 10 << dbf << false;
    QTest::newRow("table file, temporary") << 0 << true << 10 << dbf << true;
    // Memos of two 64-byte blocks after a header of 512: 911 bytes hold three.
    const QString fpt = QStringLiteral("limited.fpt would pass 911 bytes, the most a FoxPro memo file holds; the "
                                       "table limited needs at least 113 bytes more.");
    QTest::newRow("memo file, row by row") << 100 << false << 3 << fpt << false;
    QTest::newRow("memo file, buffered") << 100 << true << 3 << fpt << false;
    QTest::newRow("memo file, temporary") << 100 << true << 3 << fpt << true;
}

void TableWriterTest::stopsBeforeTheFileLimits()
{
    QFETCH(int, memoLength);
    QFETCH(bool, buffered);
    QFETCH(int, fittingRows);
    QFETCH(QString, message);
    QFETCH(bool, temporary);
    files::FaultPlan plan;
    plan.formatFileLimit = 911;
    const files::ScopedFaultPlan limits(plan);
    const QString folder = m_folder + QStringLiteral("/limits");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString path = folder + (temporary ? QStringLiteral("/~twlimit.dbf") : QStringLiteral("/limited.dbf"));
    foxpro::CreateOptions options;
    if (temporary)
        options.shownName = QStringLiteral("limited.dbf");
    auto writer = foxpro::TableWriter::create(path, {{"NAME", 'C', 50}, {"NOTE", 'M', 4}}, options);
    writer->setBuffered(buffered);
    const auto row = [&](int i) {
        return std::vector<Variant>{Variant::text(QString::number(i)),
                                    memoLength ? Variant::text(QString(memoLength, u'm')) : Variant::null()};
    };
    // What a write that must be refused says; its number and kind must be the
    // limit's (later rows and the flush too), and it names the table's file.
    const auto refused = [&](const std::function<void()> &write) -> QString {
        try {
            write();
        } catch (const RuntimeError &e) {
            const bool limit = e.number() == ado::kErrPastFormatLimit && e.kind() == RuntimeError::Kind::Limit &&
                               e.table() == QLatin1String("limited") && e.file().startsWith(QLatin1String("limited."));
            return limit ? e.description() : QStringLiteral("error %1: %2").arg(e.number()).arg(e.description());
        }
        return QStringLiteral("not refused");
    };
    if (memoLength == 0) {
        writer->requireRoomFor(fittingRows); // known ahead for the table file alone
        QCOMPARE(refused([&] { writer->requireRoomFor(fittingRows + 1); }), message);
    }
    for (int i = 0; i < fittingRows; ++i)
        writer->append(row(i));
    QCOMPARE(refused([&] { writer->append(row(fittingRows)); }), message);
    // The table cannot be whole any more: every later row and the flush say so.
    QCOMPARE(refused([&] { writer->append(row(0)); }), message);
    QCOMPARE(refused([&] { writer->flush(); }), message);
    writer.reset();
    for (const QString &file : QDir(folder).entryList(QDir::Files))
        QVERIFY2(QFileInfo(folder + u'/' + file).size() <= plan.formatFileLimit, qPrintable(file));
    if (!buffered) // row by row, the rows before the limit are there, whole
        QCOMPARE(readRows(path).size(), size_t(fittingRows));
}

void TableWriterTest::memoBlocksOfManyRows()
{
    // Memos are encoded into one buffer of pending blocks that is reused from
    // row to row: the files must hold exactly the blocks of the rows written,
    // padded with zeros, whatever longer rows or refused rows came before.
    using foxpro::NewField;
    const QString path = m_folder + "/memoblocks.dbf";
    auto writer = foxpro::TableWriter::create(path, {{"A", 'M', 4}, {"N", 'N', 4}, {"B", 'M', 4}});
    QString longText;
    for (int i = 0; i < 9000; ++i)
        longText += QChar(u'a' + i % 26);
    longText += QString::fromUtf8("\u00e9\u03a9\U0001F600"); // é, then two characters 1252 lacks
    const QByteArray longBytes = longText.left(9000).toLatin1() + "\xe9??";
    writer->append({Variant::text(longText), Variant::integer(1), Variant::text("short")});
    try {
        writer->append({Variant::text("lost"), Variant::text("x"), Variant::text("lost too")});
        QFAIL("a value that does not fit was written");
    } catch (const RuntimeError &) {
    }
    writer->append({Variant::text("b"), Variant::integer(2), Variant::text("")});
    writer->append({Variant::integer(-42), Variant::null(), Variant::text(QString(56, 'z'))}); // exactly one block
    writer->append({Variant::null(), Variant::null(), Variant::text(QString(57, 'y'))});
    QCOMPARE(writer->replacedCharacters(), qint64(2));
    writer.reset();

    std::vector<quint32> blocks;
    const QByteArray expected =
        foxpro::test::buildFpt(64, {longBytes, "short", "b", "-42", QByteArray(56, 'z'), QByteArray(57, 'y')}, &blocks);
    QCOMPARE(tw::test::readAll(m_folder + "/memoblocks.fpt"), expected);
    const QByteArray dbf = tw::test::readAll(path);
    const int header = 32 + 3 * 32 + 1 + 263;
    const int length = 1 + 4 + 4 + 4;
    const quint32 pointers[4][2] = {{blocks[0], blocks[1]}, {blocks[2], 0}, {blocks[3], blocks[4]}, {0, blocks[5]}};
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(le32(dbf, header + r * length + 1), pointers[r][0]);
        QCOMPARE(le32(dbf, header + r * length + 1 + 4 + 4), pointers[r][1]);
    }

    // BLOB memos (block type 0): bytes as given, text one byte per character.
    const QString blobPath = m_folder + "/memoblobs.dbf";
    auto blobs = foxpro::TableWriter::create(blobPath, {{"P", 'W', 4}});
    blobs->append({Variant::bytes(QByteArray(200, '\xff'))});
    blobs->append({Variant::bytes(QByteArray("\0\x01", 2))});
    blobs->append({Variant::bytes(QByteArray())});
    blobs->append({Variant::text(QString::fromUtf8("\u00ff\u0100x"))});
    blobs.reset();
    QCOMPARE(tw::test::readAll(m_folder + "/memoblobs.fpt"),
             foxpro::test::buildFpt(64, {QByteArray(200, '\xff'), QByteArray("\0\x01", 2), "\xff?x"}, nullptr, 0));
}

void TableWriterTest::valuesThatDoNotFitAreRefused()
{
    using foxpro::NewField;
    const QString path = m_folder + "/strict.dbf";
    auto writer = foxpro::TableWriter::create(path, {{"N", 'N', 6, 2}, {"I", 'I', 4}, {"D", 'D', 8}, {"M", 'M', 4}});
    writer->append(
        {Variant::decimal("999.994"), Variant::integer(1), Variant::date(QDate(2000, 1, 1)), Variant::text("kept")});
    for (const auto &bad : std::vector<std::vector<Variant>>{
             {Variant::text("abc"), Variant::integer(1), Variant::null(), Variant::text("lost")},
             {Variant::null(), Variant::integer(1LL << 40), Variant::null(), Variant::text("lost")},
             {Variant::null(), Variant::null(), Variant::text("2000-13-01"), Variant::text("lost")}}) {
        try {
            writer->append(bad);
            QFAIL("a value that does not fit was written");
        } catch (const RuntimeError &e) {
            QVERIFY2(e.description().startsWith("strict.dbf: row 2 not written"), qPrintable(e.description()));
        }
    }
    writer->append({Variant::decimal("1000"), Variant::null(), Variant::null(), Variant::text("second")});
    writer.reset();
    const auto rows = readRows(path);
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0][0].asDecimal(), QString("999.99"));
    QVERIFY(rows[1][0].isNull()); // overflow: asterisks, as Visual FoxPro writes
    QCOMPARE(rows[1][3].asText(), QString("second"));
    // No memo of a refused row was left behind.
    const QByteArray fpt = tw::test::readAll(m_folder + "/strict.fpt");
    QCOMPARE(fpt.count("lost"), 0);
    QCOMPARE(foxpro::formatNumeric("-0.004", 6, 2), QByteArray("  0.00"));
    QCOMPARE(foxpro::formatNumeric("9.995", 5, 2), QByteArray("10.00"));
    QCOMPARE(foxpro::formatNumeric("-9.995", 5, 2), QByteArray("*****"));
    QCOMPARE(foxpro::formatNumeric("42", 4, 0), QByteArray("  42"));
}

void TableWriterTest::typedColumnsThroughSql()
{
    ado::Connection c;
    c.Open(connectionString());
    const QString table = m_folder + "/typed.dbf";
    c.Execute("CREATE TABLE [" + table +
              "]([name] C(10),[qty] N(8,2),[n] INT,[d] DATE,[t] DATETIME,[ok] L,"
              "[price] Y,[x] DOUBLE,[v] VARCHAR(12))");
    c.Execute("INSERT INTO `" + table +
              "` VALUES('Widget', 12.5, 42, '2024-03-01', '2024-03-01 10:20:30.400', 'T',"
              " '19.99', 2.5, 'short')");
    c.Execute("INSERT INTO `" + table + "` VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    // A value its field cannot hold at all is written blank and said, the row kept.
    c.Execute("INSERT INTO `" + table + "` VALUES('a', 'x', 1, '2024-03-01', NULL, 'T', 1, 1, 'v')");
    QCOMPARE(c.lostValues()->count(), qint64(1));
    QCOMPARE(c.lostValues()->first().front().column, QString("QTY"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute("CREATE TABLE [" + m_folder + "/bad.dbf]([a] C)"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute("CREATE TABLE [" + m_folder + "/bad.dbf]([a] SPARKLES)"));
    QVERIFY(!QFile::exists(m_folder + "/bad.dbf"));
    ado::Recordset rs;
    rs.Open("SELECT * FROM typed", c);
    QCOMPARE(rs.RecordCount(), qint64(3));
    QCOMPARE(rs.fields()(0).Type(), int(ado::adChar));
    QCOMPARE(rs.fields()(1).Precision(), 8);
    QCOMPARE(rs.fields()(1).NumericScale(), 2);
    QCOMPARE(rs.fields()(0).Value().asText(), QString("Widget"));
    QCOMPARE(rs.fields()(1).Value().asDecimal(), QString("12.50"));
    QCOMPARE(rs.fields()(2).Value().asInteger(), qint64(42));
    QCOMPARE(rs.fields()(3).Value().asDate(), QDate(2024, 3, 1));
    // A T field keeps whole seconds; the change is said.
    QCOMPARE(rs.fields()(4).Value().toText(), QString("2024-03-01 10:20:30"));
    QCOMPARE(c.changedValues()->count(), qint64(1));
    QCOMPARE(rs.fields()(5).Value().asBoolean(), true);
    QCOMPARE(rs.fields()(6).Value().asCurrency(), qint64(199900));
    QCOMPARE(rs.fields()(7).Value().asDouble(), 2.5);
    QCOMPARE(rs.fields()(8).Value().asText(), QString("short"));
    rs.MoveNext();
    QCOMPARE(rs.fields()(0).Value().asText(), QString());
    QVERIFY(rs.fields()(1).Value().isNull());
    QVERIFY(rs.fields()(3).Value().isNull());
    QVERIFY(rs.fields()(5).Value().isNull());
}

// Texts read by the one vocabulary of ValueText, other values converted by
// its rules: a number is a logical (0 false), True is -1, a double rounds as
// written, a time alone lies on 1899-12-30; ranges are the fields' own.
void TableWriterTest::valuesConvertByTheSharedRules()
{
    using foxpro::NewField;
    const QString path = m_folder + "/rules.dbf";
    auto writer = foxpro::TableWriter::create(
        path, {{"L", 'L', 1}, {"N", 'N', 8, 2}, {"Y", 'Y', 8}, {"I", 'I', 4}, {"D", 'D', 8}, {"T", 'T', 8}});
    writer->append({Variant::text(" yes "), Variant::text("-1.5e1"), Variant::text("1e2"), Variant::text("2.5"),
                    Variant::text("2024-2-9"), Variant::text("12:30")});
    writer->append({Variant::integer(-1), Variant::boolean(true), Variant::real(0.00005), Variant::text("-2.5"),
                    Variant::text("2024-01-02 03:04:05"), Variant::date(QDate(2024, 1, 2))});
    writer->append({Variant::text(".F."), Variant::real(2.675), Variant::real(0.1 + 0.2), Variant::currency(25000),
                    Variant::dateTime(QDate(9999, 12, 31), 5), Variant::text("2024-02-29T13:05:09.5")});
    const std::vector<std::vector<Variant>> refused = {
        {Variant::text("maybe"), Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null()},
        {Variant::null(), Variant::text("1,5"), Variant::null(), Variant::null(), Variant::null(), Variant::null()},
        {Variant::null(), Variant::text("1 000"), Variant::null(), Variant::null(), Variant::null(), Variant::null()},
        {Variant::null(), Variant::null(), Variant::text("1e20"), Variant::null(), Variant::null(), Variant::null()},
        {Variant::null(), Variant::null(), Variant::null(), Variant::text("2147483648"), Variant::null(),
         Variant::null()},
        {Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::text("10000-01-01"),
         Variant::null()},
        {Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::text("12:30"), Variant::null()},
        // Day 0 and before would read back as a blank timestamp.
        {Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
         Variant::text("-4714-11-24 12:00")},
        {Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
         Variant::date(QDate(-5000, 1, 1))},
    };
    for (const auto &row : refused)
        QVERIFY_THROWS_EXCEPTION(RuntimeError, writer->append(row));
    writer.reset();

    const auto rows = readRows(path);
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[0][0].asBoolean(), true);
    QCOMPARE(rows[0][1].asDecimal(), QString("-15.00"));
    QCOMPARE(rows[0][2].asCurrency(), qint64(1000000));
    QCOMPARE(rows[0][3].asInteger(), qint64(3));
    QCOMPARE(rows[0][4].asDate(), QDate(2024, 2, 9));
    QCOMPARE(rows[0][5], Variant::dateTime(QDate(1899, 12, 30), (12 * 60 + 30) * 60000));
    QCOMPARE(rows[1][0].asBoolean(), true);
    QCOMPARE(rows[1][1].asDecimal(), QString("-1.00"));
    QCOMPARE(rows[1][2].asCurrency(), qint64(1));
    QCOMPARE(rows[1][3].asInteger(), qint64(-3));
    QCOMPARE(rows[1][4].asDate(), QDate(2024, 1, 2));
    QCOMPARE(rows[1][5], Variant::dateTime(QDate(2024, 1, 2), 0));
    QCOMPARE(rows[2][0].asBoolean(), false);
    QCOMPARE(rows[2][1].asDecimal(), QString("2.68")); // 2.675 as written, though the double lies below it
    QCOMPARE(rows[2][2].asCurrency(), qint64(3000));
    QCOMPARE(rows[2][3].asInteger(), qint64(3));
    QCOMPARE(rows[2][4].asDate(), QDate(9999, 12, 31));
    QCOMPARE(rows[2][5], Variant::dateTime(QDate(2024, 2, 29), 47109500));
}

void TableWriterTest::twoConnectionsAppendToOneTable()
{
    ado::Connection first;
    first.Open(connectionString());
    ado::Connection second;
    second.Open(connectionString());
    const QString table = m_folder + "/shared.dbf";
    first.Execute("CREATE TABLE [" + table + "]([a] M)");
    for (int i = 0; i < 10; ++i) {
        ado::Connection &c = i % 3 == 0 ? second : first;
        c.Execute(QStringLiteral("INSERT INTO `%1` VALUES('row %2')").arg(table).arg(i));
    }
    const auto rows = readRows(table);
    QCOMPARE(rows.size(), size_t(10));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(rows[size_t(i)][0].asText(), QStringLiteral("row %1").arg(i));
}

void TableWriterTest::newTablesTakeTheCodePageAskedFor()
{
    ado::Connection c;
    c.setNewTableCodePage(866); // before Open: kept for the session it opens
    c.Open(connectionString());
    const QString cyr = m_folder + "/cyr866.dbf";
    c.Execute(QString::fromUtf8("CREATE TABLE [%1]([Фамилия] M,[Имя и отчество] M)").arg(cyr));
    c.Execute(QString::fromUtf8("INSERT INTO `%1` VALUES('Ёжиков', '╔═╗ №1')").arg(cyr));
    const QByteArray dbf = tw::test::readAll(cyr);
    QCOMPARE(uchar(dbf[29]), uchar(0x65));
    const TextCodec &dos = TextCodec::forCodePage(866);
    QCOMPARE(dbf.mid(32, 8), dos.encode(QString::fromUtf8("ФАМИЛИЯ")) + '\0');
    QCOMPARE(dbf.mid(64, 11), dos.encode(QString::fromUtf8("ИМЯ_И_ОТЧЕ")) + '\0');
    ado::Recordset rs;
    rs.Open("SELECT * FROM cyr866", c);
    QCOMPARE(rs.codePage(), 866);
    QCOMPARE(rs.fields()(0).name(), QString::fromUtf8("фамилия"));
    QCOMPARE(rs.fields()(0).Value().asText(), QString::fromUtf8("Ёжиков"));
    QCOMPARE(rs.fields()(1).Value().asText(), QString::fromUtf8("╔═╗ №1"));
    rs.Close();
    QCOMPARE(rs.codePage(), 0);
    QCOMPARE(c.replacedCharacters(), qint64(0));

    // Ten bytes of a name hold five Chinese characters; names cut alike still differ.
    c.setNewTableCodePage(936);
    const QString zh = m_folder + "/zh936.dbf";
    c.Execute(QString::fromUtf8("CREATE TABLE [%1]([客户名称和地址] M,[客户名称和电话] M)").arg(zh));
    c.Execute(QString::fromUtf8("INSERT INTO `%1` VALUES('我能吞下玻璃而不伤身体', '中文')").arg(zh));
    foxpro::TableReader reader(zh);
    QCOMPARE(reader.header().codePageMark, uint8_t(0x7A));
    QCOMPARE(reader.codePage(), 936);
    QCOMPARE(reader.header().fields[0].name, QString::fromUtf8("客户名称和"));
    QCOMPARE(reader.header().fields[1].name, QString::fromUtf8("客户名称2"));
    QCOMPARE(readRows(zh)[0][0].asText(), QString::fromUtf8("我能吞下玻璃而不伤身体"));

    // A page FoxPro has no mark for, and none at all, give Windows-1252.
    for (const int codePage : {862, 0}) {
        c.setNewTableCodePage(codePage);
        const QString table = m_folder + QStringLiteral("/cp%1.dbf").arg(codePage);
        c.Execute(QString::fromUtf8("CREATE TABLE [%1]([שם] M)").arg(table));
        c.Execute(QString::fromUtf8("INSERT INTO `%1` VALUES('שלום é')").arg(table));
        const QByteArray bytes = tw::test::readAll(table);
        QCOMPARE(uchar(bytes[29]), uchar(0x03));
        QCOMPARE(bytes.mid(32, 3), QByteArray("__\0", 3));
        QCOMPARE(readRows(table)[0][0].asText(), QString::fromUtf8("???? é"));
    }
    QCOMPARE(c.replacedCharacters(), qint64(8));
    c.Close();

    // A character field is cut at its width before a character that does not fit whole.
    foxpro::CreateOptions options;
    options.codePageMark = 0x7A;
    auto writer = foxpro::TableWriter::create(m_folder + "/cut936.dbf", {{"C", 'C', 5, 0, -1, false}}, options);
    writer->append({Variant::text(QString::fromUtf8("中文字"))});
    writer.reset();
    const QByteArray cut = tw::test::readAll(m_folder + "/cut936.dbf");
    const int headerLength = le16(cut, 8);
    QCOMPARE(cut.mid(headerLength + 1, 5), QByteArray("\xD6\xD0\xCE\xC4 "));
    QCOMPARE(readRows(m_folder + "/cut936.dbf")[0][0].asText(), QString::fromUtf8("中文"));
    // A table without a mark reads as Windows-1252 and tells no code page.
    options.codePageMark = 0;
    foxpro::TableWriter::create(m_folder + "/nomark.dbf", {{"C", 'C', 5, 0, -1, false}}, options).reset();
    QCOMPARE(foxpro::TableReader(m_folder + "/nomark.dbf").codePage(), 0);
}

void TableWriterTest::codePageMarks()
{
    using namespace tw::foxpro;
    // Each of Visual FoxPro's marks names its page, and the page gets that mark.
    const QList<QPair<int, int>> marks{{0x01, 437},  {0x02, 850},  {0x03, 1252},  {0x04, 10000}, {0x64, 852},
                                       {0x65, 866},  {0x66, 865},  {0x67, 861},   {0x6A, 737},   {0x6B, 857},
                                       {0x78, 950},  {0x79, 949},  {0x7A, 936},   {0x7B, 932},   {0x7C, 874},
                                       {0x7D, 1255}, {0x7E, 1256}, {0xC8, 1250},  {0xC9, 1251},  {0xCA, 1254},
                                       {0xCB, 1253}, {0xCC, 1257}, {0x96, 10007}, {0x97, 10029}};
    for (const auto &[mark, codePage] : marks) {
        QCOMPARE(codePageOfMark(uint8_t(mark)), codePage);
        QCOMPARE(int(markOfCodePage(codePage)), mark);
        QCOMPARE(codecOfMark(uint8_t(mark)).codePage(), codePage);
    }
    // Other programs' marks read, but are never written.
    QCOMPARE(codePageOfMark(0x26), 866);
    QCOMPARE(int(markOfCodePage(866)), 0x65);
    // No converter here: Kamenický and Mazovia read as their base page and
    // are not written; Greek Macintosh reads as Windows-1252 on Linux, whose
    // C library lacks it, and as itself on Windows.
    QCOMPARE(codePageOfMark(0x68), 895);
    QCOMPARE(codecOfMark(0x68).codePage(), 437);
    QCOMPARE(int(markOfCodePage(895)), int(kNoMark));
    QCOMPARE(int(markOfCodePage(620)), int(kNoMark));
    QCOMPARE(codecOfMark(0x98).codePage(), tw::test::onWindows() ? 10006 : 1252);
    // Pages without a mark, no page and unknown marks.
    QCOMPARE(int(markOfCodePage(862)), int(kNoMark));
    QCOMPARE(int(markForNewTable(862)), int(kMark1252));
    QCOMPARE(int(markForNewTable(0)), int(kMark1252));
    QCOMPARE(int(markForNewTable(1251)), 0xC9);
    QCOMPARE(codePageOfMark(0), 0);
    QCOMPARE(codePageOfMark(0xFF), 0);
    QCOMPARE(codecOfMark(0xFF).codePage(), 1252);
}

QTEST_GUILESS_MAIN(TableWriterTest)
#include "tst_foxpro_writer.moc"
