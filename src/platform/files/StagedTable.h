#pragma once
// StagedTable: a table being built under a temporary name in the folder of the
// table it becomes (TempFiles.h: "~tw", six letters or digits, the table's
// suffixes), and how it takes that table's place. Both table writers build
// their tables through it, so every table is staged, put in place, rolled
// back and swept up by the same rules:
// - Making one first deletes what writers killed in that folder left behind.
// - While it lives it holds its main temporary locked, so no other writer's
//   sweep takes it for a leftover.
// - putInPlace() renames the temporaries to the table's names, companions
//   first and the main file last. Over an old table each file goes over its
//   old namesake in one step (replaceFile), so killed anywhere but in the
//   instant between two renames the names hold the old table or the new one;
//   the old table's files the new one has no counterpart of go afterwards.
//   Where no table is replaced nothing is renamed over, and a rename that
//   fails takes back those made before it.
// - discard(), or destroying it before putInPlace(), deletes the temporaries.

#include "TempFiles.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace tw::files {

class StagedTable {
public:
    // Stages a table in the real folder `folder`; `suffixes` are the table's,
    // the main file's first ("dbf", "fpt", "cdx"). No file is made here.
    StagedTable(const QString &folder, const QStringList &suffixes);
    ~StagedTable();
    StagedTable(StagedTable &&other) noexcept;
    StagedTable &operator=(StagedTable &&other) noexcept;
    StagedTable(const StagedTable &) = delete;
    StagedTable &operator=(const StagedTable &) = delete;

    // Real path of the temporary with `suffix` (whether it exists or not).
    QString temp(const QString &suffix) const;
    QString mainTemp() const { return temp(m_suffixes.front()); }

    // Locks the main temporary once its writer has made it, waiting a little
    // while another writer's sweep looks at it. False when it cannot.
    bool hold();

    // One temporary and the name it takes. `over` is the old table's file it
    // replaces when that is spelled otherwise than `to` (in letter case): the
    // new file goes over it in one step, then takes the spelling of `to`.
    struct Move {
        QString from;
        QString to;
        QString over;
    };
    // Puts the table in place: `moves` in their order, the main file's last.
    // `replacing`: an old table of the name is replaced; otherwise nothing is
    // renamed over (RuntimeError 58 when a name is taken). `before`: files in
    // the way that belong to no table (a memo file left without its table),
    // deleted first; `after`: the old table's files the new one has no
    // counterpart of (its indexes), deleted once the main file is in place,
    // as far as they can be. RuntimeError from the file layer when a rename
    // fails; the temporaries not yet renamed stay for discard().
    void putInPlace(const std::vector<Move> &moves, bool replacing, const QStringList &before = {},
                    const QStringList &after = {});
    bool placed() const { return m_placed; }

    // Deletes the temporaries and lets go of the lock: nothing of the new
    // table remains. Never throws; what cannot be deleted is swept up later.
    void discard();

private:
    QString m_base; // real path of the temporaries without suffix
    QStringList m_suffixes;
    std::unique_ptr<File> m_held;
    bool m_placed = false;
};

} // namespace tw::files
