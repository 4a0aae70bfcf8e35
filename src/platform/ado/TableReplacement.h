#pragma once
// TableReplacement: the permission a DROP TABLE held back in a transaction
// gives a new table to take the dropped one's place. The session that holds the
// drop makes it and keeps it until its transaction ends; whoever writes the
// new table is handed it (it travels with the statement that writes the
// table, never through anything shared by the process). A writer that starts
// on the table claims it: from then on the drop is that table's, and the end
// of the transaction withdraws it (the old table stays) unless the new table
// took its place. The writer of a streamed export works on a thread of its
// own: every member may be called from any thread.

#include <QString>

#include <mutex>

namespace tw::ado {

class TableReplacement {
public:
    // dbPath: the real path of the existing table's file, as found on disk.
    explicit TableReplacement(const QString &dbPath);
    TableReplacement(const TableReplacement &) = delete;
    TableReplacement &operator=(const TableReplacement &) = delete;

    const QString &path() const { return m_path; }
    // True when `dbPath` is the table's file and the replacement may still
    // happen: it was neither taken nor withdrawn.
    bool allows(const QString &dbPath) const;
    // A writer started on the table (nothing once it is no longer allowed).
    void claim();
    // The new table took the old one's place; nothing is allowed after.
    void take();
    // The transaction ended: nothing is allowed after. True when it was
    // neither taken nor claimed until then: the drop was one of its own.
    bool withdraw();

    bool claimed() const;
    bool taken() const;
    // Neither taken nor withdrawn.
    bool open() const;

private:
    const QString m_path; // as given
    const QString m_key;  // cleaned, absolute
    mutable std::mutex m_mutex;
    bool m_claimed = false;
    bool m_taken = false;
    bool m_withdrawn = false;
};

} // namespace tw::ado
