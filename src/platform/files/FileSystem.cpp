// The portable half of the file layer: path texts, wildcards, the one
// letter-case lookup, the one delete, the messages File words alike on every
// system, and the fault plan tests set. Everything that calls the operating
// system is in the *<System>.cpp files beside this one (FileSystemPosix.cpp,
// FilePosix.cpp, MappedViewPosix.cpp, TrashPosix.cpp), which CMake picks for
// the system built for.

#include "FileSystem.h"
#include "FaultPlan.h"
#include "File.h"
#include "SystemCalls.h"

#include "platform/ado/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace tw::files {

using tw::ado::RuntimeError;

namespace {

constexpr QChar kSlash = QLatin1Char('/');
constexpr QChar kBackslash = QLatin1Char('\\');
constexpr QChar kDriveColon = QLatin1Char(':');

// The texts planned faults give as their reason, as the system words them.
const char kPlannedReadFault[] = "Input/output error";
const char kPlannedWriteFault[] = "No space left on device";

std::vector<DirEntry> listFiltered(const QString &folder, const QString &pattern, int required, int excluded)
{
    std::vector<DirEntry> all = listDirectory(folder, pattern);
    std::vector<DirEntry> kept;
    for (DirEntry &entry : all) {
        if ((entry.attributes & required) == required && !(entry.attributes & excluded))
            kept.push_back(std::move(entry));
    }
    return kept;
}

bool matchFolded(const QList<uint> &pattern, const QList<uint> &name)
{
    constexpr uint star = '*';
    constexpr uint question = '?';
    constexpr qsizetype none = -1;
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = none; // last "*" seen; where to resume after a mismatch
    qsizetype starName = 0;  // how much of the name that "*" has taken so far
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == star) {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == question || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starAt != none) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == star)
        ++p;
    return p == pattern.size();
}

QList<uint> caseFolded(const QString &text)
{
    QList<uint> folded = text.toUcs4();
    for (uint &c : folded)
        c = QChar::toCaseFolded(char32_t(c));
    return folded;
}

// The index of the last separator of a real path after its root; -1 when
// there is none.
qsizetype lastSeparatorAfter(const QString &native, qsizetype rootLength)
{
    for (qsizetype i = native.size(); i > rootLength; --i) {
        if (detail::isNativeSeparator(native[i - 1]))
            return i - 1;
    }
    return -1;
}

// The real path of `name` in the real folder `folder`. A root without a
// separator of its own ("C:", a drive's current folder) takes the name as it is.
QString joined(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || detail::isNativeSeparator(folder.back()))
        return folder + name;
    qsizetype rootLength = 0;
    detail::rootOf(folder, &rootLength);
    if (rootLength == folder.size())
        return folder + name;
    return folder + detail::nativeSeparator() + name;
}

bool holdsSeparator(const QString &name)
{
    return std::any_of(name.cbegin(), name.cend(), [](QChar c) { return detail::isNativeSeparator(c); });
}

bool isKind(const QString &native, EntryKind kind)
{
    return kind == EntryKind::Any ? detail::entryExists(native) : detail::isRegularFile(native);
}

// What comes before a name's last "." (the whole name when it has none).
QStringView baseOf(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

// Names in byte order of their encoded form.
template <typename Names> void sortByBytes(Names &names)
{
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return QFile::encodeName(a) < QFile::encodeName(b); });
}

