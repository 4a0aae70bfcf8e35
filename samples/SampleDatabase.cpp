#include "SampleDatabase.h"

#include "FreeTableFile.h"
#include "HandCursor.h"

#include "platform/ado/RuntimeError.h"
#include "platform/paradox/TableWriter.h"

#include <QDate>
#include <QDir>
#include <QFile>

namespace tw::samples {

using ado::Variant;

namespace {
Variant text(const char *utf8)
{
    return Variant::text(QString::fromUtf8(utf8));
}

Variant date(int y, int m, int d)
{
    return Variant::date(QDate(y, m, d));
}

Variant stamp(int y, int mo, int d, int h, int mi, int s = 0)
{
    return Variant::dateTime(QDate(y, mo, d), ((h * 60 + mi) * 60 + s) * 1000);
}

Variant clock(int h, int mi)
{
    return Variant::time((h * 60 + mi) * 60 * 1000);
}

// Money in hundredths (cents), as currency.
Variant money(qint64 cents)
{
    return Variant::currency(cents * 100);
}

const Variant kNull = Variant::null();

void writeParadox(const QString &folder, const QString &name, const std::vector<paradox::NewField> &columns,
                  const std::vector<std::vector<Variant>> &rows)
{
    paradox::TableWriter writer(folder, name, columns, qint64(rows.size()));
    for (const auto &row : rows)
        writer.appendRow(row);
    writer.finish();
}
} // namespace

void WriteFoxProSamples(const QString &folder)
{
    WriteFreeTable(
        folder, QStringLiteral("customers"),
        {{"cust_id", 'I'},
         {"name", 'C', 30},
         {"city", 'C', 20, 0, true},
         {"since", 'D', 0, 0, true},
         {"credit", 'Y'},
         {"active", 'L', 0, 0, true},
         {"notes", 'M', 0, 0, true}},
        {
            {Variant::integer(1), text("Café Lumière"), text("Besançon"), date(2015, 3, 14), Variant::real(2500.5),
             Variant::boolean(true), text("Prefers delivery before noon.")},
            {Variant::integer(2), text("Müller & Söhne GmbH"), text("München"), date(2009, 11, 2), Variant::real(12000),
             Variant::boolean(true), text("Two sites:\r\nMünchen (head office)\r\nAugsburg (warehouse)")},
            {Variant::integer(3), text("Ñandú Exportaciones"), text("Córdoba"), kNull, Variant::real(0), kNull, kNull},
            {Variant::integer(4), text("Øresund Trading"), kNull, date(2021, 6, 30), Variant::real(-150.25),
             Variant::boolean(false), text("Account on hold – see letter of 2 July.")},
            {Variant::integer(5), text("O'Neill \"Quoted\" Ltd"), text("Dún Laoghaire"), date(1999, 12, 31),
             Variant::real(999.99), Variant::boolean(true), text("")},
        });
    WriteFreeTable(
        folder, QStringLiteral("orders"),
        {{"order_id", 'I'},
         {"cust_id", 'I'},
         {"ordered", 'T'},
         {"shipped", 'D', 0, 0, true},
         {"total", 'N', 10, 2},
         {"discount", 'B', 0, 3},
         {"paid", 'L'},
         {"remarks", 'M', 0, 0, true}},
        {
            {Variant::integer(1001), Variant::integer(1), stamp(2023, 1, 9, 9, 30), date(2023, 1, 11),
             Variant::real(149.90), Variant::real(0.05), Variant::boolean(true), text("Gift wrapped.")},
            {Variant::integer(1002), Variant::integer(2), stamp(2023, 2, 17, 16, 5, 42), kNull, Variant::real(12480.00),
             Variant::real(0.125), Variant::boolean(false), text("Deliver to the warehouse.\nCall Herr Köhler first.")},
            {Variant::integer(1003), Variant::integer(4), stamp(2023, 3, 1, 0, 0), date(2023, 3, 2),
             Variant::real(-20.50), Variant::real(0), Variant::boolean(true), kNull},
            {Variant::integer(1004), Variant::integer(5), stamp(2024, 2, 29, 23, 59, 59), date(2024, 3, 4),
             Variant::real(3.75), Variant::real(1.0 / 3.0), Variant::boolean(true),
             text("Leap-day order; résumé attached.")},
        });
    WriteFreeTable(folder, QStringLiteral("products"),
                   {{"prod_id", 'I'},
                    {"name", 'C', 25},
                    {"price", 'Y'},
                    {"weight", 'N', 8, 3, true},
                    {"in_stock", 'N', 6, 0},
                    {"descript", 'M', 0, 0, true}},
                   {
                       {Variant::integer(1), text("Crème brûlée set"), Variant::real(24.95), Variant::real(1.25),
                        Variant::real(40), text("Four ramekins and a torch.")},
                       {Variant::integer(2), text("Smørrebrød board"), Variant::real(39.5), Variant::real(0.875),
                        Variant::real(12), text("Oak, oiled.\r\nHand wash only.")},
                       {Variant::integer(3), text("Gift card"), Variant::real(50), kNull, Variant::real(0), kNull},
                       {Variant::integer(4), text("Piñata (large)"), Variant::real(17.25), Variant::real(2.5),
                        Variant::real(7), text("Colours vary: rosa, azul, verde.")},
                   });
}

void WriteParadoxSamples(const QString &folder)
{
    using paradox::FieldType;
    writeParadox(folder, QStringLiteral("clients"),
                 {{"Client No", FieldType::Long},
                  {"Name", FieldType::Alpha, 40},
                  {"Town", FieldType::Alpha, 25},
                  {"First Order", FieldType::Date},
                  {"Balance", FieldType::Money},
                  {"Preferred", FieldType::Logical},
                  {"Notes", FieldType::Memo, 20}},
                 {
                     {Variant::integer(501), text("Librería Álvarez"), text("Sevilla"), date(2012, 5, 8), money(123456),
                      Variant::boolean(true), text("Orders twice a year; pays on time.")},
                     {Variant::integer(502), text("Boulangerie Gâteau"), text("Genève"), date(2018, 10, 1),
                      money(-4599), Variant::boolean(false), text("Closed in August.\r\nAsk for Mme Lefèvre.")},
                     {Variant::integer(503), text("Ærø Bike Hire"), kNull, kNull, money(0), kNull, kNull},
                     {Variant::integer(504), text("Zoë's Kitchen"), text("Cork"), date(2020, 2, 29), money(7500),
                      Variant::boolean(true),
                      text("Allergy note: no nuts in any delivery, ever. This memo is "
                           "longer than its leader so that part of it lives in the "
                           "memo file.")},
                 });
    writeParadox(folder, QStringLiteral("invoices"),
                 {{"Invoice", FieldType::Long},
                  {"Client No", FieldType::Long},
                  {"Issued", FieldType::Timestamp},
                  {"Due", FieldType::Date},
                  {"Amount", FieldType::Money},
                  {"Tax Rate", FieldType::Number},
                  {"Paid", FieldType::Logical},
                  {"Call At", FieldType::Time},
                  {"Terms", FieldType::Memo, 10}},
                 {
                     {Variant::integer(70001), Variant::integer(501), stamp(2023, 4, 3, 10, 15), date(2023, 5, 3),
                      money(25000), Variant::real(0.21), Variant::boolean(true), clock(9, 0), text("30 days net.")},
                     {Variant::integer(70002), Variant::integer(502), stamp(2023, 6, 30, 17, 45, 30), kNull,
                      money(1999), Variant::real(0.077), Variant::boolean(false), kNull,
                      text("Pay by transfer;\nreference the invoice number.")},
                     {Variant::integer(70003), Variant::integer(504), stamp(2024, 1, 1, 0, 0), date(2024, 1, 31),
                      money(-1250), Variant::real(0), kNull, clock(14, 30), kNull},
                 });
    writeParadox(
        folder, QStringLiteral("stock"),
        {{"Item", FieldType::Alpha, 30},
         {"Shelf", FieldType::Short},
         {"Weight kg", FieldType::Number},
         {"Unit Price", FieldType::Money},
         {"Discontinued", FieldType::Logical},
         {"Description", FieldType::Memo, 10}},
        {
            {text("Façade paint (white)"), Variant::integer(3), Variant::real(5.5), money(3490),
             Variant::boolean(false), text("Water based, 5 l tin.")},
            {text("Hölzerne Leiter"), Variant::integer(12), Variant::real(7.25), money(8900), Variant::boolean(false),
             text("Three steps.\r\nMax. 150 kg.")},
            {text("Ceramic tile – blue"), kNull, Variant::real(0.4), money(125), Variant::boolean(true), kNull},
        });
}

void WriteSampleFolder(const QString &outputFolder)
{
    QDir out(outputFolder);
    const QString samples = out.filePath(QLatin1String(kSamplesFolderName));
    if (QDir(samples).exists() && !QDir(samples).removeRecursively())
        throw ado::RuntimeError(QStringLiteral("Cannot remove the old sample folder %1.").arg(samples));
    if (!QDir().mkpath(samples))
        throw ado::RuntimeError(QStringLiteral("Cannot create the sample folder %1.").arg(samples));
    WriteFoxProSamples(samples);
    WriteParadoxSamples(samples);

    QFile cursor(out.filePath(QLatin1String(kHandCursorName)));
    const QByteArray bytes = HandCursorFile();
    if (!cursor.open(QIODevice::WriteOnly | QIODevice::Truncate) || cursor.write(bytes) != bytes.size())
        throw ado::RuntimeError(QStringLiteral("Cannot write %1: %2").arg(cursor.fileName(), cursor.errorString()));
}

} // namespace tw::samples
