#include "SendToFoxPro.h"

#include "ColumnPlan.h"
#include "RowStatement.h"
#include "StatementText.h"
#include "TableCopy.h"
#include "TableNotes.h"
#include "TransferContext.h"
#include "TypeRules.h"

#include "common/ConnectionSettings.h"
#include "common/DoEvents.h"
#include "common/Main.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/FormatLimit.h"
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

constexpr TableCopySteps kSteps{.name = 116,
                                .reset = 117,
                                .begin = 125,
                                .drop = 126,
                                .rollback = 170,
                                .openSource = 130,
                                .lastRow = 150,
                                .rowEvents = 152,
                                .rowProgress = 154,
                                .nextRow = 168,
                                .pointer = 172,
                                .progress = 174,
                                .closeSource = 176,
                                .commit = 171,
                                .holdsEveryTable = true};

// Paradox to FoxPro: the new table is built under a temporary name and takes
// the place of the old one only when its last row is written, so a copy that
// stops for any reason leaves the old table as it was.
class FoxProSender final : public TableCopy {
public:
    explicit FoxProSender(TransferContext &context) : TableCopy(context, QStringLiteral("PushButton4_Click"), kSteps)
    {
        // The table definition is text; a row's statement is built when shown.
        steps.reportStatement([this] { return rowStatement ? row.text() : statement; });
    }

    void run();

private:
    ado::Connection &sourceConnection() override { return paradox; }
    ReadCodePages::Side sourceSide() const override { return ReadCodePages::Side::Paradox; }
    ado::Connection &rowTarget() override { return foxpro; }
    ado::Connection &tableTarget() override { return foxpro; }
    Answer chooseTarget(const QString &sourceName, QString &targetName) override;
    QString dropStatement(const QString &targetName) const override;
    QString sourceQuery(const QString &sourceName) const override;
    bool createTarget(const QString &sourceName, const QString &targetName) override;
    bool startRows(const QString &sourceName, const QString &targetName, qint64 lastRow) override;
    bool writeRow() override;
    void afterEnd(const QString &sourceName, const QString &targetName, bool arrived) override;
    QString targetFolder() const;

