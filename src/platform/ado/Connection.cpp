#include "Connection.h"

#include "ProviderRegistry.h"
#include "Recordset.h"

namespace tw::ado {

Connection::~Connection() = default;

void Connection::Open(const QString &connectionString)
{
    if (m_session)
        throw RuntimeError(kErrObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    const ConnectionString cs = ConnectionString::parse(connectionString);
    const std::shared_ptr<Provider> provider = ProviderRegistry::instance().find(cs);
    ConnectionOptions options;
    options.cursorLocation = CursorLocation;
    options.mode = Mode;
    options.commandTimeout = CommandTimeout;
    options.connectionTimeout = ConnectionTimeout;
    std::unique_ptr<Session> session = provider->open(cs, options);
    if (!session)
        throw RuntimeError(QStringLiteral("%1 could not open %2.").arg(provider->name(), connectionString));
    session->setNewTableCodePage(m_newTableCodePage);
    session->setReadCodePage(m_readCodePage);
    session->setTextKeptAsStored(m_storedTextPages);
    session->setDropsToTrash(DropsToTrash);
    m_provider = provider;
    m_session = std::move(session);
    m_connectionString = connectionString;
}

void Connection::setNewTableCodePage(int codePage)
{
    m_newTableCodePage = codePage;
    if (m_session)
        m_session->setNewTableCodePage(codePage);
}

void Connection::setReadCodePage(int codePage)
{
    m_readCodePage = codePage;
    if (m_session)
        m_session->setReadCodePage(codePage);
}

void Connection::setTextKeptAsStored(Session::StoredTextPages pages)
{
    m_storedTextPages = std::move(pages);
    if (m_session)
        m_session->setTextKeptAsStored(m_storedTextPages);
}

const std::shared_ptr<Session> &Connection::session() const
{
    if (!m_session)
        throw RuntimeError(kErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    return m_session;
}

QStringList Connection::ColumnNamesFor(const QStringList &names, int codePage) const
{
    session();
    return m_provider->columnNamesFor(names, codePage);
}

void Connection::Execute(const QString &sql)
{
    session()->execute(sql);
}

void Connection::ExecuteInsert(const QString &table, std::vector<Variant> &values,
                               const std::function<QString()> &statementText)
{
    session()->insertRow(table, values, statementText);
}

void Connection::Prepare(const QString &sql, qint64 expectedRows)
{
    if (m_session)
        m_session->prepare(sql, expectedRows);
}

void Connection::ExpectRows(const QString &table, qint64 rows)
{
    session()->expectRows(table, rows);
}

Recordset Connection::OpenSchema(int schema)
{
    Recordset recordset;
    recordset.attach(session(), session()->openSchema(schema));
    return recordset;
}

void Connection::BeginTrans()
{
    if (m_inTransaction)
        throw RuntimeError(kErrNotSupported, QStringLiteral("A transaction is already open on this connection."));
    session()->beginTrans();
    m_inTransaction = true;
}

void Connection::CommitTrans()
{
    if (!m_inTransaction)
        throw RuntimeError(kErrNotSupported, QStringLiteral("No transaction is open on this connection."));
    // Whatever the commit does, the transaction is over: a failed commit has
    // left everything as it was.
    m_inTransaction = false;
    session()->commitTrans();
}

void Connection::RollbackTrans()
{
    if (!m_inTransaction)
        throw RuntimeError(kErrNotSupported, QStringLiteral("No transaction is open on this connection."));
    m_inTransaction = false;
    session()->rollbackTrans();
}

void Connection::Close()
{
    if (!m_session)
        throw RuntimeError(kErrObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
    // An open transaction ends with the session, which leaves everything as it was.
    m_inTransaction = false;
    m_session.reset();
}

} // namespace tw::ado
