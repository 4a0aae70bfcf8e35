#pragma once
// PrefetchCursor: walks another cursor on a thread of its own, a batch of rows
// at a time, while the caller works on the rows before them, so that reading
// and decoding a source table and writing its copy use two cores. The inner
// cursor is touched only by that thread once the walk has started; rows are
// handed over in batches (one row at a time costs what it saves), and the
// batches go back to the reader to be filled again, so rows keep their memory.
// A row that cannot be read is reported where the walk reaches it.

#include "BatchQueue.h"
#include "Provider.h"

#include <memory>
#include <thread>
#include <vector>

namespace tw::ado {

class PrefetchCursor final : public Cursor {
public:
    static constexpr size_t kBatchRows = 1024;
    static constexpr size_t kBatchesAhead = 4;
    // A batch ends early once its rows hold about this much.
    static constexpr qsizetype kBatchBytes = 1 << 20;

    explicit PrefetchCursor(std::unique_ptr<Cursor> inner);
    ~PrefetchCursor() override;
    PrefetchCursor(const PrefetchCursor &) = delete;
    PrefetchCursor &operator=(const PrefetchCursor &) = delete;

    const std::vector<ColumnInfo> &columns() const override { return m_columns; }
    qint64 rowCount() const override { return m_rowCount; }
    bool fetch(std::vector<Variant> &row) override;
    int codePage() const override { return m_codePage; }
    // The inner cursor's, once its walk has ended (it is stopped here when
    // rows are left: callers ask at the end of their walk).
    const LostValues *lostValues() const override;
    const LostValues *changedValues() const override;
    // The inner cursor's, as it was when the walk started (a reader knows
    // its damaged rows when it opens).
    const DamagedRows *damagedRows() const override { return m_hasDamaged ? &m_damaged : nullptr; }
    QStringList warnings() const override { return m_warnings; }

private:
    struct Batch {
        std::vector<std::vector<Variant>> rows;
        size_t filled = 0;
    };
    void readAhead();
    void stop() const;

    std::unique_ptr<Cursor> m_inner;
    std::vector<ColumnInfo> m_columns;
    qint64 m_rowCount = 0;
    int m_codePage = 0;
    DamagedRows m_damaged;
    bool m_hasDamaged = false;
    QStringList m_warnings;

    // Filled batches to the caller, read ones back to the reader; a row that
    // cannot be read closes it with its failure.
    mutable BatchQueue<std::unique_ptr<Batch>> m_batches{kBatchesAhead};
    mutable std::thread m_reader;

    std::unique_ptr<Batch> m_current; // the batch the caller reads from
    size_t m_next = 0;
    bool m_ended = false;
};

// Wraps `cursor` in a PrefetchCursor when it reads on its own and has rows
// enough for a second thread to pay off; otherwise returns it as it is.
std::unique_ptr<Cursor> prefetched(std::unique_ptr<Cursor> cursor);

} // namespace tw::ado
