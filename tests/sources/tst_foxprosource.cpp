#include "MemoryProvider.h"
#include "common/ConnectionSettings.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "sources/Foxpro.h"

#include <QTest>

using namespace tw;
using tw::test::MemoryProvider;

class FoxproSourceTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void connectionStringFollowsTheOption();
    void openTestAnswersWithoutRaising();
    void listHoldsTablesOnlyInProviderOrder();
    void failedOpenLeavesTheListAsItWas();
    void existTableIgnoresCaseAndViews();

private:
    std::shared_ptr<MemoryProvider> m_provider;
    std::unique_ptr<ado::ScopedProvider> m_registration;
};

void FoxproSourceTest::init()
{
    m_provider = std::make_shared<MemoryProvider>();
    m_provider->acceptedProvider = "vfpoledb.1";
    m_registration = std::make_unique<ado::ScopedProvider>(m_provider);
    auto &db = m_provider->database("C:\\Data\\sales.dbc");
    db.tables["CUSTOMER"] = {};
    db.tables["ORDERS"] = {};
    db.tables["ORDER_VIEW"].type = "VIEW";
    db.tables["SYS"].type = "SYSTEM TABLE";
    db.tables["LOWER"].type = "table"; // not exactly "TABLE"
}

void FoxproSourceTest::cleanup()
{
    m_registration.reset();
}

void FoxproSourceTest::connectionStringFollowsTheOption()
{
    PlainConnectionSettings settings;
    settings.useDbc = true;
    settings.dbc = " C:\\My Data\\sales.dbc";
    settings.freeTables = "/data/free";
    QCOMPARE(FoxproSource::FoxProConnectionString(settings),
             QString("Provider=vfpoledb.1;Data Source= C:\\My Data\\sales.dbc;Collating Sequence=machine;"));
    settings.useDbc = false;
    QCOMPARE(FoxproSource::FoxProConnectionString(settings),
             QString("Provider=vfpoledb.1;Data Source=/data/free;Collating Sequence=general;"));
    settings.useDbc = true;
    settings.dbc.clear();
    QCOMPARE(FoxproSource::FoxProConnectionString(settings),
             QString("Provider=vfpoledb.1;Data Source=;Collating Sequence=machine;"));
}

void FoxproSourceTest::openTestAnswersWithoutRaising()
{
    PlainConnectionSettings settings;
    settings.useDbc = true;
    settings.dbc = "C:\\Data\\sales.dbc";
    QVERIFY(FoxproSource::OpenFoxProConnection(settings));
    QCOMPARE(m_provider->lastOptions.cursorLocation, 2);
    m_provider->refused << "";
    settings.dbc.clear();
    QVERIFY(!FoxproSource::OpenFoxProConnection(settings));
    m_registration.reset(); // no provider at all
    settings.dbc = "C:\\Data\\sales.dbc";
    QVERIFY(!FoxproSource::OpenFoxProConnection(settings));
}

void FoxproSourceTest::listHoldsTablesOnlyInProviderOrder()
{
    MemoryTableList list({"stale"});
    FoxproSource::ListFoxProTables(list,
                                   "Provider=vfpoledb.1;Data Source=C:\\Data\\sales.dbc;Collating Sequence=machine;");
    QCOMPARE(list.items(), QStringList({"CUSTOMER", "ORDERS"}));
    FoxproSource::ListFoxProTables(list, "Provider=vfpoledb.1;Data Source=empty;");
    QCOMPARE(list.count(), 0);
}

void FoxproSourceTest::failedOpenLeavesTheListAsItWas()
{
    MemoryTableList list({"kept"});
    m_provider->refused << "gone";
    QVERIFY_THROWS_EXCEPTION(ado::RuntimeError,
                             FoxproSource::ListFoxProTables(list, "Provider=vfpoledb.1;Data Source=gone;"));
    QCOMPARE(list.items(), QStringList({"kept"}));
}

void FoxproSourceTest::existTableIgnoresCaseAndViews()
{
    ado::Connection connection;
    connection.Open("Provider=vfpoledb.1;Data Source=C:\\Data\\sales.dbc;");
    QVERIFY(FoxproSource::ExistTable(connection, "orders"));
    QVERIFY(FoxproSource::ExistTable(connection, "Customer"));
    QVERIFY(!FoxproSource::ExistTable(connection, "order_view"));
    QVERIFY(!FoxproSource::ExistTable(connection, "lower"));
    QVERIFY(!FoxproSource::ExistTable(connection, "order"));
}

QTEST_APPLESS_MAIN(FoxproSourceTest)
#include "tst_foxprosource.moc"
