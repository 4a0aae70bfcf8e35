// A code page chosen for one table (in its preview) is what the next copy of
// that table reads it in and marks its target with; a choice for another
// table changes nothing. (The way to Paradox is tested from the preview, in
// tst_preview.)

#include "TestSupport.h"
#include "TransferFixture.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/TableWriter.h"
#include "sources/Foxpro.h"
#include "transfer/SendToFoxPro.h"

#include <QFile>
#include <QTest>

using namespace tw;
using tw::test::TransferFixture;

namespace {

QString firstValue(const QString &connectionString, const QString &table, int *codePage)
{
    ado::Connection c;
    c.Open(connectionString);
    ado::Recordset rs;
    rs.Open("SELECT * FROM `" + table + "`", c);
    *codePage = rs.codePage();
    return rs.Eof() ? QString() : rs.fields()(0).Value().toText();
}

// A Paradox table whose header names no code page, holding "Дом" in code
// page 866 (84 AE AC, which Windows-1252 reads as "„®¬").
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
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("targetCodePage");
    QTest::newRow("as marked") << 0 << QString::fromUtf8("„®¬") << 1252;
    QTest::newRow("866 chosen") << 866 << QString::fromUtf8("Дом") << 866;
}

void ReadCodePagesTest::chosenPageIsReadAndMarked()
{
    QFETCH(int, chosen);
    QFETCH(QString, text);
    QFETCH(int, targetCodePage);
    TransferFixture f;
    // The real FoxPro provider in place of the fixture's memory one.
    f.registration.reset();
    ado::ScopedProvider foxpro(std::make_shared<foxpro::FoxProProvider>());
    ReadCodePages pages;
    pages.choose(ReadCodePages::Side::Paradox, "DOM", chosen);
    pages.choose(ReadCodePages::Side::FoxPro, "dom", 1251);
    pages.choose(ReadCodePages::Side::Paradox, "other", 1251);
    auto context = f.context();
    context.readCodePages = &pages;
    writeUnmarkedDb(f.paradoxFolder());
    f.list2.add("dom");
    f.list2.select({"dom"});
    transfer::SendTablesToFoxPro(context);
    QVERIFY(f.dialogs.boxes().empty());
    int codePage = 0;
    QCOMPARE(firstValue(FoxproSource::FoxProConnectionString(f.settings), "dom", &codePage), text);
    QCOMPARE(codePage, targetCodePage);
}

QTEST_GUILESS_MAIN(ReadCodePagesTest)
#include "tst_readcodepages.moc"
