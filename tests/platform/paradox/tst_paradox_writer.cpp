// Writing Paradox tables: every field type, NULLs and extremes, memos and
// blobs of every size class, read back by our reader and by pxlib; the
// header against a corpus table; temporaries that never survive a failure.

#include "DumpSupport.h"
#include "TestSupport.h"
#include "cli/CanonicalDump.h"

#include "platform/ado/FormatLimit.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/encoding/TextCodec.h"
#include "platform/files/FaultPlan.h"
#include "platform/paradox/Crypt.h"
#include "platform/paradox/ParadoxFormat.h"
#include "platform/paradox/TableCursor.h"
#include "platform/paradox/TableReader.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using tw::ado::RuntimeError;
using tw::ado::Variant;
using tw::encoding::TextCodec;
using tw::paradox::FieldType;
using tw::paradox::NewField;
using tw::paradox::TableReader;
using tw::paradox::TableWriter;
using namespace tw::paradoxtest;

namespace {

using Rows = std::vector<std::vector<Variant>>;

QByteArray canonicalRows(const Rows &rows)
{
    QByteArray out;
    for (const auto &row : rows)
        tw::cli::appendCanonicalRow(out, row);
    return out;
}

QByteArray withoutHeaderLine(const QByteArray &dump)
{
    return dump.mid(dump.indexOf('\n') + 1);
}

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

QByteArray pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + seed) % 251); // NULs included
    return b;
}

QString text(int size, int seed)
{
    QString s;
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789 \u00e9\u20ac\r\n");
    for (int i = 0; i < size; ++i)
        s += alphabet[(i + seed) % alphabet.size()];
    return s;
}

} // namespace

class TestParadoxWriter : public QObject {
    Q_OBJECT

private:
    QString write(const QString &name, const std::vector<NewField> &columns, const Rows &rows);
    // Our reader's rows and pxlib's must both equal `expected`.
    void verifyReadBack(const QString &db, const QByteArray &expected);
    QStringList leftovers() const;

    QTemporaryDir m_dir;

private slots:
    void everyTypeWithNullsAndExtremes();
    void memoAndBlobSizes();
    void emptyTable();
    void manyRows();
    void valuesAcrossTheBuffers();
    void headerMatchesCorpusLayout();
    void blobFileMatchesCorpus();
    void refusesExistingTable();
    void failureAndAbandonLeaveNothing();
    void blobFileFailureNamesTableAndRow();
    void stopsBeforeTheFileLimits_data();
    void stopsBeforeTheFileLimits();
    void refusesBadDefinitions();
    void convertsValues();
    void valuesConvertByTheSharedRules();
    void tablesTakeTheirCodePage();
    void fieldNamesFitTheTable();
};

QString TestParadoxWriter::write(const QString &name, const std::vector<NewField> &columns, const Rows &rows)
{
    TableWriter writer(m_dir.path(), name, columns);
    for (const auto &row : rows)
        writer.appendRow(row);
    writer.finish();
    return writer.dbPath();
}

QStringList TestParadoxWriter::leftovers() const
{
    return QDir(m_dir.path()).entryList({QStringLiteral("~*")}, QDir::Files | QDir::Hidden);
}

