// Reading FoxPro tables: the corpus against dbfjson.py, every field type,
// null flags, memo block sizes, code pages, the dBase and FoxBASE tables
// FoxPro opens, and damaged files.

#include "TableDump.h"
#include "TableFiles.h"
#include "TestSupport.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/RuntimeError.h"
#include "platform/foxpro/TableReader.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <array>

using namespace tw::foxpro;
using namespace tw::foxpro::test;
using tw::ado::RuntimeError;
using tw::ado::Variant;

namespace {

std::vector<std::vector<Variant>> readAllRows(const QString &path)
{
    TableReader reader(path);
    std::vector<std::vector<Variant>> rows;
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        rows.push_back(row);
    }
    return rows;
}

// The RuntimeError text of opening and walking the table, empty when none.
QString readError(const QString &path)
{
    try {
        TableReader reader(path);
        std::vector<Variant> row;
        while (reader.next())
            reader.values(row);
        reader.liveCount();
    } catch (const RuntimeError &e) {
        return e.description();
    }
    return {};
}

QByteArray record(const QByteArray &bytes)
{
    return " " + bytes;
}

// A dBase table of NAME C(8), NOTES M(10), QTY N(5) and its .dbt: four
// memos (one across several blocks, one in code page 1252), a blank pointer,
// and a deleted record.
struct DbaseTable {
    QByteArray dbf;
    QByteArray dbt;
    std::vector<QString> notes; // the live records' memos as read
};

const QByteArray kLongMemo = [] {
    QByteArray text;
    for (int i = 0; text.size() < 1300; ++i)
        text += "line " + QByteArray::number(i) + " of a long note\r\n";
    return text;
}();

DbaseTable dbaseTable(unsigned char fileType, bool dBase4, int storedBlockSize)
{
    const std::vector<QByteArray> memos = {"first memo", kLongMemo, "caf\xe9 cr\xe8me", "deleted one"};
    std::vector<quint32> blocks;
    DbaseTable t;
    t.dbt = dBase4 ? buildDbt4(storedBlockSize, memos, &blocks) : buildDbt3(memos, &blocks);
    t.dbf =
        buildDbf(fileType, {{"NAME", 'C', 8}, {"NOTES", 'M', 10}, {"QTY", 'N', 5}},
                 {record("alpha   " + dbtPointer(blocks[0]) + "    1"),
                  record("beta    " + dbtPointer(blocks[1]) + "   22"), record("gamma   " + dbtPointer(0) + "     "),
                  "*delta   " + dbtPointer(blocks[3]) + "    4", record("epsilon " + dbtPointer(blocks[2]) + "  -5")},
                 0x00);
    t.notes = {"first memo", QString::fromLatin1(kLongMemo), QString(), QString::fromUtf8("caf\u00e9 cr\u00e8me")};
    return t;
}

} // namespace

class TableReaderTest : public QObject {
    Q_OBJECT

private slots:
    void corpusMatchesDbfjson_data();
    void corpusMatchesDbfjson();
    void corpusValuesAndTypes();
    void everyFieldType();
    void nullFlagsAndVarLength();
    void memoBlockSizes_data();
    void memoBlockSizes();
    void memosAcrossTheReadWindow();
    void codePages();
    void foxPro2Memo();
    void dBaseMemoTables_data();
    void dBaseMemoTables();
    void dBase3MemoEnds();
    void foxBaseTable();
    void damagedDbtFilesGiveClearErrors_data();
    void damagedDbtFilesGiveClearErrors();
    void flippedDbaseBytesNeverCrash();
    void deletedRowsAreSkippedAndCounted();
    void damagedFilesGiveClearErrors_data();
    void damagedFilesGiveClearErrors();
    void damagedFilesTellWhatAndWhere_data();
    void damagedFilesTellWhatAndWhere();
    void flippedBytesNeverCrash();
    void damagedValuesReadAsNull_data();
    void damagedValuesReadAsNull();
    void damagedRowsAreSetAsideWhole_data();
    void damagedRowsAreSetAsideWhole();
    void headerFormsOtherReadersAccept_data();
    void headerFormsOtherReadersAccept();

private:
    QTemporaryDir m_dir;
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        tw::test::writeAll(path, bytes);
        return path;
    }
};

void TableReaderTest::corpusMatchesDbfjson_data()
{
    QTest::addColumn<QString>("path");
    if (tw::test::sharedDir().isEmpty())
        return;
    QDirIterator it(tw::test::sharedDir() + "/corpus/foxpro", QDir::Files, QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(".dbf", Qt::CaseInsensitive) || path.endsWith(".dbc", Qt::CaseInsensitive))
            paths << path;
    }
    paths.sort();
    for (const QString &path : paths)
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TableReaderTest::corpusMatchesDbfjson()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    QFETCH(QString, path);
    const QByteArray ours = dumpWithReader(path);
    const Comparison cmp = compareWithDbfjson(path, ours);
    QVERIFY2(cmp.ok, qPrintable(cmp.details));
}

void TableReaderTest::corpusValuesAndTypes()
{
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    const QString corpus = tw::test::sharedDir() + "/corpus/foxpro";
    {
        TableReader reader(corpus + "/free/dbase_31.dbf");
        const auto cols = reader.columns();
        QCOMPARE(int(cols.size()), 10); // _NullFlags is no column
        QCOMPARE(cols[0].type, int(tw::ado::adInteger));
        QCOMPARE(cols[1].type, int(tw::ado::adChar));
        QCOMPARE(cols[5].type, int(tw::ado::adCurrency));
        QCOMPARE(cols[9].type, int(tw::ado::adBoolean));
        QCOMPARE(reader.liveCount(), qint64(77));
        QCOMPARE(reader.header().backlink, QByteArray("northwind.dbc"));
    }
    {
        TableReader reader(corpus + "/free/dbase_03.dbf");
        const auto cols = reader.columns();
        QCOMPARE(cols[10].type, int(tw::ado::adNumeric));
        QCOMPARE(cols[10].precision, 5);
        QCOMPARE(cols[10].numericScale, 1);
        QCOMPARE(cols[8].type, int(tw::ado::adDate));
    }
    {
        // Cyrillic text through code page 1251.
        const auto rows = readAllRows(corpus + "/free/cp1251.dbf");
        QVERIFY(!rows.empty());
        bool cyrillic = false;
        for (const auto &row : rows)
            for (QChar c : row[1].asText())
                cyrillic = cyrillic || (c.unicode() >= 0x410 && c.unicode() <= 0x44F);
        QVERIFY(cyrillic);
    }
    {
        // Times stored with 999 ms stay as stored.
        const auto rows = readAllRows(corpus + "/foxprodb/calls.dbf");
        QCOMPARE(rows[0][2].kind(), Variant::Kind::DateTime);
        TableReader reader(corpus + "/foxprodb/calls.dbf");
        QCOMPARE(reader.columns()[2].type, int(tw::ado::adDBTimeStamp));
        QCOMPARE(reader.columns()[5].type, int(tw::ado::adLongVarChar));
    }
}

