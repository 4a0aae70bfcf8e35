#include "DumpSupport.h"
#include "TestSupport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Idle.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/paradox/ParadoxFormat.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/workdb/AsideRun.h"
#include "platform/workdb/ParadoxExport.h"
#include "platform/workdb/Sqlite.h"
#include "platform/workdb/WorkDbProvider.h"

#include <QFileInfo>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <thread>

using namespace tw::ado;
namespace pxdb = tw::paradox::db;

Q_DECLARE_METATYPE(tw::ado::Variant)

namespace {

// The rows of the values listed, all of column "v"; {-1} when they are not.
QList<qint64> rowsOf(const LostValues *values)
{
    QList<qint64> rows;
    for (const LostValue &value : values->first())
        rows << (value.column == QStringLiteral("v") ? value.row : -1);
    return values->count() == rows.size() ? rows : QList<qint64>{-1};
}

} // namespace

class WorkDbTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void missingOrForeignFilesAreClearErrors();
    void tablesComeAndGo();
    void valuesAreConvertedToTheColumnType();
    void conversionFailuresNameTheColumn();
    void valuesConvertByTheSharedRules();
    void memoDigitsStayText();
    void textsAreStoredAsTheirUtf8();
    void exportWritesAParadoxTable();
    void exportRefusesAnExistingTable();
    void exportOfAnEmptyTableAndManyRows();
    void longFieldNamesAreCutAndMadeUnique();
    void tablesKeepTheCodePageTheyWereMadeFor();
    void workSetAsideKeepsTheWindowRunning();
    void fileNeverHoldsTheRowsOfACopy_data();
    void fileNeverHoldsTheRowsOfACopy();
    void exportNamesTheFolderAsThisSystemWritesIt();
    void typesBecomeTheirOwnFields_data();
    void typesBecomeTheirOwnFields();
    void definitionsOutOfRangeAreRefused();
    void rowsWithoutAPreparedExportAreRefused_data();
    void rowsWithoutAPreparedExportAreRefused();

private:
    QString connectionString() const
    {
        return "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + m_dir->path() + "\\dbtemp.mdb;";
    }
    void openWork(Connection &connection)
    {
        connection.CursorLocation = 2;
        connection.Mode = 3;
        connection.Open(connectionString());
    }
    // The export of work table `table` to the Paradox table of its name in
    // px, told to the connection before its rows as a copy tells it.
    QString prepareExport(Connection &work, const QString &table, qint64 rows)
    {
        const QString into = intoParadox(table, table);
        work.Prepare(into, rows);
        return into;
    }
    QString intoParadox(const QString &target, const QString &table) const
    {
        return "select * into [Paradox 5.x;Database=" + m_dir->path() + "\\px\\].[" + target + ".db] from [" + table +
               "]";
    }
    // Reads a Paradox table of the folder through the Paradox provider.
    QList<QStringList> readParadox(const QString &table, QStringList *columns = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void WorkDbTest::initTestCase()
{
    tw::workdb::registerProvider();
    tw::paradox::registerProvider();
}

void WorkDbTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    tw::workdb::createWorkDatabase(m_dir->path() + "/dbtemp.mdb");
    QDir(m_dir->path()).mkdir("px");
}

QList<QStringList> WorkDbTest::readParadox(const QString &table, QStringList *columns)
{
    Connection px;
    px.CursorLocation = 3;
    px.Open("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox 5.X;DefaultDir=x;Dbq=" + m_dir->path() +
            "/px;CollatingSequence=ASCII;");
    Recordset rs;
    rs.Open("SELECT * FROM `" + table + "`", px);
    if (columns) {
        columns->clear();
        for (int i = 0; i < rs.fields().count(); ++i)
            *columns << rs.fields()(i).name() + ":" + QString::number(rs.fields()(i).Type());
    }
    QList<QStringList> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList row;
        for (int i = 0; i < rs.fields().count(); ++i) {
            const Variant &v = rs.fields()(i).Value();
            row << (v.isNull() ? QString("<null>") : v.toText());
        }
        rows << row;
    }
    return rows;
}

void WorkDbTest::missingOrForeignFilesAreClearErrors()
{
    Connection connection;
    try {
        connection.Open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + m_dir->path() + "/none.mdb;");
        QFAIL("opened a missing file");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains("none.mdb"), qPrintable(error.description()));
    }
    QVERIFY(!QFile::exists(m_dir->path() + "/none.mdb")); // never created by opening
    tw::test::writeAll(m_dir->path() + "/foreign.mdb", QByteArray("Standard Jet DB").repeated(100));
    try {
        connection.Open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + m_dir->path() + "/foreign.mdb;");
        QFAIL("opened a foreign file");
    } catch (const RuntimeError &error) {
        QVERIFY2(error.description().contains("not a work database"), qPrintable(error.description()));
    }
    // An empty file is an empty database.
    tw::test::writeAll(m_dir->path() + "/empty.mdb", QByteArray());
    connection.Open("provider=microsoft.jet.oledb.4.0;Data Source=" + m_dir->path() + "/EMPTY.MDB;");
    QCOMPARE(connection.OpenSchema(adSchemaTables).RecordCount(), qint64(0));
}

