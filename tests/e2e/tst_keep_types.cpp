// A copy that keeps each field's type, through the command line: every FoxPro
// field type and every Paradox field type arrives as the field the mapping
// names (read from the target's own header bytes) with its values (read by
// the independent readers, pxlib and dbfread, compared with dumpcmp); a round
// trip gives back the fields it started from; and every table of the shared
// corpus copies both ways and verifies.

#include "TestSupport.h"

#include "platform/ado/Variant.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/TableWriter.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using tw::ado::Variant;
using tw::test::ProcessResult;
using tw::test::run;

namespace {

// A Paradox table's fields as its header lists them: the type's letter, and
// the width of A and Y fields and the decimals of # fields after it.
QStringList paradoxFields(const QString &db)
{
    constexpr int kNumFields = 0x21;
    constexpr int kFieldInfo = 0x78; // tables of file version 4 and later
    static const QHash<int, char> letters{{0x01, 'A'}, {0x02, 'D'}, {0x03, 'S'}, {0x04, 'I'}, {0x05, '$'}, {0x06, 'N'},
                                          {0x09, 'L'}, {0x0C, 'M'}, {0x0D, 'B'}, {0x0E, 'F'}, {0x0F, 'O'}, {0x10, 'G'},
                                          {0x14, 'T'}, {0x15, '@'}, {0x16, '+'}, {0x17, '#'}, {0x18, 'Y'}};
    const QByteArray bytes = tw::test::readAll(db);
    if (bytes.size() < kFieldInfo)
        return {QStringLiteral("(no header in %1)").arg(db)};
    const int count = uchar(bytes[kNumFields]) | uchar(bytes[kNumFields + 1]) << 8;
    QStringList fields;
    for (int i = 0; i < count && kFieldInfo + 2 * i + 1 < bytes.size(); ++i) {
        const char letter = letters.value(uchar(bytes[kFieldInfo + 2 * i]), '?');
        const int size = uchar(bytes[kFieldInfo + 2 * i + 1]);
        fields << (QString(QChar::fromLatin1(letter)) +
                   (letter == 'A' || letter == 'Y' || letter == '#' ? QString::number(size) : QString()));
    }
    return fields;
}

// A .dbf's fields as its descriptors give them: the type's letter, the
// length of C, V, Q and N fields (N's decimals after a point), "+" for an
// autoincrementing field, "?" for a nullable one; _NullFlags left out.
QStringList dbfFields(const QString &dbf)
{
    constexpr int kFirst = 32;
    constexpr int kSize = 32;
    const QByteArray bytes = tw::test::readAll(dbf);
    QStringList fields;
    for (qsizetype at = kFirst; at + kSize <= bytes.size() && bytes[at] != '\r'; at += kSize) {
        const char type = bytes[at + 11];
        if (type == '0')
            continue;
        const int length = uchar(bytes[at + 16]);
        const int decimals = uchar(bytes[at + 17]);
        const int flags = uchar(bytes[at + 18]);
        QString field(QChar::fromLatin1(type));
        if (QByteArray("CVQN").contains(type))
            field += QString::number(length);
        if (type == 'N')
            field += u'.' + QString::number(decimals);
        if (type == 'I' && (flags & 0x08))
            field += u'+';
        if (flags & 0x02)
            field += u'?';
        fields << field;
    }
    return fields;
}

QDate day(int y, int m, int d)
{
    return QDate(y, m, d);
}

} // namespace

class KeepTypesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyType_data();
    void everyType();
    void roundTrips();
    void corpus_data();
    void corpus();

