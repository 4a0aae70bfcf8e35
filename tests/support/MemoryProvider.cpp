#include "MemoryProvider.h"

#include <optional>

#include "platform/ado/DataTypeEnum.h"
#include "platform/sql/Parser.h"

namespace tw::test {

namespace {

using ado::RuntimeError;
using ado::Variant;

int typeCode(const QString &word)
{
    if (word == u"INT" || word == u"INTEGER")
        return ado::adInteger;
    if (word == u"FLOAT" || word == u"DOUBLE")
        return ado::adDouble;
    if (word == u"DATETIME")
        return ado::adDBTimeStamp;
    if (word == u"OLEOBJECT" || word == u"BLOB")
        return ado::adLongVarBinary;
    if (word == u"VARCHAR")
        return ado::adVarChar;
    return ado::adLongVarChar;
}

class TableCursor final : public ado::Cursor {
public:
    TableCursor(MemoryTable &table, bool updatable) : m_table(table), m_updatable(updatable) {}
    const std::vector<ado::ColumnInfo> &columns() const override { return m_table.columns; }
    qint64 rowCount() const override { return static_cast<qint64>(m_table.rows.size()); }
    bool fetch(std::vector<Variant> &row) override
    {
        if (m_next >= m_table.rows.size())
            return false;
        row = m_table.rows[m_next++];
        return true;
    }
    bool updatable() const override { return m_updatable; }
    Variant convert(int column, const Variant &value) const override
    {
        if (value.isNull() || value.isEmpty())
            return value;
        switch (m_table.columns.at(static_cast<size_t>(column)).type) {
        case ado::adInteger:
            return Variant::integer(value.toInteger());
        case ado::adDouble:
            return Variant::real(value.toDouble());
        default:
            return value;
        }
    }
    void append(const std::vector<Variant> &row) override
    {
        if (!m_updatable)
            ado::Cursor::append(row);
        m_table.rows.push_back(row);
    }

private:
    MemoryTable &m_table;
    bool m_updatable;
    size_t m_next = 0;
};

class MemorySession final : public ado::Session {
public:
    explicit MemorySession(MemoryDatabase &db) : m_db(db) {}

    MemoryTable &table(const QString &name)
    {
        auto it = m_db.tables.find(name.toUpper());
        if (it == m_db.tables.end())
            throw RuntimeError(QStringLiteral("Table '%1' does not exist.").arg(name));
        return it->second;
    }

    void execute(const QString &text) override
    {
        m_db.executed << text;
        const sql::Statement statement = sql::parse(text);
        if (const auto *create = std::get_if<sql::CreateTable>(&statement)) {
            if (m_db.tables.count(create->table.toUpper()))
                throw RuntimeError(QStringLiteral("Table '%1' already exists.").arg(create->table));
            MemoryTable table;
            for (const sql::ColumnDef &column : create->columns)
                table.columns.push_back({column.name, typeCode(column.typeName)});
            m_db.tables[create->table.toUpper()] = std::move(table);
        } else if (const auto *drop = std::get_if<sql::DropTable>(&statement)) {
            table(drop->table);
            m_db.tables.erase(drop->table.toUpper());
        } else if (const auto *insert = std::get_if<sql::Insert>(&statement)) {
            MemoryTable &target = table(insert->table);
            if (insert->values.size() != target.columns.size())
                throw RuntimeError(QStringLiteral("Number of query values and destination fields are not the same."));
            std::vector<Variant> row;
            for (const sql::Literal &literal : insert->values)
                row.push_back(literal.kind == sql::Literal::Kind::Null ? Variant::null() : Variant::text(literal.text));
            target.rows.push_back(std::move(row));
        } else {
            throw RuntimeError(QStringLiteral("Statement not supported here: %1").arg(text));
        }
    }

    std::unique_ptr<ado::Cursor> openSchema(int schema) override
    {
        if (schema != ado::adSchemaTables)
            throw RuntimeError(QStringLiteral("Schema %1 is not supported.").arg(schema));
        std::vector<ado::SchemaTable> tables;
        for (const auto &[key, table] : m_db.tables)
            tables.push_back({key, table.type});
        return ado::makeTablesSchema(tables);
    }

    std::unique_ptr<ado::Cursor> query(const QString &text, const ado::OpenOptions &options) override
    {
        const sql::Statement statement = sql::parse(text);
        const auto *select = std::get_if<sql::SelectAll>(&statement);
        if (!select)
            throw RuntimeError(QStringLiteral("Only SELECT * FROM opens rows: %1").arg(text));
        return std::make_unique<TableCursor>(table(select->table), options.wantsUpdates());
    }

    // A transaction keeps a copy of the tables to go back to.
    void beginTrans() override { m_saved = m_db.tables; }
    void commitTrans() override { m_saved.reset(); }
    void rollbackTrans() override
    {
        if (m_saved)
            m_db.tables = std::move(*m_saved);
        m_saved.reset();
    }
    ~MemorySession() override { rollbackTrans(); }

private:
    MemoryDatabase &m_db;
    std::optional<std::map<QString, MemoryTable>> m_saved;
};

} // namespace

bool MemoryProvider::accepts(const ado::ConnectionString &cs) const
{
    return cs.valueOr(QStringLiteral("Provider")).compare(acceptedProvider, Qt::CaseInsensitive) == 0;
}

std::unique_ptr<ado::Session> MemoryProvider::open(const ado::ConnectionString &cs,
                                                   const ado::ConnectionOptions &options)
{
    lastOptions = options;
    MemoryDatabase &db = database(cs.valueOr(QStringLiteral("Data Source")));
    if (db.failOpen || refused.contains(cs.valueOr(QStringLiteral("Data Source"))))
        throw RuntimeError(QStringLiteral("Cannot open the memory database '%1'.").arg(cs.valueOr("Data Source")));
    return std::make_unique<MemorySession>(db);
}

} // namespace tw::test
