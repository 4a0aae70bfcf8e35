// tabwright-cli check: its predictions agree with what copy --verify then
// reports, table by table and both ways; it reads damaged tables and says
// so, guesses the code page of tables whose mark is missing or wrong, exits
// 0, 3 or 1, and changes no file.

#include "TestSupport.h"

#include "cli/Commands.h"
#include "cli/Providers.h"
#include "platform/ado/Variant.h"
#include "platform/encoding/TextCodec.h"
#include "platform/files/FaultPlan.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/TableWriter.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;
using ado::Variant;
using tw::test::ProcessResult;

namespace {

constexpr int kDbfCodePageMark = 29;
constexpr int kDbfRecordCount = 4;
constexpr int kDbfHeaderSize = 32;
constexpr int kDbfDescriptorSize = 32;
constexpr int kDbfFieldNameSize = 11;
constexpr char kDbfDescriptorsEnd = '\r';

// The field names a .dbf holds, read from its bytes.
QStringList dbfFieldNames(const QByteArray &dbf)
{
    QStringList names;
    for (qsizetype at = kDbfHeaderSize; at + kDbfDescriptorSize <= dbf.size() && dbf[at] != kDbfDescriptorsEnd;
         at += kDbfDescriptorSize)
        names << QString::fromLatin1(dbf.mid(at, kDbfFieldNameSize)).section(QChar(0), 0, 0);
    return names;
}

// What a copy reported for one table (or check predicted).
struct Counts {
    qint64 rows = -1;
    qint64 replaced = 0;
    qint64 lost = 0;
    qint64 changed = 0;
    bool operator==(const Counts &) const = default;
};

QString describe(const Counts &c)
{
    return QStringLiteral("rows %1, replaced %2, lost %3, changed %4")
        .arg(c.rows)
        .arg(c.replaced)
        .arg(c.lost)
        .arg(c.changed);
}

qint64 captured(const QString &line, const char *pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(QLatin1String(pattern)).match(line);
    return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

// The counts of copy --verify's line "TABLE: verified: N rows, M values (...)".
Counts verifiedCounts(const QByteArray &out, const QString &table)
{
    Counts c;
    for (const QString &line : QString::fromUtf8(out).split(u'\n')) {
        if (!line.startsWith(table + QStringLiteral(": verified: "), Qt::CaseInsensitive))
            continue;
        c.rows = captured(line, "verified: (\\d+) rows");
        c.replaced = captured(line, "\\((\\d+) character\\(s\\) the target cannot hold");
        c.lost = captured(line, "\\((\\d+) value\\(s\\) written as Null");
        c.changed = captured(line, "\\((\\d+) value\\(s\\) written changed");
    }
    return c;
}

QJsonObject onlyTable(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object().value("tables").toArray().first().toObject();
}

Counts predictedCounts(const QJsonObject &table)
{
    const QJsonObject target = table.value("target").toObject();
    Counts c;
    c.rows = table.value("rows").toInteger();
    c.replaced = target.value("replacedCharacters").toInteger();
    c.lost = target.value("lost").toObject().value("count").toInteger();
    c.changed = target.value("changed").toObject().value("count").toInteger();
    return c;
}

// Every file under the folder with its size and time, to see that nothing changed.
QStringList snapshot(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        files << QStringLiteral("%1 %2 %3")
                     .arg(info.filePath())
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

} // namespace

class CheckTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void predictionsAgreeWithTheCopy_data();
    void predictionsAgreeWithTheCopy();
    void damagedTablesAreReported();
    void memoFileThatCannotGiveValues_data();
    void memoFileThatCannotGiveValues();
    void codePageGuessForMissingAndWrongMarks_data();
    void codePageGuessForMissingAndWrongMarks();
    void exitStatusAndNoFileChanged();
    void chosenCodePage();
    void sizePastTheFormatsLimit_data();
    void sizePastTheFormatsLimit();

private:
    ProcessResult cli(const QStringList &args) { return tw::test::run(m_cli, args); }
    QString folder(const QString &name);

    QString m_cli;
    QTemporaryDir m_dir;
    QString m_work;
    QString m_fox; // FoxPro tables made here
};

QString CheckTest::folder(const QString &name)
{
    const QString path = m_dir.filePath(name);
    QDir().mkpath(path);
    return path;
}

void CheckTest::initTestCase()
{
    m_cli = tw::test::programPath("tabwright-cli");
    QVERIFY2(QFileInfo::exists(m_cli), qPrintable(m_cli));
    m_work = m_dir.filePath("work.mdb");
    tw::test::writeAll(m_work, {});
    m_fox = folder("fox");
    // clean: every value arrives as it is.
    std::vector<foxpro::NewField> cleanFields{{"ID", 'I', 4, 0, -1, false},
                                              {"NAME", 'C', 20, 0, -1, true},
                                              {"NOTE", 'M', 4, 0, -1, true},
                                              {"BORN", 'D', 8, 0, -1, true},
                                              {"PRICE", 'N', 10, 2, -1, true}};
    auto writer = foxpro::TableWriter::create(m_fox + "/clean.dbf", cleanFields);
    writer->append({Variant::integer(1), Variant::text("Ann"), Variant::text("a\r\nnote"),
                    Variant::date(QDate(1999, 12, 31)), Variant::decimal("12.50")});
    writer->append({Variant::integer(2), Variant::null(), Variant::null(), Variant::null(), Variant::null()});
    writer.reset();
    // lossy: digits a double does not hold (changed), a moment before the
    // year 1 that a Paradox timestamp does not hold (lost), and letters of a
    // Thai table (Paradox cannot mark one, so its copy is in Windows-1252).
    std::vector<foxpro::NewField> lossyFields{{"ID", 'I', 4, 0, -1, false},
                                              {"BIG", 'N', 20, 4, -1, true},
                                              {"SEEN", 'T', 8, 0, -1, true},
                                              {"CITY", 'C', 10, 0, -1, false}};
    writer = foxpro::TableWriter::create(m_fox + "/lossy.dbf", lossyFields);
    writer->append({Variant::integer(1), Variant::decimal("123456789012345.7891"),
                    Variant::dateTime(QDate(-100, 3, 1), 0), Variant::text(QString::fromUtf8("\xc3\xa0\xc3\xa1"))});
    writer->append({Variant::integer(2), Variant::decimal("12.5"), Variant::dateTime(QDate(2020, 1, 2), 1000),
                    Variant::text("Oslo")});
    writer->append({Variant::integer(3), Variant::decimal("98765432109876543.21"), Variant::null(),
                    Variant::text(QString::fromUtf8("\xc3\xa2"))});
    writer.reset();
    QByteArray bytes = tw::test::readAll(m_fox + "/lossy.dbf");
    bytes[kDbfCodePageMark] = char(0x7C); // Thai
    tw::test::writeAll(m_fox + "/lossy.dbf", bytes);
}

void CheckTest::predictionsAgreeWithTheCopy_data()
{
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("source"); // the source side's folder
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("whole");
    const QString shared = tw::test::sharedDir();
    QTest::newRow("clean to Paradox") << "paradox" << m_fox << "clean" << true;
    QTest::newRow("lossy to Paradox") << "paradox" << m_fox << "lossy" << false;
    if (!shared.isEmpty()) {
        QTest::newRow("corpus to Paradox") << "paradox" << shared + "/corpus/foxpro/free"
                                           << "dbase_30" << true;
        QTest::newRow("corpus to FoxPro") << "foxpro" << shared + "/corpus/paradox"
                                          << "CUSTOMER" << true;
        QTest::newRow("corpus blobs to FoxPro") << "foxpro" << shared + "/corpus/paradox"
                                                << "GRAPHIC" << true;
    }
}

void CheckTest::predictionsAgreeWithTheCopy()
{
    QFETCH(QString, direction);
    QFETCH(QString, source);
    QFETCH(QString, table);
    QFETCH(bool, whole);
    const QString target = folder(QStringLiteral("target-%1-%2").arg(direction, table));
    const bool toParadox = direction == u"paradox";
    const QString fox = toParadox ? source : target;
    const QString px = toParadox ? target : source;
    const ProcessResult check = cli({"check", "--to", direction, "--foxpro", fox, "--paradox", px, "--json", table});
    QVERIFY2(check.exitCode == (whole ? 0 : 3), check.err.constData());
    const QJsonObject predicted = onlyTable(check.out);
    QCOMPARE(predicted.value("whole").toBool(), whole);
    QVERIFY2(!predicted.value("target").toObject().value("columns").toArray().isEmpty(), check.out.constData());

    const ProcessResult copy =
        cli({"copy", "--to", direction, "--foxpro", fox, "--paradox", px, "--work", m_work, "--verify", table});
    QVERIFY2(copy.exitCode == 0, copy.err.constData());
    const Counts reported = verifiedCounts(copy.out, table);
    const Counts expected = predictedCounts(predicted);
    QVERIFY2(reported == expected, qPrintable(describe(expected) + QStringLiteral(" predicted, ") + describe(reported) +
                                              QStringLiteral(" reported\n") + QString::fromUtf8(copy.out + copy.err)));
    if (!whole)
        QVERIFY(reported.replaced + reported.lost + reported.changed > 0);

    // The names check gives the columns are those of the table the copy made
    // (a FoxPro table's as its header holds them).
    QStringList made;
    if (toParadox) {
        const ProcessResult dumped = cli({"dump", "--paradox", target, table});
        QVERIFY2(dumped.exitCode == 0, dumped.err.constData());
        for (const QJsonValue name :
             QJsonDocument::fromJson(dumped.out.left(dumped.out.indexOf('\n'))).object()["columns"].toArray())
            made << name.toString();
    } else {
        made = dbfFieldNames(tw::test::readAll(QDir(target).filePath(table.toUpper() + ".DBF")));
    }
    QStringList named;
    for (const QJsonValue column : predicted["target"].toObject()["columns"].toArray())
        named << column.toObject()["target"].toString();
    QCOMPARE(named, made);
}

void CheckTest::damagedTablesAreReported()
{
    // The last record cut short: the copy leaves it out, and check says so first.
    const QString damaged = folder("damaged");
    QByteArray bytes = tw::test::readAll(m_fox + "/clean.dbf");
    QFile::copy(m_fox + "/clean.fpt", damaged + "/clean.fpt");
    bytes[kDbfRecordCount] = 3; // one record more than the file holds
    tw::test::writeAll(damaged + "/clean.dbf", bytes);
    const QString px = folder("damaged-px");
    ProcessResult check = cli({"check", "--to-paradox", "--foxpro", damaged, "--paradox", px, "clean"});
    QCOMPARE(check.exitCode, 3);
    QVERIFY2(check.out.contains("  rows: 2\n"), check.out.constData());
    QVERIFY2(check.out.contains("would NOT arrive whole"), check.out.constData());
    const ProcessResult copy =
        cli({"copy", "--to-paradox", "--foxpro", damaged, "--paradox", px, "--work", m_work, "clean"});
    QCOMPARE(copy.exitCode, 3);

    // A table that cannot be read at all: exit 1, and the others are still checked.
    tw::test::writeAll(damaged + "/broken.dbf", QByteArray("\x30\x01", 2));
    check = cli({"check", "--foxpro", damaged, "--json", "broken", "clean"});
    QCOMPARE(check.exitCode, 1);
    const QJsonArray tables = QJsonDocument::fromJson(check.out).object().value("tables").toArray();
    QCOMPARE(tables.size(), 2);
    QVERIFY(tables[0].toObject().value("problem").toString().contains("broken.dbf", Qt::CaseInsensitive));
    QCOMPARE(tables[1].toObject().value("rows").toInt(), 2);

    // Only a system field (_NullFlags): no column to carry, refused, not a crash.
    QByteArray system(32 + 32 + 1 + 263, '\0');
    system[0] = 0x30;
    system[kDbfRecordCount] = 1;
    system[8] = char(system.size() & 0xFF);
    system[9] = char(system.size() >> 8);
    system[10] = 2;                       // record: the deletion mark and one flag byte
    system.replace(32, 10, "_NullFlags"); // its descriptor
    system[32 + 11] = '0';                // type
    system[32 + 12] = 1;                  // offset
    system[32 + 16] = 1;                  // width
    system[32 + 18] = 0x01;               // a system field
    system[64] = '\r';
    tw::test::writeAll(damaged + "/sysonly.dbf", system + QByteArray(" \0\x1A", 3));
    check = cli({"check", "--to-paradox", "--foxpro", damaged, "--paradox", px, "sysonly"});
    QCOMPARE(check.exitCode, 3);
    QVERIFY2(check.out.contains("not 0"), check.out.constData());
}

void CheckTest::memoFileThatCannotGiveValues_data()
{
    QTest::addColumn<bool>("foxproSide");
    QTest::addColumn<QString>("memoFile");
    QTest::addColumn<qint64>("header"); // the memo file's header: all that is left of it
    QTest::addColumn<QString>("problem");
    QTest::newRow("FoxPro memo past the end of the .fpt")
        << true << "parts.fpt" << qint64(512) << "row 1, column NOTE: memo pointer 8 is past the end of parts.fpt";
    QTest::newRow("Paradox blob past the end of the .mb")
        << false << "parts.mb" << qint64(4096) << "row 1, column Note: parts.mb: blob pointer";
}

void CheckTest::memoFileThatCannotGiveValues()
{
    // Two long memos, then the memo file cut after its header: both point past its end.
    QFETCH(bool, foxproSide);
    QFETCH(QString, memoFile);
    QFETCH(qint64, header);
    QFETCH(QString, problem);
    const QString dir = folder(foxproSide ? "memo-fox" : "memo-px");
    const Variant memo = Variant::text(QString(300, u'x'));
    if (foxproSide) {
        std::vector<foxpro::NewField> fields{{"ID", 'I', 4, 0, -1, false}, {"NOTE", 'M', 4, 0, -1, false}};
        auto writer = foxpro::TableWriter::create(dir + "/parts.dbf", fields);
        writer->append({Variant::integer(1), memo});
        writer->append({Variant::integer(2), memo});
    } else {
        paradox::TableWriter writer(dir, "parts",
                                    {{"Id", paradox::FieldType::Long, 0}, {"Note", paradox::FieldType::Memo, 0}});
        writer.appendRow({Variant::integer(1), memo});
        writer.appendRow({Variant::integer(2), memo});
        writer.finish();
    }
    QFile file(dir + "/" + memoFile);
    QVERIFY2(file.size() > header, qPrintable(file.fileName()));
    QVERIFY(file.resize(header));
    const QStringList side = {foxproSide ? "--foxpro" : "--paradox", dir};

    ProcessResult check = cli(QStringList{"check"} + side + QStringList{"parts"});
    QCOMPARE(check.exitCode, 3);
    const QString said = QStringLiteral("  memo file: %1, 2 value(s) cannot be read: %2").arg(memoFile, problem);
    QVERIFY2(check.out.contains(said.toUtf8()), check.out.constData());
    QVERIFY2(!check.out.contains(", sound"), check.out.constData());

    check = cli(QStringList{"check", "--json"} + side + QStringList{"parts"});
    const QJsonObject memoJson = onlyTable(check.out).value("memoFile").toObject();
    QCOMPARE(memoJson.value("file").toString(), memoFile);
    QCOMPARE(memoJson.value("sound").toBool(), false);
    QCOMPARE(memoJson.value("unreadable").toInteger(), 2);
    QVERIFY2(memoJson.value("problem").toString().startsWith(problem), check.out.constData());
}

void CheckTest::codePageGuessForMissingAndWrongMarks_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<int>("mark"); // the byte the table is marked with: 0 none
    QTest::addColumn<QString>("text");
    const QString russian = QString::fromUtf8("Иванов Пётр Сергеевич|Москва, ул. Ленина|Счёт на оплату товара");
    const QString czech = QString::fromUtf8("Dvořák Antonín|Příliš žluťoučký kůň|Město Brno, Vinohradská");
    const QString western = QString::fromUtf8("Café Müller|Señor García à la carte|Zürich, Straße");
    const QString chinese = QString::fromUtf8("北京市朝阳区|这是一个测试的数据表|公司名称和价格");
    QTest::newRow("866 no mark") << 866 << 0 << russian;
    QTest::newRow("866 marked 1251") << 866 << 0xC9 << russian;
    QTest::newRow("1251 no mark") << 1251 << 0 << russian;
    QTest::newRow("1251 marked 866") << 1251 << 0x65 << russian;
    QTest::newRow("1250 no mark") << 1250 << 0 << czech;
    QTest::newRow("1250 marked 1252") << 1250 << 0x03 << czech;
    QTest::newRow("437 no mark") << 437 << 0 << western;
    QTest::newRow("437 marked 1252") << 437 << 0x03 << western;
    // A multi-byte mark reads some of these bytes as undefined: the guess takes them as stored.
    QTest::newRow("1251 marked 936") << 1251 << 0x7A << QString::fromUtf8("Мария Иванова|Москва|Счёт на оплату");
    QTest::newRow("936 no mark") << 936 << 0 << chinese;
    QTest::newRow("936 marked 1252") << 936 << 0x03 << chinese;
}

