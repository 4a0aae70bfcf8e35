// Table and column names with quotes, brackets, backticks, blanks, dots,
// non-ASCII letters and 255 characters: each copy either carries the table
// over (readable, every row) or refuses it with one clear message; no name
// makes a statement touch another table, and nothing is written or deleted
// outside the chosen folders.

#include "Tables.h"

#include "platform/ado/RuntimeError.h"
#include "platform/ado/Variant.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/ParadoxSession.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;
using ado::Variant;

namespace {

constexpr int kRows = 7;
constexpr int kLongName = 255;

// Names a table or column could have; those a file system or format cannot
// hold are refused where they are made.
QStringList hostileNames()
{
    return {QStringLiteral("it's"),      QStringLiteral("say \"hi\""),
            QStringLiteral("a[1]"),      QStringLiteral("x] from [victim"),
            QStringLiteral("tick`s"),    QStringLiteral("x`; DROP TABLE `victim"),
            QStringLiteral("two words"), QStringLiteral(" lead"),
            QStringLiteral("dot.ted"),   QStringLiteral("victim.db"),
            QStringLiteral("Ärger"),     QStringLiteral("日本"),
            QStringLiteral("..\\up"),    QStringLiteral("%"),
            QString(kLongName - 4, u'n')};
}

// Every file below `root` except those in the chosen folders, with size and hash.
QStringList outside(const QString &root, const QStringList &chosen)
{
    QStringList lines;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        bool inside = false;
        for (const QString &c : chosen)
            inside = inside || path.startsWith(c + '/');
        if (!inside)
            lines << path + ' ' + QString::number(QFileInfo(path).size());
    }
    lines.sort();
    return lines;
}

} // namespace

class TestNames : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void tableNamesToFoxPro_data();
    void tableNamesToFoxPro();
    void tableNamesToParadox_data();
    void tableNamesToParadox();
    void columnNames();
    void renameOutOfFolder_data();
    void renameOutOfFolder();
    void dropTableStaysInFolder();
    void listedNameThatLooksLikePath();
    void paradoxFileNameThatLooksLikePath();
    void tablesSpelledInSeveralLetterCases();
    void twinTablesFromTheCommandLine_data();
    void twinTablesFromTheCommandLine();
    void cutNameEndingInABlank();

private:
    void checkOutsideAndVictims();
    // The files of the tables named "victim" in the chosen folders.
    QStringList victims() const;
    robust::Readers m_readers;
    QTemporaryDir m_tools;
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_fox, m_px, m_work, m_canary;
    QStringList m_outsideBefore, m_victimsBefore;
};

void TestNames::initTestCase()
{
    if (!QFile::exists(robust::cliPath()))
        QSKIP("tabwright-cli is not built");
    if (!m_readers.prepare(m_tools.path()))
        QSKIP(qPrintable(m_readers.error()));
}

void TestNames::init()
{
    // root/data/{fox,px,work} are the chosen folders; root/data and root hold canaries.
    m_root = std::make_unique<QTemporaryDir>();
    const QString data = m_root->filePath(QStringLiteral("data"));
    m_fox = data + QStringLiteral("/fox");
    m_px = data + QStringLiteral("/px");
    m_work = data + QStringLiteral("/work");
    for (const QString &d : {m_fox, m_px, m_work})
        QDir().mkpath(d);
    for (const QString &d : {data, m_root->path()}) {
        robust::makeFoxProTable(d, QStringLiteral("up"), kRows);
        robust::makeFoxProTable(d, QStringLiteral("victim"), kRows);
        robust::makeParadoxTable(d, QStringLiteral("up"), kRows);
        robust::makeParadoxTable(d, QStringLiteral("victim"), kRows);
    }
    robust::makeFoxProTable(m_fox, QStringLiteral("victim"), kRows);
    robust::makeParadoxTable(m_px, QStringLiteral("victim"), kRows);
    m_outsideBefore = outside(m_root->path(), {m_fox, m_px, m_work});
    m_victimsBefore = victims();
}

QStringList TestNames::victims() const
{
    const QRegularExpression file(QStringLiteral("^victim\\.[a-z]+ "), QRegularExpression::CaseInsensitiveOption);
    return robust::snapshot(m_fox).filter(file) + robust::snapshot(m_px).filter(file);
}