void TestParadoxWriter::verifyReadBack(const QString &db, const QByteArray &expected)
{
    const QByteArray ours = dumpWithReader(db);
    QCOMPARE(withoutHeaderLine(ours), expected);
    if (pxjson().isEmpty())
        return;
    QString error;
    const QByteArray theirs = dumpWithPxjson(db, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const Comparison c = compareDumps(ours, theirs, {QStringLiteral("--names")});
    QVERIFY2(c.same, qPrintable(c.report));
}

void TestParadoxWriter::everyTypeWithNullsAndExtremes()
{
    const std::vector<NewField> columns = {
        {QStringLiteral("Alpha"), FieldType::Alpha, 20},    {QStringLiteral("Memo"), FieldType::Memo},
        {QStringLiteral("Blob"), FieldType::Blob},          {QStringLiteral("FMemo"), FieldType::FormattedMemo, 5},
        {QStringLiteral("Ole"), FieldType::Ole, 1},         {QStringLiteral("Graphic"), FieldType::Graphic, 20},
        {QStringLiteral("Short"), FieldType::Short},        {QStringLiteral("Long"), FieldType::Long},
        {QStringLiteral("Auto"), FieldType::AutoIncrement}, {QStringLiteral("Number"), FieldType::Number},
        {QStringLiteral("Money"), FieldType::Money},        {QStringLiteral("Bcd"), FieldType::Bcd, 0, 2},
        {QStringLiteral("Logical"), FieldType::Logical},    {QStringLiteral("Date"), FieldType::Date},
        {QStringLiteral("Time"), FieldType::Time},          {QStringLiteral("Stamp"), FieldType::Timestamp},
        {QStringLiteral("Bytes"), FieldType::Bytes, 8},
    };
    const QDate first(1, 1, 1), last(9999, 12, 31);
    const Rows rows = {
        {Variant::text(QStringLiteral("Hello \u00e9\u20ac")), Variant::text(QStringLiteral("short")),
         Variant::bytes(bytesOf({0, 1, 2})), Variant::bytes(pattern(300, 1)), Variant::bytes(pattern(70, 2)),
         Variant::bytes(pattern(5, 3)), Variant::integer(1), Variant::integer(1), Variant::integer(1),
         Variant::real(1.5), Variant::currency(12500), Variant::decimal(QStringLiteral("12.34")),
         Variant::boolean(true), Variant::date(QDate(2024, 2, 29)), Variant::time(49556789),
         Variant::dateTime(QDate(1999, 12, 31), 86399999), Variant::bytes(bytesOf({0, 'a', 'b'}))},
        {Variant::text(QString(20, QChar(0xFF))), Variant::text(text(3000, 1)), Variant::bytes(pattern(5000, 4)),
         Variant::bytes(pattern(3, 5)), Variant::bytes(pattern(3000, 6)), Variant::bytes(pattern(9000, 7)),
         Variant::integer(32767), Variant::integer(2147483647), Variant::integer(2147483647),
         Variant::real(1.7976931348623157e308), Variant::currency(-9999999999999),
         Variant::decimal(QStringLiteral("-999999999999999999999999999999.99")), Variant::boolean(false),
         Variant::date(first), Variant::time(0), Variant::dateTime(first, 0), Variant::bytes(QByteArray(8, '\xFF'))},
        {Variant::text(QStringLiteral("x")), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
         Variant::null(), Variant::integer(-32767), Variant::integer(-2147483647), Variant::integer(7),
         Variant::real(-2.2250738585072014e-308), Variant::currency(0), Variant::decimal(QStringLiteral("0")),
         Variant::boolean(true), Variant::date(last), Variant::time(86399999), Variant::dateTime(last, 86399999),
         Variant::bytes(QByteArray(1, '\x01'))},
        std::vector<Variant>(columns.size(), Variant::null()),
        {Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant::integer(0), Variant::integer(0),
         Variant::null(), Variant::real(0.0), Variant::real(-0.0), Variant::decimal(QStringLiteral("-0.004")),
         Variant::null(), Variant::null(), Variant::null(), Variant::null(), Variant::null()},
    };
    const QString db = write(QStringLiteral("types"), columns, rows);

    Rows expected = rows;
    expected[0][16] = Variant::bytes(bytesOf({0, 'a', 'b', 0, 0, 0, 0, 0})); // Y is read at its full width
    expected[2][16] = Variant::bytes(bytesOf({1, 0, 0, 0, 0, 0, 0, 0}));
    expected[2][11] = Variant::decimal(QStringLiteral("0.00"));
    expected[4][11] = Variant::decimal(QStringLiteral("0.00")); // rounded to 2 decimals
    // Money is read back as the double stored.
    expected[0][10] = Variant::real(1.25);
    expected[1][10] = Variant::real(-999999999.9999);
    expected[2][10] = Variant::real(0.0);
    expected[4][10] = Variant::real(0.0);
    for (int i = 0; i < 6; ++i)
        expected[4][i] = Variant::null();
    expected[0][11] = Variant::decimal(QStringLiteral("12.34"));
    expected[1][11] = Variant::decimal(QStringLiteral("-999999999999999999999999999999.99"));
    verifyReadBack(db, canonicalRows(expected));

    TableReader reader(db);
    QCOMPARE(reader.header().fileVersion, 0x0B);
    QCOMPARE(reader.header().codePage, 1252);
    QCOMPARE(reader.header().blockSize, 4096);
    QCOMPARE(reader.header().autoIncrement, 2147483647);
    QCOMPARE(QFileInfo(m_dir.filePath(QStringLiteral("types.mb"))).size() % 4096, 0);
    QVERIFY(leftovers().isEmpty());
}

void TestParadoxWriter::memoAndBlobSizes()
{
    const std::vector<NewField> columns = {{QStringLiteral("N"), FieldType::Long},
                                           {QStringLiteral("Memo"), FieldType::Memo, 10},
                                           {QStringLiteral("Blob"), FieldType::Blob, 0},
                                           {QStringLiteral("Pic"), FieldType::Graphic, 10}};
    // Around the leader, the sub-allocation limit, one type-2 block, and a big one.
    const int sizes[] = {1, 9, 10, 11, 16, 17, 2047, 2048, 2049, 4087, 4088, 100000};
    Rows rows;
    for (int size : sizes)
        rows.push_back({Variant::integer(size), Variant::text(text(size, size)), Variant::bytes(pattern(size, size)),
                        Variant::bytes(pattern(size, size + 1))});
    // Enough small values to use up the entries and the room of several
    // sub-allocated blocks.
    for (int i = 0; i < 150; ++i)
        rows.push_back({Variant::integer(i), Variant::text(text(11 + i % 3, i)),
                        Variant::bytes(pattern(11 + (i * 37) % 300, i)), Variant::null()});
    tw::test::writeAll(m_dir.filePath(QStringLiteral("BLOBS.MB")), "a memo file left without its table");
    const QString db = write(QStringLiteral("blobs"), columns, rows);
    if (!tw::test::onWindows()) // there "BLOBS.MB" names the new blobs.mb
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("BLOBS.MB"))));
    verifyReadBack(db, canonicalRows(rows));
    const qint64 mbSize = QFileInfo(m_dir.filePath(QStringLiteral("blobs.mb"))).size();
    QCOMPARE(mbSize % 4096, 0);
    // The 100,000-byte values take blocks of their own: 25 blocks each.
    QVERIFY(mbSize >= 3 * 25 * 4096);
}

