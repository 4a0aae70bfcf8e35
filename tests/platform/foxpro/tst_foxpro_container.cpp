// Database containers: reading tables, views and long names; CREATE TABLE and
// DROP TABLE on a container connection, with the records, backlinks and the
// .dcx index that Visual FoxPro expects (checked by dcxcheck.py --strict).

#include "TableDump.h"
#include "TableFiles.h"
#include "TestSupport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/foxpro/Container.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/foxpro/PropertyList.h"
#include "platform/foxpro/TableReader.h"
#include "platform/foxpro/TableWriter.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace tw;
using tw::ado::RuntimeError;

namespace {

QString dcxcheck(const QString &dbc)
{
    const auto r = tw::test::run("/usr/bin/python3",
                                 {tw::test::sharedDir() + "/tools/dcxcheck.py", "--strict", "--no-xbase", dbc});
    return r.exitCode == 0 ? QString() : QString::fromUtf8(r.out + r.err);
}

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        QFile::copy(from + "/" + name, to + "/" + name);
        QFile(to + "/" + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
}

QStringList schema(ado::Connection &c, const QString &type)
{
    ado::Recordset rs = c.OpenSchema(ado::adSchemaTables);
    QStringList names;
    for (; !rs.Eof(); rs.MoveNext())
        if (rs.fields()("TABLE_TYPE").Value().asText() == type)
            names << rs.fields()("TABLE_NAME").Value().asText();
    return names;
}

// The live records of a container as "OBJECTID PARENTID OBJECTTYPE", those of one type only when asked.
QStringList records(const QString &dbc, const QString &type = {})
{
    foxpro::TableReader reader(dbc);
    std::vector<ado::Variant> row;
    QStringList out;
    while (reader.next()) {
        reader.values(row);
        const QString rowType = row[2].toText().trimmed();
        if (type.isEmpty() || rowType == type)
            out << QStringLiteral("%1 %2 %3").arg(row[0].toText(), row[1].toText(), rowType);
    }
    return out;
}

} // namespace

class ContainerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void propertyListRoundTrip();
    void readsTheCorpusContainer();
    void rebuiltIndexOfAnUnchangedContainerPasses();
    void createTableAddsRecordsBacklinkAndIndex();
    void tablesInSubfoldersAndManyObjects();
    void dropTableRemovesRecordsAndFiles();
    void dropTableTakesTheRelationsNamingItAlong();
    void damagedContainersFailClearly();
    void newContainerAsVisualFoxProWritesIt();
    void viewsAreListedNotRead();
    void flippedContainerBytesFailCleanly();
    void tableMovedBesideTheContainerIsFound();
    void foreignTableFileIsRefused_data();
    void foreignTableFileIsRefused();
    void ownTableFileInAnotherFormStillReads();
    void namesTheContainerCodePageCannotHold();

private:
    QString connectionString() const
    {
        return QStringLiteral("Provider=vfpoledb.1;Data Source=%1;Collating Sequence=machine;").arg(m_dbc);
    }
    std::unique_ptr<ado::ScopedProvider> m_provider;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString m_dbc;
};

void ContainerTest::init()
{
    if (!m_provider)
        m_provider = std::make_unique<ado::ScopedProvider>(std::make_shared<foxpro::FoxProProvider>());
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->filePath("db");
    copyFolder(tw::test::sharedDir() + "/corpus/foxpro/foxprodb", m_folder);
    m_dbc = m_folder + "/FOXPRO-DB-TEST.DBC";
}

