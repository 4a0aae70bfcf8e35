#pragma once
// ExportStream: the rows of a work table written straight into the Paradox
// table a prepared "select * into" names, while they are added (the work
// database keeps no rows). The Paradox writer works on a thread of its own;
// rows reach it in batches. What it meets (a folder that is missing, a table
// in the way, a full disk) is kept and thrown by finish(), where the export
// meets it; until then the rows are taken and dropped. Destruction before
// finish() leaves no table behind.

#include "ParadoxExport.h"

#include "platform/ado/BatchQueue.h"
#include "platform/ado/Variant.h"
#include "platform/paradox/TableWriter.h"

#include <exception>
#include <memory>
#include <thread>
#include <vector>

namespace tw::workdb {

class ExportStream {
public:
    static constexpr size_t kBatchRows = 1024;
    // A batch is handed over early once its texts and bytes reach this size.
    static constexpr qsizetype kBatchBytes = 1 << 20;
    // Batches waiting for the writer; the rows' producer waits beyond this.
    static constexpr size_t kBatchesQueued = 4;

    // Opens the table's temporaries at once; a failure to do so is kept for
    // finish(). replacement: the writer's permission to replace a table in
    // the way (see paradox::TableWriter).
    ExportStream(const ExportPlan &plan, const QString &folder, const QString &target, qint64 expectedRows,
                 std::shared_ptr<ado::TableReplacement> replacement = nullptr);
    ~ExportStream();
    ExportStream(const ExportStream &) = delete;
    ExportStream &operator=(const ExportStream &) = delete;

    // Takes a copy of the row (values converted to their work columns).
    void append(const std::vector<ado::Variant> &row);
    qint64 rowCount() const { return m_appended; }
    // Waits for the writer, letting the window's events run; throws what it
    // met, or puts the table in place.
    ExportResult finish();

private:
    using Batch = std::vector<std::vector<ado::Variant>>;
    struct Filled {
        std::unique_ptr<Batch> rows;
        size_t count = 0;
    };
    void handOver();
    void write();
    void stop();

    std::unique_ptr<paradox::TableWriter> m_writer; // the writer thread's once it runs
    std::exception_ptr m_failure;                   // the table could not be started
    qint64 m_appended = 0;

    std::unique_ptr<Batch> m_filling;
    size_t m_filled = 0;
    qsizetype m_fillingBytes = 0;

    // Filled batches to the writer, written ones back; the writer stops it
    // when it is done, with what it met.
    ado::BatchQueue<Filled> m_batches{kBatchesQueued};
    std::thread m_thread;
};

} // namespace tw::workdb
