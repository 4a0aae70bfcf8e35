// FoxPro tables created with each column's own type through the provider:
// NULL and AUTOINC columns, values the fields cannot hold as they are
// (rounded, cut or lost, and counted), FoxPro's literals in INSERT texts,
// and free and container tables that the independent readers accept.

#include "TableDump.h"
#include "TestSupport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/sql/FoxProLiteral.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace tw;
using tw::ado::Variant;

Q_DECLARE_METATYPE(tw::ado::Variant)

namespace {

// The file type, then per field "T(length,decimals) flags" and an
// autoincrement's next value and step, as dbfread reads the descriptors.
const char *const kDescriptors = R"(
import sys
sys.path.insert(0, sys.argv[1])
from dbfread import DBF
import dbfjson
t = DBF(sys.argv[2], parserclass=dbfjson.Parser, load=False, ignore_missing_memofile=True)
out = ['0x%02x' % t.header.dbversion]
for f in t.fields:
    flags = f.reserved1 & 0xFF
    out.append('%s(%d,%d) 0x%02x' % (f.type, f.length, f.decimal_count, flags))
    if flags & 0x08:
        out[-1] += ' next=%d step=%d' % ((f.reserved1 >> 8) | (f.workarea_id << 8) | (f.reserved2 << 16) |
                                         (f.reserved3 << 24), f.set_fields_flag)
print(' '.join(out))
)";

QString python(const QStringList &args)
{
    const auto r = tw::test::run("/usr/bin/python3", args);
    return QString::fromUtf8(r.exitCode == 0 ? r.out : "failed: " + r.err).trimmed();
}

// dbfjson's rows, one a line, without the line of column names.
QString dumpedRows(const QString &table)
{
    const QString dump = python({tw::test::sharedDir() + "/tools/dbfjson.py", table});
    return dump.mid(dump.indexOf(u'\n') + 1);
}

QString connectionTo(const QString &source)
{
    return QStringLiteral("Provider=vfpoledb.1;Data Source=%1;").arg(source);
}

void insert(ado::Connection &c, const QString &table, std::vector<Variant> row)
{
    c.ExecuteInsert(table, row, [] { return QString(); });
}

// Every column definition a copy that keeps the field types makes, a value for each, and an empty date.
const QString kKeptColumns = "[NAME] C(20),[MEMO] M,[RATIO] B NULL,[PRICE] Y NULL,[AMOUNT] N(20,2) NULL,[QTY] I NULL,"
                             "[FLAG] L,[BORN] D,[STAMP] T,[ID] I AUTOINC NEXTVALUE 1 STEP 1,[PIC] W,[OLE] G,[E] D NULL";
const QByteArray kKeptTypes = "CMBYNILDTIWGD";
const std::vector<Variant> kKeptRow = {Variant::text("O'Brien"),
                                       Variant::text(QString(450, u'\'')),
                                       Variant::real(0.1),
                                       Variant::real(19.99),
                                       Variant::decimal("-12.345"),
                                       Variant::null(),
                                       Variant::boolean(true),
                                       Variant::date(QDate(2024, 3, 1)),
                                       Variant::time(37230400),
                                       Variant::null(),
                                       Variant::bytes(QByteArray("\0\x01\xff", 3)),
                                       Variant::bytes("ole"),
                                       Variant()};

} // namespace

class TypedTablesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void keptTypes_data();
    void keptTypes();
    void numbersRunOut();
    void literalsGiveWhatTheValuesGive();
    void freeAndContainerTablesAreValid();

private:
    std::unique_ptr<ado::ScopedProvider> m_provider;
    QTemporaryDir m_dir;
    int m_tables = 0;
};

void TypedTablesTest::initTestCase()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared tools on this machine");
    m_provider = std::make_unique<ado::ScopedProvider>(std::make_shared<foxpro::FoxProProvider>());
}

