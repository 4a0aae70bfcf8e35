#include "Replacements.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

namespace tw::paradox::Replacements {

namespace {

QMutex &guard()
{
    static QMutex mutex;
    return mutex;
}

QSet<QString> &paths()
{
    static QSet<QString> set;
    return set;
}

QString key(const QString &dbPath)
{
    return QDir::cleanPath(QFileInfo(dbPath).absoluteFilePath());
}

} // namespace

void allow(const QString &dbPath)
{
    const QMutexLocker lock(&guard());
    paths().insert(key(dbPath));
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

} // namespace tw::paradox::Replacements
