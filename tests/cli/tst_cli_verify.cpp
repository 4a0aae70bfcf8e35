// tabwright-cli copy --verify: the rules a copied value is compared by, clean
// copies in both directions that verify, and damaged copies that do not.

#include "TestSupport.h"
#include "cli/Verify.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/Field.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/foxpro/TableWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;
using ado::Variant;
using tw::cli::CopyDirection;
using tw::test::ProcessResult;

Q_DECLARE_METATYPE(tw::ado::Variant)
Q_DECLARE_METATYPE(tw::cli::CopyDirection)

namespace {

constexpr int kDbfCodePageMark = 29;
constexpr char kMark1251 = char(0xC9);
constexpr char kMark874 = char(0x7C); // Thai: Paradox has no sort order for it

// Replaces the first `from` in the file with `to` (of the same length); false when there is none.
bool patchFile(const QString &path, const QByteArray &from, const QByteArray &to)
{
    QByteArray bytes = tw::test::readAll(path);
    const qsizetype at = bytes.indexOf(from);
    if (at < 0 || from.size() != to.size())
        return false;
    bytes.replace(at, to.size(), to);
    tw::test::writeAll(path, bytes);
    return true;
}

QString fileIn(const QString &folder, const QString &name)
{
    const QFileInfoList found = QDir(folder).entryInfoList({name}, QDir::Files);
    return found.isEmpty() ? QString() : found.first().filePath();
}

// A long memo with quotes and both kinds of line break, longer than one
// 200-character piece of the copy's statements.
QString longNote()
{
    QString note = QStringLiteral("first line\r\nsecond line\nit's \"quoted\"\r\n");
    while (note.size() < 450)
        note += QStringLiteral("0123456789 ");
    return note;
}

} // namespace

class VerifyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void textAllowsOnlyReplacementsTheCodePageForces();
    void valuesCompareByMeaning_data();
    void valuesCompareByMeaning();
    void cleanCorpusCopiesVerify();
    void generatedTableVerifiesBothWays();
    void damagedParadoxCopyIsCaught();
    void damagedFoxProCopyIsCaught();
    void declinedTablesAreNotCopiesToVerify();
    void tablesNotCopiedAreNotVerified();
    void reportedChangesDoNotFailTheCheck();

private:
    ProcessResult cli(const QStringList &args) { return tw::test::run(m_cli, args); }
    // A FoxPro free table GEN: nulls, memos with line breaks, dates, times,
    // numbers, logicals and a text in code page 1251.
    void makeGeneratedTable(const QString &folder, char mark = kMark874);

    QString m_cli;
    QTemporaryDir m_dir;
    QString m_work;
};

void VerifyTest::initTestCase()
{
    m_cli = tw::test::programPath("tabwright-cli");
    QVERIFY2(QFileInfo::exists(m_cli), qPrintable(m_cli));
    m_work = m_dir.filePath("work.mdb");
    tw::test::writeAll(m_work, {}); // an empty file is an empty work database
}

void VerifyTest::textAllowsOnlyReplacementsTheCodePageForces()
{
    using cli::sameText;
    qint64 replaced = 0;
    QVERIFY(sameText(u"same", u"same", &replaced));
    QVERIFY(sameText(u"", u"", &replaced));
    QCOMPARE(replaced, 0);
    // Cyrillic and a character outside the basic plane (one "?" for its pair).
    QVERIFY(sameText(u"ab\u0431\u0432 \U0001F600!", u"ab?? ?!", &replaced));
    QCOMPARE(replaced, 3);
    // Characters Windows-1252 holds are never "?".
    QVERIFY(!sameText(u"caf\u00e9", u"caf?"));
    QVERIFY(!sameText(u"\u20ac5", u"?5"));
    QVERIFY(!sameText(u"\u0081", u"?"));
    // A "?" of the source stays one; lengths must agree.
    QVERIFY(sameText(u"why?", u"why?"));
    QVERIFY(!sameText(u"why", u"why?"));
    QVERIFY(!sameText(u"\u0431\u0431", u"?"));
    QVERIFY(!sameText(u"x", u"y"));
    QVERIFY(!sameText(u"line\r\nbreak", u"line\nbreak"));
    replaced = 0;
    QVERIFY(!sameText(u"\u0431x", u"?y", &replaced));
    QCOMPARE(replaced, 0); // a value that differs counts no replacement

    QVERIFY(cli::fitsTargetCodePage(U'A'));
    QVERIFY(cli::fitsTargetCodePage(U'\u00ff'));
    QVERIFY(cli::fitsTargetCodePage(U'\u0178')); // Y with diaeresis, byte 0x9F
    QVERIFY(cli::fitsTargetCodePage(U'\u008d')); // an undefined byte stands for itself
    QVERIFY(!cli::fitsTargetCodePage(U'\u0080'));
    QVERIFY(!cli::fitsTargetCodePage(U'\u0100'));
    QVERIFY(!cli::fitsTargetCodePage(U'\u0416'));
}