void WorkDbTest::tablesComeAndGo()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `Orders`(`id` INT,`Customer Name` MEMO,`total` FLOAT,`d` DECIMAL,`when` "
                 "DATETIME,`pic` OLEOBJECT,`flag` VARCHAR);");
    Recordset schema = work.OpenSchema(adSchemaTables);
    QCOMPARE(schema.RecordCount(), qint64(1));
    QCOMPARE(schema.fields()("TABLE_NAME").Value().toText(), QString("Orders"));
    QCOMPARE(schema.fields()("TABLE_TYPE").Value().toText(), QString("TABLE"));
    Recordset rs;
    rs.Open("SELECT * FROM `orders`", work, 2, 3);
    QStringList types;
    for (int i = 0; i < rs.fields().count(); ++i)
        types << rs.fields()(i).name() + ":" + QString::number(rs.fields()(i).Type());
    QCOMPARE(types, QStringList({"id:3", "Customer Name:201", "total:5", "d:131", "when:7", "pic:205", "flag:200"}));
    rs.Close();
    QVERIFY_THROWS_EXCEPTION(RuntimeError, work.Execute("CREATE TABLE `ORDERS`(`x` MEMO);"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, work.Execute("CREATE TABLE `bad`(`x` MONEY);"));
    work.Execute("CREATE TABLE `dup`(`x` MEMO,`X` INT,`x2` MEMO);");
    Recordset dup;
    dup.Open("SELECT * FROM `dup`", work);
    QCOMPARE(dup.fields()(1).name(), QString("X3")); // "x2" is the third column's own name
    QCOMPARE(dup.fields()(2).name(), QString("x2"));
    dup.Close();
    work.Execute("DROP TABLE [dup]");
    work.Execute("DROP TABLE [ORDERS]");
    QCOMPARE(work.OpenSchema(adSchemaTables).RecordCount(), qint64(0));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, work.Execute("DROP TABLE [Orders]"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, work.Execute("INSERT INTO `x` VALUES('1')"));
}

void WorkDbTest::valuesAreConvertedToTheColumnType()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `t`(`i` INT,`f` FLOAT,`d` DECIMAL,`w` DATETIME,`b` OLEOBJECT,`v` VARCHAR,`m` MEMO);");
    const QString into = prepareExport(work, "t", 3);
    Recordset rs;
    rs.Open("SELECT * FROM `t`", work, 2, 3);
    // A value is converted as it is set, and goes on to the Paradox table as converted.
    rs.AddNew();
    rs.fields()(0).setValue(Variant::decimal("42"));
    rs.fields()(1).setValue(Variant::decimal("1234.5678"));
    rs.fields()(2).setValue(Variant::decimal("-0012.50"));
    rs.fields()(3).setValue(Variant::date(QDate(1998, 7, 1)));
    rs.fields()(4).setValue(Variant::bytes(QByteArray("\0\1\2", 3)));
    rs.fields()(5).setValue(Variant::boolean(true));
    rs.fields()(6).setValue(Variant::currency(123400));
    QCOMPARE(rs.fields()(0).Value(), Variant::integer(42));
    QCOMPARE(rs.fields()(1).Value(), Variant::real(1234.5678));
    QCOMPARE(rs.fields()(2).Value(), Variant::decimal("-0012.50"));
    QCOMPARE(rs.fields()(3).Value(), Variant::dateTime(QDate(1998, 7, 1), 0));
    QCOMPARE(rs.fields()(4).Value(), Variant::bytes(QByteArray("\0\1\2", 3)));
    QCOMPARE(rs.fields()(5).Value(), Variant::text("True"));
    QCOMPARE(rs.fields()(6).Value(), Variant::text("12.34"));
    rs.Update();
    rs.AddNew();
    rs.fields()(0).setValue(Variant::null());
    rs.fields()(3).setValue(Variant::time(3600000));
    rs.fields()(6).setValue(Variant::dateTime(QDate(2001, 2, 3), 4005));
    QVERIFY(rs.fields()(0).Value().isNull());
    QCOMPARE(rs.fields()(3).Value(), Variant::dateTime(QDate(1899, 12, 30), 3600000));
    QCOMPARE(rs.fields()(6).Value().toText(), QString("2001-02-03 00:00:04.005"));
    rs.Update();
    rs.AddNew();
    rs.fields()(3).setValue(Variant::text("2024-02-29 23:59:58.5"));
    rs.fields()(4).setValue(Variant::text(QString::fromUtf8("é\xc3\xbf")));
    QCOMPARE(rs.fields()(3).Value().toText(), QString("2024-02-29 23:59:58.500"));
    QCOMPARE(rs.fields()(4).Value(), Variant::bytes(QByteArray("\xe9\xff")));
    rs.Update();
    QCOMPARE(rs.RecordCount(), qint64(3));
    rs.Close();
    work.Execute(into);
    const auto rows = readParadox("t");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], QStringList({"42", "1234.5678", "-12.5", "1998-07-01 00:00:00", QString::fromLatin1("\0\1\2", 3),
                                   "True", "12.34"}));
    QCOMPARE(rows[1], QStringList({"<null>", "<null>", "<null>", "1899-12-30 01:00:00", "<null>", "<null>",
                                   "2001-02-03 00:00:04.005"})); // the columns never set are Null
    QCOMPARE(rows[2][3], QString("2024-02-29 23:59:58.500"));
    QCOMPARE(rows[2][4], QString::fromLatin1("\xe9\xff"));
}