void ContainerTest::propertyListRoundTrip()
{
    // The corpus's "types" table record.
    const QByteArray stored =
        QByteArray::fromHex("08000000010002011100000001000174797065732e646266000f000000010014747970655f696400");
    const auto list = foxpro::PropertyList::decode(stored);
    QCOMPARE(list.entries().size(), size_t(3));
    QCOMPARE(*list.string(foxpro::property::kPath), QByteArray("types.dbf"));
    QCOMPARE(*list.value(foxpro::property::kClass), QByteArray("\x01"));
    QCOMPARE(*list.string(foxpro::property::kPrimaryKey), QByteArray("type_id"));
    QCOMPARE(list.encode(), stored);
    // A damaged tail is left out.
    QCOMPARE(foxpro::PropertyList::decode(stored.left(stored.size() - 3)).entries().size(), size_t(2));
    QCOMPARE(foxpro::PropertyList::decode(QByteArray("\xff\xff\xff\x7f\x01\x00\x01", 7)).entries().size(), size_t(0));
}

void ContainerTest::readsTheCorpusContainer()
{
    foxpro::Container container(m_dbc);
    const auto tables = container.tables();
    QCOMPARE(int(tables.size()), 4);
    QCOMPARE(tables[2].name, QString("contacts"));
    QCOMPARE(tables[2].relativePath, QString("contacts.dbf"));
    QCOMPARE(container.tablePath(tables[2]),
             tw::test::onWindows() ? QDir::toNativeSeparators(m_folder + "/contacts.dbf") : m_folder + "/contacts.dbf");
    QCOMPARE(container.fieldNames(tables[2].objectId).size(), 29);
    QVERIFY(container.findTable("CALLS"));
    QVERIFY(!container.findTable("orders"));
    QCOMPARE(container.views(), QStringList());
}

void ContainerTest::rebuiltIndexOfAnUnchangedContainerPasses()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    foxpro::Container container(m_dbc);
    container.rebuildIndex();
    const QString problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void ContainerTest::createTableAddsRecordsBacklinkAndIndex()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    ado::Connection c;
    c.Open(connectionString());
    c.Execute("CREATE TABLE [" + m_folder + "\\Orders.dbf]([Customer_name] M,[Customer_notes] M,[Scan] BLOB);");
    c.Execute("INSERT INTO `" + m_folder + "\\Orders.dbf` VALUES('Ann','first','\x01\x02')");
    QVERIFY(schema(c, "TABLE").contains("orders"));

    // The DBF keeps 10-character names; the container the long ones.
    foxpro::TableReader table(m_folder + "/Orders.dbf");
    QCOMPARE(table.header().fields[0].name, QString("CUSTOMER_N"));
    QCOMPARE(table.header().fields[1].name, QString("CUSTOMER_2"));
    QCOMPARE(table.header().backlink, QByteArray("foxpro-db-test.dbc"));
    ado::Recordset rs;
    rs.Open("SELECT * FROM [ORDERS]", c);
    QCOMPARE(rs.fields()(0).name(), QString("customer_name"));
    QCOMPARE(rs.fields()(1).name(), QString("customer_notes"));
    QCOMPARE(rs.fields()(2).name(), QString("scan"));
    QCOMPARE(rs.fields()(0).Value().asText(), QString("Ann"));

    foxpro::Container container(m_dbc);
    const auto entry = container.findTable("orders");
    QVERIFY(entry);
    QCOMPARE(entry->relativePath, QString("orders.dbf"));
    QCOMPARE(container.fieldNames(entry->objectId), QStringList({"customer_name", "customer_notes", "scan"}));

    const QString problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    const auto dump = tw::test::run("/usr/bin/python3", {tw::test::sharedDir() + "/tools/dbfjson.py", m_dbc});
    QCOMPARE(dump.exitCode, 0);
    QVERIFY(dump.out.contains("\"customer_notes\""));
    const auto cmp = foxpro::test::compareWithDbfjson(m_dbc, foxpro::test::dumpWithReader(m_dbc));
    QVERIFY2(cmp.ok, qPrintable(cmp.details));

    // A second table of that name is refused, and no file is touched.
    const QByteArray before = tw::test::readAll(m_dbc);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute("CREATE TABLE [" + m_folder + "/sub/orders.dbf]([a] M)"));
    QCOMPARE(tw::test::readAll(m_dbc), before);
}

