// The FoxPro provider through ADO: which connection strings it takes, how a
// container or a folder opens, OpenSchema(20), SELECT by name, and errors.

#include "TableDump.h"
#include "TableFiles.h"
#include "TestSupport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/foxpro/FoxProSession.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace tw;
using tw::ado::RuntimeError;

namespace {

QString connectionTo(const QString &source, const QString &collation = "machine")
{
    return QStringLiteral("Provider=vfpoledb.1;Data Source=%1;Collating Sequence=%2;").arg(source, collation);
}

QString openError(const QString &connectionString)
{
    try {
        ado::Connection c;
        c.Open(connectionString);
    } catch (const RuntimeError &e) {
        return e.description();
    }
    return {};
}

QStringList schemaRows(ado::Connection &c, const QString &type)
{
    ado::Recordset rs = c.OpenSchema(ado::adSchemaTables);
    QStringList names;
    while (!rs.Eof()) {
        if (rs.fields()("TABLE_TYPE").Value().asText() == type)
            names << rs.fields()("TABLE_NAME").Value().asText();
        rs.MoveNext();
    }
    return names;
}

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        QFile::copy(from + "/" + name, to + "/" + name);
        QFile(to + "/" + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
}

} // namespace

class FoxProProviderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void acceptsOnlyItsProviderKey();
    void openingFailsClearly();
    void folderSchemaListsFreeTablesOnly();
    void containerSchemaListsTablesAndViews();
    void containersDecideWhoseTableItIs();
    void folderListsDbaseTablesButNotDbase7();
    void selectFromFolderByAnyQuoting();
    void selectFromContainerUsesLongNames();
    void missingTableAndOtherStatementsFail();
    void cursorOutlivesItsConnection();
    void chosenCodePageOverridesTheMark_data();
    void chosenCodePageOverridesTheMark();
    void rowsReadByPosition();
    void registerProviderAddsItToTheRegistry();

private:
    std::unique_ptr<ado::ScopedProvider> m_provider;
    QTemporaryDir m_dir;
    QString m_free;
    QString m_db;
};

void FoxProProviderTest::initTestCase()
{
    m_provider = std::make_unique<ado::ScopedProvider>(std::make_shared<foxpro::FoxProProvider>());
    if (tw::test::sharedDir().isEmpty())
        return;
    m_free = m_dir.filePath("free");
    m_db = m_dir.filePath("db");
    copyFolder(tw::test::sharedDir() + "/corpus/foxpro/free", m_free);
    copyFolder(tw::test::sharedDir() + "/corpus/foxpro/foxprodb", m_db);
}

void FoxProProviderTest::acceptsOnlyItsProviderKey()
{
    foxpro::FoxProProvider provider;
    QVERIFY(provider.accepts(ado::ConnectionString::parse("Provider=VFPOLEDB.1;Data Source=x;")));
    QVERIFY(provider.accepts(ado::ConnectionString::parse("provider=vfpoledb.1;data source=x")));
    QVERIFY(!provider.accepts(ado::ConnectionString::parse("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=x;")));
    QVERIFY(!provider.accepts(ado::ConnectionString::parse("Provider=vfpoledb;Data Source=x;")));
    QVERIFY(!provider.accepts(ado::ConnectionString::parse("Driver={Microsoft Paradox Driver (*.db )};Dbq=x;")));
}

void FoxProProviderTest::openingFailsClearly()
{
    QVERIFY(openError(connectionTo("")).contains("no Data Source"));
    const QString nowhere = m_dir.filePath("nowhere/sales.dbc");
    QString error = openError(connectionTo(nowhere));
    QVERIFY2(error.contains("neither a database container") && error.contains("sales.dbc"), qPrintable(error));
    const QString notDbc = m_dir.filePath("plain.txt");
    tw::test::writeAll(notDbc, "hello");
    QVERIFY(openError(connectionTo(notDbc)).contains("neither"));
    // A .dbc full of garbage names the file.
    const QString garbage = m_dir.filePath("garbage.dbc");
    tw::test::writeAll(garbage, QByteArray(2000, '\x5a'));
    error = openError(connectionTo(garbage));
    QVERIFY2(error.contains("garbage.dbc"), qPrintable(error));
    // A real table is no container.
    if (!m_free.isEmpty()) {
        const QString fake = m_dir.filePath("fake.dbc");
        QFile::copy(m_free + "/dbase_03.dbf", fake);
        error = openError(connectionTo(fake));
        QVERIFY2(error.contains("not a database container"), qPrintable(error));
    }
}

