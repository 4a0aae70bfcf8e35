#include "TempFiles.h"

#include "platform/ado/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

namespace tw::files {

namespace {

bool existsWithoutCase(const QDir &dir, const QStringList &entries, const QString &name)
{
    if (QFileInfo::exists(dir.filePath(name)))
        return true;
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// How often a waiting HeldFile asks for the lock again.
constexpr unsigned long kLockRetryMs = 1;

// The file, open for reading, or a closed File when it cannot be opened.
File openForLock(const QString &path)
{
    try {
        return File(path, File::Mode::Read);
    } catch (const ado::RuntimeError &) {
        return File();
    }
}

} // namespace

bool isTempName(const QString &fileName)
{
    const qsizetype baseLength = qsizetype(sizeof kTempPrefix - 1) + kTempTagLength;
    return fileName.startsWith(QLatin1String(kTempPrefix)) && fileName.size() > baseLength + 1 &&
           fileName[baseLength] == u'.';
}

QString freshTempBase(const QString &folder, const QStringList &suffixes)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs |
                                              QDir::NoDotAndDotDot);
    for (;;) {
        QString tag = QLatin1String(kTempPrefix);
        for (int i = 0; i < kTempTagLength; ++i)
            tag += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
        bool taken = false;
        for (const QString &suffix : suffixes)
            taken = taken || existsWithoutCase(dir, entries, tag + u'.' + suffix);
        if (!taken)
            return dir.filePath(tag);
    }
}

void removeStaleTemps(const QString &folder, const QString &mainSuffix, const QStringList &companionSuffixes)
{
    const QDir dir(folder);
    const QStringList entries = dir.entryList({QLatin1String(kTempPrefix) + u'*'},
                                              QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (!isTempName(entry))
            continue;
        const QFileInfo info(entry);
        const QString suffix = info.suffix();
        const QString base = dir.filePath(info.completeBaseName());
        if (suffix.compare(mainSuffix, Qt::CaseInsensitive) == 0) {
            const QString path = dir.filePath(entry);
            HeldFile hold = HeldFile::tryHold(path);
            if (!hold.held() || QFileInfo(path).size() == 0)
                continue;
            for (const QString &companion : companionSuffixes)
                QFile::remove(base + u'.' + companion);
            QFile::remove(path);
        } else if (companionSuffixes.contains(suffix, Qt::CaseInsensitive) &&
                   !QFileInfo::exists(base + u'.' + mainSuffix)) {
            // Without its main file nobody owns it: the main file is created (and held) first.
            QFile::remove(dir.filePath(entry));
        }
    }
}

HeldFile::HeldFile(const QString &path) : m_file(openForLock(path))
{
    while (m_file.isOpen() && !m_file.tryLock())
        QThread::msleep(kLockRetryMs);
}

HeldFile HeldFile::tryHold(const QString &path)
{
    HeldFile hold;
    hold.m_file = openForLock(path);
    if (hold.m_file.isOpen() && !hold.m_file.tryLock())
        hold.release();
    return hold;
}

} // namespace tw::files
