#include "TableWalk.h"

#include "platform/ado/DataTypeEnum.h"
#include "platform/ado/RuntimeError.h"

namespace tw::fuzz {

namespace {

constexpr int kTableNameColumn = 2;
constexpr int kMaxTables = 16;

} // namespace

qint64 walkSession(ado::Session &session, QChar open, QChar close, bool exactRowCount)
{
    QStringList names;
    try {
        auto schema = session.openSchema(ado::adSchemaTables);
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
            if (seen > expected || (exactRowCount && seen != expected))
                __builtin_trap(); // other rows than the cursor announced
            for (const QString &warning : cursor->warnings())
                (void)warning.size();
            if (const ado::DamagedRows *damaged = cursor->damagedRows())
                for (const ado::DamagedRow &place : damaged->first())
                    (void)ado::DamagedRows::describe(place);
            if (const ado::LostValues *lost = cursor->lostValues())
                for (const ado::LostValue &value : lost->first())
                    (void)(value.value.size() + value.reason.size());
            rows += seen;
        } catch (const ado::RuntimeError &) {
        }
    }
    return rows;
}

} // namespace tw::fuzz