void WorkDbTest::conversionFailuresNameTheColumn()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `t`(`qty` INT,`v` VARCHAR(3),`w` DATETIME);");
    prepareExport(work, "t", 1);
    Recordset rs;
    rs.Open("SELECT * FROM `t`", work, 2, 3);
    rs.AddNew();
    // A value a column cannot hold goes as Null and is kept as lost, naming the column.
    rs.fields()(0).setValue(Variant::text("many"));
    QVERIFY(rs.fields()(0).Value().isNull());
    rs.fields()(0).setValue(Variant::integer(3000000000LL));
    rs.fields()(1).setValue(Variant::text("abcd"));
    rs.fields()(2).setValue(Variant::text("2024-02-30"));
    rs.fields()(2).setValue(Variant::integer(5));
    QVERIFY(rs.fields()(2).Value().isNull());
    const tw::ado::LostValues *lost = work.lostValues();
    QVERIFY(lost);
    QCOMPARE(lost->count(), qint64(5));
    QCOMPARE(lost->first()[0].column, QStringLiteral("qty"));
    QCOMPARE(lost->first()[0].value, QStringLiteral("many"));
    QCOMPARE(lost->first()[0].row, qint64(1));
    QCOMPARE(lost->first()[2].column, QStringLiteral("v"));
    QCOMPARE(lost->first()[3].value, QStringLiteral("2024-02-30"));
    rs.fields()(1).setValue(Variant::text("abc"));
    rs.Update();
    QCOMPARE(rs.RecordCount(), qint64(1));
}

// Texts read by the one vocabulary of ValueText, other values converted by its
// rules, as both table writers take them.
void WorkDbTest::valuesConvertByTheSharedRules()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `t`(`i` INT,`f` FLOAT,`d` DECIMAL,`w` DATETIME);");
    const QString into = prepareExport(work, "t", 3);
    Recordset rs;
    rs.Open("SELECT * FROM `t`", work, 2, 3);
    rs.AddNew();
    rs.fields()(0).setValue(Variant::text(" 1e2 "));
    rs.fields()(1).setValue(Variant::text("-Infinity"));
    rs.fields()(2).setValue(Variant::boolean(true));
    rs.fields()(3).setValue(Variant::text("12:30"));
    QCOMPARE(rs.fields()(0).Value(), Variant::integer(100));
    QCOMPARE(rs.fields()(1).Value(), Variant::real(-HUGE_VAL));
    QCOMPARE(rs.fields()(2).Value(), Variant::decimal("-1"));
    QCOMPARE(rs.fields()(3).Value(), Variant::dateTime(QDate(1899, 12, 30), (12 * 60 + 30) * 60000));
    rs.Update();
    rs.AddNew();
    rs.fields()(0).setValue(Variant::currency(-25000));
    rs.fields()(1).setValue(Variant::text("+.5"));
    rs.fields()(2).setValue(Variant::real(1e21));
    rs.fields()(3).setValue(Variant::text("-0044-3-15"));
    QCOMPARE(rs.fields()(0).Value(), Variant::integer(-3));
    QCOMPARE(rs.fields()(1).Value(), Variant::real(0.5));
    QCOMPARE(rs.fields()(2).Value(), Variant::decimal("1000000000000000000000"));
    QCOMPARE(rs.fields()(3).Value(), Variant::dateTime(QDate(-44, 3, 15), 0));
    rs.Update();
    rs.AddNew();
    rs.fields()(2).setValue(Variant::text(" +007.50e0 "));
    rs.fields()(3).setValue(Variant::text("2024-02-29T23:59:58.123456"));
    // Too large for the column: an overflow, lost and counted; not a number: a mismatch.
    rs.fields()(0).setValue(Variant::text("2147483648"));
    rs.fields()(1).setValue(Variant::text("1e999"));
    rs.fields()(2).setValue(Variant::text("1,5"));
    QVERIFY(rs.fields()(0).Value().isNull());
    QVERIFY(rs.fields()(1).Value().isNull());
    QVERIFY(rs.fields()(2).Value().isNull());
    QCOMPARE(rs.fields()(3).Value().toText(), QString("2024-02-29 23:59:58.123"));
    rs.Update();
    const tw::ado::LostValues *lost = work.lostValues();
    QVERIFY(lost);
    QCOMPARE(lost->count(), qint64(3));
    QVERIFY2(lost->first()[0].reason.contains("Overflow"), qPrintable(lost->first()[0].reason));
    QVERIFY2(lost->first()[1].reason.contains("Overflow"), qPrintable(lost->first()[1].reason));
    QVERIFY2(lost->first()[2].reason.contains("mismatch"), qPrintable(lost->first()[2].reason));
    rs.Close();
    work.Execute(into);
    const auto rows = readParadox("t");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].mid(2), QStringList({"-1", "1899-12-30 12:30:00"}));
    QCOMPARE(rows[1].mid(0, 3), QStringList({"-3", "0.5", "1e+21"}));
    QCOMPARE(rows[2], QStringList({"<null>", "<null>", "<null>", "2024-02-29 23:59:58.123"}));
}

