#include "Companions.h"

#include <QDir>
#include <QFileInfo>

namespace tw::paradox {

bool isCompanionSuffix(const QString &suffix)
{
    static const QStringList fixed = {QStringLiteral("mb"), QStringLiteral("px"), QStringLiteral("val"),
                                      QStringLiteral("tv"), QStringLiteral("fam")};
    const QString s = suffix.toLower();
    if (fixed.contains(s))
        return true;
    // Secondary indexes: .Xnn and .Ynn (nn digits or letters, e.g. X01, XG0).
    return s.size() == 3 && (s[0] == QLatin1Char('x') || s[0] == QLatin1Char('y')) && s[1].isLetterOrNumber() &&
           s[2].isLetterOrNumber() && s[1].unicode() < 0x80 && s[2].unicode() < 0x80;
}

QStringList companionFiles(const QString &folder, const QString &base)
{
    QStringList found;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        const QFileInfo info(entry);
        if (info.completeBaseName().compare(base, Qt::CaseInsensitive) == 0 && isCompanionSuffix(info.suffix()))
            found << dir.filePath(entry);
    }
    return found;
}

} // namespace tw::paradox
