#pragma once
// TransferContext: everything a transfer or table command works on, given as
// interfaces so that the window and the command-line program run the same code.

#include "common/CommandGuard.h"
#include "platform/ado/DamagedRows.h"
#include "platform/ado/LostValues.h"
#include "platform/ado/Provider.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace tw {
class ConnectionSettings;
class TableList;
namespace ui {
class Dialogs;
class PointerTarget;
} // namespace ui

// The window's progress bar (values 0 to 100 and a caption).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setProgressValue(int value) = 0;
    virtual void setProgressText(const QString &text) = 0;
};

class NullProgress final : public ProgressSink {
public:
    void setProgressValue(int value) override { lastValue = value; }
    void setProgressText(const QString &text) override { lastText = text; }
    int lastValue = 0;
    QString lastText;
};

// What one table's copy could not carry as it was.
struct CopyNotes {
    qint64 replacedCharacters = 0; // characters written as "?"
    ado::LostValues lost;          // values written as Null
    ado::LostValues changed;       // values written changed (rounded, cut)
    ado::DamagedRows damaged;      // source rows set aside as damaged
    QStringList warnings;          // what the reader read past in the source's header
    bool empty() const
    {
        return replacedCharacters == 0 && lost.empty() && changed.empty() && damaged.empty() && warnings.isEmpty();
    }
};

// How one selected table ended, for callers that report per table (the command line).
struct TableOutcome {
    enum class Kind {
        Copied,     // arrived whole, no failure on the way
        PassedOver, // the user answered No
        Refused,    // not the program's to replace (reason says why)
        Failed,     // a failure was reported: the table did not arrive, or arrived with rows missing
    };
    QString table; // the source name
    Kind kind = Kind::Copied;
    QString reason;
    CopyNotes notes = {};
};

// The code pages the user chose for reading single tables in this run of the
// program (in the table's preview): the next copies of such a table read it in
// that page, whatever its header names, and mark their target with it.
class ReadCodePages {
public:
    enum class Side { FoxPro, Paradox };
    // 0 forgets the choice. Table names are matched without regard to case.
    void choose(Side side, const QString &table, int codePage)
    {
        if (codePage == 0)
            m_pages.remove(key(side, table));
        else
            m_pages.insert(key(side, table), codePage);
    }
    // 0 when none was chosen.
    int of(Side side, const QString &table) const { return m_pages.value(key(side, table)); }

private:
    static QString key(Side side, const QString &table)
    {
        return (side == Side::FoxPro ? QStringLiteral("f:") : QStringLiteral("p:")) + table.toLower();
    }
    QHash<QString, int> m_pages;
};

struct TransferContext {
    ui::Dialogs &dialogs;
    const ConnectionSettings &settings;
    TableList &foxproList;  // List1
    TableList &paradoxList; // List2
    ui::PointerTarget &pointer;
    ProgressSink &progress;
    // The work database file, as a path text.
    QString workDatabase;
    // When set and a close was requested, a command stops after the row it is writing.
    const BusyState *busy = nullptr;

    // Set by the command line's --permanent: the delete commands delete the
    // tables' files for good rather than moving them to the system's trash.
    bool deletePermanently = false;
    // Set by the delete commands: each file removed and where it went.
    std::vector<ado::RemovedFile> removedFiles = {};

    // Set by the transfers: characters the target's code page could not hold,
    // written as "?" (the window says nothing of them; the command line reports them).
    qint64 replacedCharacters = 0;
    // Set by the transfers: values the source could not read or the target
    // could not hold, written as Null (counted like the characters above).
    ado::LostValues lostValues = {};
    // Set by the transfers: values written changed (rounded, cut) because the
    // target could not hold them as they were, and source rows set aside as
    // damaged (each table's own are in its outcome's notes).
    ado::LostValues changedValues = {};
    ado::DamagedRows damagedRows = {};
    // Set by the command line's --codepage: the source tables are read in this
    // code page whatever their marks say, and their copies are marked with it;
    // 0 reads each as marked.
    int readCodePage = 0;
    // Set by the command line's --keep-types and the window's "Keep field
    // types": each field becomes the target format's own field of the same
    // kind (see transfer::TypeMapping); else the copies' own types.
    bool keepFieldTypes = false;
    // When set, a table whose source has damaged rows is not copied at all
    // (a failure) instead of being copied without them.
    bool refuseDamagedTables = false;
    // Set by the transfers: one entry per selected table, in the order they were taken.
    std::vector<TableOutcome> outcomes = {};
    // The code pages chosen for reading single source tables; none when not set.
    const ReadCodePages *readCodePages = nullptr;

    bool stopRequested() const { return busy && busy->closeRequested(); }
    // The code page a source table is read in: the one chosen for it, else
    // the one chosen for every table; 0 reads it as marked.
    int readCodePageOf(ReadCodePages::Side side, const QString &table) const
    {
        const int chosen = readCodePages ? readCodePages->of(side, table) : 0;
        return chosen != 0 ? chosen : readCodePage;
    }
};

// The caption the progress bar shows between tables.
inline constexpr char kProgressCaption[] = "Progress Bar";

// The progress bar's value while row `row` (from 0) of rows 0..lastRow is copied:
// (row + 1) / (lastRow + 1) * 100, computed in floating point and rounded.
inline int ProgressPercent(qint64 row, qint64 lastRow)
{
    return static_cast<int>(static_cast<double>(row + 1) / static_cast<double>(lastRow + 1) * 100.0 + 0.5);
}

} // namespace tw