// The entries of `folder` a lookup of `name` may take, of the nearest
// spelling there is, in byte order of their encoded names: the entry spelled
// exactly as asked alone; else those whose name before the suffix is spelled
// exactly as asked, the suffix in another letter case (a user never types the
// suffix: "Orders" is asked as "Orders.dbf" for "Orders.DBF"); else every entry
// spelled in other letter case. More than one means the name does not tell
// which entry is meant.
QStringList nearestEntries(const QString &folder, const QString &name, EntryKind kind)
{
    if (name.isEmpty() || holdsSeparator(name))
        return {};
    if (isKind(joined(folder, name), kind))
        return {name};
    const QStringView base = baseOf(name);
    QStringList sameBase;
    QStringList other;
    for (const QString &entry : detail::entryNames(folder.isEmpty() ? QStringLiteral(".") : folder)) {
        if (entry.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (kind != EntryKind::Any && !isKind(joined(folder, entry), kind))
            continue;
        (baseOf(entry) == base ? sameBase : other) << entry;
    }
    QStringList &nearest = sameBase.isEmpty() ? other : sameBase;
    sortByBytes(nearest);
    return nearest;
}

// The refusal of a lookup whose name fits several entries alike.
RuntimeError ambiguity(const QString &folder, const QString &name, const QStringList &entries)
{
    const QString named = entries.size() == 2 ? entries.join(QStringLiteral(" and "))
                                              : entries.mid(0, entries.size() - 1).join(QStringLiteral(", ")) +
                                                    QStringLiteral(" and ") + entries.back();
    return RuntimeError(
        RuntimeError::Kind::File, kErrPathFileAccess,
        QStringLiteral("%1 holds %2, which differ from \"%3\" in letter case only: which of them "
                       "is meant cannot be told.")
            .arg(folder.isEmpty() ? QStringLiteral(".") : QDir::toNativeSeparators(folder), named, name));
}

// The one entry a lookup of `name` takes; empty when there is none.
// RuntimeError when several fit alike.
QString entryNamed(const QString &folder, const QString &name, EntryKind kind)
{
    const QStringList nearest = nearestEntries(folder, name, kind);
    if (nearest.size() > 1)
        throw ambiguity(folder, name, nearest);
    return nearest.isEmpty() ? QString() : nearest.front();
}

// Entry names of `folder` sorted by their encoded bytes, as real paths.
std::vector<QString> inByteOrder(const QString &folder, std::vector<QString> names)
{
    sortByBytes(names);
    for (QString &name : names)
        name = joined(folder, name);
    return names;
}

// The plan tests set, and what File has written while it holds.
struct PlanState {
    std::atomic<bool> active{false};
    std::mutex lock;
    FaultPlan plan;
    qint64 written = 0;
};

PlanState &planState()
{
    static PlanState state;
    return state;
}

} // namespace

namespace detail {

QString parentOf(QString native)
{
    qsizetype rootLength = 0;
    const QString root = rootOf(native, &rootLength);
    while (native.size() > rootLength && isNativeSeparator(native.back()))
        native.chop(1);
    const qsizetype cut = lastSeparatorAfter(native, rootLength);
    if (cut < 0)
        return rootLength > 0 ? root : QStringLiteral(".");
    return native.left(cut);
}

QString lastComponent(QString native)
{
    qsizetype rootLength = 0;
    rootOf(native, &rootLength);
    while (native.size() > rootLength && isNativeSeparator(native.back()))
        native.chop(1);
    return native.mid(std::max(lastSeparatorAfter(native, rootLength) + 1, rootLength));
}

void raise(int number, const QString &what, const QString &reason)
{
    throw RuntimeError(number, QStringLiteral("%1: %2").arg(what, reason));
}

} // namespace detail

bool isSeparator(QChar c)
{
    return c == kSlash || c == kBackslash;
}

QString toNativePath(const QString &path)
{
    if (path.isEmpty())
        return {};
    qsizetype rootLength = 0;
    const QString root = detail::rootOf(path, &rootLength);
    const bool trailing = path.size() > rootLength && isSeparator(path.back());
    const QChar separator = detail::nativeSeparator();

    QStringList parts;
    qsizetype start = rootLength;
    for (qsizetype i = rootLength; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            if (i > start)
                parts.append(path.mid(start, i - start));
            start = i + 1;
        }
    }

    QString result = root;
    bool walking = true; // false once a component does not exist: the rest is kept as written
    for (const QString &part : parts) {
        const QString prefix = result == root || result.endsWith(separator) ? result : result + separator;
        QString chosen = part;
        if (walking) {
            // A path text never fails: of entries that fit alike, the first in byte order.
            const QStringList found = nearestEntries(result, part, EntryKind::Any);
            if (found.isEmpty())
                walking = false;
            else
                chosen = found.front();
        }
        result = prefix + chosen;
    }
    if (trailing && !result.endsWith(separator))
        result += separator;
    return result;
}

QString fileName(const QString &path)
{
    for (qsizetype i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1]))
            return path.mid(i);
    }
    return path;
}

QString findInFolder(const QString &folder, const QString &name, EntryKind kind)
{
    const QString entry = entryNamed(folder, name, kind);
    return entry.isEmpty() ? QString() : joined(folder, entry);
}

std::vector<QString> findAllInFolder(const QString &folder, const QString &name)
{
    std::vector<QString> found;
    if (name.isEmpty() || holdsSeparator(name))
        return found;
    for (const QString &entry : detail::entryNames(folder.isEmpty() ? QStringLiteral(".") : folder)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && detail::isRegularFile(joined(folder, entry)))
            found.push_back(entry);
    }
    return inByteOrder(folder, std::move(found));
}

std::vector<QString> findWithBase(const QString &folder, const QString &base)
{
    std::vector<QString> found;
    if (base.isEmpty() || holdsSeparator(base))
        return found;
    for (const QString &entry : detail::entryNames(folder.isEmpty() ? QStringLiteral(".") : folder)) {
        const qsizetype dot = entry.lastIndexOf(u'.');
        if (dot == base.size() && QStringView(entry).left(dot).compare(base, Qt::CaseInsensitive) == 0 &&
            detail::isRegularFile(joined(folder, entry)))
            found.push_back(entry);
    }
    return inByteOrder(folder, std::move(found));
}

