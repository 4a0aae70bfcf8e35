#include "Companions.h"

#include "platform/files/FileSystem.h"

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

QStringList companionFiles(const QString &dbPath)
{
    QStringList found;
    for (const QString &path : tw::files::findCompanions(dbPath))
        if (isCompanionSuffix(path.mid(path.lastIndexOf(QLatin1Char('.')) + 1)))
            found << path;
    return found;
}

} // namespace tw::paradox