void TableReaderTest::everyFieldType()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    std::vector<FieldLayout> fields = {
        {"C", 'C', 5},          {"CB", 'C', 3, 0, 0x04}, {"N", 'N', 8, 2},       {"F", 'F', 6, 1},
        {"I", 'I', 4, 0, 0x04}, {"B", 'B', 8, 2, 0x04},  {"Y", 'Y', 8, 4, 0x04}, {"D", 'D', 8},
        {"T", 'T', 8, 0, 0x04}, {"L", 'L', 1},           {"M", 'M', 4},          {"G", 'G', 4, 0, 0x04},
        {"W", 'W', 4, 0, 0x04}, {"MB", 'M', 4, 0, 0x04},
    };
    std::vector<quint32> blocks;
    const QByteArray fpt =
        buildFpt(64, {"caf\xe9", QByteArray("\x00\x01\x02", 3), QByteArray("\xff\x00", 2), "raw\xe9"}, &blocks);
    QByteArray dbl(8, '\0');
    const double d = -2.5;
    memcpy(dbl.data(), &d, 8);
    QByteArray cur(8, '\0');
    const qint64 money = -123456; // -12.3456
    memcpy(cur.data(), &money, 8);
    QByteArray ts = le32(2460311) + le32(45296789); // 2024-01-01 12:34:56.789
    const QByteArray rec1 =
        record("ab\xe9  " + QByteArray("x\0y", 3) + "   -1.50" + "  12.3" + le32(quint32(-7)) + dbl + cur + "20240229" +
               ts + "T" + le32(blocks[0]) + le32(blocks[1]) + le32(blocks[2]) + le32(blocks[3]));
    const QByteArray rec2 =
        record("     " + QByteArray(3, ' ') + "        " + "******" + le32(0) + QByteArray(8, '\0') +
               QByteArray(8, '\0') + "        " + QByteArray(8, '\0') + "?" + le32(0) + le32(0) + le32(0) + le32(0));
    const QString path = write("types.dbf", buildDbf(0x30, fields, {rec1, rec2}));
    write("types.fpt", fpt);

    TableReader reader(path);
    const auto cols = reader.columns();
    const int want[] = {129, 128, 131, 131, 3, 5, 6, 7, 135, 11, 201, 205, 205, 205};
    for (size_t i = 0; i < cols.size(); ++i)
        QCOMPARE(cols[i].type, want[i]);
    QCOMPARE(cols[2].precision, 8);
    QCOMPARE(cols[2].numericScale, 2);

    std::vector<Variant> row;
    QVERIFY(reader.next());
    reader.values(row);
    QCOMPARE(row[0].asText(), QString::fromUtf8("ab\u00e9"));
    QCOMPARE(row[1].asBytes(), QByteArray("x\0y", 3));
    QCOMPARE(row[2].asDecimal(), QString("-1.50"));
    QCOMPARE(row[3].asDecimal(), QString("12.3"));
    QCOMPARE(row[4].asInteger(), qint64(-7));
    QCOMPARE(row[5].asDouble(), -2.5);
    QCOMPARE(row[6].asCurrency(), qint64(-123456));
    QCOMPARE(row[7].asDate(), QDate(2024, 2, 29));
    QCOMPARE(row[8].asDate(), QDate(2024, 1, 1));
    QCOMPARE(row[8].asMsOfDay(), 45296789);
    QCOMPARE(row[9].asBoolean(), true);
    QCOMPARE(row[10].asText(), QString::fromUtf8("caf\u00e9"));
    QCOMPARE(row[11].asBytes(), QByteArray("\x00\x01\x02", 3));
    QCOMPARE(row[12].asBytes(), QByteArray("\xff\x00", 2));
    QCOMPARE(row[13].asBytes(), QByteArray("raw\xe9"));

    QVERIFY(reader.next());
    reader.values(row);
    QCOMPARE(row[0].asText(), QString());
    QCOMPARE(row[1].asBytes(), QByteArray(3, ' ')); // binary C keeps its width
    QVERIFY(row[2].isNull());                       // blank numeric
    QVERIFY(row[3].isNull());                       // overflow mark
    QVERIFY(row[7].isNull());
    QVERIFY(row[8].isNull());
    QVERIFY(row[9].isNull());
    QCOMPARE(row[10].asText(), QString()); // empty memo is empty, not null
    QCOMPARE(row[11].asBytes(), QByteArray());
    QVERIFY(!reader.next());

    if (!tw::test::sharedDir().isEmpty()) {
        const Comparison cmp = compareWithDbfjson(path, dumpWithReader(path));
        QVERIFY2(cmp.ok, qPrintable(cmp.details));
    }
}

void TableReaderTest::nullFlagsAndVarLength()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    // V (varlength bit 0, null bit 1), nullable I (bit 2), Q (varlength bit 3), nullable C (bit 4).
    std::vector<FieldLayout> fields = {{"V", 'V', 6, 0, 0x02},
                                       {"I", 'I', 4, 0, 0x06},
                                       {"Q", 'Q', 4, 0, 0x04},
                                       {"C", 'C', 3, 0, 0x02},
                                       {"_NullFlags", '0', 1, 0, 0x05}};
    const QByteArray r1 = record(QByteArray("ab\0\0\0\x02", 6) + le32(5) + QByteArray("\x01\x02\x03\x04", 4) + "xyz" +
                                 QByteArray(1, char(0x01)));
    const QByteArray r2 = record(QByteArray("      ", 6) + le32(0) + QByteArray("\x09\x00\x00\x01", 4) + "   " +
                                 QByteArray(1, char(0x02 | 0x04 | 0x08 | 0x10)));
    const QByteArray r3 =
        record(QByteArray("abcdef", 6) + le32(1) + QByteArray("wxyz", 4) + "a  " + QByteArray(1, char(0x00)));
    const QString path = write("nulls.dbf", buildDbf(0x32, fields, {r1, r2, r3}));
    const auto rows = readAllRows(path);
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[0][0].asText(), QString("ab"));
    QCOMPARE(rows[0][1].asInteger(), qint64(5));
    QCOMPARE(rows[0][2].asBytes(), QByteArray("\x01\x02\x03\x04"));
    QCOMPARE(rows[0][3].asText(), QString("xyz"));
    QVERIFY(rows[1][0].isNull());
    QVERIFY(rows[1][1].isNull());
    QCOMPARE(rows[1][2].asBytes(), QByteArray("\x09", 1));
    QVERIFY(rows[1][3].isNull());
    QCOMPARE(rows[2][0].asText(), QString("abcdef"));
    QCOMPARE(rows[2][2].asBytes(), QByteArray("wxyz"));
    QCOMPARE(rows[2][3].asText(), QString("a"));
    if (!tw::test::sharedDir().isEmpty()) {
        const Comparison cmp = compareWithDbfjson(path, dumpWithReader(path));
        QVERIFY2(cmp.ok, qPrintable(cmp.details));
    }
}

