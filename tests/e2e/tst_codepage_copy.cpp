// Tables whose text is in a code page other than Windows-1252, copied both
// ways with tabwright-cli and read back with the independent readers (pxlib,
// dbfread): every character and every field name arrives, and the copy's
// header names the source's code page. Where the target cannot mark the
// source's code page, only the characters Windows-1252 cannot hold become
// "?", and field names stay valid and unique.

#include "TestSupport.h"

#include "platform/ado/Variant.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/foxpro/CodePageMarks.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using tw::ado::Variant;
using tw::test::ProcessResult;
using tw::test::run;

namespace {

constexpr int kDbfCodePageMark = 29;
constexpr int kDbfHeaderLength = 8;
constexpr int kDbfBacklinkSize = 263;
constexpr int kPxSortOrder = 0x29;
constexpr int kPxCodePage = 0x6A;
constexpr int kPxSortOrderName = 0x6E;
constexpr int kPxDataHeaderBase = 0x58;

// Three text columns: an alpha or character field, a memo, a short one.
struct Sample {
    QString table;
    int codePage;
    QStringList names;
    QList<QStringList> rows;
};

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QList<Sample> samples()
{
    return {
        {"cyr866",
         866,
         {u("Наименование товара"), u("Наименование склада"), u("Город")},
         {{u("Съешь же ещё этих мягких французских булок"), u("╔═╗ №5 ░▒▓\r\nвторая строка"), u("Ёлки")},
          {u("ЭХО"), u(""), u("Юг")}}},
        {"cyr1251",
         1251,
         {u("Город"), u("Улица и дом"), u("Страна")},
         {{u("Београд, Ђорђе"), u("Київ — Україна, «вул. Хрещатик»"), u("Сербия")}, {u("Ёж"), u("№ 7"), u("")}}},
        {"lat1250",
         1250,
         {u("Jméno"), u("Příjmení"), u("Město")},
         {{u("Příliš žluťoučký kůň"), u("Zażółć gęślą jaźń – Őrült Űr"), u("Brno")}, {u("Ďábel"), u(""), u("Łódź")}}},
        {"gr1253",
         1253,
         {u("Όνομα"), u("Επώνυμο"), u("Πόλη")},
         {{u("Ξεσκεπάζω την ψυχοφθόρα βδελυγμία"), u("Άλφα – Ωμέγα"), u("Αθήνα")}, {u("ΐΰ"), u("ς"), u("Ρόδος")}}},
        {"zh936",
         936,
         {u("客户名称"), u("客户地址"), u("备注")},
         {{u("我能吞下玻璃而不伤身体"), u("北京市海淀区中关村大街"), u("无")}, {u("中文"), u(""), u("是")}}},
    };
}

QList<QStringList> jsonLines(const QByteArray &dump)
{
    QList<QStringList> lines;
    for (const QByteArray &line : dump.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        const QJsonArray values = doc.isObject() ? doc.object().value("columns").toArray() : doc.array();
        QStringList texts;
        for (const QJsonValue &value : values)
            texts << (value.isNull() ? QString() : value.toString());
        lines << texts;
    }
    return lines;
}

} // namespace

class CodePageCopyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void paradoxToFoxPro_data();
    void paradoxToFoxPro();
    void foxproToParadox_data();
    void foxproToParadox();
    void corpusCyrillicTableToParadox();
    void paradoxCodePageFoxProCannotMark();
    void foxproCodePageParadoxCannotMark();

private:
    QString freshFolder(const QString &name);
    ProcessResult cli(const QStringList &args) { return run(m_cli, args, 300000); }
    ProcessResult dumpParadox(const QString &folder, const QString &table)
    {
        return tw::test::pxjsonDump(m_pxjson, folder, table);
    }
    ProcessResult dumpFoxPro(const QString &dbf);
    void writeParadox(const QString &folder, const Sample &sample);
    void writeFoxPro(const QString &folder, const Sample &sample, uint8_t mark);
    QString compare(const QString &direction, const QByteArray &source, const QByteArray &target)
    {
        return tw::test::copyDifferences(m_work.path(), direction, source, target);
    }

    QString m_cli;
    QString m_shared;
    QString m_pxjson;
    QTemporaryDir m_work;
};

