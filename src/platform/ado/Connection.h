#pragma once
// Connection: an open source, as ADO's Connection object. The properties are
// set before Open; Open picks the provider from the connection string.

#include "Provider.h"

#include <memory>

namespace tw::ado {

class Recordset;

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    int CursorLocation = 2;
    int Mode = 0;
    int CommandTimeout = 30;
    int ConnectionTimeout = 15;
    // Not an ADO member: a DROP TABLE outside a transaction moves the table's
    // files to the system's trash where their volume has one (see
    // Session::setDropsToTrash); set before Open.
    bool DropsToTrash = false;

    void Open(const QString &connectionString);
    // Runs one statement; its result is not read.
    void Execute(const QString &sql);
    Recordset OpenSchema(int schema);
    // Not an ADO member: appends a row as Execute(statementText()) would, but
    // lets the provider take the values without reading a statement, so the
    // text is built only where a provider needs it (see Session::insertRow).
    void ExecuteInsert(const QString &table, std::vector<Variant> &values,
                       const std::function<QString()> &statementText);
    // Not an ADO member: says that `sql` will be executed once the rows now
    // to be added (about expectedRows of them) are all in, so that a provider
    // may begin its work while they arrive (see Session::prepare). Nothing
    // is run or reported here; Execute(sql) runs it and reports as ever.
    void Prepare(const QString &sql, qint64 expectedRows);
    // Not an ADO member: says that about `rows` rows are now to be appended
    // to `table` (named as the rows' statements name it); a provider whose
    // format cannot hold that many refuses them here, before the first (see
    // Session::expectRows), rather than part-way.
    void ExpectRows(const QString &table, qint64 rows);
    // Not an ADO member: the permission a DROP TABLE of `table` held back in
    // this connection's transaction gives to replace it (see
    // Session::heldDrop); nullptr when none is held or the connection is closed.
    std::shared_ptr<TableReplacement> HeldDrop(const QString &table) const
    {
        return m_session ? m_session->heldDrop(table) : nullptr;
    }
    // Not an ADO member: hands such a permission to this connection, whose
    // statements may write the replacing table (see Session::allowReplacement);
    // nothing when closed.
    void AllowReplacement(std::shared_ptr<TableReplacement> replacement)
    {
        if (m_session)
            m_session->allowReplacement(std::move(replacement));
    }
    // One transaction at a time: BeginTrans when one is open and
    // CommitTrans/RollbackTrans without one are refused.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool inTransaction() const { return m_inTransaction; }
    void Close();
    // 1 when open, 0 when closed.
    int State() const { return m_session ? 1 : 0; }

    // The open session; RuntimeError when the connection is closed.
    const std::shared_ptr<Session> &session() const;
    const QString &connectionString() const { return m_connectionString; }
    // Not an ADO member: characters the source's code page could not hold and
    // that were written as "?" through this connection; 0 when closed.
    qint64 replacedCharacters() const { return m_session ? m_session->replacedCharacters() : 0; }
    // Not an ADO member: values written as Null through this connection
    // because the target could not hold them; nullptr when none or closed.
    const LostValues *lostValues() const { return m_session ? m_session->lostValues() : nullptr; }
    // Not an ADO member: values written changed through this connection
    // (rounded, cut) because the target could not hold them as they were.
    const LostValues *changedValues() const { return m_session ? m_session->changedValues() : nullptr; }
    // Not an ADO member: the code page the tables this connection creates
    // from now on take for their text (a source table's, see
    // Recordset::codePage()), when the provider's format can record it;
    // 0 leaves it to the provider. Kept across Close and Open.
    void setNewTableCodePage(int codePage);
    // Not an ADO member: the code page the tables opened from now on are read
    // in, whatever their header names (see Session::setReadCodePage); 0 reads
    // each as marked. Kept across Close and Open.
    void setReadCodePage(int codePage);
    int readCodePage() const { return m_readCodePage; }
    // Not an ADO member: the code pages whose text the tables opened from now
    // on keep as stored bytes (see Session::setTextKeptAsStored). Kept across
    // Close and Open.
    void setTextKeptAsStored(Session::StoredTextPages pages);
    // Not an ADO member: the code page a table this connection creates now
    // writes its text in, given `codePage` (see Session::textPageOfNewTable);
    // 0 when closed.
    int TextPageOfNewTable(int codePage) const { return m_session ? m_session->textPageOfNewTable(codePage) : 0; }
    // Not an ADO member: the files DROP TABLE removed since the last call and
    // where each went; empty when closed.
    std::vector<RemovedFile> takeRemovedFiles()
    {
        return m_session ? m_session->takeRemovedFiles() : std::vector<RemovedFile>{};
    }
    int newTableCodePage() const { return m_newTableCodePage; }
    // Not an ADO member: column names as this connection's format takes them
    // in a CREATE TABLE (see Provider::columnNamesFor); RuntimeError when closed.
    QStringList ColumnNamesFor(const QStringList &names, int codePage) const;
    // Not an ADO member: the container that owns the table file `path`, empty
    // for a free table (see Session::containerOwning).
    QString ContainerOwning(const QString &path) const { return session()->containerOwning(path); }

private:
    std::shared_ptr<Provider> m_provider; // the one that opened m_session
    std::shared_ptr<Session> m_session;
    QString m_connectionString;
    bool m_inTransaction = false;
    int m_newTableCodePage = 0;
    int m_readCodePage = 0;
    Session::StoredTextPages m_storedTextPages;
};

} // namespace tw::ado