void TestParadoxWriter::emptyTable()
{
    const QString db = write(QStringLiteral("empty"),
                             {{QStringLiteral("A"), FieldType::Alpha, 10}, {QStringLiteral("M"), FieldType::Memo}}, {});
    TableReader reader(db);
    QCOMPARE(reader.rowCount(), qint64(0));
    QCOMPARE(reader.header().firstBlock, 0);
    verifyReadBack(db, QByteArray());
}

void TestParadoxWriter::manyRows()
{
    // The export's shapes: INT, VARCHAR, FLOAT, DATETIME, MEMO, OLEOBJECT.
    const std::vector<NewField> columns = {
        {QStringLiteral("Id"), FieldType::Long},       {QStringLiteral("Name"), FieldType::Alpha, 255},
        {QStringLiteral("Amount"), FieldType::Number}, {QStringLiteral("Stamp"), FieldType::Timestamp},
        {QStringLiteral("Notes"), FieldType::Memo},    {QStringLiteral("Data"), FieldType::Blob}};
    const int count = 100000;
    auto rowFor = [](int i) {
        return std::vector<Variant>{Variant::integer(i),
                                    Variant::text(QStringLiteral("name %1").arg(i)),
                                    Variant::real(i / 8.0),
                                    Variant::dateTime(QDate(2000, 1, 1).addDays(i % 5000), i % 86400000),
                                    i % 10 ? Variant::text(QStringLiteral("n%1").arg(i)) : Variant::text(text(3000, i)),
                                    i % 100 ? Variant::null() : Variant::bytes(pattern(50, i))};
    };
    QByteArray expected;
    {
        TableWriter writer(m_dir.path(), QStringLiteral("many.db"), columns);
        Rows one(1);
        for (int i = 0; i < count; ++i) {
            one[0] = rowFor(i);
            writer.appendRow(one[0]);
            expected += canonicalRows(one);
        }
        writer.finish();
    }
    const QString db = m_dir.filePath(QStringLiteral("many.db"));
    TableReader reader(db);
    QCOMPARE(reader.rowCount(), qint64(count));
    verifyReadBack(db, expected);
}

void TestParadoxWriter::valuesAcrossTheBuffers()
{
    // Values around the reader's 128 KiB windows and the writer's 1 MiB
    // buffer: a run of values in blocks of their own that crosses window ends
    // while small memos keep a sub-allocated block open behind them, a memo
    // and a blob larger than a window, one larger than the buffer. Read back
    // plain, then scrambled as a table with a password is.
    const std::vector<NewField> columns = {{QStringLiteral("N"), FieldType::Long},
                                           {QStringLiteral("Memo"), FieldType::Memo, 10},
                                           {QStringLiteral("Data"), FieldType::Blob, 10}};
    Rows rows;
    for (int i = 0; i < 120; ++i)
        rows.push_back(
            {Variant::integer(i), Variant::text(text(12 + i % 40, i)), Variant::bytes(pattern(2100 + i * 37, i))});
    rows.push_back({Variant::integer(1000), Variant::text(text(200000, 3)), Variant::bytes(pattern(300 * 1024, 5))});
    rows.push_back({Variant::integer(1001), Variant::text(text(20, 4)), Variant::bytes(pattern(1536 * 1024 + 5, 6))});
    for (int i = 0; i < 40; ++i)
        rows.push_back({Variant::integer(2000 + i), Variant::text(text(30, i)), Variant::bytes(pattern(5000, i))});
    const QString db = write(QStringLiteral("windows"), columns, rows);
    const QByteArray expected = canonicalRows(rows);
    verifyReadBack(db, expected);

    using namespace tw::paradox;
    const quint32 key = 0x6E25449Au;
    int headerSize = 0, blockSize = 0;
    {
        TableReader reader(db);
        headerSize = reader.header().headerSize;
        blockSize = reader.header().blockSize;
    }
    QByteArray table = tw::test::readAll(db);
    auto *t = reinterpret_cast<unsigned char *>(table.data());
    putU32LE(t + db::kEncryption2, key);
    t[db::kUnknown3E] = 0;
    t[db::kUnknown3E + 1] = 0;
    quint32 number = 1;
    for (qint64 at = headerSize; at < table.size(); at += blockSize)
        encryptDbBlock(t + at, size_t(blockSize), key, number++);
    tw::test::writeAll(db, table);
    const QString mb = m_dir.filePath(QStringLiteral("windows.mb"));
    QByteArray blobs = tw::test::readAll(mb);
    encryptMbUnits(reinterpret_cast<unsigned char *>(blobs.data()), static_cast<size_t>(blobs.size()), key);
    tw::test::writeAll(mb, blobs);
    QCOMPARE(withoutHeaderLine(dumpWithReader(db)), expected);
}