void CodePageCopyTest::initTestCase()
{
    TW_SKIP_WITHOUT_LINUX_READERS();
    m_cli = tw::test::programPath("tabwright-cli");
    QVERIFY(QFileInfo::exists(m_cli));
    m_shared = tw::test::sharedDir();
    if (m_shared.isEmpty())
        QSKIP("no shared corpus and readers on this machine");
    if (!QFileInfo::exists("/usr/lib/python3/dist-packages/dbfread"))
        QSKIP("python3-dbfread is not installed");
    tw::test::writeAll(m_work.filePath("work.mdb"), QByteArray());
    m_pxjson = m_work.filePath("pxjson");
    const ProcessResult built = run("gcc", {"-O2", "-o", m_pxjson, m_shared + "/tools/pxjson.c", "-lpx"});
    if (built.exitCode != 0)
        QSKIP("pxjson cannot be built (pxlib-dev missing)");
}

QString CodePageCopyTest::freshFolder(const QString &name)
{
    const QString folder = m_work.filePath(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

ProcessResult CodePageCopyTest::dumpFoxPro(const QString &dbf)
{
    return run("/usr/bin/python3", {m_shared + "/tools/dbfjson.py", dbf});
}

void CodePageCopyTest::writeParadox(const QString &folder, const Sample &sample)
{
    using tw::paradox::FieldType;
    const std::vector<tw::paradox::NewField> columns{
        {sample.names[0], FieldType::Alpha, 60, 0},
        {sample.names[1], FieldType::Memo, 0, 0},
        {sample.names[2], FieldType::Alpha, 20, 0},
    };
    tw::paradox::TableWriter writer(folder, sample.table, columns, 0, sample.codePage);
    for (const QStringList &row : sample.rows)
        writer.appendRow({Variant::text(row[0]), Variant::text(row[1]), Variant::text(row[2])});
    QCOMPARE(writer.unmappedCharacters(), qint64(0));
    writer.finish();
}

void CodePageCopyTest::writeFoxPro(const QString &folder, const Sample &sample, uint8_t mark)
{
    const std::vector<tw::foxpro::NewField> fields{
        {sample.names[0], 'C', 60, 0, -1, false},
        {sample.names[1], 'M', 4, 0, -1, false},
        {sample.names[2], 'C', 20, 0, -1, false},
    };
    tw::foxpro::CreateOptions options;
    options.codePageMark = mark;
    auto writer = tw::foxpro::TableWriter::create(folder + "/" + sample.table + ".dbf", fields, options);
    for (const QStringList &row : sample.rows)
        writer->append({Variant::text(row[0]), Variant::text(row[1]), Variant::text(row[2])});
    QCOMPARE(writer->replacedCharacters(), qint64(0));
}

void CodePageCopyTest::paradoxToFoxPro_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("names"); // as the FoxPro table stores them
    const QList<Sample> all = samples();
    const QList<QStringList> stored{
        {u("НАИМЕНОВАН"), u("НАИМЕНОВА2"), u("ГОРОД")}, {u("ГОРОД"), u("УЛИЦА_И_ДО"), u("СТРАНА")},
        {u("JMÉNO"), u("PŘÍJMENÍ"), u("MĚSTO")},        {u("ΌΝΟΜΑ"), u("ΕΠΏΝΥΜΟ"), u("ΠΌΛΗ")},
        {u("客户名称"), u("客户地址"), u("备注")},
    };
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(qPrintable(all[i].table)) << i << stored[i];
}

void CodePageCopyTest::paradoxToFoxPro()
{
    QFETCH(int, index);
    QFETCH(QStringList, names);
    const Sample sample = samples()[index];
    const QString px = freshFolder("px-" + sample.table);
    const QString fox = freshFolder("fox-" + sample.table);
    writeParadox(px, sample);
    const ProcessResult source = dumpParadox(px, sample.table);
    QVERIFY2(source.exitCode == 0, source.err.constData());
    // pxlib reads the source as written: the test's texts are really there.
    const QList<QStringList> sourceLines = jsonLines(source.out);
    QCOMPARE(sourceLines.value(0), sample.names);
    QCOMPARE(sourceLines.value(1), sample.rows[0]);

    const ProcessResult copied = cli({"copy", "--to-foxpro", "--paradox", px, "--foxpro", fox, sample.table});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    QVERIFY2(!copied.err.contains("cannot hold"), copied.err.constData());
    const QFileInfoList written = QDir(fox).entryInfoList({"*.DBF"}, QDir::Files);
    QCOMPARE(written.size(), 1);
    const QByteArray dbf = tw::test::readAll(written[0].filePath());
    QCOMPARE(uint8_t(dbf.at(kDbfCodePageMark)), tw::foxpro::markOfCodePage(sample.codePage));

    const ProcessResult target = dumpFoxPro(written[0].filePath());
    QVERIFY2(target.exitCode == 0, target.err.constData());
    QVERIFY2(target.err.isEmpty(), target.err.constData()); // no byte outside the code page
    const QList<QStringList> targetLines = jsonLines(target.out);
    QCOMPARE(targetLines.value(0), names);
    QCOMPARE(targetLines.value(1), sample.rows[0]);
    const QString differences = compare("to-foxpro", source.out, target.out);
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
}

void CodePageCopyTest::foxproToParadox_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("sortOrder");
    QTest::addColumn<QByteArray>("sortOrderName");
    const QList<Sample> all = samples();
    const QList<QPair<int, QByteArray>> orders{
        {0xC0, "cyrr"}, {0x8F, "ancyrr"}, {0xDC, "anczech"}, {0x0E, "angreek1"}, {0x03, "china"},
    };
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(qPrintable(all[i].table)) << i << orders[i].first << orders[i].second;
}

