#include "FoxProSession.h"

#include "TableCursor.h"
#include "TableReader.h"
#include "TableRows.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/sql/Parser.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace tw::foxpro {

using ado::RuntimeError;
using ado::Variant;

namespace {

// Table paths as the session keeps and compares them: the form QFileInfo
// gives, "/" between components. The file layer's lookups give the system's
// own separator, which on Windows is "\\"; one form for both keeps a table
// the same table to the writers, held drops and held creates.
QString sessionPath(const QString &path)
{
    return QDir::fromNativeSeparators(path);
}

constexpr size_t kMaxOpenWriters = 64;

bool looksLikePath(const QString &name)
{
    return name.contains('/') || name.contains('\\') || name.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive);
}

// How a folder's listing takes a .dbf, from its header only.
enum class Listing {
    FreeTable,      // listed; a header that cannot be read is listed too, and opening it says why
    ContainerTable, // its backlink names a container that is there: that container lists it
    NotOpened,      // a table type FoxPro does not open (dBase 7): left out
};

// The header of a .dbf, read on its own; nullopt when it cannot be read.
// `notOpened` is set for a table type FoxPro does not open.
std::optional<DbfHeader> headerOf(const QString &path, bool *notOpened = nullptr)
{
    try {
        RawFile file(path, RawFile::Mode::Read);
        const qint64 size = file.size();
        QByteArray first(dbf::kHeaderSize, Qt::Uninitialized);
        first.truncate(file.readAt(0, first.data(), first.size()));
        if (!first.isEmpty() && notOpened) {
            const FileTypeInfo *info = fileTypeInfo(uint8_t(first[dbf::kOffType]));
            *notOpened = info && !info->opens;
            if (*notOpened)
                return std::nullopt;
        }
        const int length = DbfHeader::headerLengthOf(first, file.name());
        QByteArray head(std::min<qint64>(length, size), Qt::Uninitialized);
        head.truncate(file.readAt(0, head.data(), head.size()));
        return DbfHeader::decode(head, file.name(), size);
    } catch (const RuntimeError &) {
        return std::nullopt;
    }
}

// Where a table's backlink leads.
struct Owner {
    QString named; // the container's file name as the backlink gives it; empty for a free table
    QString path;  // the container's real path; empty when it is not there
};

// The backlink is a path from the table's folder ("DATA.DBC",
// "..\DATA\DATA.DBC"), in Windows' letter case rules; a path from a drive
// root or one that leads nowhere is looked for by its name in the table's
// folder, where a moved database usually is.
Owner ownerOf(const QString &dbfPath, const QByteArray &backlink)
{
    Owner owner;
    QString text = QString::fromLatin1(backlink).trimmed();
    text.replace(u'\\', u'/');
    owner.named = files::fileName(text);
    if (owner.named.isEmpty())
        return owner;
    const QString folder = QFileInfo(dbfPath).absolutePath();
    const bool rooted = text.startsWith(u'/') || (text.size() > 1 && text[1] == u':');
    if (!rooted) {
        const QString resolved = files::toNativePath(folder + u'/' + text);
        const QFileInfo where(resolved);
        const QString found = files::findInFolder(where.absolutePath(), where.fileName(), files::EntryKind::File);
        if (!found.isEmpty()) {
            owner.path = found;
            return owner;
        }
    }
    owner.path = files::findInFolder(folder, owner.named, files::EntryKind::File);
    return owner;
}

std::optional<Owner> ownerOf(const QString &dbfPath)
{
    const auto header = headerOf(dbfPath);
    if (!header)
        return std::nullopt;
    return ownerOf(dbfPath, header->backlink);
}

// The line that tells a table's backlink names a container that is not there.
QString missingContainerWarning(const QString &dbfPath, const Owner &owner)
{
    return QStringLiteral("%1 names the database %2, which is not there; it is read as a free table.")
        .arg(QFileInfo(dbfPath).fileName(), owner.named);
}

