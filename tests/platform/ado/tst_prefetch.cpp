// Reading ahead on a second thread: the rows arrive whole and in order across
// batch ends, a row that cannot be read fails where the walk reaches it (the
// rows before it arrive first), a cursor left early stops its reader, and
// short or shared cursors are not read ahead at all; waiting for the reader
// lets the window's events run.

#include "platform/ado/Idle.h"
#include "platform/ado/PrefetchCursor.h"
#include "platform/ado/RuntimeError.h"

#include <QtTest>

#include <thread>

using namespace tw::ado;

namespace {

// Rows 0..count-1 of (number, text); row `failAt` cannot be read.
class CountingCursor final : public Cursor {
public:
    CountingCursor(qint64 count, qint64 failAt = -1, bool ownFiles = true, int msBeforeRows = 0)
        : m_count(count), m_failAt(failAt), m_ownFiles(ownFiles), m_msBeforeRows(msBeforeRows)
    {
        m_columns = {{QStringLiteral("n"), adInteger}, {QStringLiteral("t"), adVarChar}};
    }
    const std::vector<ColumnInfo> &columns() const override { return m_columns; }
    qint64 rowCount() const override { return m_count; }
    bool fetch(std::vector<Variant> &row) override
    {
        if (m_next == 0 && m_msBeforeRows > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_msBeforeRows));
        if (m_next == m_failAt) {
            m_lost.add(
                {QStringLiteral("t"), m_next + 1, QStringLiteral("n"), QStringLiteral("?"), QStringLiteral("bad")});
            throw RuntimeError(QStringLiteral("row %1 cannot be read").arg(m_next));
        }
        if (m_next >= m_count)
            return false;
        row.resize(2);
        row[0] = Variant::integer(m_next);
        row[1] = Variant::text(QString::number(m_next * 7));
        ++m_next;
        return true;
    }
    bool readsOnItsOwn() const override { return m_ownFiles; }
    const LostValues *lostValues() const override { return &m_lost; }
    int codePage() const override { return 866; }

private:
    std::vector<ColumnInfo> m_columns;
    qint64 m_count;
    qint64 m_failAt;
    bool m_ownFiles;
    int m_msBeforeRows;
    qint64 m_next = 0;
    LostValues m_lost;
};

} // namespace

class PrefetchTest : public QObject {
    Q_OBJECT

private slots:
    void rowsArriveInOrder_data();
    void rowsArriveInOrder();
    void failureArrivesWhereItHappened();
    void leavingEarlyStopsTheReader();
    void shortOrSharedCursorsAreNotReadAhead();
    void waitingForTheReaderLetsTheWindowRun();
};

void PrefetchTest::rowsArriveInOrder_data()
{
    QTest::addColumn<qint64>("rows");
    const qint64 batch = qint64(PrefetchCursor::kBatchRows);
    for (const qint64 n :
         {qint64(0), qint64(1), batch - 1, batch, batch + 1, batch * qint64(PrefetchCursor::kBatchesAhead) * 3 + 17})
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void PrefetchTest::rowsArriveInOrder()
{
    QFETCH(qint64, rows);
    PrefetchCursor cursor(std::make_unique<CountingCursor>(rows));
    QCOMPARE(cursor.rowCount(), rows);
    QCOMPARE(cursor.columns().size(), size_t(2));
    QCOMPARE(cursor.codePage(), 866);
    std::vector<Variant> row;
    for (qint64 i = 0; i < rows; ++i) {
        QVERIFY(cursor.fetch(row));
        QCOMPARE(row[0].asInteger(), i);
        QCOMPARE(row[1].asText(), QString::number(i * 7));
    }
    QVERIFY(!cursor.fetch(row));
    QVERIFY(!cursor.fetch(row)); // and stays at its end
    QVERIFY(cursor.lostValues()->empty());
}

void PrefetchTest::failureArrivesWhereItHappened()
{
    const qint64 failAt = qint64(PrefetchCursor::kBatchRows) * 2 + 5;
    PrefetchCursor cursor(std::make_unique<CountingCursor>(failAt * 2, failAt));
    std::vector<Variant> row;
    for (qint64 i = 0; i < failAt; ++i) {
        QVERIFY(cursor.fetch(row));
        QCOMPARE(row[0].asInteger(), i);
    }
    try {
        cursor.fetch(row);
        QFAIL("the row that cannot be read was passed over");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.description(), QStringLiteral("row %1 cannot be read").arg(failAt));
    }
    QVERIFY(!cursor.fetch(row));
    QCOMPARE(cursor.lostValues()->count(), qint64(1));
}

void PrefetchTest::leavingEarlyStopsTheReader()
{
    // Destroyed with the reader far ahead, or asked for its lost values half-way.
    for (int round = 0; round < 20; ++round) {
        PrefetchCursor cursor(std::make_unique<CountingCursor>(1000000));
        std::vector<Variant> row;
        QVERIFY(cursor.fetch(row));
        if (round % 2)
            QVERIFY(cursor.lostValues());
    }
}

void PrefetchTest::shortOrSharedCursorsAreNotReadAhead()
{
    auto shortOne = prefetched(std::make_unique<CountingCursor>(10));
    QVERIFY(!dynamic_cast<PrefetchCursor *>(shortOne.get()));
    auto shared = prefetched(std::make_unique<CountingCursor>(1000000, -1, false));
    QVERIFY(!dynamic_cast<PrefetchCursor *>(shared.get()));
    auto longOne = prefetched(std::make_unique<CountingCursor>(1000000));
    QVERIFY(dynamic_cast<PrefetchCursor *>(longOne.get()));
}

void PrefetchTest::waitingForTheReaderLetsTheWindowRun()
{
    int idles = 0;
    const ScopedIdleCallback idle([&] { ++idles; });
    PrefetchCursor cursor(std::make_unique<CountingCursor>(10, -1, true, 80));
    std::vector<Variant> row;
    QVERIFY(cursor.fetch(row));
    QVERIFY2(idles >= 3, qPrintable(QString::number(idles)));
}

QTEST_GUILESS_MAIN(PrefetchTest)
#include "tst_prefetch.moc"
