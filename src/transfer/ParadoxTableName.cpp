#include "ParadoxTableName.h"

namespace tw::transfer {

QString CutParadoxName(const QString &name)
{
    if (name.size() <= kMaxParadoxName)
        return name;
    QString cut = name.left(kMaxParadoxName);
    while (!cut.isEmpty() && cut.back().isSpace())
        cut.chop(1);
    return cut;
}

} // namespace tw::transfer