Listing listingOf(const QString &path, QStringList &warnings)
{
    bool notOpened = false;
    const auto header = headerOf(path, &notOpened);
    if (notOpened)
        return Listing::NotOpened;
    if (!header || header->backlink.isEmpty())
        return Listing::FreeTable;
    const Owner owner = ownerOf(path, header->backlink);
    if (owner.named.isEmpty())
        return Listing::FreeTable;
    if (owner.path.isEmpty()) {
        warnings << missingContainerWarning(path, owner);
        return Listing::FreeTable;
    }
    warnings << QStringLiteral("%1 belongs to the database %2 and is left out; open that database to use it.")
                    .arg(QFileInfo(path).fileName(), QFileInfo(owner.path).fileName());
    return Listing::ContainerTable;
}

NewField fieldOf(const sql::ColumnDef &column)
{
    struct TypeName {
        const char *name;
        char type;
        // Size arguments the type takes: 0, 1 (length), 2 (length, decimals), or
        // kShownDecimals: B(d), whose one argument is the decimals Visual FoxPro
        // shows (it keeps the whole double).
        int args;
    };
    constexpr int kShownDecimals = 3;
    static const TypeName kTypes[] = {
        {"M", 'M', 0},
        {"MEMO", 'M', 0},
        {"BLOB", 'W', 0},
        {"W", 'W', 0},
        {"G", 'G', 0},
        {"GENERAL", 'G', 0},
        {"I", 'I', 0},
        {"INT", 'I', 0},
        {"INTEGER", 'I', 0},
        {"B", 'B', kShownDecimals},
        {"DOUBLE", 'B', kShownDecimals},
        {"Y", 'Y', 0},
        {"CURRENCY", 'Y', 0},
        {"D", 'D', 0},
        {"DATE", 'D', 0},
        {"T", 'T', 0},
        {"DATETIME", 'T', 0},
        {"L", 'L', 0},
        {"LOGICAL", 'L', 0},
        {"C", 'C', 1},
        {"CHAR", 'C', 1},
        {"CHARACTER", 'C', 1},
        {"V", 'V', 1},
        {"VARCHAR", 'V', 1},
        {"Q", 'Q', 1},
        {"VARBINARY", 'Q', 1},
        {"N", 'N', 2},
        {"NUMERIC", 'N', 2},
        {"DECIMAL", 'N', 2},
        {"F", 'F', 2},
        {"FLOAT", 'F', 2},
    };
    const QString type = column.typeName.toUpper();
    for (const TypeName &t : kTypes) {
        if (type != QLatin1String(t.name))
            continue;
        const size_t given = column.typeArgs.size();
        if ((t.args == 0 && given != 0) || (t.args == 1 && given != 1) || (t.args == 2 && (given < 1 || given > 2)) ||
            (t.args == kShownDecimals && given > 1))
            break;
        NewField f;
        f.name = column.name;
        f.type = t.type;
        if (t.args == kShownDecimals && given == 1)
            f.decimals = column.typeArgs[0];
        if (t.args == 1 || t.args == 2)
            f.length = column.typeArgs[0];
        if (t.args == 2 && given == 2)
            f.decimals = column.typeArgs[1];
        f.nullable = column.nullable.value_or(false);
        if (column.autoIncrement && f.type != 'I')
            throw RuntimeError(
                QStringLiteral("CREATE TABLE: column '%1' is AUTOINC, which only an I column is.").arg(column.name));
        f.autoIncrement = column.autoIncrement;
        f.nextValue = column.nextValue;
        f.step = int(std::clamp<qint64>(column.step, 0, std::numeric_limits<int>::max()));
        return f;
    }
    throw RuntimeError(QStringLiteral("CREATE TABLE: column '%1' has the type %2, which FoxPro tables are not "
                                      "created with here.")
                           .arg(column.name, column.typeName));
}

Variant valueOf(sql::Literal &literal)
{
    switch (literal.kind) {
    case sql::Literal::Kind::Null:
        return Variant::null();
    case sql::Literal::Kind::Date:
    case sql::Literal::Kind::DateTime:
    case sql::Literal::Kind::Logical:
    case sql::Literal::Kind::EmptyDate: // Empty: the field's blank, not Null
        return std::move(literal.value);
    case sql::Literal::Kind::String:
    case sql::Literal::Kind::Number:
        break;
    }
    // Strings and numbers alike are text.
    return Variant::text(std::move(literal.text));
}

