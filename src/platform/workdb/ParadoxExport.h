#pragma once
// ParadoxExport: writes a work table out as a new Paradox table, the work of
// "select * into [Paradox 5.x;Database=FOLDER].[name.db] from [table]".

#include "WorkColumn.h"

#include "platform/ado/LostValues.h"
#include "platform/paradox/TableWriter.h"

#include <QString>

#include <vector>

namespace tw::workdb {

class WorkDatabase;

struct ExportResult {
    qint64 rows = 0;
    qint64 unmappedCharacters = 0; // characters the table's code page cannot hold, written as "?"
    ado::LostValues lost;          // values their Paradox field cannot hold, written as Null
};

// The Paradox fields a work table (its real name) becomes, and the code page
// of its text: see exportToParadox.
struct ExportPlan {
    std::vector<paradox::NewField> fields;
    int codePage = 0;
};
ExportPlan exportPlan(WorkDatabase &database, const QString &table);
// The same for a work table of these columns made for text of `codePage`.
ExportPlan exportPlan(const std::vector<WorkColumn> &columns, int codePage);
// The type of a field of a plan as Paradox shows it: its letter, an alpha or
// bytes field's width after it, a BCD field's decimals ("M", "I", "N", "@",
// "B", "A255", "Y16", "#2" for two decimals, "#0" for none; "+", "$", "L",
// "D", "O" alone).
QString shownType(const paradox::NewField &field);

// Column types become Paradox fields: MEMO M, INT I, FLOAT N, DECIMAL N,
// DATETIME @, OLEOBJECT B, VARCHAR A (its width); COUNTER +, CURRENCY $,
// DECIMAL(p,s) # (s decimals), BIT L, DATE D, GENERAL O, BINARY Y (its
// width). The table takes the code
// page the work table was created for when Paradox can mark it, else
// Windows-1252. Field names are made as Paradox takes them (see
// paradoxFieldNames). Fails, writing nothing, when the target table exists
// and `replacement` (a held drop's permission) does not name it; a failure
// part-way leaves no table behind. `source` is the real name of a table whose
// rows the work database keeps (see exportableTable).
ExportResult exportToParadox(WorkDatabase &database, const QString &source, const QString &folder,
                             const QString &target, std::shared_ptr<ado::TableReplacement> replacement = nullptr);

// Before an export of `table`: the rows gathered are written and none were
// lost (else RuntimeError naming the table); its real name.
QString exportableTable(WorkDatabase &database, const QString &table);

// Field names as a Paradox table of this code page takes them: characters
// the page cannot hold become "?", characters Paradox does not allow "_",
// at most 25 bytes, unique without regard to case (a cut name that collides
// gets a number at its end).
QStringList paradoxFieldNames(const QStringList &names, int codePage = 0);

} // namespace tw::workdb
