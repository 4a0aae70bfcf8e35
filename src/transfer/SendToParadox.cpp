#include "SendToParadox.h"

#include "ColumnPlan.h"
#include "ParadoxTableName.h"
#include "StatementText.h"
#include "TableCopy.h"
#include "TableNotes.h"
#include "TransferContext.h"

#include "common/ConnectionSettings.h"
#include "common/DoEvents.h"
#include "common/Main.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Idle.h"
#include "platform/ado/Recordset.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Pointer.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"

namespace tw::transfer {

namespace {

constexpr TableCopySteps kSteps{.name = 138,
                                .reset = 139,
                                .begin = 163,
                                .drop = 164,
                                .rollback = 165,
                                .openSource = 170,
                                .lastRow = 242,
                                .rowEvents = 250,
                                .rowProgress = 252,
                                .nextRow = 270,
                                .pointer = 272,
                                .progress = 274,
                                .closeSource = 276,
                                .commit = 281,
                                .holdsEveryTable = false};

// FoxPro to Paradox: the rows go to a work table, which is written out as
// the Paradox table once the last has arrived.
class ParadoxSender final : public TableCopy {
public:
    explicit ParadoxSender(TransferContext &context) : TableCopy(context, QStringLiteral("PushButton3_Click"), kSteps)
    {
    }

    void run();

private:
    ado::Connection &sourceConnection() override { return foxpro; }
    ReadCodePages::Side sourceSide() const override { return ReadCodePages::Side::FoxPro; }
    ado::Connection &rowTarget() override { return work; }
    ado::Connection &tableTarget() override { return paradox; }
    void closeLeftovers() override;
    Answer chooseTarget(const QString &sourceName, QString &targetName) override;
    QString dropStatement(const QString &targetName) const override;
    void afterDrop(const QString &targetName) override;
    void beforeOpen() override;
    QString sourceQuery(const QString &sourceName) const override;
    bool createTarget(const QString &sourceName, const QString &targetName) override;
    bool startRows(const QString &sourceName, const QString &targetName, qint64 lastRow) override;
    bool writeRow() override;
    void closeTarget() override;
    bool writeOut(const QString &sourceName, const QString &targetName) override;
    void afterEnd(const QString &sourceName, const QString &targetName, bool arrived) override;
    QString exportStatement(const QString &sourceName, const QString &targetName) const;