// True when the real path `path` is the folder `folder` or lies below it, by
// its text once "." and ".." are resolved.
bool isInside(const QString &path, const QString &folder)
{
    const QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString f = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!f.endsWith(u'/'))
        f += u'/';
    return p.startsWith(f);
}

// A file of a table, deleted for good; nothing when it is not there.
constexpr files::Removal kTableFile{.form = files::PathForm::Real, .missingFails = false};

void removeCompanions(const QString &dbfPath)
{
    for (const char *ext : {".fpt", ".cdx"}) {
        const QString path = findCompanion(dbfPath, QLatin1String(ext));
        if (!path.isEmpty())
            files::removeFile(path, kTableFile);
    }
}

const QStringList kTempSuffixes = {QStringLiteral("dbf"), QStringLiteral("fpt"), QStringLiteral("cdx")};

// The name a table built under a temporary name goes by in its writer's
// messages: the one it gets (a user never sees the temporary's).
QString shownNameOf(const QString &temp, const QString &target)
{
    return QFileInfo(target).completeBaseName() + u'.' + QFileInfo(temp).suffix();
}

} // namespace

QString owningContainer(const QString &path)
{
    const auto owner = ownerOf(path);
    if (!owner || owner->path.isEmpty())
        return {}; // a free table, or one whose container is not there, which is read as free
    return owner->named.toUpper();
}

QStringList columnNamesFor(const QStringList &names, int codePage)
{
    encoding::NameRule rule = fieldNameRule();
    rule.upperCase = false;
    return encoding::fitNames(names, rule, codecOfMark(markForNewTable(codePage)));
}

int FoxProSession::textPageOfNewTable(int codePage) const
{
    return codecOfMark(markForNewTable(codePage)).codePage();
}

QString FoxProSession::containerOwning(const QString &path) const
{
    return owningContainer(path);
}

QString containerOwningListedTable(const QString &folder, const QString &name)
{
    const QString path = files::findInFolder(folder, name + QStringLiteral(".dbf"), files::EntryKind::File);
    return path.isEmpty() ? QString() : owningContainer(path);
}

FoxProSession::FoxProSession(const QString &source) : m_source(source)
{
    if (source.isEmpty())
        throw RuntimeError(RuntimeError::kPathNotFound,
                           QStringLiteral("The FoxPro connection names no Data Source (a .dbc file or a folder)."));
    const QString native = files::toNativePath(source);
    const QFileInfo info(native);
    if (files::isDirectory(native)) {
        m_folder = info.absoluteFilePath();
    } else if (files::exists(native, files::EntryKind::File) &&
               info.suffix().compare(QLatin1String("dbc"), Qt::CaseInsensitive) == 0) {
        m_containerPath = info.absoluteFilePath();
        m_folder = info.absolutePath();
        loadContainer(); // a damaged container fails here, naming the file
    } else {
        throw RuntimeError(RuntimeError::kPathNotFound,
                           QStringLiteral("Cannot open the FoxPro data source %1: it is neither a database container "
                                          "(.dbc) nor a folder.")
                               .arg(source));
    }
}

FoxProSession::~FoxProSession()
{
    if (m_inTransaction) {
        try {
            rollbackTrans();
        } catch (...) {
            // the temporaries stay for the next writer in the folder to delete
        }
    }
}

std::optional<Container> FoxProSession::loadContainer() const
{
    if (m_containerPath.isEmpty())
        return std::nullopt;
    return Container(m_containerPath);
}

void FoxProSession::missing(const QString &name) const
{
    throw RuntimeError(
        QStringLiteral("Table '%1' does not exist in %2.").arg(name, isContainer() ? m_containerPath : m_folder));
}