void WorkDbTest::memoDigitsStayText()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `t`(`m` MEMO,`d` DECIMAL);");
    const QString into = prepareExport(work, "t", 1);
    Recordset rs;
    rs.Open("SELECT * FROM `t`", work, 2, 3);
    rs.AddNew();
    rs.fields()(0).setValue(Variant::text("00042"));
    rs.fields()(1).setValue(Variant::text("1.10"));
    QCOMPARE(rs.fields()(0).Value(), Variant::text("00042"));
    QCOMPARE(rs.fields()(1).Value(), Variant::decimal("1.10"));
    rs.Update();
    rs.Close();
    work.Execute(into);
    QCOMPARE(readParadox("t"), QList<QStringList>({{"00042", "1.1"}}));
}

void WorkDbTest::textsAreStoredAsTheirUtf8()
{
    // A text reaches SQLite as exactly the bytes QString::toUtf8() makes of it
    // (a '?' for a lone surrogate), through a buffer each parameter reuses:
    // short values after long ones, empty text stays text, not Null.
    const QChar high(char16_t(0xD83D));
    const QChar low(char16_t(0xDE00));
    QStringList texts = {"plain",
                         "",
                         QString::fromUtf8("Gr\u00fc\u00dfe aus K\u00f6ln \u20ac \U0001F600"),
                         QString(5000, 'a'),
                         "x",
                         QString(high),
                         QString(low) + "x",
                         QString(high) + "a",
                         QString(high) + high + low,
                         QString(low) + high,
                         QString(QChar(char16_t(0xFFFF))),
                         QString(3000, QChar(char16_t(0x7FF))) + QChar(char16_t(0x800)),
                         ""};
    const char16_t units[] = {u'a',   u'~',   0x7F,   0x80,   0xE9,   0x7FF,  0x800,  0x20AC, 0xD7FF,
                              0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xD83D, 0xDE00};
    quint32 seed = 7;
    for (int n = 0; n < 400; ++n) {
        QString text;
        seed = seed * 1103515245u + 12345u;
        const int length = int((seed >> 8) % 24);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += QChar(units[(seed >> 8) % std::size(units)]);
        }
        texts << text;
    }
    tw::workdb::SqliteDatabase db(m_dir->path() + "/dbtemp.mdb");
    db.exec("CREATE TABLE utf8 (a, b)");
    {
        tw::workdb::SqliteStatement insert(db, "INSERT INTO utf8 VALUES (?, ?)");
        for (qsizetype i = 0; i < texts.size(); ++i) {
            insert.bindText(1, texts[i]);
            insert.bindText(2, texts[texts.size() - 1 - i]);
            QVERIFY(!insert.step());
            insert.reset();
        }
    }
    tw::workdb::SqliteStatement select(db,
                                       "SELECT typeof(a), CAST(a AS BLOB), CAST(b AS BLOB) FROM utf8 ORDER BY rowid");
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QVERIFY(select.step());
        QCOMPARE(select.columnText(0), QString("text"));
        QCOMPARE(select.columnBlob(1), texts[i].toUtf8());
        QCOMPARE(select.columnBlob(2), texts[texts.size() - 1 - i].toUtf8());
    }
    QVERIFY(!select.step());
}

void WorkDbTest::exportWritesAParadoxTable()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `customers_2021`(`id` INT,`name` MEMO,`price` FLOAT,`seen` DATETIME,`pic` "
                 "OLEOBJECT,`code` VARCHAR);");
    const QString into = intoParadox("customer", "customers_2021");
    work.Prepare(into, 2);
    Recordset rs;
    rs.Open("SELECT * FROM `customers_2021`", work, 2, 3);
    rs.AddNew();
    rs.fields()(0).setValue(Variant::integer(7));
    rs.fields()(1).setValue(
        Variant::text(QString::fromUtf8("Crème brûlée, \"quoted\"\r\nsecond line") + QString(3000, u'x')));
    rs.fields()(2).setValue(Variant::real(-2.75));
    rs.fields()(3).setValue(Variant::dateTime(QDate(1999, 12, 31), 86399000));
    rs.fields()(4).setValue(Variant::bytes(QByteArray("\0\xff\0", 3)));
    rs.fields()(5).setValue(Variant::text("A-1"));
    rs.Update();
    rs.AddNew();
    rs.Update(); // all Null
    rs.Close();
    work.Execute(into);
    QStringList columns;
    const auto rows = readParadox("customer", &columns);
    QCOMPARE(columns, QStringList({"id:3", "name:201", "price:5", "seen:135", "pic:205", "code:200"}));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][0], QString("7"));
    QVERIFY(rows[0][1].startsWith(QString::fromUtf8("Crème brûlée, \"quoted\"\r\nsecond line")));
    QCOMPARE(rows[0][1].size(), 35 + 3000);
    QCOMPARE(rows[0][2], QString("-2.75"));
    QCOMPARE(rows[0][3], QString("1999-12-31 23:59:59"));
    QCOMPARE(rows[0][4], QString::fromLatin1("\0\xff\0", 3));
    QCOMPARE(rows[0][5], QString("A-1"));
    QCOMPARE(rows[1], QStringList(6, "<null>"));
    // Nothing temporary is left beside the table.
    QStringList files = QDir(m_dir->path() + "/px").entryList(QDir::Files | QDir::Hidden);
    files.sort();
    QCOMPARE(files, QStringList({"customer.db", "customer.mb"}));
}

