#include "MemoryProvider.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"

#include <QTest>

using namespace tw::ado;
using tw::test::MemoryProvider;

class ConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void connectionStringKeysIgnoreCase();
    void connectionStringKeepsBracedValues();
    void unknownProviderIsAClearError();
    void optionsReachTheProvider();
    void walkReturnsRowsInOrder();
    void schemaListsTables();
    void addNewConvertsAndAppends();
    void readOnlyRecordsetRefusesChanges();
    void closedObjectsRefuseWork();
    void recordsetOutlivesItsConnection();
    void fieldsByNameAndOrdinal();

private:
    std::shared_ptr<MemoryProvider> m_provider;
    std::unique_ptr<ScopedProvider> m_registration;
};

void ConnectionTest::init()
{
    m_provider = std::make_shared<MemoryProvider>();
    m_registration = std::make_unique<ScopedProvider>(m_provider);
}

void ConnectionTest::cleanup()
{
    m_registration.reset();
    m_provider.reset();
}

void ConnectionTest::connectionStringKeysIgnoreCase()
{
    const auto cs =
        ConnectionString::parse("Provider=vfpoledb.1;Data Source=C:\\My Data\\sales.dbc;Collating Sequence=machine;");
    QCOMPARE(cs.valueOr("PROVIDER"), QString("vfpoledb.1"));
    QCOMPARE(cs.valueOr("data source"), QString("C:\\My Data\\sales.dbc"));
    QCOMPARE(cs.valueOr("Collating Sequence"), QString("machine"));
    QVERIFY(!cs.has("Dbq"));
    // An empty value stays empty but present; values are not trimmed.
    const auto empty = ConnectionString::parse("Provider=vfpoledb.1;Data Source=;x= a ;");
    QVERIFY(empty.has("Data Source"));
    QCOMPARE(empty.valueOr("Data Source", "fallback"), QString());
    QCOMPARE(empty.valueOr("X"), QString(" a "));
}

void ConnectionTest::connectionStringKeepsBracedValues()
{
    const auto cs = ConnectionString::parse("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;"
                                            "Fil=Paradox 5.X;DefaultDir=/data/px;Dbq=/data/px;"
                                            "CollatingSequence=ASCII;");
    QCOMPARE(cs.valueOr("driver"), QString("{Microsoft Paradox Driver (*.db )}"));
    QCOMPARE(cs.valueOr("DBQ"), QString("/data/px"));
    QCOMPARE(ConnectionString::parse("Driver={a;b};X=1").valueOr("Driver"), QString("{a;b}"));
}

void ConnectionTest::unknownProviderIsAClearError()
{
    Connection connection;
    try {
        connection.Open("Provider=Nothing;Data Source=x;");
        QFAIL("opened an unknown provider");
    } catch (const RuntimeError &error) {
        QVERIFY(error.description().contains("Provider cannot be found"));
        QVERIFY(error.description().contains("Provider=Nothing"));
    }
    QCOMPARE(connection.State(), 0);
}

void ConnectionTest::optionsReachTheProvider()
{
    Connection connection;
    connection.CursorLocation = adUseClient;
    connection.Mode = adModeReadWrite;
    connection.CommandTimeout = 5000;
    connection.ConnectionTimeout = 5000;
    connection.Open("Provider=Memory;Data Source=a;");
    QCOMPARE(connection.State(), 1);
    QCOMPARE(m_provider->lastOptions.cursorLocation, adUseClient);
    QCOMPARE(m_provider->lastOptions.mode, adModeReadWrite);
    QCOMPARE(m_provider->lastOptions.commandTimeout, 5000);
    QCOMPARE(m_provider->lastOptions.connectionTimeout, 5000);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, connection.Open("Provider=Memory;Data Source=a;"));
    m_provider->database("broken").failOpen = true;
    Connection failing;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, failing.Open("Provider=Memory;Data Source=broken;"));
    QCOMPARE(failing.State(), 0);
}

void ConnectionTest::walkReturnsRowsInOrder()
{
    Connection connection;
    connection.Open("provider=memory;data source=db;");
    connection.Execute("CREATE TABLE `t`(`name` MEMO,`n` INT);");
    connection.Execute("INSERT INTO `t` VALUES('a', '1')");
    connection.Execute("INSERT INTO `t` VALUES('b', '2')");
    connection.Execute("INSERT INTO `t` VALUES('c', NULL)");
    Recordset rs;
    rs.CursorLocation = adUseClient;
    rs.Open("SELECT * FROM \"t\"", connection);
    QCOMPARE(rs.RecordCount(), qint64(3));
    QStringList seen;
    while (!rs.Eof()) {
        seen << rs.fields()(0).Value().toText() + rs.fields()(1).Value().toText();
        rs.MoveNext();
    }
    QCOMPARE(seen, QStringList({"a1", "b2", "c"}));
    QVERIFY(rs.fields()(1).Value().isEmpty()); // no current row
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.MoveNext());
    rs.Close();
    QCOMPARE(rs.State(), 0);
}

