#include "SendToParadox.h"

#include "StatementText.h"
#include "TableNotes.h"
#include "TransferContext.h"
#include "TypeRules.h"

#include "common/ConnectionSettings.h"
#include "common/DoEvents.h"
#include "common/Main.h"
#include "common/Steps.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Idle.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Pointer.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"

namespace tw::transfer {

namespace {

constexpr int kMaxParadoxName = 8;
enum class Answer { None, Yes, No };

class ParadoxSender {
public:
    explicit ParadoxSender(TransferContext &context)
        : c(context), steps(context.dialogs, QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"))
    {
        steps.setQuietRepeats(true);
    }

    void run();

private:
    void copyTable(int index);
    void copyRows(qint64 lastRow);
    QString exportStatement(const QString &sourceName, const QString &targetName) const;

    TransferContext &c;
    Steps steps;
    ado::Connection work;
    ado::Connection paradox;
    ado::Connection foxpro;
    ado::Recordset source;
    ado::Recordset target;
    bool stopped = false;
    bool readFailed = false; // of the current table, or it could not take its rows
};

void ParadoxSender::run()
{
    // Lines 100 to 108 create the connection and recordset objects, which are members here.
    bool hasCurrent = false;
    steps(112, [&] { hasCurrent = c.foxproList.currentIndex() != -1; });
    if (!hasCurrent) {
        steps(306, [&] { c.dialogs.MsgBox(QStringLiteral("Please select a table to send."), ui::vbOKOnly); });
        return;
    }
    steps(114, [&] { c.pointer.setMousePointer(ui::PointerBusy); });
    steps(116, [&] { work.CursorLocation = ado::adUseServer; });
    steps(118, [&] { work.Mode = ado::adModeReadWrite; });
    const bool workOpen = steps(120, [&] {
        work.Open(QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + c.workDatabase + u';');
    });
    steps(122, [&] { paradox.CursorLocation = ado::adUseClient; });
    steps(124, [&] { paradox.Open(ParadoxSource::ParadoxConnectionString(c.settings.paradoxFolder())); });
    steps(126, [&] { foxpro.CursorLocation = ado::adUseServer; });
    bool dbc = false;
    steps(128, [&] { dbc = c.settings.dbcChosen(); });
    const bool foxproOpen = dbc ? steps(130, [&] { foxpro.Open(FoxproSource::FoxProConnectionString(c.settings)); })
                                : steps(132, [&] { foxpro.Open(FoxproSource::FoxProConnectionString(c.settings)); });
    // Without the work database or the source every table would fail the same
    // way: the failure has been reported once, and no table is tried.
    if (workOpen && foxproOpen) {
        int count = 0;
        steps(134, [&] { count = c.foxproList.count(); });
        for (int i = count - 1; i >= 0 && !stopped; --i) {
            bool selected = false;
            steps(136, [&] { selected = c.foxproList.selected(i); });
            if (selected)
                copyTable(i);
        }
    }
    steps(292, [&] { ParadoxSource::ListParadoxTables(c.paradoxList, c.settings, c.dialogs); });
    c.replacedCharacters += work.replacedCharacters();
    steps(300, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
    steps(302, [&] {
        if (work.State())
            work.Close();
    });
    steps(304, [&] {
        if (foxpro.State())
            foxpro.Close();
    });
}

void ParadoxSender::copyTable(int index)
{
    steps.forgetRepeats();
    readFailed = false;
    QString sourceName;
    QString targetName;
    Answer answer = Answer::None;
    if (!steps(138, [&] { sourceName = c.foxproList.text(index); }))
        return;
    const int failuresBefore = steps.failures();
    TableNotes notes;
    notes.start(work);
    const auto outcome = [&](TableOutcome::Kind kind, const QString &reason = {}) {
        c.outcomes.push_back({sourceName, kind, reason, notes.finish(work)});
        addToTotals(c, c.outcomes.back().notes);
    };
    // Whatever the last table left behind, this one starts afresh.
    if (source.State())
        steps(139, [&] { source.Close(); });
    if (target.State())
        steps(139, [&] { target.Close(); });
    if (paradox.inTransaction())
        steps(139, [&] { paradox.RollbackTrans(); });
    steps(142, [&] { targetName = sourceName; });
    bool longName = false;
    steps(144, [&] { longName = targetName.size() > kMaxParadoxName; });
    if (longName) {
        int reply = ui::vbNo;
        steps(146, [&] {
            reply = c.dialogs.MsgBox(targetName.toUpper() +
                                         QStringLiteral(" is more than 8 characters. It will be "
                                                        "trimmed into ") +
                                         targetName.left(kMaxParadoxName).toUpper() + QStringLiteral(". Continue?"),
                                     ui::vbYesNo, QStringLiteral("Continue?"));
        });
        if (reply == ui::vbYes)
            steps(148, [&] { targetName = targetName.left(kMaxParadoxName); });
        else
            steps(150, [&] { answer = Answer::No; });
    }
    if (answer != Answer::No) { // 152
        bool listed = false;
        steps(154, [&] { listed = Main::ListHasItem(c.paradoxList, targetName); });
        if (listed) {
            steps(156, [&] {
                const int reply = c.dialogs.MsgBox(QStringLiteral("Would you like to overwrite ") + sourceName + u'?',
                                                   ui::vbYesNo, QStringLiteral("Overwrite?"));
                answer = reply == ui::vbYes ? Answer::Yes : Answer::No;
            });
        } else {
            steps(158, [&] { answer = Answer::None; });
        }
    }
    if (answer == Answer::No) { // 160
        outcome(TableOutcome::Kind::PassedOver, QStringLiteral("not replaced: the answer was No"));
        return;
    }
    if (answer == Answer::Yes) { // 162
        // The drop is held back: the old table stays until the new one is
        // written whole in its place (step 280), and stays for good when the
        // copy stops for any reason.
        if (!steps(163, [&] { paradox.BeginTrans(); })) {
            outcome(TableOutcome::Kind::Failed, steps.lastFailure());
            return;
        }
        // The new table cannot be written over one that could not be dropped.
        if (!steps(164, [&] { paradox.Execute(QStringLiteral("DROP TABLE ") + Bracketed(targetName)); })) {
            steps(165, [&] { paradox.RollbackTrans(); });
            outcome(TableOutcome::Kind::Failed, steps.lastFailure());
            return;
        }
        steps(166, [&] { Main::ListRemoveMatching(c.paradoxList, targetName); });
    }
    steps(168, [&] { source.CursorLocation = ado::adUseClient; });
    foxpro.setReadCodePage(c.readCodePages ? c.readCodePages->of(ReadCodePages::Side::FoxPro, sourceName) : 0);
    if (!steps(170, [&] { source.Open(QStringLiteral("SELECT * FROM ") + DoubleQuoted(sourceName), foxpro); })) {
        if (paradox.inTransaction())
            steps(165, [&] { paradox.RollbackTrans(); });
        outcome(TableOutcome::Kind::Failed, steps.lastFailure());
        return;
    }
    // Told to, a table with damaged rows is refused rather than copied without them.
    if (const QString refusal = c.refuseDamagedTables ? damagedRowsRefusal(sourceName, source) : QString();
        !refusal.isEmpty()) {
        steps(170, [&] { throw ado::RuntimeError(refusal); });
        notes.takeSource(source);
        steps(276, [&] { source.Close(); });
        if (paradox.inTransaction())
            steps(165, [&] { paradox.RollbackTrans(); });
        outcome(TableOutcome::Kind::Failed, refusal);
        return;
    }
    // The work table keeps the source table's code page for the Paradox table it becomes.
    work.setNewTableCodePage(source.codePage());
    QString definition;
    steps(172, [&] { definition = QStringLiteral("CREATE TABLE ") + Backticked(sourceName) + u'('; });
    int columns = 0;
    steps(174, [&] { columns = source.fields().count(); });
    for (int column = 0; column < columns; ++column) {
        steps(176, [&] { DoEvents(); });
        QString name;
        steps(178, [&] { name = source.fields()(column).name(); });
        QString typeText;
        steps(180, [&] { typeText = WorkColumnTypeText(source.fields()(column)); });
        // The type text starts with the closing backtick of the name.
        steps(182, [&] { definition += Backticked(name).chopped(1) + typeText; });
    }
    steps(226, [&] { definition.chop(1); });
    steps(228, [&] { definition += QStringLiteral(");"); });
    bool leftOver = false;
    steps(230, [&] { leftOver = FoxproSource::ExistTable(work, sourceName); });
    if (leftOver)
        steps(232, [&] { work.Execute(QStringLiteral("DROP TABLE ") + Bracketed(sourceName)); });
    const bool created = steps(234, [&] { work.Execute(definition); });
    bool targetOpened = false;
    if (created) {
        qint64 lastRow = -1;
        steps(242, [&] { lastRow = source.RecordCount() - 1; });
        bool hasRows = false;
        steps(244, [&] { hasRows = !source.Eof(); });
        if (hasRows) {
            // The work database may write the rows out as they arrive; rows
            // the Paradox table cannot hold are refused before the first.
            work.Prepare(exportStatement(sourceName, targetName), lastRow + 1);
            if (!steps(245, [&] { work.ExpectRows(sourceName, lastRow + 1); }))
                readFailed = true;
            targetOpened = !readFailed && steps(246, [&] {
                target.Open(QStringLiteral("SELECT * FROM ") + Backticked(sourceName), work, ado::adOpenDynamic,
                            ado::adLockOptimistic);
            });
            if (targetOpened)
                copyRows(lastRow);
        }
    }
    steps(272, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
    steps(274, [&] {
        c.progress.setProgressValue(0);
        c.progress.setProgressText(QLatin1String(kProgressCaption));
    });
    notes.takeSource(source);
    steps(276, [&] { source.Close(); });
    if (targetOpened)
        steps(278, [&] { target.Close(); });
    // A copy stopped part-way is not written: the table on disk stays as it was.
    bool written = false;
    if (created && !stopped && !readFailed) {
        written = steps(280, [&] { work.Execute(exportStatement(sourceName, targetName)); });
        steps(282, [&] { DoEvents(); });
    }
    if (paradox.inTransaction()) {
        if (written)
            steps(281, [&] { paradox.CommitTrans(); });
        else
            steps(165, [&] { paradox.RollbackTrans(); });
    }
    bool workTable = false;
    steps(284, [&] { workTable = FoxproSource::ExistTable(work, sourceName); });
    if (workTable) {
        steps(286, [&] { work.Execute(QStringLiteral("DROP TABLE ") + Bracketed(sourceName)); });
        steps(288, [&] { DoEvents(); });
    }
    if (written && steps.failures() == failuresBefore)
        outcome(TableOutcome::Kind::Copied);
    else
        outcome(TableOutcome::Kind::Failed,
                stopped && !written ? QStringLiteral("the copy was stopped") : steps.lastFailure());
}

QString ParadoxSender::exportStatement(const QString &sourceName, const QString &targetName) const
{
    return QStringLiteral("select * into ") +
           Bracketed(QStringLiteral("Paradox 5.x;Database=") +
                     Main::CollapseBackslashes(c.settings.paradoxFolder() + u'\\')) +
           u'.' + Bracketed(targetName + QStringLiteral(".db")) + QStringLiteral(" from ") + Bracketed(sourceName);
}

void ParadoxSender::copyRows(qint64 lastRow)
{
    const int columns = source.fields().count();
    for (qint64 row = 0; row <= lastRow; ++row) {
        steps(250, [&] { DoEvents(); });
        steps(252, [&] { c.progress.setProgressValue(ProgressPercent(row, lastRow)); });
        // Without a new row the field values have nowhere to go.
        if (steps(254, [&] { target.AddNew(); })) {
            for (int column = 0; column < columns; ++column) {
                steps(258, [&] { DoEvents(); });
                steps(260, [&] { target.fields()(column).setValue(source.fields()(column).Value()); });
            }
            steps(264, [&] { target.Update(); });
        }
        // A row that cannot be read (a damaged memo file) ends the table: it
        // is reported once and not written without its rows.
        if (!steps(270, [&] { source.MoveNext(); })) {
            readFailed = true;
            return;
        }
        if (c.stopRequested()) {
            stopped = true;
            return;
        }
    }
}

} // namespace

void SendTablesToParadox(TransferContext &context)
{
    // Writing out a whole table happens inside the work database: let the window repaint meanwhile.
    const ado::ScopedIdleCallback idle([] { DoEvents(); });
    ParadoxSender(context).run();
}

} // namespace tw::transfer
