#include "ParadoxSession.h"

#include "Companions.h"
#include "TableCursor.h"
#include "TableRows.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/TableReplacement.h"
#include "platform/files/FileSystem.h"
#include "platform/sql/Parser.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tw::paradox {

using tw::ado::RuntimeError;

namespace {

const QString kDbSuffix = QStringLiteral("db");

QString baseName(const QString &name)
{
    QString n = name.trimmed();
    if (n.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        n.chop(3);
    return n;
}

} // namespace

ParadoxSession::ParadoxSession(QString folder) : m_folder(std::move(folder)) {}

QString ParadoxSession::findTable(const QString &name) const
{
    // A table is a file of this folder: a name that reaches elsewhere is no table.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        throw RuntimeError(QStringLiteral("Paradox driver: '%1' is not a valid table name.").arg(name));
    return tw::files::findInFolder(m_folder, baseName(name) + QStringLiteral(".db"), tw::files::EntryKind::File);
}

void ParadoxSession::dropTable(const QString &name)
{
    const QString base = baseName(name);
    const QString db = findTable(base);
    if (db.isEmpty())
        throw RuntimeError(QStringLiteral("Paradox driver: table '%1' does not exist in %2.")
                               .arg(base, QDir::toNativeSeparators(m_folder)));
    if (m_inTransaction) {
        // Held back: a writer handed the permission replaces it when it
        // finishes; the commit deletes it when no writer claimed it (see
        // endTransaction). A second drop of it keeps the first's permission.
        const bool held =
            std::any_of(m_heldDrops.cbegin(), m_heldDrops.cend(), [&](const auto &drop) { return drop->allows(db); });
        if (!held)
            m_heldDrops.push_back(std::make_shared<tw::ado::TableReplacement>(db));
        return;
    }
    removeTable(db);
}

// Deletes a table's .db and companions, to the trash when the connection asks for it.
void ParadoxSession::removeTable(const QString &db)
{
    QStringList doomed{db};
    doomed << companionFiles(db);
    using tw::files::Removal;
    const Removal removal{.way = dropsToTrash() ? Removal::Way::TrashElseForGood : Removal::Way::ForGood,
                          .form = tw::files::PathForm::Real,
                          .missingFails = false};
    for (const QString &path : doomed) {
        tw::files::Disposal gone;
        try {
            gone = tw::files::removeFile(path, removal);
        } catch (const RuntimeError &e) {
            throw RuntimeError(RuntimeError::kPermissionDenied,
                               QStringLiteral("Paradox driver: %1.").arg(e.description()));
        }
        noteRemoved({path, gone.trashedAs});
    }
}

void ParadoxSession::beginTrans()
{
    m_inTransaction = true;
}

void ParadoxSession::commitTrans()
{
    // A held drop no writer claimed was a DROP TABLE of its own: it goes now.
    for (const QString &db : endTransaction())
        if (tw::files::exists(db, tw::files::EntryKind::Any, tw::files::PathForm::Real))
            removeTable(db);
}

void ParadoxSession::rollbackTrans()
{
    endTransaction();
}

std::shared_ptr<tw::ado::TableReplacement> ParadoxSession::heldDrop(const QString &name) const
{
    const QString base = baseName(name);
    for (const auto &drop : m_heldDrops)
        if (drop->open() && QFileInfo(drop->path()).completeBaseName().compare(base, Qt::CaseInsensitive) == 0)
            return drop;
    return nullptr;
}

// A held drop that a writer claimed but did not take leaves the old table
// where it is: the new one never arrived, so dropping it now would lose it.
QStringList ParadoxSession::endTransaction()
{
    QStringList unclaimed;
    for (const auto &drop : std::as_const(m_heldDrops)) {
        if (drop->withdraw())
            unclaimed << drop->path();
    }
    m_heldDrops.clear();
    m_inTransaction = false;
    return unclaimed;
}

ParadoxSession::~ParadoxSession()
{
    endTransaction();
}

void ParadoxSession::execute(const QString &sql)
{
    const tw::sql::Statement statement = tw::sql::parse(sql);
    if (const auto *drop = std::get_if<tw::sql::DropTable>(&statement)) {
        dropTable(drop->table);
        return;
    }
    if (std::holds_alternative<tw::sql::SelectAll>(statement))
        return; // nothing to change
    throw RuntimeError(QStringLiteral("Paradox driver: this statement is not supported: %1").arg(sql.left(80)));
}

std::unique_ptr<tw::ado::Cursor> ParadoxSession::openSchema(int schema)
{
    if (schema != tw::ado::adSchemaTables)
        throw RuntimeError(QStringLiteral("Paradox driver: schema %1 is not supported.").arg(schema));
    std::vector<tw::ado::SchemaTable> tables;
    std::vector<tw::files::DirEntry> entries = tw::files::listDirectory(m_folder, QStringLiteral("*.db"));
    std::sort(entries.begin(), entries.end(), [](const tw::files::DirEntry &a, const tw::files::DirEntry &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    for (const tw::files::DirEntry &entry : entries) {
        const QFileInfo info(entry.name);
        // Names beginning with "~" are temporaries of the writer.
        if ((entry.attributes & tw::files::kAttrDirectory) ||
            info.suffix().compare(kDbSuffix, Qt::CaseInsensitive) != 0 || entry.name.startsWith(QLatin1Char('~')) ||
            info.completeBaseName().isEmpty())
            continue;
        tables.push_back({info.completeBaseName(), QStringLiteral("TABLE")});
    }
    return tw::ado::makeTablesSchema(tables);
}

// Opened for updates or not, the cursor only reads (Jet cannot update an
// unkeyed Paradox table either); AddNew on it is refused.
std::unique_ptr<tw::ado::Cursor> ParadoxSession::query(const QString &sql, const tw::ado::OpenOptions &)
{
    const tw::sql::Statement statement = tw::sql::parse(sql);
    const auto *select = std::get_if<tw::sql::SelectAll>(&statement);
    if (!select)
        throw RuntimeError(
            QStringLiteral("Paradox driver: only SELECT * FROM a table opens a recordset: %1").arg(sql.left(80)));
    const QString path = findTable(select->table);
    if (path.isEmpty())
        throw RuntimeError(QStringLiteral("Paradox driver: table '%1' does not exist in %2.")
                               .arg(baseName(select->table), QDir::toNativeSeparators(m_folder)));
    auto cursor = std::make_unique<TableCursor>(path, readCodePage());
    cursor->setTextKeptAsStored(keepsTextAsStored(cursor->textCodePage()));
    return cursor;
}

std::unique_ptr<tw::ado::RowSource> ParadoxSession::openRows(const QString &table)
{
    const QString path = findTable(table);
    if (path.isEmpty())
        throw RuntimeError(QStringLiteral("Paradox driver: table '%1' does not exist in %2.")
                               .arg(baseName(table), QDir::toNativeSeparators(m_folder)));
    return std::make_unique<TableRows>(path, readCodePage());
}

} // namespace tw::paradox