void TestNames::checkOutsideAndVictims()
{
    QCOMPARE(outside(m_root->path(), {m_fox, m_px, m_work}), m_outsideBefore);
    QCOMPARE(victims(), m_victimsBefore);
}

void TestNames::tableNamesToFoxPro_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &n : hostileNames())
        QTest::newRow(qPrintable(n.left(40))) << n;
}

void TestNames::tableNamesToFoxPro()
{
    QFETCH(QString, name);
    try {
        robust::makeParadoxTable(m_px, name, kRows);
    } catch (const ado::RuntimeError &e) {
        // The writer refuses what cannot be a Paradox table; nothing to copy.
        QVERIFY(!e.description().isEmpty());
        checkOutsideAndVictims();
        return;
    }
    const auto r = robust::cli({QStringLiteral("copy"), QStringLiteral("--to-foxpro"), QStringLiteral("--paradox"),
                                m_px, QStringLiteral("--foxpro"), m_fox, QStringLiteral("--yes"), name});
    const QStringList errors = robust::reports(r.err);
    qInfo("%s -> exit %d %s", qPrintable(name.left(40)), r.exitCode, qPrintable(errors.join(u'|').left(300)));
    if (r.exitCode == 0) {
        QString error;
        QString dbf = robust::findFile(m_fox, name + QStringLiteral(".dbf"));
        if (name.contains(u'[') || name.contains(u']')) {
            // dbfread looks for the memo file by a glob pattern, which brackets
            // break: hand it a copy under a plain name.
            const QString plain = m_fox + QStringLiteral("/plaincopy");
            QFile::copy(dbf, plain + QStringLiteral(".dbf"));
            QFile::copy(QString(dbf).replace(QStringLiteral(".DBF"), QStringLiteral(".FPT")),
                        plain + QStringLiteral(".fpt"));
            dbf = plain + QStringLiteral(".dbf");
        }
        const qint64 rows = m_readers.foxproRows(dbf, &error);
        QVERIFY2(rows == kRows, qPrintable(dbf + ": " + error));
    } else {
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(errors.size(), 1);
    }
    checkOutsideAndVictims();
}

void TestNames::tableNamesToParadox_data()
{
    tableNamesToFoxPro_data();
}

void TestNames::tableNamesToParadox()
{
    QFETCH(QString, name);
    try {
        robust::makeFoxProTable(m_fox, name, kRows);
    } catch (const ado::RuntimeError &e) {
        QVERIFY(!e.description().isEmpty());
        checkOutsideAndVictims();
        return;
    }
    const auto r = robust::cli({QStringLiteral("copy"), QStringLiteral("--to-paradox"), QStringLiteral("--foxpro"),
                                m_fox, QStringLiteral("--paradox"), m_px, QStringLiteral("--work"),
                                robust::makeWorkDatabase(m_work), QStringLiteral("--yes"), name});
    const QStringList errors = robust::reports(r.err);
    qInfo("%s -> exit %d %s", qPrintable(name.left(40)), r.exitCode, qPrintable(errors.join(u'|').left(300)));
    if (r.exitCode == 0) {
        // Names longer than 8 characters are cut to 8 (the window asks
        // first); the Paradox writer drops leading and trailing blanks.
        const QString target = name.left(8).trimmed();
        QString error;
        QString db = robust::findFile(m_px, name.left(8) + QStringLiteral(".db"));
        if (db.isEmpty())
            db = robust::findFile(m_px, target + QStringLiteral(".db"));
        const qint64 rows = m_readers.paradoxRows(db, &error);
        QVERIFY2(rows == kRows, qPrintable(db + ": " + error));
    } else {
        QCOMPARE(r.exitCode, 1);
        // The transfer puts the name in [brackets] unescaped: the statement
        // fails, then the work table's DROP fails too and is reported again.
        QCOMPARE(errors.size(), 1);
    }
    checkOutsideAndVictims();
}

