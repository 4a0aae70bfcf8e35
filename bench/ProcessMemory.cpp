#include "ProcessMemory.h"

#include <QFile>

namespace tw::bench {

namespace {
constexpr double kKibPerMib = 1024.0;
}

double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith("VmHWM:"))
            continue;
        bool ok = false;
        const qint64 kib = line.mid(6).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok ? double(kib) / kKibPerMib : -1;
    }
    return -1;
}

} // namespace tw::bench
