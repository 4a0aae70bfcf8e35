#include "StagedTable.h"

#include "File.h"
#include "FileSystem.h"
#include "SystemCalls.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace tw::files {

namespace {

// How long a new writer waits for a sweep to let go of its temporary.
constexpr int kLockWaitMs = 10000;

// True when two real paths name one entry as the system reads names: the
// separators may differ, and where the system ignores letter case, the case.
bool sameEntry(const QString &a, const QString &b)
{
    const auto spelt = [](QString path) {
        for (QChar &c : path)
            if (detail::isNativeSeparator(c))
                c = u'/';
        return path;
    };
    return spelt(a).compare(spelt(b), detail::namesIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

} // namespace

StagedTable::StagedTable(const QString &folder, const QStringList &suffixes) : m_suffixes(suffixes)
{
    removeStaleTemps(folder, suffixes.front(), suffixes.mid(1));
    m_base = freshTempBase(folder, suffixes);
}

StagedTable::~StagedTable()
{
    discard();
}

StagedTable::StagedTable(StagedTable &&other) noexcept = default;

StagedTable &StagedTable::operator=(StagedTable &&other) noexcept
{
    if (this != &other) {
        discard();
        m_base = std::move(other.m_base);
        m_suffixes = std::move(other.m_suffixes);
        m_held = std::move(other.m_held);
        m_placed = other.m_placed;
        other.m_base.clear();
        other.m_suffixes.clear();
    }
    return *this;
}

QString StagedTable::temp(const QString &suffix) const
{
    return m_base + u'.' + suffix;
}

bool StagedTable::hold()
{
    try {
        auto file = std::make_unique<File>(mainTemp(), File::Mode::Read);
        const QDeadlineTimer deadline(kLockWaitMs);
        while (!file->tryLock()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(1);
        }
        m_held = std::move(file);
        return true;
    } catch (const ado::RuntimeError &) {
        return false;
    }
}

void StagedTable::putInPlace(const std::vector<Move> &moves, bool replacing, const QStringList &before,
                             const QStringList &after)
{
    for (const QString &path : before)
        removeFile(path, {.form = PathForm::Real, .missingFails = false});
    size_t done = 0;
    try {
        for (; done < moves.size(); ++done) {
            const Move &move = moves[done];
            if (!replacing) {
                renameWithoutReplacing(move.from, move.to);
            } else if (move.over.isEmpty() || move.over == move.to) {
                replaceFile(move.from, move.to);
            } else {
                replaceFile(move.from, move.over);
                renameFile(move.over, move.to); // the spelling the table's name asks for
            }
        }
    } catch (const ado::RuntimeError &) {
        // Nothing was renamed over: what was renamed goes back to its temporary name.
        while (!replacing && done > 0) {
            --done;
            try {
                renameWithoutReplacing(moves[done].to, moves[done].from);
            } catch (const ado::RuntimeError &) {
                // stays beside no table, for the next writer of the name to delete
            }
        }
        throw;
    }
    // Never what was just put in place, however the caller spelt it.
    for (const QString &path : after)
        if (std::none_of(moves.begin(), moves.end(), [&](const Move &move) { return sameEntry(path, move.to); }))
            removeFile(path, kLeftover);
    m_placed = true;
    m_held.reset();
}

void StagedTable::discard()
{
    if (!m_placed) {
        for (const QString &suffix : std::as_const(m_suffixes))
            removeFile(temp(suffix), kLeftover);
    }
    m_held.reset();
}

} // namespace tw::files