void TestNames::columnNames()
{
    // Paradox columns (at most 25 characters) with every awkward character, copied to FoxPro and back.
    std::vector<paradox::NewField> columns;
    QStringList names{QStringLiteral("it's"),   QStringLiteral("say \"hi\""),     QStringLiteral("a[1]"),
                      QStringLiteral("tick`s"), QStringLiteral("two words"),      QStringLiteral("dot.ted"),
                      QStringLiteral("Ärger"),  QStringLiteral("x] from [victim")};
    for (const QString &n : names)
        columns.push_back({n, paradox::FieldType::Alpha, 10, 0});
    {
        paradox::TableWriter writer(m_px, QStringLiteral("cols"), columns, kRows);
        for (int i = 0; i < kRows; ++i) {
            std::vector<Variant> row;
            for (int c = 0; c < int(columns.size()); ++c)
                row.push_back(Variant::text(QStringLiteral("v%1.%2").arg(i).arg(c)));
            writer.appendRow(row);
        }
        writer.finish();
    }
    auto r = robust::cli({QStringLiteral("copy"), QStringLiteral("--to-foxpro"), QStringLiteral("--paradox"), m_px,
                          QStringLiteral("--foxpro"), m_fox, QStringLiteral("--yes"), QStringLiteral("cols")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QString error, last;
    QCOMPARE(m_readers.foxproRows(robust::findFile(m_fox, QStringLiteral("cols.dbf")), &error, &last), qint64(kRows));
    QVERIFY2(last.contains(QStringLiteral("\"v6.7\"")), qPrintable(last));
    QFile::remove(m_px + QStringLiteral("/cols.db"));
    r = robust::cli({QStringLiteral("copy"), QStringLiteral("--to-paradox"), QStringLiteral("--foxpro"), m_fox,
                     QStringLiteral("--paradox"), m_px, QStringLiteral("--work"), robust::makeWorkDatabase(m_work),
                     QStringLiteral("--yes"), QStringLiteral("cols")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(m_readers.paradoxRows(robust::findFile(m_px, QStringLiteral("cols.db")), &error, &last), qint64(kRows));
    QVERIFY2(last.contains(QStringLiteral("\"v6.7\"")), qPrintable(last));
    checkOutsideAndVictims();
}

void TestNames::renameOutOfFolder_data()
{
    QTest::addColumn<QString>("newName");
    for (const char *n : {"../x", "..\\x", "../../victim", "sub/x", "..", "/tmp/x", "a\\b"})
        QTest::newRow(n) << QString::fromLatin1(n);
    QTest::newRow("255 characters") << QString(kLongName, u'r');
}

void TestNames::renameOutOfFolder()
{
    QFETCH(QString, newName);
    robust::makeParadoxTable(m_px, QStringLiteral("mine"), kRows);
    const QStringList before = robust::snapshot(m_px);
    const auto r =
        robust::cli({QStringLiteral("rename"), QStringLiteral("--paradox"), m_px, QStringLiteral("mine"), newName});
    const QStringList errors = robust::reports(r.err);
    qInfo("rename to %s -> exit %d %s", qPrintable(newName.left(40)), r.exitCode, qPrintable(errors.join(u'|')));
    QCOMPARE(r.exitCode, 1);
    // The rename tries "NAME.DB" and then "name.db", and reports each failure.
    QCOMPARE(errors.size(), 1);
    QCOMPARE(robust::snapshot(m_px), before);
    checkOutsideAndVictims();
}

void TestNames::dropTableStaysInFolder()
{
    // The FoxPro provider deletes nothing outside its folder, however the name is spelled.
    foxpro::FoxProSession session(m_fox);
    for (const QString &name :
         {QStringLiteral("../victim"), QStringLiteral("..\\victim"), QStringLiteral("../victim.dbf"),
          QStringLiteral("..\\..\\victim"), m_root->filePath(QStringLiteral("victim.dbf"))}) {
        QVERIFY_THROWS_EXCEPTION(ado::RuntimeError, session.execute(QStringLiteral("DROP TABLE [%1]").arg(name)));
        QVERIFY_THROWS_EXCEPTION(ado::RuntimeError,
                                 session.execute(QStringLiteral("CREATE TABLE [%1] (a C(3))").arg(name + "2")));
    }
    checkOutsideAndVictims();
}

void TestNames::listedNameThatLooksLikePath()
{
    // A free table whose file name holds backslashes lists under that name;
    // reading and dropping it by that name touch only that file.
    const QString odd = QStringLiteral("..\\up");
    robust::makeFoxProTable(m_fox, odd, kRows);
    foxpro::FoxProSession session(m_fox);
    QStringList listed;
    auto schema = session.openSchema(20);
    std::vector<Variant> row;
    while (schema->fetch(row))
        listed << row[2].toText();
    QVERIFY2(listed.contains(odd), qPrintable(listed.join(u',')));
    auto cursor = session.query(QStringLiteral("SELECT * FROM \"%1\"").arg(odd), {});
    QCOMPARE(cursor->rowCount(), qint64(kRows));
    cursor.reset();
    session.execute(QStringLiteral("DROP TABLE [%1]").arg(odd));
    QVERIFY(!QFile::exists(m_fox + '/' + odd + QStringLiteral(".dbf")));
    checkOutsideAndVictims();
}

void TestNames::paradoxFileNameThatLooksLikePath()
{
    // A Paradox file whose name holds "..\\" (possible on this system) lists
    // under that name; copying it to FoxPro must write and delete only in the
    // FoxPro folder.
    robust::makeParadoxTable(m_px, QStringLiteral("plain"), kRows);
    const QString odd = QStringLiteral("..\\up");
    QVERIFY(QFile::rename(m_px + QStringLiteral("/plain.db"), m_px + '/' + odd + QStringLiteral(".db")));
    QVERIFY(QFile::rename(m_px + QStringLiteral("/plain.mb"), m_px + '/' + odd + QStringLiteral(".mb")));
    const auto r = robust::cli({QStringLiteral("copy"), QStringLiteral("--to-foxpro"), QStringLiteral("--paradox"),
                                m_px, QStringLiteral("--foxpro"), m_fox, QStringLiteral("--yes"), odd});
    qInfo("exit %d %s", r.exitCode, qPrintable(robust::reports(r.err).join(u'|')));
    // The Paradox side refuses the name before the transfer touches the
    // target path "<FoxPro folder>\\..\\UP.DBF", which would reach the parent.
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(robust::reports(r.err).size(), 1);
    QVERIFY(QFile::exists(m_px + '/' + odd + QStringLiteral(".db")));
    QCOMPARE(outside(m_root->path(), {m_fox, m_px, m_work}), m_outsideBefore);
}

void TestNames::tablesSpelledInSeveralLetterCases()
{
    // Table files whose names differ in letter case only (possible on this
    // system): a table name reads the file whose name before the extension is
    // spelled exactly so, else the one file in other letter case; of several
    // such files none is read. Each file holds its own row count.
    QTemporaryDir scratch;
    const auto place = [&](bool foxpro, const QString &file, int rows) {
        const QString made = QStringLiteral("t%1").arg(rows);
        if (foxpro) {
            robust::makeFoxProTable(scratch.path(), made, rows);
            QVERIFY(QFile::rename(scratch.filePath(made + QStringLiteral(".dbf")), m_fox + '/' + file));
            // Its memo file, spelled as the table's (tables differing in the
            // extension's case only share one).
            QFile::rename(scratch.filePath(made + QStringLiteral(".fpt")),
                          m_fox + '/' + QFileInfo(file).completeBaseName() + QStringLiteral(".fpt"));
        } else {
            robust::makeParadoxTable(scratch.path(), made, rows);
            QVERIFY(QFile::rename(scratch.filePath(made + QStringLiteral(".db")), m_px + '/' + file));
        }
    };
    foxpro::FoxProSession fox(m_fox);
    const auto foxRows = [&](const QString &table) {
        return fox.query(QStringLiteral("SELECT * FROM [%1]").arg(table), {})->rowCount();
    };
    place(true, QStringLiteral("name.DBF"), 2);
    place(true, QStringLiteral("NAME.dbf"), 1);
    QCOMPARE(foxRows(QStringLiteral("NAME")), qint64(1));
    // "name.DBF" spells the table name itself so, though "NAME.dbf" sorts first.
    QCOMPARE(foxRows(QStringLiteral("name")), qint64(2));
    QVERIFY_THROWS_EXCEPTION(ado::RuntimeError, foxRows(QStringLiteral("Name")));
    place(true, QStringLiteral("name.dbf"), 3);
    QCOMPARE(foxRows(QStringLiteral("name")), qint64(3));

    paradox::ParadoxSession px(m_px);
    const auto pxRows = [&](const QString &table) {
        return px.query(QStringLiteral("SELECT * FROM `%1`").arg(table), {})->rowCount();
    };
    place(false, QStringLiteral("t.db"), 3);
    place(false, QStringLiteral("t.DB"), 2);
    place(false, QStringLiteral("T.DB"), 1);
    QCOMPARE(pxRows(QStringLiteral("t")), qint64(3));
    QCOMPARE(pxRows(QStringLiteral("T")), qint64(1));
    QCOMPARE(pxRows(QStringLiteral("t.Db")), qint64(3)); // ".db" is the extension in any case
    QVERIFY(QFile::remove(m_px + QStringLiteral("/T.DB")));
    QVERIFY_THROWS_EXCEPTION(ado::RuntimeError, pxRows(QStringLiteral("T")));
}

void TestNames::twinTablesFromTheCommandLine_data()
{
    QTest::addColumn<bool>("foxpro");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("rows"); // 0: refused
    for (const bool foxpro : {true, false}) {
        const char *side = foxpro ? "FoxPro" : "Paradox";
        QTest::addRow("%s Orders", side) << foxpro << QStringLiteral("Orders") << 12;
        QTest::addRow("%s ORDERS", side) << foxpro << QStringLiteral("ORDERS") << 4;
        QTest::addRow("%s orders", side) << foxpro << QStringLiteral("orders") << 0;
    }
}

void TestNames::twinTablesFromTheCommandLine()
{
    // Two tables whose file names differ in letter case only, each with its
    // own memo file: dump and copy read the one the name spells, and refuse a
    // name that spells neither, naming both.
    QFETCH(bool, foxpro);
    QFETCH(QString, table);
    QFETCH(int, rows);
    const QStringList sides =
        foxpro ? QStringList{"--foxpro", m_fox, "--paradox", m_px} : QStringList{"--paradox", m_px, "--foxpro", m_fox};
    QTemporaryDir scratch;
    for (const int made : {4, 12}) {
        const QString name = QStringLiteral("t%1").arg(made);
        const QString file = sides[1] + (made == 4 ? QStringLiteral("/ORDERS") : QStringLiteral("/Orders"));
        foxpro ? robust::makeFoxProTable(scratch.path(), name, made)
               : robust::makeParadoxTable(scratch.path(), name, made);
        for (const QString suffix : {foxpro ? ".dbf" : ".db", foxpro ? ".fpt" : ".mb"})
            QVERIFY(QFile::rename(scratch.filePath(name + suffix), file + suffix.toUpper()));
    }
    const QByteArray extension = foxpro ? ".DBF" : ".DB";
    auto r = robust::cli({QStringLiteral("dump"), sides[0], sides[1], table});
    for (const QStringList &copy : {QStringList{}, QStringList{"--yes", "--work", robust::makeWorkDatabase(m_work)}}) {
        if (!copy.isEmpty())
            r = robust::cli(QStringList{"copy", "--to", sides[2].mid(2)} + sides + copy + QStringList{table});
        if (rows == 0) {
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains("ORDERS" + extension) && r.err.contains("Orders" + extension), r.err.constData());
            continue;
        }
        QVERIFY2(r.exitCode == 0, r.err.constData());
        if (!copy.isEmpty())
            r = robust::cli({QStringLiteral("dump"), sides[2], sides[3], table}); // the copy
        QCOMPARE(r.out.trimmed().count('\n'), rows); // the line of the columns, then the rows
        QCOMPARE(r.out.contains("memo of row 10"), rows >= 10);
    }
}

void TestNames::cutNameEndingInABlank()
{
    // Cut to eight characters the name ends in a blank, which the table's
    // name does not keep: the copy reads the table back under that name.
    const QString name = QStringLiteral("monthly sales totals");
    robust::makeFoxProTable(m_fox, name, kRows);
    const auto r = robust::cli({"copy", "--to", "paradox", "--foxpro", m_fox, "--paradox", m_px, "--work",
                                robust::makeWorkDatabase(m_work), "--yes", "--verify", name});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(QFile::exists(m_px + QStringLiteral("/monthly.db")));
    checkOutsideAndVictims();
}

QTEST_GUILESS_MAIN(TestNames)
#include "tst_names.moc"
