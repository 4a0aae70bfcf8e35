#include "PrefetchCursor.h"

namespace tw::ado {

namespace {
// Fewer rows than this are read faster than a thread starts.
constexpr qint64 kRowsWorthAThread = 4096;

// What a row holds, roughly: its texts and bytes, and a little for each value.
qsizetype roughSize(const std::vector<Variant> &row)
{
    qsizetype size = 0;
    for (const Variant &value : row)
        size += qsizetype(sizeof(Variant)) + value.payloadBytes();
    return size;
}
} // namespace

PrefetchCursor::PrefetchCursor(std::unique_ptr<Cursor> inner)
    : m_inner(std::move(inner)), m_columns(m_inner->columns()), m_rowCount(m_inner->rowCount()),
      m_codePage(m_inner->codePage()), m_warnings(m_inner->warnings())
{
    if (const DamagedRows *damaged = m_inner->damagedRows()) {
        m_damaged = *damaged;
        m_hasDamaged = true;
    }
    m_reader = std::thread([this] { readAhead(); });
}

PrefetchCursor::~PrefetchCursor()
{
    stop();
}

void PrefetchCursor::stop() const
{
    m_batches.stop();
    if (m_reader.joinable())
        m_reader.join();
}

void PrefetchCursor::readAhead()
{
    for (;;) {
        std::unique_ptr<Batch> batch = m_batches.takeSpare().value_or(nullptr);
        if (!batch)
            batch = std::make_unique<Batch>();
        batch->rows.resize(kBatchRows);
        batch->filled = 0;
        // Rows of long memos make short batches: what is read ahead stays small.
        qsizetype bytes = 0;
        bool last = false;
        std::exception_ptr failure;
        while (batch->filled < kBatchRows && bytes < kBatchBytes) {
            try {
                if (!m_inner->fetch(batch->rows[batch->filled])) {
                    last = true;
                    break;
                }
            } catch (...) {
                failure = std::current_exception();
                last = true;
                break;
            }
            bytes += roughSize(batch->rows[batch->filled]);
            ++batch->filled;
        }
        if ((batch->filled > 0 && !m_batches.push(batch)) || last) {
            // Stopped by the caller, or at the end: the failure comes after the rows before it.
            m_batches.close(std::move(failure)); // this thread keeps no hold on it
            return;
        }
    }
}

bool PrefetchCursor::fetch(std::vector<Variant> &row)
{
    for (;;) {
        if (m_ended)
            return false;
        if (m_current && m_next < m_current->filled) {
            // The caller's row goes back in its place, to be filled again.
            std::swap(row, m_current->rows[m_next++]);
            return true;
        }
        if (m_current)
            m_batches.recycle(std::move(m_current));
        std::optional<std::unique_ptr<Batch>> next = m_batches.pop();
        if (!next) {
            m_ended = true;
            return false;
        }
        m_current = std::move(*next);
        m_next = 0;
    }
}

const LostValues *PrefetchCursor::lostValues() const
{
    stop();
    return m_inner->lostValues();
}

const LostValues *PrefetchCursor::changedValues() const
{
    stop();
    return m_inner->changedValues();
}

std::unique_ptr<Cursor> prefetched(std::unique_ptr<Cursor> cursor)
{
    if (!cursor || !cursor->readsOnItsOwn() || cursor->updatable() || cursor->rowCount() < kRowsWorthAThread)
        return cursor;
    return std::make_unique<PrefetchCursor>(std::move(cursor));
}

} // namespace tw::ado