void WorkDbTest::exportRefusesAnExistingTable()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `t`(`a` MEMO);");
    tw::test::writeAll(m_dir->path() + "/px/T.DB", "precious");
    QVERIFY_THROWS_EXCEPTION(
        RuntimeError, work.Execute("select * into [Paradox 5.x;Database=" + m_dir->path() + "/px\\].[t.db] from [t]"));
    QCOMPARE(tw::test::readAll(m_dir->path() + "/px/T.DB"), QByteArray("precious"));
    QCOMPARE(QDir(m_dir->path() + "/px").entryList(QDir::Files | QDir::Hidden), QStringList({"T.DB"}));
    QVERIFY_THROWS_EXCEPTION(RuntimeError,
                             work.Execute("select * into [dBASE IV;Database=" + m_dir->path() + "].[t.db] from [t]"));
    QVERIFY_THROWS_EXCEPTION(
        RuntimeError, work.Execute("select * into [Paradox 5.x;Database=" + m_dir->path() + "/px].[u.db] from [none]"));
}

void WorkDbTest::exportOfAnEmptyTableAndManyRows()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `empty`(`a` MEMO,`n` INT);");
    work.Execute("select * into [Paradox 5.x;Database=" + m_dir->path() + "/px].[empty.db] from [empty]");
    QCOMPARE(readParadox("empty").size(), 0);
    work.Execute("CREATE TABLE `many`(`n` INT,`t` MEMO);");
    const int rows = 45000; // many batches of the export's writer
    work.Prepare("select * into [Paradox 5.x;Database=" + m_dir->path() + "/px].[many.db] from [many]", rows);
    Recordset rs;
    rs.Open("SELECT * FROM `many`", work, 2, 3);
    for (int i = 0; i < rows; ++i) {
        rs.AddNew();
        rs.fields()(0).setValue(Variant::integer(i));
        rs.fields()(1).setValue(Variant::text(QString::number(i % 7)));
        rs.Update();
    }
    rs.Close();
    work.Execute("select * into [Paradox 5.x;Database=" + m_dir->path() + "/px].[many.db] from [many]");
    const auto back = readParadox("many");
    QCOMPARE(back.size(), rows);
    QCOMPARE(back.last(), QStringList({QString::number(rows - 1), QString::number((rows - 1) % 7)}));
}

void WorkDbTest::longFieldNamesAreCutAndMadeUnique()
{
    const QStringList names = tw::workdb::paradoxFieldNames(
        {"a_very_long_column_name_number_one", "a_very_long_column_name_number_two", "short", "SHORT"});
    QCOMPARE(names, QStringList({"a_very_long_column_name_n", "a_very_long_column_name_2", "short", "SHORT2"}));
    for (const QString &name : names)
        QVERIFY(name.size() <= 25);
}

QTEST_GUILESS_MAIN(WorkDbTest)
void WorkDbTest::tablesKeepTheCodePageTheyWereMadeFor()
{
    Connection work;
    openWork(work);
    work.setNewTableCodePage(1251);
    work.Execute(QString::fromUtf8("CREATE TABLE `cyr`(`Город` MEMO,`Улица` VARCHAR(20));"));
    work.setNewTableCodePage(0);
    work.Execute("CREATE TABLE `plain`(`a` MEMO);");
    // The code page goes with the table, not with the connection, and lists as no table.
    QCOMPARE(work.OpenSchema(adSchemaTables).RecordCount(), qint64(2));
    const QString into = intoParadox("cyr", "cyr");
    work.Prepare(into, 1);
    Recordset rs;
    rs.Open("SELECT * FROM `CYR`", work, 2, 3);
    QCOMPARE(rs.codePage(), 1251);
    rs.AddNew();
    rs.fields()(0).setValue(Variant::text(QString::fromUtf8("Київ — «центр»")));
    rs.fields()(1).setValue(Variant::text(QString::fromUtf8("Хрещатик")));
    rs.Update();
    rs.Close();
    rs.Open("SELECT * FROM `plain`", work);
    QCOMPARE(rs.codePage(), 0);
    rs.Close();
    work.Execute(into);
    QCOMPARE(work.replacedCharacters(), qint64(0));
    QStringList columns;
    const auto rows = readParadox("cyr", &columns);
    QCOMPARE(columns, QStringList({QString::fromUtf8("Город:201"), QString::fromUtf8("Улица:200")}));
    QCOMPARE(rows.value(0), QStringList({QString::fromUtf8("Київ — «центр»"), QString::fromUtf8("Хрещатик")}));
    const QByteArray db = tw::test::readAll(m_dir->path() + "/px/cyr.db");
    QCOMPARE(int(tw::encoding::getU16LE(tw::encoding::bytesOf(db.constData() + 0x6A))), 1251);
    // Dropped, the table forgets it: made again without one, it is Windows-1252.
    work.Execute("DROP TABLE [cyr]");
    work.Execute(QString::fromUtf8("CREATE TABLE `cyr`(`Город` MEMO);"));
    const QString into1252 = intoParadox("cyr1252", "cyr");
    work.Prepare(into1252, 1);
    rs.Open("SELECT * FROM `cyr`", work, 2, 3);
    QCOMPARE(rs.codePage(), 0);
    rs.AddNew();
    rs.fields()(0).setValue(Variant::text(QString::fromUtf8("Київ")));
    rs.Update();
    rs.Close();
    work.Execute(into1252);
    QCOMPARE(work.replacedCharacters(), qint64(4));
    QCOMPARE(readParadox("cyr1252", &columns).value(0), QStringList({"????"}));
    QCOMPARE(columns, QStringList({"?????:201"}));
}