FoxProSession::Resolved FoxProSession::resolve(const QString &name, const std::optional<Container> &container) const
{
    if (container) {
        if (auto entry = container->findTable(name))
            return {sessionPath(container->tablePath(*entry)), entry};
        for (const QString &view : container->views())
            if (view.compare(name, Qt::CaseInsensitive) == 0)
                throw RuntimeError(QStringLiteral("'%1' is a view of %2; the FoxPro provider reads tables only.")
                                       .arg(name, m_containerPath));
    }
    if (!isContainer()) {
        // A name as the folder lists it is the file of that name in the folder,
        // even when it holds characters that would read as a path.
        const QString listed = files::findInFolder(m_folder, name + ".dbf", files::EntryKind::File);
        if (!listed.isEmpty())
            return {sessionPath(listed), std::nullopt};
    }
    QString candidate;
    if (looksLikePath(name)) {
        candidate = pathForNewTable(name);
    } else if (!isContainer()) {
        candidate = files::toNativePath(m_folder + '/' + name + ".dbf");
    }
    if (!candidate.isEmpty() && files::exists(candidate, files::EntryKind::File)) {
        const QString absolute = QFileInfo(candidate).absoluteFilePath();
        if (container) {
            for (const auto &t : container->tables())
                if (QFileInfo(container->tablePath(t)).absoluteFilePath() == absolute)
                    return {absolute, t};
        }
        return {absolute, std::nullopt};
    }
    missing(name);
}

QString FoxProSession::pathForNewTable(const QString &name) const
{
    QString text = name;
    const bool absolute = !text.isEmpty() && (files::isSeparator(text.front()) || (text.size() > 1 && text[1] == ':'));
    if (!absolute)
        text = m_folder + '/' + text;
    QString native = files::toNativePath(text);
    if (QFileInfo(native).suffix().isEmpty())
        native = files::toNativePath(text + ".dbf");
    return QFileInfo(native).absoluteFilePath();
}

void FoxProSession::execute(const QString &sql)
{
    sql::Statement statement = sql::parse(sql);
    if (auto *create = std::get_if<sql::CreateTable>(&statement))
        createTable(*create);
    else if (auto *ins = std::get_if<sql::Insert>(&statement))
        insert(*ins);
    else if (auto *drop = std::get_if<sql::DropTable>(&statement))
        dropTable(*drop);
    else
        throw RuntimeError(QStringLiteral("The FoxPro provider runs CREATE TABLE, INSERT and DROP TABLE; "
                                          "open a SELECT as a recordset."));
}