void ContainerTest::tablesInSubfoldersAndManyObjects()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    QDir(m_folder).mkpath("data/2024");
    ado::Connection c;
    c.Open(connectionString());
    c.Execute("CREATE TABLE [" + m_folder + "\\data\\2024\\ledger.dbf]([entry] M)");
    foxpro::TableReader ledger(m_folder + "/data/2024/ledger.dbf");
    QCOMPARE(ledger.header().backlink, QByteArray("..\\..\\foxpro-db-test.dbc"));
    foxpro::Container container(m_dbc);
    QCOMPARE(container.findTable("ledger")->relativePath, QString("data\\2024\\ledger.dbf"));
    ado::Recordset rs;
    rs.Open("SELECT * FROM ledger", c);
    QCOMPARE(rs.fields()(0).name(), QString("entry"));

    // Enough objects for interior pages on every level of both tags.
    for (int t = 0; t < 40; ++t) {
        QStringList columns;
        for (int f = 0; f < 12; ++f)
            columns << QStringLiteral("[field_%1_of_table_%2] M").arg(f).arg(t);
        c.Execute(QStringLiteral("CREATE TABLE [%1/table%2]( %3 )").arg(m_folder).arg(t).arg(columns.join(',')));
    }
    QCOMPARE(schema(c, "TABLE").size(), 4 + 1 + 40);
    QString problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    for (int t = 0; t < 40; t += 3)
        c.Execute(QStringLiteral("DROP TABLE [table%1]").arg(t));
    QCOMPARE(schema(c, "TABLE").size(), 4 + 1 + 40 - 14);
    problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void ContainerTest::dropTableRemovesRecordsAndFiles()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    ado::Connection c;
    c.Open(connectionString());
    c.Execute("DROP TABLE `Contacts`");
    QVERIFY(!QFile::exists(m_folder + "/contacts.dbf"));
    QVERIFY(!QFile::exists(m_folder + "/contacts.FPT"));
    QVERIFY(!QFile::exists(m_folder + "/contacts.CDX"));
    QCOMPARE(schema(c, "TABLE"), QStringList({"types", "setup", "calls"}));
    foxpro::Container container(m_dbc);
    QCOMPARE(container.fieldNames(12), QStringList());
    const QString problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    try {
        c.Execute("DROP TABLE `contacts`");
        QFAIL("dropped a table twice");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.description(), QString("Table 'contacts' does not exist in %1.").arg(m_dbc));
    }
    // The other tables still read.
    ado::Recordset rs;
    rs.Open("SELECT * FROM calls", c);
    QCOMPARE(rs.RecordCount(), qint64(16));
}

void ContainerTest::dropTableTakesTheRelationsNamingItAlong()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    // In the corpus, contacts (12) relates to types (6) and calls (42) to contacts:
    // each relation is a record under the table holding the foreign key.
    QCOMPARE(records(m_dbc, "Relation"), QStringList({"56 12 Relation", "58 42 Relation"}));
    const QStringList before = records(m_dbc);
    ado::Connection c;
    c.Open(connectionString());
    c.Execute("DROP TABLE `TYPES`");
    QCOMPARE(records(m_dbc, "Relation"), QStringList({"58 42 Relation"}));
    // Only the table, its field and index records and the relation naming it went.
    QStringList gone;
    for (const QString &record : before)
        if (!records(m_dbc).contains(record))
            gone << record;
    QVERIFY2(gone.contains("6 1 Table") && gone.contains("49 6 Index") && gone.contains("56 12 Relation"),
             qPrintable(gone.join(", ")));
    for (const QString &record : gone)
        QVERIFY2(record.split(' ')[1] == "6" || record.startsWith("6 ") || record == "56 12 Relation",
                 qPrintable(record));
    QString problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));

    // Dropping the related table of the remaining relation leaves the child table whole.
    const QStringList callsRecords = records(m_dbc).filter(QRegularExpression("^\\d+ 42 (Field|Index)$"));
    QVERIFY(!callsRecords.isEmpty());
    c.Execute("DROP TABLE contacts");
    QCOMPARE(records(m_dbc, "Relation"), QStringList());
    QCOMPARE(records(m_dbc).filter(QRegularExpression("^\\d+ 42 (Field|Index)$")), callsRecords);
    QVERIFY(records(m_dbc).filter(QRegularExpression("^\\d+ 12 ")).isEmpty());
    problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    ado::Recordset rs;
    rs.Open("SELECT * FROM calls", c);
    QCOMPARE(rs.RecordCount(), qint64(16));
}

