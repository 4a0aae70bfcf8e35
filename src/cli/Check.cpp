#include "Check.h"

#include "common/ConnectionSettings.h"
#include "common/Main.h"
#include "common/Steps.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Field.h"
#include "platform/ado/FormatLimit.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/TextCodec.h"
#include "platform/files/FaultPlan.h"
#include "platform/files/FileSystem.h"
#include "platform/foxpro/CodePageMarks.h"
#include "platform/foxpro/Container.h"
#include "platform/foxpro/DbfHeader.h"
#include "platform/foxpro/FieldEncoder.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/foxpro/MemoFile.h"
#include "platform/foxpro/TableReader.h"
#include "platform/paradox/FieldCodec.h"
#include "platform/paradox/ParadoxFormat.h"
#include "platform/paradox/TableReader.h"
#include "platform/paradox/TableWriter.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/workdb/ParadoxExport.h"
#include "platform/workdb/WorkColumn.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"
#include "transfer/ColumnPlan.h"
#include "transfer/ParadoxTableName.h"
#include "transfer/StatementText.h"
#include "transfer/TypeRules.h"

#include <QElapsedTimer>

#include <algorithm>

namespace tw::cli {

namespace {

using ado::Variant;
using encoding::TextCodec;

constexpr qint64 kProgressEveryMs = 3000;
constexpr qint64 kRowsBetweenClockLooks = 4096;

QString grouped(qint64 n)
{
    return ado::groupedNumber(n);
}

qint64 roundUp(qint64 n, qint64 unit)
{
    return (n + unit - 1) / unit * unit;
}

// The real path of a FoxPro table the side lists.
QString foxproTablePath(const ConnectionSettings &settings, const QString &table)
{
    if (settings.dbcChosen()) {
        const foxpro::Container container(files::toNativePath(settings.dbcPath()));
        const auto entry = container.findTable(table);
        if (!entry)
            throw ado::RuntimeError(
                QStringLiteral("The database %1 has no table '%2'.").arg(container.fileName(), table));
        return container.tablePath(*entry);
    }
    return files::toNativePath(
        Main::CollapseBackslashes(settings.freeTableFolder() + u'\\' + table + QStringLiteral(".dbf")));
}

QString paradoxTablePath(const ConnectionSettings &settings, const QString &table)
{
    return files::toNativePath(
        Main::CollapseBackslashes(settings.paradoxFolder() + u'\\' + table + QStringLiteral(".db")));
}

QString foxproFieldType(const foxpro::DbfField &field)
{
    const QChar type = QLatin1Char(char(field.type));
    switch (field.type) {
    case 'C':
    case 'V':
    case 'Q':
        return QStringLiteral("%1(%2)").arg(type).arg(field.length);
    case 'N':
    case 'F':
        return QStringLiteral("%1(%2,%3)").arg(type).arg(field.length).arg(field.decimals);
    default:
        return type;
    }
}

// What the header says: format, version, deleted rows, the mark, the memo file.
void readHeader(TableCheck &check, bool foxproSide, const QString &path, QStringList &types)
{
    if (foxproSide) {
        const foxpro::TableReader reader(path);
        const foxpro::DbfHeader &header = reader.header();
        const foxpro::FileTypeInfo *info = foxpro::fileTypeInfo(header.fileType);
        check.format = QStringLiteral("FoxPro table (%1)").arg(info ? QLatin1String(info->kind) : QLatin1String("?"));
        check.deleted = reader.wholeRecordCount() - reader.liveCount();
        check.mark = foxpro::codePageOfMark(header.codePageMark);
        for (int index : reader.visibleFields())
            types << foxproFieldType(header.fields[size_t(index)]);
        if (header.hasMemoFields()) {
            QString memo;
            for (const char *ext : {".fpt", ".dbt"})
                if (memo.isEmpty())
                    memo = foxpro::findCompanion(path, QLatin1String(ext));
            check.memoFile = memo.isEmpty() ? QStringLiteral("missing") : files::fileName(memo);
            check.memoSound = !memo.isEmpty();
        }
        return;
    }
    const paradox::TableReader reader(path);
    const paradox::TableHeader &header = reader.header();
    check.format = QStringLiteral("Paradox table (file version %1)").arg(header.fileVersion);
    check.mark = header.codePage;
    bool blobs = false;
    for (const paradox::FieldDef &field : header.fields) {
        types << paradox::shownType(field.type, field.size, field.decimals);
        blobs = blobs || field.type == paradox::FieldType::Memo || field.type == paradox::FieldType::Blob ||
                field.type == paradox::FieldType::FormattedMemo || field.type == paradox::FieldType::Ole ||
                field.type == paradox::FieldType::Graphic;
    }
    if (blobs) {
        const QString mb = files::findCompanion(path, QStringLiteral(".mb"));
        check.memoFile = mb.isEmpty() ? QStringLiteral("missing") : files::fileName(mb);
        check.memoSound = !mb.isEmpty();
    }
}

// The conversions of one direction, run on each value as the copy runs them.
class ToParadox {
public:
    ToParadox(TableCheck &check, ado::Recordset &source, const QStringList &sourceTypes, transfer::TypeMapping mapping)
        : m_check(check)
    {
        const transfer::ColumnPlan plan = transfer::planColumns(true, mapping, source.columns(), source.codePage());
        m_columns = plan.workColumns();
        m_plan = plan.paradox;
        m_codePage = paradox::TableWriter::tableCodePage(m_plan.codePage);
        m_codec = &TextCodec::forCodePage(m_codePage);
        for (size_t i = 0; i < m_plan.fields.size(); ++i) {
            const paradox::NewField &field = m_plan.fields[i];
            paradox::FieldDef def;
            def.name = field.name;
            def.type = field.type;
            // A and Bytes fields have their own widths, # its decimals; the rest the type's size.
            const bool ownWidth = field.type == paradox::FieldType::Alpha || field.type == paradox::FieldType::Bytes;
            def.size = ownWidth ? field.size : paradox::fixedSize(field.type);
            if (field.type == paradox::FieldType::Bcd)
                def.decimals = field.decimals;
            m_fields.push_back(def);
            m_recordSize +=
                isBlob(field.type) ? paradox::TableWriter::kDefaultLeader + paradox::db::kBlobTrailer : def.size;
            check.columns.push_back({m_columns[i].name,
                                     i < size_t(sourceTypes.size()) ? sourceTypes[qsizetype(i)] : QString(),
                                     plan.columns[i].targetName, plan.columns[i].shownType});
        }
        m_record.resize(size_t(std::max(1, m_recordSize)));
    }