void WorkDbTest::workSetAsideKeepsTheWindowRunning()
{
    // While the work runs elsewhere, this thread keeps running its events,
    // and never at the same time as the work.
    int idles = 0;
    bool overlapped = false;
    bool whileWorking = false;
    std::atomic<bool> working = false;
    const QThread *windowThread = QThread::currentThread();
    QThread *workThread = nullptr;
    {
        const ScopedIdleCallback idle([&] {
            ++idles;
            overlapped = overlapped || QThread::currentThread() != windowThread;
            whileWorking = whileWorking || working;
        });
        tw::workdb::runAside([&] {
            workThread = QThread::currentThread();
            working = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            working = false;
        });
    }
    // One slice at least: a loaded machine may oversleep a slice by the whole work.
    QVERIFY(idles >= 1);
    QVERIFY(whileWorking);
    QVERIFY(!overlapped);
    QVERIFY(workThread != windowThread);

    // What the work throws arrives here, after the work has ended.
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, tw::workdb::runAside([] { throw std::runtime_error("full"); }));
    // A failing drop names the table, as before.
    Connection work;
    openWork(work);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, work.Execute("DROP TABLE [nothing here]"));
}

void WorkDbTest::fileNeverHoldsTheRowsOfACopy_data()
{
    QTest::addColumn<QString>("start");
    QTest::newRow("created by the program") << "created";
    QTest::newRow("empty file") << "empty";
    // A file kept from before, its space still held by a table dropped then.
    QTest::newRow("kept from before") << "kept";
}

void WorkDbTest::fileNeverHoldsTheRowsOfACopy()
{
    QFETCH(QString, start);
    const QString file = m_dir->path() + "/dbtemp.mdb";
    if (start != "created") {
        QVERIFY(QFile::remove(file));
        tw::test::writeAll(file, QByteArray());
    }
    if (start == "kept") {
        tw::workdb::SqliteDatabase old(file);
        old.exec("CREATE TABLE old(x)");
        old.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                 "INSERT INTO old SELECT randomblob(300) FROM n");
        old.exec("DROP TABLE old");
    }
    const qint64 before = QFileInfo(file).size();
    if (start == "kept")
        QVERIFY2(before > 5000000, qPrintable(QString::number(before)));
    // What a copy to Paradox does with the work database: a table created,
    // its export prepared, its rows added (12 MB of them), written out, dropped.
    const qint64 small = std::max(before, qint64(1000000));
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `staged`(`n` INT,`t` MEMO);");
    const QString into = prepareExport(work, "staged", 30000);
    Recordset rs;
    rs.Open("SELECT * FROM `staged`", work, 2, 3);
    const QString text(400, u'x');
    for (int i = 0; i < 30000; ++i) {
        rs.AddNew();
        rs.fields()(0).setValue(Variant::integer(i));
        rs.fields()(1).setValue(Variant::text(text));
        rs.Update();
    }
    rs.Close();
    const qint64 staged = QFileInfo(file).size();
    QVERIFY2(staged <= small, qPrintable(QStringLiteral("%1 bytes before, %2 with the rows").arg(before).arg(staged)));
    work.Execute(into);
    work.Execute("DROP TABLE [staged]");
    const qint64 after = QFileInfo(file).size();
    QVERIFY2(after <= small, qPrintable(QStringLiteral("%1 bytes before, %2 after").arg(before).arg(after)));
    // The next copy works in the file as before.
    work.Execute("CREATE TABLE `again`(`n` INT);");
    prepareExport(work, "again", 1);
    Recordset again;
    again.Open("SELECT * FROM `again`", work, 2, 3);
    again.AddNew();
    again.fields()(0).setValue(Variant::integer(7));
    again.Update();
    again.Close();
    work.Execute("DROP TABLE [again]");
    QCOMPARE(readParadox("staged").size(), 30000);
}

void WorkDbTest::exportNamesTheFolderAsThisSystemWritesIt()
{
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `t`(`a` MEMO);");
    tw::test::writeAll(m_dir->path() + "/px/T.DB", "precious");
    // The copy joins the folder and the name with "\\" and ends the folder with one.
    try {
        work.Execute("select * into [Paradox 5.x;Database=" + m_dir->path() + "/px\\].[t.db] from [t]");
        QFAIL("wrote over an existing table");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.description(),
                 "Table 't.db' already exists in " + QDir::toNativeSeparators(m_dir->path() + "/px") + ".");
    }
}

