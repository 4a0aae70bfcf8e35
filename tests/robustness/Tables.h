#pragma once
// Helpers of the robustness tests: source tables made by our own writers,
// the command-line program, and the independent readers' row counts.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "TestSupport.h"

namespace tw::robust {

// A FoxPro free table `name` in `folder`: ID N(10), NAME C(20), NOTE M, with
// `rows` rows; every tenth row has a memo. The row with ID k is the k-th.
void makeFoxProTable(const QString &folder, const QString &name, int rows);
// A Paradox table `name` in `folder`: ID long, NAME A20, NOTE M10 (the memo
// spills into the .mb every tenth row).
void makeParadoxTable(const QString &folder, const QString &name, int rows);

// tabwright-cli with arguments; stdin closed.
test::ProcessResult cli(const QStringList &args, int timeoutMs = 120000);
QString cliPath();

// The independent readers. Each returns the rows it read, or -1 (and the
// reader's complaint in `error`) when it could not read the table.
class Readers {
public:
    // Builds pxjson into `scratch`; false (with the reason in error()) when it cannot.
    bool prepare(const QString &scratch);
    const QString &error() const { return m_error; }
    qint64 paradoxRows(const QString &dbPath, QString *error = nullptr, QString *lastRow = nullptr) const;
    qint64 foxproRows(const QString &dbfPath, QString *error = nullptr, QString *lastRow = nullptr) const;

private:
    QString m_pxjson;
    QString m_dbfjson;
    QString m_error;
};

// The reports tabwright-cli printed on standard error: one per message box
// (a box is its message, then "in ... at line", "Please email ..." and the
// statement), questions answered by --yes/--no and the closing "TABLE: not
// copied: ..." lines left out, plus the program's own one-line complaints.
QStringList reports(const QByteArray &err);
// The path of file `name` in `folder`, found in any letter case; empty when none.
QString findFile(const QString &folder, const QString &name);
// An empty work database for copies to Paradox, in `folder`; returns its path.
QString makeWorkDatabase(const QString &folder);

// Every file of a folder with its size and content hash, to show that nothing changed.
QStringList snapshot(const QString &folder);
// The temporaries ("~tw...") a folder holds.
QStringList leftovers(const QString &folder);

// Fresh folders for a copy (fox, px, work) and the tabwright-cli arguments
// that copy between them; `options` (--yes, --no, ...) go before the tables.
class CopyFolders {
public:
    CopyFolders();
    QStringList toParadox(const QStringList &tables, const QStringList &options = {}) const;
    // `foxpro` names a container or another folder instead of fox.
    QStringList toFoxPro(const QStringList &tables, const QStringList &options = {}, const QString &foxpro = {}) const;

    QString fox, px, work;

private:
    std::shared_ptr<QTemporaryDir> m_dir;
};

} // namespace tw::robust
