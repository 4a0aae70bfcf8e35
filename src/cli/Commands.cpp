#include "Commands.h"

#include "CanonicalDump.h"
#include "Check.h"
#include "Verify.h"
#include "Version.h"
#include "common/ConnectionSettings.h"
#include "common/DisplayPath.h"
#include "common/Steps.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/CodePageGuess.h"
#include "platform/encoding/TextCodec.h"
#include "platform/files/FileSystem.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/ui/Pointer.h"
#include "platform/ui/ScriptedDialogs.h"
#include "sources/Foxpro.h"
#include "sources/OpenProblems.h"
#include "sources/Paradox.h"
#include "transfer/SendToFoxPro.h"
#include "transfer/SendToParadox.h"
#include "transfer/StatementText.h"
#include "transfer/TableCommands.h"
#include "transfer/TransferContext.h"
#include "transfer/WorkDatabaseLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <vector>

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
constexpr int kNotAll = 3; // a named table was passed over (--no), is not ours to replace, or had damaged rows

struct UsageError {
    QString message;
};

void print(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), to);
}

// The code page --codepage names: a number such as 866 or a name such as cp866 or windows-1251.
int codePageOption(const QString &value)
{
    const int page = encoding::codePageFromName(value);
    if (page == 0) {
        QStringList offered;
        for (const int candidate : encoding::CodePageGuess::candidates())
            offered << QString::number(candidate);
        throw UsageError{QStringLiteral("--codepage: '%1' is none of the code pages this program offers (%2)")
                             .arg(value, offered.join(QStringLiteral(", ")))};
    }
    return page;
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
        print(err,
              QString(box.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n') + u'\n');
    return dialogs.boxes().empty() ? kDone : kFailed;
}

// Fills the list from the FoxPro side; when the side does not open, says why
// on a line of its own before the failure goes on.
void listFoxProTables(MemoryTableList &list, const PlainConnectionSettings &settings, std::FILE *err,
                      QStringList *warnings = nullptr)
{
    try {
        FoxproSource::ListFoxProTables(list, FoxproSource::FoxProConnectionString(settings), warnings);
    } catch (...) {
        print(err, FoxproSource::openProblem(settings, describeFailure(std::current_exception())) + u'\n');
        throw;
    }
}

// A Paradox folder that cannot be opened lists no tables: says why.
void reportParadoxFolder(const QString &folder, std::FILE *err)
{
    const QString problem = ParadoxSource::folderOpenProblem(folder);
    if (!problem.isEmpty())
        print(err, problem + u'\n');
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
    if (side.kind == Side::Kind::FoxPro) {
        QStringList warnings;
        listFoxProTables(list, settings, err, &warnings);
        for (const QString &warning : warnings)
            print(err, QStringLiteral("warning: %1\n").arg(warning));
        // An empty folder of a container's tables says where they are.
        if (list.items().isEmpty()) {
            const QString note = FoxproSource::containerFolderNote(settings);
            if (!note.isEmpty())
                print(err, note + u'\n');
        }
    } else {
        reportParadoxFolder(settings.paradox, err);
        ParadoxSource::ListParadoxTables(list, settings, dialogs);
    }
    for (const QString &name : list.items())
        print(out, name + u'\n');
    return reportBoxes(dialogs, err);
}

int dump(QStringList args, std::FILE *out, std::FILE *err)
{
    int codePage = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--codepage")); at >= 0) {
        if (at + 1 >= args.size())
            throw UsageError{QStringLiteral("--codepage needs a value")};
        codePage = codePageOption(args[at + 1]);
        args.remove(at, 2);
    }
    const Side side = takeSide(args);
    if (args.size() != 1)
        throw UsageError{QStringLiteral("expected one table name")};
    const QString table = args[0];
    const PlainConnectionSettings settings = settingsFor(side);
    ado::Connection connection;
    ado::Recordset recordset;
    recordset.CursorLocation = ado::adUseClient;
    connection.setReadCodePage(codePage);
    if (side.kind == Side::Kind::FoxPro) {
        connection.CursorLocation = ado::adUseServer;
        connection.Open(FoxproSource::FoxProConnectionString(settings));
        recordset.Open(QStringLiteral("SELECT * FROM \"") + table + u'"', connection);
    } else {
        connection.CursorLocation = ado::adUseClient;
        connection.Open(ParadoxSource::ParadoxConnectionString(settings.paradox));
        recordset.Open(QStringLiteral("SELECT * FROM `") + table + u'`', connection);
    }
    // What the reader read past in the header, and the rows it set aside as damaged.
    for (const QString &warning : recordset.warnings())
        print(err, QStringLiteral("warning: %1\n").arg(warning));
    if (const ado::DamagedRows *damaged = recordset.damagedRows(); damaged && !damaged->empty()) {
        print(err, QStringLiteral("warning: %1 in %2 place(s) are left out:\n")
                       .arg(damaged->rowsText())
                       .arg(damaged->placeCount()));
        for (const ado::DamagedRow &row : damaged->first())
            print(err, QStringLiteral("  %1\n").arg(ado::DamagedRows::describe(row)));
    }
    writeCanonicalDump(recordset, out);
    // Values the reader could not make sense of are in the dump as null.
    if (const ado::LostValues *lost = recordset.lostValues(); lost && !lost->empty()) {
        print(err,
              QStringLiteral("warning: %1 value(s) could not be read and are shown as null:\n").arg(lost->count()));
        for (const ado::LostValue &value : lost->first())
            print(err, QStringLiteral("  row %1, column %2: %3\n").arg(value.row).arg(value.column, value.value));
    }
    return kDone;
}

// Options shared by the commands that change tables.
struct ChangeOptions {
    Side foxpro;
    Side paradox;
    bool yes = false;
    bool verify = false;
    bool strict = false;
    bool permanent = false;
    bool keepTypes = false;
    int codePage = 0;
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
        } else if (arg == u"--verify") {
            options.verify = true;
        } else if (arg == u"--strict") {
            options.strict = true;
        } else if (arg == u"--permanent") {
            options.permanent = true;
        } else if (arg == u"--keep-types") {
            options.keepTypes = true;
        } else if (arg == u"--codepage") {
            if (args.isEmpty())
                throw UsageError{QStringLiteral("--codepage needs a value")};
            options.codePage = codePageOption(args.takeFirst());
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

// Takes the direction of a copy off args, wherever it stands: "--to paradox",
// "--to-paradox", "--to=paradox" (and the same for foxpro). Returns "paradox"
// or "foxpro".
QString takeDirection(QStringList &args)
{
    const QStringList sides{QStringLiteral("paradox"), QStringLiteral("foxpro")};
    QString direction;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        QString to;
        if (arg == u"--foxpro" || arg == u"--paradox" || arg == u"--work") {
            rest << arg; // its value is a path, whatever it looks like
            if (i + 1 < args.size())
                rest << args[++i];
            continue;
        }
        if (arg == u"--to") {
            if (i + 1 >= args.size())
                throw UsageError{QStringLiteral("--to needs paradox or foxpro")};
            to = args[++i].toLower();
        } else if (arg.startsWith(QStringLiteral("--to-")) || arg.startsWith(QStringLiteral("--to="))) {
            to = arg.mid(5).toLower();
        } else {
            rest << arg;
            continue;
        }
        if (!sides.contains(to))
            throw UsageError{
                QStringLiteral("copy goes --to paradox or --to foxpro, not '%1'").arg(arg == u"--to" ? to : arg)};
        if (!direction.isEmpty() && direction != to)
            throw UsageError{QStringLiteral("copy goes one way: give either --to paradox or --to foxpro")};
        direction = to;
    }
    if (direction.isEmpty())
        throw UsageError{QStringLiteral("copy needs --to paradox or --to foxpro")};
    args = rest;
    return direction;
}

PlainConnectionSettings settingsFor(const ChangeOptions &options)
{
    PlainConnectionSettings settings = settingsFor(options.foxpro);
    settings.paradox = options.paradox.path;
    return settings;
}

// Takes off `tables` those a free-table folder holds but another database
// owns, each with one line saying which; returns how many.
int passOverOtherDatabasesTables(const MemoryTableList &list, const PlainConnectionSettings &settings,
                                 QStringList &tables, std::FILE *err)
{
    if (settings.dbcChosen())
        return 0;
    const QString folder = files::toNativePath(settings.freeTableFolder());
    int passed = 0;
    tables.removeIf([&](const QString &table) {
        for (int i = 0; i < list.count(); ++i)
            if (list.text(i).compare(table, Qt::CaseInsensitive) == 0)
                return false;
        const QString owner = foxpro::containerOwningListedTable(folder, table);
        if (owner.isEmpty())
            return false;
        print(err, QStringLiteral("%1: not copied: it belongs to the database %2; open that database to copy it.\n")
                       .arg(table, owner));
        ++passed;
        return true;
    });
    return passed;
}

// Selects the named entries: the one spelled so, else the one in other
// letter case. A name several entries differ from in letter case only (tables
// whose names differ so, or the Paradox list's capitals) goes in as typed, so
// that the side's lookup by name tells which table it is, or refuses. Throws
// naming the first table the list does not hold.
void selectTables(MemoryTableList &list, const QStringList &tables, const QString &side)
{
    for (const QString &table : tables) {
        int found = -1;
        for (int i = 0; i < list.count() && found < 0; ++i)
            found = list.text(i) == table ? i : -1;
        std::vector<int> alike; // in other letter case, when none is spelled so
        for (int i = 0; i < list.count() && found < 0; ++i) {
            if (list.text(i).compare(table, Qt::CaseInsensitive) == 0)
                alike.push_back(i);
        }
        if (alike.size() == 1) {
            found = alike.front();
        } else if (alike.size() > 1) {
            list.add(table);
            found = list.count() - 1;
        }
        if (found < 0)
            throw ado::RuntimeError(QStringLiteral("The %1 side has no table '%2'.").arg(side, table));
        list.setSelected(found, true);
        list.setCurrentIndex(found);
    }
}

// Opens a table of one side for reading, the way the copy reads its sources.
void openTable(ado::Recordset &recordset, ado::Connection &connection, Side::Kind kind, const QString &table)
{
    recordset.CursorLocation = ado::adUseClient;
    if (kind == Side::Kind::FoxPro)
        recordset.Open(QStringLiteral("SELECT * FROM ") + transfer::DoubleQuoted(table), connection);
    else
        recordset.Open(QStringLiteral("SELECT * FROM ") + transfer::Backticked(table), connection);
}

// Reads every copied table back from the target and compares it with its
// source; prints a line per table verified and the differences of the
// others. Returns kFailed when a table differs or cannot be read.
int verifyCopies(const std::vector<PlannedCopy> &copies, const std::vector<TableOutcome> &outcomes,
                 const PlainConnectionSettings &settings, CopyDirection direction, int readCodePage,
                 transfer::TypeMapping mapping, std::FILE *out, std::FILE *err)
{
    ado::Connection foxpro;
    ado::Connection paradox;
    // Both sides again, their texts read as stored bytes.
    ado::Connection foxproBytes;
    ado::Connection paradoxBytes;
    foxpro.CursorLocation = foxproBytes.CursorLocation = ado::adUseServer;
    paradox.CursorLocation = paradoxBytes.CursorLocation = ado::adUseClient;
    // The sources are read as the copy read them.
    (direction == CopyDirection::ToParadox ? foxpro : paradox).setReadCodePage(readCodePage);
    foxproBytes.setReadCodePage(encoding::TextCodec::kStoredBytes);
    paradoxBytes.setReadCodePage(encoding::TextCodec::kStoredBytes);
    try {
        foxpro.Open(FoxproSource::FoxProConnectionString(settings));
        paradox.Open(ParadoxSource::ParadoxConnectionString(settings.paradox));
        foxproBytes.Open(FoxproSource::FoxProConnectionString(settings));
        paradoxBytes.Open(ParadoxSource::ParadoxConnectionString(settings.paradox));
    } catch (...) {
        const QString reason = describeFailure(std::current_exception());
        for (const PlannedCopy &copy : copies)
            print(err, QStringLiteral("%1: not verified: %2\n").arg(reportName(copy), reason));
        return copies.empty() ? kDone : kFailed;
    }
    const bool toParadox = direction == CopyDirection::ToParadox;
    int status = kDone;
    for (const PlannedCopy &copy : copies) {
        if (copy.outcome == PlannedCopy::Outcome::PassedOver) {
            print(err, QStringLiteral("%1: passed over, not verified\n").arg(copy.source));
            continue;
        }
        // A table the copy did not write is not compared with whatever holds its name.
        const TableOutcome *outcome = nullptr;
        for (const TableOutcome &o : outcomes)
            outcome = o.table == copy.source ? &o : outcome;
        if (copy.outcome == PlannedCopy::Outcome::Written &&
            (!outcome || outcome->kind != TableOutcome::Kind::Copied)) {
            print(err, QStringLiteral("%1: not copied, not verified\n").arg(reportName(copy)));
            status = kFailed;
            continue;
        }
        try {
            ado::Recordset source;
            ado::Recordset target;
            openTable(source, toParadox ? foxpro : paradox, toParadox ? Side::Kind::FoxPro : Side::Kind::Paradox,
                      copy.source);
            openTable(target, toParadox ? paradox : foxpro, toParadox ? Side::Kind::Paradox : Side::Kind::FoxPro,
                      copy.target);
            ado::Recordset sourceBytes;
            ado::Recordset targetBytes;
            openTable(sourceBytes, toParadox ? foxproBytes : paradoxBytes,
                      toParadox ? Side::Kind::FoxPro : Side::Kind::Paradox, copy.source);
            openTable(targetBytes, toParadox ? paradoxBytes : foxproBytes,
                      toParadox ? Side::Kind::Paradox : Side::Kind::FoxPro, copy.target);
            const Verification result =
                compareTables(source, target, direction, mapping,
                              outcome && copy.outcome == PlannedCopy::Outcome::Written ? outcome->notes : CopyNotes{},
                              {&sourceBytes, &targetBytes});
            for (const QString &line : verificationLines(copy, result))
                print(result.ok() ? out : err, line + u'\n');
            if (!result.ok())
                status = kFailed;
        } catch (...) {
            print(err, QStringLiteral("%1: not verified: %2\n")
                           .arg(reportName(copy), describeFailure(std::current_exception())));
            status = kFailed;
        }
    }
    return status;
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
    if (options.verify && !toParadox && !toFoxPro)
        throw UsageError{QStringLiteral("--verify goes with copy only")};
    if (options.strict && !toParadox && !toFoxPro)
        throw UsageError{QStringLiteral("--strict goes with copy only")};
    const bool deleting = command == u"delete-foxpro" || command == u"delete-paradox";
    if (options.codePage != 0 && !toParadox && !toFoxPro)
        throw UsageError{QStringLiteral("--codepage goes with copy only")};
    if (options.keepTypes && !toParadox && !toFoxPro)
        throw UsageError{QStringLiteral("--keep-types goes with copy only")};
    if (options.permanent && !deleting)
        throw UsageError{QStringLiteral("--permanent goes with delete only")};
    if (command == u"rename" && options.tables.size() != 2)
        throw UsageError{QStringLiteral("rename needs the old and the new name")};

    const PlainConnectionSettings settings = settingsFor(options);
    MemoryTableList foxproList;
    MemoryTableList paradoxList;
    ui::ScriptedDialogs dialogs;
    dialogs.setFallback(options.yes ? ui::vbYes : ui::vbNo);
    if (needsFoxPro)
        listFoxProTables(foxproList, settings, err);
    if (needsParadox) {
        reportParadoxFolder(settings.paradox, err);
        ParadoxSource::ListParadoxTables(paradoxList, settings, dialogs);
    }
    const QString foxproSide = QStringLiteral("FoxPro");
    const QString paradoxSide = QStringLiteral("Paradox");
    const int otherDatabases = toParadox ? passOverOtherDatabasesTables(foxproList, settings, options.tables, err) : 0;
    if (otherDatabases > 0 && options.tables.isEmpty())
        return kNotAll;
    if (toParadox || command == u"delete-foxpro")
        selectTables(foxproList, options.tables, foxproSide);
    else if (command == u"rename")
        selectTables(paradoxList, options.tables.mid(0, 1), paradoxSide);
    else
        selectTables(paradoxList, options.tables, paradoxSide);
    if (command == u"rename")
        dialogs.expectText(options.tables[1]);

    const CopyDirection direction = toParadox ? CopyDirection::ToParadox : CopyDirection::ToFoxPro;
    const std::vector<PlannedCopy> copies =
        options.verify ? plannedCopies(toParadox ? foxproList : paradoxList, toParadox ? paradoxList : foxproList,
                                       direction, options.yes)
                       : std::vector<PlannedCopy>();

    ui::PlainPointer pointer;
    NullProgress progress;
    const QString workDatabase =
        options.workDatabase.isEmpty() && toParadox ? transfer::WorkDatabasePath() : options.workDatabase;
    TransferContext context{dialogs, settings, foxproList, paradoxList, pointer, progress, workDatabase, nullptr};
    context.refuseDamagedTables = options.strict;
    context.deletePermanently = options.permanent;
    context.readCodePage = options.codePage;
    context.keepFieldTypes = options.keepTypes;
    if (toParadox)
        transfer::SendTablesToParadox(context);
    else if (toFoxPro)
        transfer::SendTablesToFoxPro(context);
    else if (command == u"delete-foxpro")
        transfer::DeleteFoxProTables(context);
    else if (command == u"delete-paradox")
        transfer::DeleteParadoxTables(context);
    else
        transfer::RenameParadoxTable(context);

    int status = kDone;
    for (const ado::RemovedFile &file : context.removedFiles)
        print(out, file.trashedAs.isEmpty()
                       ? QStringLiteral("%1: deleted for good\n").arg(displayPath(file.path))
                       : QStringLiteral("%1: moved to the trash: %2\n").arg(displayPath(file.path), file.trashedAs));
    if (context.replacedCharacters > 0)
        print(err, QStringLiteral("%1 character(s) that the target's code page cannot hold were written as \"?\".\n")
                       .arg(context.replacedCharacters));
    if (!context.lostValues.empty()) {
        print(err, QStringLiteral("%1 value(s) that could not be read or that the target cannot hold were written as "
                                  "Null:\n")
                       .arg(context.lostValues.count()));
        for (const ado::LostValue &lost : context.lostValues.first())
            print(err, QStringLiteral("  %1, row %2, column %3: %4 (%5)\n")
                           .arg(lost.table)
                           .arg(lost.row)
                           .arg(lost.column, lost.value, lost.reason));
    }
    if (!context.changedValues.empty()) {
        print(err, QStringLiteral("%1 value(s) that the target cannot hold as they are were written changed:\n")
                       .arg(context.changedValues.count()));
        for (const ado::LostValue &changed : context.changedValues.first())
            print(err, QStringLiteral("  %1, row %2, column %3: %4 became %5 (%6)\n")
                           .arg(changed.table)
                           .arg(changed.row)
                           .arg(changed.column, changed.value, changed.after, changed.reason));
    }
    // What each table's source held that could not be copied: damaged rows
    // set aside, and what the reader read past in its header.
    bool damagedRows = false;
    for (const TableOutcome &outcome : context.outcomes) {
        for (const QString &warning : outcome.notes.warnings)
            print(err, QStringLiteral("%1: warning: %2\n").arg(outcome.table, warning));
        const ado::DamagedRows &damaged = outcome.notes.damaged;
        if (damaged.empty())
            continue;
        damagedRows = damagedRows || outcome.kind == TableOutcome::Kind::Copied;
        print(err, QStringLiteral("%1: %2 in %3 place(s) of the source %4:\n")
                       .arg(outcome.table, damaged.rowsText())
                       .arg(damaged.placeCount())
                       .arg(outcome.kind == TableOutcome::Kind::Copied ? QStringLiteral("were set aside, not copied")
                                                                       : QStringLiteral("were found")));
        for (const ado::DamagedRow &row : damaged.first())
            print(err, QStringLiteral("  %1: %2\n").arg(row.table, ado::DamagedRows::describe(row)));
    }
    for (const auto &box : dialogs.boxes()) {
        QString text = box.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        if (box.kind == ui::ScriptedDialogs::Kind::Message && box.style == ui::vbYesNo) {
            print(err,
                  QStringLiteral("%1 %2\n").arg(text, options.yes ? QStringLiteral("[yes]") : QStringLiteral("[no]")));
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
        else if (notAll || damagedRows)
            status = kNotAll;
    }
    if (otherDatabases > 0 && status == kDone)
        status = kNotAll;
    // A copied table that differs from its source (or a kept one that does) is a failure.
    if (options.verify &&
        verifyCopies(copies, context.outcomes, settings, direction, options.codePage,
                     options.keepTypes ? transfer::TypeMapping::KeepTypes : transfer::TypeMapping::Copies, out,
                     err) == kFailed)
        status = kFailed;
    const MemoryTableList &changed =
        toParadox || command == u"delete-paradox" || command == u"rename" ? paradoxList : foxproList;
    for (const QString &name : changed.items())
        print(out, name + u'\n');
    return status;
}

// Says what a copy would do to each table, changing nothing.
int check(QStringList args, std::FILE *out, std::FILE *err)
{
    CheckOptions options;
    Side foxpro;
    Side paradox;
    bool directed = false;
    for (const QString &arg : args)
        directed = directed || arg == u"--to" || arg.startsWith(QStringLiteral("--to-")) ||
                   arg.startsWith(QStringLiteral("--to="));
    if (directed)
        options.direction = takeDirection(args) == u"paradox" ? CopyDirection::ToParadox : CopyDirection::ToFoxPro;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--foxpro" || arg == u"--paradox" || arg == u"--codepage") {
            if (args.isEmpty())
                throw UsageError{QStringLiteral("%1 needs a value").arg(arg)};
            const QString value = args.takeFirst();
            if (arg == u"--foxpro")
                foxpro = {Side::Kind::FoxPro, absolutePath(value)};
            else if (arg == u"--paradox")
                paradox = {Side::Kind::Paradox, absolutePath(value)};
            else
                options.codePage = codePageOption(value);
        } else if (arg == u"--json") {
            options.json = true;
        } else if (arg == u"--keep-types") {
            options.keepTypes = true;
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
    if (foxpro.kind == Side::Kind::None && paradox.kind == Side::Kind::None)
        throw UsageError{QStringLiteral("check needs --foxpro PATH or --paradox DIR")};
    if (options.direction && (foxpro.kind == Side::Kind::None || paradox.kind == Side::Kind::None))
        throw UsageError{QStringLiteral("check --to %1 needs --foxpro PATH and --paradox DIR")
                             .arg(options.direction == CopyDirection::ToParadox ? QStringLiteral("paradox")
                                                                                : QStringLiteral("foxpro"))};
    if (options.keepTypes && !options.direction)
        throw UsageError{QStringLiteral("check --keep-types needs --to paradox or --to foxpro")};
    PlainConnectionSettings settings =
        foxpro.kind == Side::Kind::None ? PlainConnectionSettings() : settingsFor(foxpro);
    settings.paradox = paradox.path;
    const std::vector<TableCheck> checks = checkTables(settings, options, err);
    if (options.json)
        print(out, QString::fromUtf8(QJsonDocument(checkJson(checks)).toJson(QJsonDocument::Indented)));
    else
        print(out, checkReport(checks));
    bool whole = true;
    for (const TableCheck &c : checks) {
        if (!c.problem.isEmpty())
            return kFailed;
        whole = whole && c.whole();
    }
    return whole ? kDone : kNotAll;
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: tabwright-cli COMMAND ...\n"
        "\n"
        "  tables --foxpro PATH           list the FoxPro tables (PATH: a .dbc file or a folder)\n"
        "  tables --paradox DIR           list the Paradox tables of DIR and its sub-folders\n"
        "  dump --foxpro PATH TABLE       print a table as canonical JSON Lines (--codepage CP reads\n"
        "                                 it in that code page)\n"
        "  dump --paradox DIR TABLE\n"
        "  check --foxpro PATH --paradox DIR [--to paradox|--to foxpro] [--yes|--no]\n"
        "                                 [--keep-types] [--codepage CP] [--json] [TABLE...]\n"
        "                                 read each table in full and say what a copy would do,\n"
        "                                 changing nothing: format, rows, code page (with the three\n"
        "                                 best guesses when the mark is missing or doubtful), memo\n"
        "                                 file, damaged rows and values; with a direction each\n"
        "                                 column's target name and type, the values a copy would lose\n"
        "                                 or change, the target's size and whether it exists. Without\n"
        "                                 TABLE every table of the source side (both sides without a\n"
        "                                 direction)\n"
        "  copy --to paradox --foxpro PATH --paradox DIR [--yes|--no] [--work FILE] [--verify]\n"
        "                                 [--strict] [--keep-types] [--codepage CP] TABLE...\n"
        "  copy --to foxpro --paradox DIR --foxpro PATH [--yes|--no] [--verify] [--strict]\n"
        "                                 [--keep-types] [--codepage CP] TABLE...\n"
        "                                 copy tables the way the window's send buttons do\n"
        "  delete --foxpro PATH [--permanent] TABLE...\n"
        "                                 delete tables with their memo and index files: they go to\n"
        "                                 the system's trash where their volume has one; prints where\n"
        "                                 each file went\n"
        "  delete --paradox DIR [--permanent] TABLE...\n"
        "  rename --paradox DIR OLD NEW   give a Paradox table a new name\n"
        "  --help, -h, help               show this text\n"
        "  --version                      show the program's version\n"
        "\n"
        "Options:\n"
        "  --foxpro PATH                  the FoxPro side: a database container (.dbc) or a folder\n"
        "                                 of free tables\n"
        "  --paradox DIR                  the Paradox side: a folder (and its sub-folders)\n"
        "  --to paradox, --to-paradox     copy from FoxPro to Paradox\n"
        "  --to foxpro, --to-foxpro       copy from Paradox to FoxPro\n"
        "  --yes                          answer yes to the window's questions: overwrite a table of\n"
        "                                 the same name, cut a Paradox name to 8 characters\n"
        "  --no                           answer no to them, passing such tables over (the default)\n"
        "  --work FILE                    the work database a copy to Paradox goes through (default:\n"
        "                                 dbtemp.mdb beside the program, else in the user's data folder)\n"
        "  --permanent                    delete for good rather than to the trash\n"
        "  --codepage CP                  read the source tables in code page CP (866, 1251, cp437,\n"
        "                                 windows-1250, gbk, ...) whatever their marks say; a copy\n"
        "                                 marks its target with it\n"
        "  --keep-types                   each field becomes the other format's own field of the\n"
        "                                 same kind (text A(n) or C(n), numbers, money, logicals,\n"
        "                                 dates, timestamps...) instead of the copies' memos\n"
        "  --json                         check prints one JSON document instead of text\n"
        "  --strict                       refuse a table whose source has damaged rows instead of\n"
        "                                 copying its whole rows without them (exit 1 for it)\n"
        "  --verify                       after the copy, read each table back from the target and\n"
        "                                 compare it with its source value by value, by meaning across\n"
        "                                 the type change; prints \"TABLE: verified: N rows, M values\"\n"
        "                                 or the first 5 differences (on standard error). A table kept\n"
        "                                 because --no declined overwriting it is compared as it is\n"
        "\n"
        "copy, delete and rename print the tables of the changed side when done.\n"
        "\n"
        "Exit status: 0 done, 1 failed or a verified table differs (the reason on standard\n"
        "error), 2 wrong usage, 3 a named table was passed over (--no) or belongs to another\n"
        "database, or a copied table's source had damaged rows that were left out; for check:\n"
        "0 every table would arrive whole, 3 something would be lost, changed, left out or\n"
        "refused, 1 a table could not be read.\n");
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
        if (command == u"--version") {
            print(out, QStringLiteral("tabwright-cli %1\n").arg(QLatin1String(kVersion)));
            return kDone;
        }
        if (command == u"tables")
            return tables(args, out, err);
        if (command == u"dump")
            return dump(args, out, err);
        if (command == u"check")
            return check(args, out, err);
        if (command == u"copy") {
            const QString direction = takeDirection(args);
            return change(args, out, err, QStringLiteral("copy-to-") + direction);
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