void TableReaderTest::memoBlockSizes_data()
{
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<bool>("unpaddedEnd");
    QTest::newRow("1 byte") << 1 << true;
    QTest::newRow("32") << 32 << false;
    QTest::newRow("64 unpadded") << 64 << true;
    QTest::newRow("512") << 512 << false;
    QTest::newRow("16384 unpadded") << 16384 << true;
}

void TableReaderTest::memoBlockSizes()
{
    QFETCH(int, blockSize);
    QFETCH(bool, unpaddedEnd);
    const QByteArray big(70000, 'z');
    std::vector<quint32> blocks;
    QByteArray fpt = buildFpt(blockSize, {"first", big, "last one"}, &blocks);
    if (unpaddedEnd)
        fpt.truncate(qsizetype(blocks[2]) * blockSize + 8 + 8);
    const QString name = QStringLiteral("bs%1").arg(blockSize);
    const QString path =
        write(name + ".dbf", buildDbf(0x30, {{"M", 'M', 4}},
                                      {record(le32(blocks[0])), record(le32(blocks[1])), record(le32(blocks[2]))}));
    write(name + ".FPT", fpt); // found in another letter case
    const auto rows = readAllRows(path);
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[0][0].asText(), QString("first"));
    QCOMPARE(rows[1][0].asText().size(), big.size());
    QCOMPARE(rows[2][0].asText(), QString("last one"));
}

void TableReaderTest::memosAcrossTheReadWindow()
{
    // Memos read in file order are seen in place in a 256 KiB window; those
    // across its end, longer than it, or cut by the file's end are copied.
    // With 64-byte blocks the first window starts at byte 512: the second memo
    // ends 4 bytes past it, the third exactly at the end of the next window
    // (which starts where the copy of the second went on reading).
    constexpr int kWindow = 256 * 1024;
    const int sizes[] = {200000, kWindow + 4 - 200064 - 8, 1024 + kWindow - 62144 - 8};
    std::vector<QByteArray> memos;
    for (int i = 0; i < 163; ++i) {
        const int size = i < 3 ? sizes[i] : i == 80 ? 300000 : 500 + (i * 977) % 3500;
        QByteArray memo(size, Qt::Uninitialized);
        for (int j = 0; j < size; ++j)
            memo[j] = char(32 + (i * 7 + j * 13) % 95);
        memos.push_back(memo);
    }
    std::vector<quint32> blocks;
    QByteArray fpt = buildFpt(64, memos, &blocks);
    fpt.truncate(qsizetype(blocks.back()) * 64 + 8 + memos.back().size()); // no padding after the last
    std::vector<int> order(memos.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    for (int i : {3, 162, 80, 79, 81, 0, 1})
        order.push_back(i); // jumps back and forth
    std::vector<QByteArray> records;
    for (int i : order)
        records.push_back(record(le32(blocks[size_t(i)])));
    const QString path = write("window.dbf", buildDbf(0x30, {{"M", 'M', 4}}, records));
    write("window.fpt", fpt);
    const auto rows = readAllRows(path);
    QCOMPARE(rows.size(), order.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        const QByteArray &memo = memos[size_t(order[r])];
        QVERIFY2(rows[r][0].asText() == QString::fromLatin1(memo), qPrintable(QString("record %1").arg(r + 1)));
    }

    // A memo whose length runs past the file's end, seen in the window, is Null and says why.
    QByteArray cut = fpt;
    cut.truncate(cut.size() - 1);
    write("windowcut.fpt", cut);
    const QString cutPath = write("windowcut.dbf", buildDbf(0x30, {{"M", 'M', 4}}, {record(le32(blocks.back()))}));
    TableReader reader(cutPath);
    QVERIFY(reader.next());
    QVERIFY(reader.value(0).isNull());
    const QString error = reader.lostValues().first().front().value;
    QVERIFY2(error.contains("claims") && error.contains("windowcut.fpt"), qPrintable(error));
}

void TableReaderTest::codePages()
{
    struct Case {
        unsigned char mark;
        QByteArray stored;
        QString text;
    };
    const Case cases[] = {
        {0x01, "\x82\x9a", QString::fromUtf8("\u00e9\u00dc")}, // 437
        {0x02, "\x82\xd0", QString::fromUtf8("\u00e9\u00f0")}, // 850
        {0x64, "\xa5\xe7", QString::fromUtf8("\u0105\u0161")}, // 852
        {0x65, "\x80\xaf", QString::fromUtf8("\u0410\u043f")}, // 866
        {0xC8, "\xb9\x9a", QString::fromUtf8("\u0105\u0161")}, // 1250
        {0xC9, "\xc0\xff", QString::fromUtf8("\u0410\u044f")}, // 1251
        {0xCB, "\xc1\xe1", QString::fromUtf8("\u0391\u03b1")}, // 1253
        {0xCA, "\xd0\xfe", QString::fromUtf8("\u011e\u015f")}, // 1254
        {0x00, "\x80\xe9", QString::fromUtf8("\u20ac\u00e9")}, // no mark: 1252
        {0x03, "\x81", QString::fromUtf8("\u0081")},           // undefined in 1252: kept as its number
        {0xCB, "\xaa", QString::fromUtf8("\ufffd")},           // undefined in 1253, above the control range
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString path =
            write(QStringLiteral("cp%1.dbf").arg(n++), buildDbf(0x30, {{"T", 'C', 4}}, {record(c.stored)}, c.mark));
        const auto rows = readAllRows(path);
        QCOMPARE(rows[0][0].asText(), c.text);
    }
}

void TableReaderTest::foxPro2Memo()
{
    // FoxPro 2.x: file type 0xF5, memo pointers as 10 ASCII digits, no backlink.
    std::vector<quint32> blocks;
    const QByteArray fpt = buildFpt(512, {"old memo"}, &blocks);
    const QByteArray pointer = QByteArray::number(blocks[0]).rightJustified(10, ' ');
    const QString path = write("fox2.dbf", buildDbf(0xF5, {{"NAME", 'C', 4}, {"NOTES", 'M', 10}},
                                                    {record("abcd" + pointer), record("efgh" + QByteArray(10, ' '))}));
    write("fox2.fpt", fpt);
    const auto rows = readAllRows(path);
    QCOMPARE(rows[0][1].asText(), QString("old memo"));
    QCOMPARE(rows[1][1].asText(), QString());
    TableReader reader(path);
    QVERIFY(reader.header().backlink.isEmpty());
}

void TableReaderTest::dBaseMemoTables_data()
{
    QTest::addColumn<int>("fileType");
    QTest::addColumn<bool>("dBase4");
    QTest::addColumn<int>("storedBlockSize");
    QTest::addColumn<QString>("memoName");
    QTest::addColumn<bool>(
        "likeDbfread"); // dbfread reads dBase IV memos in 512-byte blocks, and 0x83 alone as dBase III
    QTest::newRow("dBase III 0x83") << 0x83 << false << 512 << "t.dbt" << true;
    QTest::newRow("dBase IV 0x8B") << 0x8B << true << 512 << "t.DBT" << true;
    QTest::newRow("dBase IV, no block size stored") << 0x8B << true << 0 << "t.dbt" << true;
    QTest::newRow("dBase IV, 64-byte blocks") << 0x8B << true << 64 << "t.dbt" << false;
    QTest::newRow("dBase IV, 1024-byte blocks") << 0x8B << true << 1024 << "t.dbt" << false;
    QTest::newRow("dBase IV SQL 0xCB") << 0xCB << true << 512 << "t.dbt" << true;
    QTest::newRow("FoxBASE 0xFB, dBase III memos") << 0xFB << false << 512 << "t.dbt" << false;
    QTest::newRow("0x03 with a .dbt") << 0x03 << false << 512 << "T.Dbt" << false;
}

void TableReaderTest::dBaseMemoTables()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    QFETCH(int, fileType);
    QFETCH(bool, dBase4);
    QFETCH(int, storedBlockSize);
    QFETCH(QString, memoName);
    QFETCH(bool, likeDbfread);
    QTemporaryDir dir;
    const DbaseTable t = dbaseTable(uchar(fileType), dBase4, storedBlockSize);
    const QString path = dir.filePath("t.dbf");
    tw::test::writeAll(path, t.dbf);
    tw::test::writeAll(dir.filePath(memoName), t.dbt);

    TableReader reader(path);
    QCOMPARE(reader.columns()[1].type, int(tw::ado::adLongVarChar));
    QCOMPARE(reader.liveCount(), qint64(4));
    const auto rows = readAllRows(path);
    QCOMPARE(rows.size(), size_t(4));
    const QString names[] = {"alpha", "beta", "gamma", "epsilon"};
    for (size_t i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows[i][0].asText(), names[i]);
        QCOMPARE(rows[i][1].asText(), t.notes[i]);
    }
    QCOMPARE(rows[1][2].asDecimal(), QString("22"));
    QVERIFY(rows[2][2].isNull());

    if (likeDbfread && !tw::test::sharedDir().isEmpty()) {
        const Comparison cmp = compareWithDbfjson(path, dumpWithReader(path));
        QVERIFY2(cmp.ok, qPrintable(cmp.details));
    }
}

