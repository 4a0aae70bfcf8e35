#include "WorkDbProvider.h"

#include "ParadoxExport.h"
#include "PreparedExport.h"
#include "WorkDatabase.h"
#include "WorkTableCursor.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/files/FileSystem.h"
#include "platform/sql/Parser.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

namespace tw::workdb {

namespace {

using ado::RuntimeError;

constexpr char kParadoxDriverPrefix[] = "Paradox";

// The target folder as messages name it: the statement's folder ends with a
// "\" and may hold both separators; the writer takes either form.
QString targetFolder(QString folder)
{
    while (folder.size() > 1 && files::isSeparator(folder.back()) && !files::isDriveRoot(folder))
        folder.chop(1);
    return QDir::toNativeSeparators(folder.replace(u'\\', u'/'));
}

class WorkSession final : public ado::Session {
public:
    explicit WorkSession(std::shared_ptr<WorkDatabase> database)
        : m_database(std::move(database)), m_prepared(std::make_shared<PreparedExport>(m_database))
    {
    }

    void execute(const QString &text) override
    {
        const sql::Statement statement = sql::parse(text);
        if (const auto *create = std::get_if<sql::CreateTable>(&statement)) {
            std::vector<WorkColumn> columns;
            for (const sql::ColumnDef &def : create->columns)
                columns.push_back(workColumn(def.name, def.typeName, def.typeArgs));
            m_prepared->forget(create->table);
            m_database->createTable(create->table, columns, newTableCodePage());
        } else if (const auto *drop = std::get_if<sql::DropTable>(&statement)) {
            m_prepared->forget(drop->table);
            m_database->dropTable(drop->table);
        } else if (const auto *into = std::get_if<sql::SelectInto>(&statement)) {
            exportTable(*into);
        } else {
            throw RuntimeError(QStringLiteral("The work database cannot run this statement: %1").arg(text.left(200)));
        }
    }

    // The work table keeps the page; the Paradox table it is written out as
    // writes its text in it where Paradox can name it.
    int textPageOfNewTable(int codePage) const override { return exportTextPage(codePage); }

    void prepare(const QString &text, qint64 expectedRows) override
    {
        // Only a Paradox export can start early; anything else runs when executed.
        try {
            const sql::Statement statement = sql::parse(text);
            const auto *into = std::get_if<sql::SelectInto>(&statement);
            if (!into)
                return;
            const std::optional<QString> folder = paradoxFolder(*into);
            const QString table = m_database->findTable(into->source);
            if (folder && !table.isEmpty())
                m_prepared->prepare(table, targetFolder(*folder), into->target, expectedRows, m_replacement);
        } catch (const RuntimeError &) {
            // Executing the statement reports what is wrong with it.
        }
    }

    // The permission goes with every Paradox export from now on; its writer
    // uses it only for the table it names, and only while its drop is held.
    void allowReplacement(std::shared_ptr<ado::TableReplacement> replacement) override
    {
        m_replacement = std::move(replacement);
    }

    void expectRows(const QString &table, qint64 rows) override
    {
        const QString real = m_database->findTable(table);
        if (!real.isEmpty())
            m_prepared->requireRoomFor(real, rows);
    }

    std::unique_ptr<ado::Cursor> openSchema(int schema) override
    {
        if (schema != ado::adSchemaTables)
            throw RuntimeError(QStringLiteral("Schema %1 is not supported by the work database.").arg(schema));
        std::vector<ado::SchemaTable> tables;
        for (const QString &name : m_database->tableNames())
            tables.push_back({name, QStringLiteral("TABLE")});
        return ado::makeTablesSchema(tables);
    }

    std::unique_ptr<ado::Cursor> query(const QString &text, const ado::OpenOptions &options) override
    {
        const sql::Statement statement = sql::parse(text);
        const auto *select = std::get_if<sql::SelectAll>(&statement);
        if (!select)
            throw RuntimeError(QStringLiteral("Only SELECT * FROM a table opens rows here: %1").arg(text.left(200)));
        return std::make_unique<WorkTableCursor>(m_database, m_prepared, select->table, options.wantsUpdates());
    }

private:
    // The folder of a Paradox target; nullopt for any other target.
    static std::optional<QString> paradoxFolder(const sql::SelectInto &into)
    {
        const ado::ConnectionString target = ado::ConnectionString::parse(into.connect);
        const bool paradox = !target.pairs().empty() && target.pairs().front().first.startsWith(
                                                            QLatin1String(kParadoxDriverPrefix), Qt::CaseInsensitive);
        if (!paradox)
            return std::nullopt;
        return target.value(QStringLiteral("Database"));
    }

    void exportTable(const sql::SelectInto &into)
    {
        const std::optional<QString> folder = paradoxFolder(into);
        if (!folder)
            throw RuntimeError(QStringLiteral("Cannot write to '%1': only [Paradox 5.x;Database=folder] targets "
                                              "are known.")
                                   .arg(into.connect));
        const QString source = m_database->requireTable(into.source);
        std::optional<ExportResult> streamed = m_prepared->finish(source, targetFolder(*folder), into.target);
        // A table no row went to (nothing was prepared for it, or its source had none) is written empty.
        const ExportResult result = streamed ? std::move(*streamed)
                                             : exportWithoutRows(exportPlan(*m_database, source), targetFolder(*folder),
                                                                 into.target, m_replacement);
        m_replaced += result.unmappedCharacters;
        m_database->lostValues().merge(result.lost);
    }

public:
    qint64 replacedCharacters() const override { return m_replaced; }
    const ado::LostValues *lostValues() const override { return &m_database->lostValues(); }
    const ado::LostValues *changedValues() const override { return &m_database->changedValues(); }

private:
    std::shared_ptr<WorkDatabase> m_database;
    // Shared with the recordsets the session opens: the rows they add go
    // there when their table's export was prepared.
    std::shared_ptr<PreparedExport> m_prepared;
    qint64 m_replaced = 0;
    // Handed over by the Paradox connection that holds a table's drop.
    std::shared_ptr<ado::TableReplacement> m_replacement;
};

} // namespace

bool WorkDbProvider::accepts(const ado::ConnectionString &cs) const
{
    return cs.valueOr(QStringLiteral("Provider"))
               .trimmed()
               .compare(QLatin1String(kProviderName), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<ado::Session> WorkDbProvider::open(const ado::ConnectionString &cs, const ado::ConnectionOptions &)
{
    const QString path = cs.valueOr(QStringLiteral("Data Source"));
    return std::make_unique<WorkSession>(std::make_shared<WorkDatabase>(path));
}

void registerProvider()
{
    ado::ProviderRegistry::instance().add(std::make_shared<WorkDbProvider>());
}

void createWorkDatabase(const QString &path)
{
    const QString native = files::toNativePath(path);
    sqlite3 *db = nullptr;
    const int rc =
        sqlite3_open_v2(native.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    QString problem;
    if (rc == SQLITE_OK) {
        // Writing the schema cookie turns the empty file into a real database.
        if (sqlite3_exec(db, "PRAGMA user_version=1", nullptr, nullptr, nullptr) != SQLITE_OK)
            problem = QString::fromUtf8(sqlite3_errmsg(db));
    } else {
        problem = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    }
    sqlite3_close(db);
    if (!problem.isEmpty())
        throw RuntimeError(QStringLiteral("Cannot create the work database '%1': %2.").arg(path, problem));
}

} // namespace tw::workdb
