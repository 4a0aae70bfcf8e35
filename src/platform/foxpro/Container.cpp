#include "Container.h"

#include "CodePageMarks.h"
#include "CompoundIndex.h"
#include "PropertyList.h"
#include "TableReader.h"
#include "TableWriter.h"

#include "platform/ado/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace tw::foxpro {

using ado::RuntimeError;
using ado::Variant;

namespace {

constexpr int kStrWidth = 10;
constexpr int kDatabaseObjectId = 1;
constexpr int kLongNameBytes = 128; // OBJECTNAME's width
// Property 24 of the Database record: the container version, 10, big-endian.
const char *const kDatabaseVersion = "0000000a";
const QByteArray kForExpression = ".NOT.DELETED()";
const QByteArray kNameTagExpression = "STR(parentid)+objecttype+LOWER(objectname)";
const QByteArray kTypeTagExpression = "STR(parentid)+objecttype";

QByteArray strOf(int value)
{
    const QByteArray text = QByteArray::number(value);
    return text.size() <= kStrWidth ? text.rightJustified(kStrWidth, ' ') : QByteArray(kStrWidth, '*');
}

// Long field names follow the rule of field names, up to OBJECTNAME's width,
// in the case they are given.
encoding::NameRule longNameRule()
{
    encoding::NameRule rule = fieldNameRule();
    rule.maxBytes = kLongNameBytes;
    rule.upperCase = false;
    return rule;
}

// LOWER() of stored bytes: A-Z, and bytes above 127 whose lower case is one
// byte of the same code page.
QByteArray lowerBytes(const QByteArray &bytes, const TextCodec &page)
{
    QByteArray out = bytes;
    for (char &c : out) {
        const uint8_t b = uint8_t(c);
        if (b >= 'A' && b <= 'Z') {
            c = char(b + ('a' - 'A'));
        } else if (b >= 128 && page.singleByte()) {
            const QString ch = page.decode(&c, 1);
            const QString low = ch.toLower();
            if (low.size() == 1 && low != ch) {
                const int lowByte = page.byteOf(low[0].unicode());
                if (lowByte >= 0)
                    c = char(lowByte);
            }
        }
    }
    return out;
}

int fieldIndex(const DbfHeader &h, const char *name, char type, const QString &fileName)
{
    for (int i = 0; i < int(h.fields.size()); ++i)
        if (h.fields[size_t(i)].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0 &&
            h.fields[size_t(i)].type == type)
            return i;
    throw RuntimeError::inFile(fileName, QStringLiteral("not a database container (it has no %1 field of type %2).")
                                             .arg(QLatin1String(name), QChar::fromLatin1(type)));
}

// True when `shortName`, a field name as the table stores it, is what
// `longName` becomes there: cut to 10 characters, or cut shorter and ended
// with a number when the first 10 characters were taken already
// (EXPENSECAT, EXPENSECA2). Letter case does not count.
bool shortNameMatches(const QString &shortName, const QString &longName)
{
    const QString stored = shortName.toUpper();
    const QString wanted = longName.toUpper();
    if (stored == wanted.left(dbf::kMaxFieldName))
        return true;
    qsizetype digits = 0;
    while (digits < stored.size() && stored[stored.size() - 1 - digits].isDigit())
        ++digits;
    for (qsizetype k = 1; k <= digits; ++k) {
        const QString prefix = stored.left(stored.size() - k);
        if (prefix.size() == std::min<qsizetype>(wanted.size(), dbf::kMaxFieldName - k) && wanted.startsWith(prefix))
            return true;
    }
    return false;
}

// The file name a backlink ends in: sales.dbc for ..\data\sales.dbc.
QString backlinkFileName(const QByteArray &backlink)
{
    const QString text = QString::fromLatin1(backlink).trimmed();
    const qsizetype cut = std::max(text.lastIndexOf(u'\\'), text.lastIndexOf(u'/'));
    return text.mid(cut + 1);
}

QString toWindowsPath(const QString &path)
{
    QString out = path;
    out.replace('/', '\\');
    return out;
}

} // namespace

QByteArray backlinkFor(const QString &tablePath, const QString &containerPath)
{
    const QString relative =
        QFileInfo(tablePath).absoluteDir().relativeFilePath(QFileInfo(containerPath).absoluteFilePath());
    return toWindowsPath(relative).toLower().toLatin1();
}

Container::Container(const QString &path) : m_path(path)
{
    load();
}