void VerifyTest::valuesCompareByMeaning_data()
{
    QTest::addColumn<CopyDirection>("direction");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("scale");
    QTest::addColumn<Variant>("source");
    QTest::addColumn<Variant>("target");
    QTest::addColumn<bool>("same");

    const auto px = CopyDirection::ToParadox;
    const auto fox = CopyDirection::ToFoxPro;
    const QDate day(2020, 2, 1);
    QTest::newRow("px numeric as float") << px << int(ado::adNumeric) << 10 << 2 << Variant::decimal("1.50")
                                         << Variant::real(1.5) << true;
    QTest::newRow("px numeric changed") << px << int(ado::adNumeric) << 10 << 2 << Variant::decimal("1.50")
                                        << Variant::real(1.51) << false;
    QTest::newRow("px digits a double cannot hold")
        << px << int(ado::adNumeric) << 20 << 4 << Variant::decimal("123456789012345.7891")
        << Variant::real(123456789012345.7891) << false;
    QTest::newRow("px numeric as int") << px << int(ado::adNumeric) << 5 << 0 << Variant::decimal("42")
                                       << Variant::integer(42) << true;
    QTest::newRow("px zero is no null") << px << int(ado::adNumeric) << 5 << 0 << Variant::null() << Variant::integer(0)
                                        << false;
    QTest::newRow("px number for text") << px << int(ado::adDouble) << 0 << 0 << Variant::real(2) << Variant::text("2")
                                        << true;
    QTest::newRow("px date at midnight") << px << int(ado::adDBDate) << 0 << 0 << Variant::date(day)
                                         << Variant::dateTime(day, 0) << true;
    QTest::newRow("px date a second off")
        << px << int(ado::adDBDate) << 0 << 0 << Variant::date(day) << Variant::dateTime(day, 1000) << false;
    QTest::newRow("px date a day off") << px << int(ado::adDBDate) << 0 << 0 << Variant::date(day)
                                       << Variant::dateTime(day.addDays(1), 0) << false;
    QTest::newRow("px timestamp") << px << int(ado::adDBTimeStamp) << 0 << 0 << Variant::dateTime(day, 3723004)
                                  << Variant::dateTime(day, 3723004) << true;
    QTest::newRow("px empty text is null")
        << px << int(ado::adChar) << 0 << 0 << Variant::text("") << Variant::null() << true;
    QTest::newRow("px text lost") << px << int(ado::adChar) << 0 << 0 << Variant::text("x") << Variant::null() << false;
    QTest::newRow("px memo line breaks") << px << int(ado::adLongVarChar) << 0 << 0 << Variant::text("a\r\nb")
                                         << Variant::text("a\nb") << false;
    QTest::newRow("px logical as text") << px << int(ado::adBoolean) << 0 << 0 << Variant::boolean(true)
                                        << Variant::text("True") << true;
    QTest::newRow("px unholdable text") << px << int(ado::adLongVarChar) << 0 << 0
                                        << Variant::text(QString::fromUtf8("\xd0\xb1\xd0\xb2")) << Variant::text("??")
                                        << true;
    QTest::newRow("px empty bytes is null")
        << px << int(ado::adLongVarBinary) << 0 << 0 << Variant::bytes("") << Variant::null() << true;
    QTest::newRow("px bytes lost") << px << int(ado::adLongVarBinary) << 0 << 0 << Variant::bytes("x")
                                   << Variant::null() << false;
    QTest::newRow("fox money kept whole")
        << fox << int(ado::adCurrency) << 0 << 0 << Variant::real(3.14158) << Variant::text("3.14158") << true;
    QTest::newRow("fox money rounded") << fox << int(ado::adCurrency) << 0 << 0 << Variant::real(3.14158)
                                       << Variant::text("3.1416") << false;
    QTest::newRow("fox double kept whole") << fox << int(ado::adDouble) << 0 << 0 << Variant::real(0.1 + 0.2)
                                           << Variant::text("0.30000000000000004") << true;
    QTest::newRow("px bytes exact") << px << int(ado::adLongVarBinary) << 0 << 0 << Variant::bytes("\x80")
                                    << Variant::bytes("?") << false;
    QTest::newRow("fox timestamp as text")
        << fox << int(ado::adDBTimeStamp) << 0 << 0 << Variant::dateTime(day, 3601000)
        << Variant::text("2020-02-01 01:00:01") << true;
    QTest::newRow("fox null as empty memo")
        << fox << int(ado::adInteger) << 0 << 0 << Variant::null() << Variant::text("") << true;
    QTest::newRow("fox null read as null")
        << fox << int(ado::adInteger) << 0 << 0 << Variant::null() << Variant::null() << true;
    QTest::newRow("fox zero is no null") << fox << int(ado::adInteger) << 0 << 0 << Variant::integer(0)
                                         << Variant::text("") << false;
    QTest::newRow("fox logical") << fox << int(ado::adBoolean) << 0 << 0 << Variant::boolean(false)
                                 << Variant::text("False") << true;
    QTest::newRow("fox memo line breaks")
        << fox << int(ado::adLongVarChar) << 0 << 0 << Variant::text("a\r\nb") << Variant::text("a\r\nb") << true;
    QTest::newRow("fox memo lost break") << fox << int(ado::adLongVarChar) << 0 << 0 << Variant::text("a\r\nb")
                                         << Variant::text("a\nb") << false;
    QTest::newRow("fox blob") << fox << int(ado::adLongVarBinary) << 0 << 0 << Variant::bytes(QByteArray("\x00\xff", 2))
                              << Variant::bytes(QByteArray("\x00\xff", 2)) << true;
    QTest::newRow("fox blob changed") << fox << int(ado::adLongVarBinary) << 0 << 0
                                      << Variant::bytes(QByteArray("\x00\xff", 2))
                                      << Variant::bytes(QByteArray("\x00\xfe", 2)) << false;
}

