#include "SendToFoxPro.h"

#include "StatementText.h"
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
#include "platform/files/FileSystem.h"
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
        steps.reportStatement(&statement);
        steps.setQuietRepeats(true);
    }

    void run();

private:
    void copyTable(int index);
    void insertRows(const QString &targetPath, qint64 lastRow);

    TransferContext &c;
    Steps steps;
    ado::Connection foxpro;
    ado::Connection paradox;
    ado::Recordset source;
    // The table definition, then each row's statement; never cleared between tables.
    QString statement;
    QString valueScratch; // the text of a value not held as text, reused from field to field
    bool stopped = false;
    bool readFailed = false; // of the current table
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
        steps(106, [&] { paradox.Open(Paradox::ParadoxConnectionString(c.settings.paradoxFolder())); });
    steps(108, [&] { foxpro.CursorLocation = ado::adUseServer; });
    const bool foxproOpen = steps(110, [&] { foxpro.Open(Foxpro::FoxProConnectionString(c.settings)); });
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
    QString sourceName;
    QString targetName;
    if (!steps(116, [&] {
            sourceName = c.paradoxList.text(index);
            targetName = sourceName;
        }))
        return;
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
        steps(122, [&] {
            const int reply = c.dialogs.MsgBox(QStringLiteral("Would you like to overwrite ") + targetName + u'?',
                                               ui::vbYesNo, QStringLiteral("Overwrite?"));
            answer = reply == ui::vbYes ? Answer::Yes : Answer::No;
        });
    }
    if (answer == Answer::No) // 124
        return;
    if (answer == Answer::Yes) {
        // A table that could not be dropped is not written over.
        if (!steps(126, [&] { foxpro.Execute(QStringLiteral("DROP TABLE ") + Backticked(targetName)); }))
            return;
        steps(128, [&] { Main::ListRemoveMatching(c.foxproList, targetName); });
    }
    if (!steps(130, [&] { source.Open(QStringLiteral("SELECT * FROM ") + Backticked(sourceName), paradox); }))
        return;
    QString folder;
    QString targetPath;
    const bool haveFolder = steps(132, [&] {
        folder = c.settings.dbcChosen() ? Main::FolderOf(c.settings.dbcPath()) : c.settings.freeTableFolder();
        if (folder.isEmpty())
            throw ado::RuntimeError(QStringLiteral("No FoxPro folder is set: choose a database container or a free "
                                                   "table folder."));
        if (!files::isSeparator(folder.back()))
            folder += u'\\';
    });
    steps(134, [&] { targetPath = folder + targetName + QStringLiteral(".DBF"); });
    bool created = false;
    if (haveFolder) {
        steps(136, [&] { Main::DeleteFileForced(targetPath); });
        steps(138, [&] { statement = QStringLiteral("CREATE TABLE ") + Bracketed(targetPath) + u'('; });
        QStringList names;
        QList<int> types;
        steps(140, [&] {
            for (int i = 0; i < source.fields().count(); ++i) {
                names << source.fields()(i).name();
                types << source.fields()(i).Type();
            }
            names = FoxProColumnNames(names);
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
        insertRows(targetPath, lastRow);
        if (readFailed) {
            steps(170, [&] { foxpro.Execute(QStringLiteral("DROP TABLE ") + Backticked(targetPath)); });
            created = false;
        }
    }
    steps(172, [&] { c.pointer.setMousePointer(ui::PointerDefault); });
    steps(174, [&] {
        c.progress.setProgressValue(0);
        c.progress.setProgressText(QLatin1String(kProgressCaption));
    });
    steps(176, [&] { source.Close(); });
    if (created)
        steps(178, [&] { c.foxproList.add(targetName.toLower()); });
}

void FoxProSender::insertRows(const QString &targetPath, qint64 lastRow)
{
    const int columns = source.fields().count();
    const QString prefix = Foxpro::RemoveLineBreaksOutsideValues(QStringLiteral("INSERT INTO ") +
                                                                 Backticked(targetPath) + QStringLiteral(" VALUES('"));
    for (qint64 row = 0; row <= lastRow; ++row) {
        steps(152, [&] { DoEvents(); });
        steps(154, [&] {
            c.progress.setProgressValue(ProgressPercent(row, lastRow));
        });
        // The statement keeps its memory from row to row.
        steps(156, [&] {
            statement.resize(0);
            statement += prefix;
        });
        for (int column = 0; column < columns; ++column) {
            steps(158, [&] {
                DoEvents();
                // An empty value gives '' as well: the quote the statement ends with, then "', '".
                Foxpro::AppendQuotedPieces(statement, FoxProValueText(source.fields()(column), valueScratch));
                statement += QLatin1String("', '");
            });
        }
        steps(162, [&] {
            statement.chop(3);
            statement += u')';
        });
        // Line breaks stand only inside values here, and values keep theirs.
        steps(166, [&] { foxpro.Execute(statement); });
        // A row that cannot be read (a damaged memo file) ends the table: it is
        // reported once, and the part written is taken away again.
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