void ConnectionTest::schemaListsTables()
{
    Connection connection;
    connection.Open("Provider=Memory;Data Source=s;");
    connection.Execute("CREATE TABLE [orders]([a] M)");
    m_provider->database("s").tables["V"].type = "VIEW";
    Recordset schema = connection.OpenSchema(adSchemaTables);
    QStringList rows;
    for (; !schema.Eof(); schema.MoveNext())
        rows << schema.fields()("TABLE_NAME").Value().toText() + "/" + schema.fields()("table_type").Value().toText();
    QCOMPARE(rows, QStringList({"ORDERS/TABLE", "V/VIEW"}));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, connection.OpenSchema(4));
}

void ConnectionTest::addNewConvertsAndAppends()
{
    Connection connection;
    connection.Open("Provider=Memory;Data Source=w;");
    connection.Execute("CREATE TABLE `w`(`n` INT,`x` FLOAT,`m` MEMO);");
    Recordset rs;
    rs.Open("SELECT * FROM `w`", connection, adOpenDynamic, adLockOptimistic);
    QVERIFY(rs.Eof());
    for (int i = 0; i < 2; ++i) {
        rs.AddNew();
        rs.fields()(0).setValue(Variant::text(QString::number(40 + i)));
        rs.fields()(1).setValue(Variant::currency(25000));
        // A value that cannot be converted fails at once and leaves the field as it was.
        QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.fields()(0).setValue(Variant::text("forty")));
        rs.Update();
        // The fields still show the row handed over.
        QCOMPARE(rs.fields()(0).Value(), Variant::integer(40 + i));
        QCOMPARE(rs.fields()(1).Value(), Variant::real(2.5));
    }
    const auto &rows = m_provider->database("w").tables["W"].rows;
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[1][0], Variant::integer(41));
    QCOMPARE(rows[1][1], Variant::real(2.5));
    QVERIFY(rows[1][2].isEmpty()); // never set
    // Update without AddNew, and assignment outside AddNew, are refused.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.Update());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.fields()(0).setValue(Variant::integer(1)));
}

void ConnectionTest::readOnlyRecordsetRefusesChanges()
{
    Connection connection;
    connection.Open("Provider=Memory;Data Source=r;");
    connection.Execute("CREATE TABLE `r`(`n` INT);");
    Recordset rs;
    rs.Open("SELECT * FROM `r`", connection);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.AddNew());
    QVERIFY(m_provider->database("r").tables["R"].rows.empty());
}

void ConnectionTest::closedObjectsRefuseWork()
{
    Connection connection;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, connection.Execute("DROP TABLE [x]"));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, connection.Close());
    Recordset rs;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.Eof());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.RecordCount());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.Open("SELECT * FROM x", connection));
    connection.Open("Provider=Memory;Data Source=c;");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.Open("SELECT * FROM missing", connection));
    QCOMPARE(rs.State(), 0);
}

void ConnectionTest::recordsetOutlivesItsConnection()
{
    Recordset rs;
    {
        Connection connection;
        connection.Open("Provider=Memory;Data Source=o;");
        connection.Execute("CREATE TABLE `o`(`m` MEMO);");
        connection.Execute("INSERT INTO `o` VALUES('kept')");
        rs.Open("SELECT * FROM `o`", connection);
        connection.Close();
    }
    QCOMPARE(rs.fields()(0).Value().toText(), QString("kept"));
}

void ConnectionTest::fieldsByNameAndOrdinal()
{
    Connection connection;
    connection.Open("Provider=Memory;Data Source=f;");
    connection.Execute("CREATE TABLE `f`(`Customer Name` MEMO,`Qty` INT);");
    Recordset rs;
    rs.Open("SELECT * FROM `f`", connection);
    QCOMPARE(rs.fields().count(), 2);
    QCOMPARE(rs.fields()("customer name").name(), QString("Customer Name"));
    QCOMPARE(rs.fields()(1).Type(), int(adInteger));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.fields()(2));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.fields()(-1));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.fields()("nope"));
}

QTEST_APPLESS_MAIN(ConnectionTest)
#include "tst_connection.moc"