void TableReaderTest::dBase3MemoEnds()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    // One 0x1A ends a memo as well as two; a memo longer than the read
    // window; the last memo may run to the end of the file unmarked.
    QByteArray dbt(512, '\0');
    auto place = [&dbt](const QByteArray &bytes) {
        const quint32 block = quint32(dbt.size() / 512);
        dbt += bytes;
        dbt.append(QByteArray((512 - dbt.size() % 512) % 512, '\0'));
        return block;
    };
    const QByteArray huge(300000, 'h');
    const QByteArray exactBlock(512, 'x');
    const quint32 single = place("one mark\x1a then junk");
    const quint32 big = place(huge + "\x1a\x1a");
    const quint32 full = place(exactBlock + "\x1a\x1a");
    const quint32 empty = place("\x1a\x1a");
    const quint32 unmarked = quint32(dbt.size() / 512);
    dbt += "runs to the end";
    const QString path =
        write("ends.dbf", buildDbf(0x83, {{"M", 'M', 10}},
                                   {record(dbtPointer(single)), record(dbtPointer(big)), record(dbtPointer(full)),
                                    record(dbtPointer(empty)), record(dbtPointer(unmarked))},
                                   0x00));
    write("ends.dbt", dbt);
    const auto rows = readAllRows(path);
    QCOMPARE(rows[0][0].asText(), QString("one mark"));
    QCOMPARE(rows[1][0].asText(), QString::fromLatin1(huge));
    QCOMPARE(rows[2][0].asText(), QString::fromLatin1(exactBlock));
    QCOMPARE(rows[3][0].asText(), QString());
    QCOMPARE(rows[4][0].asText(), QString("runs to the end"));
    if (!tw::test::sharedDir().isEmpty()) {
        const Comparison cmp = compareWithDbfjson(path, dumpWithReader(path));
        QVERIFY2(cmp.ok, qPrintable(cmp.details));
    }
}

void TableReaderTest::foxBaseTable()
{
    // FoxBASE (0x02): the dBase II header, 16-byte descriptors, data at 521.
    const QString path = write(
        "foxbase.dbf",
        buildFoxBase({{"EMP:NMBR", 'N', 3}, {"LAST", 'C', 10}, {"PAYRATE", 'N', 8, 3}, {"ACTIVE", 'L', 1}},
                     {record("  2Stegman      6.000T"), "*  3Gone        1.000F", record(" 14Caf\xe9      18.250 ")}));
    TableReader reader(path);
    QCOMPARE(reader.header().recordCount, quint32(3));
    QCOMPARE(reader.header().headerLength, 521);
    QCOMPARE(reader.header().recordLength, 23);
    const auto cols = reader.columns();
    QCOMPARE(int(cols.size()), 4);
    QCOMPARE(cols[0].name, QString("EMP:NMBR"));
    QCOMPARE(cols[2].type, int(tw::ado::adNumeric));
    QCOMPARE(cols[2].numericScale, 3);
    const auto rows = readAllRows(path);
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0][0].asDecimal(), QString("2"));
    QCOMPARE(rows[0][1].asText(), QString("Stegman"));
    QCOMPARE(rows[0][2].asDecimal(), QString("6.000"));
    QCOMPARE(rows[0][3].asBoolean(), true);
    QCOMPARE(rows[1][1].asText(), QString::fromUtf8("Caf\u00e9"));
    QVERIFY(rows[1][3].isNull());
}