void WorkDbTest::typesBecomeTheirOwnFields_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QList<Variant>>("values");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("size");         // the header's size byte: width, leader + 10, or decimals
    QTest::addColumn<QStringList>("read"); // pxjson's value of each row
    QTest::addColumn<QList<qint64>>("changed");
    QTest::addColumn<QList<qint64>>("lost");
    const Variant null = Variant::null();
    QTest::newRow("TEXT(n)") << "TEXT(20)" << QList{Variant::text("Grüße"), null, Variant::text(QString(21, u'x'))}
                             << "A20" << 20 << QStringList{"\"Grüße\"", "null", "null"} << QList<qint64>{}
                             << QList<qint64>{3};
    QTest::newRow("LONG") << "LONG" << QList{Variant::decimal("-42"), null, Variant::text("3000000000")} << "I" << 4
                          << QStringList{"-42", "null", "null"} << QList<qint64>{} << QList<qint64>{3};
    QTest::newRow("COUNTER") << "COUNTER" << QList{Variant::integer(5), null, Variant::integer(17), Variant::integer(3)}
                             << "+" << 4 << QStringList{"5", "null", "17", "3"} << QList<qint64>{} << QList<qint64>{};
    // 2^53 + 1 ten-thousandths is no double; 1.23456 is rounded to the ten-thousandth.
    QTest::newRow("CURRENCY") << "CURRENCY"
                              << QList{Variant::currency(123456), null, Variant::currency(9007199254740993),
                                       Variant::decimal("1.23456")}
                              << "$" << 8 << QStringList{"12.3456", "null", "900719925474.0992", "1.2346"}
                              << QList<qint64>{3, 4} << QList<qint64>{};
    QTest::newRow("DECIMAL(p,s)") << "DECIMAL(10,2)"
                                  << QList{Variant::decimal("1234.5"), null, Variant::real(-0.125),
                                           Variant::text("1e30"), Variant::text("1e29")}
                                  << "#2" << 2 << QStringList{"1234.5", "null", "-0.13", "null", "1" + QString(29, '0')}
                                  << QList<qint64>{3} << QList<qint64>{4};
    QTest::newRow("NUMERIC(32,0)") << "NUMERIC(32,0)" << QList{Variant::decimal(QString(32, '9'))} << "#0" << 0
                                   << QStringList{QString(32, '9')} << QList<qint64>{} << QList<qint64>{};
    QTest::newRow("BIT") << "BIT" << QList{Variant::boolean(true), null, Variant::boolean(false), Variant::text("no")}
                         << "L" << 1 << QStringList{"true", "null", "false", "false"} << QList<qint64>{}
                         << QList<qint64>{};
    QTest::newRow("DATE") << "DATE"
                          << QList{Variant::date(QDate(1998, 7, 1)), null,
                                   Variant::dateTime(QDate(2001, 2, 3), 36000000), Variant::time(1000)}
                          << "D" << 4 << QStringList{"\"1998-07-01\"", "null", "\"2001-02-03\"", "null"}
                          << QList<qint64>{3} << QList<qint64>{4};
    QTest::newRow("LONGBINARY") << "LONGBINARY" << QList{Variant::bytes(QByteArray("\0\1\2", 3)), null} << "B" << 20
                                << QStringList{"{\"hex\": \"000102\"}", "null"} << QList<qint64>{} << QList<qint64>{};
    QTest::newRow("GENERAL") << "GENERAL" << QList{Variant::bytes(QByteArray(300, '\x7f')), null} << "O" << 20
                             << QStringList{"{\"hex\": \"" + QByteArray(300, '\x7f').toHex() + "\"}", "null"}
                             << QList<qint64>{} << QList<qint64>{};
    QTest::newRow("BINARY(n)") << "BINARY(4)"
                               << QList{Variant::bytes(QByteArray("\1\2", 2)), null, Variant::bytes("\1\2\3\4\5")}
                               << "Y4" << 4 << QStringList{"{\"hex\": \"01020000\"}", "null", "{\"hex\": \"01020304\"}"}
                               << QList<qint64>{3} << QList<qint64>{};
    // Words every copy uses export as before (tst_workdb has the others); TEXT alone is still MEMO.
    QTest::newRow("TEXT") << "TEXT" << QList{Variant::text(QString(300, u'm'))} << "M" << 20
                          << QStringList{'"' + QString(300, u'm') + '"'} << QList<qint64>{} << QList<qint64>{};
    QTest::newRow("FLOAT") << "FLOAT" << QList{Variant::decimal("0.1"), Variant::decimal("12345678901234567")} << "N"
                           << 8 << QStringList{"0.1", "12345678901234568"} << QList<qint64>{2} << QList<qint64>{};
    QTest::newRow("DECIMAL") << "DECIMAL" << QList{Variant::decimal("-12.125"), null} << "N" << 8
                             << QStringList{"-12.125", "null"} << QList<qint64>{} << QList<qint64>{};
}

