#pragma once
// Verify: reads a copied table back from its target and compares it with its
// source, row by row and value by value, by what the values mean across the
// type change the copy made (the rules are at sameByMeaning).

#include "transfer/ColumnPlan.h"
#include "transfer/TransferContext.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace tw {
class TableList;
namespace ado {
class Field;
class Recordset;
class Variant;
} // namespace ado
} // namespace tw

namespace tw::cli {

enum class CopyDirection { ToParadox, ToFoxPro };

// The code page the writers give the tables they create when the source
// has none (or one the target cannot mark); a character the target's code
// page cannot hold is written as "?".
inline constexpr int kTargetCodePage = 1252;
// How many differences a table's report shows.
inline constexpr int kShownDifferences = 5;

struct ValueDifference {
    qint64 row = 0; // from 1
    QString column; // the source column's name
    QString source; // both values in their dump form, long ones cut short
    QString target;
};

struct Verification {
    qint64 rows = 0;                    // rows compared
    qint64 values = 0;                  // values compared
    qint64 differing = 0;               // values that differ
    qint64 replacedCharacters = 0;      // "?" in the target for characters it cannot hold
    qint64 reportedLost = 0;            // differences the copy reported as values written as Null
    qint64 reportedChanged = 0;         // differences the copy reported as values written changed
    QString shapeProblem;               // a column or row count that differs ("" when none)
    std::vector<ValueDifference> shown; // the first kShownDifferences differences
    bool ok() const { return differing == 0 && shapeProblem.isEmpty(); }
};

// True when the target's code page (Windows-1252 unless given) has bytes for
// the character (a single-byte page's undefined bytes from 0x80 to 0x9F stand
// for the control characters of their numbers).
bool fitsTargetCodePage(char32_t c, int targetCodePage = kTargetCodePage);

// Text equality, except that a "?" in the target may stand for one character
// of the source (a surrogate pair counts as one) that the target's code page
// cannot hold; such places are added to *replaced.
bool sameText(QStringView source, QStringView target, qint64 *replaced = nullptr, int targetCodePage = kTargetCodePage);

// Whether the target value stands for the source field's current value after
// a copy in `direction`:
// - to FoxPro every value went as its text into a memo (or a blob): the
//   target's text equals the text the copy wrote (Null as ""), "?" allowed for
//   characters the code page cannot hold; bytes compare exactly.
// - to Paradox, by the work table's column type for the source column: Null
//   and the empty text or bytes are the same (Paradox keeps neither); memo and
//   varchar columns compare as texts ("?" allowed); integer and float columns
//   numerically; datetime columns as date and time of day (a date is at
//   midnight); binary columns byte for byte.
bool sameByMeaning(const ado::Field &source, const ado::Variant &target, CopyDirection direction,
                   qint64 *replaced = nullptr, int targetCodePage = kTargetCodePage);

// Walks both recordsets to their ends, comparing column k of the source with
// column k of the target by what the copy's mapping made of the column (with
// the kept types: numbers numerically, dates and timestamps as moments,
// logicals as such, a FoxPro C field's text without its end's blanks); a "?" may stand for a character the target
// table's own code page cannot hold. Differences the copy reported in `notes` (a target Null where the source has a
// value, up to the values reported lost; any other, up to the values reported changed) are counted as such and are no
// failure.
// The same tables opened a second time with their texts as stored (read in
// encoding::TextCodec::kStoredBytes), walked beside the others: a text is
// then also compared by its bytes, which no converter comes between. Where
// source and target have the same code page the bytes must be the same;
// elsewhere the source's page must give its bytes back from the text it read.
struct StoredTexts {
    ado::Recordset *source = nullptr;
    ado::Recordset *target = nullptr;
};

Verification compareTables(ado::Recordset &source, ado::Recordset &target, CopyDirection direction,
                           transfer::TypeMapping mapping = transfer::TypeMapping::Copies, const CopyNotes &notes = {},
                           StoredTexts stored = {});

// A selected source table of a copy and the table that stands for it on the
// target side afterwards.
struct PlannedCopy {
    enum class Outcome {
        Written,    // the copy writes the target
        Kept,       // the target exists and overwriting it was declined: it is compared as it is
        PassedOver, // shortening its name was declined: there is no target to compare
    };
    QString source;
    QString target;
    Outcome outcome = Outcome::Written;
};

// The selected source tables in the order the copy takes them, with their
// target names as the transfers decide them: a Paradox target is the source
// name, cut to 8 characters when longer; a FoxPro target is the source name,
// or the spelling of the table it overwrites. `yes` answers the questions.
std::vector<PlannedCopy> plannedCopies(const TableList &sourceList, const TableList &targetList,
                                       CopyDirection direction, bool yes);

// The report lines of one table: "TABLE: verified: N rows, M values" or the
// differences, one per line.
QStringList verificationLines(const PlannedCopy &copy, const Verification &result);
// The name a report gives the table: "SOURCE", or "SOURCE (as TARGET)".
QString reportName(const PlannedCopy &copy);

} // namespace tw::cli