void TableReaderTest::damagedDbtFilesGiveClearErrors_data()
{
    QTest::addColumn<QByteArray>("dbf");
    QTest::addColumn<QByteArray>("dbt");
    QTest::addColumn<QString>("expected");

    const std::vector<FieldLayout> fields = {{"NAME", 'C', 4}, {"NOTES", 'M', 10}};
    std::vector<quint32> blocks;
    const QByteArray dbt3 = buildDbt3({"hello"}, &blocks);
    const QByteArray dbt4 = buildDbt4(512, {"hello"}, &blocks);
    const QByteArray pointsAt1 = record("abcd" + dbtPointer(1));
    const QByteArray dBase3 = buildDbf(0x83, fields, {pointsAt1});
    const QByteArray dBase4 = buildDbf(0x8B, fields, {pointsAt1});

    QTest::newRow("dBase III memo file too short")
        << dBase3 << QByteArray(100, '\0') << "too short for its 512-byte header";
    QTest::newRow("dBase III memo file missing") << dBase3 << QByteArray() << "memo file";
    QTest::newRow("dBase IV header cut short")
        << dBase4 << QByteArray(10, '\0') << "too short for a dBase IV memo header";
}

void TableReaderTest::damagedDbtFilesGiveClearErrors()
{
    QFETCH(QByteArray, dbf);
    QFETCH(QByteArray, dbt);
    QFETCH(QString, expected);
    const QString name = QString("baddbt%1").arg(QTest::currentDataTag()).remove(' ');
    const QString path = write(name + ".dbf", dbf);
    if (!dbt.isEmpty())
        write(name + ".dbt", dbt);
    const QString error = readError(path);
    QVERIFY2(error.contains(expected), qPrintable("got: " + error));
    QVERIFY2(error.contains(name), qPrintable("the message does not name the file: " + error));
}

void TableReaderTest::flippedDbaseBytesNeverCrash()
{
    // Every mutation of a dBase III, a dBase IV and a FoxBASE table either
    // reads or fails with a message naming the table.
    struct Source {
        QString name;
        QByteArray dbf;
        QByteArray dbt;
    };
    const DbaseTable three = dbaseTable(0x83, false, 512);
    const DbaseTable four = dbaseTable(0x8B, true, 64);
    const QByteArray foxBase = buildFoxBase({{"N", 'N', 3}, {"C", 'C', 10}, {"L", 'L', 1}},
                                            {record("  1abc       T"), record("  2def       F")});
    const Source sources[] = {{"flip3", three.dbf, three.dbt}, {"flip4", four.dbf, four.dbt}, {"flipfb", foxBase, {}}};
    quint32 seed = 4242;
    auto nextRandom = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const unsigned char values[] = {0x00, 0xFF, 0x1A, 0x7F, 0x20, 0x39};
    int failures = 0;
    int mutations = 0;
    for (const Source &source : sources) {
        for (int round = 0; round < 150; ++round) {
            QByteArray d = source.dbf;
            QByteArray m = source.dbt;
            QByteArray &victim = !m.isEmpty() && round % 2 ? m : d;
            const qsizetype limit = std::min<qsizetype>(victim.size(), round % 3 ? 1100 : victim.size());
            for (int k = 0; k < 1 + round % 3; ++k)
                victim[qsizetype(nextRandom() % quint32(limit))] = char(values[nextRandom() % 6]);
            if (round % 11 == 0)
                victim.truncate(qsizetype(nextRandom() % quint32(victim.size())));
            const QString path = write(source.name + ".dbf", d);
            if (!m.isEmpty())
                write(source.name + ".dbt", m);
            ++mutations;
            const QString error = readError(path);
            if (!error.isEmpty()) {
                ++failures;
                QVERIFY2(error.contains(source.name), qPrintable(error));
            }
        }
    }
    QVERIFY(failures > 0);
    QVERIFY(failures < mutations);
}

void TableReaderTest::deletedRowsAreSkippedAndCounted()
{
    std::vector<QByteArray> records;
    for (int i = 0; i < 5000; ++i)
        records.push_back((i % 3 == 0 ? "*" : " ") + QByteArray::number(i).rightJustified(6, ' '));
    const QString path = write("deleted.dbf", buildDbf(0x30, {{"N", 'N', 6}}, records));
    TableReader reader(path);
    QCOMPARE(reader.liveCount(), qint64(3333));
    qint64 walked = 0;
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        QVERIFY(row[0].asDecimal().toInt() % 3 != 0);
        ++walked;
    }
    QCOMPARE(walked, qint64(3333));
}

void TableReaderTest::damagedFilesGiveClearErrors_data()
{
    QTest::addColumn<QByteArray>("dbf");
    QTest::addColumn<QByteArray>("fpt");
    QTest::addColumn<QString>("expected");

    const std::vector<FieldLayout> memoFields = {{"NAME", 'C', 4}, {"NOTES", 'M', 4}};
    std::vector<quint32> blocks;
    const QByteArray fpt = buildFpt(64, {"hello"}, &blocks);
    const QByteArray good = buildDbf(0x30, memoFields, {record("abcd" + le32(blocks[0]))});

    QTest::newRow("empty file") << QByteArray() << QByteArray() << "too short for a table header";
    QTest::newRow("garbage") << QByteArray(300, '\x7f') << QByteArray() << "not a FoxPro table";
    QByteArray lyingHeader = good;
    lyingHeader[8] = char(0xff);
    lyingHeader[9] = char(0x7f);
    QTest::newRow("header length past the end") << lyingHeader << fpt << "past the end of the file";
    QByteArray badType = good;
    badType[32 + 11] = 'Z';
    QTest::newRow("unknown field type") << badType << fpt << "unknown type 'Z'";
    QByteArray badLength = good;
    badLength[32 + 32 + 16] = 9;
    QTest::newRow("memo field of 9 bytes") << badLength << fpt << "field NOTES has length 9";
    QTest::newRow("memo file missing") << good << QByteArray("-") << "memo file";
    QTest::newRow("memo file too short") << good << QByteArray(100, '\0') << "too short for its 512-byte header";
    QByteArray zeroBlocks = fpt;
    zeroBlocks[6] = 0;
    zeroBlocks[7] = 0;
    QTest::newRow("memo block size 0") << good << zeroBlocks << "block size 0";
    QTest::newRow("dBase 7") << buildDbf(0x04, {{"C", 'C', 2}}, {record("ab")}) << QByteArray()
                             << "it is a dBase 7 table (file type 0x04), which FoxPro does not open";
    QTest::newRow("dBase 7 with memo") << buildDbf(0x8C, memoFields, {record("abcd" + le32(0))}) << QByteArray()
                                       << "dBase 7 table (file type 0x8c)";
    QTest::newRow("FoxBASE cut inside its header")
        << buildFoxBase({{"C", 'C', 2}}, {record("ab")}).left(400) << QByteArray()
        << "the header length 521 is past the end of the file (400 bytes)";
    QTest::newRow("null bits without _NullFlags")
        << buildDbf(0x30, {{"C", 'C', 2, 0, 0x02}}, {record("ab")}) << QByteArray() << "no _NullFlags field";
}