void ContainerTest::damagedContainersFailClearly()
{
    const QString garbage = m_folder + "/junk.dbc";
    QByteArray bytes(4096, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) % 251);
    tw::test::writeAll(garbage, bytes);
    try {
        foxpro::Container container(garbage);
        QFAIL("read a container of garbage");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains("junk.dbc"), qPrintable(e.description()));
    }
    // The database's records are not read past damage, as a table's are: a
    // record cut by the end of the file, a property memo past the end.
    const QByteArray dbc = tw::test::readAll(m_dbc);
    const QByteArray dct = tw::test::readAll(m_folder + "/FOXPRO-DB-TEST.DCT");
    const std::pair<QByteArray, QByteArray> damaged[] = {{dbc.left(dbc.size() - 100), dct}, {dbc, dct.left(512)}};
    for (const auto &[dbcBytes, dctBytes] : damaged) {
        tw::test::writeAll(m_folder + "/cut.dbc", dbcBytes);
        tw::test::writeAll(m_folder + "/cut.dct", dctBytes);
        try {
            foxpro::Container container(m_folder + "/cut.dbc");
            QFAIL("read a damaged container");
        } catch (const RuntimeError &e) {
            QVERIFY2(e.description().startsWith("cut.dbc: record ") &&
                         (e.description().contains("cut by the end") || e.description().contains("past the end")),
                     qPrintable(e.description()));
        }
    }
    // A container whose memo file is gone.
    QFile::remove(m_folder + "/FOXPRO-DB-TEST.DCT");
    try {
        foxpro::Container container(m_dbc);
        QFAIL("read a container without its memo file");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains("FOXPRO-DB-TEST.DBC") && e.description().contains(".dct"),
                 qPrintable(e.description()));
    }
}

void ContainerTest::newContainerAsVisualFoxProWritesIt()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    const QString folder = m_dir->filePath("fresh");
    QDir().mkpath(folder);
    const QString dbc = folder + "/sales.dbc";
    foxpro::Container::create(dbc);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, foxpro::Container::create(dbc));

    const QByteArray bytes = tw::test::readAll(dbc);
    QCOMPARE(uchar(bytes[0]), uchar(0x30));
    QCOMPARE(uchar(bytes[28]), uchar(0x07));
    QCOMPARE(int(encoding::getU16LE(encoding::bytesOf(bytes.constData() + 8))), 552);
    QCOMPARE(int(encoding::getU16LE(encoding::bytesOf(bytes.constData() + 10))), 165);
    QVERIFY(QFile::exists(folder + "/sales.dct"));
    QVERIFY(QFile::exists(folder + "/sales.dcx"));
    QString problems = dcxcheck(dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));

    // The same records as a container Visual FoxPro made.
    const QByteArray ours = foxpro::test::dumpWithReader(dbc);
    const QByteArray corpus = foxpro::test::dumpWithReader(m_dbc);
    const QList<QByteArray> ourLines = ours.split('\n');
    const QList<QByteArray> corpusLines = corpus.split('\n');
    QCOMPARE(ourLines[0], corpusLines[0]);
    QCOMPARE(ourLines[1], corpusLines[1]); // Database, with version 10
    QCOMPARE(ourLines[2], corpusLines[2]);
    QCOMPARE(ourLines[3].left(40), corpusLines[3].left(40));
    const auto cmp = foxpro::test::compareWithDbfjson(dbc, ours);
    QVERIFY2(cmp.ok, qPrintable(cmp.details));

    ado::Connection c;
    c.Open(QStringLiteral("Provider=vfpoledb.1;Data Source=%1;Collating Sequence=general;").arg(dbc));
    QCOMPARE(schema(c, "TABLE"), QStringList());
    c.Execute("CREATE TABLE [" + folder + "/Customer_accounts.dbf]([Account_holder_name] M,[Statement] BLOB)");
    c.Execute("INSERT INTO `" + folder + "/Customer_accounts.dbf` VALUES('Ann','x')");
    QCOMPARE(schema(c, "TABLE"), QStringList({"customer_accounts"}));
    problems = dcxcheck(dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    ado::Recordset rs;
    rs.Open("SELECT * FROM customer_accounts", c);
    QCOMPARE(rs.fields()(0).name(), QString("account_holder_name"));
    QCOMPARE(rs.fields()(0).Value().asText(), QString("Ann"));
}

