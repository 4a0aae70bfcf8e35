#include "ExportStream.h"

namespace tw::workdb {

ExportStream::ExportStream(const ExportPlan &plan, const QString &folder, const QString &target, qint64 expectedRows,
                           std::shared_ptr<ado::TableReplacement> replacement)
{
    try {
        m_writer = std::make_unique<paradox::TableWriter>(folder, target, plan.fields, expectedRows, plan.codePage,
                                                          std::move(replacement));
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
    m_batches.stop();
    if (m_thread.joinable())
        m_thread.join();
}

void ExportStream::append(const std::vector<ado::Variant> &row)
{
    ++m_appended;
    if (!m_thread.joinable())
        return; // the table could not be started: finish() says why
    if (!m_filling) {
        if (std::optional<Filled> spare = m_batches.takeSpare())
            m_filling = std::move(spare->rows);
        else
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

void ExportStream::handOver()
{
    Filled batch{std::move(m_filling), m_filled};
    // Refused once the writer has stopped at a failure: the rest is only
    // taken, and the batch is filled again; finish() reports the failure.
    bool taken = false;
    try {
        taken = m_batches.push(batch);
    } catch (...) {
        m_filling = std::move(batch.rows); // the window's events failed: the rows stay
        throw;
    }
    if (!taken)
        m_filling = std::move(batch.rows);
    m_filled = 0;
    m_fillingBytes = 0;
}

void ExportStream::write()
{
    std::exception_ptr failure;
    try {
        while (std::optional<Filled> batch = m_batches.pop()) {
            for (size_t i = 0; i < batch->count; ++i)
                m_writer->appendRow((*batch->rows)[i]);
            m_batches.recycle(std::move(*batch));
        }
    } catch (...) {
        failure = std::current_exception();
    }
    m_batches.stop(std::move(failure)); // this thread keeps no hold on it
}

ExportResult ExportStream::finish()
{
    if (m_thread.joinable()) {
        if (m_filled > 0)
            handOver();
        m_batches.close();
        std::exception_ptr failure = m_batches.waitForStop();
        m_thread.join();
        if (failure)
            m_failure = failure;
    }
    if (m_failure)
        std::rethrow_exception(m_failure);
    m_writer->finish();
    return {m_writer->rowCount(), m_writer->unmappedCharacters(), m_writer->lostValues()};
}

} // namespace tw::workdb