void TableReaderTest::damagedFilesGiveClearErrors()
{
    QFETCH(QByteArray, dbf);
    QFETCH(QByteArray, fpt);
    QFETCH(QString, expected);
    const QString name = QString("damaged%1").arg(QTest::currentDataTag()).remove(' ');
    const QString path = write(name + ".dbf", dbf);
    QFile::remove(m_dir.filePath(name + ".fpt"));
    if (!fpt.isEmpty() && fpt != "-")
        write(name + ".fpt", fpt);
    const QString error = readError(path);
    QVERIFY2(error.contains(expected), qPrintable("got: " + error));
    QVERIFY2(error.contains(name), qPrintable("the message does not name the file: " + error));
}

void TableReaderTest::damagedFilesTellWhatAndWhere_data()
{
    QTest::addColumn<QByteArray>("dbf");
    QTest::addColumn<QByteArray>("fpt");
    QTest::addColumn<QString>("problem"); // %1 the table's base name

    const std::vector<FieldLayout> memoFields = {{"NAME", 'C', 4}, {"NOTES", 'M', 4}};
    std::vector<quint32> blocks;
    QByteArray fpt = buildFpt(64, {"hello"}, &blocks);
    const QByteArray good = buildDbf(0x30, memoFields, {record("abcd" + le32(blocks[0]))});
    QTest::newRow("memo file missing") << good << QByteArray() << "its memo file %1.fpt is missing";
    fpt[6] = fpt[7] = 0;
    QTest::newRow("memo block size 0") << good << fpt << "the memo file %1.fpt has block size 0";
    QTest::newRow("dBase 7") << buildDbf(0x04, {{"C", 'C', 2}}, {record("ab")}) << QByteArray()
                             << "it is a dBase 7 table (file type 0x04), which FoxPro does not open";
    QTest::newRow("FoxBASE cut inside its header")
        << buildFoxBase({{"C", 'C', 2}}, {record("ab")}).left(400) << QByteArray()
        << "the header length 521 is past the end of the file (400 bytes)";
}

void TableReaderTest::damagedFilesTellWhatAndWhere()
{
    // The error keeps the file and the problem apart, and says both as before.
    QFETCH(QByteArray, dbf);
    QFETCH(QByteArray, fpt);
    QFETCH(QString, problem);
    const QString name = QString("where%1").arg(QTest::currentDataTag()).remove(' ');
    const QString path = write(name + ".dbf", dbf);
    if (!fpt.isEmpty())
        write(name + ".fpt", fpt);
    try {
        TableReader reader(path);
        QFAIL("the damaged table opened");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.kind(), RuntimeError::Kind::File);
        QCOMPARE(e.file(), name + ".dbf");
        QCOMPARE(e.problem(), problem.arg(name));
        QCOMPARE(e.description(), QStringLiteral("%1.dbf: %2.").arg(name, problem.arg(name)));
    }
}

void TableReaderTest::flippedBytesNeverCrash()
{
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    // Every mutation either reads or fails with a message naming a file.
    const QString corpus = tw::test::sharedDir() + "/corpus/foxpro";
    const QStringList tables = {"free/memotest.dbf", "free/dbase_31.dbf",  "free/dbase_32.dbf",
                                "free/dbase_03.dbf", "foxprodb/calls.dbf", "foxprodb/FOXPRO-DB-TEST.DBC"};
    const unsigned char values[] = {0x00, 0xFF, 0x7F, 0x2A, 0x30};
    int failures = 0;
    int mutations = 0;
    for (const QString &table : tables) {
        const QString source = corpus + "/" + table;
        const bool container = table.endsWith(".DBC");
        const QString memoSource = findCompanion(source, container ? ".dct" : ".fpt");
        const QByteArray dbf = tw::test::readAll(source);
        const QByteArray memo = memoSource.isEmpty() ? QByteArray() : tw::test::readAll(memoSource);
        const QString base = QFileInfo(table).completeBaseName();
        const QString target = m_dir.filePath("flip_" + base + (container ? ".dbc" : ".dbf"));
        const QString memoTarget = m_dir.filePath("flip_" + base + (container ? ".dct" : ".fpt"));
        quint32 seed = 12345;
        auto nextRandom = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return seed >> 8;
        };
        for (int round = 0; round < 120; ++round) {
            QByteArray d = dbf;
            QByteArray m = memo;
            const bool inMemo = !m.isEmpty() && round % 4 == 3;
            QByteArray &victim = inMemo ? m : d;
            // Mostly the header and the start of the data, where sizes and pointers live.
            const qsizetype limit = std::min<qsizetype>(victim.size(), round % 2 ? 1024 : victim.size());
            const qsizetype at = qsizetype(nextRandom() % quint32(limit));
            victim[at] = char(values[round % 5]);
            if (round % 7 == 0)
                victim.truncate(qsizetype(nextRandom() % quint32(victim.size())));
            tw::test::writeAll(target, d);
            if (!m.isEmpty())
                tw::test::writeAll(memoTarget, m);
            ++mutations;
            const QString error = readError(target);
            if (!error.isEmpty()) {
                ++failures;
                QVERIFY2(error.contains("flip_" + base, Qt::CaseInsensitive), qPrintable(error));
            }
        }
    }
    QVERIFY(failures > 0);
    QVERIFY(failures < mutations);
}

