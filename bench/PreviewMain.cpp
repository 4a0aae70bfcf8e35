// tabwright-bench-preview: the preview window on the benchmark's generated
// tables, scrolled to the last row; prints name=value figures.
//
//   tabwright-bench-preview --dir DIR [--rows N] [--seed S]
//
// The tables of DIR are made when missing. The window opens offscreen unless
// a display is chosen. A program of its own: the window's libraries would
// add their memory to tabwright-bench's figures of the copies.

#include "BenchLayout.h"
#include "PreviewRun.h"
#include "ProcessMemory.h"
#include "TableGenerator.h"

#include "common/ConnectionSettings.h"
#include "platform/files/FileSystem.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/ParadoxProvider.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"

#include <QApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <utility>

namespace {

using namespace tw::bench;

constexpr qint64 kDefaultRows = 100000;
constexpr quint64 kDefaultSeed = 1;
constexpr int kUsage = 2;

void line(const QString &name, const QString &value)
{
    std::printf("%s=%s\n", name.toUtf8().constData(), value.toUtf8().constData());
    std::fflush(stdout);
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The generated table of this side in `folder`, written when missing.
void ensureTable(const QString &folder, const QString &file, qint64 rows, quint64 seed, bool foxpro)
{
    tw::files::makePath(folder);
    if (tw::files::exists(QDir(folder).filePath(file), tw::files::EntryKind::Any, tw::files::PathForm::Real))
        return;
    if (foxpro)
        writeFoxProTable(folder, QLatin1String(kTableName), rows, seed);
    else
        writeParadoxTable(folder, QLatin1String(kTableName), rows, seed);
}

int run(const QString &dir, qint64 rows, quint64 seed)
{
    tw::foxpro::registerProvider();
    tw::paradox::registerProvider();
    const BenchLayout layout{dir};
    ensureTable(layout.foxproSource(), QStringLiteral("bench.dbf"), rows, seed, true);
    ensureTable(layout.paradoxSource(), QStringLiteral("bench.db"), rows, seed, false);
    tw::PlainConnectionSettings foxproSettings;
    foxproSettings.freeTables = layout.foxproSource();
    const std::pair<bool, QString> sides[] = {
        {true, tw::FoxproSource::FoxProConnectionString(foxproSettings)},
        {false, tw::ParadoxSource::ParadoxConnectionString(layout.paradoxSource())}};
    for (const auto &[foxpro, connection] : sides) {
        const PreviewResult r = runPreview(foxpro, connection, QLatin1String(kTableName));
        const QString prefix = foxpro ? QStringLiteral("preview_foxpro_") : QStringLiteral("preview_paradox_");
        line(prefix + QStringLiteral("rows"), QString::number(r.rows));
        line(prefix + QStringLiteral("open_s"), fixed(r.openSeconds, 3));
        line(prefix + QStringLiteral("to_last_row_s"), fixed(r.endSeconds, 3));
        line(prefix + QStringLiteral("added_rss_mb"), fixed(r.addedMb, 1));
        line(prefix + QStringLiteral("rows_read"), QString::number(r.rowsRead));
    }
    line(QStringLiteral("preview_peak_rss_mb"), fixed(peakResidentMb(), 1));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString dir;
    qint64 rows = kDefaultRows;
    quint64 seed = kDefaultSeed;
    bool ok = args.size() % 2 == 0;
    for (qsizetype i = 0; ok && i < args.size(); i += 2) {
        const QString &value = args[i + 1];
        if (args[i] == u"--dir")
            dir = value;
        else if (args[i] == u"--rows")
            rows = value.toLongLong(&ok);
        else if (args[i] == u"--seed")
            seed = value.toULongLong(&ok);
        else
            ok = false;
    }
    if (!ok || dir.isEmpty() || rows < 1) {
        std::fputs("usage: tabwright-bench-preview --dir DIR [--rows N] [--seed S]\n", stderr);
        return kUsage;
    }
    try {
        return run(QDir(dir).absolutePath(), rows, seed);
    } catch (...) {
        std::fputs("tabwright-bench-preview: the preview failed\n", stderr);
        return 1;
    }
}