    ado::Connection foxpro;
    ado::Connection paradox;
    // The table definition, then each row's statement; never cleared between tables.
    QString statement;
    RowStatement row;
    ColumnPlan plan;           // of the current table
    bool rowStatement = false; // the statement of the report is the row's
    QString valueScratch;      // the text of a value not held as text, reused from field to field
    QString unlistedPath;      // a free table under the target name that the list does not show
    QString targetPath;        // the new table's path, as the statements name it
    int columns = 0;           // of the source, once its rows start
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
    if (paradoxOpen && foxproOpen)
        copySelected(c.paradoxList, 112, 114);
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

TableCopy::Answer FoxProSender::chooseTarget(const QString &, QString &targetName)
{
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
    unlistedPath.clear();
    bool refused = false;
    steps(121, [&] {
        const QString folder = targetFolder();
        if (folder.isEmpty())
            return;
        const QString path = files::toNativePath(folder + targetName + QStringLiteral(".DBF"));
        if (!files::exists(path) || files::isDirectory(path))
            return;
        const QString owner = foxpro.ContainerOwning(path);
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
    if (refused)
        return Answer::Refused;
    Answer answer = Answer::None;
    if (listed || !unlistedPath.isEmpty()) {
        steps(122, [&] {
            const int reply = c.dialogs.MsgBox(QStringLiteral("Would you like to overwrite ") + targetName + u'?',
                                               ui::vbYesNo, QStringLiteral("Overwrite?"));
            answer = reply == ui::vbYes ? Answer::Yes : Answer::No;
        });
    }
    return answer; // 124
}

QString FoxProSender::dropStatement(const QString &targetName) const
{
    return QStringLiteral("DROP TABLE ") + Backticked(unlistedPath.isEmpty() ? targetName : unlistedPath);
}

QString FoxProSender::sourceQuery(const QString &sourceName) const
{
    return QStringLiteral("SELECT * FROM ") + Backticked(sourceName);
}

// A table of memo columns named as FoxPro takes them.
bool FoxProSender::createTarget(const QString &, const QString &targetName)
{
    QString folder;
    const bool haveFolder = steps(132, [&] {
        folder = targetFolder();
        if (folder.isEmpty())
            throw ado::RuntimeError(QStringLiteral("No FoxPro folder is set: choose a database container or a free "
                                                   "table folder."));
    });
    steps(134, [&] { targetPath = folder + targetName + QStringLiteral(".DBF"); });
    if (!haveFolder)
        return false;
    steps(138, [&] {
        statement = QStringLiteral("CREATE TABLE ") + Bracketed(targetPath) + u'(';
        rowStatement = false;
    });
    QStringList names;
    steps(140, [&] {
        for (int i = 0; i < source.fields().count(); ++i)
            names << source.fields()(i).name();
        names = foxpro.ColumnNamesFor(names, source.codePage());
        plan = planColumns(false, c.keepFieldTypes ? TypeMapping::KeepTypes : TypeMapping::Copies, source.columns(),
                           source.codePage());
    });
    for (qsizetype column = 0; column < names.size(); ++column) {
        steps(142, [&] { DoEvents(); });
        steps(144, [&] {
            statement += u'[' + names[column] + QStringLiteral("] ") + plan.columns[size_t(column)].typeWords + u',';
        });
    }
    steps(146, [&] {
        statement.chop(1);
        statement += QStringLiteral(");");
    });
    return steps(148, [&] { foxpro.Execute(statement); });
}

bool FoxProSender::startRows(const QString &, const QString &, qint64 lastRow)
{
    // Rows the table cannot hold are refused before the first is written.
    if (!steps(151, [&] { foxpro.ExpectRows(targetPath, lastRow + 1); })) {
        readFailed = true;
        return false;
    }
    columns = source.fields().count();
    std::vector<char> literalTypes;
    if (plan.mapping == TypeMapping::KeepTypes) {
        for (const PlannedColumn &column : plan.columns)
            literalTypes.push_back(column.foxproType);
    }
    // The copies' memos take numbers, dates and logicals as the bytes of
    // their text in the page the new table writes.
    const int textPage = plan.mapping == TypeMapping::Copies ? foxpro.TextPageOfNewTable(foxpro.newTableCodePage()) : 0;
    row.start(targetPath, columns, std::move(literalTypes), textPage);
    return true;
}

bool FoxProSender::writeRow()
{
    // From here on a report shows the row's statement as far as it is built.
    steps(156, [&] {
        row.newRow();
        rowStatement = true;
    });
    const bool kept = plan.mapping == TypeMapping::KeepTypes;
    for (int column = 0; column < columns; ++column) {
        steps(158, [&] {
            DoEvents();
            // A text kept as the bytes its table stores goes as it is: the
            // same text, written unconverted where both pages are the same.
            if (const ado::Variant &value = source.fields()(column).Value(); kept || value.storedCodePage() != 0)
                row.add(value);
            else if (!row.addShortText(value))
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
            full = e.kind() == ado::RuntimeError::Kind::Limit;
            throw;
        }
    });
    // A table at the most its format holds takes no more rows: it ends here.
    return !full;
}

void FoxProSender::afterEnd(const QString &, const QString &targetName, bool arrived)
{
    if (arrived) {
        steps(128, [&] { Main::ListRemoveMatching(c.foxproList, targetName); });
        steps(178, [&] { c.foxproList.add(targetName.toLower()); });
    }
}

QString FoxProSender::targetFolder() const
{
    QString folder = c.settings.dbcChosen() ? Main::FolderOf(c.settings.dbcPath()) : c.settings.freeTableFolder();
    if (!folder.isEmpty() && !files::isSeparator(folder.back()))
        folder += u'\\';
    return folder;
}

} // namespace

void SendTablesToFoxPro(TransferContext &context)
{
    const ado::ScopedIdleCallback idle([] { DoEvents(); });
    FoxProSender(context).run();
}

} // namespace tw::transfer
