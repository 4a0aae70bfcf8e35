// The Paradox provider through the ADO stand-in: connection strings, the
// tables schema, SELECT * streaming, DROP TABLE with companion files.

#include "TestSupport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/ado/Recordset.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using tw::ado::Connection;
using tw::ado::Recordset;
using tw::ado::RuntimeError;
using tw::ado::Variant;
using tw::paradox::FieldType;

class TestParadoxProvider : public QObject {
    Q_OBJECT

private:
    QString connectionString(const QString &folder,
                             const QString &driver = QStringLiteral("{Microsoft Paradox Driver (*.db )}")) const
    {
        return QStringLiteral("Driver=%1;DriverID=538;Fil=Paradox 5.X;DefaultDir=%2;Dbq=%2;CollatingSequence=ASCII;")
            .arg(driver, folder);
    }
    void makeTable(const QString &name, int rows);
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase); }

    QTemporaryDir m_dir;
    std::unique_ptr<tw::ado::ScopedProvider> m_provider;

private slots:
    void initTestCase();
    void acceptsItsDriverOnly();
    void refusesMissingFolder();
    void listsTables();
    void selectsStreaming();
    void recordsetReportsDamage();
    void dropsTableWithCompanions();
    void dropsToTheTrashWhenAsked();
    void refusesOtherStatements();
    void chosenCodePageOverridesTheHeader_data();
    void chosenCodePageOverridesTheHeader();
    void rowsReadByPosition();
};

void TestParadoxProvider::initTestCase()
{
    m_provider = std::make_unique<tw::ado::ScopedProvider>(std::make_shared<tw::paradox::ParadoxProvider>());
}

void TestParadoxProvider::makeTable(const QString &name, int rows)
{
    tw::paradox::TableWriter writer(
        m_dir.path(), name, {{QStringLiteral("Id"), FieldType::Long}, {QStringLiteral("Note"), FieldType::Memo}});
    for (int i = 0; i < rows; ++i)
        writer.appendRow({Variant::integer(i), Variant::text(QString(i * 10, QLatin1Char('n')))});
    writer.finish();
}

void TestParadoxProvider::acceptsItsDriverOnly()
{
    tw::paradox::ParadoxProvider provider;
    using tw::ado::ConnectionString;
    QVERIFY(provider.accepts(ConnectionString::parse(connectionString(m_dir.path()))));
    QVERIFY(provider.accepts(
        ConnectionString::parse(connectionString(m_dir.path(), QStringLiteral("{microsoft PARADOX driver (*.DB )}")))));
    QVERIFY(!provider.accepts(ConnectionString::parse(QStringLiteral("Provider=vfpoledb.1;Data Source=x;"))));
    QVERIFY(!provider.accepts(
        ConnectionString::parse(connectionString(m_dir.path(), QStringLiteral("{Microsoft dBase Driver (*.dbf)}")))));
}

void TestParadoxProvider::refusesMissingFolder()
{
    Connection c;
    try {
        c.Open(connectionString(m_dir.filePath(QStringLiteral("nowhere"))));
        QFAIL("a missing folder was opened");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains(QLatin1String("nowhere")), qPrintable(e.description()));
    }
    // A file is no folder either.
    tw::test::writeAll(m_dir.filePath(QStringLiteral("plain.txt")), "x");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Open(connectionString(m_dir.filePath(QStringLiteral("plain.txt")))));
    QFile::remove(m_dir.filePath(QStringLiteral("plain.txt")));
}

