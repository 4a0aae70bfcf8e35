#include "Replacements.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace tw::paradox::Replacements {

namespace {

QMutex &guard()
{
    static QMutex mutex;
    return mutex;
}

// Allowed replacements, and whether a writer claimed each.
QHash<QString, bool> &paths()
{
    static QHash<QString, bool> claims;
    return claims;
}

QString key(const QString &dbPath)
{
    return QDir::cleanPath(QFileInfo(dbPath).absoluteFilePath());
}

} // namespace

void allow(const QString &dbPath)
{
    const QMutexLocker lock(&guard());
    const QString k = key(dbPath);
    if (!paths().contains(k))
        paths().insert(k, false); // a claim made stays
}

void revoke(const QString &dbPath)
{
    const QMutexLocker lock(&guard());
    paths().remove(key(dbPath));
}

bool allowed(const QString &dbPath)
{
    const QMutexLocker lock(&guard());
    return paths().contains(key(dbPath));
}

void claim(const QString &dbPath)
{
    const QMutexLocker lock(&guard());
    const auto it = paths().find(key(dbPath));
    if (it != paths().end())
        it.value() = true;
}

bool claimed(const QString &dbPath)
{
    const QMutexLocker lock(&guard());
    return paths().value(key(dbPath), false);
}

} // namespace tw::paradox::Replacements
