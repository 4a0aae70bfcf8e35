// The benchmark's input tables: the program's own readers must read back
// exactly the rows the generator made, and one seed must give the same bytes.

#include "TableGenerator.h"

#include "common/ConnectionSettings.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Field.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/ParadoxProvider.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace tw;
using tw::ado::Variant;

namespace {

constexpr qint64 kRows = 400;
constexpr std::uint64_t kSeed = 42;

QByteArray digestOf(const QStringList &files)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        hash.addData(file.readAll());
    }
    return hash.result();
}

// Reads the table through the program's provider and compares every value
// with a second generator of the same seed.
void compareWithGenerator(ado::Recordset &rs)
{
    bench::RowGenerator expected(kSeed);
    qint64 rows = 0;
    int nulls = 0;
    int longestMemo = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++rows) {
        const std::vector<Variant> want = expected.next();
        QCOMPARE(rs.fields().count(), int(want.size()));
        for (int c = 0; c < int(want.size()); ++c) {
            const Variant &got = rs.fields()(c).Value();
            const Variant &w = want[size_t(c)];
            const QString where = QStringLiteral("row %1 column %2").arg(rows + 1).arg(rs.fields()(c).name());
            if (w.isNull()) {
                ++nulls;
                QVERIFY2(got.isNull() || got.toText().isEmpty(), qPrintable(where + u' ' + got.toText()));
            } else if (w.kind() == Variant::Kind::Decimal || w.kind() == Variant::Kind::Currency) {
                QVERIFY2(std::llround(got.toDouble() * 100) == std::llround(w.toDouble() * 100),
                         qPrintable(where + u' ' + got.toText() + u' ' + w.toText()));
            } else if (w.kind() == Variant::Kind::Date) {
                QVERIFY2(got.kind() == Variant::Kind::Date || got.kind() == Variant::Kind::DateTime, qPrintable(where));
                QCOMPARE(got.asDate(), w.asDate());
            } else if (w.kind() == Variant::Kind::Boolean) {
                QCOMPARE(got.kind(), Variant::Kind::Boolean);
                QCOMPARE(got.asBoolean(), w.asBoolean());
            } else {
                // Fixed-width text comes back padded; memos keep their own spaces.
                const bool memo = c == int(want.size()) - 1;
                QString text = got.toText();
                while (!memo && text.endsWith(u' '))
                    text.chop(1);
                QVERIFY2(text == w.toText(),
                         qPrintable(where + QStringLiteral(": '%1' != '%2'").arg(text, w.toText())));
            }
        }
        longestMemo = std::max(longestMemo, int(want.back().toText().size()));
    }
    QCOMPARE(rows, kRows);
    QVERIFY(nulls > 0);
    QVERIFY(longestMemo > 100 && longestMemo <= bench::RowGenerator::kMaxMemo);
}

} // namespace

class GeneratorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        foxpro::registerProvider();
        paradox::registerProvider();
    }

    void foxproTableReadsBackAsGenerated()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const bench::GeneratedFiles files = bench::writeFoxProTable(dir.path(), QStringLiteral("bench"), kRows, kSeed);
        QVERIFY(files.bytes > 0);
        PlainConnectionSettings settings;
        settings.freeTables = dir.path();
        ado::Connection connection;
        connection.CursorLocation = ado::adUseServer;
        connection.Open(FoxproSource::FoxProConnectionString(settings));
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM \"bench\""), connection);
        compareWithGenerator(rs);
    }

    void paradoxTableReadsBackAsGenerated()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const bench::GeneratedFiles files = bench::writeParadoxTable(dir.path(), QStringLiteral("bench"), kRows, kSeed);
        QVERIFY(QFile::exists(files.memo));
        ado::Connection connection;
        connection.CursorLocation = ado::adUseClient;
        connection.Open(ParadoxSource::ParadoxConnectionString(dir.path()));
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM `bench`"), connection);
        compareWithGenerator(rs);
    }

    void oneSeedGivesTheSameBytes()
    {
        QTemporaryDir a, b, c;
        QVERIFY(a.isValid() && b.isValid() && c.isValid());
        const auto first = bench::writeFoxProTable(a.path(), QStringLiteral("t"), kRows, kSeed);
        const auto again = bench::writeFoxProTable(b.path(), QStringLiteral("t"), kRows, kSeed);
        const auto other = bench::writeFoxProTable(c.path(), QStringLiteral("t"), kRows, kSeed + 1);
        const QByteArray digest = digestOf({first.data, first.memo});
        QVERIFY(!digest.isEmpty());
        QCOMPARE(digestOf({again.data, again.memo}), digest);
        QVERIFY(digestOf({other.data, other.memo}) != digest);
    }
};

QTEST_GUILESS_MAIN(GeneratorTest)
#include "tst_bench_generator.moc"