void ContainerTest::viewsAreListedNotRead()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    {
        auto writer = foxpro::TableWriter::openForAppend(m_dbc, ".dct");
        foxpro::PropertyList props;
        props.add(foxpro::property::kClass, QByteArray(1, '\x06'));
        props.addString(foxpro::property::kViewSql, "SELECT * FROM calls");
        const qint64 id = qint64(writer->header().recordCount) + 1;
        writer->append({ado::Variant::integer(id), ado::Variant::integer(1), ado::Variant::text("View"),
                        ado::Variant::text("Recent_Calls"), ado::Variant::bytes(props.encode()), ado::Variant::null(),
                        ado::Variant::null(), ado::Variant::null()});
    }
    foxpro::Container(m_dbc).rebuildIndex();
    ado::Connection c;
    c.Open(connectionString());
    QCOMPARE(schema(c, "VIEW"), QStringList({"Recent_Calls"}));
    QCOMPARE(schema(c, "TABLE").size(), 4);
    try {
        ado::Recordset rs;
        rs.Open("SELECT * FROM recent_calls", c);
        QFAIL("opened a view");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains("is a view"), qPrintable(e.description()));
    }
    const QString problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void ContainerTest::flippedContainerBytesFailCleanly()
{
    const QByteArray dbc = tw::test::readAll(m_dbc);
    const QByteArray dct = tw::test::readAll(m_folder + "/FOXPRO-DB-TEST.DCT");
    const QString target = m_folder + "/flip.dbc";
    quint32 seed = 777;
    auto nextRandom = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int failures = 0;
    for (int round = 0; round < 150; ++round) {
        QByteArray d = dbc;
        QByteArray m = dct;
        QByteArray &victim = round % 3 == 2 ? m : d;
        for (int k = 0; k < 1 + round % 4; ++k)
            victim[qsizetype(nextRandom() % quint32(victim.size()))] = char(nextRandom() & 0xFF);
        tw::test::writeAll(target, d);
        tw::test::writeAll(m_folder + "/flip.dct", m);
        QFile::remove(m_folder + "/flip.dcx");
        try {
            foxpro::Container container(target);
            for (const auto &t : container.tables()) {
                container.tablePath(t);
                container.fieldNames(t.objectId);
            }
            container.views();
            container.rebuildIndex();
        } catch (const RuntimeError &e) {
            ++failures;
            QVERIFY2(e.description().contains("flip.", Qt::CaseInsensitive), qPrintable(e.description()));
        }
    }
    QVERIFY(failures > 0);
}