std::unique_ptr<ado::Cursor> FoxProSession::openSchema(int schema)
{
    if (schema != ado::adSchemaTables)
        throw RuntimeError(
            QStringLiteral("The FoxPro provider lists only tables (schema 20), not schema %1.").arg(schema));
    std::vector<ado::SchemaTable> rows;
    if (const auto container = loadContainer()) {
        for (const auto &t : container->tables())
            rows.push_back({t.name, QStringLiteral("TABLE")});
        for (const QString &v : container->views())
            rows.push_back({v, QStringLiteral("VIEW")});
        return ado::makeTablesSchema(rows);
    }
    std::vector<files::DirEntry> entries = files::listDirectory(m_folder, QStringLiteral("*.dbf"));
    std::sort(entries.begin(), entries.end(), [](const files::DirEntry &a, const files::DirEntry &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    QStringList warnings;
    for (const files::DirEntry &e : entries) {
        if ((e.attributes & files::kAttrDirectory) || files::isTempName(e.name))
            continue;
        if (listingOf(m_folder + '/' + e.name, warnings) != Listing::FreeTable)
            continue; // a container's table, or one FoxPro does not open
        rows.push_back({QFileInfo(e.name).completeBaseName(), QStringLiteral("TABLE")});
    }
    return ado::makeTablesSchema(rows, warnings);
}

std::unique_ptr<TableReader> FoxProSession::openReader(const QString &name, QStringList &names,
                                                       QStringList &warnings) const
{
    const auto container = loadContainer();
    const Resolved table = resolve(name, container);
    auto reader = std::make_unique<TableReader>(table.path, readCodePage());
    reader->setTextKeptAsStored(keepsTextAsStored(reader->codec().codePage()));
    if (table.entry) {
        // The long names are the container's; they go only to the file that is its table.
        container->checkTableFile(*table.entry, reader->header(), reader->fileName());
        QStringList stored;
        for (const DbfField &f : reader->header().fields)
            if (!f.isNullFlags())
                stored << f.name;
        names = container->columnNames(table.entry->objectId, stored);
    }
    if (!table.entry && !reader->header().backlink.isEmpty()) {
        const Owner owner = ownerOf(table.path, reader->header().backlink);
        if (!owner.named.isEmpty() && owner.path.isEmpty())
            warnings << missingContainerWarning(table.path, owner);
        else if (!owner.path.isEmpty())
            warnings << QStringLiteral("%1 belongs to the database %2; it is read without the database's names.")
                            .arg(QFileInfo(table.path).fileName(), QFileInfo(owner.path).fileName());
    }
    return reader;
}

std::unique_ptr<ado::RowSource> FoxProSession::openRows(const QString &table)
{
    QStringList names, warnings;
    auto reader = openReader(table, names, warnings);
    return std::make_unique<TableRows>(std::move(reader), names, warnings);
}

std::unique_ptr<ado::Cursor> FoxProSession::query(const QString &sql, const ado::OpenOptions &)
{
    const sql::Statement statement = sql::parse(sql);
    const auto *select = std::get_if<sql::SelectAll>(&statement);
    if (!select)
        throw RuntimeError(QStringLiteral("The FoxPro provider opens only SELECT * FROM a table as a recordset."));
    QStringList names, warnings;
    auto reader = openReader(select->table, names, warnings);
    return std::make_unique<TableCursor>(std::move(reader), names, warnings);
}

TableWriter &FoxProSession::writerFor(const QString &path)
{
    auto it = m_writers.find(path);
    if (it != m_writers.end())
        return *it->second;
    if (m_writers.size() >= kMaxOpenWriters)
        closeWriter(m_writers.begin()->first);
    const HeldCreate *held = heldCreateFor(path);
    auto writer = held ? TableWriter::openForAppend(held->temp, QStringLiteral(".fpt"), shownNameOf(held->temp, path))
                       : TableWriter::openForAppend(path);
    writer->setBuffered(held != nullptr);
    writer->noteChanges(&m_lost, &m_changed);
    return *m_writers.emplace(path, std::move(writer)).first->second;
}

void FoxProSession::closeWriter(QString path, bool keep)
{
    auto it = m_writers.find(path);
    if (it == m_writers.end())
        return;
    m_lastInsertTable.clear();
    m_lastInsertWriter = nullptr;
    m_replaced[path] += it->second->replacedCharacters();
    std::unique_ptr<TableWriter> writer = std::move(it->second);
    m_writers.erase(it);
    for (auto target = m_insertTargets.begin(); target != m_insertTargets.end();)
        target = target.value() == path ? m_insertTargets.erase(target) : std::next(target);
    // What a buffered writer still holds reaches the disk here, or the failure is told.
    if (keep)
        writer->flush();
    else
        writer->abandon();
}

void FoxProSession::closeWriters()
{
    while (!m_writers.empty())
        closeWriter(m_writers.begin()->first);
}

qint64 FoxProSession::replacedCharacters(const QString &table) const
{
    QString path;
    try {
        path = resolve(table, loadContainer()).path;
    } catch (const RuntimeError &) {
        return 0;
    }
    qint64 total = m_replaced.value(path);
    auto it = m_writers.find(path);
    if (it != m_writers.end())
        total += it->second->replacedCharacters();
    return total;
}

qint64 FoxProSession::replacedCharacters() const
{
    qint64 total = 0;
    for (const qint64 count : m_replaced)
        total += count;
    for (const auto &[path, writer] : m_writers)
        total += writer->replacedCharacters();
    return total;
}

void FoxProSession::createTable(const sql::CreateTable &statement)
{
    const QString path = pathForNewTable(statement.table);
    // From here a drop of the name held in this transaction was for a new
    // table: it stays withdrawn unless that table arrives (see commitTrans).
    for (HeldDrop &drop : m_heldDrops)
        drop.claimed = drop.claimed || drop.path == path;
    std::vector<NewField> fields;
    QStringList longNames;
    for (const sql::ColumnDef &column : statement.columns) {
        fields.push_back(fieldOf(column));
        longNames << column.name;
    }
    if (!isInside(path, m_folder))
        throw RuntimeError(RuntimeError::kPermissionDenied,
                           QStringLiteral("CREATE TABLE %1: the table would lie outside the FoxPro folder %2; "
                                          "it is not created.")
                               .arg(statement.table, m_folder));
    auto container = loadContainer();
    const QString tableName = QFileInfo(path).completeBaseName();
    const QByteArray backlink = container ? backlinkFor(path, container->path()) : QByteArray();
    CreateOptions options;
    options.backlink = backlink;
    options.codePageMark = markForNewTable(newTableCodePage());
    if (m_inTransaction) {
        // Built under a temporary name; what stands under the name now stays
        // until the commit, and only when it was dropped in this transaction.
        if (heldCreateFor(path))
            throw RuntimeError(ado::kErrFileExists,
                               QStringLiteral("Cannot create the table %1: it was already created.").arg(path));
        if (container) {
            const auto entry = container->findTable(tableName);
            if (entry && !isHeldDrop(sessionPath(container->tablePath(*entry))))
                throw RuntimeError(ado::kErrFileExists,
                                   QStringLiteral("Cannot create the table %1: %2 already has a table named '%3'.")
                                       .arg(path, container->fileName(), tableName));
        }
        const bool replacing = isHeldDrop(path);
        for (const char *ext : {".dbf", ".fpt"}) {
            const QString existing = findCompanion(path, QLatin1String(ext));
            if (!existing.isEmpty() && !replacing)
                throw RuntimeError(ado::kErrFileExists, QStringLiteral("Cannot create the table %1: %2 already exists.")
                                                            .arg(path, QFileInfo(existing).fileName()));
        }
        files::StagedTable staged(QFileInfo(path).absolutePath(), kTempSuffixes);
        const QString temp = staged.mainTemp();
        options.shownName = shownNameOf(temp, path);
        auto writer = TableWriter::create(temp, fields, options);
        writer->noteChanges(&m_lost, &m_changed);
        if (!staged.hold())
            throw RuntimeError(
                RuntimeError::kPermissionDenied,
                QStringLiteral("Cannot create the table %1: its temporary file cannot be locked.").arg(path));
        // Nobody else writes a temporary, and it counts only once whole: it is
        // written in large pieces.
        writer->setBuffered(true);
        HeldCreate held{path, temp, tableName, longNames, std::move(staged)};
        closeWriter(path);
        if (m_writers.size() >= kMaxOpenWriters)
            closeWriter(m_writers.begin()->first);
        m_writers.emplace(path, std::move(writer));
        m_heldCreates.push_back(std::move(held));
        return;
    }
    if (container && container->findTable(tableName))
        throw RuntimeError(ado::kErrFileExists,
                           QStringLiteral("Cannot create the table %1: %2 already has a table named '%3'.")
                               .arg(path, container->fileName(), tableName));
    auto writer = TableWriter::create(path, fields, options);
    writer->noteChanges(&m_lost, &m_changed);
    if (container) {
        try {
            container->addTable(tableName, path, longNames);
        } catch (...) {
            writer.reset();
            files::removeFile(path, {.form = files::PathForm::Real, .missingFails = false, .throws = false});
            removeCompanions(path);
            throw;
        }
    }
    closeWriter(path);
    if (m_writers.size() >= kMaxOpenWriters)
        closeWriter(m_writers.begin()->first);
    m_writers.emplace(path, std::move(writer));
}

void FoxProSession::insert(sql::Insert &statement)
{
    m_insertValues.clear();
    m_insertValues.reserve(statement.values.size());
    for (sql::Literal &literal : statement.values)
        m_insertValues.push_back(valueOf(literal));
    appendRow(statement.table, m_insertValues);
    m_insertValues.clear();
}

void FoxProSession::insertRow(const QString &table, std::vector<ado::Variant> &values, const std::function<QString()> &)
{
    appendRow(table, values);
}

void FoxProSession::appendRow(const QString &table, const std::vector<ado::Variant> &values)
{
    const bool sameAsLast = m_lastInsertWriter && table == m_lastInsertTable;
    TableWriter *writer = sameAsLast ? m_lastInsertWriter : nullptr;
    const QString path = sameAsLast ? QString() : insertPath(table);
    if (!writer)
        writer = &writerFor(path);
    writer->append(values);
    if (!sameAsLast) {
        m_insertTargets.insert(table, path);
        m_lastInsertTable = table;
        m_lastInsertWriter = writer;
    }
}

QString FoxProSession::insertPath(const QString &table) const
{
    QString path = m_insertTargets.value(table);
    if (!path.isEmpty() && m_writers.count(path))
        return path;
    const QString direct = looksLikePath(table) ? pathForNewTable(table) : QString();
    if (!direct.isEmpty() &&
        (m_writers.count(direct) || std::any_of(m_heldCreates.begin(), m_heldCreates.end(),
                                                [&](const HeldCreate &held) { return held.target == direct; })))
        return direct;
    return resolve(table, loadContainer()).path;
}

void FoxProSession::expectRows(const QString &table, qint64 rows)
{
    writerFor(insertPath(table)).requireRoomFor(rows);
}

void FoxProSession::dropTable(const sql::DropTable &statement)
{
    if (m_inTransaction) {
        // A table created in this transaction goes with its temporary.
        const QString direct = pathForNewTable(statement.table);
        for (const HeldCreate &held : m_heldCreates)
            if (held.target == direct || held.tableName.compare(statement.table, Qt::CaseInsensitive) == 0) {
                discardCreate(held.target);
                return;
            }
    }
    auto container = loadContainer();
    const Resolved table = resolve(statement.table, container);
    if (!isInside(table.path, m_folder))
        throw RuntimeError(RuntimeError::kPermissionDenied,
                           QStringLiteral("DROP TABLE %1: its file %2 lies outside the FoxPro folder %3; "
                                          "nothing is deleted.")
                               .arg(statement.table, table.path, m_folder));
    if (!table.entry) {
        // Another container's table is that container's to drop.
        const QString owner = owningContainer(table.path);
        if (!owner.isEmpty())
            throw RuntimeError(RuntimeError::kPermissionDenied,
                               QStringLiteral("%1 belongs to the database %2; open that database to replace it.")
                                   .arg(QFileInfo(table.path).fileName().toUpper(), owner));
    }
    closeWriter(table.path);
    if (m_inTransaction) {
        if (!isHeldDrop(table.path))
            m_heldDrops.push_back({table.path, table.entry});
        return;
    }
    removeTable(table.path, table.entry, container, true);
}

void FoxProSession::removeTable(const QString &path, const std::optional<Container::TableEntry> &entry,
                                std::optional<Container> &container, bool dropped)
{
    // Companions first: a drop cut short leaves a table that lists and drops
    // again, never a memo file that blocks the next CREATE of the name.
    if (!dropped) {
        removeCompanions(path);
        files::removeFile(path, kTableFile);
    } else {
        for (const char *ext : {".fpt", ".cdx"})
            removeDroppedFile(findCompanion(path, QLatin1String(ext)));
        removeDroppedFile(path);
    }
    if (container && entry)
        container->removeTable(entry->objectId);
}

// A file a DROP TABLE removes: to the trash when the connection asks for it
// and the volume has one, else deleted; noted either way.
void FoxProSession::removeDroppedFile(const QString &path)
{
    if (!files::exists(path, files::EntryKind::Any, files::PathForm::Real))
        return;
    files::Removal removal = kTableFile;
    if (dropsToTrash())
        removal.way = files::Removal::Way::TrashElseForGood;
    noteRemoved({path, files::removeFile(path, removal).trashedAs});
}

FoxProSession::HeldCreate *FoxProSession::heldCreateFor(const QString &path)
{
    for (HeldCreate &held : m_heldCreates)
        if (held.target == path)
            return &held;
    return nullptr;
}

bool FoxProSession::isHeldDrop(const QString &path) const
{
    for (const HeldDrop &drop : m_heldDrops)
        if (drop.path == path)
            return true;
    return false;
}

void FoxProSession::discardCreate(const QString &target)
{
    closeWriter(target, false);
    for (auto it = m_heldCreates.begin(); it != m_heldCreates.end(); ++it) {
        if (it->target != target)
            continue;
        it->staged.discard();
        m_heldCreates.erase(it);
        return;
    }
}

void FoxProSession::beginTrans()
{
    if (m_inTransaction)
        throw RuntimeError(ado::kErrNotSupported,
                           QStringLiteral("A transaction is already open on this FoxPro connection."));
    m_inTransaction = true;
}

void FoxProSession::rollbackTrans()
{
    while (!m_heldCreates.empty())
        discardCreate(m_heldCreates.front().target);
    m_heldDrops.clear();
    m_inTransaction = false;
}

// Puts a table built under a temporary name in place (StagedTable): the memo
// file, then the .dbf, each over the old table's file of that kind in one
// step, then the container's records. The old index describes the old rows and
// goes afterwards, as does an old memo file the new table has no counterpart of.
void FoxProSession::putInPlace(HeldCreate &create, std::optional<Container> &container)
{
    closeWriter(create.target);
    const bool replacing = isHeldDrop(create.target);
    std::optional<Container::TableEntry> oldEntry;
    for (const HeldDrop &drop : m_heldDrops)
        if (drop.path == create.target)
            oldEntry = drop.entry;
    const QString tempMemo = findCompanion(create.temp, QStringLiteral(".fpt"));
    const QString oldMemo = findCompanion(create.target, QStringLiteral(".fpt"));
    const QString memo =
        QFileInfo(create.target).absolutePath() + u'/' + QFileInfo(create.target).completeBaseName() +
        (create.target.endsWith(QLatin1String(".DBF")) ? QStringLiteral(".FPT") : QStringLiteral(".fpt"));
    std::vector<files::StagedTable::Move> moves;
    QStringList before;
    QStringList after;
    if (!oldMemo.isEmpty() && !replacing)
        before << oldMemo; // a memo file without its table
    if (!tempMemo.isEmpty())
        moves.push_back({tempMemo, memo, replacing ? oldMemo : QString()});
    moves.push_back({create.temp, create.target, {}});
    if (replacing) {
        const QString index = findCompanion(create.target, QStringLiteral(".cdx"));
        if (!index.isEmpty())
            after << index;
        if (!oldMemo.isEmpty() && tempMemo.isEmpty())
            after << oldMemo;
    }
    create.staged.putInPlace(moves, replacing, before, after);
    if (container) {
        if (oldEntry)
            container->removeTable(oldEntry->objectId);
        container->addTable(create.tableName, create.target, create.longNames);
    }
    std::erase_if(m_heldDrops, [&](const HeldDrop &drop) { return drop.path == create.target; });
}

void FoxProSession::commitTrans()
{
    auto container = loadContainer();
    try {
        while (!m_heldCreates.empty()) {
            putInPlace(m_heldCreates.front(), container);
            m_heldCreates.erase(m_heldCreates.begin());
        }
        // Drops no new table took the place of: one no CREATE of its name
        // followed goes now, as asked; one whose new table never arrived is
        // withdrawn, and the old table stays.
        while (!m_heldDrops.empty()) {
            const HeldDrop drop = m_heldDrops.front();
            m_heldDrops.erase(m_heldDrops.begin());
            if (!drop.claimed)
                removeTable(drop.path, drop.entry, container, false);
        }
    } catch (...) {
        rollbackTrans();
        throw;
    }
    m_inTransaction = false;
}

} // namespace tw::foxpro