Disposal removeFile(const QString &path, const Removal &how)
{
    Disposal done{path, {}, false};
    try {
        const QString native = how.form == PathForm::Text ? toNativePath(path) : path;
        if (how.way != Removal::Way::ForGood) {
            done.trashedAs = detail::moveToTrash(native);
            if (!done.trashedAs.isEmpty() || how.way == Removal::Way::Trash)
                return done;
        }
        detail::removeEntry(native, !how.readOnlyToo, how.missingFails);
    } catch (const RuntimeError &) {
        if (how.throws)
            throw;
        done.failed = true;
    }
    return done;
}

std::vector<QString> findCompanions(const QString &path)
{
    const QString folder = detail::parentOf(path);
    const QString name = detail::lastComponent(path);
    const QStringView base = baseOf(name);
    const QStringView ownSuffix = QStringView(name).mid(base.size());
    // The bases of the other table files beside this one, spelled in other
    // letter case: their companions are theirs. Where names in other letter
    // case are one entry, such a file is this one.
    const std::vector<QString> spellings = findWithBase(folder, base.toString());
    const auto hasOwnSuffix = [&](const QString &file) {
        const QString entry = detail::lastComponent(file);
        return QStringView(entry).mid(baseOf(entry).size()).compare(ownSuffix, Qt::CaseInsensitive) == 0;
    };
    QSet<QString> tables;
    for (const QString &file : spellings) {
        const QString entryBase = baseOf(detail::lastComponent(file)).toString();
        if (!detail::namesIgnoreCase() && entryBase != base && hasOwnSuffix(file))
            tables.insert(entryBase);
    }
    std::vector<QString> found;
    for (const QString &file : spellings) {
        if (!hasOwnSuffix(file) && !tables.contains(baseOf(detail::lastComponent(file)).toString()))
            found.push_back(file);
    }
    return found;
}

QString findCompanion(const QString &path, const QString &suffix)
{
    const QString folder = detail::parentOf(path);
    const QString name = detail::lastComponent(path);
    const QString base = baseOf(name).toString();
    if (QStringView(name).mid(base.size()).compare(suffix, Qt::CaseInsensitive) == 0)
        return findInFolder(folder, base + suffix, EntryKind::File); // the table file itself, in any spelling
    const QString exact = joined(folder, base + suffix);
    if (detail::isRegularFile(exact))
        return exact;
    QStringList spelled; // the base as the table spells it, the suffix in another letter case
    QStringList others;  // the base in other letter case
    for (const QString &file : findCompanions(path)) {
        const QString entry = detail::lastComponent(file);
        const QStringView entryBase = baseOf(entry);
        if (QStringView(entry).mid(entryBase.size()).compare(suffix, Qt::CaseInsensitive) == 0)
            (entryBase == base ? spelled : others) << entry;
    }
    const QStringList &nearest = spelled.isEmpty() ? others : spelled;
    if (nearest.size() > 1)
        throw ambiguity(folder, base + suffix, nearest);
    return nearest.isEmpty() ? QString() : joined(folder, nearest.front());
}

std::vector<DirEntry> findFiles(const QString &folderAndPattern)
{
    qsizetype cut = folderAndPattern.size();
    while (cut > 0 && !isSeparator(folderAndPattern[cut - 1]))
        --cut;
    QString folder = folderAndPattern.left(cut);
    const QString pattern = folderAndPattern.mid(cut);
    // Keep "\" for the root itself; drop the separator after any other folder.
    if (folder.size() > 1 && isSeparator(folder.back()))
        folder.chop(1);
    return listFiltered(folder, pattern, 0, kAttrDirectory);
}

std::vector<DirEntry> subFolders(const QString &folder)
{
    return listFiltered(folder, QStringLiteral("*"), kAttrDirectory, 0);
}

bool wildcardMatch(const QString &pattern, const QString &name)
{
    const QList<uint> foldedName = caseFolded(name);
    if (matchFolded(caseFolded(pattern), foldedName))
        return true;
    // As on the original platform, a closing ".*" also matches nothing at all,
    // so "*.*" takes every name and "readme.*" takes "README".
    if (pattern.endsWith(QLatin1String(".*")))
        return matchFolded(caseFolded(pattern.chopped(2)), foldedName);
    return false;
}

bool isDriveRoot(const QString &path)
{
    if (path.isEmpty())
        return false;
    qsizetype i = 0;
    if (path.size() >= 2 && path[0].isLetter() && path[1] == kDriveColon) {
        i = 2;
        if (i == path.size())
            return false; // "C:" alone is the drive's current folder, not its root
    }
    for (; i < path.size(); ++i) {
        if (!isSeparator(path[i]))
            return false;
    }
    return true;
}

