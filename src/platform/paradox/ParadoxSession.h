#pragma once
// ParadoxSession: an open Paradox folder. Runs DROP TABLE, answers the tables
// schema, and opens streaming cursors for SELECT * FROM name.

#include "platform/ado/Provider.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

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
    // Inside a transaction DROP TABLE only makes a permission for a table
    // writer to replace the table (see heldDrop); the old table stays until a
    // writer holding it does. Commit and rollback alike withdraw the
    // permissions; a commit then deletes a held table that no writer claimed
    // (a DROP TABLE of its own), and withdraws the drop of one whose new
    // table never arrived.
    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;

    // The permission the drop of `name` (with or without ".db") held in the
    // open transaction gives, for the writer of its new table; nullptr when
    // none is held.
    std::shared_ptr<tw::ado::TableReplacement> heldDrop(const QString &name) const override;

    const QString &folder() const { return m_folder; }

    // The real path of table `name` (with or without ".db") in the folder,
    // matched without regard to case; empty when there is none.
    QString findTable(const QString &name) const;
    // Deletes name.db and its companion files; RuntimeError when name.db
    // does not exist or a file cannot be deleted. Inside a transaction the
    // table is only allowed to be replaced.
    void dropTable(const QString &name);

private:
    // Ends the transaction's permissions; returns the held tables no writer claimed.
    QStringList endTransaction();
    void removeTable(const QString &db);

    QString m_folder;
    bool m_inTransaction = false;
    // The permissions to replace the .db files dropped in the transaction.
    std::vector<std::shared_ptr<tw::ado::TableReplacement>> m_heldDrops;
};

} // namespace tw::paradox