void TestParadoxProvider::listsTables()
{
    makeTable(QStringLiteral("Orders"), 1);
    makeTable(QStringLiteral("CUST.DB"), 1);
    tw::test::writeAll(m_dir.filePath(QStringLiteral("~twabcdef.db")), "temporary");
    tw::test::writeAll(m_dir.filePath(QStringLiteral("notes.txt")), "x");
    Connection c;
    // Windows-style separators in the folder.
    c.Open(connectionString(QDir::toNativeSeparators(m_dir.path()).replace(QLatin1Char('/'), QLatin1Char('\\'))));
    Recordset schema = c.OpenSchema(tw::ado::adSchemaTables);
    QStringList names;
    for (; !schema.Eof(); schema.MoveNext()) {
        QCOMPARE(schema.fields()(QStringLiteral("TABLE_TYPE")).Value().asText(), QStringLiteral("TABLE"));
        names << schema.fields()(QStringLiteral("TABLE_NAME")).Value().asText();
    }
    QCOMPARE(names, (QStringList{QStringLiteral("CUST"), QStringLiteral("Orders")}));
    QFile::remove(m_dir.filePath(QStringLiteral("~twabcdef.db")));
    QFile::remove(m_dir.filePath(QStringLiteral("notes.txt")));
    c.Execute(QStringLiteral("DROP TABLE [Orders]"));
    c.Execute(QStringLiteral("DROP TABLE [CUST]"));
}

void TestParadoxProvider::selectsStreaming()
{
    makeTable(QStringLiteral("Big"), 500);
    Connection c;
    c.Open(connectionString(m_dir.path()));
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM `big`"), c);
    QCOMPARE(rs.RecordCount(), qint64(500));
    QCOMPARE(rs.fields().count(), 2);
    QCOMPARE(rs.fields()(0).name(), QStringLiteral("Id"));
    QCOMPARE(rs.fields()(0).Type(), int(tw::ado::adInteger));
    QCOMPARE(rs.fields()(1).Type(), int(tw::ado::adLongVarChar));
    int n = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++n) {
        QCOMPARE(rs.fields()(0).Value().asInteger(), qint64(n));
        if (n == 0)
            QVERIFY(rs.fields()(1).Value().isNull());
        else
            QCOMPARE(rs.fields()(1).Value().asText().size(), n * 10);
    }
    QCOMPARE(n, 500);
    try {
        rs.Close();
        rs.Open(QStringLiteral("SELECT * FROM [missing]"), c);
        QFAIL("a missing table was opened");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains(QLatin1String("missing")), qPrintable(e.description()));
    }
    c.Execute(QStringLiteral("DROP TABLE [Big]"));
}

void TestParadoxProvider::recordsetReportsDamage()
{
    // 5,000 rows of 24 bytes, 170 to a 4 KiB block after a 2 KiB header: read
    // ahead on a thread of their own. Cut inside block 10; row 3's memo
    // points into the .mb's header.
    makeTable(QStringLiteral("Torn"), 5000);
    const QString db = m_dir.filePath(QStringLiteral("Torn.db"));
    QByteArray bytes = tw::test::readAll(db);
    const int header = tw::encoding::getU16LE(tw::encoding::bytesOf(bytes.constData() + 2));
    const qint64 cut = header + 9 * 4096 + 6 + 100 * 24 + 7;
    bytes.truncate(cut);
    bytes.replace(header + 6 + 2 * 24 + 4 + 10, 4, QByteArray("\x01\x00\x00\x00", 4));
    tw::test::writeAll(db, bytes);
    Connection c;
    c.Open(connectionString(m_dir.path()));
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM `torn`"), c);
    const qint64 whole = 9 * 170 + 100;
    QCOMPARE(rs.RecordCount(), whole);
    QVERIFY(rs.warnings().isEmpty());
    const tw::ado::DamagedRows *damaged = rs.damagedRows();
    QVERIFY(damaged);
    QCOMPARE(damaged->rowCount(), 5000 - whole);
    QCOMPARE(damaged->first().front().where, QStringLiteral("block 10"));
    QCOMPARE(damaged->first().front().offset, cut - 7);
    qint64 n = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++n)
        QCOMPARE(rs.fields()(0).Value().asInteger(), n);
    QCOMPARE(n, whole);
    const tw::ado::LostValues *lost = rs.lostValues();
    QVERIFY(lost && lost->count() == 1);
    QCOMPARE(lost->first().front().row, qint64(3));
    rs.Close();
    c.Execute(QStringLiteral("DROP TABLE [Torn]"));
}