// File: what every system shares.

QString File::name() const
{
    return m_shownName.isEmpty() ? detail::lastComponent(m_path) : m_shownName;
}

QByteArray File::readExactly(qint64 offset, qint64 size, const char *what) const
{
    const qint64 fileSize = this->size();
    if (offset < 0 || size < 0 || offset > fileSize || size > fileSize - offset)
        throw RuntimeError::inFile(name(),
                                   QStringLiteral("%1 (%2 bytes at byte %3) is past the end of the file (%4 bytes).")
                                       .arg(QString::fromLatin1(what))
                                       .arg(size)
                                       .arg(offset)
                                       .arg(fileSize));
    QByteArray bytes(size, Qt::Uninitialized);
    if (readAt(offset, bytes.data(), size) != size)
        throw RuntimeError::inFile(name(), QStringLiteral("the file ends inside %1.").arg(QString::fromLatin1(what)));
    return bytes;
}

void File::failOpen(const QString &path, Mode mode, int number, const QString &reason)
{
    const QString verb = mode == Mode::CreateNew ? QStringLiteral("create") : QStringLiteral("open");
    throw FileError(number, QStringLiteral("Cannot %1 %2: %3.").arg(verb, path, reason), reason);
}

void File::failFolder(const QString &path)
{
    const QString reason = QStringLiteral("it is a folder");
    throw FileError(RuntimeError::kGeneric, QStringLiteral("Cannot open %1: %2.").arg(path, reason), reason);
}

void File::failSize(const QString &reason) const
{
    throw FileError(RuntimeError::kGeneric, QStringLiteral("%1: cannot read its size: %2.").arg(name(), reason),
                    reason);
}

void File::failRead(qint64 offset, const QString &reason) const
{
    throw FileError(RuntimeError::kGeneric,
                    QStringLiteral("%1: read error at byte %2: %3.").arg(name()).arg(offset).arg(reason), reason);
}

void File::failWrite(qint64 offset, const QString &reason) const
{
    throw FileError(RuntimeError::kGeneric,
                    QStringLiteral("%1: write error at byte %2: %3.").arg(name()).arg(offset).arg(reason), reason);
}

void File::failTruncate(const QString &reason) const
{
    throw FileError(RuntimeError::kGeneric, QStringLiteral("%1: cannot set its size: %2.").arg(name(), reason), reason);
}

void File::checkPlannedRead(qint64 offset) const
{
    PlanState &state = planState();
    if (!state.active.load(std::memory_order_acquire))
        return;
    bool fails = false;
    {
        const std::lock_guard<std::mutex> guard(state.lock);
        fails =
            !state.plan.failReadsOf.isEmpty() && wildcardMatch(state.plan.failReadsOf, detail::lastComponent(m_path));
    }
    if (fails)
        failRead(offset, QString::fromLatin1(kPlannedReadFault));
}

qint64 File::plannedWriteRoom(qint64 offset, qint64 size) const
{
    PlanState &state = planState();
    if (!state.active.load(std::memory_order_acquire))
        return size;
    const std::lock_guard<std::mutex> guard(state.lock);
    qint64 room = size;
    if (state.plan.fileSizeLimit >= 0)
        room = qBound<qint64>(0, state.plan.fileSizeLimit - offset, room);
    if (state.plan.totalWriteLimit >= 0)
        room = qBound<qint64>(0, state.plan.totalWriteLimit - state.written, room);
    state.written += room;
    return room;
}

void File::failPlannedWrite(qint64 offset) const
{
    failWrite(offset, QString::fromLatin1(kPlannedWriteFault));
}

// The fault plan.

void setFaultPlan(const FaultPlan &plan)
{
    PlanState &state = planState();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.plan = plan;
    state.written = 0;
    state.active.store(true, std::memory_order_release);
}

qint64 formatFileLimit(qint64 formatLimit)
{
    PlanState &state = planState();
    if (!state.active.load(std::memory_order_acquire))
        return formatLimit;
    const std::lock_guard<std::mutex> guard(state.lock);
    const qint64 planned = state.plan.formatFileLimit;
    return planned >= 0 && planned < formatLimit ? planned : formatLimit;
}

void clearFaultPlan()
{
    PlanState &state = planState();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.active.store(false, std::memory_order_release);
    state.plan = FaultPlan();
    state.written = 0;
}

bool makePath(const QString &folder)
{
    const QString native = toNativePath(folder);
    return !native.isEmpty() && (isDirectory(native) || QDir().mkpath(native));
}

} // namespace tw::files