void CheckTest::codePageGuessForMissingAndWrongMarks()
{
    QFETCH(int, codePage);
    QFETCH(int, mark);
    QFETCH(QString, text);
    const QString dir = folder(QStringLiteral("guess-%1-%2").arg(codePage).arg(mark));
    // The text's bytes go in as they are, then the mark is set (or cleared).
    std::vector<foxpro::NewField> fields{{"NAME", 'C', 60, 0, -1, false}};
    auto writer = foxpro::TableWriter::create(dir + "/names.dbf", fields);
    for (const QString &value : text.split(u'|'))
        writer->append({Variant::text(
            encoding::TextCodec::windows1252().decode(encoding::TextCodec::forCodePage(codePage).encode(value)))});
    writer.reset();
    QByteArray bytes = tw::test::readAll(dir + "/names.dbf");
    bytes[kDbfCodePageMark] = char(mark);
    tw::test::writeAll(dir + "/names.dbf", bytes);

    const ProcessResult check = cli({"check", "--foxpro", dir, "--json", "names"});
    // A multi-byte mark reads bytes it does not define as U+FFFD: those texts
    // would arrive changed, and the table not whole.
    const bool misread = onlyTable(check.out).value("misread").toObject().value("count").toInt() > 0;
    QCOMPARE(misread, mark == 0x7A);
    QVERIFY2(check.exitCode == (misread ? 3 : 0), check.err.constData());
    const QJsonObject page = onlyTable(check.out).value("codePage").toObject();
    QVERIFY2(page.value("doubtful").toBool(), check.out.constData());
    const QJsonArray guesses = page.value("guesses").toArray();
    QCOMPARE(guesses.size(), 3);
    QCOMPARE(guesses[0].toObject().value("codePage").toInt(), codePage);
    QCOMPARE(guesses[0].toObject().value("sample").toString(), text.section(u'|', 0, 0));
}

