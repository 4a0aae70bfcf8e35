#include "Commands.h"

#include "CanonicalDump.h"
#include "common/ConnectionSettings.h"
#include "common/Steps.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ui/ScriptedDialogs.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"
#include "transfer/SendToFoxPro.h"
#include "transfer/SendToParadox.h"
#include "transfer/TransferContext.h"
#include "transfer/WorkDatabaseLocation.h"
#include "transferwindow/TableCommands.h"
#include "platform/ui/Pointer.h"

#include <QDir>
#include <QFileInfo>

namespace tw::cli {

namespace {

// A path given on the command line, made absolute against the current folder:
// the transfers join folder and table names into paths that the providers
// resolve against their own folder, so a relative folder would be taken twice.
QString absolutePath(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isRelative() || path.startsWith(u'\\'))
        return path;
    return QDir::current().filePath(path);
}

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotAll = 3; // a named table was passed over (--no) or is not ours to replace

struct UsageError {
    QString message;
};

void print(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), to);
}

// Takes "--foxpro PATH" or "--paradox DIR" off the front of args.
Side takeSide(QStringList &args)
{
    if (args.size() < 2)
        throw UsageError{QStringLiteral("expected --foxpro PATH or --paradox DIR")};
    Side side;
    if (args[0] == u"--foxpro")
        side.kind = Side::Kind::FoxPro;
    else if (args[0] == u"--paradox")
        side.kind = Side::Kind::Paradox;
    else
        throw UsageError{QStringLiteral("expected --foxpro PATH or --paradox DIR, not '%1'").arg(args[0])};
    side.path = absolutePath(args[1]);
    args.remove(0, 2);
    return side;
}

PlainConnectionSettings settingsFor(const Side &side)
{
    PlainConnectionSettings settings;
    if (side.kind == Side::Kind::Paradox) {
        settings.paradox = side.path;
    } else if (side.path.endsWith(QStringLiteral(".dbc"), Qt::CaseInsensitive)) {
        settings.useDbc = true;
        settings.dbc = side.path;
    } else {
        settings.freeTables = side.path;
    }
    return settings;
}

// Error reports the commands showed, printed as the message boxes' text.
int reportBoxes(const ui::ScriptedDialogs &dialogs, std::FILE *err)
{
    for (const auto &box : dialogs.boxes())
        print(err, QString(box.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n') +
                       u'\n');
    return dialogs.boxes().empty() ? kDone : kFailed;
}

int tables(QStringList args, std::FILE *out, std::FILE *err)
{
    const Side side = takeSide(args);
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("unexpected argument '%1'").arg(args[0])};
    const PlainConnectionSettings settings = settingsFor(side);
    MemoryTableList list;
    ui::ScriptedDialogs dialogs;
    dialogs.setFallback(ui::vbOK);
    if (side.kind == Side::Kind::FoxPro)
        Foxpro::ListFoxProTables(list, Foxpro::FoxProConnectionString(settings));
    else
        Paradox::ListParadoxTables(list, settings, dialogs);
    for (const QString &name : list.items())
        print(out, name + u'\n');
    return reportBoxes(dialogs, err);
}

int dump(QStringList args, std::FILE *out)
{
    const Side side = takeSide(args);
    if (args.size() != 1)
        throw UsageError{QStringLiteral("expected one table name")};
    const QString table = args[0];
    const PlainConnectionSettings settings = settingsFor(side);
    ado::Connection connection;
    ado::Recordset recordset;
    recordset.CursorLocation = ado::adUseClient;
    if (side.kind == Side::Kind::FoxPro) {
        connection.CursorLocation = ado::adUseServer;
        connection.Open(Foxpro::FoxProConnectionString(settings));
        recordset.Open(QStringLiteral("SELECT * FROM \"") + table + u'"', connection);
    } else {
        connection.CursorLocation = ado::adUseClient;
        connection.Open(Paradox::ParadoxConnectionString(settings.paradox));
        recordset.Open(QStringLiteral("SELECT * FROM `") + table + u'`', connection);
    }
    writeCanonicalDump(recordset, out);
    return kDone;
}

// Options shared by the commands that change tables.
struct ChangeOptions {
    Side foxpro;
    Side paradox;
    bool yes = false;
    QString workDatabase;
    QStringList tables;
};