Container Container::create(const QString &path)
{
    constexpr int kNoFlags = 0;
    const std::vector<NewField> fields = {
        {"OBJECTID", 'I', 4, 0, dbf::kFieldBinary},
        {"PARENTID", 'I', 4, 0, dbf::kFieldBinary},
        {"OBJECTTYPE", 'C', 10, 0, kNoFlags},
        {"OBJECTNAME", 'C', kLongNameBytes, 0, kNoFlags},
        {"PROPERTY", 'M', 4, 0, dbf::kFieldBinary},
        {"CODE", 'M', 4, 0, dbf::kFieldBinary},
        {"RIINFO", 'C', 6, 0, kNoFlags},
        {"USER", 'M', 4, 0, kNoFlags},
    };
    CreateOptions options;
    options.memoExtension = QStringLiteral(".dct");
    options.extraTableFlags = dbf::kTableHasCdx | dbf::kTableIsContainer;
    {
        auto writer = TableWriter::create(path, fields, options);
        PropertyList database;
        database.add(property::kVersion, QByteArray::fromHex(kDatabaseVersion));
        const char *names[] = {"Database", "TransactionLog", "StoredProceduresSource", "StoredProceduresObject",
                               "StoredProceduresDependencies"};
        int id = 1;
        for (const char *name : names) {
            const QByteArray prop = id == 1 ? database.encode() : QByteArray();
            writer->append({Variant::integer(id), Variant::integer(kDatabaseObjectId), Variant::text("Database"),
                            Variant::text(QLatin1String(name)), Variant::bytes(prop), Variant::null(), Variant::null(),
                            Variant::null()});
            ++id;
        }
    }
    Container container(path);
    container.rebuildIndex();
    return container;
}

QString Container::fileName() const
{
    return QFileInfo(m_path).fileName();
}

QString Container::folder() const
{
    return QFileInfo(m_path).absolutePath();
}

void Container::load()
{
    TableReader reader(m_path);
    const DbfHeader &h = reader.header();
    const QString name = reader.fileName();
    const int objectId = fieldIndex(h, "OBJECTID", 'I', name);
    const int parentId = fieldIndex(h, "PARENTID", 'I', name);
    const int objectType = fieldIndex(h, "OBJECTTYPE", 'C', name);
    const int objectName = fieldIndex(h, "OBJECTNAME", 'C', name);
    const int property = fieldIndex(h, "PROPERTY", 'M', name);
    m_codePageMark = h.codePageMark;
    m_objects.clear();
    while (reader.nextAny()) {
        Object o;
        o.record = reader.recordNumber();
        o.deleted = reader.isDeleted();
        const DbfField &typeField = h.fields[size_t(objectType)];
        const DbfField &nameField = h.fields[size_t(objectName)];
        o.rawType = QByteArray(reader.record() + typeField.offset, typeField.length);
        o.rawName = QByteArray(reader.record() + nameField.offset, nameField.length);
        if (o.deleted) {
            m_objects.push_back(o);
            continue;
        }
        const Variant id = reader.value(objectId);
        const Variant parent = reader.value(parentId);
        const Variant type = reader.value(objectType);
        const Variant label = reader.value(objectName);
        if (id.kind() != Variant::Kind::Integer || parent.kind() != Variant::Kind::Integer ||
            type.kind() != Variant::Kind::Text || label.kind() != Variant::Kind::Text)
            throw RuntimeError::inFile(
                name, QStringLiteral("record %1 has no object id, parent, type or name.").arg(o.record));
        o.objectId = int(id.asInteger());
        o.parentId = int(parent.asInteger());
        o.type = type.asText();
        o.name = label.asText();
        const Variant prop = reader.value(property);
        o.property = prop.kind() == Variant::Kind::Bytes ? prop.asBytes() : prop.toText().toLatin1();
        m_objects.push_back(o);
    }
    // A table reads past damage; the database's own records are not read
    // past, since they are rewritten from what was read.
    if (!reader.damagedRows().empty())
        throw RuntimeError::inFile(name, ado::DamagedRows::describe(reader.damagedRows().first().front()) + u'.');
    if (!reader.lostValues().empty()) {
        const ado::LostValue &lost = reader.lostValues().first().front();
        throw RuntimeError::inFile(
            name, QStringLiteral("record %1, field %2: %3.").arg(lost.row).arg(lost.column, lost.value));
    }
}

