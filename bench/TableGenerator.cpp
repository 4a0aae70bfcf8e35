#include "TableGenerator.h"

#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/TableWriter.h"

#include <QDir>
#include <QFileInfo>

#include <array>

namespace tw::bench {

using ado::Variant;

namespace {

constexpr std::array kFirstNames{"Anna",   "Bernd",  "Carla",  "Dieter", "Elena", "Frank",  "Greta",  "Hugo",
                                 "Ines",   "Jonas",  "Katrin", "Lukas",  "Marta", "Niklas", "Olga",   "Paul",
                                 "Renate", "Stefan", "Tanja",  "Uwe",    "Vera",  "Walter", "Yvonne", "Zoe"};
constexpr std::array kLastNames{"Albrecht", "Becker",   "Castell",   "Dorn",   "Eckert", "Fischer",
                                "Graf",     "Hoffmann", "Iversen",   "Jansen", "Keller", "Lorenz",
                                "Meyer",    "Neumann",  "Ostermann", "Peters", "Quast",  "Richter",
                                "Schulz",   "Thiel",    "Ulbrich",   "Vogel",  "Wagner", "Zimmermann"};
constexpr std::array kCities{"Hamburg",    "Bremen",  "Hannover", "Kiel",      "Rostock",  "Leipzig", "Dresden",
                             "Erfurt",     "Kassel",  "Mainz",    "Trier",     "Freiburg", "Ulm",     "Passau",
                             "Regensburg", "Bamberg", "Lübeck",   "Göttingen", "Münster",  "Köln"};
constexpr std::array kWords{"order",   "shipped",   "late",   "customer",    "called",  "about",    "the",
                            "invoice", "paid",      "in",     "full",        "credit",  "note",     "sent",
                            "to",      "warehouse", "return", "damaged",     "item",    "replaced", "discount",
                            "agreed",  "for",       "next",   "quarter",     "contact", "by",       "phone",
                            "only",    "after",     "noon",   "überweisung", "prüfen"};

constexpr int kNullCityPercent = 4;
constexpr int kNullAmountPercent = 3;
constexpr int kNullBornPercent = 5;
constexpr int kNullStampPercent = 2;
constexpr int kNullNotesPercent = 3;
constexpr int kEmptyNotesPercent = 10;
constexpr qint64 kAmountCentsRange = 200'000'000; // -1,000,000.00 to 999,999.99
constexpr qint64 kPriceCentsRange = 10'000'000;   // 0 to 99,999.99
constexpr qint64 kTenThousandthsPerCent = 100;
constexpr int kBornDays = 65 * 365;
constexpr int kStampDays = 26 * 365;
constexpr int kSecondsPerDay = 86'400;
constexpr int kMsPerSecond = 1000;
// A fixed date of the last change keeps the FoxPro files identical for one seed.
const QDate kTableUpdated(2024, 1, 15);

template <size_t N> const char *pick(SeededRandom &random, const std::array<const char *, N> &words)
{
    return words[random.below(N)];
}

QString cents(qint64 value)
{
    const qint64 whole = (value < 0 ? -value : value) / 100;
    const qint64 part = (value < 0 ? -value : value) % 100;
    return QStringLiteral("%1%2.%3")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(whole)
        .arg(part, 2, 10, QChar(u'0'));
}

void removeFile(const QString &path)
{
    if (QFileInfo::exists(path))
        QFile::remove(path);
}

} // namespace

std::uint64_t SeededRandom::next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<Variant> RowGenerator::next()
{
    std::vector<Variant> row;
    const int repeats = m_shape == Shape::Wide ? kWideRepeats : 1;
    row.reserve(size_t(10 * repeats));
    for (int i = 0; i < repeats; ++i)
        appendStandard(row);
    return row;
}

void RowGenerator::appendStandard(std::vector<Variant> &row)
{
    SeededRandom &r = m_random;
    row.push_back(Variant::integer(++m_id));
    row.push_back(
        Variant::text(QString::fromUtf8(pick(r, kFirstNames)) + u' ' + QString::fromUtf8(pick(r, kLastNames))));
    row.push_back(r.percent(kNullCityPercent) ? Variant::null() : Variant::text(QString::fromUtf8(pick(r, kCities))));
    row.push_back(Variant::text(QStringLiteral("%1%2-%3")
                                    .arg(QChar(char16_t(u'A' + r.below(26))))
                                    .arg(QChar(char16_t(u'A' + r.below(26))))
                                    .arg(r.below(100000), 5, 10, QChar(u'0'))));
    row.push_back(r.percent(kNullAmountPercent)
                      ? Variant::null()
                      : Variant::decimal(cents(qint64(r.below(kAmountCentsRange)) - kAmountCentsRange / 2)));
    const QDate bornBase(1940, 1, 1);
    row.push_back(r.percent(kNullBornPercent) ? Variant::null()
                                              : Variant::date(bornBase.addDays(qint64(r.below(kBornDays)))));
    const QDate stampBase(2000, 1, 1);
    row.push_back(r.percent(kNullStampPercent) ? Variant::null()
                                               : Variant::dateTime(stampBase.addDays(qint64(r.below(kStampDays))),
                                                                   int(r.below(kSecondsPerDay)) * kMsPerSecond));
    row.push_back(Variant::boolean(r.percent(50)));
    row.push_back(Variant::currency(qint64(r.below(kPriceCentsRange)) * kTenThousandthsPerCent));
    if (r.percent(kNullNotesPercent)) {
        row.push_back(Variant::null());
    } else if (r.percent(kEmptyNotesPercent)) {
        row.push_back(Variant::text(QString()));
    } else {
        const int length = m_shape == Shape::MemoHeavy ? kHeavyMemoMin + int(r.below(kHeavyMemoMax - kHeavyMemoMin + 1))
                                                       : 1 + int(r.below(kMaxMemo));
        QString notes;
        notes.reserve(length + 16);
        while (notes.size() < length) {
            if (!notes.isEmpty())
                notes += u' ';
            notes += QString::fromUtf8(pick(r, kWords));
        }
        notes.truncate(length);
        row.push_back(Variant::text(notes));
    }
}

namespace {

// The columns of a shape: the ten standard ones, or them six times over with
// the number of their round after their names (ID2, NAME2, ...).
template <typename Column, typename Rename>
std::vector<Column> shaped(const std::vector<Column> &standard, Shape shape, Rename rename)
{
    if (shape != Shape::Wide)
        return standard;
    std::vector<Column> columns;
    for (int round = 1; round <= kWideRepeats; ++round)
        for (Column column : standard) {
            rename(column, round);
            columns.push_back(column);
        }
    return columns;
}

} // namespace

GeneratedFiles writeFoxProTable(const QString &folder, const QString &table, qint64 rows, std::uint64_t seed,
                                Shape shape)
{
    const QDir dir(folder);
    GeneratedFiles files{table, dir.filePath(table + QStringLiteral(".dbf")),
                         dir.filePath(table + QStringLiteral(".fpt")), 0};
    removeFile(files.data);
    removeFile(files.memo);
    // The program's own writer, as a free table of code page 1252.
    constexpr int kSet = -1; // the lengths and flags Visual FoxPro gives the type
    const std::vector<foxpro::NewField> columns{
        {QStringLiteral("ID"), 'I', 4, 0, kSet, false},     {QStringLiteral("NAME"), 'C', 30, 0, kSet, false},
        {QStringLiteral("CITY"), 'C', 20, 0, kSet, true},   {QStringLiteral("CODE"), 'C', 10, 0, kSet, false},
        {QStringLiteral("AMOUNT"), 'N', 12, 2, kSet, true}, {QStringLiteral("BORN"), 'D', 8, 0, kSet, true},
        {QStringLiteral("STAMP"), 'T', 8, 0, kSet, true},   {QStringLiteral("ACTIVE"), 'L', 1, 0, kSet, false},
        {QStringLiteral("PRICE"), 'Y', 8, 0, kSet, false},  {QStringLiteral("NOTES"), 'M', 4, 0, kSet, true},
    };
    const auto wide =
        shaped(columns, shape, [](foxpro::NewField &column, int round) { column.name += QString::number(round); });
    foxpro::CreateOptions options;
    options.updated = kTableUpdated;
    {
        const auto writer = foxpro::TableWriter::create(files.data, wide, options);
        writer->setBuffered(true);
        RowGenerator generator(seed, shape);
        for (qint64 i = 0; i < rows; ++i)
            writer->append(generator.next());
        writer->flush();
    }
    files.bytes = QFileInfo(files.data).size() + QFileInfo(files.memo).size();
    return files;
}

GeneratedFiles writeParadoxTable(const QString &folder, const QString &table, qint64 rows, std::uint64_t seed,
                                 Shape shape)
{
    using paradox::FieldType;
    const QDir dir(folder);
    for (const QString &ext : {QStringLiteral(".db"), QStringLiteral(".mb")})
        removeFile(dir.filePath(table + ext));
    const std::vector<paradox::NewField> columns{
        {QStringLiteral("ID"), FieldType::Long, 0, 0},         {QStringLiteral("NAME"), FieldType::Alpha, 30, 0},
        {QStringLiteral("CITY"), FieldType::Alpha, 20, 0},     {QStringLiteral("CODE"), FieldType::Alpha, 10, 0},
        {QStringLiteral("AMOUNT"), FieldType::Number, 0, 0},   {QStringLiteral("BORN"), FieldType::Date, 0, 0},
        {QStringLiteral("STAMP"), FieldType::Timestamp, 0, 0}, {QStringLiteral("ACTIVE"), FieldType::Logical, 0, 0},
        {QStringLiteral("PRICE"), FieldType::Money, 0, 0},     {QStringLiteral("NOTES"), FieldType::Memo, 0, 0},
    };
    const auto wide =
        shaped(columns, shape, [](paradox::NewField &column, int round) { column.name += QString::number(round); });
    paradox::TableWriter writer(folder, table, wide, rows);
    RowGenerator generator(seed, shape);
    for (qint64 i = 0; i < rows; ++i)
        writer.appendRow(generator.next());
    writer.finish();
    GeneratedFiles files{table, writer.dbPath(), writer.mbPath(), 0};
    files.bytes = QFileInfo(files.data).size() + QFileInfo(files.memo).size();
    return files;
}

} // namespace tw::bench