    void value(int column, const Variant &value, qint64 row)
    {
        const Variant converted =
            workdb::convertNoting(m_columns[size_t(column)], value, m_check.table, row, m_check.lost, m_check.changed);
        const paradox::FieldDef &field = m_fields[size_t(column)];
        if (isBlob(field.type)) {
            const QByteArrayView bytes =
                paradox::blobBytes(field, converted, *m_codec, &m_check.replacedCharacters, m_scratch);
            if (bytes.size() > paradox::TableWriter::kDefaultLeader)
                m_blobBytes += roundUp(bytes.size(), paradox::mb::kSubGranule);
            return;
        }
        try {
            paradox::encodeScalar(field, converted, m_record.data(), *m_codec, &m_check.replacedCharacters);
        } catch (const ado::RuntimeError &e) {
            m_check.lost.add({m_check.table, row, field.name, ado::LostValues::describe(converted), e.description()});
        }
    }

    void finish(qint64 rows)
    {
        try {
            paradox::TableWriter::requireRoom(m_check.target, m_plan.fields, rows, m_plan.codePage);
        } catch (const ado::RuntimeError &e) {
            m_check.limitProblem = e.description();
        }
        // The .db: blocks of 4 KiB (larger for long records) holding whole records.
        // A table without a column the copy carries (only system fields) has records of no bytes.
        const qint64 recordSize = std::max<qint64>(1, m_recordSize);
        qint64 blockSize = paradox::TableWriter::kPreferredBlockSize;
        while (recordSize > blockSize - paradox::db::kBlockHeaderSize &&
               blockSize < paradox::db::kMaxBlockUnits * paradox::db::kBlockUnit)
            blockSize *= 2;
        const qint64 perBlock = std::max<qint64>(1, (blockSize - paradox::db::kBlockHeaderSize) / recordSize);
        const qint64 records = (rows + perBlock - 1) / perBlock * blockSize;
        const qint64 recordLimit = files::formatFileLimit(qint64(paradox::db::kMaxBlocksPerTable) *
                                                          paradox::db::kMaxBlockUnits * paradox::db::kBlockUnit);
        const qint64 blobLimit = files::formatFileLimit(paradox::mb::kMaxFileBytes);
        const qint64 blobs = m_blobBytes > 0 ? m_blobBytes + paradox::mb::kBlockSize : 0;
        const bool blobFile = double(blobs) / double(blobLimit) > double(records) / double(recordLimit);
        m_check.targetFile = m_check.target + (blobFile ? QStringLiteral(".mb") : QStringLiteral(".db"));
        m_check.targetBytes = blobFile ? blobs : records;
        m_check.targetLimit = blobFile ? blobLimit : recordLimit;
        if (blobFile && blobs > blobLimit && m_check.limitProblem.isEmpty())
            m_check.limitProblem =
                ado::pastLimit({m_check.targetFile, m_check.target, blobLimit, QStringLiteral("bytes"),
                                QStringLiteral("a Paradox blob file"), blobs - blobLimit})
                    .description();
    }

private:
    static bool isBlob(paradox::FieldType type)
    {
        return type == paradox::FieldType::Memo || type == paradox::FieldType::Blob ||
               type == paradox::FieldType::FormattedMemo || type == paradox::FieldType::Ole ||
               type == paradox::FieldType::Graphic;
    }

