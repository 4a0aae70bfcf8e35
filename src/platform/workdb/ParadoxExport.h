#pragma once
// ParadoxExport: the Paradox table a work table becomes, the work of
// "select * into [Paradox 5.x;Database=FOLDER].[name.db] from [table]": its
// fields, and the table itself when no row went to it (see PreparedExport).

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
// of its text. Column types become Paradox fields: MEMO M, INT I, FLOAT N,
// DECIMAL N, DATETIME @, OLEOBJECT B, VARCHAR A (its width); COUNTER +,
// CURRENCY $, DECIMAL(p,s) # (s decimals), BIT L, DATE D, GENERAL O, BINARY Y
// (its width). The table takes the code page the work table was created for
// when Paradox can mark it, else Windows-1252. Field names are made as
// Paradox takes them (see paradoxFieldNames).
struct ExportPlan {
    std::vector<paradox::NewField> fields;
    int codePage = 0;
};
ExportPlan exportPlan(WorkDatabase &database, const QString &table);
// The same for a work table of these columns made for text of `codePage`.
ExportPlan exportPlan(const std::vector<WorkColumn> &columns, int codePage);
// The code page the Paradox table of a work table made for text of
// `codePage` writes its text in.
int exportTextPage(int codePage);
// The type of a field of a plan as Paradox shows it: its letter, an alpha or
// bytes field's width after it, a BCD field's decimals ("M", "I", "N", "@",
// "B", "A255", "Y16", "#2" for two decimals, "#0" for none; "+", "$", "L",
// "D", "O" alone).
QString shownType(const paradox::NewField &field);

// Writes the Paradox table of `plan` with no rows, as a work table that took
// none is exported. Fails, writing nothing, when the target table exists and
// `replacement` (a held drop's permission) does not name it.
ExportResult exportWithoutRows(const ExportPlan &plan, const QString &folder, const QString &target,
                               std::shared_ptr<ado::TableReplacement> replacement = nullptr);

// Field names as a Paradox table of this code page takes them: characters
// the page cannot hold become "?", characters Paradox does not allow "_",
// at most 25 bytes, unique without regard to case (a cut name that collides
// gets a number at its end).
QStringList paradoxFieldNames(const QStringList &names, int codePage = 0);

} // namespace tw::workdb
