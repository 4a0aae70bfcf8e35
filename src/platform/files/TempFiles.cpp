#include "TempFiles.h"

#include "File.h"
#include "FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace tw::files {

bool isTempName(const QString &fileName)
{
    const qsizetype baseLength = qsizetype(sizeof kTempPrefix - 1) + kTempTagLength;
    return fileName.startsWith(QLatin1String(kTempPrefix)) && fileName.size() > baseLength + 1 &&
           fileName[baseLength] == u'.';
}

QString freshTempBase(const QString &folder, const QStringList &suffixes)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (;;) {
        QString tag = QLatin1String(kTempPrefix);
        for (int i = 0; i < kTempTagLength; ++i)
            tag += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
        bool taken = false;
        for (const QString &suffix : suffixes)
            taken = taken || !findInFolder(folder, tag + u'.' + suffix).isEmpty();
        if (!taken)
            return QDir(folder).filePath(tag);
    }
}

void removeStaleTemps(const QString &folder, const QString &mainSuffix, const QStringList &companionSuffixes)
{
    const QDir dir(folder);
    const QStringList entries =
        dir.entryList({QLatin1String(kTempPrefix) + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (!isTempName(entry))
            continue;
        const QFileInfo info(entry);
        const QString suffix = info.suffix();
        const QString base = dir.filePath(info.completeBaseName());
        if (suffix.compare(mainSuffix, Qt::CaseInsensitive) == 0) {
            try {
                File file(dir.filePath(entry), File::Mode::Read);
                // Empty: a writer may be between creating and locking it.
                if (!file.tryLock() || file.size() == 0)
                    continue;
                for (const QString &companion : companionSuffixes)
                    removeFile(base + u'.' + companion, kLeftover);
                removeFile(dir.filePath(entry), kLeftover);
            } catch (const ado::RuntimeError &) {
                continue; // gone meanwhile, or not ours to read
            }
        } else if (companionSuffixes.contains(suffix, Qt::CaseInsensitive) &&
                   !exists(base + u'.' + mainSuffix, EntryKind::Any, PathForm::Real)) {
            // Without its main file nobody owns it: the main file is created (and held) first.
            removeFile(dir.filePath(entry), kLeftover);
        }
    }
}

HeldFile::HeldFile(const QString &path)
{
    try {
        m_file = std::make_unique<File>(path, File::Mode::Read);
        m_file->tryLock();
    } catch (const ado::RuntimeError &) {
        m_file.reset();
    }
}

HeldFile::~HeldFile() = default;
HeldFile::HeldFile(HeldFile &&other) noexcept = default;
HeldFile &HeldFile::operator=(HeldFile &&other) noexcept = default;

void HeldFile::release()
{
    m_file.reset();
}

} // namespace tw::files