    TableCheck &m_check;
    std::vector<workdb::WorkColumn> m_columns;
    workdb::ExportPlan m_plan;
    std::vector<paradox::FieldDef> m_fields;
    int m_codePage = 0;
    const TextCodec *m_codec = nullptr;
    int m_recordSize = 0;
    std::vector<unsigned char> m_record;
    QByteArray m_scratch;
    qint64 m_blobBytes = 0;
};

class ToFoxPro {
public:
    ToFoxPro(TableCheck &check, ado::Recordset &source, const QStringList &sourceTypes, transfer::TypeMapping mapping)
        : m_check(check)
    {
        const transfer::ColumnPlan plan = transfer::planColumns(false, mapping, source.columns(), source.codePage());
        m_kept = mapping == transfer::TypeMapping::KeepTypes;
        for (size_t i = 0; i < plan.columns.size(); ++i) {
            const transfer::PlannedColumn &column = plan.columns[i];
            m_binary.push_back(column.foxproType != 'M');
            foxpro::DbfField field;
            field.name = column.targetName;
            field.type = column.foxproType;
            field.length = column.foxproLength;
            field.decimals = column.foxproDecimals;
            if (column.foxproNullable)
                field.flags = foxpro::dbf::kFieldNullable;
            m_fields.push_back(field);
            m_recordBytes += column.foxproLength;
            check.columns.push_back({column.source.name,
                                     qsizetype(i) < sourceTypes.size() ? sourceTypes[qsizetype(i)] : QString(),
                                     column.targetName, column.shownType});
        }
        // The new table takes the source's code page when FoxPro can mark it.
        const int page = foxpro::codePageOfMark(foxpro::markForNewTable(source.codePage()));
        m_codec = &TextCodec::forCodePage(page > 0 ? page : TextCodec::kWindows1252);
        m_columns = int(plan.columns.size());
    }

    void value(const ado::Field &field, int column, qint64 row)
    {
        const foxpro::DbfField &target = m_fields[size_t(column)];
        if (m_kept && !target.isMemo()) {
            // A kept field's value goes through the field's own encoding.
            m_record.resize(size_t(std::max(target.length, 1)));
            try {
                foxpro::FieldChange change;
                foxpro::encodeFixedField(m_record.data(), target, field.Value(), *m_codec, &m_check.replacedCharacters,
                                         &change);
                const QString before = ado::LostValues::describe(field.Value());
                if (change.kind == foxpro::FieldChange::Kind::Changed)
                    m_check.changed.add({m_check.table, row, target.name, before, change.reason, change.after});
                else if (change.kind == foxpro::FieldChange::Kind::Lost)
                    m_check.lost.add({m_check.table, row, target.name, before, change.reason});
            } catch (const ado::RuntimeError &e) {
                m_check.lost.add(
                    {m_check.table, row, target.name, ado::LostValues::describe(field.Value()), e.description()});
            }
            return;
        }
        if (m_binary[size_t(column)]) {
            const Variant &value = field.Value();
            const qsizetype size = value.kind() == Variant::Kind::Bytes ? value.asBytes().size() : 0;
            add(size);
            return;
        }
        const QStringView text = transfer::FoxProValueText(field, m_scratch);
        if (text.isEmpty())
            return;
        m_codec->encode(text, m_bytes, &m_check.replacedCharacters);
        add(m_bytes.size());
    }

