#pragma once
// BatchQueue: the one way work is handed from one thread to another. A
// producer pushes whole items (batches of rows, never single values) and a
// consumer pops them in order; at most `capacity` wait, and the producer waits
// beyond that. Items the consumer is done with go back as spares, so that
// memory returns to the thread that filled it.
//
// Who calls what: push(), takeSpare() and close() from the producer's thread;
// pop() and recycle() from the consumer's; stop() and waitForStop() from
// either. Every wait on the thread that runs the window's events waits in
// slices of kWaitSlice and lets them run between (ado::idle()); what they
// throw is thrown once the wait is over, before anything is taken.

#include "Idle.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace tw::ado {

template <typename T> class BatchQueue {
public:
    static constexpr std::chrono::milliseconds kWaitSlice{10};

    explicit BatchQueue(size_t capacity) : m_capacity(capacity > 0 ? capacity : 1) {}
    BatchQueue(const BatchQueue &) = delete;
    BatchQueue &operator=(const BatchQueue &) = delete;

    // Producer. Hands `item` over, waiting while the queue is full. False once
    // the queue is stopped: then `item` stays with the caller.
    bool push(T &item)
    {
        {
            std::unique_lock lock(m_mutex);
            waitUntil(lock, [this] { return m_stopped || m_items.size() < m_capacity; });
            if (m_stopped)
                return false;
            m_items.push_back(std::move(item));
        }
        m_changed.notify_all();
        return true;
    }
    // Producer. An item the consumer gave back, if there is one.
    std::optional<T> takeSpare()
    {
        const std::lock_guard lock(m_mutex);
        if (m_spares.empty())
            return std::nullopt;
        std::optional<T> spare(std::move(m_spares.back()));
        m_spares.pop_back();
        return spare;
    }
    // Producer. No more items come; `failure`, when given, is thrown to the
    // consumer after the items pushed before it.
    void close(std::exception_ptr failure = nullptr)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closed = true;
            m_producerFailure = std::move(failure);
        }
        m_changed.notify_all();
    }

    // Consumer. The next item, waiting while there is none; nullopt once the
    // queue is closed and empty, or stopped. The producer's failure is thrown
    // once, in place of the end.
    std::optional<T> pop()
    {
        std::optional<T> item;
        {
            std::unique_lock lock(m_mutex);
            waitUntil(lock, [this] { return m_stopped || m_closed || !m_items.empty(); });
            if (m_stopped)
                return std::nullopt;
            if (m_items.empty()) {
                if (m_producerFailure)
                    std::rethrow_exception(std::exchange(m_producerFailure, nullptr));
                return std::nullopt;
            }
            item.emplace(std::move(m_items.front()));
            m_items.pop_front();
        }
        m_changed.notify_all();
        return item;
    }
    // Consumer. Gives a used item back to the producer to fill again.
    void recycle(T item)
    {
        const std::lock_guard lock(m_mutex);
        m_spares.push_back(std::move(item));
    }

    // Either side. Ends the hand-over: push() refuses, pop() ends, the items
    // waiting are left. `failure` is what the side that stops met; the
    // first one given is kept for waitForStop().
    void stop(std::exception_ptr failure = nullptr)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
            if (!m_stopFailure)
                m_stopFailure = std::move(failure);
        }
        m_changed.notify_all();
    }
    // Either side. Waits until the queue is stopped; returns the failure given then.
    std::exception_ptr waitForStop()
    {
        std::unique_lock lock(m_mutex);
        waitUntil(lock, [this] { return m_stopped; });
        return m_stopFailure;
    }

private:
    template <typename Ready> void waitUntil(std::unique_lock<std::mutex> &lock, Ready ready)
    {
        if (ready())
            return;
        if (!idleRunsHere()) {
            m_changed.wait(lock, ready);
            return;
        }
        std::exception_ptr idleFailure;
        while (!m_changed.wait_for(lock, kWaitSlice, ready)) {
            lock.unlock();
            try {
                idle();
            } catch (...) {
                if (!idleFailure)
                    idleFailure = std::current_exception();
            }
            lock.lock();
        }
        if (idleFailure)
            std::rethrow_exception(idleFailure);
    }

    const size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<T> m_items;
    std::vector<T> m_spares;
    bool m_closed = false;
    bool m_stopped = false;
    std::exception_ptr m_producerFailure;
    std::exception_ptr m_stopFailure;
};

} // namespace tw::ado
