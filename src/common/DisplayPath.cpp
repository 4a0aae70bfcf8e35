#include "DisplayPath.h"

#include <QDir>

namespace tw {

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(QString(path).replace(u'\\', u'/'));
}

} // namespace tw