private:
    ProcessResult cli(const QStringList &args) { return run(m_cli, args, 300000); }
    QString folder(const QString &name);
    ProcessResult dumpParadox(const QString &folder, const QString &table)
    {
        return tw::test::pxjsonDump(m_pxjson, folder, table);
    }
    ProcessResult dumpFoxPro(const QString &dbf)
    {
        return run("/usr/bin/python3", {m_shared + "/tools/dbfjson.py", dbf});
    }
    QString differences(const QByteArray &a, const QByteArray &b, const QStringList &options = {})
    {
        return tw::test::dumpDifferences(m_work.path(), a, b, options);
    }
    QString copyDifferences(const QString &direction, const QByteArray &source, const QByteArray &target)
    {
        return tw::test::copyDifferences(m_work.path(), direction, source, target);
    }
    void writeFoxProSource(const QString &folder);
    void writeParadoxSource(const QString &folder);
    QString copyOfCorpus(const QString &from, const QString &name);

    QString m_cli;
    QString m_shared;
    QString m_pxjson;
    QTemporaryDir m_work;
};

void KeepTypesTest::initTestCase()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    m_cli = tw::test::programPath("tabwright-cli");
    QVERIFY(QFileInfo::exists(m_cli));
    m_shared = tw::test::sharedDir();
    QVERIFY2(!m_shared.isEmpty(), "no shared folder");
    QVERIFY2(QFileInfo::exists("/usr/lib/python3/dist-packages/dbfread"), "python3-dbfread is not installed");
    m_pxjson = m_work.filePath("pxjson");
    const ProcessResult built = run("gcc", {"-O2", "-o", m_pxjson, m_shared + "/tools/pxjson.c", "-lpx"});
    QVERIFY2(built.exitCode == 0, "pxjson cannot be built (pxlib-dev missing)");
}

QString KeepTypesTest::folder(const QString &name)
{
    const QString path = m_work.filePath(name);
    QDir().mkpath(path);
    return path;
}

// Every field type Visual FoxPro tables have, with a row of values and a row of blanks.
void KeepTypesTest::writeFoxProSource(const QString &folder)
{
    constexpr int kBinary = 0x04;
    constexpr int kAutoIncrement = 0x0C;
    const std::vector<tw::foxpro::NewField> fields{
        {"CHR", 'C', 10, 0, -1, false},     {"VCH", 'V', 12, 0, -1, true},
        {"BIN", 'C', 6, 0, kBinary, false}, {"VBIN", 'Q', 8, 0, -1, true},
        {"NUM", 'N', 10, 2, -1, false},     {"WIDE", 'N', 20, 4, -1, false},
        {"FLT", 'F', 12, 3, -1, false},     {"DBL", 'B', 8, 2, -1, true},
        {"INT", 'I', 4, 0, -1, true},       {"AUTO", 'I', 4, 0, kAutoIncrement, false},
        {"MONEY", 'Y', 8, 4, -1, true},     {"FLAG", 'L', 1, 0, -1, false},
        {"DAY", 'D', 8, 0, -1, false},      {"STAMP", 'T', 8, 0, -1, false},
        {"NOTE", 'M', 4, 0, -1, false},     {"BNOTE", 'M', 4, 0, kBinary, false},
        {"BLOB", 'W', 4, 0, -1, false},     {"PIC", 'G', 4, 0, -1, false},
    };
    auto writer = tw::foxpro::TableWriter::create(folder + "/every.dbf", fields);
    writer->append(
        {Variant::text("Ångström"), Variant::text("short"), Variant::bytes(QByteArray("\x00\x01\xfe\xff", 4)),
         Variant::bytes("\x10\x20"), Variant::decimal("-1234.56"), Variant::decimal("1234567890123456.7891"),
         Variant::decimal("12.125"), Variant::real(0.1), Variant::integer(-2147483647), Variant::integer(7),
         Variant::currency(123456789), Variant::boolean(true), Variant::date(day(1999, 12, 31)),
         Variant::dateTime(day(2024, 2, 29), 13 * 3600000 + 5 * 60000 + 9000), Variant::text("line one\r\nline two"),
         Variant::bytes(QByteArray("\x00\x80", 2)), Variant::bytes("blob"), Variant::bytes("OLE!")});
    writer->append({Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
                    Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::integer(8),
                    Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
                    Variant::null(), Variant::null(), Variant::null()});
}

