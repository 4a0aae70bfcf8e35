#include "ExportStream.h"

#include "platform/ado/Idle.h"

#include <chrono>

namespace tw::workdb {

namespace {
// How long a wait for the writer goes before the window's events run again.
constexpr std::chrono::milliseconds kWaitSlice{10};
} // namespace

ExportStream::ExportStream(const ExportPlan &plan, const QString &folder, const QString &target, qint64 expectedRows)
{
    try {
        m_writer = std::make_unique<paradox::TableWriter>(folder, target, plan.fields, expectedRows, plan.codePage);
        m_thread = std::thread([this] { write(); });
    } catch (...) {
        m_failure = std::current_exception();
        m_writer.reset();
    }
}

ExportStream::~ExportStream()
{
    stop();
    // A writer that did not finish deletes its temporaries.
    m_writer.reset();
}

void ExportStream::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ExportStream::append(const std::vector<ado::Variant> &row)
{
    ++m_appended;
    if (!m_thread.joinable())
        return; // the table could not be started: finish() says why
    if (!m_filling) {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_spare.empty()) {
                m_filling = std::move(m_spare.back());
                m_spare.pop_back();
            }
        }
        if (!m_filling)
            m_filling = std::make_unique<Batch>(kBatchRows);
    }
    std::vector<ado::Variant> &slot = (*m_filling)[m_filled++];
    slot.resize(row.size());
    for (size_t i = 0; i < row.size(); ++i) {
        // Texts are copied, not shared: the memory of each side stays with its thread.
        slot[i].assign(row[i]);
        m_fillingBytes += slot[i].payloadBytes();
    }
    if (m_filled == kBatchRows || m_fillingBytes >= kBatchBytes)
        handOver();
}

void ExportStream::waitFor(std::unique_lock<std::mutex> &lock, const std::function<bool()> &ready)
{
    while (!m_changed.wait_for(lock, kWaitSlice, ready)) {
        lock.unlock();
        ado::idle();
        lock.lock();
    }
}

void ExportStream::handOver()
{
    {
        std::unique_lock lock(m_mutex);
        waitFor(lock, [this] { return m_queue.size() < kBatchesQueued || m_writerDone; });
        m_queue.push_back({std::move(m_filling), m_filled});
    }
    m_changed.notify_all();
    m_filled = 0;
    m_fillingBytes = 0;
}

void ExportStream::write()
{
    bool failed = false;
    for (;;) {
        Filled batch;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || m_closing || !m_queue.empty(); });
            if (m_stopping || m_queue.empty())
                break;
            batch = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_changed.notify_all();
        // After a failure the rest is only taken: finish() reports the failure.
        for (size_t i = 0; i < batch.count && !failed; ++i) {
            try {
                m_writer->appendRow((*batch.rows)[i]);
            } catch (...) {
                m_failure = std::current_exception();
                failed = true;
            }
        }
        {
            const std::lock_guard lock(m_mutex);
            m_spare.push_back(std::move(batch.rows));
        }
    }
    {
        const std::lock_guard lock(m_mutex);
        m_writerDone = true;
    }
    m_changed.notify_all();
}

ExportResult ExportStream::finish()
{
    if (m_thread.joinable()) {
        if (m_filled > 0)
            handOver();
        std::unique_lock lock(m_mutex);
        m_closing = true;
        m_changed.notify_all();
        waitFor(lock, [this] { return m_writerDone; });
        lock.unlock();
        m_thread.join();
    }
    if (m_failure)
        std::rethrow_exception(m_failure);
    m_writer->finish();
    return {m_writer->rowCount(), m_writer->unmappedCharacters(), m_writer->lostValues()};
}

} // namespace tw::workdb
