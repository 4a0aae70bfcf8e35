#pragma once
// The table commands of the transfer window's buttons and of tabwright-cli:
// deleting the selected FoxPro tables, deleting the selected Paradox tables
// (with their companion files), and giving one Paradox table a new name.

#include <QString>
#include <QStringList>

namespace tw {
struct TransferContext;
}

namespace tw::transfer {

// "Delete Table/s" under "FoxPro Tables" (PushButton1).
void DeleteFoxProTables(TransferContext &context);
// "Delete Table/s" under "Paradox Tables" (PushButton5).
void DeleteParadoxTables(TransferContext &context);
// "Rename Table" under "Paradox Tables" (PushButton7).
void RenameParadoxTable(TransferContext &context);

// The files of a Paradox table's folder that belong to the table `name` besides
// its .db file: .mb, .px, .xNN, .yNN, .val, .tv, .fam (names as on disk).
QStringList CompanionFiles(const QString &folder, const QString &name);

// Why a new table name cannot be used ("" when it can): it must not be empty,
// hold a path separator or a character a file name cannot hold, or be "." or "..".
QString TableNameProblem(const QString &name);

} // namespace tw::transfer