void ContainerTest::tableMovedBesideTheContainerIsFound()
{
    QDir(m_folder).mkpath("old");
    ado::Connection c;
    c.Open(connectionString());
    c.Execute("CREATE TABLE [" + m_folder + "/old/moved.dbf]([a] M)");
    c.Execute("INSERT INTO `" + m_folder + "/old/moved.dbf` VALUES('here')");
    c.Close();
    QVERIFY(QFile::rename(m_folder + "/old/moved.dbf", m_folder + "/moved.dbf"));
    QVERIFY(QFile::rename(m_folder + "/old/moved.fpt", m_folder + "/moved.fpt"));
    c.Open(connectionString());
    ado::Recordset rs;
    rs.Open("SELECT * FROM moved", c);
    QCOMPARE(rs.fields()(0).Value().asText(), QString("here"));
}

void ContainerTest::foreignTableFileIsRefused_data()
{
    // The corpus's "types" table is CONTACT_TY I (contact_type_id) and
    // CONTACT_T2 C (contact_type); its file is replaced by another table.
    using namespace foxpro::test;
    QTest::addColumn<QByteArray>("dbf");
    QTest::addColumn<QString>("difference");
    const std::vector<FieldLayout> own = {{"CONTACT_TY", 'I', 4, 0, 0x04}, {"CONTACT_T2", 'C', 20}};
    const QByteArray ownRow = " " + le32(7) + QByteArray("courier").leftJustified(20, ' ');
    const QByteArray backlink = "foxpro-db-test.dbc";
    const std::vector<FieldLayout> order = {
        {"ID", 'I', 4, 0, 0x04}, {"PRICE", 'N', 8, 2}, {"QTY", 'N', 5}, {"NAME", 'C', 20}, {"NOTE", 'C', 10}};
    QByteArray orderRow = " " + le32(1) + "   12.50" + "    3";
    QTest::newRow("free table") << buildDbf(0x30, order, {orderRow}) << "its backlink is empty";
    QTest::newRow("FoxPro 2 table") << buildDbf(0x03, own, {ownRow}) << "its backlink is empty";
    QTest::newRow("another database's table")
        << buildDbf(0x30, own, {ownRow}, 0x03, "..\\sales\\sales.dbc") << "its backlink names ..\\sales\\sales.dbc";
    QTest::newRow("backlink naming the database as a folder")
        << buildDbf(0x30, own, {ownRow}, 0x03, "foxpro-db-test.dbc\\x.dbc")
        << "its backlink names foxpro-db-test.dbc\\x.dbc";
    QTest::newRow("more fields") << buildDbf(0x30, order, {orderRow}, 0x03, backlink)
                                 << "it has 5 fields, the database names 2";
    QTest::newRow("fewer fields") << buildDbf(0x30, {{"CONTACT_TY", 'I', 4}}, {" " + le32(1)}, 0x03, backlink)
                                  << "it has 1 fields, the database names 2";
    QTest::newRow("other names") << buildDbf(0x30, {{"CONTACT_TY", 'I', 4}, {"PRICE", 'N', 8, 2}}, {orderRow.left(13)},
                                             0x03, backlink)
                                 << "its field 2 is PRICE, the database names contact_type";
    QTest::newRow("same prefix, other ending")
        << buildDbf(0x30, {{"CONTACT_TY", 'I', 4}, {"CONTACT_TX", 'C', 20}}, {ownRow}, 0x03, backlink)
        << "its field 2 is CONTACT_TX, the database names contact_type";
    QTest::newRow("number on a name not cut")
        << buildDbf(0x30, {{"CONTACT_TY", 'I', 4}, {"CONTACT2", 'C', 20}}, {ownRow}, 0x03, backlink)
        << "its field 2 is CONTACT2, the database names contact_type";
}

