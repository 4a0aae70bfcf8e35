#pragma once
// ParadoxSession: an open Paradox folder. Runs DROP TABLE, answers the tables
// schema, and opens streaming cursors for SELECT * FROM name.

#include "platform/ado/Provider.h"

#include <QString>
#include <QStringList>

namespace tw::paradox {

class ParadoxSession final : public tw::ado::Session {
public:
    // folder: a real path of an existing folder.
    explicit ParadoxSession(QString folder);
    ~ParadoxSession() override;

    void execute(const QString &sql) override;
    std::unique_ptr<tw::ado::Cursor> openSchema(int schema) override;
    std::unique_ptr<tw::ado::Cursor> query(const QString &sql, const tw::ado::OpenOptions &options) override;
    std::unique_ptr<tw::ado::RowSource> openRows(const QString &table) override;
    // Inside a transaction DROP TABLE only allows a table writer to replace the
    // table (see Replacements); the old table stays until one does. Commit and
    // rollback alike end that allowance; a commit then deletes a held table
    // that no writer claimed (a DROP TABLE of its own), and withdraws the
    // drop of one whose new table never arrived.
    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;

    const QString &folder() const { return m_folder; }

    // The real path of table `name` (with or without ".db") in the folder,
    // matched without regard to case; empty when there is none.
    QString findTable(const QString &name) const;
    // Deletes name.db and its companion files; RuntimeError when name.db
    // does not exist or a file cannot be deleted. Inside a transaction the
    // table is only allowed to be replaced.
    void dropTable(const QString &name);

private:
    // Ends the transaction's allowances; returns the held tables no writer claimed.
    QStringList endTransaction();
    void removeTable(const QString &db);

    QString m_folder;
    bool m_inTransaction = false;
    QStringList m_heldDrops; // real paths of .db files allowed to be replaced
};

} // namespace tw::paradox