// Every field type of Paradox 7 tables, with a row of values and a row of blanks.
void KeepTypesTest::writeParadoxSource(const QString &folder)
{
    using tw::paradox::FieldType;
    const std::vector<tw::paradox::NewField> columns{
        {"Alpha", FieldType::Alpha, 20, 0},
        {"Short", FieldType::Short, 0, 0},
        {"Long", FieldType::Long, 0, 0},
        {"Auto", FieldType::AutoIncrement, 0, 0},
        {"Number", FieldType::Number, 0, 0},
        {"Money", FieldType::Money, 0, 0},
        {"Bcd", FieldType::Bcd, 0, 2},
        {"Flag", FieldType::Logical, 0, 0},
        {"Day", FieldType::Date, 0, 0},
        {"Time", FieldType::Time, 0, 0},
        {"Stamp", FieldType::Timestamp, 0, 0},
        {"Note", FieldType::Memo, 0, 0},
        {"Formatted", FieldType::FormattedMemo, 0, 0},
        {"Blob", FieldType::Blob, 0, 0},
        {"Graphic", FieldType::Graphic, 0, 0},
        {"Ole", FieldType::Ole, 0, 0},
        {"Raw", FieldType::Bytes, 8, 0},
    };
    tw::paradox::TableWriter writer(folder, "EVERY", columns);
    writer.appendRow({Variant::text("Ångström"), Variant::integer(-32767), Variant::integer(2147483647),
                      Variant::integer(5), Variant::real(2.5e-3), Variant::real(1234.56), Variant::decimal("-98765.43"),
                      Variant::boolean(false), Variant::date(day(1, 1, 1)), Variant::time(23 * 3600000 + 59 * 60000),
                      Variant::dateTime(day(2024, 2, 29), 13 * 3600000 + 5 * 60000 + 9000),
                      Variant::text("memo\r\ntext"), Variant::text("formatted"), Variant::bytes("blob bytes"),
                      Variant::bytes("BM picture"), Variant::bytes("OLE object"), Variant::bytes("12345678")});
    writer.appendRow({Variant::null(), Variant::null(), Variant::null(), Variant::integer(6), Variant::null(),
                      Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
                      Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
                      Variant::null(), Variant::null()});
    writer.finish();
}

void KeepTypesTest::everyType_data()
{
    QTest::addColumn<bool>("toParadox");
    QTest::addColumn<QStringList>("fields"); // the target's, as its header holds them
    QTest::newRow("FoxPro to Paradox") << true
                                       << QStringList({"A10", "A12", "Y6", "B", "N", "#4", "N", "N", "I", "+", "$", "L",
                                                       "D", "@", "M", "B", "B", "O"});
    QTest::newRow("Paradox to FoxPro") << false
                                       << QStringList({"C20", "I?", "I?", "I+", "B?", "Y?", "N20.2?", "L", "D", "T",
                                                       "T", "M", "W", "W", "W", "G", "W"});
}