void TableReaderTest::damagedValuesReadAsNull_data()
{
    QTest::addColumn<QByteArray>("dbf");
    QTest::addColumn<QByteArray>("memo");
    QTest::addColumn<QString>("memoExt");
    QTest::addColumn<int>("lost");         // values lost in the table
    QTest::addColumn<QString>("column");   // the first one's
    QTest::addColumn<QString>("expected"); // in its description

    // Visual FoxPro 0x32: NAME C(4), PIC G, NOTES M, QTY N(5), DAY D; three rows.
    const std::vector<FieldLayout> vfpFields = {
        {"NAME", 'C', 4}, {"PIC", 'G', 4}, {"NOTES", 'M', 4}, {"QTY", 'N', 5}, {"DAY", 'D', 8}};
    std::vector<quint32> blocks;
    const QByteArray longText = QByteArray(300, 'x');
    const QByteArray fpt = buildFpt(64, {"picture", "note one", longText, "note three"}, &blocks);
    auto vfp = [&](std::array<quint32, 3> pictures, const QByteArray &qty = "   12",
                   const QByteArray &day = "20240229") {
        return buildDbf(0x32, vfpFields,
                        {record("abcd" + le32(pictures[0]) + le32(blocks[1]) + qty + day),
                         record("efgh" + le32(pictures[1]) + le32(blocks[2]) + "    7" + "19991231"),
                         record("ijkl" + le32(pictures[2]) + le32(blocks[3]) + "    8" + "        ")});
    };
    const QString fptExt = QStringLiteral(".fpt");
    QTest::newRow("General pointers into the memo header") << vfp({1, 2, 3}) << fpt << fptExt << 3 << "PIC"
                                                           << "memo pointer 1 points into the header of";
    QTest::newRow("pointer past the end") << vfp({blocks[0], 812, blocks[0]}) << fpt << fptExt << 1 << "PIC"
                                          << "memo pointer 812 is past the end";
    QTest::newRow("pointer into the middle of another memo")
        << vfp({blocks[2] + 2, blocks[0], blocks[0]}) << fpt << fptExt << 1 << "PIC"
        << "the middle of another memo";
    QByteArray longMemo = fpt;
    longMemo.replace(qsizetype(blocks[0]) * 64 + 4, 4, QByteArray("\x7f\xff\xff\xff", 4));
    QTest::newRow("length past the end") << vfp({blocks[0], blocks[0], 0}) << longMemo << fptExt << 2 << "PIC"
                                         << "claims 2147483647 bytes";
    QTest::newRow("number that is none") << vfp({0, 0, 0}, "1x2-4") << fpt << fptExt << 1 << "QTY"
                                         << "'1x2-4' is not a number";
    QTest::newRow("impossible date") << vfp({0, 0, 0}, "   12", "20230230") << fpt << fptExt << 1 << "DAY"
                                     << "not a date";
    QTest::newRow("varchar longer than its field")
        << buildDbf(0x32, {{"NAME", 'C', 4}, {"V", 'V', 4}, {"_NullFlags", '0', 1, 0, 0x05}},
                    {record("abcdabc\x09\x01"), record("efghxy  \x00"), record("ijklz   \x00")})
        << QByteArray() << QString() << 1 << "V"
        << "field V gives its length as 9";

    // dBase III and IV: NAME C(4), NOTES M(10).
    const std::vector<FieldLayout> fields = {{"NAME", 'C', 4}, {"NOTES", 'M', 10}};
    blocks.clear();
    const QByteArray dbt3 = buildDbt3({"hello"}, &blocks);
    const QByteArray dbt4 = buildDbt4(512, {"hello"}, &blocks);
    auto dbase = [&](unsigned char type, const QByteArray &pointer) {
        return buildDbf(type, fields,
                        {record("abcd" + pointer), record("efgh" + dbtPointer(1)), record("ijkl" + dbtPointer(0))});
    };
    const QString dbtExt = QStringLiteral(".dbt");
    QTest::newRow("dBase III pointer past the end") << dbase(0x83, dbtPointer(50)) << dbt3 << dbtExt << 1 << "NOTES"
                                                    << "memo pointer 50 is past the end of";
    QTest::newRow("pointer not digits") << dbase(0x83, "     12x45") << dbt3 << dbtExt << 1 << "NOTES"
                                        << "not a memo pointer";
    QByteArray noMarker = dbt4;
    noMarker[512 + 2] = 0x09;
    QTest::newRow("dBase IV memo without its header")
        << dbase(0x8B, dbtPointer(1)) << noMarker << dbtExt << 2 << "NOTES"
        << "does not start with a dBase IV memo";
    QByteArray tooShort = dbt4;
    tooShort.replace(512 + 4, 4, le32(7));
    QTest::newRow("dBase IV length below 8") << dbase(0x8B, dbtPointer(1)) << tooShort << dbtExt << 2 << "NOTES"
                                             << "gives its length as 7";
    QByteArray tooLong = dbt4;
    tooLong.replace(512 + 4, 4, le32(0xFFFFFFF0u));
    QTest::newRow("dBase IV length past the end") // the data: the length less its header
        << dbase(0x8B, dbtPointer(1)) << tooLong << dbtExt << 2 << "NOTES"
        << "claims 4294967272 bytes";
    QTest::newRow("dBase IV pointer past the end") << dbase(0x8B, dbtPointer(9)) << dbt4 << dbtExt << 1 << "NOTES"
                                                   << "memo pointer 9 is past the end of";
    QTest::newRow("dBase IV memo header cut by the end")
        << dbase(0x8B, dbtPointer(1)) << dbt4.left(512 + 5) << dbtExt << 2 << "NOTES"
        << "memo pointer 1 is past the end";
}

void TableReaderTest::damagedValuesReadAsNull()
{
    // One damaged value is Null and counted; every row and every other value arrives.
    QFETCH(QByteArray, dbf);
    QFETCH(QByteArray, memo);
    QFETCH(QString, memoExt);
    QFETCH(int, lost);
    QFETCH(QString, column);
    QFETCH(QString, expected);
    const QString name = QString("lost%1").arg(QTest::currentDataTag()).remove(' ');
    const QString path = write(name + ".dbf", dbf);
    if (!memo.isEmpty())
        write(name + memoExt, memo);
    std::vector<std::vector<Variant>> rows;
    TableReader reader(path);
    const int at = [&] {
        for (int i = 0; i < int(reader.columns().size()); ++i)
            if (reader.columns()[size_t(i)].name == column)
                return i;
        return -1;
    }();
    QVERIFY(at >= 0);
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        rows.push_back(row);
    }
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(reader.liveCount(), qint64(3));
    const QStringList names = {"abcd", "efgh", "ijkl"};
    for (size_t i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i][0].asText(), names[qsizetype(i)]);
    QCOMPARE(reader.lostValues().count(), qint64(lost));
    const tw::ado::LostValue &first = reader.lostValues().first().front();
    QVERIFY2(first.value.contains(expected), qPrintable(first.value));
    // What is wrong alone: the table is named beside it, the sentence is not closed.
    QVERIFY2(!first.value.startsWith(name) && !first.value.endsWith(u'.'), qPrintable(first.value));
    QCOMPARE(first.column, column);
    QCOMPARE(first.table, name + ".dbf");
    QVERIFY(rows[size_t(first.row - 1)][size_t(at)].isNull());
    QVERIFY(reader.damagedRows().empty());
}

