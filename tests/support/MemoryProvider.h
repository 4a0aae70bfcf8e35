#pragma once
// MemoryProvider: a provider whose tables live in memory, for tests of the
// object model and of commands. Connection string:
// "Provider=Memory;Data Source=<database name>;". CREATE TABLE, DROP TABLE,
// INSERT and SELECT * FROM are understood; SELECT opened with lock type 3
// appends rows.

#include "platform/ado/Provider.h"

#include <functional>
#include <map>
#include <memory>

namespace tw::test {

struct MemoryTable {
    std::vector<ado::ColumnInfo> columns;
    std::vector<std::vector<ado::Variant>> rows;
    QString type = QStringLiteral("TABLE");
};

struct MemoryDatabase {
    std::map<QString, MemoryTable> tables; // keyed by upper-cased name
    QStringList executed;                  // every statement text, in order
    bool failOpen = false;
};

class MemoryProvider final : public ado::Provider {
public:
    QString name() const override { return QStringLiteral("Memory provider"); }
    bool accepts(const ado::ConnectionString &cs) const override;
    std::unique_ptr<ado::Session> open(const ado::ConnectionString &cs, const ado::ConnectionOptions &options) override;
    QStringList columnNamesFor(const QStringList &names, int codePage) const override
    {
        return columnNames ? columnNames(names, codePage) : names;
    }

    // The database a connection string names; created empty when new.
    MemoryDatabase &database(const QString &name) { return m_databases[name]; }
    ado::ConnectionOptions lastOptions;
    // The Provider value this provider answers to (e.g. "vfpoledb.1" to stand in for a real one).
    QString acceptedProvider = QStringLiteral("Memory");
    // Data sources that fail to open.
    QStringList refused;
    // The column names its format gives a CREATE TABLE (Provider::columnNamesFor),
    // so that it may stand in for a format with rules; unset gives them as they are.
    std::function<QStringList(const QStringList &, int)> columnNames;

private:
    std::map<QString, MemoryDatabase> m_databases;
};

} // namespace tw::test