void FoxProProviderTest::folderSchemaListsFreeTablesOnly()
{
    if (m_free.isEmpty())
        QSKIP("no shared corpus on this machine");
    ado::Connection c;
    c.Open(connectionTo(QDir::toNativeSeparators(m_free).replace('/', '\\'), "general"));
    // cp1251 and dbase_31 carry backlinks to containers that are not there: free tables, with a word.
    QCOMPARE(schemaRows(c, "TABLE"),
             QStringList({"cp1251", "dbase_03", "dbase_30", "dbase_31", "dbase_32", "dbase_f5", "memotest"}));
    QCOMPARE(c.OpenSchema(ado::adSchemaTables).warnings(),
             QStringList({"cp1251.dbf names the database odb.dbc, which is not there; it is read as a free table.",
                          "dbase_31.dbf names the database northwind.dbc, which is not there; it is read as a free "
                          "table."}));
}

void FoxProProviderTest::containersDecideWhoseTableItIs()
{
    // A table whose container is missing is a free table everywhere; one whose
    // container is there, but not opened, is that container's.
    using namespace tw::foxpro::test;
    QTemporaryDir dir;
    const std::vector<FieldLayout> fields = {{"NAME", 'C', 4}};
    QDir().mkpath(dir.filePath("sub"));
    tw::test::writeAll(dir.filePath("orphan.dbf"), buildDbf(0x30, fields, {" abcd"}, 0x03, "gone.dbc"));
    tw::test::writeAll(dir.filePath("owned.dbf"), buildDbf(0x30, fields, {" efgh"}, 0x03, "Sub\\Sales.DBC"));
    tw::test::writeAll(dir.filePath("sub/sales.dbc"), QByteArray("a container"));
    tw::test::writeAll(dir.filePath("moved.dbf"), buildDbf(0x30, fields, {" ijkl"}, 0x03, "c:\\old\\here.dbc"));
    tw::test::writeAll(dir.filePath("HERE.DBC"), QByteArray("a container"));
    ado::Connection c;
    c.Open(connectionTo(dir.path()));
    QCOMPARE(schemaRows(c, "TABLE"), QStringList({"orphan"}));
    QCOMPARE(c.OpenSchema(ado::adSchemaTables).warnings(),
             QStringList({"moved.dbf belongs to the database HERE.DBC and is left out; open that database to use it.",
                          "orphan.dbf names the database gone.dbc, which is not there; it is read as a free table.",
                          "owned.dbf belongs to the database sales.dbc and is left out; open that database to use "
                          "it."}));
    ado::Recordset rs;
    rs.Open("SELECT * FROM orphan", c);
    QCOMPARE(rs.fields()(0).Value().asText(), QString("abcd"));
    QCOMPARE(rs.warnings(), QStringList({"orphan.dbf names the database gone.dbc, which is not there; it is read as "
                                         "a free table."}));
    ado::Recordset owned;
    owned.Open("SELECT * FROM owned", c);
    QCOMPARE(owned.warnings(),
             QStringList({"owned.dbf belongs to the database sales.dbc; it is read without the database's names."}));
    QCOMPARE(foxpro::owningContainer(dir.filePath("orphan.dbf")), QString());
    QCOMPARE(foxpro::owningContainer(dir.filePath("owned.dbf")), QString("SALES.DBC"));
    QCOMPARE(foxpro::containerOwningListedTable(dir.path(), "MOVED"), QString("HERE.DBC"));
    // The commands ask the connection: the owner, and names as a CREATE TABLE takes them.
    QCOMPARE(c.ContainerOwning(dir.filePath("owned.dbf")), QString("SALES.DBC"));
    QCOMPARE(c.ContainerOwning(dir.filePath("orphan.dbf")), QString());
    QCOMPARE(c.ColumnNamesFor({"Unit Price", "Unit/Price"}, 1252), QStringList({"Unit_Price", "Unit_Pric2"}));
}

void FoxProProviderTest::containerSchemaListsTablesAndViews()
{
    if (m_db.isEmpty())
        QSKIP("no shared corpus on this machine");
    ado::Connection c;
    c.Open(connectionTo(m_db + "/foxpro-db-test.dbc")); // letter case differs from the file's
    QCOMPARE(schemaRows(c, "TABLE"), QStringList({"types", "setup", "contacts", "calls"}));
    QCOMPARE(schemaRows(c, "VIEW"), QStringList());
}