void CheckTest::exitStatusAndNoFileChanged()
{
    const QString shared = tw::test::sharedDir();
    const QString px = folder("still-px");
    const ProcessResult first =
        cli({"copy", "--to-paradox", "--foxpro", m_fox, "--paradox", px, "--work", m_work, "clean"});
    QCOMPARE(first.exitCode, 0);
    const QStringList before = snapshot(m_dir.path());
    // The target exists: replaced only with --yes, else passed over.
    ProcessResult check = cli({"check", "--to-paradox", "--foxpro", m_fox, "--paradox", px, "clean"});
    QCOMPARE(check.exitCode, 3);
    QVERIFY2(check.out.contains("a table clean exists: the copy replaces it only when told --yes"),
             check.out.constData());
    check = cli({"check", "--to-paradox", "--foxpro", m_fox, "--paradox", px, "--yes", "clean"});
    QCOMPARE(check.exitCode, 0);
    QVERIFY2(check.out.contains("    id           I        -> id           I\n"), check.out.constData());
    QVERIFY2(check.out.contains("    name         C(20)    -> name         M\n"), check.out.constData());
    // Every table of both sides, read only.
    check = cli({"check", "--foxpro", m_fox, "--paradox", px});
    QCOMPARE(check.exitCode, 0);
    QVERIFY2(check.out.contains("clean: FoxPro table") && check.out.toLower().contains("clean: paradox table"),
             check.out.constData());
    QCOMPARE(snapshot(m_dir.path()), before);
    // Wrong usage.
    QCOMPARE(cli({"check", "--to-paradox", "--foxpro", m_fox}).exitCode, 2);
    QCOMPARE(cli({"check", "--foxpro", m_fox, "--codepage", "klingon"}).exitCode, 2);
}