// Each type word becomes its own Paradox field through the prepared export:
// the header's field, the values as pxlib reads them back, the values changed
// or lost on the way.
void WorkDbTest::typesBecomeTheirOwnFields()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    if (tw::paradoxtest::pxjson().isEmpty())
        QSKIP("pxjson cannot be built here");
    QFETCH(QString, word);
    QFETCH(QList<Variant>, values);
    QFETCH(QString, shown);
    QFETCH(int, size);
    QFETCH(QStringList, read);
    QFETCH(QList<qint64>, changed);
    QFETCH(QList<qint64>, lost);
    const tw::workdb::WorkColumn column = tw::workdb::workColumn("v", word);
    QCOMPARE(tw::workdb::shownType(tw::workdb::exportPlan({column}, 1252).fields.at(0)), shown);
    tw::paradox::FieldType type;
    QVERIFY(tw::paradox::typeFromLetter(shown.front(), &type));
    Connection work;
    openWork(work);
    work.Execute("CREATE TABLE `t`(`v` " + word + ");");
    const QString into = prepareExport(work, "t", values.size());
    Recordset rs;
    rs.Open("SELECT * FROM `t`", work, 2, 3);
    for (const Variant &value : values) {
        rs.AddNew();
        rs.fields()(0).setValue(value);
        rs.Update();
    }
    rs.Close();
    work.Execute(into);
    const QString path = m_dir->path() + "/px/t.db";
    const QByteArray header = tw::test::readAll(path);
    QVERIFY(header.size() > pxdb::kFieldInfo4x + 1);
    QCOMPARE(quint8(header[pxdb::kFieldInfo4x]), quint8(type));
    QCOMPARE(int(quint8(header[pxdb::kFieldInfo4x + 1])), size);
    // Paradox numbers the next autoincrement value on from the last one used.
    QCOMPARE(qint32(tw::encoding::getU32LE(tw::encoding::bytesOf(header.constData() + pxdb::kAutoIncrement))),
             word == "COUNTER" ? 17 : 0);
    QString error;
    QStringList rows = QString::fromUtf8(tw::paradoxtest::dumpWithPxjson(path, &error)).split(u'\n').mid(1);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (QString &row : rows)
        row = row.mid(1, row.size() - 2);
    QCOMPARE(rows, read + QStringList{""});
    QCOMPARE(rowsOf(work.changedValues()), changed);
    QCOMPARE(rowsOf(work.lostValues()), lost);
}

void WorkDbTest::definitionsOutOfRangeAreRefused()
{
    for (const char *word : {"TEXT(0)", "TEXT(256)", "BINARY(0)", "BINARY(256)", "DECIMAL(33,2)", "DECIMAL(5,6)",
                             "NUMERIC(10,-1)", "DECIMAL(10,2,1)"})
        QVERIFY_THROWS_EXCEPTION(RuntimeError, tw::workdb::workColumn("v", word));
}

void WorkDbTest::rowsWithoutAPreparedExportAreRefused_data()
{
    QTest::addColumn<QString>("prepared"); // told to the connection before the rows; DIR the test's folder
    QTest::addColumn<bool>("remade");      // the table dropped and made again after that
    QTest::newRow("nothing prepared") << QString() << false;
    QTest::newRow("another table's export")
        << "select * into [Paradox 5.x;Database=DIR\\px\\].[other.db] from [other]" << false;
    QTest::newRow("an export to another format") << "select * into [dBASE IV;Database=DIR].[t.dbf] from [t]" << false;
    QTest::newRow("the table made again") << "select * into [Paradox 5.x;Database=DIR\\px\\].[t.db] from [t]" << true;
}

// The work database keeps no rows: a row added to a work table no export was
// prepared for is refused, and the table stays without rows.
void WorkDbTest::rowsWithoutAPreparedExportAreRefused()
{
    QFETCH(QString, prepared);
    QFETCH(bool, remade);
    Connection work;
    openWork(work);
    const QString definition = "CREATE TABLE `t`(`a` MEMO,`n` INT);";
    work.Execute(definition);
    work.Execute("CREATE TABLE `other`(`a` MEMO);");
    if (!prepared.isEmpty())
        work.Prepare(prepared.replace("DIR", m_dir->path()), 1);
    if (remade) {
        work.Execute("DROP TABLE [t]");
        work.Execute(definition);
    }
    Recordset rs;
    rs.Open("SELECT * FROM `t`", work, 2, 3);
    rs.AddNew();
    rs.fields()(0).setValue(Variant::text("x"));
    try {
        rs.Update();
        QFAIL("the row was taken");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.description(),
                 QString("Rows cannot be added to 't': the work database writes rows only to the Paradox table an "
                         "export was prepared for, and none was prepared for it."));
    }
    QCOMPARE(rs.RecordCount(), qint64(0));
    rs.Close();
    rs.Open("SELECT * FROM `t`", work);
    QVERIFY(rs.Eof());
    QCOMPARE(rs.RecordCount(), qint64(0));
    rs.Close();
    // Its export writes the Paradox table with its fields and no rows.
    work.Execute(intoParadox("t", "t"));
    QStringList columns;
    QCOMPARE(readParadox("t", &columns).size(), 0);
    QCOMPARE(columns, QStringList({"a:201", "n:3"}));
}

#include "tst_workdb.moc"
