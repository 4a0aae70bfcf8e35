#include "TableCopy.h"

#include "common/DoEvents.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ui/Pointer.h"

namespace tw::transfer {

TableCopy::TableCopy(TransferContext &context, const QString &routine, const TableCopySteps &numbers)
    : c(context), steps(context.dialogs, QStringLiteral("Form2"), routine), m_steps(numbers)
{
    steps.setQuietRepeats(true);
}

void TableCopy::copySelected(TableList &list, int countStep, int selectedStep)
{
    int count = 0;
    steps(countStep, [&] { count = list.count(); });
    for (int i = count - 1; i >= 0 && !stopped; --i) {
        bool selected = false;
        steps(selectedStep, [&] { selected = list.selected(i); });
        if (selected)
            copyTable(list, i);
    }
}

void TableCopy::copyTable(TableList &list, int index)
{
    steps.forgetRepeats();
    readFailed = false;
    const int failuresBefore = steps.failures();
    QString sourceName;
    if (!steps(m_steps.name, [&] { sourceName = list.text(index); }))
        return;
    m_notes.start(rowTarget());
    // Whatever the last table left behind, this one starts afresh.
    if (source.State())
        steps(m_steps.reset, [&] { source.Close(); });
    closeLeftovers();
    if (tableTarget().inTransaction())
        steps(m_steps.reset, [&] { tableTarget().RollbackTrans(); });
    QString targetName = sourceName;
    const Answer answer = chooseTarget(sourceName, targetName);
    if (answer == Answer::Refused) {
        outcome(sourceName, TableOutcome::Kind::Refused, steps.lastFailure());
        return;
    }
    if (answer == Answer::No) {
        outcome(sourceName, TableOutcome::Kind::PassedOver, QStringLiteral("not replaced: the answer was No"));
        return;
    }
    if (!holdBack(answer, sourceName, targetName) || !openSource(sourceName))
        return;
    // The new table takes the source table's code page (when its format can mark it).
    rowTarget().setNewTableCodePage(source.codePage());
    const bool created = createTarget(sourceName, targetName);
    if (created) {
        qint64 lastRow = -1;
        steps(m_steps.lastRow, [&] { lastRow = source.RecordCount() - 1; });
        if (startRows(sourceName, targetName, lastRow))
            copyRows(lastRow);
    }
    steps(m_steps.pointer, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
    steps(m_steps.progress, [&] {
        c.progress.setProgressValue(0);
        c.progress.setProgressText(QLatin1String(kProgressCaption));
    });
    m_notes.takeSource(source);
    steps(m_steps.closeSource, [&] { source.Close(); });
    closeTarget();
    // A copy stopped part-way, or one that could not read or write every row,
    // is not put in place: the table on disk stays as it was.
    endTable(sourceName, targetName, created && !stopped && !readFailed, failuresBefore);
}

// The old table is dropped in a transaction: it stays until the new one is
// written whole in its place, and stays for good when the copy stops for any
// reason. A table that could not be dropped is not written over.
bool TableCopy::holdBack(Answer answer, const QString &sourceName, const QString &targetName)
{
    if (answer == Answer::Yes || m_steps.holdsEveryTable) {
        if (!steps(m_steps.begin, [&] { tableTarget().BeginTrans(); })) {
            outcome(sourceName, TableOutcome::Kind::Failed, steps.lastFailure());
            return false;
        }
    }
    if (answer != Answer::Yes)
        return true;
    if (!steps(m_steps.drop, [&] { tableTarget().Execute(dropStatement(targetName)); })) {
        fail(sourceName);
        return false;
    }
    afterDrop(targetName);
    return true;
}

bool TableCopy::openSource(const QString &sourceName)
{
    beforeOpen();
    sourceConnection().setReadCodePage(c.readCodePageOf(sourceSide(), sourceName));
    // Text in the page the new table will write in goes as the bytes it is
    // stored as: not decoded and encoded again into the same bytes.
    ado::Connection &target = rowTarget();
    sourceConnection().setTextKeptAsStored(
        [&target](int codePage) { return target.TextPageOfNewTable(codePage) == codePage; });
    const bool opened = steps(m_steps.openSource, [&] { source.Open(sourceQuery(sourceName), sourceConnection()); });
    sourceConnection().setTextKeptAsStored({});
    if (!opened) {
        fail(sourceName);
        return false;
    }
    // Told to, a table with damaged rows is refused rather than copied without them.
    const QString refusal = c.refuseDamagedTables ? damagedRowsRefusal(sourceName, source) : QString();
    if (refusal.isEmpty())
        return true;
    steps(m_steps.openSource, [&] { throw ado::RuntimeError(refusal); });
    m_notes.takeSource(source);
    steps(m_steps.closeSource, [&] { source.Close(); });
    fail(sourceName, refusal);
    return false;
}

void TableCopy::copyRows(qint64 lastRow)
{
    for (qint64 row = 0; row <= lastRow; ++row) {
        steps(m_steps.rowEvents, [&] { DoEvents(); });
        steps(m_steps.rowProgress, [&] { c.progress.setProgressValue(ProgressPercent(row, lastRow)); });
        // A row the target cannot take (a table at the most its format
        // holds), or one that cannot be read (a damaged memo file), ends the
        // table: it is reported once and not put in place without its rows.
        if (!writeRow() || !steps(m_steps.nextRow, [&] { source.MoveNext(); })) {
            readFailed = true;
            return;
        }
        if (c.stopRequested()) {
            stopped = true;
            return;
        }
    }
}

// Puts the new table in place of the old one (when whole: every row was
// read and written), or takes it away again and leaves the old one as it was.
void TableCopy::endTable(const QString &sourceName, const QString &targetName, bool whole, int failuresBefore)
{
    bool arrived = whole && writeOut(sourceName, targetName);
    if (tableTarget().inTransaction()) {
        if (arrived)
            arrived = steps(m_steps.commit, [&] { tableTarget().CommitTrans(); });
        else
            steps(m_steps.rollback, [&] { tableTarget().RollbackTrans(); });
    }
    afterEnd(sourceName, targetName, arrived);
    if (arrived && steps.failures() == failuresBefore)
        outcome(sourceName, TableOutcome::Kind::Copied);
    else
        outcome(sourceName, TableOutcome::Kind::Failed,
                stopped && !arrived ? QStringLiteral("the copy was stopped") : steps.lastFailure());
}

void TableCopy::fail(const QString &sourceName, const QString &reason)
{
    if (tableTarget().inTransaction())
        steps(m_steps.rollback, [&] { tableTarget().RollbackTrans(); });
    outcome(sourceName, TableOutcome::Kind::Failed, reason.isEmpty() ? steps.lastFailure() : reason);
}

void TableCopy::outcome(const QString &sourceName, TableOutcome::Kind kind, const QString &reason)
{
    c.outcomes.push_back({sourceName, kind, reason, m_notes.finish(rowTarget())});
    addToTotals(c, c.outcomes.back().notes);
}

} // namespace tw::transfer