void VerifyTest::valuesCompareByMeaning()
{
    QFETCH(CopyDirection, direction);
    QFETCH(int, type);
    QFETCH(int, precision);
    QFETCH(int, scale);
    QFETCH(Variant, source);
    QFETCH(Variant, target);
    QFETCH(bool, same);
    std::vector<Variant> row{source};
    const ado::Field field(ado::ColumnInfo{"C", type, precision, scale, 0}, &row, 0);
    QCOMPARE(cli::sameByMeaning(field, target, direction), same);
}

void VerifyTest::cleanCorpusCopiesVerify()
{
    const QString shared = tw::test::sharedDir();
    if (shared.isEmpty())
        QSKIP("no shared corpus on this machine");
    const QString fox = m_dir.filePath("clean-fox");
    const QString px = m_dir.filePath("clean-px");
    QDir().mkpath(fox);
    QDir().mkpath(px);
    const QStringList paradoxTables{"CUSTOMER", "ORDERS", "BCD", "TIMESTAMP", "GRAPHIC", "ROMAN8", "LOGICAL"};
    ProcessResult r = cli(
        QStringList{"copy", "--to", "foxpro", "--paradox", shared + "/corpus/paradox", "--foxpro", fox, "--verify"} +
        paradoxTables);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    for (const QString &table : paradoxTables)
        QVERIFY2(r.out.contains((table + ": verified: ").toUtf8()), r.out.constData());
    QVERIFY(r.out.contains("ORDERS: verified: 224 rows, 2464 values\n"));

    const QStringList foxproTables{"dbase_03", "dbase_30", "dbase_f5", "memotest"};
    r = cli(QStringList{"copy", "--verify", "--foxpro", shared + "/corpus/foxpro/free", "--paradox", px, "--work",
                        m_work, "--to-paradox"} +
            foxproTables);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    for (const QString &table : foxproTables)
        QVERIFY2(r.out.contains((table + ": verified: ").toUtf8()), r.out.constData());
    QVERIFY(r.out.contains("dbase_03: verified: 14 rows, 434 values\n"));
    // The container's tables, whose relations and long names the copy passes by.
    r = cli({"copy", "--to", "paradox", "--foxpro", shared + "/corpus/foxpro/foxprodb/FOXPRO-DB-TEST.DBC", "--paradox",
             px, "--work", m_work, "--verify", "calls", "contacts"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.out.contains("calls: verified: 16 rows, 96 values\n"));
}

void VerifyTest::makeGeneratedTable(const QString &folder, char mark)
{
    std::vector<foxpro::NewField> fields{
        {"ID", 'I', 4, 0, -1, false},   {"NAME", 'C', 20, 0, -1, true}, {"NOTE", 'M', 4, 0, -1, true},
        {"BORN", 'D', 8, 0, -1, true},  {"SEEN", 'T', 8, 0, -1, true},  {"PRICE", 'N', 10, 2, -1, true},
        {"RATE", 'B', 8, 4, -1, false}, {"PAID", 'L', 1, 0, -1, true},  {"CITY", 'C', 10, 0, -1, false},
    };
    auto writer = foxpro::TableWriter::create(folder + "/gen.dbf", fields);
    const QDate day(1999, 12, 31);
    // CITY is written in code page 1252 and read in another once the mark is
    // changed: "\u00e0\u00e1\u00e2" becomes three Thai (or Cyrillic) letters no
    // Windows-1252 table holds. Paradox cannot mark Thai tables: a copy there
    // is in Windows-1252.
    writer->append({Variant::integer(1), Variant::text("Ann"), Variant::text(longNote()), Variant::date(day),
                    Variant::dateTime(day, 45296789), Variant::decimal("12.50"), Variant::real(0.1),
                    Variant::boolean(true), Variant::text(QString::fromUtf8("\xc3\xa0\xc3\xa1\xc3\xa2"))});
    writer->append({Variant::integer(2), Variant::null(), Variant::null(), Variant::null(), Variant::null(),
                    Variant::null(), Variant::real(-2.5), Variant::null(), Variant::text("")});
    writer->append({Variant::integer(3), Variant::text("O'Brien"), Variant::text("one\ntwo\r\n"),
                    Variant::date(QDate(1900, 1, 1)), Variant::dateTime(QDate(2038, 1, 19), 0),
                    Variant::decimal("-0.01"), Variant::real(1e-9), Variant::boolean(false), Variant::text("Oslo")});
    writer.reset();
    QByteArray bytes = tw::test::readAll(folder + "/gen.dbf");
    bytes[kDbfCodePageMark] = mark;
    tw::test::writeAll(folder + "/gen.dbf", bytes);
}

void VerifyTest::generatedTableVerifiesBothWays()
{
    const QString source = m_dir.filePath("gen-source");
    const QString px = m_dir.filePath("gen-px");
    const QString back = m_dir.filePath("gen-back");
    for (const QString &folder : {source, px, back})
        QDir().mkpath(folder);
    makeGeneratedTable(source);
    ProcessResult r =
        cli({"copy", "--to", "paradox", "--foxpro", source, "--paradox", px, "--work", m_work, "--verify", "gen"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.startsWith("gen: verified: 3 rows, 27 values (3 character(s) the target cannot hold written as "
                              "\"?\")\n"),
             r.out.constData());
    QVERIFY(r.err.contains("3 character(s) that the target's code page cannot hold"));

    r = cli({"copy", "--to-foxpro", "--paradox", px, "--foxpro", back, "--verify", "gen"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.startsWith("GEN: verified: 3 rows, 27 values\n"), r.out.constData());

    // A Cyrillic table keeps its code page both ways: nothing is replaced.
    QVERIFY(QFile::remove(source + "/gen.dbf") && QFile::remove(source + "/gen.fpt"));
    makeGeneratedTable(source, kMark1251);
    r = cli(
        {"copy", "--to", "paradox", "--yes", "--foxpro", source, "--paradox", px, "--work", m_work, "--verify", "gen"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.startsWith("gen: verified: 3 rows, 27 values\n"), r.out.constData());
    r = cli({"copy", "--to-foxpro", "--yes", "--paradox", px, "--foxpro", back, "--verify", "gen"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.startsWith("GEN: verified: 3 rows, 27 values\n"), r.out.constData());
    QCOMPARE(tw::test::readAll(fileIn(back, "gen.dbf")).at(kDbfCodePageMark), kMark1251);
}

void VerifyTest::damagedParadoxCopyIsCaught()
{
    const QString source = m_dir.filePath("bad-source");
    const QString px = m_dir.filePath("bad-px");
    QDir().mkpath(source);
    QDir().mkpath(px);
    makeGeneratedTable(source);
    ProcessResult r = cli(
        {"copy", "--to", "paradox", "--yes", "--foxpro", source, "--paradox", px, "--work", m_work, "--verify", "gen"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QString db = fileIn(px, "gen.db");
    QVERIFY(!db.isEmpty());
    // One letter of an alpha value, in the record itself.
    QVERIFY(patchFile(db, "O'Brien", "O'Brian"));
    r = cli(
        {"copy", "--no", "--to", "paradox", "--foxpro", source, "--paradox", px, "--work", m_work, "--verify", "gen"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("gen (kept, not overwritten): 1 of 27 values differ from the source\n"), r.err.constData());
    QVERIFY2(
        r.err.contains("gen (kept, not overwritten): row 3, column name: source \"O'Brien\", target \"O'Brian\"\n"),
        r.err.constData());
    QVERIFY(!r.out.contains("verified:"));
}

void VerifyTest::damagedFoxProCopyIsCaught()
{
    const QString shared = tw::test::sharedDir();
    if (shared.isEmpty())
        QSKIP("no shared corpus on this machine");
    const QString corpus = shared + "/corpus/paradox";
    const QString fox = m_dir.filePath("bad-fox");
    QDir().mkpath(fox);
    ProcessResult r = cli({"copy", "--to-foxpro", "--paradox", corpus, "--foxpro", fox, "--verify", "AREACODE"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.out.contains("AREACODE: verified: 135 rows, 540 values\n"));
    const QString memo = fileIn(fox, "AREACODE.FPT");
    const QString table = fileIn(fox, "AREACODE.DBF");
    QVERIFY(!memo.isEmpty() && !table.isEmpty());

    // Every value is a memo: damage the text of one in the memo file.
    const QByteArray original = tw::test::readAll(memo);
    const ProcessResult dump = cli({"dump", "--foxpro", fox, "AREACODE"});
    const QByteArray firstRow = dump.out.split('\n').value(1);
    const QByteArray city = firstRow.split('"').value(3); // the second value of the first row
    QVERIFY2(city.size() > 3, firstRow.constData());
    QByteArray damaged = city;
    damaged[1] = damaged[1] == 'x' ? 'y' : 'x';
    QVERIFY(patchFile(memo, city, damaged));
    r = cli({"copy", "--to", "foxpro", "--paradox", corpus, "--foxpro", fox, "--no", "--verify", "AREACODE"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QByteArray("AREACODE (kept, not overwritten): row 1, column ")) &&
                 r.err.contains("source \"" + city + "\", target \"" + damaged + "\"\n"),
             r.err.constData());

    // A row gone (marked deleted in the .dbf): the counts differ.
    tw::test::writeAll(memo, original);
    QByteArray dbf = tw::test::readAll(table);
    const int headerLength = tw::encoding::getU16LE(tw::encoding::bytesOf(dbf.constData() + 8));
    QCOMPARE(dbf[headerLength], ' ');
    dbf[headerLength] = '*';
    tw::test::writeAll(table, dbf);
    r = cli({"copy", "--to", "foxpro", "--paradox", corpus, "--foxpro", fox, "--no", "--verify", "AREACODE"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("AREACODE (kept, not overwritten): differs from its source: the target has 134 rows, the "
                            "source 135\n"),
             r.err.constData());
    // Every row now meets the one after it: only the first five differences are shown.
    QVERIFY(r.err.contains("values differ from the source\n"));
    QCOMPARE(r.err.count(": row "), 5);
}

void VerifyTest::declinedTablesAreNotCopiesToVerify()
{
    // A name longer than 8 characters that --no declines to cut has no target.
    const QString source = m_dir.filePath("long-source");
    const QString px = m_dir.filePath("long-px");
    QDir().mkpath(source);
    QDir().mkpath(px);
    makeGeneratedTable(source);
    QVERIFY(QFile::rename(source + "/gen.dbf", source + "/generated.dbf"));
    QVERIFY(QFile::rename(source + "/gen.fpt", source + "/generated.fpt"));
    ProcessResult r = cli(
        {"copy", "--to", "paradox", "--foxpro", source, "--paradox", px, "--work", m_work, "--verify", "generated"});
    QCOMPARE(r.exitCode, 3); // passed over: not every named table arrived
    QVERIFY2(r.err.contains("generated: passed over, not verified\n"), r.err.constData());
    // With --yes it arrives under its cut name and verifies.
    r = cli({"copy", "--to", "paradox", "--yes", "--foxpro", source, "--paradox", px, "--work", m_work, "--verify",
             "generated"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.out.contains("generated (as generate): verified: 3 rows, 27 values"), r.out.constData());
}

void VerifyTest::tablesNotCopiedAreNotVerified()
{
    // Two names that cut to the same 8 characters: the second finds the
    // first's copy in its place and is not copied; it is never compared with it.
    const QString source = m_dir.filePath("twins-source");
    const QString px = m_dir.filePath("twins-px");
    QDir().mkpath(source);
    QDir().mkpath(px);
    makeGeneratedTable(source);
    for (const char *twin : {"generated1", "generated2"}) {
        QVERIFY(QFile::copy(source + "/gen.dbf", source + "/" + twin + ".dbf"));
        QVERIFY(QFile::copy(source + "/gen.fpt", source + "/" + twin + ".fpt"));
    }
    const ProcessResult r = cli({"copy", "--to", "paradox", "--yes", "--foxpro", source, "--paradox", px, "--work",
                                 m_work, "--verify", "generated1", "generated2"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.out.contains("generated2 (as generate): verified: 3 rows"), r.out.constData());
    QVERIFY2(r.err.contains("generated1 (as generate): not copied, not verified\n"), r.err.constData());
    QVERIFY2(!r.out.contains("generated1 (as generate): verified"), r.out.constData());
}

void VerifyTest::reportedChangesDoNotFailTheCheck()
{
    // 19 digits do not fit the double a Paradox number holds: the copy writes
    // the nearest and says so, and the check lists it without failing.
    const QString source = m_dir.filePath("wide-source");
    const QString px = m_dir.filePath("wide-px");
    QDir().mkpath(source);
    QDir().mkpath(px);
    std::vector<foxpro::NewField> fields{{"ID", 'I', 4, 0, -1, false}, {"BIG", 'N', 20, 4, -1, true}};
    auto writer = foxpro::TableWriter::create(source + "/wide.dbf", fields);
    writer->append({Variant::integer(1), Variant::decimal("123456789012345.7891")});
    writer->append({Variant::integer(2), Variant::decimal("12.5")});
    writer.reset();
    const ProcessResult r =
        cli({"copy", "--to", "paradox", "--foxpro", source, "--paradox", px, "--work", m_work, "--verify", "wide"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY2(r.err.contains("1 value(s) that the target cannot hold as they are were written changed:\n"),
             r.err.constData());
    QVERIFY2(r.err.contains("row 1, column big: 123456789012345.7891 became 123456789012345.8"), r.err.constData());
    QVERIFY2(r.out.contains("wide: verified: 2 rows, 4 values (1 value(s) written changed, as reported)"),
             r.out.constData());
}

QTEST_GUILESS_MAIN(VerifyTest)
#include "tst_cli_verify.moc"