void CodePageCopyTest::foxproToParadox()
{
    QFETCH(int, index);
    QFETCH(int, sortOrder);
    QFETCH(QByteArray, sortOrderName);
    Sample sample = samples()[index];
    // FoxPro names as a FoxPro table can have them; the copy lists them in lower case.
    sample.names = tw::foxpro::storedFieldNames(sample.names, tw::encoding::TextCodec::forCodePage(sample.codePage));
    const QString fox = freshFolder("fox-" + sample.table);
    const QString px = freshFolder("px-" + sample.table);
    writeFoxPro(fox, sample, tw::foxpro::markOfCodePage(sample.codePage));
    const ProcessResult source = dumpFoxPro(fox + "/" + sample.table + ".dbf");
    QVERIFY2(source.exitCode == 0, source.err.constData());
    const QList<QStringList> sourceLines = jsonLines(source.out);
    QCOMPARE(sourceLines.value(0), sample.names);
    QCOMPARE(sourceLines.value(1), sample.rows[0]);

    const ProcessResult copied = cli({"copy", "--to-paradox", "--yes", "--foxpro", fox, "--paradox", px, "--work",
                                      m_work.filePath("work.mdb"), sample.table});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    QVERIFY2(!copied.err.contains("cannot hold"), copied.err.constData());
    const QFileInfoList written = QDir(px).entryInfoList({"*.db"}, QDir::Files);
    QCOMPARE(written.size(), 1);
    const QByteArray db = tw::test::readAll(written[0].filePath());
    const auto *header = tw::encoding::bytesOf(db.constData());
    QCOMPARE(int(tw::encoding::getU16LE(header + kPxCodePage)), sample.codePage);
    QCOMPARE(int(header[kPxSortOrder]), sortOrder);
    const int nameAt = tw::encoding::getU16LE(header + kPxSortOrderName) + kPxDataHeaderBase;
    QCOMPARE(QByteArray(db.constData() + nameAt), sortOrderName);

    const ProcessResult target = dumpParadox(px, sample.table);
    QVERIFY2(target.exitCode == 0, target.err.constData());
    QVERIFY2(target.err.isEmpty(), target.err.constData());
    const QList<QStringList> targetLines = jsonLines(target.out);
    QStringList lower;
    for (const QString &name : sample.names)
        lower << name.toLower();
    QCOMPARE(targetLines.value(0), lower);
    QCOMPARE(targetLines.value(1), sample.rows[0]);
    const QString differences = compare("to-paradox", source.out, target.out);
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
}