void ContainerTest::foreignTableFileIsRefused()
{
    QFETCH(QByteArray, dbf);
    QFETCH(QString, difference);
    tw::test::writeAll(m_folder + "/types.dbf", dbf);
    const QString expected = QStringLiteral("Table types: types.dbf does not belong to the database FOXPRO-DB-TEST.DBC "
                                            "(%1).")
                                 .arg(difference);
    ado::Connection c;
    c.Open(connectionString());
    try {
        ado::Recordset rs;
        rs.Open("SELECT * FROM types", c);
        QFAIL("the container lent its names to a table that is not its own");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.description(), expected);
    }
    // By path, the file is still the container's table and is refused the same way.
    try {
        ado::Recordset rs;
        rs.Open("SELECT * FROM [" + m_folder + "/types.dbf]", c);
        QFAIL("the container lent its names to a table that is not its own");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.description(), expected);
    }
    // The other tables are untouched.
    ado::Recordset rs;
    rs.Open("SELECT * FROM setup", c);
    QCOMPARE(rs.fields()(0).name(), QString("key_name"));
}

void ContainerTest::ownTableFileInAnotherFormStillReads()
{
    // The container's own table, rewritten with a nullable varchar (so a
    // _NullFlags field that no Field record names) and its backlink in other
    // letters and with a path, keeps its long names.
    using namespace foxpro::test;
    const QByteArray row = " " + le32(7) + QByteArray("courier").leftJustified(19, ' ') + '\x07' + '\x01';
    tw::test::writeAll(
        m_folder + "/types.dbf",
        buildDbf(0x32,
                 {{"contact_ty", 'I', 4, 0, 0x04}, {"CONTACT_T2", 'V', 20, 0, 0x02}, {"_NullFlags", '0', 1, 0, 0x05}},
                 {row}, 0x03, "..\\DB\\FOXPRO-DB-TEST.DBC"));
    ado::Connection c;
    c.Open(connectionString());
    ado::Recordset rs;
    rs.Open("SELECT * FROM types", c);
    QCOMPARE(rs.fields().count(), 2);
    QCOMPARE(rs.fields()(0).name(), QString("contact_type_id"));
    QCOMPARE(rs.fields()(1).name(), QString("contact_type"));
    QCOMPARE(rs.fields()(1).Value().asText(), QString("courier"));
}

void ContainerTest::namesTheContainerCodePageCannotHold()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    // A Cyrillic table in a Windows-1252 container: the table keeps its names,
    // the container gets valid stand-ins, and the columns go by the table's.
    ado::Connection c;
    c.setNewTableCodePage(866);
    c.Open(connectionString());
    c.Execute(QString::fromUtf8("CREATE TABLE [%1/cyr.dbf]([Имя] M,[Фио] M,[Long_name] M)").arg(m_folder));
    c.Execute(QString::fromUtf8("INSERT INTO `%1/cyr.dbf` VALUES('Иван', 'Петров И. И.', 'x')").arg(m_folder));
    foxpro::TableReader table(m_folder + "/cyr.dbf");
    QCOMPARE(table.header().codePageMark, uint8_t(0x65));
    QCOMPARE(table.header().fields[0].name, QString::fromUtf8("ИМЯ"));
    foxpro::Container container(m_dbc);
    const auto entry = container.findTable("cyr");
    QVERIFY(entry);
    QCOMPARE(container.fieldNames(entry->objectId), QStringList({"___", "___2", "long_name"}));
    ado::Recordset rs;
    rs.Open("SELECT * FROM cyr", c);
    QCOMPARE(rs.fields()(0).name(), QString::fromUtf8("имя"));
    QCOMPARE(rs.fields()(1).name(), QString::fromUtf8("фио"));
    QCOMPARE(rs.fields()(2).name(), QString("long_name"));
    QCOMPARE(rs.fields()(1).Value().asText(), QString::fromUtf8("Петров И. И."));
    const QString problems = dcxcheck(m_dbc);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

QTEST_GUILESS_MAIN(ContainerTest)
#include "tst_foxpro_container.moc"
