// A code page chosen for one table (in its preview) is what the next copy of
// that table reads it in, each way, and what the copy marks its target with;
// other tables are read as their header says.

#include "TestSupport.h"
#include "TransferFixture.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/TableWriter.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"
#include "transfer/SendToFoxPro.h"
#include "transfer/SendToParadox.h"

#include <QFile>
#include <QTest>

using namespace tw;
using tw::test::TransferFixture;

namespace {

// "Дом" in code page 866; Windows-1252 reads these bytes as "„®¬".
const QByteArray kDom866("\x84\xAE\xAC");

QString firstValue(const QString &connectionString, const QString &table, int *codePage)
{
    ado::Connection c;
    c.Open(connectionString);
    ado::Recordset rs;
    rs.Open("SELECT * FROM `" + table + "`", c);
    *codePage = rs.codePage();
    return rs.Eof() ? QString() : rs.fields()(0).Value().toText();
}

// A FoxPro table without a code-page mark holding kDom866.
void writeUnmarkedDbf(const QString &path)
{
    QByteArray dbf(32, '\0');
    dbf[0] = 0x30;
    dbf[4] = 1; // one record
    const int headerLength = 32 + 32 + 1 + 263;
    dbf[8] = char(headerLength & 0xFF);
    dbf[9] = char(headerLength >> 8);
    dbf[10] = 4; // record length
    QByteArray field(32, '\0');
    field.replace(0, 4, "NAME");
    field[11] = 'C';
    field[16] = 3;
    field[12] = 1; // offset
    dbf += field;
    dbf += '\r';
    dbf += QByteArray(263, '\0');
    dbf += ' ' + kDom866;
    dbf += '\x1A';
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(dbf);
}

// A Paradox table whose header names no code page, holding kDom866.
void writeUnmarkedDb(const QString &folder)
{
    {
        paradox::TableWriter writer(folder, "dom", {{"Name", paradox::FieldType::Alpha, 10}}, 1, 866);
        writer.appendRow({ado::Variant::text(QString::fromUtf8("Дом"))});
        writer.finish();
    }
    constexpr int kCodePageOffset = 0x6A;
    QFile file(folder + "/dom.db");
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(kCodePageOffset));
    file.write(QByteArray(2, '\0'));
}

} // namespace

class ReadCodePagesTest : public QObject {
    Q_OBJECT
private slots:
    void chosenPageIsReadAndMarked_data();
    void chosenPageIsReadAndMarked();
};

void ReadCodePagesTest::chosenPageIsReadAndMarked_data()
{
    QTest::addColumn<bool>("toParadox");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("targetCodePage");
    QTest::newRow("FoxPro to Paradox, as marked") << true << 0 << QString::fromUtf8("„®¬") << 1252;
    QTest::newRow("FoxPro to Paradox, 866 chosen") << true << 866 << QString::fromUtf8("Дом") << 866;
    QTest::newRow("Paradox to FoxPro, as marked") << false << 0 << QString::fromUtf8("„®¬") << 1252;
    QTest::newRow("Paradox to FoxPro, 866 chosen") << false << 866 << QString::fromUtf8("Дом") << 866;
}

void ReadCodePagesTest::chosenPageIsReadAndMarked()
{
    QFETCH(bool, toParadox);
    QFETCH(int, chosen);
    QFETCH(QString, text);
    QFETCH(int, targetCodePage);
    TransferFixture f;
    // The real FoxPro provider in place of the fixture's memory one.
    f.registration.reset();
    ado::ScopedProvider foxpro(std::make_shared<foxpro::FoxProProvider>());
    ReadCodePages pages;
    pages.choose(toParadox ? ReadCodePages::Side::FoxPro : ReadCodePages::Side::Paradox, "DOM", chosen);
    pages.choose(toParadox ? ReadCodePages::Side::Paradox : ReadCodePages::Side::FoxPro, "dom", 1251);
    auto context = f.context();
    context.readCodePages = &pages;
    int codePage = 0;
    if (toParadox) {
        writeUnmarkedDbf(f.foxproFolder() + "/dom.dbf");
        f.list1.add("dom");
        f.list1.select({"dom"});
        transfer::SendTablesToParadox(context);
        QCOMPARE(firstValue(ParadoxSource::ParadoxConnectionString(f.paradoxFolder()), "dom", &codePage), text);
    } else {
        writeUnmarkedDb(f.paradoxFolder());
        f.list2.add("dom");
        f.list2.select({"dom"});
        transfer::SendTablesToFoxPro(context);
        QCOMPARE(firstValue(FoxproSource::FoxProConnectionString(f.settings), "dom", &codePage), text);
    }
    QVERIFY(f.dialogs.boxes().empty());
    QCOMPARE(codePage, targetCodePage);
}

QTEST_GUILESS_MAIN(ReadCodePagesTest)
#include "tst_readcodepages.moc"