void TestParadoxWriter::headerMatchesCorpusLayout()
{
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    // logical.db: a 5.x table in code page 1252 with one L field "BOOL".
    const QByteArray theirs = tw::test::readAll(tw::test::sharedDir() + QStringLiteral("/corpus/paradox/logical.db"));
    const QString db = write(
        QStringLiteral("logical"), {{QStringLiteral("BOOL"), FieldType::Logical}},
        {{Variant::boolean(true)}, {Variant::boolean(false)}, {Variant::boolean(true)}, {Variant::boolean(true)}});
    const QByteArray ours = tw::test::readAll(db);
    auto same = [&](int offset, int length) {
        if (ours.mid(offset, length) != theirs.mid(offset, length))
            QFAIL(qPrintable(QStringLiteral("header bytes at 0x%1 differ: %2 != %3")
                                 .arg(offset, 2, 16)
                                 .arg(QString::fromLatin1(ours.mid(offset, length).toHex()),
                                      QString::fromLatin1(theirs.mid(offset, length).toHex()))));
    };
    same(0x00, 5);  // record size, header size, file type
    same(0x06, 4);  // records
    same(0x20, 10); // index levels, fields, key fields, encryption, sort order
    same(0x38, 2);  // write protection, version
    same(0x3D, 3);
    same(0x51, 2); // real header size
    same(0x55, 2);
    same(0x58, 8);                           // version words, no encryption
    same(0x64, 4);                           // field ids
    same(0x6A, 6);                           // code page, sort-order name offset
    same(0x78, 2);                           // field info
    same(0xD1, 0xE1 - 0xD1);                 // field names, numbers, sort-order name
    QCOMPARE(quint8(ours[0x05]), quint8(4)); // 4 KiB blocks
    // The records themselves, byte for byte.
    QCOMPARE(ours.mid(0x800 + 6, 4), theirs.mid(0x800 + 6, 4));
}

void TestParadoxWriter::blobFileMatchesCorpus()
{
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    // memo.db: an autoincrement and a memo with a 240-byte leader; record 1
    // holds 555 bytes in a sub-allocated block, record 2 fits its leader.
    const QString corpus = tw::test::sharedDir() + QStringLiteral("/corpus/paradox/");
    TableReader original(corpus + QStringLiteral("memo.db"));
    Rows rows;
    std::vector<Variant> row;
    while (original.next(row))
        rows.push_back(row);
    const QString db =
        write(QStringLiteral("memo"),
              {{QStringLiteral("Id"), FieldType::AutoIncrement}, {QStringLiteral("MEMO"), FieldType::Memo, 240}}, rows);
    const QByteArray ourDb = tw::test::readAll(db), theirDb = tw::test::readAll(corpus + QStringLiteral("memo.db"));
    const int recordBytes = 2 * 254;
    QCOMPARE(ourDb.mid(0x800 + 6, recordBytes).toHex(), theirDb.mid(0x800 + 6, recordBytes).toHex());
    QCOMPARE(ourDb.mid(0x800, 6).toHex(), theirDb.mid(0x800, 6).toHex()); // block header
    QCOMPARE(ourDb.mid(0x49, 4).toHex(), theirDb.mid(0x49, 4).toHex());   // last autoincrement value
    const QByteArray ourMb = tw::test::readAll(m_dir.filePath(QStringLiteral("memo.mb")));
    const QByteArray theirMb = tw::test::readAll(corpus + QStringLiteral("memo.mb"));
    QCOMPARE(ourMb.size(), theirMb.size());
    QCOMPARE(ourMb.left(0x38).toHex(), theirMb.left(0x38).toHex());                             // header block
    QCOMPARE(ourMb.mid(0x1000, 3).toHex(), theirMb.mid(0x1000, 3).toHex());                     // type 3, 1
    QCOMPARE(ourMb.mid(0x1000 + 12, 64 * 5).toHex(), theirMb.mid(0x1000 + 12, 64 * 5).toHex()); // entries
    QCOMPARE(ourMb.mid(0x1000 + 0x150, 555), theirMb.mid(0x1000 + 0x150, 555));                 // the value
}

void TestParadoxWriter::refusesExistingTable()
{
    write(QStringLiteral("Exists"), {{QStringLiteral("A"), FieldType::Alpha, 5}},
          {{Variant::text(QStringLiteral("a"))}});
    try {
        TableWriter writer(m_dir.path(), QStringLiteral("EXISTS.DB"), {{QStringLiteral("A"), FieldType::Alpha, 5}});
        QFAIL("an existing table was not refused");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.description().contains(QLatin1String("already exists")), qPrintable(e.description()));
    }
    // Created meanwhile: finish refuses and leaves the other table alone.
    TableWriter writer(m_dir.path(), QStringLiteral("late"), {{QStringLiteral("A"), FieldType::Alpha, 5}});
    writer.appendRow({Variant::text(QStringLiteral("mine"))});
    tw::test::writeAll(m_dir.filePath(QStringLiteral("LATE.db")), "other");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, writer.finish());
    QCOMPARE(tw::test::readAll(m_dir.filePath(QStringLiteral("LATE.db"))), QByteArray("other"));
    QVERIFY(leftovers().isEmpty());
}

void TestParadoxWriter::stopsBeforeTheFileLimits_data()
{
    QTest::addColumn<int>("memoLength");
    QTest::addColumn<int>("fittingRows"); // the rows that fit; the next one is refused
    QTest::addColumn<QString>("message");
    // A header of 2 KiB and two blocks of 4 KiB, each of 170 records of 24 bytes.
    QTest::newRow("rows past the table's blocks")
        << 0 << 340
        << QStringLiteral("limited.db would pass 2 blocks of 4,096 bytes, the most a Paradox table holds; the table "
                          "limited needs at least 1 block more for 341 rows of 24 bytes.");
    // The header block and a block of its own per memo of 3,000 bytes.
    QTest::newRow("memos past the blob file")
        << 3000 << 1
        << QStringLiteral("limited.mb would pass 10,240 bytes, the most a Paradox blob file holds; the table limited "
                          "needs at least 2,048 bytes more.");
}

