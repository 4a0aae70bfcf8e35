#pragma once
// References: what the transfers are measured against, on the same source
// files: a plain copy of the bytes, and pgdbf turning the FoxPro table into
// SQL text that goes to /dev/null.

#include <QString>
#include <QStringList>

namespace tw::bench {

struct ReferenceTime {
    double seconds = -1; // -1 when it could not run
    QString error;
};

// Reads every source file in 1 MiB pieces and writes them one after the other
// into scratchFile, which is deleted again.
ReferenceTime timeFileCopy(const QStringList &sources, const QString &scratchFile);

// Runs `pgdbf -m memo dbf` with its output thrown away.
ReferenceTime timePgdbf(const QString &dbf, const QString &memo);

} // namespace tw::bench
