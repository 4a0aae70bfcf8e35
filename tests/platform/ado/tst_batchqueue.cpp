// The one hand-over between threads: items arrive in order and no more than
// its capacity wait, a stop frees a producer waiting on a full queue, a
// failure of either side reaches the other, and a wait on the window's thread
// lets its events run while a wait elsewhere never does.

#include "platform/ado/BatchQueue.h"

#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <thread>

using namespace tw::ado;

namespace {
using Queue = BatchQueue<std::unique_ptr<int>>;

std::unique_ptr<int> item(int n)
{
    return std::make_unique<int>(n);
}

QString messageOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
}
} // namespace

class BatchQueueTest : public QObject {
    Q_OBJECT

private slots:
    void itemsArriveInOrderWithinCapacity_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::newRow("one") << 1;
        QTest::newRow("four") << 4;
    }
    void itemsArriveInOrderWithinCapacity()
    {
        QFETCH(int, capacity);
        constexpr int kItems = 5000;
        Queue queue{size_t(capacity)};
        std::atomic<int> pushed = 0;
        std::atomic<int> reused = 0;
        std::atomic<bool> refused = false;
        std::thread producer([&] {
            for (int i = 0; i < kItems; ++i) {
                std::unique_ptr<int> next = queue.takeSpare().value_or(nullptr);
                if (next) {
                    ++reused;
                    *next = i;
                } else {
                    next = item(i);
                }
                if (!queue.push(next))
                    refused = true;
                ++pushed;
            }
            queue.close();
        });
        int popped = 0;
        while (std::optional<std::unique_ptr<int>> next = queue.pop()) {
            QVERIFY(pushed - popped <= capacity + 1);
            QCOMPARE(**next, popped++);
            queue.recycle(std::move(*next));
        }
        producer.join();
        QCOMPARE(popped, kItems);
        QVERIFY(!refused);
        QVERIFY(reused > 0);
        QVERIFY(!queue.pop()); // and stays at its end
    }

    void stopFreesAProducerWaitingOnAFullQueue()
    {
        Queue queue(2);
        std::atomic<bool> refused = false;
        std::atomic<bool> kept = false;
        std::thread producer([&] {
            for (int i = 0;; ++i) {
                std::unique_ptr<int> next = item(i);
                if (!queue.push(next)) {
                    kept = next && *next == i; // the refused item stays with its producer
                    refused = true;
                    return;
                }
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        QVERIFY(!refused); // full, so waiting
        queue.stop();
        producer.join();
        QVERIFY(refused);
        QVERIFY(kept);
        QVERIFY(!queue.pop()); // what waited is left
        QVERIFY(!queue.waitForStop());
    }

    void failureOfEitherSideReachesTheOther()
    {
        // The producer's, after the items before it, once.
        Queue queue(4);
        std::thread producer([&] {
            for (int i = 0; i < 10; ++i) {
                std::unique_ptr<int> next = item(i);
                queue.push(next);
            }
            queue.close(std::make_exception_ptr(std::runtime_error("row 10 cannot be read")));
        });
        for (int i = 0; i < 10; ++i)
            QCOMPARE(**queue.pop(), i);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, queue.pop());
        QVERIFY(!queue.pop());
        producer.join();

        // The consumer's: the producer is refused from then on and learns why.
        Queue back(1);
        std::thread consumer([&] {
            back.pop();
            back.stop(std::make_exception_ptr(std::runtime_error("disk full")));
        });
        std::unique_ptr<int> first = item(1);
        std::unique_ptr<int> second = item(2);
        back.push(first);
        const std::exception_ptr failure = back.waitForStop();
        consumer.join();
        QVERIFY(!back.push(second));
        QCOMPARE(messageOf(failure), QStringLiteral("disk full"));
    }

    void waitsOnTheWindowsThreadLetItsEventsRun()
    {
        Queue queue(1);
        int idles = 0;
        std::atomic<bool> elsewhere = false;
        const std::thread::id window = std::this_thread::get_id();
        const ScopedIdleCallback idle([&] {
            ++idles;
            elsewhere = elsewhere || std::this_thread::get_id() != window;
            if (idles == 3)
                throw std::runtime_error("window closed");
        });
        std::thread producer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            std::unique_ptr<int> next = item(7);
            queue.push(next);
            next = item(8);
            queue.push(next); // waits while full, off the window's thread
            queue.close();
        });
        // What the events throw comes once the wait is over, and nothing is lost.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, queue.pop());
        QVERIFY(idles >= 4);
        QCOMPARE(**queue.pop(), 7);
        QCOMPARE(**queue.pop(), 8);
        QVERIFY(!queue.pop());
        producer.join();
        QVERIFY(!elsewhere);
    }
};

QTEST_GUILESS_MAIN(BatchQueueTest)
#include "tst_batchqueue.moc"