void TestParadoxWriter::stopsBeforeTheFileLimits()
{
    QFETCH(int, memoLength);
    QFETCH(int, fittingRows);
    QFETCH(QString, message);
    tw::files::FaultPlan plan;
    plan.formatFileLimit = 10240;
    const tw::files::ScopedFaultPlan limits(plan);
    const std::vector<NewField> columns = {{QStringLiteral("I"), FieldType::Long},
                                           {QStringLiteral("M"), FieldType::Memo}};
    // What a write that must be refused says; its number and kind must be the
    // limit's, and it names the file and the table.
    const auto refused = [&](const std::function<void()> &write) -> QString {
        try {
            write();
        } catch (const RuntimeError &e) {
            const bool limit = e.number() == tw::ado::kErrPastFormatLimit && e.kind() == RuntimeError::Kind::Limit &&
                               e.table() == QLatin1String("limited") && e.file().startsWith(QLatin1String("limited."));
            return limit ? e.description() : QStringLiteral("error %1").arg(e.number());
        }
        return QStringLiteral("not refused");
    };
    // Known ahead, without a file: the rows the blocks hold, even in larger
    // blocks (one of 8 KiB holds 341), and no more.
    TableWriter::requireRoom(QStringLiteral("limited"), columns, 341);
    QVERIFY(refused([&] {
                TableWriter::requireRoom(QStringLiteral("limited"), columns, 342);
            }).startsWith(QLatin1String("limited.db would pass 1 block of 8,192 bytes")));
    QVERIFY(leftovers().isEmpty());

    TableWriter writer(m_dir.path(), QStringLiteral("limited"), columns);
    const auto row = [&](int i) {
        return std::vector<Variant>{Variant::integer(i),
                                    memoLength ? Variant::text(QString(memoLength, u'm')) : Variant::null()};
    };
    for (int i = 0; i < fittingRows; ++i)
        writer.appendRow(row(i));
    QCOMPARE(refused([&] { writer.appendRow(row(fittingRows)); }), message);
    // The table is given up whole: nothing of it stays.
    QVERIFY(leftovers().isEmpty());
    QVERIFY(QDir(m_dir.path()).entryList({QStringLiteral("limited.*")}, QDir::Files).isEmpty());
}

void TestParadoxWriter::failureAndAbandonLeaveNothing()
{
    const std::vector<NewField> columns = {{QStringLiteral("I"), FieldType::Long},
                                           {QStringLiteral("M"), FieldType::Memo}};
    {
        TableWriter writer(m_dir.path(), QStringLiteral("bad"), columns);
        writer.appendRow({Variant::integer(1), Variant::text(text(5000, 1))});
        QVERIFY(!leftovers().isEmpty());
        try {
            writer.appendRow({Variant::integer(2), Variant::null(), Variant::null()});
            QFAIL("a row of more values than fields was written");
        } catch (const RuntimeError &e) {
            QVERIFY2(e.description().contains(QLatin1String("3 values")) &&
                         e.description().contains(QLatin1String("bad.db")),
                     qPrintable(e.description()));
        }
        QVERIFY(leftovers().isEmpty());
        QVERIFY_THROWS_EXCEPTION(RuntimeError, writer.finish());
    }
    {
        TableWriter writer(m_dir.path(), QStringLiteral("dropped"), columns);
        writer.appendRow({Variant::integer(1), Variant::null()});
        writer.abandon();
    }
    {
        TableWriter writer(m_dir.path(), QStringLiteral("forgotten"), columns);
        writer.appendRow({Variant::integer(1), Variant::null()});
    }
    QVERIFY(leftovers().isEmpty());
    const QStringList names = QDir(m_dir.path()).entryList(QDir::Files);
    for (const QString &n : names)
        QVERIFY2(!n.startsWith(QLatin1String("bad")) && !n.startsWith(QLatin1String("dropped")) &&
                     !n.startsWith(QLatin1String("forgotten")),
                 qPrintable(n));
}

void TestParadoxWriter::blobFileFailureNamesTableAndRow()
{
    // The blob file's own failure gets the table and the row before it; the
    // error keeps the blob file as its file.
    tw::files::FaultPlan plan;
    plan.fileSizeLimit = 64 * 1024;
    const tw::files::ScopedFaultPlan full(plan);
    TableWriter writer(m_dir.path(), QStringLiteral("full"),
                       {{QStringLiteral("I"), FieldType::Long}, {QStringLiteral("M"), FieldType::Memo}});
    for (int i = 1; i <= 1000; ++i) {
        try {
            writer.appendRow({Variant::integer(i), Variant::text(text(5000, i))});
        } catch (const RuntimeError &e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::File);
            QCOMPARE(e.file(), QStringLiteral("full.mb"));
            QCOMPARE(e.table(), QStringLiteral("full.db"));
            QCOMPARE(e.row(), qint64(i));
            const QString begin = QStringLiteral("full.db, row %1: full.mb: write error: ").arg(i);
            QVERIFY2(e.description().startsWith(begin) && e.description().endsWith(u'.'), qPrintable(e.description()));
            QVERIFY(leftovers().isEmpty());
            return;
        }
    }
    QFAIL("the blob file grew past its size limit without failing");
}

