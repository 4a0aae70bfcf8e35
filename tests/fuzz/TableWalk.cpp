#include "TableWalk.h"

#include "platform/ado/DamagedRows.h"
#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/RuntimeError.h"

namespace tw::fuzz {

namespace {

constexpr int kTableNameColumn = 2;
constexpr int kMaxTables = 16;

// Everything a reader tells besides its rows, in the form a user sees it.
qint64 describeNotes(const ado::Cursor &cursor)
{
    qint64 length = 0;
    for (const QString &warning : cursor.warnings())
        length += warning.size();
    if (const ado::DamagedRows *damaged = cursor.damagedRows())
        for (const ado::DamagedRow &row : damaged->first())
            length += ado::DamagedRows::describe(row).size();
    if (const ado::LostValues *lost = cursor.lostValues())
        for (const ado::LostValue &value : lost->first())
            length += value.value.size();
    return length;
}

} // namespace

qint64 walkSession(ado::Session &session, QChar open, QChar close, bool exactCount)
{
    QStringList names;
    try {
        auto schema = session.openSchema(ado::adSchemaTables);
        describeNotes(*schema);
        std::vector<ado::Variant> row;
        while (schema->fetch(row) && names.size() < kMaxTables)
            names << row.at(kTableNameColumn).toText();
    } catch (const ado::RuntimeError &) {
        return 0;
    }
    qint64 rows = 0;
    for (const QString &name : names) {
        try {
            auto cursor = session.query(QStringLiteral("SELECT * FROM ") + open + name + close, ado::OpenOptions{});
            const qint64 expected = cursor->rowCount();
            std::vector<ado::Variant> row;
            qint64 seen = 0;
            while (cursor->fetch(row)) {
                for (const ado::Variant &v : row)
                    (void)v.toText();
                ++seen;
            }
            if (seen > expected || (exactCount && seen != expected))
                __builtin_trap(); // not the rows the cursor announced
            describeNotes(*cursor);
            rows += seen;
        } catch (const ado::RuntimeError &) {
        }
    }
    return rows;
}

} // namespace tw::fuzz
