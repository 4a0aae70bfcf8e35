#include "ProcessMemory.h"

#include <QFile>

namespace tw::bench {

namespace {
constexpr double kKibPerMib = 1024.0;
// /proc reports processor time in clock ticks of USER_HZ, 100 a second on Linux.
constexpr double kTicksPerSecond = 100.0;
// In /proc/self/stat after the command's closing parenthesis: utime and stime
// are the 12th and 13th fields (the 14th and 15th of the whole line).
constexpr int kUserTimeField = 11;
constexpr int kSystemTimeField = 12;

QByteArray readProc(const char *name)
{
    QFile file(QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number after "key:" in a /proc file of "key: value" lines.
double keyed(const QByteArray &text, const QByteArray &key)
{
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith(key))
            continue;
        bool ok = false;
        const double value = line.mid(key.size()).trimmed().split(' ').value(0).toDouble(&ok);
        return ok ? value : -1;
    }
    return -1;
}

} // namespace

double peakResidentMb()
{
    const double kib = keyed(readProc("/proc/self/status"), "VmHWM:");
    return kib < 0 ? -1 : kib / kKibPerMib;
}

double residentMb()
{
    const double kib = keyed(readProc("/proc/self/status"), "VmRSS:");
    return kib < 0 ? -1 : kib / kKibPerMib;
}

CpuTime cpuTime()
{
    const QByteArray stat = readProc("/proc/self/stat");
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() <= kSystemTimeField)
        return {};
    return {fields[kUserTimeField].toDouble() / kTicksPerSecond, fields[kSystemTimeField].toDouble() / kTicksPerSecond};
}

double bytesWritten()
{
    return keyed(readProc("/proc/self/io"), "wchar:");
}

} // namespace tw::bench