void CodePageCopyTest::corpusCyrillicTableToParadox()
{
    // The corpus's code page 1251 table, made a free table (its backlink names
    // a container that is not there).
    const QString fox = freshFolder("fox-corpus");
    const QString px = freshFolder("px-corpus");
    QByteArray dbf = tw::test::readAll(m_shared + "/corpus/foxpro/free/cp1251.dbf");
    QVERIFY(!dbf.isEmpty());
    const int headerLength = tw::encoding::getU16LE(tw::encoding::bytesOf(dbf.constData()) + kDbfHeaderLength);
    dbf.replace(headerLength - kDbfBacklinkSize, kDbfBacklinkSize, QByteArray(kDbfBacklinkSize, '\0'));
    tw::test::writeAll(fox + "/cp1251.dbf", dbf);
    const ProcessResult source = dumpFoxPro(fox + "/cp1251.dbf");
    QVERIFY2(source.exitCode == 0, source.err.constData());
    QVERIFY(source.out.contains(u("амбулаторно-поликлиническое").toUtf8()));

    const ProcessResult copied = cli({"copy", "--to-paradox", "--yes", "--foxpro", fox, "--paradox", px, "--work",
                                      m_work.filePath("work.mdb"), "--verify", "cp1251"});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    QVERIFY2(!copied.err.contains("cannot hold"), copied.err.constData());
    const ProcessResult target = dumpParadox(px, "cp1251");
    QVERIFY2(target.exitCode == 0, target.err.constData());
    QVERIFY(target.out.contains(u("амбулаторно-поликлиническое").toUtf8()));
    const QString differences = compare("to-paradox", source.out, target.out);
    QVERIFY2(differences.isEmpty(), qPrintable(differences));
}

void CodePageCopyTest::paradoxCodePageFoxProCannotMark()
{
    // Hebrew DOS (862): Paradox marks it, FoxPro does not. The copy is in
    // Windows-1252: Hebrew letters become "?" (counted), the names "_", each
    // still its own.
    const Sample sample{"heb862", 862, {u("שם"), u("עיר"), u("גל")}, {{u("שלום abc"), u("ירושלים"), u("x")}}};
    const QString px = freshFolder("px-heb");
    const QString fox = freshFolder("fox-heb");
    writeParadox(px, sample);
    const ProcessResult copied = cli({"copy", "--to-foxpro", "--paradox", px, "--foxpro", fox, sample.table});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    QVERIFY2(copied.err.contains("11 character(s) that the target's code page cannot hold"), copied.err.constData());
    const QFileInfoList written = QDir(fox).entryInfoList({"*.DBF"}, QDir::Files);
    QCOMPARE(written.size(), 1);
    QCOMPARE(uint8_t(tw::test::readAll(written[0].filePath()).at(kDbfCodePageMark)), tw::foxpro::kMark1252);
    const ProcessResult target = dumpFoxPro(written[0].filePath());
    QVERIFY2(target.exitCode == 0, target.err.constData());
    const QList<QStringList> lines = jsonLines(target.out);
    QCOMPARE(lines.value(0), QStringList({"__", "___", "__2"}));
    QCOMPARE(lines.value(1), QStringList({"???? abc", "???????", "x"}));
}

void CodePageCopyTest::foxproCodePageParadoxCannotMark()
{
    // Japanese (932): FoxPro marks it, Paradox has no sort order for it. The
    // copy is in Windows-1252, where the three names are "????" alike: they
    // are told apart, as Paradox needs.
    const Sample sample{
        "jp932", 932, {u("顧客番号"), u("顧客名前"), u("顧客住所")}, {{u("日本語 ok"), u("東京"), u("")}}};
    const QString fox = freshFolder("fox-jp");
    const QString px = freshFolder("px-jp");
    writeFoxPro(fox, sample, tw::foxpro::markOfCodePage(sample.codePage));
    const ProcessResult copied = cli({"copy", "--to-paradox", "--yes", "--foxpro", fox, "--paradox", px, "--work",
                                      m_work.filePath("work.mdb"), sample.table});
    QVERIFY2(copied.exitCode == 0, copied.err.constData());
    QVERIFY2(copied.err.contains("5 character(s) that the target's code page cannot hold"), copied.err.constData());
    const QFileInfoList written = QDir(px).entryInfoList({"*.db"}, QDir::Files);
    QCOMPARE(written.size(), 1);
    const QByteArray db = tw::test::readAll(written[0].filePath());
    QCOMPARE(int(tw::encoding::getU16LE(tw::encoding::bytesOf(db.constData()) + kPxCodePage)), 1252);
    const ProcessResult target = dumpParadox(px, sample.table);
    QVERIFY2(target.exitCode == 0, target.err.constData());
    const QList<QStringList> lines = jsonLines(target.out);
    QCOMPARE(lines.value(0), QStringList({"????", "????2", "????3"}));
    QCOMPARE(lines.value(1), QStringList({"??? ok", "??", ""}));
}

QTEST_GUILESS_MAIN(CodePageCopyTest)
#include "tst_codepage_copy.moc"