    ado::Connection work;
    ado::Connection paradox;
    ado::Connection foxpro;
    ado::Recordset target;
    ColumnPlan plan;           // of the current table
    bool targetOpened = false; // the work table's recordset, for the current table
    int columns = 0;           // of the source, once its rows start
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
    if (workOpen && foxproOpen)
        copySelected(c.foxproList, 134, 136);
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

void ParadoxSender::closeLeftovers()
{
    if (target.State())
        steps(139, [&] { target.Close(); });
}

TableCopy::Answer ParadoxSender::chooseTarget(const QString &sourceName, QString &targetName)
{
    Answer answer = Answer::None;
    steps(142, [&] { targetName = sourceName; });
    bool longName = false;
    steps(144, [&] { longName = targetName.size() > kMaxParadoxName; });
    if (longName) {
        int reply = ui::vbNo;
        steps(146, [&] {
            reply = c.dialogs.MsgBox(targetName.toUpper() +
                                         QStringLiteral(" is more than 8 characters. It will be "
                                                        "trimmed into ") +
                                         CutParadoxName(targetName).toUpper() + QStringLiteral(". Continue?"),
                                     ui::vbYesNo, QStringLiteral("Continue?"));
        });
        if (reply == ui::vbYes)
            steps(148, [&] { targetName = CutParadoxName(targetName); });
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
    return answer; // 160, 162
}

QString ParadoxSender::dropStatement(const QString &targetName) const
{
    return QStringLiteral("DROP TABLE ") + Bracketed(targetName);
}

void ParadoxSender::afterDrop(const QString &targetName)
{
    // The old table stays until the work database's export writes the new one
    // in its place: that export is the only writer the held drop lets replace it.
    work.AllowReplacement(paradox.HeldDrop(targetName));
    steps(166, [&] { Main::ListRemoveMatching(c.paradoxList, targetName); });
}

void ParadoxSender::beforeOpen()
{
    steps(168, [&] { source.CursorLocation = ado::adUseClient; });
}

QString ParadoxSender::sourceQuery(const QString &sourceName) const
{
    return QStringLiteral("SELECT * FROM ") + DoubleQuoted(sourceName);
}

// The work table, with the column types TypeRules chooses; a leftover of an
// earlier run goes first.
bool ParadoxSender::createTarget(const QString &sourceName, const QString &)
{
    targetOpened = false;
    QString definition;
    steps(172, [&] { definition = QStringLiteral("CREATE TABLE ") + Backticked(sourceName) + u'('; });
    int columns = 0;
    steps(174, [&] {
        columns = source.fields().count();
        plan = planColumns(true, c.keepFieldTypes ? TypeMapping::KeepTypes : TypeMapping::Copies, source.columns(),
                           source.codePage());
    });
    for (int column = 0; column < columns; ++column) {
        steps(176, [&] { DoEvents(); });
        QString name;
        steps(178, [&] { name = source.fields()(column).name(); });
        QString typeText;
        steps(180, [&] { typeText = plan.workColumnText(size_t(column)); });
        // The type text starts with the closing backtick of the name.
        steps(182, [&] { definition += Backticked(name).chopped(1) + typeText; });
    }
    steps(226, [&] { definition.chop(1); });
    steps(228, [&] { definition += QStringLiteral(");"); });
    bool leftOver = false;
    steps(230, [&] { leftOver = FoxproSource::ExistTable(work, sourceName); });
    if (leftOver)
        steps(232, [&] { work.Execute(QStringLiteral("DROP TABLE ") + Bracketed(sourceName)); });
    return steps(234, [&] { work.Execute(definition); });
}

bool ParadoxSender::startRows(const QString &sourceName, const QString &targetName, qint64 lastRow)
{
    bool hasRows = false;
    steps(244, [&] { hasRows = !source.Eof(); });
    if (!hasRows)
        return false;
    // The work database may write the rows out as they arrive; rows the
    // Paradox table cannot hold are refused before the first.
    work.Prepare(exportStatement(sourceName, targetName), lastRow + 1);
    if (!steps(245, [&] { work.ExpectRows(sourceName, lastRow + 1); })) {
        readFailed = true;
        return false;
    }
    columns = source.fields().count();
    targetOpened = steps(246, [&] {
        target.Open(QStringLiteral("SELECT * FROM ") + Backticked(sourceName), work, ado::adOpenDynamic,
                    ado::adLockOptimistic);
    });
    return targetOpened;
}

bool ParadoxSender::writeRow()
{
    // Without a new row the field values have nowhere to go.
    if (steps(254, [&] { target.AddNew(); })) {
        for (int column = 0; column < columns; ++column) {
            steps(258, [&] { DoEvents(); });
            steps(260, [&] { target.fields()(column).setValue(source.fields()(column).Value()); });
        }
        steps(264, [&] { target.Update(); });
    }
    return true;
}

void ParadoxSender::closeTarget()
{
    if (targetOpened)
        steps(278, [&] { target.Close(); });
}

bool ParadoxSender::writeOut(const QString &sourceName, const QString &targetName)
{
    const bool written = steps(280, [&] { work.Execute(exportStatement(sourceName, targetName)); });
    steps(282, [&] { DoEvents(); });
    return written;
}

// The work table goes, whatever became of the copy.
void ParadoxSender::afterEnd(const QString &sourceName, const QString &, bool)
{
    bool workTable = false;
    steps(284, [&] { workTable = FoxproSource::ExistTable(work, sourceName); });
    if (workTable) {
        steps(286, [&] { work.Execute(QStringLiteral("DROP TABLE ") + Bracketed(sourceName)); });
        steps(288, [&] { DoEvents(); });
    }
}

QString ParadoxSender::exportStatement(const QString &sourceName, const QString &targetName) const
{
    return QStringLiteral("select * into ") +
           Bracketed(QStringLiteral("Paradox 5.x;Database=") +
                     Main::CollapseBackslashes(c.settings.paradoxFolder() + u'\\')) +
           u'.' + Bracketed(targetName + QStringLiteral(".db")) + QStringLiteral(" from ") + Bracketed(sourceName);
}

} // namespace

void SendTablesToParadox(TransferContext &context)
{
    // Writing out a whole table happens inside the work database: let the window repaint meanwhile.
    const ado::ScopedIdleCallback idle([] { DoEvents(); });
    ParadoxSender(context).run();
}

} // namespace tw::transfer
