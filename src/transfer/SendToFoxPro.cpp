#include "SendToFoxPro.h"

#include "RowStatement.h"
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
#include "platform/ado/FormatLimit.h"
#include "platform/ado/Idle.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Pointer.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"

namespace tw::transfer {

namespace {

enum class Answer { None, Yes, No };

class FoxProSender {
public:
    explicit FoxProSender(TransferContext &context)
        : c(context), steps(context.dialogs, QStringLiteral("Form2"), QStringLiteral("PushButton4_Click"))
    {
        // The table definition is text; a row's statement is built when shown.
        steps.reportStatement([this] { return rowStatement ? row.text() : statement; });
        steps.setQuietRepeats(true);
    }

    void run();

private:
    void copyTable(int index);
    void insertRows(const QString &targetPath, qint64 lastRow);
    void endTable(bool whole, int failuresBefore, const QString &sourceName, const QString &targetName = {},
                  const QString &reason = {});
    QString targetFolder() const;

    TransferContext &c;
    Steps steps;
    ado::Connection foxpro;
    ado::Connection paradox;
    ado::Recordset source;
    // The table definition, then each row's statement; never cleared between tables.
    QString statement;
    RowStatement row;
    bool rowStatement = false; // the statement of the report is the row's
    QString valueScratch;      // the text of a value not held as text, reused from field to field
    bool stopped = false;
    bool readFailed = false; // of the current table, or it could not take its rows
    TableNotes notes;        // of the current table
};

void FoxProSender::run()
{
    bool hasCurrent = false;
    steps(100, [&] {
        hasCurrent = c.paradoxList.currentIndex() != -1;
        if (!hasCurrent)
            c.dialogs.MsgBox(QStringLiteral("Please select a table to send."), ui::vbOKOnly);
    });
    if (!hasCurrent)
        return;
    steps(102, [&] { c.pointer.setMousePointer(ui::PointerBusy); });
    steps(104, [&] { paradox.CursorLocation = ado::adUseClient; });
    const bool paradoxOpen =
        steps(106, [&] { paradox.Open(ParadoxSource::ParadoxConnectionString(c.settings.paradoxFolder())); });
    steps(108, [&] { foxpro.CursorLocation = ado::adUseServer; });
    const bool foxproOpen = steps(110, [&] { foxpro.Open(FoxproSource::FoxProConnectionString(c.settings)); });
    // Without either side every table would fail the same way: reported once, no table tried.
    if (paradoxOpen && foxproOpen) {
        int count = 0;
        steps(112, [&] { count = c.paradoxList.count(); });
        for (int i = count - 1; i >= 0 && !stopped; --i) {
            bool selected = false;
            steps(114, [&] { selected = c.paradoxList.selected(i); });
            if (selected)
                copyTable(i);
        }
    }
    c.replacedCharacters += foxpro.replacedCharacters();
    steps(180, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
    steps(182, [&] {
        if (foxpro.State())
            foxpro.Close();
    });
    steps(184, [&] {
        if (paradox.State())
            paradox.Close();
    });
}

void FoxProSender::copyTable(int index)
{
    steps.forgetRepeats();
    const int failuresBefore = steps.failures();
    QString sourceName;
    QString targetName;
    if (!steps(116, [&] {
            sourceName = c.paradoxList.text(index);
            targetName = sourceName;
        }))
        return;
    notes.start(foxpro);
    const auto outcome = [&](TableOutcome::Kind kind, const QString &reason = {}) {
        c.outcomes.push_back({sourceName, kind, reason, notes.finish(foxpro)});
        addToTotals(c, c.outcomes.back().notes);
    };
    // Whatever the last table left behind, this one starts afresh.
    if (source.State())
        steps(117, [&] { source.Close(); });
    if (foxpro.inTransaction())
        steps(117, [&] { foxpro.RollbackTrans(); });
    Answer answer = Answer::None;
    bool listed = false;
    steps(118, [&] { listed = Main::ListHasItem(c.foxproList, targetName); });
    if (listed) {
        steps(120, [&] {
            for (int i = 0; i < c.foxproList.count(); ++i) {
                if (c.foxproList.text(i).toLower() == targetName.toLower())
                    targetName = c.foxproList.text(i);
            }
        });
    }
    // A file under the target name that the list does not show: another
    // container's table is never touched; a free table is asked about like a
    // listed one.
    QString unlistedPath;
    bool refused = false;
    steps(121, [&] {
        const QString folder = targetFolder();
        if (folder.isEmpty())
            return;
        const QString path = files::toNativePath(folder + targetName + QStringLiteral(".DBF"));
        if (!files::exists(path) || files::isDirectory(path))
            return;
        const QString owner = foxpro::owningContainer(path);
        const QString ownContainer =
            c.settings.dbcChosen() ? files::fileName(c.settings.dbcPath()).toUpper() : QString();
        if (!owner.isEmpty() && owner != ownContainer) {
            refused = true;
            throw ado::RuntimeError(QStringLiteral("%1 belongs to the database %2; open that database to replace it.")
                                        .arg(files::fileName(path).toUpper(), owner));
        }
        if (!listed && owner.isEmpty())
            unlistedPath = path;
    });
    if (refused) {
        outcome(TableOutcome::Kind::Refused, steps.lastFailure());
        return;
    }
    if (listed || !unlistedPath.isEmpty()) {
        steps(122, [&] {
            const int reply = c.dialogs.MsgBox(QStringLiteral("Would you like to overwrite ") + targetName + u'?',
                                               ui::vbYesNo, QStringLiteral("Overwrite?"));
            answer = reply == ui::vbYes ? Answer::Yes : Answer::No;
        });
    }
    if (answer == Answer::No) { // 124
        outcome(TableOutcome::Kind::PassedOver, QStringLiteral("not replaced: the answer was No"));
        return;
    }
    // The new table is built under a temporary name and takes the place of
    // the old one only when its last row is written: a copy that stops for
    // any reason leaves the old table as it was.
    if (!steps(125, [&] { foxpro.BeginTrans(); })) {
        outcome(TableOutcome::Kind::Failed, steps.lastFailure());
        return;
    }
    if (answer == Answer::Yes) {
        // A table that could not be dropped is not written over.
        const QString dropped = unlistedPath.isEmpty() ? targetName : unlistedPath;
        if (!steps(126, [&] { foxpro.Execute(QStringLiteral("DROP TABLE ") + Backticked(dropped)); })) {
            endTable(false, failuresBefore, sourceName);
            return;
        }
    }
    paradox.setReadCodePage(c.readCodePages ? c.readCodePages->of(ReadCodePages::Side::Paradox, sourceName) : 0);
    if (!steps(130, [&] { source.Open(QStringLiteral("SELECT * FROM ") + Backticked(sourceName), paradox); })) {
        endTable(false, failuresBefore, sourceName);
        return;
    }
    // Told to, a table with damaged rows is refused rather than copied without them.
    if (const QString refusal = c.refuseDamagedTables ? damagedRowsRefusal(sourceName, source) : QString();
        !refusal.isEmpty()) {
        steps(130, [&] { throw ado::RuntimeError(refusal); });
        notes.takeSource(source);
        steps(176, [&] { source.Close(); });
        endTable(false, failuresBefore, sourceName, {}, refusal);
        return;
    }
    // The new table takes the source table's code page (when FoxPro can mark it).
    foxpro.setNewTableCodePage(source.codePage());
    QString folder;
    QString targetPath;
    const bool haveFolder = steps(132, [&] {
        folder = targetFolder();
        if (folder.isEmpty())
            throw ado::RuntimeError(QStringLiteral("No FoxPro folder is set: choose a database container or a free "
                                                   "table folder."));
    });
    steps(134, [&] { targetPath = folder + targetName + QStringLiteral(".DBF"); });
    bool created = false;
    if (haveFolder) {
        steps(138, [&] {
            statement = QStringLiteral("CREATE TABLE ") + Bracketed(targetPath) + u'(';
            rowStatement = false;
        });
        QStringList names;
        QList<int> types;
        steps(140, [&] {
            for (int i = 0; i < source.fields().count(); ++i) {
                names << source.fields()(i).name();
                types << source.fields()(i).Type();
            }
            names = FoxProColumnNames(names, source.codePage());
        });
        for (qsizetype column = 0; column < names.size(); ++column) {
            steps(142, [&] { DoEvents(); });
            steps(144, [&] {
                statement += u'[' + names[column] + QStringLiteral("] ") + FoxProColumnType(types[column]) + u',';
            });
        }
        steps(146, [&] {
            statement.chop(1);
            statement += QStringLiteral(");");
        });
        created = steps(148, [&] { foxpro.Execute(statement); });
    }
    // Rows of a table that could not be created would each fail for that one reason.
    readFailed = false;
    if (created) {
        qint64 lastRow = -1;
        steps(150, [&] { lastRow = source.RecordCount() - 1; });
        // Rows the table cannot hold are refused before the first is written.
        if (steps(151, [&] { foxpro.ExpectRows(targetPath, lastRow + 1); }))
            insertRows(targetPath, lastRow);
        else
            readFailed = true;
    }
    steps(172, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
    steps(174, [&] {
        c.progress.setProgressValue(0);
        c.progress.setProgressText(QLatin1String(kProgressCaption));
    });
    notes.takeSource(source);
    steps(176, [&] { source.Close(); });
    endTable(created && !readFailed && !stopped, failuresBefore, sourceName, targetName);
}

// Puts the new table in place of the old one (whole: every row was read), or
// takes it away again and leaves the old one as it was.
void FoxProSender::endTable(bool whole, int failuresBefore, const QString &sourceName, const QString &targetName,
                            const QString &reason)
{
    bool arrived = false;
    if (whole) {
        arrived = steps(171, [&] { foxpro.CommitTrans(); });
    } else if (foxpro.inTransaction()) {
        steps(170, [&] { foxpro.RollbackTrans(); });
    }
    if (arrived) {
        steps(128, [&] { Main::ListRemoveMatching(c.foxproList, targetName); });
        steps(178, [&] { c.foxproList.add(targetName.toLower()); });
    }
    const bool clean = arrived && steps.failures() == failuresBefore;
    c.outcomes.push_back({sourceName, clean ? TableOutcome::Kind::Copied : TableOutcome::Kind::Failed,
                          clean                       ? QString()
                          : !reason.isEmpty()         ? reason
                          : stopped && whole == false ? QStringLiteral("the copy was stopped")
                                                      : steps.lastFailure(),
                          notes.finish(foxpro)});
    addToTotals(c, c.outcomes.back().notes);
}

QString FoxProSender::targetFolder() const
{
    QString folder = c.settings.dbcChosen() ? Main::FolderOf(c.settings.dbcPath()) : c.settings.freeTableFolder();
    if (!folder.isEmpty() && !files::isSeparator(folder.back()))
        folder += u'\\';
    return folder;
}

void FoxProSender::insertRows(const QString &targetPath, qint64 lastRow)
{
    const int columns = source.fields().count();
    row.start(targetPath, columns);
    for (qint64 r = 0; r <= lastRow; ++r) {
        steps(152, [&] { DoEvents(); });
        steps(154, [&] { c.progress.setProgressValue(ProgressPercent(r, lastRow)); });
        // From here on a report shows the row's statement as far as it is built.
        steps(156, [&] {
            row.newRow();
            rowStatement = true;
        });
        for (int column = 0; column < columns; ++column) {
            steps(158, [&] {
                DoEvents();
                row.add(FoxProValueText(source.fields()(column), valueScratch));
            });
        }
        steps(162, [&] { row.close(); });
        // Line breaks stand only inside values here, and values keep theirs.
        bool full = false;
        steps(166, [&] {
            try {
                foxpro.ExecuteInsert(row.table(), row.values(), [this] { return row.text(); });
            } catch (const ado::RuntimeError &e) {
                full = e.number() == ado::kErrPastFormatLimit;
                throw;
            }
        });
        // A table at the most its format holds takes no more rows: it ends here.
        if (full) {
            readFailed = true;
            return;
        }
        // A row that cannot be read (a damaged memo file) ends the table: it is
        // reported once, and the part written is never put in place.
        if (!steps(168, [&] { source.MoveNext(); })) {
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

void SendTablesToFoxPro(TransferContext &context)
{
    const ado::ScopedIdleCallback idle([] { DoEvents(); });
    FoxProSender(context).run();
}

} // namespace tw::transfer