void FoxProProviderTest::folderListsDbaseTablesButNotDbase7()
{
    using namespace tw::foxpro::test;
    QTemporaryDir dir;
    std::vector<quint32> blocks;
    const QByteArray dbt3 = buildDbt3({"three"}, &blocks);
    const QByteArray dbt4 = buildDbt4(512, {"four"}, &blocks);
    const std::vector<FieldLayout> fields = {{"NAME", 'C', 4}, {"NOTES", 'M', 10}};
    const QByteArray row = " abcd" + dbtPointer(1);
    tw::test::writeAll(dir.filePath("three.dbf"), buildDbf(0x83, fields, {row}));
    tw::test::writeAll(dir.filePath("three.dbt"), dbt3);
    tw::test::writeAll(dir.filePath("FOUR.DBF"), buildDbf(0x8B, fields, {row}));
    tw::test::writeAll(dir.filePath("FOUR.DBT"), dbt4);
    tw::test::writeAll(dir.filePath("seven.dbf"), buildDbf(0x04, {{"NAME", 'C', 4}}, {" abcd"}));
    tw::test::writeAll(dir.filePath("sevenmemo.dbf"), buildDbf(0x8C, fields, {row}));
    tw::test::writeAll(dir.filePath("garbage.dbf"), QByteArray(40, '\x7f'));

    ado::Connection c;
    c.Open(connectionTo(dir.path()));
    // A damaged header is listed (opening it says why); a type FoxPro does not open is not.
    QCOMPARE(schemaRows(c, "TABLE"), QStringList({"FOUR", "garbage", "three"}));
    for (const auto &[table, memo] : {std::pair{"three", "three"}, std::pair{"four", "four"}}) {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM %1").arg(table), c);
        QCOMPARE(rs.fields()(1).name(), QString("notes"));
        QCOMPARE(rs.fields()(1).Value().asText(), QString(memo));
    }
    for (const char *table : {"seven", "sevenmemo"}) {
        try {
            ado::Recordset rs;
            rs.Open(QStringLiteral("SELECT * FROM %1").arg(table), c);
            QFAIL("a dBase 7 table opened");
        } catch (const RuntimeError &e) {
            QVERIFY2(e.description().startsWith(QStringLiteral("%1.dbf: it is a dBase 7 table").arg(table)) &&
                         e.description().contains("which FoxPro does not open"),
                     qPrintable(e.description()));
        }
    }
}

void FoxProProviderTest::selectFromFolderByAnyQuoting()
{
    if (m_free.isEmpty())
        QSKIP("no shared corpus on this machine");
    ado::Connection c;
    c.Open(connectionTo(m_free));
    for (const QString &sql : {QString("SELECT * FROM \"Dbase_30\""), QString("select * from [DBASE_30]"),
                               QString("SELECT * FROM `dbase_30`")}) {
        ado::Recordset rs;
        rs.Open(sql, c);
        QCOMPARE(rs.fields().count(), 145);
        QCOMPARE(rs.fields()(0).name(), QString("accessno"));
        QCOMPARE(rs.fields()(2).Type(), int(ado::adLongVarChar));
        qint64 rows = 0;
        for (; !rs.Eof(); rs.MoveNext())
            ++rows;
        QCOMPARE(rs.RecordCount(), rows);
        QCOMPARE(rows, qint64(34));
    }
    // The table is found by path too.
    ado::Recordset rs;
    rs.Open("SELECT * FROM [" + m_free + "/memotest.dbf]", c);
    QCOMPARE(rs.fields()(2).name(), QString("memo"));
}

void FoxProProviderTest::selectFromContainerUsesLongNames()
{
    if (m_db.isEmpty())
        QSKIP("no shared corpus on this machine");
    ado::Connection c;
    c.Open(connectionTo(m_db + "/FOXPRO-DB-TEST.DBC"));
    ado::Recordset rs;
    rs.Open("SELECT * FROM [Contacts]", c);
    QCOMPARE(rs.fields()(0).name(), QString("contact_id"));
    QCOMPARE(rs.fields()(10).name(), QString("company_name"));
    QCOMPARE(rs.fields()(28).name(), QString("contacts_interests"));
    QCOMPARE(rs.RecordCount(), qint64(5));
    ado::Recordset types;
    types.Open("SELECT * FROM types", c);
    QCOMPARE(types.fields()(1).name(), QString("contact_type"));
    QCOMPARE(types.fields()(0).Type(), int(ado::adInteger));
}

void FoxProProviderTest::missingTableAndOtherStatementsFail()
{
    if (m_db.isEmpty())
        QSKIP("no shared corpus on this machine");
    ado::Connection c;
    c.Open(connectionTo(m_db + "/FOXPRO-DB-TEST.DBC"));
    try {
        ado::Recordset rs;
        rs.Open("SELECT * FROM orders", c);
        QFAIL("a missing table opened");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.description(), QString("Table 'orders' does not exist in %1.").arg(m_db + "/FOXPRO-DB-TEST.DBC"));
    }
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute("SELECT * FROM types"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute("select * into [Paradox 5.x;Database=/tmp].[x.db] from [types]"));
    ado::Connection folder;
    folder.Open(connectionTo(m_free));
    try {
        ado::Recordset rs;
        rs.Open("SELECT * FROM [orders]", folder);
        QFAIL("a missing table opened");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.description(), QString("Table 'orders' does not exist in %1.").arg(m_free));
    }
}