    void finish(qint64 rows)
    {
        const qint64 header =
            foxpro::dbf::kHeaderSize + foxpro::dbf::kDescriptorSize * m_columns + 1 + foxpro::dbf::kBacklinkSize;
        const qint64 table = header + rows * (1 + m_recordBytes);
        const qint64 memo = m_memoBytes > 0 ? foxpro::fpt::kHeaderSize + m_memoBytes : 0;
        const bool memoFile = memo > table;
        m_check.targetFile = m_check.target.toUpper() + (memoFile ? QStringLiteral(".FPT") : QStringLiteral(".DBF"));
        m_check.targetBytes = std::max(table, memo);
        m_check.targetLimit =
            files::formatFileLimit(memoFile ? foxpro::fpt::kMaxFileBytes : foxpro::dbf::kMaxFileBytes);
        if (m_check.targetBytes > m_check.targetLimit)
            m_check.limitProblem =
                ado::pastLimit({m_check.targetFile, m_check.target, m_check.targetLimit, QStringLiteral("bytes"),
                                memoFile ? QStringLiteral("a FoxPro memo file") : QStringLiteral("a FoxPro table"),
                                m_check.targetBytes - m_check.targetLimit})
                    .description();
    }

private:
    void add(qint64 bytes)
    {
        if (bytes > 0)
            m_memoBytes += roundUp(foxpro::fpt::kBlockHeaderSize + bytes, foxpro::fpt::kDefaultBlockSize);
    }

