// Every letter of a text arrives. Tables in the code pages whose converters
// hold a character back until they are flushed (Hebrew 1255, Vietnamese
// 1258) are dumped, checked and copied both ways with their last letters,
// byte for byte where both sides have the page; and a converter that loses a
// character is kept off the road where both sides have the page, and caught
// where the text is converted: by check, by the copy's own counts and by
// --verify, which compare the bytes a table stores.

#include "TestSupport.h"

#include "cli/Commands.h"
#include "cli/Providers.h"
#include "platform/encoding/TextCodec.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace tw;
using ado::Variant;
using encoding::TextCodec;

namespace {

constexpr int kDbfCodePageMark = 29;
constexpr char kFoxProMark1255 = char(0x7D);
constexpr int kParadoxCodePageOffset = 0x6A;

// "שלום עולם" as code page 1255 stores it, and two more values.
const QByteArray kHebrew("\xf9\xec\xe5\xed\x20\xf2\xe5\xec\xed");
const QByteArray kHebrewCity("\xe9\xf8\xe5\xf9\xec\xe9\xed"); // ירושלים
const QByteArray kVietnamese("C\xe0 Mau");                    // Cà Mau, every letter in 1252 too
const QByteArray kVietnameseTone("Vi\xea\xf2t Nam");          // Việt Nam: ê and a combining dot below

struct Output {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray drain(std::FILE *f)
{
    std::fflush(f);
    std::rewind(f);
    QByteArray bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        bytes.append(buffer, qsizetype(n));
    std::fclose(f);
    return bytes;
}

// Runs a command of tabwright-cli in this process (where a test can make a
// converter faulty).
Output run(const QStringList &args)
{
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    Output o;
    o.status = cli::runCommand(args, out, err);
    o.out = drain(out);
    o.err = drain(err);
    return o;
}

// Stored bytes as the table writers take them: each byte a character of Windows-1252.
Variant stored(const QByteArray &bytes)
{
    return Variant::text(TextCodec::windows1252().decode(bytes));
}

void makeFoxPro(const QString &folder, char mark, const QList<QByteArray> &values)
{
    std::vector<foxpro::NewField> fields{
        {"ID", 'I', 4, 0, -1, false}, {"NAME", 'C', 30, 0, -1, false}, {"NOTE", 'M', 4, 0, -1, true}};
    auto writer = foxpro::TableWriter::create(folder + "/t.dbf", fields);
    int id = 0;
    for (const QByteArray &value : values)
        writer->append({Variant::integer(++id), stored(value), stored(value)});
    writer.reset();
    QByteArray bytes = test::readAll(folder + "/t.dbf");
    bytes[kDbfCodePageMark] = mark;
    test::writeAll(folder + "/t.dbf", bytes);
}

void makeParadox(const QString &folder, int codePage, const QList<QByteArray> &values)
{
    {
        paradox::TableWriter writer(folder, QStringLiteral("t"),
                                    {{QStringLiteral("ID"), paradox::FieldType::Long, 4},
                                     {QStringLiteral("NAME"), paradox::FieldType::Alpha, 30},
                                     {QStringLiteral("NOTE"), paradox::FieldType::Memo, 10}},
                                    values.size(), 1252);
        int id = 0;
        for (const QByteArray &value : values)
            writer.appendRow({Variant::integer(++id), stored(value), stored(value)});
        writer.finish();
    }
    QByteArray bytes = test::readAll(folder + "/t.db");
    bytes[kParadoxCodePageOffset] = char(codePage & 0xFF);
    bytes[kParadoxCodePageOffset + 1] = char(codePage >> 8);
    test::writeAll(folder + "/t.db", bytes);
}

// Every file of a folder, one after another.
QByteArray allBytes(const QString &folder)
{
    QByteArray bytes;
    for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
        bytes += test::readAll(folder + u'/' + name);
    return bytes;
}

} // namespace

class LettersTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        cli::registerProviders();
        test::writeAll(m_dir.filePath("work.mdb"), {});
    }
    void cleanup() { TextCodec::setDecodingFaultForTests(0); }
    void everyLetterBothWays_data();
    void everyLetterBothWays();
    void faultyConverter_data();
    void faultyConverter();

private:
    QString folder(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }
    QTemporaryDir m_dir;
};

void LettersTest::everyLetterBothWays_data()
{
    QTest::addColumn<bool>("fromFoxPro");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QList<QByteArray>>("values");
    QTest::addColumn<QStringList>("arrived"); // the target's texts
    const QList<QByteArray> hebrew{kHebrew, kHebrewCity};
    const QStringList hebrewTexts{QString::fromUtf8("שלום עולם"), QString::fromUtf8("ירושלים")};
    // Neither format marks 1258 for the other: the copy is in Windows-1252,
    // "?" for the tone mark it lacks, counted.
    const QList<QByteArray> vietnamese{kVietnamese, kVietnameseTone};
    const QStringList vietnameseTexts{QString::fromUtf8("Cà Mau"), QString::fromUtf8("Viê?t Nam")};
    QTest::newRow("1255 FoxPro to Paradox") << true << 1255 << hebrew << hebrewTexts;
    QTest::newRow("1255 Paradox to FoxPro") << false << 1255 << hebrew << hebrewTexts;
    QTest::newRow("1258 FoxPro to Paradox") << true << 1258 << vietnamese << vietnameseTexts;
    QTest::newRow("1258 Paradox to FoxPro") << false << 1258 << vietnamese << vietnameseTexts;
}

