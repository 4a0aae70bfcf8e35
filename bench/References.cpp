#include "References.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace tw::bench {

namespace {
constexpr qint64 kCopyChunk = 1 << 20;
constexpr int kPgdbfTimeoutMs = 60 * 60 * 1000;
constexpr char kPgdbf[] = "pgdbf";
} // namespace

ReferenceTime timeFileCopy(const QStringList &sources, const QString &scratchFile)
{
    ReferenceTime result;
    QElapsedTimer clock;
    clock.start();
    QFile out(scratchFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        result.error = QStringLiteral("%1: %2").arg(scratchFile, out.errorString());
        return result;
    }
    QByteArray buffer(kCopyChunk, Qt::Uninitialized);
    for (const QString &source : sources) {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            result.error = QStringLiteral("%1: %2").arg(source, in.errorString());
            return result;
        }
        for (;;) {
            const qint64 n = in.read(buffer.data(), buffer.size());
            if (n < 0) {
                result.error = QStringLiteral("%1: %2").arg(source, in.errorString());
                return result;
            }
            if (n == 0)
                break;
            if (out.write(buffer.constData(), n) != n) {
                result.error = QStringLiteral("%1: %2").arg(scratchFile, out.errorString());
                return result;
            }
        }
    }
    out.close();
    result.seconds = double(clock.nsecsElapsed()) / 1e9;
    QFile::remove(scratchFile);
    return result;
}

ReferenceTime timePgdbf(const QString &dbf, const QString &memo)
{
    ReferenceTime result;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(QString::fromLatin1(kPgdbf), {QStringLiteral("-m"), memo, dbf});
    if (!process.waitForStarted()) {
        result.error = QStringLiteral("pgdbf cannot be started: %1").arg(process.errorString());
        return result;
    }
    process.waitForFinished(kPgdbfTimeoutMs);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        result.error =
            QStringLiteral("pgdbf failed: %1").arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return result;
    }
    result.seconds = seconds;
    return result;
}

} // namespace tw::bench