    TableCheck &m_check;
    bool m_kept = false;
    std::vector<foxpro::DbfField> m_fields;
    std::vector<bool> m_binary;
    QByteArray m_record;
    qint64 m_recordBytes = 0;
    const TextCodec *m_codec = nullptr;
    QString m_scratch;
    QByteArray m_bytes;
    qint64 m_memoBytes = 0;
    int m_columns = 0;
};

struct Sides {
    MemoryTableList foxpro;
    MemoryTableList paradox;
};

// Opens a source table the way the copy does, read in `codePage` (0: its mark).
void openSource(ado::Connection &connection, ado::Recordset &source, bool foxproSide,
                const ConnectionSettings &settings, const QString &table, int codePage)
{
    source.CursorLocation = ado::adUseClient;
    if (foxproSide) {
        connection.CursorLocation = ado::adUseServer;
        connection.Open(FoxproSource::FoxProConnectionString(settings));
    } else {
        connection.CursorLocation = ado::adUseClient;
        connection.Open(ParadoxSource::ParadoxConnectionString(settings.paradoxFolder()));
    }
    connection.setReadCodePage(codePage);
    source.Open(QStringLiteral("SELECT * FROM ") +
                    (foxproSide ? transfer::DoubleQuoted(table) : transfer::Backticked(table)),
                connection);
}

// The guess's sample of a table as its text is stored (each byte read as the
// character of its number), read until the sample is full.
encoding::CodePageGuess storedSample(bool foxproSide, const ConnectionSettings &settings, const QString &table)
{
    ado::Connection connection;
    ado::Recordset source;
    openSource(connection, source, foxproSide, settings, table, TextCodec::kStoredBytes);
    encoding::CodePageGuess guess;
    const int columns = source.fields().count();
    while (!source.Eof() && !guess.full()) {
        for (int column = 0; column < columns; ++column)
            if (const Variant &value = source.fields()(column).Value(); value.kind() == Variant::Kind::Text)
                guess.addBytes(value.asText().toLatin1());
        source.MoveNext();
    }
    return guess;
}

// Where the copy would put the table, and whether it would.
void planTarget(TableCheck &check, const ConnectionSettings &settings, const CheckOptions &options,
                const TableList &targets)
{
    const bool toParadox = *check.direction == CopyDirection::ToParadox;
    check.target = check.table;
    if (toParadox && check.target.size() > transfer::kMaxParadoxName) {
        if (!options.yes) {
            check.targetProblem = QStringLiteral("the name is longer than 8 characters: the copy cuts it to %1 "
                                                 "only when told --yes, else passes the table over")
                                      .arg(transfer::CutParadoxName(check.target).toUpper());
            return;
        }
        check.target = transfer::CutParadoxName(check.target);
        check.targetNote = QStringLiteral("the name is cut to %1").arg(check.target.toUpper());
    }
    bool listed = false;
    for (int i = 0; i < targets.count(); ++i)
        if (targets.text(i).compare(check.target, Qt::CaseInsensitive) == 0) {
            listed = true;
            check.target = toParadox ? check.target : targets.text(i);
        }
    QString owner;
    if (!toParadox && !settings.dbcChosen()) {
        // A free table of that name that another database owns is never replaced.
        const QString path = foxproTablePath(settings, check.target);
        if (files::exists(path) && !files::isDirectory(path)) {
            owner = foxpro::owningContainer(path);
            listed = true;
        }
    }
    if (!owner.isEmpty()) {
        check.targetProblem =
            QStringLiteral("a table %1 exists and belongs to the database %2: the copy refuses to replace it")
                .arg(check.target, owner);
        return;
    }
    if (listed) {
        const QString where = settings.dbcChosen() && !toParadox
                                  ? QStringLiteral(" in the database %1").arg(files::fileName(settings.dbcPath()))
                                  : QString();
        if (options.yes)
            check.targetNote = QStringLiteral("a table %1 exists%2 and is replaced").arg(check.target, where);
        else
            check.targetProblem = QStringLiteral("a table %1 exists%2: the copy replaces it only when told --yes, "
                                                 "else passes the table over")
                                      .arg(check.target, where);
    }
}

TableCheck checkTable(const QString &table, bool foxproSide, const ConnectionSettings &settings,
                      const CheckOptions &options, const Sides &sides, std::FILE *progress)
{
    TableCheck check;
    check.table = table;
    check.direction = options.direction;
    QStringList sourceTypes;
    try {
        readHeader(check, foxproSide, foxproSide ? foxproTablePath(settings, table) : paradoxTablePath(settings, table),
                   sourceTypes);
    } catch (...) {
        check.problem = describeFailure(std::current_exception());
        return check;
    }
    if (check.direction)
        planTarget(check, settings, options,
                   *check.direction == CopyDirection::ToParadox ? static_cast<const TableList &>(sides.paradox)
                                                                : static_cast<const TableList &>(sides.foxpro));
    try {
        ado::Connection connection;
        ado::Recordset source;
        openSource(connection, source, foxproSide, settings, table, options.codePage);
        check.chosen = options.codePage > 0;
        check.codePage = source.codePage() > 0 ? source.codePage() : TextCodec::kWindows1252;
        const transfer::TypeMapping mapping =
            options.keepTypes ? transfer::TypeMapping::KeepTypes : transfer::TypeMapping::Copies;
        std::optional<ToParadox> toParadox;
        std::optional<ToFoxPro> toFoxPro;
        if (check.direction == CopyDirection::ToParadox)
            toParadox.emplace(check, source, sourceTypes, mapping);
        else if (check.direction == CopyDirection::ToFoxPro)
            toFoxPro.emplace(check, source, sourceTypes, mapping);
        const int columns = source.fields().count();
        const qint64 rows = source.RecordCount();
        QElapsedTimer clock;
        clock.start();
        qint64 lastShown = 0;
        qint64 row = 0;
        while (!source.Eof()) {
            ++row;
            for (int column = 0; column < columns; ++column) {
                const ado::Field &field = source.fields()(column);
                const Variant &value = field.Value();
                if (toParadox)
                    toParadox->value(column, value, row);
                else if (toFoxPro)
                    toFoxPro->value(field, column, row);
            }
            if (row % kRowsBetweenClockLooks == 0 && clock.elapsed() - lastShown >= kProgressEveryMs) {
                lastShown = clock.elapsed();
                std::fprintf(progress, "%s: %s of %s rows read\n", qPrintable(table), qPrintable(grouped(row)),
                             qPrintable(grouped(rows)));
                std::fflush(progress);
            }
            source.MoveNext();
        }
        check.rows = row;
        if (const ado::LostValues *lost = source.lostValues())
            check.unreadable = *lost;
        if (const ado::LostValues *misread = source.changedValues())
            check.misread = *misread;
        if (const ado::DamagedRows *damaged = source.damagedRows())
            check.damaged = *damaged;
        check.warnings = source.warnings();
        if (toParadox)
            toParadox->finish(row);
        if (toFoxPro)
            toFoxPro->finish(row);
        // A damaged memo file shows as values it could not give. What is
        // wrong with one is its value's text in the FoxPro reader's list (the
        // reason is "cannot be read"), the reason in the Paradox reader's.
        if (const ado::LostValue *first = check.unreadable.firstFromFile()) {
            check.memoSound = false;
            check.memoUnreadable = check.unreadable.fromFileCount();
            check.memoProblem = QStringLiteral("row %1, column %2: %3")
                                    .arg(first->row)
                                    .arg(first->column, foxproSide ? first->value : first->reason);
        }
        // The sample is the text as stored, read again without the page's
        // converter, so that the guess never sees what a faulty one made of it.
        const encoding::CodePageGuess guess = storedSample(foxproSide, settings, table);
        // A page the user chose is doubted only when another reads the text clearly better.
        check.doubtful = guess.telling() && ((check.mark == 0 && !check.chosen) || guess.doubtful(check.codePage));
        if (check.doubtful)
            check.guesses = guess.best();
    } catch (...) {
        check.problem = describeFailure(std::current_exception());
    }
    return check;
}

} // namespace

bool TableCheck::whole() const
{
    if (!problem.isEmpty() || !damaged.empty() || !unreadable.empty() || !misread.empty() || !memoSound)
        return false;
    if (!direction)
        return true;
    return targetProblem.isEmpty() && limitProblem.isEmpty() && replacedCharacters == 0 && lost.empty() &&
           changed.empty();
}

std::vector<TableCheck> checkTables(const ConnectionSettings &settings, const CheckOptions &options,
                                    std::FILE *progress)
{
    Sides sides;
    ui::ScriptedDialogs dialogs;
    dialogs.setFallback(ui::vbOK);
    const bool haveFoxPro =
        settings.dbcChosen() ? !settings.dbcPath().isEmpty() : !settings.freeTableFolder().isEmpty();
    const bool haveParadox = !settings.paradoxFolder().isEmpty();
    if (haveFoxPro)
        FoxproSource::ListFoxProTables(sides.foxpro, FoxproSource::FoxProConnectionString(settings));
    if (haveParadox)
        ParadoxSource::ListParadoxTables(sides.paradox, settings, dialogs);
    // The sides whose tables are checked: the direction's source, else every side given.
    const bool fromFoxPro = options.direction ? *options.direction == CopyDirection::ToParadox : haveFoxPro;
    const bool fromParadox = options.direction ? *options.direction == CopyDirection::ToFoxPro : haveParadox;
    std::vector<TableCheck> checks;
    const auto find = [](const MemoryTableList &list, const QString &name) {
        for (int i = 0; i < list.count(); ++i)
            if (list.text(i) == name)
                return list.text(i);
        for (int i = 0; i < list.count(); ++i)
            if (list.text(i).compare(name, Qt::CaseInsensitive) == 0)
                return list.text(i);
        return QString();
    };
    if (options.tables.isEmpty()) {
        if (fromFoxPro)
            for (const QString &table : sides.foxpro.items())
                checks.push_back(checkTable(table, true, settings, options, sides, progress));
        if (fromParadox)
            for (const QString &table : sides.paradox.items())
                checks.push_back(checkTable(table, false, settings, options, sides, progress));
        return checks;
    }
    for (const QString &table : options.tables) {
        const QString onFoxPro = fromFoxPro ? find(sides.foxpro, table) : QString();
        const QString onParadox = fromParadox && onFoxPro.isEmpty() ? find(sides.paradox, table) : QString();
        if (onFoxPro.isEmpty() && onParadox.isEmpty()) {
            TableCheck missing;
            missing.table = table;
            missing.direction = options.direction;
            missing.problem = QStringLiteral("no such table on the %1 side")
                                  .arg(fromFoxPro && fromParadox ? QStringLiteral("FoxPro or the Paradox")
                                       : fromFoxPro              ? QStringLiteral("FoxPro")
                                                                 : QStringLiteral("Paradox"));
            checks.push_back(missing);
            continue;
        }
        checks.push_back(onFoxPro.isEmpty() ? checkTable(onParadox, false, settings, options, sides, progress)
                                            : checkTable(onFoxPro, true, settings, options, sides, progress));
    }
    return checks;
}

} // namespace tw::cli
