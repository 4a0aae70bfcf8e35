#pragma once
// Check: what a copy would do to each table, told before it happens and
// without changing a file. Each source table is read in full through the
// reader the copy uses, and each value goes through the conversions the copy
// makes (the work table's columns and the Paradox field codec to Paradox, the
// FoxPro value text and the target's code page to FoxPro), counting what they
// would lose or change.

#include "Verify.h"

#include "platform/ado/DamagedRows.h"
#include "platform/ado/LostValues.h"
#include "platform/encoding/CodePageGuess.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <vector>

namespace tw {
class ConnectionSettings;
}

namespace tw::cli {

// What one column becomes.
struct CheckedColumn {
    QString source;     // its name
    QString sourceType; // "C(20)", "N(10,2)", "A40", "#"
    QString target;     // the target's name for it
    QString targetType; // "M", "I", "N", "@", "A40", "BLOB"
};

struct TableCheck {
    QString table;         // as named on the command line
    QString problem;       // why it could not be read; the rest is empty then
    QString format;        // "FoxPro table (Visual FoxPro)", "Paradox 7 table"
    qint64 rows = 0;       // whole rows the copy would take
    qint64 deleted = -1;   // rows marked deleted (FoxPro), -1 when the format has none
    int codePage = 0;      // the page the text is read with
    int mark = 0;          // the page the table names, 0 for none
    bool chosen = false;   // the page was chosen with --codepage
    bool doubtful = false; // no mark, or the text reads better with another page
    std::vector<encoding::CodePageCandidate> guesses;
    QString memoFile; // the memo or blob file, empty when the table needs none
    bool memoSound = true;
    qint64 memoUnreadable = 0;  // values the memo file could not give
    QString memoProblem;        // the first of them: where, and what is wrong
    QStringList warnings;       // what the reader read past in the header
    ado::DamagedRows damaged;   // rows the copy would leave out
    ado::LostValues unreadable; // values the reader could not read (written as Null)
    ado::LostValues misread;    // texts whose bytes the code page does not give back (written changed)

    // With a direction.
    std::optional<CopyDirection> direction;
    QString target;        // the target table's name
    QString targetProblem; // the copy would pass it over or refuse it: why
    QString targetNote;    // the target exists (replaced only with --yes), who owns it
    std::vector<CheckedColumn> columns;
    qint64 replacedCharacters = 0; // characters the target's code page cannot hold
    ado::LostValues lost;          // values the target cannot hold, written as Null
    ado::LostValues changed;       // values written changed
    qint64 targetBytes = 0;        // the largest file of the target, predicted
    qint64 targetLimit = 0;        // the most its format holds
    QString targetFile;            // which file that is ("CUSTOMER.DB")
    QString limitProblem;          // the copy would be refused for size: why

    // Whether every row and value would arrive as it is.
    bool whole() const;
};

struct CheckOptions {
    std::optional<CopyDirection> direction;
    int codePage = 0; // --codepage: read the sources with this page (0: their marks)
    bool json = false;
    bool yes = false;       // --yes: an existing target would be replaced, a long name cut
    bool keepTypes = false; // --keep-types: the copy would keep each field's type
    QStringList tables;     // empty: every table of the source side
};

// Checks each table of the source side (FoxPro without a direction or to
// Paradox, Paradox to FoxPro). Progress goes to `progress` every few seconds
// of a long table. Never changes a file.
std::vector<TableCheck> checkTables(const ConnectionSettings &settings, const CheckOptions &options,
                                    std::FILE *progress);

// The report of the checks, as text lines or one JSON document.
QString checkReport(const std::vector<TableCheck> &checks);
QJsonObject checkJson(const std::vector<TableCheck> &checks);

} // namespace tw::cli