void TestParadoxWriter::refusesBadDefinitions()
{
    const std::vector<std::vector<NewField>> bad = {
        {},
        {{QStringLiteral("A"), FieldType::Alpha, 0}},
        {{QStringLiteral("A"), FieldType::Alpha, 256}},
        {{QStringLiteral("M"), FieldType::Memo, 241}},
        {{QStringLiteral("B"), FieldType::Bcd, 0, 33}},
        {{QStringLiteral("Same"), FieldType::Long}, {QStringLiteral("SAME"), FieldType::Long}},
        {{QStringLiteral("A name longer than 25 chars"), FieldType::Long}},
    };
    for (const auto &columns : bad)
        QVERIFY_THROWS_EXCEPTION(RuntimeError, TableWriter(m_dir.path(), QStringLiteral("refused"), columns));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, TableWriter(m_dir.filePath(QStringLiteral("missing")), QStringLiteral("t"),
                                                       {{QStringLiteral("A"), FieldType::Long}}));
    // Records over 4 KiB get larger blocks.
    std::vector<NewField> wide;
    for (int i = 0; i < 20; ++i)
        wide.push_back({QStringLiteral("F%1").arg(i), FieldType::Alpha, 255});
    TableWriter writer(m_dir.path(), QStringLiteral("wide"), wide);
    QCOMPARE(writer.blockSize(), 8 * 1024);
    writer.appendRow({Variant::text(QStringLiteral("x"))});
    writer.finish();
    verifyReadBack(writer.dbPath(), "[\"x\"" + QByteArray(", null").repeated(19) + "]\n");
    QVERIFY(leftovers().isEmpty());

    // Blocks grow when the expected rows would not fit 65,535 blocks of 4 KiB.
    std::vector<NewField> four(wide.begin(), wide.begin() + 4); // 1,020-byte records
    QCOMPARE(TableWriter(m_dir.path(), QStringLiteral("rows1"), four, 200000).blockSize(), 4096);
    QCOMPARE(TableWriter(m_dir.path(), QStringLiteral("rows2"), four, 1000000).blockSize(), 16384);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, TableWriter(m_dir.path(), QStringLiteral("rows3"), four, 10000000));
    QVERIFY(leftovers().isEmpty());
}

void TestParadoxWriter::convertsValues()
{
    const std::vector<NewField> columns = {
        {QStringLiteral("S"), FieldType::Short},    {QStringLiteral("I"), FieldType::Long},
        {QStringLiteral("N"), FieldType::Number},   {QStringLiteral("D"), FieldType::Date},
        {QStringLiteral("T"), FieldType::Time},     {QStringLiteral("TS"), FieldType::Timestamp},
        {QStringLiteral("L"), FieldType::Logical},  {QStringLiteral("A"), FieldType::Alpha, 5},
        {QStringLiteral("C"), FieldType::Bcd, 0, 3}};
    const Rows rows = {{Variant::text(QStringLiteral(" 12 ")), Variant::real(41.6),
                        Variant::text(QStringLiteral("2.5")), Variant::text(QStringLiteral("2020-02-03")),
                        Variant::text(QStringLiteral("10:11:12")),
                        Variant::text(QStringLiteral("2020-02-03 10:11:12.5")), Variant::text(QStringLiteral("True")),
                        Variant::integer(12345), Variant::real(1.0005)},
                       {Variant::currency(25000), Variant::decimal(QStringLiteral("-7")), Variant::integer(3),
                        Variant::dateTime(QDate(2001, 5, 6), 1000), Variant::dateTime(QDate(2001, 5, 6), 1000),
                        Variant::date(QDate(2001, 5, 6)), Variant::integer(0), Variant::boolean(true),
                        Variant::text(QStringLiteral("-1.2345"))}};
    const QString db = write(QStringLiteral("convert"), columns, rows);
    const QByteArray expected =
        "[12, 42, 2.5, \"2020-02-03\", \"10:11:12\", \"2020-02-03 10:11:12.500\", true, \"12345\", 1.001]\n"
        "[3, -7, 3, \"2001-05-06\", \"00:00:01\", \"2001-05-06 00:00:00\", false, \"True\", -1.235]\n";
    verifyReadBack(db, expected);

    const std::vector<std::pair<NewField, Variant>> impossible = {
        {{QStringLiteral("S"), FieldType::Short}, Variant::integer(32768)},
        {{QStringLiteral("S"), FieldType::Short}, Variant::integer(-32768)},
        {{QStringLiteral("I"), FieldType::Long}, Variant::real(3e9)},
        {{QStringLiteral("I"), FieldType::Long}, Variant::text(QStringLiteral("x"))},
        {{QStringLiteral("N"), FieldType::Number}, Variant::date(QDate(2000, 1, 1))},
        {{QStringLiteral("D"), FieldType::Date}, Variant::text(QStringLiteral("2000-13-01"))},
        {{QStringLiteral("D"), FieldType::Date}, Variant::integer(5)},
        {{QStringLiteral("A"), FieldType::Alpha, 3}, Variant::text(QStringLiteral("four"))},
        {{QStringLiteral("Y"), FieldType::Bytes, 2}, Variant::bytes("abc")},
        {{QStringLiteral("C"), FieldType::Bcd, 0, 2}, Variant::text(QStringLiteral("1e40"))},
    };
    // A value its field cannot hold goes as Null and is counted; the table goes on.
    int made = 0;
    for (const auto &[column, value] : impossible) {
        const QString name = QStringLiteral("imp%1").arg(made++);
        {
            TableWriter writer(m_dir.path(), name, {column});
            writer.appendRow({value});
            writer.appendRow({Variant::null()});
            QCOMPARE(writer.lostValues().count(), qint64(1));
            const tw::ado::LostValue &lost = writer.lostValues().first().front();
            QCOMPARE(lost.row, qint64(1));
            QCOMPARE(lost.column, column.name);
            QCOMPARE(lost.value, tw::ado::LostValues::describe(value));
            QVERIFY(!lost.reason.isEmpty());
            writer.finish();
        }
        TableReader reader(m_dir.filePath(name + QStringLiteral(".db")));
        QCOMPARE(reader.rowCount(), qint64(2));
        std::vector<Variant> row;
        QVERIFY(reader.next(row));
        QVERIFY2(row[0].isNull(), qPrintable(row[0].toText()));
    }
    QVERIFY(leftovers().isEmpty());
}