void TestParadoxProvider::dropsTableWithCompanions()
{
    makeTable(QStringLiteral("Parts"), 3);
    const QStringList companions = {QStringLiteral("PARTS.PX"),  QStringLiteral("parts.X02"),
                                    QStringLiteral("Parts.Y02"), QStringLiteral("parts.XG0"),
                                    QStringLiteral("PARTS.VAL"), QStringLiteral("parts.tv"),
                                    QStringLiteral("parts.FAM")};
    const QStringList others = {QStringLiteral("parts2.db"), QStringLiteral("parts.txt"), QStringLiteral("partsx.mb"),
                                QStringLiteral("parts.x"), QStringLiteral("parts.xlsx")};
    for (const QString &f : companions + others)
        tw::test::writeAll(m_dir.filePath(f), "x");
    Connection c;
    c.Open(connectionString(m_dir.path()));
    c.Execute(QStringLiteral("DROP TABLE [parts]"));
    QStringList expected = others;
    expected.sort(Qt::CaseInsensitive);
    QCOMPARE(files(), expected);
    try {
        c.Execute(QStringLiteral("DROP TABLE [parts]"));
        QFAIL("a missing table was dropped");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains(QLatin1String("'parts' does not exist")), qPrintable(e.description()));
    }
    QCOMPARE(files(), expected);
    for (const QString &f : others)
        QFile::remove(m_dir.filePath(f));
    // A name that reaches out of the folder names no table there.
    QTemporaryDir outside;
    tw::test::writeAll(outside.filePath(QStringLiteral("victim.db")), "x");
    const QString relative = QDir(m_dir.path()).relativeFilePath(outside.filePath(QStringLiteral("victim")));
    for (const QString &name :
         {relative, outside.filePath(QStringLiteral("victim")), QString(relative).replace('/', '\\')}) {
        QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute(QStringLiteral("DROP TABLE [") + name + ']'));
        Recordset rs;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.Open(QStringLiteral("SELECT * FROM `") + name + '`', c));
    }
    QVERIFY(QFile::exists(outside.filePath(QStringLiteral("victim.db"))));
}

void TestParadoxProvider::dropsToTheTrashWhenAsked()
{
    if (tw::test::onWindows())
        QSKIP("the desktop trash of Linux; Windows has the Recycle Bin, the user's own");
    QTemporaryDir home;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", saved); });
    makeTable(QStringLiteral("Parts"), 3);
    tw::test::writeAll(m_dir.filePath(QStringLiteral("PARTS.PX")), "index");
    QHash<QString, QByteArray> before;
    for (const QString &f : files())
        before[m_dir.filePath(f)] = tw::test::readAll(m_dir.filePath(f));
    QCOMPARE(before.size(), 3); // .db, .mb, .px
    Connection c;
    c.DropsToTrash = true;
    c.Open(connectionString(m_dir.path()));
    c.Execute(QStringLiteral("DROP TABLE [parts]"));
    QCOMPARE(files(), QStringList());
    const std::vector<tw::ado::RemovedFile> removed = c.takeRemovedFiles();
    QCOMPARE(removed.size(), size_t(3));
    for (const tw::ado::RemovedFile &file : removed) {
        QVERIFY2(file.trashedAs.startsWith(home.path() + QStringLiteral("/Trash/files/")), qPrintable(file.trashedAs));
        QCOMPARE(tw::test::readAll(file.trashedAs), before.value(file.path));
    }
    QVERIFY(c.takeRemovedFiles().empty());
}