// Every field type of the source becomes its kept field, read back by pxlib
// or dbfread with the source's values.
void KeepTypesTest::everyType()
{
    QFETCH(bool, toParadox);
    QFETCH(QStringList, fields);
    const QString fox = folder(toParadox ? "fox-every" : "fox-target");
    const QString px = folder(toParadox ? "px-every" : "px-source");
    if (toParadox)
        writeFoxProSource(fox);
    else
        writeParadoxSource(px);
    const QString table = toParadox ? "every" : "EVERY";
    const ProcessResult copied = cli({"copy", toParadox ? "--to-paradox" : "--to-foxpro", "--keep-types", "--verify",
                                      "--foxpro", fox, "--paradox", px, table});
    QVERIFY2(copied.exitCode == 0, copied.out + copied.err);
    QCOMPARE(toParadox ? paradoxFields(px + "/every.db") : dbfFields(fox + "/EVERY.DBF"), fields);
    const ProcessResult foxDump = dumpFoxPro(fox + (toParadox ? "/every.dbf" : "/EVERY.DBF"));
    QVERIFY2(foxDump.exitCode == 0, foxDump.err.constData());
    const ProcessResult pxDump = dumpParadox(px, table);
    QVERIFY2(pxDump.exitCode == 0, pxDump.err.constData());
    const QString diff = toParadox ? copyDifferences("to-paradox", foxDump.out, pxDump.out)
                                   : copyDifferences("to-foxpro", pxDump.out, foxDump.out);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void KeepTypesTest::roundTrips()
{
    // FoxPro -> Paradox -> FoxPro: C, I, Y, D, T, L and M come back as they were.
    const QString fox = folder("round-fox");
    const std::vector<tw::foxpro::NewField> fields{
        {"NAME", 'C', 24, 0, -1, false}, {"QTY", 'I', 4, 0, -1, false}, {"PRICE", 'Y', 8, 4, -1, false},
        {"DUE", 'D', 8, 0, -1, false},   {"AT", 'T', 8, 0, -1, false},  {"PAID", 'L', 1, 0, -1, false},
        {"NOTES", 'M', 4, 0, -1, false},
    };
    {
        auto writer = tw::foxpro::TableWriter::create(fox + "/orders.dbf", fields);
        writer->append({Variant::text("Müller & Söhne"), Variant::integer(12), Variant::currency(19990000),
                        Variant::date(day(2023, 4, 3)), Variant::dateTime(day(2023, 4, 3), 36000000),
                        Variant::boolean(true), Variant::text("first\r\nsecond")});
        writer->append({Variant::text("x"), Variant::integer(-1), Variant::currency(-1), Variant::date(day(1900, 1, 1)),
                        Variant::dateTime(day(1900, 1, 1), 1000), Variant::boolean(false), Variant::text("")});
    }
    const QString px = folder("round-px");
    const QString back = folder("round-back");
    ProcessResult step =
        cli({"copy", "--to-paradox", "--keep-types", "--verify", "--foxpro", fox, "--paradox", px, "orders"});
    QVERIFY2(step.exitCode == 0, step.out + step.err);
    step = cli({"copy", "--to-foxpro", "--keep-types", "--verify", "--paradox", px, "--foxpro", back, "orders"});
    QVERIFY2(step.exitCode == 0, step.out + step.err);
    QStringList returned = dbfFields(back + "/ORDERS.DBF");
    returned.replaceInStrings("?", "");
    QCOMPARE(returned, dbfFields(fox + "/orders.dbf"));
    QString diff = differences(dumpFoxPro(fox + "/orders.dbf").out, dumpFoxPro(back + "/ORDERS.DBF").out, {"--names"});
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    // Paradox -> FoxPro -> Paradox: A, I, $, D, @, L and M come back as they were.
    const QString px2 = folder("round-px2");
    using tw::paradox::FieldType;
    {
        tw::paradox::TableWriter writer(px2, "CLIENTS",
                                        {{"Name", FieldType::Alpha, 30, 0},
                                         {"Visits", FieldType::Long, 0, 0},
                                         {"Balance", FieldType::Money, 0, 0},
                                         {"Since", FieldType::Date, 0, 0},
                                         {"Seen", FieldType::Timestamp, 0, 0},
                                         {"Active", FieldType::Logical, 0, 0},
                                         {"Notes", FieldType::Memo, 0, 0}});
        writer.appendRow({Variant::text("Librería Álvarez"), Variant::integer(3), Variant::real(-12.75),
                          Variant::date(day(2001, 9, 11)), Variant::dateTime(day(2020, 1, 2), 3723000),
                          Variant::boolean(true), Variant::text("a note")});
        writer.appendRow({Variant::text("Bob"), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
                          Variant::null(), Variant::null()});
        writer.finish();
    }
    const QString fox2 = folder("round-fox2");
    const QString back2 = folder("round-back2");
    step = cli({"copy", "--to-foxpro", "--keep-types", "--verify", "--paradox", px2, "--foxpro", fox2, "CLIENTS"});
    QVERIFY2(step.exitCode == 0, step.out + step.err);
    step = cli({"copy", "--to-paradox", "--keep-types", "--verify", "--foxpro", fox2, "--paradox", back2, "clients"});
    QVERIFY2(step.exitCode == 0, step.out + step.err);
    const QFileInfoList returnedTables = QDir(back2).entryInfoList({"*.db"}, QDir::Files);
    QCOMPARE(returnedTables.size(), 1);
    QCOMPARE(paradoxFields(returnedTables[0].filePath()), paradoxFields(px2 + "/CLIENTS.db"));
    diff = differences(dumpParadox(px2, "CLIENTS").out, dumpParadox(back2, returnedTables[0].completeBaseName()).out);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void KeepTypesTest::corpus_data()
{
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("intoContainer"); // to FoxPro: into a copy of the corpus container, else a folder
    const QString corpus = tw::test::sharedDir() + "/corpus";
    QTest::newRow("paradox") << "paradox" << corpus + "/paradox" << false;
    QTest::newRow("paradox into a container") << "paradox" << corpus + "/paradox" << true;
    QTest::newRow("free tables") << "foxpro" << corpus + "/foxpro/free" << false;
    QTest::newRow("container") << "foxpro" << corpus + "/foxpro/foxprodb/FOXPRO-DB-TEST.DBC" << false;
}

// A copy of a corpus folder (the copies write only their targets, but a
// container's tables are its own).
QString KeepTypesTest::copyOfCorpus(const QString &from, const QString &name)
{
    const QString copy = folder(name);
    QDirIterator it(from, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QFile::copy(it.filePath(), copy + "/" + it.fileName());
        QFile::setPermissions(copy + "/" + it.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    }
    return copy;
}

void KeepTypesTest::corpus()
{
    QFETCH(QString, side);
    QFETCH(QString, path);
    QFETCH(bool, intoContainer);
    const QString tag = QString(QTest::currentDataTag()).replace(' ', '-');
    const bool isFolder = QFileInfo(path).isDir();
    const QString source = copyOfCorpus(isFolder ? path : QFileInfo(path).path(), "corpus-" + tag);
    const QString sourcePath = isFolder ? source : source + "/" + QFileInfo(path).fileName();
    const ProcessResult listed = cli({"tables", "--" + side, sourcePath});
    QVERIFY2(listed.exitCode == 0, listed.err.constData());
    const QStringList tables = QString::fromUtf8(listed.out).split('\n', Qt::SkipEmptyParts);
    QVERIFY(!tables.isEmpty());
    QString target = folder("corpus-target-" + tag);
    if (intoContainer)
        target = copyOfCorpus(m_shared + "/corpus/foxpro/foxprodb", "corpus-target-" + tag) + "/FOXPRO-DB-TEST.DBC";
    const bool toParadox = side == "foxpro";
    const ProcessResult copied =
        cli(QStringList{"copy", toParadox ? "--to-paradox" : "--to-foxpro", "--keep-types", "--verify", "--yes",
                        "--" + side, sourcePath, toParadox ? "--paradox" : "--foxpro", target} +
            tables);
    QVERIFY2(copied.exitCode == 0, copied.out + copied.err);
    QCOMPARE(QString::fromUtf8(copied.out).count(": verified: "), tables.size());
    if (intoContainer) {
        // The container's index still agrees with its records, new tables and all.
        const ProcessResult index = run("/usr/bin/python3", {m_shared + "/tools/dcxcheck.py", "--strict", target});
        QVERIFY2(index.exitCode == 0, index.out + index.err);
    }
}

QTEST_GUILESS_MAIN(KeepTypesTest)
#include "tst_keep_types.moc"
