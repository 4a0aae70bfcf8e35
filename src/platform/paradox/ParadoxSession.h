#pragma once
// ParadoxSession: an open Paradox folder. Runs DROP TABLE, answers the tables
// schema, and opens streaming cursors for SELECT * FROM name.

#include "platform/ado/Provider.h"

#include <QString>

namespace tw::paradox {

class ParadoxSession final : public tw::ado::Session {
public:
    // folder: a real path of an existing folder.
    explicit ParadoxSession(QString folder);

    void execute(const QString &sql) override;
    std::unique_ptr<tw::ado::Cursor> openSchema(int schema) override;
    std::unique_ptr<tw::ado::Cursor> query(const QString &sql, const tw::ado::OpenOptions &options) override;

    const QString &folder() const { return m_folder; }

    // The real path of table `name` (with or without ".db") in the folder,
    // matched without regard to case; empty when there is none.
    QString findTable(const QString &name) const;
    // Deletes name.db and its companion files; RuntimeError when name.db
    // does not exist or a file cannot be deleted.
    void dropTable(const QString &name);

private:
    QString m_folder;
};

} // namespace tw::paradox