void CheckTest::chosenCodePage()
{
    // Cyrillic in code page 866 in a table without a mark.
    const QString fox = folder("cp-fox");
    const QString name = QString::fromUtf8("Иванов Пётр");
    std::vector<foxpro::NewField> fields{{"NAME", 'C', 20, 0, -1, false}};
    auto writer = foxpro::TableWriter::create(fox + "/names.dbf", fields);
    writer->append(
        {Variant::text(encoding::TextCodec::windows1252().decode(encoding::TextCodec::forCodePage(866).encode(name)))});
    writer.reset();
    QByteArray bytes = tw::test::readAll(fox + "/names.dbf");
    bytes[kDbfCodePageMark] = 0;
    tw::test::writeAll(fox + "/names.dbf", bytes);

    ProcessResult r = cli({"dump", "--foxpro", fox, "--codepage", "cp866", "names"});
    QVERIFY2(r.exitCode == 0 && r.out.contains(name.toUtf8()), r.out.constData());
    r = cli({"check", "--foxpro", fox, "--codepage", "866", "--json", "names"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject page = onlyTable(r.out).value("codePage").toObject();
    QCOMPARE(page.value("used").toInt(), 866);
    QCOMPARE(page.value("mark").toInt(), 0);
    QVERIFY(page.value("chosen").toBool());
    QVERIFY(!page.value("doubtful").toBool());

    // Both copies read the source in the chosen page and mark the target with it.
    const QString px = folder("cp-px");
    r = cli({"copy", "--to-paradox", "--foxpro", fox, "--paradox", px, "--work", m_work, "--codepage", "866",
             "--verify", "names"});
    QVERIFY2(r.exitCode == 0 && r.out.contains("names: verified: 1 rows, 1 values\n"), r.err.constData());
    r = cli({"check", "--paradox", px, "--json", "names"});
    QCOMPARE(onlyTable(r.out).value("codePage").toObject().value("mark").toInt(), 866);
    r = cli({"dump", "--paradox", px, "names"});
    QVERIFY2(r.out.contains(name.toUtf8()), r.out.constData());
    const QString back = folder("cp-back");
    r = cli({"copy", "--to-foxpro", "--paradox", px, "--foxpro", back, "--codepage", "1251", "--verify", "names"});
    QVERIFY2(r.exitCode == 0 && r.out.contains("verified: 1 rows, 1 values"), r.err.constData());
    r = cli({"check", "--foxpro", back, "--json", "names"});
    QCOMPARE(onlyTable(r.out).value("codePage").toObject().value("mark").toInt(), 1251);
    QCOMPARE(cli({"copy", "--to-foxpro", "--paradox", px, "--foxpro", back, "--codepage"}).exitCode, 2);
}

namespace {

// Runs a command in this process (so that a fault plan holds for it); its exit status and standard output.
std::pair<int, QByteArray> inProcess(const QStringList &args)
{
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = cli::runCommand(args, out, err);
    QByteArray text;
    for (std::FILE *f : {out, err}) {
        std::rewind(f);
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, qsizetype(n));
        std::fclose(f);
    }
    return {status, text};
}

} // namespace

void CheckTest::sizePastTheFormatsLimit_data()
{
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("file"); // the file past the limit
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    QTest::newRow("to Paradox") << "paradox"
                                << "dbase_f5"
                                << "dbase_f5.db";
    QTest::newRow("to FoxPro") << "foxpro"
                               << "AREACODE"
                               << "AREACODE.FPT";
}

void CheckTest::sizePastTheFormatsLimit()
{
    QFETCH(QString, direction);
    QFETCH(QString, table);
    QFETCH(QString, file);
    const QString shared = tw::test::sharedDir();
    const QString target = folder("limit-" + direction);
    const bool toParadox = direction == u"paradox";
    const QString fox = toParadox ? shared + "/corpus/foxpro/free" : target;
    const QString px = toParadox ? target : shared + "/corpus/paradox";
    cli::registerProviders();
    files::FaultPlan plan;
    plan.formatFileLimit = 16 * 1024;
    const files::ScopedFaultPlan limit(plan);
    const auto [checked, report] =
        inProcess({"check", "--to", direction, "--foxpro", fox, "--paradox", px, "--json", table});
    QCOMPARE(checked, 3);
    const QJsonObject predicted = onlyTable(report).value("target").toObject();
    QVERIFY2(predicted.value("limitProblem").toString().contains(file, Qt::CaseInsensitive), report.constData());
    QVERIFY(predicted.value("size").toObject().value("bytes").toInteger() > 16 * 1024);
    // The copy refuses the table the same way, and writes nothing.
    const auto [copied, copyReport] =
        inProcess({"copy", "--to", direction, "--foxpro", fox, "--paradox", px, "--work", m_work, table});
    QCOMPARE(copied, 1);
    QVERIFY2(copyReport.contains("would pass"), copyReport.constData());
    QVERIFY(QDir(target).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(CheckTest)
#include "tst_cli_check.moc"