void TypedTablesTest::keptTypes_data()
{
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QList<Variant>>("values");
    QTest::addColumn<QString>("descriptors"); // as dbfread reads them
    QTest::addColumn<QString>("rows");        // as dbfjson dumps them
    QTest::addColumn<int>("changed");
    QTest::addColumn<int>("lost");
    QTest::addColumn<QString>("note"); // "row: value -> after" of the first changed (else lost) value
    const Variant null = Variant::null();
    const auto row = [](const char *name, const char *definition, const QList<Variant> &values, const char *descriptors,
                        const QString &rows, int changed = 0, int lost = 0, const char *note = "") {
        QTest::newRow(name) << definition << values << descriptors << rows << changed << lost << note;
    };
    row("C cut, blanks alone no change", "C(5)",
        {Variant::text("abc"), null, Variant::text("abcdefg"), Variant::text("abcde  ")}, "0x30 C(5,0) 0x00",
        "[\"abc\"]\n[\"\"]\n[\"abcde\"]\n[\"abcde\"]", 1, 0, "3: abcdefg -> abcde");
    row("B", "B NULL", {Variant::real(0.1 + 0.2), null}, "0x30 B(8,0) 0x06 0(1,0) 0x05",
        "[0.30000000000000004]\n[null]");
    row("B shows decimals, keeps the double", "B(4) NULL", {Variant::real(0.07712345)}, "0x30 B(8,4) 0x06 0(1,0) 0x05",
        "[0.07712345]");
    row("Y changed only when the double is not held", "Y NULL",
        {Variant::currency(199900), Variant::real(19.99), Variant::real(0.1 + 0.2), Variant::real(1e300), null},
        "0x30 Y(8,4) 0x06 0(1,0) 0x05", "[19.99]\n[19.99]\n[0.3]\n[null]\n[null]", 1, 1,
        "3: 0.30000000000000004 -> 0.3");
    row("N rounded or too wide", "N(20,2) NULL",
        {Variant::decimal("1234.50"), Variant::decimal("2.675"), Variant::decimal("123456789012345678.9"), null},
        "0x30 N(20,2) 0x02 0(1,0) 0x05", "[1234.5]\n[2.68]\n[null]\n[null]", 1, 1, "2: 2.675 -> 2.68");
    row("I", "I NULL", {Variant::integer(-2147483647), null}, "0x30 I(4,0) 0x06 0(1,0) 0x05", "[-2147483647]\n[null]");
    row("AUTOINC follows the values given", "I AUTOINC NEXTVALUE 1 STEP 1",
        {null, Variant::integer(5), null, Variant::integer(3), null}, "0x31 I(4,0) 0x0c next=8 step=1",
        "[1]\n[5]\n[6]\n[3]\n[7]");
    row("AUTOINC by fives", "I AUTOINC NEXTVALUE 10 STEP 5", {null, null}, "0x31 I(4,0) 0x0c next=20 step=5",
        "[10]\n[15]");
    row("L", "L", {Variant::boolean(true), null}, "0x30 L(1,0) 0x00", "[true]\n[null]");
    row("D, a year it cannot hold blank", "D",
        {Variant::date(QDate(2024, 2, 29)), null, Variant::date(QDate(10000, 1, 1))}, "0x30 D(8,0) 0x00",
        "[\"2024-02-29\"]\n[null]\n[null]", 0, 1, "3: 10000-01-01 -> ");
    row("T to whole seconds", "T",
        {Variant::dateTime(QDate(2024, 2, 29), 45296789), Variant::time(3723000),
         Variant::dateTime(QDate(2024, 2, 29), 86399600)},
        "0x30 T(8,0) 0x04", "[\"2024-02-29 12:34:57\"]\n[\"1899-12-30 01:02:03\"]\n[\"2024-03-01 00:00:00\"]", 2, 0,
        "1: 2024-02-29 12:34:56.789 -> 2024-02-29 12:34:57");
    row("M", "M", {Variant::text("memo"), null}, "0x30 M(4,0) 0x00", "[\"memo\"]\n[\"\"]");
    row("W", "W", {Variant::bytes(QByteArray("\0\xff", 2))}, "0x32 W(4,0) 0x04", "[{\"hex\": \"00ff\"}]");
    row("G", "G", {Variant::bytes("ole")}, "0x30 G(4,0) 0x00", "[{\"hex\": \"6f6c65\"}]");
}

void TypedTablesTest::keptTypes()
{
    QFETCH(QString, definition);
    QFETCH(QList<Variant>, values);
    QFETCH(QString, descriptors);
    QFETCH(QString, rows);
    QFETCH(int, changed);
    QFETCH(int, lost);
    QFETCH(QString, note);
    const QString table = m_dir.filePath(QStringLiteral("t%1.dbf").arg(++m_tables));
    ado::Connection c;
    c.Open(connectionTo(m_dir.path()));
    c.Execute("CREATE TABLE [" + table + "]([V] " + definition + ");");
    for (const Variant &value : values)
        insert(c, table, {value});
    QCOMPARE(c.changedValues()->count(), qint64(changed));
    QCOMPARE(c.lostValues()->count(), qint64(lost));
    if (changed || lost) {
        const ado::LostValue &first = (changed ? c.changedValues() : c.lostValues())->first().front();
        QCOMPARE(QStringLiteral("%1: %2 -> %3").arg(first.row).arg(first.value, first.after), note);
        QCOMPARE(first.column, QString("V"));
    }
    c.Close();
    QCOMPARE(python({"-c", kDescriptors, tw::test::sharedDir() + "/tools", table}), descriptors);
    QCOMPARE(dumpedRows(table), rows);
}

