#include "DirectionRun.h"

#include "EventLoopGaps.h"
#include "ProcessMemory.h"

#include "common/ConnectionSettings.h"
#include "common/TableList.h"
#include "platform/ado/RuntimeError.h"
#include "platform/encoding/ByteCodec.h"
#include "platform/foxpro/DbfHeader.h"
#include "platform/paradox/ParadoxFormat.h"
#include "platform/ui/Pointer.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/workdb/WorkDbProvider.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"
#include "transfer/SendToFoxPro.h"
#include "transfer/SendToParadox.h"
#include "transfer/TransferContext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace tw::bench {

namespace {

void emptyFolder(const QString &path)
{
    QDir(path).removeRecursively();
    if (!QDir().mkpath(path))
        throw ado::RuntimeError(QStringLiteral("Cannot create the folder %1.").arg(path));
}

qint64 sizeOf(const QString &folder, const QStringList &patterns)
{
    qint64 bytes = 0;
    const QFileInfoList files = QDir(folder).entryInfoList(patterns, QDir::Files);
    for (const QFileInfo &file : files)
        bytes += file.size();
    return bytes;
}

// The u32 little-endian record count at `offset` of the first file matching
// `pattern` (QDir matches without regard to case).
qint64 recordCount(const QString &folder, const QString &pattern, int offset)
{
    const QFileInfoList files = QDir(folder).entryInfoList({pattern}, QDir::Files);
    if (files.isEmpty())
        return 0;
    QFile file(files.first().filePath());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return 0;
    const QByteArray bytes = file.read(4);
    if (bytes.size() != 4)
        return 0;
    return encoding::getU32LE(encoding::bytesOf(bytes.constData()));
}

void selectAll(MemoryTableList &list)
{
    for (int i = 0; i < list.count(); ++i)
        list.setSelected(i, true);
    if (list.count() > 0)
        list.setCurrentIndex(0);
}

} // namespace

DirectionResult runDirection(const BenchLayout &layout, Direction direction)
{
    const bool toParadox = direction == Direction::ToParadox;
    emptyFolder(toParadox ? layout.paradoxTarget() : layout.foxproTarget());
    emptyFolder(layout.work());
    const QString workDatabase = QDir(layout.work()).filePath(QStringLiteral("dbtemp.mdb"));
    workdb::createWorkDatabase(workDatabase);

    PlainConnectionSettings settings;
    settings.freeTables = toParadox ? layout.foxproSource() : layout.foxproTarget();
    settings.paradox = toParadox ? layout.paradoxTarget() : layout.paradoxSource();
    ui::ScriptedDialogs dialogs;
    dialogs.setFallback(ui::vbYes);
    MemoryTableList foxproList;
    MemoryTableList paradoxList;
    FoxproSource::ListFoxProTables(foxproList, FoxproSource::FoxProConnectionString(settings));
    ParadoxSource::ListParadoxTables(paradoxList, settings, dialogs);
    selectAll(toParadox ? foxproList : paradoxList);

    ui::PlainPointer pointer;
    NullProgress progress;
    TransferContext context{dialogs, settings, foxproList, paradoxList, pointer, progress, workDatabase, nullptr};

    DirectionResult result;
    EventLoopGaps gaps;
    QElapsedTimer clock;
    const CpuTime cpuBefore = cpuTime();
    const double writtenBefore = bytesWritten();
    gaps.start();
    clock.start();
    if (toParadox)
        transfer::SendTablesToParadox(context);
    else
        transfer::SendTablesToFoxPro(context);
    result.seconds = double(clock.nsecsElapsed()) / 1e9;
    gaps.stop();
    const CpuTime cpuAfter = cpuTime();
    result.userSeconds = cpuAfter.user - cpuBefore.user;
    result.systemSeconds = cpuAfter.system - cpuBefore.system;
    result.bytesWritten = bytesWritten() - writtenBefore;

    result.longestEventGapMs = gaps.longestGapMs();
    result.longestEventGapEndS = gaps.longestGapEndS();
    result.eventLoopRuns = gaps.runs();
    result.peakResidentMb = peakResidentMb();
    if (toParadox) {
        result.sourceBytes = sizeOf(layout.foxproSource(), {QStringLiteral("*.dbf"), QStringLiteral("*.fpt")});
        result.rows = recordCount(layout.paradoxTarget(), QStringLiteral("*.db"), paradox::db::kNumRecords);
    } else {
        result.sourceBytes = sizeOf(layout.paradoxSource(), {QStringLiteral("*.db"), QStringLiteral("*.mb")});
        result.rows = recordCount(layout.foxproTarget(), QStringLiteral("*.dbf"), foxpro::dbf::kOffRecordCount);
    }
    for (const auto &box : dialogs.boxes())
        if (box.kind == ui::ScriptedDialogs::Kind::Message && box.style != ui::vbYesNo)
            result.error += QString(box.text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) + u' ';
    return result;
}

} // namespace tw::bench