void TableReaderTest::damagedRowsAreSetAsideWhole_data()
{
    QTest::addColumn<QByteArray>("dbf");
    QTest::addColumn<QStringList>("names");  // the rows read, in order
    QTest::addColumn<QStringList>("places"); // the damaged places as described
    QTest::addColumn<qint64>("lostRows");

    // NAME C(4), N N(3): 8-byte records after a 32 + 64 + 1 + 263 = 360-byte header.
    const QByteArray good =
        buildDbf(0x30, {{"NAME", 'C', 4}, {"N", 'N', 3}}, {record("abcd  1"), "*efgh  2", record("ijkl  3")});
    auto counting = [](QByteArray dbf, quint32 count) {
        dbf.replace(4, 4, le32(count));
        return dbf;
    };
    QTest::newRow("cut mid-record") << good.left(good.size() - 4) << QStringList{"abcd"}
                                    << QStringList{"record 3 at byte 376: cut by the end of the file after 5 of its 8 "
                                                   "bytes (1 row)"}
                                    << qint64(1);
    QTest::newRow("count past the end")
        << counting(good, 1000000) << QStringList{"abcd", "ijkl"}
        << QStringList{"records 4 to 1000000 at byte 385: past the end of the file: the header counts 1000000 "
                       "records, the file holds 3 (999997 rows)"}
        << qint64(999997);
    QTest::newRow("cut, and counted past the end")
        << counting(good.left(good.size() - 3), 5) << QStringList{"abcd"}
        << QStringList{"record 3 at byte 376: cut by the end of the file after 6 of its 8 bytes (1 row)",
                       "records 4 to 5 at byte 382: past the end of the file: the header counts 5 records, the file "
                       "holds 2 (2 rows)"}
        << qint64(3);
    QTest::newRow("no end mark, one more counted")
        << counting(good.left(good.size() - 1), 4) << QStringList{"abcd", "ijkl"}
        << QStringList{"record 4 at byte 384: past the end of the file: the header counts 4 records, the file holds "
                       "3 (1 row)"}
        << qint64(1);
}

void TableReaderTest::damagedRowsAreSetAsideWhole()
{
    // Every whole row arrives, the others are named, none as a blank or half row.
    QFETCH(QByteArray, dbf);
    QFETCH(QStringList, names);
    QFETCH(QStringList, places);
    QFETCH(qint64, lostRows);
    const QString path = write("cut.dbf", dbf);
    TableReader reader(path);
    QCOMPARE(reader.liveCount(), qint64(names.size()));
    QStringList read;
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        read << row[0].asText();
    }
    QCOMPARE(read, names);
    QStringList described;
    for (const tw::ado::DamagedRow &place : reader.damagedRows().first()) {
        QCOMPARE(place.table, QString("cut.dbf"));
        described << tw::ado::DamagedRows::describe(place);
    }
    QCOMPARE(described, places);
    QCOMPARE(reader.damagedRows().rowCount(), lostRows);
}

void TableReaderTest::headerFormsOtherReadersAccept_data()
{
    QTest::addColumn<QByteArray>("dbf");
    QTest::addColumn<QStringList>("rows"); // each row's values as text, joined by "|"
    QTest::addColumn<QString>("warning");  // empty: none
    QTest::addColumn<QByteArray>("dbt");   // the memo file, when the table has one

    const QByteArray wide = "  -12345678901234567890123456789012345678.1234567890";
    QTest::newRow("N(50,10) and F(50,10)")
        << buildDbf(0x03, {{"N", 'N', 50, 10}, {"F", 'F', 50, 10}},
                    {record(wide.right(50) + QByteArray(38, ' ') + "0.5000000000"), record(QByteArray(100, ' '))})
        << QStringList{"-12345678901234567890123456789012345678.1234567890|0.5000000000", "|"} << QString()
        << QByteArray();

    // NAME C(4), NOTE C(5): the fields need 10 bytes, the header says 9 (or 11).
    QByteArray head = buildDbf(0x30, {{"NAME", 'C', 4}, {"NOTE", 'C', 5}}, {});
    head.chop(1);
    head.replace(4, 4, le32(2));
    QByteArray oneShort = head;
    oneShort[10] = 9;
    QTest::newRow("record length one short")
        << oneShort + " abcdhell" + " wxyzworl" + "\x1a" << QStringList{"abcd|hell", "wxyz|worl"}
        << "the fields need 10 bytes per record, the header says 9; the records are read 9 bytes "
           "apart, and what the "
           "last fields lack reads as blank."
        << QByteArray();
    QByteArray oneLong = head;
    oneLong[10] = 11;
    QTest::newRow("record length one longer")
        << oneLong + " abcdhello!" + " wxyzworld!" + "\x1a" << QStringList{"abcd|hello", "wxyz|world"}
        << "the fields need 10 bytes per record, the header says 11; the records are read 11 bytes "
           "apart."
        << QByteArray();

    std::vector<quint32> blocks;
    const QByteArray dbt4 = buildDbt4(512, {QByteArray("\x00\x1a\xff bytes", 9)}, &blocks);
    QTest::newRow("dBase IV binary memo (B)")
        << buildDbf(0x8B, {{"NAME", 'C', 4}, {"BIN", 'B', 10}},
                    {record("abcd" + dbtPointer(blocks[0])), record("efgh" + dbtPointer(0))})
        << QStringList{QString::fromLatin1(QByteArray("abcd|\x00\x1a\xff bytes", 14)), "efgh|"} << QString() << dbt4;

    QByteArray lineFeed = buildDbf(0x03, {{"NAME", 'C', 4}}, {record("abcd")});
    QCOMPARE(lineFeed[64], '\x0d');
    lineFeed[64] = '\x0a';
    QTest::newRow("descriptors ended by a line feed") << lineFeed << QStringList{"abcd"} << QString() << QByteArray();

    QTest::newRow("date field of 10 bytes")
        << buildDbf(0x03, {{"NAME", 'C', 4}, {"BORN", 'D', 10}}, {record("abcd19600101  "), record("efgh          ")})
        << QStringList{"abcd|1960-01-01", "efgh|"}
        << "field BORN is 10 bytes long, a date takes 8; it is read from its first 8 bytes." << QByteArray();
    QTest::newRow("field of length 0") << buildDbf(0x03, {{"NAME", 'C', 4}, {"GAP", 'C', 0}, {"QTY", 'N', 3}},
                                                   {record("abcd 12"), record("efgh  3")})
                                       << QStringList{"abcd|12", "efgh|3"}
                                       << "field GAP has length 0 and holds nothing; it is left out." << QByteArray();
}

void TableReaderTest::headerFormsOtherReadersAccept()
{
    QFETCH(QByteArray, dbf);
    QFETCH(QStringList, rows);
    QFETCH(QString, warning);
    QFETCH(QByteArray, dbt);
    const QString path = write("forms.dbf", dbf);
    QFile::remove(m_dir.filePath("forms.dbt"));
    if (!dbt.isEmpty())
        write("forms.dbt", dbt);
    TableReader reader(path);
    QStringList read;
    std::vector<Variant> row;
    while (reader.next()) {
        reader.values(row);
        QStringList values;
        for (const Variant &v : row)
            values << (v.isNull()                         ? QString()
                       : v.kind() == Variant::Kind::Bytes ? QString::fromLatin1(v.asBytes())
                                                          : v.toText());
        read << values.join('|');
    }
    QCOMPARE(read, rows);
    QCOMPARE(reader.warnings(), warning.isEmpty() ? QStringList() : QStringList{"forms.dbf: " + warning});
    QVERIFY(reader.lostValues().empty());
}

QTEST_GUILESS_MAIN(TableReaderTest)
#include "tst_foxpro_reader.moc"