// Texts read by the one vocabulary of ValueText, other values converted by its
// rules, as the FoxPro writer and the work database take them; the day ranges
// are the fields' own.
void TestParadoxWriter::valuesConvertByTheSharedRules()
{
    const std::vector<NewField> columns = {
        {QStringLiteral("L"), FieldType::Logical},    {QStringLiteral("S"), FieldType::Short},
        {QStringLiteral("N"), FieldType::Number},     {QStringLiteral("T"), FieldType::Time},
        {QStringLiteral("TS"), FieldType::Timestamp}, {QStringLiteral("D"), FieldType::Date},
        {QStringLiteral("C"), FieldType::Bcd, 0, 2}};
    const Rows rows = {{Variant::text(QStringLiteral(".T.")), Variant::text(QStringLiteral("1e2")),
                        Variant::text(QStringLiteral("+.5")), Variant::text(QStringLiteral("2024-01-02 03:04")),
                        Variant::time(1000), Variant::text(QStringLiteral("-0044-03-15 12:00")), Variant::real(2.675)},
                       {Variant::text(QStringLiteral("0.0")), Variant::currency(-25000), Variant::boolean(true),
                        Variant::date(QDate(2001, 5, 6)), Variant::text(QStringLiteral("7:05")),
                        Variant::date(QDate(10000, 1, 1)), Variant::text(QStringLiteral("1.5e-1"))}};
    const QString db = write(QStringLiteral("shared"), columns, rows);
    const QByteArray expected = "[true, 100, 0.5, \"03:04:00\", \"1899-12-30 00:00:01\", null, 2.68]\n"
                                "[false, -3, -1, \"00:00:00\", \"1899-12-30 07:05:00\", \"10000-01-01\", 0.15]\n";
    // The date of 44 BC lies before day 1 of the field: lost, and counted.
    QCOMPARE(withoutHeaderLine(dumpWithReader(db)), expected);

    const std::vector<std::pair<NewField, Variant>> impossible = {
        {{QStringLiteral("L"), FieldType::Logical}, Variant::text(QStringLiteral("maybe"))},
        {{QStringLiteral("N"), FieldType::Number}, Variant::text(QStringLiteral("1,5"))},
        {{QStringLiteral("D"), FieldType::Date}, Variant::time(5)},
        {{QStringLiteral("D"), FieldType::Date}, Variant::text(QStringLiteral("123456789-01-01"))},
        {{QStringLiteral("TS"), FieldType::Timestamp}, Variant::date(QDate(40000, 1, 1))},
        {{QStringLiteral("T"), FieldType::Time}, Variant::text(QStringLiteral("24:00"))},
    };
    int made = 0;
    for (const auto &[column, value] : impossible) {
        const QString name = QStringLiteral("lost%1").arg(made++);
        TableWriter writer(m_dir.path(), name, {column});
        writer.appendRow({value});
        QCOMPARE(writer.lostValues().count(), qint64(1));
        writer.finish();
    }
    QVERIFY(leftovers().isEmpty());
}