void LettersTest::everyLetterBothWays()
{
    QFETCH(bool, fromFoxPro);
    QFETCH(int, codePage);
    QFETCH(QList<QByteArray>, values);
    QFETCH(QStringList, arrived);
    const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
    const QString fox = folder(name + "-fox");
    const QString px = folder(name + "-px");
    QStringList args{"copy", "--to",   fromFoxPro ? "paradox" : "foxpro", "--foxpro", fox, "--paradox",
                     px,     "--work", m_dir.filePath("work.mdb"),        "--verify", "t"};
    if (!fromFoxPro)
        makeParadox(px, codePage, values);
    else if (codePage == 1255)
        makeFoxPro(fox, kFoxProMark1255, values);
    else // FoxPro has no mark for 1258: the user names it
        makeFoxPro(fox, 0, values), args << "--codepage"
                                         << "1258";
    const Output copy = run(args);
    QVERIFY2(copy.status == 0, copy.err.constData());
    QVERIFY2(copy.out.toLower().contains("t: verified: 2 rows"), (copy.out + copy.err).constData());
    // Every letter arrived; in the same page, as the same bytes (a text and a memo each).
    const QString target = fromFoxPro ? px : fox;
    for (const QByteArray &value : values)
        QVERIFY2(codePage != 1255 || allBytes(target).count(value) == 2, value.toHex(' ').constData());
    const Output back = run({"dump", fromFoxPro ? "--paradox" : "--foxpro", target, "t"});
    for (const QString &text : arrived)
        QVERIFY2(back.out.contains('"' + text.toUtf8() + '"'), back.out.constData());
}

void LettersTest::faultyConverter_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QList<QByteArray>>("values");
    QTest::addColumn<bool>("converted"); // the target writes another page
    // 1255 is marked on both sides: its text goes as the bytes it is stored
    // as, and the converter is not on the road. 1258 is chosen for reading
    // and written as Windows-1252: every text is converted.
    QTest::newRow("same page, as stored") << 1255 << QList<QByteArray>{kHebrew, "plain", kHebrewCity} << false;
    QTest::newRow("converted") << 1258 << QList<QByteArray>{kVietnamese, "plain", kVietnameseTone} << true;
}

void LettersTest::faultyConverter()
{
    QFETCH(int, codePage);
    QFETCH(QList<QByteArray>, values);
    QFETCH(bool, converted);
    const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-').remove(u',');
    const QString fox = folder(name + "-fox");
    const QString px = folder(name + "-px");
    makeFoxPro(fox, converted ? 0 : kFoxProMark1255, values);
    const QStringList chosen = converted ? QStringList{"--codepage", QString::number(codePage)} : QStringList();
    TextCodec::setDecodingFaultForTests(codePage); // every text beyond ASCII loses its last letter when decoded

    // check reads through the converter: the texts the page does not give back, and the table not whole.
    const Output check =
        run(QStringList{"check", "--to", "paradox", "--foxpro", fox, "--paradox", px, "--json", "t"} + chosen);
    const QJsonObject table = QJsonDocument::fromJson(check.out).object().value("tables").toArray()[0].toObject();
    QCOMPARE(table.value("misread").toObject().value("count").toInt(), 4); // two texts, two memos

    const Output copy = run(QStringList{"copy", "--to", "paradox", "--foxpro", fox, "--paradox", px, "--work",
                                        m_dir.filePath("work.mdb"), "t"} +
                            chosen);
    QVERIFY2(copy.status == 0, copy.err.constData());
    if (converted) {
        // Converted, they are counted as changed, with the bytes before and the text after.
        QVERIFY2(copy.err.contains("4 value(s) that the target cannot hold as they are were written changed"),
                 copy.err.constData());
        QVERIFY2(copy.err.contains("bytes 43 e0 20 4d 61 75 became C" + QString::fromUtf8("à Ma").toUtf8()),
                 copy.err.constData());
    } else {
        // As stored, they arrive whole, byte for byte, and nothing is said.
        QVERIFY2(!copy.err.contains("value(s)"), copy.err.constData());
        for (const QByteArray &value : values)
            QVERIFY2(allBytes(px).count(value) == 2, value.toHex(' ').constData());
    }

    // --verify, with a sound converter, finds what the copy changed and nothing else
    // (the copy kept as it is: --no).
    TextCodec::setDecodingFaultForTests(0);
    const Output verify = run(QStringList{"copy", "--to", "paradox", "--foxpro", fox, "--paradox", px, "--work",
                                          m_dir.filePath("work.mdb"), "--no", "--verify", "t"} +
                              chosen);
    QVERIFY2((verify.out + verify.err)
                 .contains(converted ? "t (kept, not overwritten): 4 of 9 values differ from the source"
                                     : "t (kept, not overwritten): verified: 3 rows, 9 values"),
             (verify.out + verify.err).constData());
}

QTEST_GUILESS_MAIN(LettersTest)
#include "tst_cli_letters.moc"