std::vector<Container::TableEntry> Container::tables() const
{
    std::vector<TableEntry> out;
    for (const Object &o : m_objects) {
        if (o.deleted || o.type.compare(QLatin1String("Table"), Qt::CaseInsensitive) != 0)
            continue;
        const auto path = PropertyList::decode(o.property).string(property::kPath);
        out.push_back({o.name, path ? QString::fromLatin1(*path) : o.name + ".dbf", o.objectId});
    }
    return out;
}

QStringList Container::views() const
{
    QStringList out;
    for (const Object &o : m_objects)
        if (!o.deleted && o.type.compare(QLatin1String("View"), Qt::CaseInsensitive) == 0)
            out << o.name;
    return out;
}

std::optional<Container::TableEntry> Container::findTable(const QString &name) const
{
    for (const TableEntry &t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    return std::nullopt;
}

QString Container::tablePath(const TableEntry &table) const
{
    const QString &stored = table.relativePath;
    const bool absolute =
        QDir::isAbsolutePath(stored) || stored.startsWith('\\') || (stored.size() > 1 && stored[1] == ':');
    const QString path = files::toNativePath(absolute ? stored : folder() + '/' + stored);
    if (files::exists(path, files::EntryKind::File))
        return path;
    // A container moved together with its tables: look beside it.
    const QString beside = files::toNativePath(folder() + '/' + files::fileName(stored));
    return files::exists(beside, files::EntryKind::File) ? beside : path;
}

QStringList Container::fieldNames(int tableObjectId) const
{
    QStringList out;
    for (const Object &o : m_objects)
        if (!o.deleted && o.parentId == tableObjectId &&
            o.type.compare(QLatin1String("Field"), Qt::CaseInsensitive) == 0)
            out << o.name;
    return out;
}

void Container::checkTableFile(const TableEntry &table, const DbfHeader &header, const QString &tableFileName) const
{
    auto mismatch = [&](const QString &difference) {
        throw RuntimeError(QStringLiteral("Table %1: %2 does not belong to the database %3 (%4).")
                               .arg(table.name, tableFileName, fileName(), difference));
    };
    if (header.backlink.isEmpty())
        mismatch(QStringLiteral("its backlink is empty"));
    if (backlinkFileName(header.backlink).compare(fileName(), Qt::CaseInsensitive) != 0)
        mismatch(QStringLiteral("its backlink names %1").arg(QString::fromLatin1(header.backlink)));
    QStringList stored;
    for (const DbfField &f : header.fields)
        if (!f.isNullFlags())
            stored << f.name;
    // Names the container's code page could not hold stand in for the field's own.
    const QStringList named = columnNames(table.objectId, stored);
    if (stored.size() != named.size())
        mismatch(QStringLiteral("it has %1 fields, the database names %2").arg(stored.size()).arg(named.size()));
    for (qsizetype i = 0; i < stored.size(); ++i)
        if (!shortNameMatches(stored[i], named[i]))
            mismatch(QStringLiteral("its field %1 is %2, the database names %3").arg(i + 1).arg(stored[i], named[i]));
}

QString Container::indexPath() const
{
    const QString existing = findCompanion(m_path, ".dcx");
    if (!existing.isEmpty())
        return existing;
    const QFileInfo info(m_path);
    const bool upper = info.suffix() == info.suffix().toUpper();
    return info.dir().filePath(info.completeBaseName() + (upper ? ".DCX" : ".dcx"));
}

QStringList Container::columnNames(int tableObjectId, const QStringList &storedNames) const
{
    QStringList names = fieldNames(tableObjectId);
    QStringList own;
    for (const QString &stored : storedNames)
        own << stored.toLower();
    const QStringList held = encoding::fitNames(own, longNameRule(), codecOfMark(m_codePageMark));
    for (qsizetype k = 0; k < names.size() && k < own.size(); ++k)
        if (names[k] != own[k] && names[k] == held[k])
            names[k] = own[k];
    return names;
}

void Container::addTable(const QString &name, const QString &tablePath, const QStringList &fieldNames)
{
    if (findTable(name))
        throw RuntimeError::inFile(fileName(),
                                   QStringLiteral("the container already has a table named '%1'.").arg(name));
    const QString relative =
        toWindowsPath(QDir(folder()).relativeFilePath(QFileInfo(tablePath).absoluteFilePath())).toLower();
    {
        auto writer = TableWriter::openForAppend(m_path, ".dct");
        const qint64 tableRecord = qint64(writer->header().recordCount) + 1;
        PropertyList props;
        props.add(property::kClass, QByteArray(1, char(property::kClassTable)));
        props.addString(property::kPath, relative.toLatin1());
        const auto fields = writer->header().fields;
        auto row = [&](int objectId, int parentId, const QString &type, const QString &objectName,
                       const QByteArray &prop) {
            std::vector<Variant> values;
            for (const DbfField &f : fields) {
                if (f.isNullFlags())
                    continue;
                const QString n = f.name.toUpper();
                if (n == "OBJECTID")
                    values.push_back(Variant::integer(objectId));
                else if (n == "PARENTID")
                    values.push_back(Variant::integer(parentId));
                else if (n == "OBJECTTYPE")
                    values.push_back(Variant::text(type));
                else if (n == "OBJECTNAME")
                    values.push_back(Variant::text(objectName));
                else if (n == "PROPERTY")
                    values.push_back(Variant::bytes(prop));
                else
                    values.push_back(Variant::null());
            }
            return values;
        };
        writer->append(row(int(tableRecord), kDatabaseObjectId, "Table", name.toLower(), props.encode()));
        QStringList lowered;
        for (const QString &field : fieldNames)
            lowered << field.toLower();
        for (const QString &field : encoding::fitNames(lowered, longNameRule(), codecOfMark(m_codePageMark))) {
            const qint64 next = qint64(writer->header().recordCount) + 1;
            writer->append(row(int(next), int(tableRecord), "Field", field, {}));
        }
    }
    {
        auto table = TableWriter::openForAppend(tablePath);
        table->setBacklink(backlinkFor(tablePath, m_path));
    }
    load();
    rebuildIndex();
}

void Container::removeTable(int objectId)
{
    // The table's own record, everything under it (fields, indexes, the
    // relations it is the child of) and every relation that names it as the
    // related table; then anything left under a record that goes.
    QString tableName;
    for (const Object &o : m_objects)
        if (!o.deleted && o.objectId == objectId && o.type.compare(QLatin1String("Table"), Qt::CaseInsensitive) == 0)
            tableName = o.name;
    std::vector<bool> doomed(m_objects.size(), false);
    QSet<int> doomedIds{objectId};
    for (bool grew = true; grew;) {
        grew = false;
        for (size_t i = 0; i < m_objects.size(); ++i) {
            const Object &o = m_objects[i];
            if (o.deleted || doomed[i])
                continue;
            bool goes = o.objectId == objectId || doomedIds.contains(o.parentId);
            if (!goes && !tableName.isEmpty() && o.type.compare(QLatin1String("Relation"), Qt::CaseInsensitive) == 0) {
                const auto related = PropertyList::decode(o.property).string(property::kRelatedTable);
                goes = related && QString::fromLatin1(*related).compare(tableName, Qt::CaseInsensitive) == 0;
            }
            if (goes) {
                doomed[i] = true;
                grew = grew || !doomedIds.contains(o.objectId);
                doomedIds.insert(o.objectId);
            }
        }
    }
    {
        auto writer = TableWriter::openForAppend(m_path, ".dct");
        for (size_t i = 0; i < m_objects.size(); ++i)
            if (doomed[i])
                writer->markDeleted(m_objects[i].record);
    }
    load();
    rebuildIndex();
}

void Container::rebuildIndex()
{
    const TextCodec &page = codecOfMark(m_codePageMark);
    IndexTag byName{"OBJECTNAME", kNameTagExpression, kForExpression, 0, ' ', {}};
    IndexTag byType{"OBJECTTYPE", kTypeTagExpression, kForExpression, 0, ' ', {}};
    int typeLength = 10;
    int nameLength = kLongNameBytes;
    if (!m_objects.empty()) {
        typeLength = int(m_objects.front().rawType.size());
        nameLength = int(m_objects.front().rawName.size());
    }
    byName.keyLength = kStrWidth + typeLength + nameLength;
    byType.keyLength = kStrWidth + typeLength;
    for (const Object &o : m_objects) {
        if (o.deleted)
            continue;
        const QByteArray prefix = strOf(o.parentId) + o.rawType;
        byType.keys.push_back({prefix, uint32_t(o.record)});
        byName.keys.push_back({prefix + lowerBytes(o.rawName, page), uint32_t(o.record)});
    }
    const QByteArray bytes = buildCompoundIndex({byName, byType});
    const QString index = indexPath();
    try {
        files::writeFileReplacing(index, bytes);
    } catch (const files::FileError &e) {
        throw RuntimeError::inFile(
            fileName(), QStringLiteral("cannot write its index %1: %2.").arg(files::fileName(index), e.reason()));
    }
}

} // namespace tw::foxpro