void TestParadoxProvider::refusesOtherStatements()
{
    makeTable(QStringLiteral("T"), 1);
    Connection c;
    c.Open(connectionString(m_dir.path()));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute(QStringLiteral("INSERT INTO `T` VALUES(1, 'x')")));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute(QStringLiteral("CREATE TABLE [U] ([a] M)")));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.Execute(QStringLiteral("this is not sql")));
    Recordset rs;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs.Open(QStringLiteral("DROP TABLE [T]"), c));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, c.OpenSchema(4));
    // Asked for updates, the recordset still reads, and refuses new rows.
    Recordset updatable;
    updatable.Open(QStringLiteral("SELECT * FROM [t]"), c, tw::ado::adOpenDynamic, tw::ado::adLockOptimistic);
    QCOMPARE(updatable.RecordCount(), qint64(1));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, updatable.AddNew());
    QVERIFY(QFileInfo::exists(m_dir.filePath(QStringLiteral("T.db"))));
}

void TestParadoxProvider::chosenCodePageOverridesTheHeader_data()
{
    QTest::addColumn<bool>("headerNamesNone");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("reported");
    // "Дом" written in code page 866 is 84 AE AC, which Windows-1252 reads "„®¬".
    QTest::newRow("866 header, none chosen") << false << 0 << QString::fromUtf8("Дом") << 866;
    QTest::newRow("866 header, 1252 chosen") << false << 1252 << QString::fromUtf8("„®¬") << 1252;
    QTest::newRow("866 header, page without converter") << false << 99999 << QString::fromUtf8("Дом") << 866;
    QTest::newRow("no code page, none chosen") << true << 0 << QString::fromUtf8("„®¬") << 0;
    QTest::newRow("no code page, 866 chosen") << true << 866 << QString::fromUtf8("Дом") << 866;
}

void TestParadoxProvider::chosenCodePageOverridesTheHeader()
{
    QFETCH(bool, headerNamesNone);
    QFETCH(int, chosen);
    QFETCH(QString, text);
    QFETCH(int, reported);
    QTemporaryDir dir;
    {
        tw::paradox::TableWriter writer(dir.path(), QStringLiteral("cyr"),
                                        {{QString::fromUtf8("Имя"), FieldType::Alpha, 10}}, 1, 866);
        writer.appendRow({Variant::text(QString::fromUtf8("Дом"))});
        writer.finish();
    }
    if (headerNamesNone) {
        constexpr int kCodePageOffset = 0x6A;
        QFile file(dir.filePath(QStringLiteral("cyr.db")));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(kCodePageOffset));
        file.write(QByteArray(2, '\0'));
    }
    Connection c;
    c.setReadCodePage(chosen);
    c.Open(connectionString(dir.path()));
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM cyr"), c);
    QCOMPARE(rs.fields()(0).Value().asText(), text);
    QCOMPARE(rs.codePage(), reported);
    // Field names are text of the same page.
    QCOMPARE(rs.fields()(0).name() == QString::fromUtf8("Имя"), text == QString::fromUtf8("Дом"));
}

void TestParadoxProvider::rowsReadByPosition()
{
    // Enough rows for many blocks.
    makeTable(QStringLiteral("many"), 3000);
    Connection c;
    c.Open(connectionString(m_dir.path()));
    const std::unique_ptr<tw::ado::RowSource> rows = c.session()->openRows(QStringLiteral("many"));
    QVERIFY(rows);
    QCOMPARE(rows->positions(), qint64(3000));
    QCOMPARE(rows->fields().at(1).type, QString("M"));
    std::vector<Variant> row;
    tw::ado::RowNotes notes;
    for (const qint64 position : {2999, 0, 1500, 17, 1501, 2998}) {
        rows->read(position, row, notes);
        QCOMPARE(row.at(0).asInteger(), position);
        QCOMPARE(row.at(1).isNull() ? 0 : row.at(1).asText().size(), position * 10);
        QVERIFY(!notes.deleted && notes.damaged.empty());
    }
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rows->read(3000, row, notes));
}

QTEST_GUILESS_MAIN(TestParadoxProvider)
#include "tst_paradox_provider.moc"