// Past the largest I value there is no number for a row, rather than a negative one.
void TypedTablesTest::numbersRunOut()
{
    const QString table = m_dir.filePath("full.dbf");
    ado::Connection c;
    c.Open(connectionTo(m_dir.path()));
    c.Execute("CREATE TABLE [" + table + "]([ID] I AUTOINC NEXTVALUE 2147483647)");
    insert(c, table, {Variant::null()});
    QVERIFY_THROWS_EXCEPTION(ado::RuntimeError, insert(c, table, {Variant::null()}));
    c.Close();
    QCOMPARE(dumpedRows(table), QString("[2147483647]"));
}

// A row given as values and the same row run as the INSERT text of its
// literals give the same table; the empty date is blank, not NULL.
void TypedTablesTest::literalsGiveWhatTheValuesGive()
{
    ado::Connection c;
    c.Open(connectionTo(m_dir.path()));
    const QString given = m_dir.filePath("given.dbf");
    const QString written = m_dir.filePath("written.dbf");
    QStringList literals;
    for (size_t i = 0; i < kKeptRow.size(); ++i)
        literals << sql::foxproLiteral(kKeptRow[i], kKeptTypes[qsizetype(i)]);
    for (const QString &table : {given, written})
        c.Execute("CREATE TABLE [" + table + "](" + kKeptColumns + ")");
    insert(c, given, kKeptRow);
    c.Execute("INSERT INTO `" + written + "` VALUES(" + literals.join(", ") + ")");
    c.Close();
    const QString rows = dumpedRows(written);
    QCOMPARE(rows, dumpedRows(given));
    QVERIFY2(rows.startsWith("[\"O'Brien\", \"''''"), qPrintable(rows));
    QVERIFY2(rows.endsWith("0.1, 19.99, -12.35, null, true, \"2024-03-01\", \"1899-12-30 10:20:30\", 1, "
                           "{\"hex\": \"0001ff\"}, {\"hex\": \"6f6c65\"}, null]"),
             qPrintable(rows));
    // Of the nullable fields' bits (B, Y, N, I, E) only I's is set.
    const QByteArray bytes = tw::test::readAll(written);
    QCOMPARE(int(bytes.at(32 + 14 * 32 + 1 + 263 + 1 + 20 + 4 + 8 + 8 + 20 + 4 + 1 + 8 + 8 + 4 + 4 + 4 + 8)), 0x08);
}

void TypedTablesTest::freeAndContainerTablesAreValid()
{
    const QString folder = m_dir.filePath("db");
    QDir().mkpath(folder);
    const QString corpus = tw::test::sharedDir() + "/corpus/foxpro/foxprodb/";
    for (const QString &name : QDir(corpus).entryList(QDir::Files)) {
        QVERIFY(QFile::copy(corpus + name, folder + "/" + name));
        QFile(folder + "/" + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    const QString dbc = folder + "/FOXPRO-DB-TEST.DBC";
    for (const auto &[source, table] :
         {std::pair{m_dir.path(), m_dir.filePath("kept.dbf")}, std::pair{dbc, folder + "/kept.dbf"}}) {
        ado::Connection c;
        c.Open(connectionTo(source));
        c.BeginTrans(); // as a copy makes its table: put in place by the commit
        c.Execute("CREATE TABLE [" + table + "](" + kKeptColumns + ");");
        for (int i = 0; i < 3; ++i)
            insert(c, table, kKeptRow);
        c.CommitTrans();
        // Notes name the table, never the temporary it was built under.
        QCOMPARE(c.changedValues()->first().front().table, QString("kept"));
        ado::Recordset rs;
        rs.Open("SELECT * FROM kept", c);
        QCOMPARE(rs.fields()(4).name(), QString("amount"));
        rs.Close();
        c.Close();
        const auto cmp = foxpro::test::compareWithDbfjson(table, foxpro::test::dumpWithReader(table));
        QVERIFY2(cmp.ok, qPrintable(cmp.details));
    }
    const QString check = python({tw::test::sharedDir() + "/tools/dcxcheck.py", "--strict", "--no-xbase", dbc});
    QVERIFY2(!check.startsWith("failed"), qPrintable(check));
    const auto cmp = foxpro::test::compareWithDbfjson(dbc, foxpro::test::dumpWithReader(dbc));
    QVERIFY2(cmp.ok, qPrintable(cmp.details));
}

QTEST_GUILESS_MAIN(TypedTablesTest)
#include "tst_foxpro_typed.moc"