ChangeOptions takeChangeOptions(QStringList args)
{
    ChangeOptions options;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--foxpro" || arg == u"--paradox" || arg == u"--work") {
            if (args.isEmpty())
                throw UsageError{QStringLiteral("%1 needs a value").arg(arg)};
            const QString value = absolutePath(args.takeFirst());
            if (arg == u"--foxpro")
                options.foxpro = {Side::Kind::FoxPro, value};
            else if (arg == u"--paradox")
                options.paradox = {Side::Kind::Paradox, value};
            else
                options.workDatabase = value;
        } else if (arg == u"--yes") {
            options.yes = true;
        } else if (arg == u"--no") {
            options.yes = false;
        } else if (arg.startsWith(u"--")) {
            throw UsageError{QStringLiteral("unknown option '%1'").arg(arg)};
        } else {
            options.tables << arg;
        }
    }
    if (options.tables.isEmpty())
        throw UsageError{QStringLiteral("name at least one table")};
    return options;
}

PlainConnectionSettings settingsFor(const ChangeOptions &options)
{
    PlainConnectionSettings settings = settingsFor(options.foxpro);
    settings.paradox = options.paradox.path;
    return settings;
}

// Selects the named entries (exact spelling first, else without regard to
// case); throws naming the first table the list does not hold.
void selectTables(MemoryTableList &list, const QStringList &tables, const QString &side)
{
    for (const QString &table : tables) {
        int found = -1;
        for (int i = 0; i < list.count() && found < 0; ++i)
            found = list.text(i) == table ? i : -1;
        for (int i = 0; i < list.count() && found < 0; ++i)
            found = list.text(i).compare(table, Qt::CaseInsensitive) == 0 ? i : -1;
        if (found < 0)
            throw ado::RuntimeError(QStringLiteral("The %1 side has no table '%2'.").arg(side, table));
        list.setSelected(found, true);
        list.setCurrentIndex(found);
    }
}

// Runs one table command over lists filled from both sides, answering every
// question with yes or no and printing every box on standard error.
int change(QStringList args, std::FILE *out, std::FILE *err, const QString &command)
{
    ChangeOptions options = takeChangeOptions(args);
    const bool toParadox = command == u"copy-to-paradox";
    const bool toFoxPro = command == u"copy-to-foxpro";
    const bool needsFoxPro = toParadox || toFoxPro || command == u"delete-foxpro";
    const bool needsParadox = toParadox || toFoxPro || command == u"delete-paradox" || command == u"rename";
    if (needsFoxPro && options.foxpro.kind == Side::Kind::None)
        throw UsageError{QStringLiteral("%1 needs --foxpro PATH").arg(command)};
    if (needsParadox && options.paradox.kind == Side::Kind::None)
        throw UsageError{QStringLiteral("%1 needs --paradox DIR").arg(command)};
    if (command == u"rename" && options.tables.size() != 2)
        throw UsageError{QStringLiteral("rename needs the old and the new name")};

    const PlainConnectionSettings settings = settingsFor(options);
    MemoryTableList foxproList;
    MemoryTableList paradoxList;
    ui::ScriptedDialogs dialogs;
    dialogs.setFallback(options.yes ? ui::vbYes : ui::vbNo);
    if (needsFoxPro)
        Foxpro::ListFoxProTables(foxproList, Foxpro::FoxProConnectionString(settings));
    if (needsParadox)
        Paradox::ListParadoxTables(paradoxList, settings, dialogs);
    const QString foxproSide = QStringLiteral("FoxPro");
    const QString paradoxSide = QStringLiteral("Paradox");
    if (toParadox || command == u"delete-foxpro")
        selectTables(foxproList, options.tables, foxproSide);
    else if (command == u"rename")
        selectTables(paradoxList, options.tables.mid(0, 1), paradoxSide);
    else
        selectTables(paradoxList, options.tables, paradoxSide);
    if (command == u"rename")
        dialogs.expectText(options.tables[1]);

    ui::PlainPointer pointer;
    NullProgress progress;
    const QString workDatabase = options.workDatabase.isEmpty() && toParadox ? transfer::WorkDatabasePath()
                                                                             : options.workDatabase;
    TransferContext context{dialogs, settings, foxproList, paradoxList, pointer, progress, workDatabase, nullptr};
    if (toParadox)
        transfer::SendTablesToParadox(context);
    else if (toFoxPro)
        transfer::SendTablesToFoxPro(context);
    else if (command == u"delete-foxpro")
        transferwindow::DeleteFoxProTables(context);
    else if (command == u"delete-paradox")
        transferwindow::DeleteParadoxTables(context);
    else
        transferwindow::RenameParadoxTable(context);

    int status = kDone;
    if (context.replacedCharacters > 0)
        print(err, QStringLiteral("%1 character(s) that the target's code page cannot hold were written as \"?\".\n")
                       .arg(context.replacedCharacters));
    for (const auto &box : dialogs.boxes()) {
        QString text = box.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        if (box.kind == ui::ScriptedDialogs::Kind::Message && box.style == ui::vbYesNo) {
            print(err, QStringLiteral("%1 %2\n").arg(text, options.yes ? QStringLiteral("[yes]") : QStringLiteral("[no]")));
        } else if (box.kind == ui::ScriptedDialogs::Kind::Message) {
            print(err, text + u'\n');
            status = kFailed; // every other box is an error report or a refusal
        }
    }
    if ((toParadox || toFoxPro) && !context.outcomes.empty()) {
        bool failed = context.outcomes.size() < size_t(options.tables.size());
        bool notAll = false;
        for (const TableOutcome &outcome : context.outcomes) {
            if (outcome.kind == TableOutcome::Kind::Copied)
                continue;
            failed = failed || outcome.kind == TableOutcome::Kind::Failed;
            notAll = true;
            print(err, QStringLiteral("%1: not copied: %2\n").arg(outcome.table, outcome.reason));
        }
        if (failed)
            status = kFailed;
        else if (notAll)
            status = kNotAll;
    }
    const MemoryTableList &changed = toParadox || command == u"delete-paradox" || command == u"rename" ? paradoxList
                                                                                                      : foxproList;
    for (const QString &name : changed.items())
        print(out, name + u'\n');
    return status;
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: tabwright-cli COMMAND ...\n"
        "\n"
        "  tables --foxpro PATH           list the FoxPro tables (PATH: a .dbc file or a folder)\n"
        "  tables --paradox DIR           list the Paradox tables of DIR and its sub-folders\n"
        "  dump --foxpro PATH TABLE       print a table as canonical JSON Lines\n"
        "  dump --paradox DIR TABLE\n"
        "  copy --to-paradox --foxpro PATH --paradox DIR [--yes] [--work FILE] TABLE...\n"
        "  copy --to-foxpro --paradox DIR --foxpro PATH [--yes] TABLE...\n"
        "                                 copy tables the way the window's send buttons do; the\n"
        "                                 window's questions (overwrite, shorten a name) are\n"
        "                                 answered yes with --yes and no otherwise\n"
        "  delete --foxpro PATH TABLE...  delete tables (Paradox: with their memo and index files)\n"
        "  delete --paradox DIR TABLE...\n"
        "  rename --paradox DIR OLD NEW   give a Paradox table a new name\n"
        "  --help                         show this text\n"
        "\n"
        "copy, delete and rename print the tables of the changed side when done.\n"
        "\n"
        "Exit status: 0 done, 1 failed (the reason on standard error), 2 wrong usage,\n"
        "3 a named table was passed over (--no) or belongs to another database.\n");
}