void TestParadoxWriter::tablesTakeTheirCodePage()
{
    const auto header = [](const QString &db) {
        const QByteArray bytes = tw::test::readAll(db);
        const auto *p = tw::encoding::bytesOf(bytes.constData());
        const int nameAt =
            tw::encoding::getU16LE(p + tw::paradox::db::kSortOrderNamePtr) + tw::paradox::db::kDataHeaderBase;
        return std::tuple(int(tw::encoding::getU16LE(p + tw::paradox::db::kDosCodePage)),
                          int(p[tw::paradox::db::kSortOrder]), QByteArray(bytes.constData() + nameAt));
    };
    // Code page 866 with Paradox's own sort order for it; text and names in it.
    {
        TableWriter writer(
            m_dir.path(), QStringLiteral("cyr"),
            {{QString::fromUtf8("Фамилия"), FieldType::Alpha, 20}, {QString::fromUtf8("Заметка"), FieldType::Memo}}, 0,
            866);
        QCOMPARE(writer.codePage(), 866);
        writer.appendRow({Variant::text(QString::fromUtf8("Ёжиков")), Variant::text(QString::fromUtf8("╔═╗ №1"))});
        QCOMPARE(writer.unmappedCharacters(), qint64(0));
        writer.finish();
        QCOMPARE(header(writer.dbPath()), std::tuple(866, 0xC0, QByteArray("cyrr")));
        QVERIFY(tw::test::readAll(writer.dbPath())
                    .contains(TextCodec::forCodePage(866).encode(QString::fromUtf8("Фамилия"))));
        tw::paradox::TableCursor cursor(writer.dbPath());
        QCOMPARE(cursor.codePage(), 866);
        QCOMPARE(cursor.columns()[0].name, QString::fromUtf8("Фамилия"));
        verifyReadBack(writer.dbPath(), QString::fromUtf8("[\"Ёжиков\", \"╔═╗ №1\"]\n").toUtf8());
    }
    // Two bytes a character, in alpha fields and memos alike.
    {
        TableWriter writer(
            m_dir.path(), QStringLiteral("zh"),
            {{QString::fromUtf8("名称"), FieldType::Alpha, 4}, {QString::fromUtf8("说明"), FieldType::Memo, 3}}, 0,
            936);
        writer.appendRow({Variant::text(QString::fromUtf8("中文")), Variant::text(QString::fromUtf8("我能吞下玻璃"))});
        // "中文字" takes six bytes: more than the field's four; it goes as Null, counted.
        writer.appendRow({Variant::text(QString::fromUtf8("中文字"))});
        QCOMPARE(writer.lostValues().count(), qint64(1));
    }
    {
        TableWriter writer(
            m_dir.path(), QStringLiteral("zh"),
            {{QString::fromUtf8("名称"), FieldType::Alpha, 4}, {QString::fromUtf8("说明"), FieldType::Memo, 3}}, 0,
            936);
        writer.appendRow({Variant::text(QString::fromUtf8("中文")), Variant::text(QString::fromUtf8("我能吞下玻璃"))});
        writer.finish();
        QCOMPARE(header(writer.dbPath()), std::tuple(936, 0x03, QByteArray("china")));
        verifyReadBack(writer.dbPath(), QString::fromUtf8("[\"中文\", \"我能吞下玻璃\"]\n").toUtf8());
    }
    // Pages Paradox has no sort order for, and no code page, give Windows-1252.
    for (const int codePage : {932, 1257, 0, 12345}) {
        QCOMPARE(TableWriter::tableCodePage(codePage), 1252);
        const QString name = QStringLiteral("cp%1").arg(codePage);
        TableWriter writer(m_dir.path(), name, {{QStringLiteral("Text"), FieldType::Alpha, 20}}, 0, codePage);
        writer.appendRow({Variant::text(QString::fromUtf8("日本 é"))});
        QCOMPARE(writer.unmappedCharacters(), qint64(2));
        writer.finish();
        QCOMPARE(header(writer.dbPath()), std::tuple(1252, 0x11, QByteArray("ANSII850")));
        verifyReadBack(writer.dbPath(), QString::fromUtf8("[\"?? é\"]\n").toUtf8());
    }
    QCOMPARE(TableWriter::tableCodePage(1250), 1250);
    QCOMPARE(TableWriter::tableCodePage(437), 437);
    QVERIFY(leftovers().isEmpty());
}

void TestParadoxWriter::fieldNamesFitTheTable()
{
    using tw::paradox::fitFieldNames;
    const TextCodec &ansi = TextCodec::windows1252();
    const TextCodec &chinese = TextCodec::forCodePage(936);
    // Names the code page cannot hold become "?" and are still told apart.
    const QStringList japanese{QString::fromUtf8("顧客番号"), QString::fromUtf8("顧客名前"),
                               QString::fromUtf8("顧客住所")};
    QCOMPARE(fitFieldNames(japanese, ansi), QStringList({"????", "????2", "????3"}));
    QCOMPARE(fitFieldNames(japanese, TextCodec::forCodePage(932)), japanese);
    // What Paradox does not take in a name.
    QCOMPARE(fitFieldNames({"[a]", " lead", "a->b", "#", "no#1", "x(y){z}", QString("tab\there"), "why?"}, ansi),
             QStringList({"_a_", "_lead", "a-_b", "_", "no#1", "x_y__z_", "tab_here", "why?"}));
    // 25 bytes: twelve Chinese characters, never half of the thirteenth.
    const QString longName = QString::fromUtf8("一二三四五六七八九十甲乙丙丁");
    QCOMPARE(fitFieldNames({longName, longName}, chinese), QStringList({longName.left(12), longName.left(12) + "2"}));
    QCOMPARE(fitFieldNames({"Same", "SAME", "same"}, ansi), QStringList({"Same", "SAME2", "same3"}));
    // The writer takes such names and refuses longer ones.
    TableWriter(m_dir.path(), QStringLiteral("names"), {{longName.left(12), FieldType::Long}}, 0, 936).abandon();
    QVERIFY_THROWS_EXCEPTION(RuntimeError, TableWriter(m_dir.path(), QStringLiteral("names"),
                                                       {{longName.left(13), FieldType::Long}}, 0, 936));
    QVERIFY(leftovers().isEmpty());
}

QTEST_GUILESS_MAIN(TestParadoxWriter)
#include "tst_paradox_writer.moc"