void FoxProProviderTest::cursorOutlivesItsConnection()
{
    if (m_free.isEmpty())
        QSKIP("no shared corpus on this machine");
    ado::Recordset rs;
    {
        ado::Connection c;
        c.Open(connectionTo(m_free));
        rs.Open("SELECT * FROM dbase_f5", c);
        c.Close();
    }
    qint64 rows = 0;
    for (; !rs.Eof(); rs.MoveNext())
        ++rows;
    QCOMPARE(rows, rs.RecordCount());
}

void FoxProProviderTest::registerProviderAddsItToTheRegistry()
{
    m_provider.reset();
    const auto cs = ado::ConnectionString::parse("Provider=vfpoledb.1;Data Source=/;");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, ado::ProviderRegistry::instance().find(cs));
    foxpro::registerProvider();
    const auto provider = ado::ProviderRegistry::instance().find(cs);
    QVERIFY(dynamic_cast<foxpro::FoxProProvider *>(provider.get()));
    ado::ProviderRegistry::instance().remove(provider.get());
}

void FoxProProviderTest::chosenCodePageOverridesTheMark_data()
{
    QTest::addColumn<int>("mark");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("reported");
    // "Дом" in code page 866 is 84 AE AC; in 1251 those bytes read "„®¬"-like.
    QTest::newRow("no mark, none chosen") << 0x00 << 0 << QString::fromUtf8("„®¬") << 0;
    QTest::newRow("no mark, 866 chosen") << 0x00 << 866 << QString::fromUtf8("Дом") << 866;
    QTest::newRow("1252 mark, 866 chosen") << 0x03 << 866 << QString::fromUtf8("Дом") << 866;
    QTest::newRow("866 mark, 1252 chosen") << 0x65 << 1252 << QString::fromUtf8("„®¬") << 1252;
    QTest::newRow("866 mark, page without converter") << 0x65 << 99999 << QString::fromUtf8("Дом") << 866;
}

void FoxProProviderTest::chosenCodePageOverridesTheMark()
{
    QFETCH(int, mark);
    QFETCH(int, chosen);
    QFETCH(QString, text);
    QFETCH(int, reported);
    QTemporaryDir dir;
    const QByteArray dbf = foxpro::test::buildDbf(0x30, {{"NAME", 'C', 3}}, {QByteArray(" \x84\xAE\xAC")},
                                                  static_cast<unsigned char>(mark));
    QFile file(dir.filePath("t.dbf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(dbf);
    file.close();
    ado::Connection c;
    c.setReadCodePage(chosen); // kept for the session Open makes
    c.Open(connectionTo(dir.path()));
    ado::Recordset rs;
    rs.Open("SELECT * FROM t", c);
    QCOMPARE(rs.fields()(0).Value().asText(), text);
    QCOMPARE(rs.codePage(), reported);
}

void FoxProProviderTest::rowsReadByPosition()
{
    QTemporaryDir dir;
    // Record 2 is deleted, record 4 holds a date that is none.
    const std::vector<QByteArray> records{" A   20210304", "*B   20210305", " C   20210306", " D   2021x307",
                                          " E   20210308"};
    QFile file(dir.filePath("t.dbf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(foxpro::test::buildDbf(0x30, {{"NAME", 'C', 4}, {"DAY", 'D', 8}}, records));
    file.close();
    ado::Connection c;
    c.Open(connectionTo(dir.path()));
    const std::unique_ptr<ado::RowSource> rows = c.session()->openRows("T");
    QVERIFY(rows);
    c.Close(); // the rows keep their own files
    QCOMPARE(rows->positions(), qint64(5));
    QCOMPARE(rows->fields().at(1).type, QString("D"));
    QCOMPARE(rows->fields().at(1).width, 8);
    QCOMPARE(rows->columns().at(0).name, QString("name"));
    std::vector<ado::Variant> row;
    ado::RowNotes notes;
    for (const qint64 position : {4, 0, 3, 1, 2, 4}) {
        rows->read(position, row, notes);
        QCOMPARE(row.at(0).asText(), QString(QChar(char16_t(u'A' + position))));
        QCOMPARE(notes.deleted, position == 1);
        QCOMPARE(notes.damaged.size(), size_t(position == 3 ? 1 : 0));
        QCOMPARE(row.at(1).isNull(), position == 3);
    }
    rows->read(3, row, notes);
    QCOMPARE(notes.damaged.at(0).first, 1);
    QVERIFY2(notes.damaged.at(0).second.contains("2021x307"), qPrintable(notes.damaged.at(0).second));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rows->read(5, row, notes));
}

QTEST_GUILESS_MAIN(FoxProProviderTest)
#include "tst_foxpro_provider.moc"
