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

namespace tw::cli {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

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
    side.path = args[1];
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
        "  --help                         show this text\n"
        "\n"
        "Exit status: 0 done, 1 failed (the reason on standard error), 2 wrong usage.\n");
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