int runCommand(const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    if (arguments.isEmpty()) {
        print(err, usageText());
        return kUsage;
    }
    QStringList args = arguments;
    const QString command = args.takeFirst();
    try {
        if (command == u"--help" || command == u"-h" || command == u"help") {
            print(out, usageText());
            return kDone;
        }
        if (command == u"tables")
            return tables(args, out, err);
        if (command == u"dump")
            return dump(args, out);
        if (command == u"copy") {
            if (args.isEmpty() || (args[0] != u"--to-paradox" && args[0] != u"--to-foxpro"))
                throw UsageError{QStringLiteral("copy needs --to-paradox or --to-foxpro first")};
            const QString direction = args.takeFirst() == u"--to-paradox" ? QStringLiteral("copy-to-paradox")
                                                                          : QStringLiteral("copy-to-foxpro");
            return change(args, out, err, direction);
        }
        if (command == u"delete") {
            const bool paradox = args.contains(QStringLiteral("--paradox"));
            const bool foxpro = args.contains(QStringLiteral("--foxpro"));
            if (paradox == foxpro)
                throw UsageError{QStringLiteral("delete needs either --foxpro PATH or --paradox DIR")};
            return change(args, out, err, paradox ? QStringLiteral("delete-paradox") : QStringLiteral("delete-foxpro"));
        }
        if (command == u"rename")
            return change(args, out, err, QStringLiteral("rename"));
        throw UsageError{QStringLiteral("unknown command '%1'").arg(command)};
    } catch (const UsageError &error) {
        print(err, QStringLiteral("tabwright-cli: %1\n\n").arg(error.message) + usageText());
        return kUsage;
    } catch (...) {
        print(err, QStringLiteral("tabwright-cli: %1\n").arg(describeFailure(std::current_exception())));
        return kFailed;
    }
}

} // namespace tw::cli
