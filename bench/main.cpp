// tabwright-bench: times both transfers on generated tables against a plain
// file copy and pgdbf, and prints every figure as name=value.
//
//   tabwright-bench [--rows N] [--seed S] [--repeat R] [--dir DIR] [--keep]
//       (R, default 3: runs of each transfer and each reference; medians are printed)
//   tabwright-bench --generate-only --dir DIR [--rows N] [--seed S]
//   tabwright-bench --direction to-paradox|to-foxpro --dir DIR --rows N
//   tabwright-bench --limits [--rows N] [--dir DIR] [--shape S]
//
// The first form generates the tables, runs each direction in a child process
// of its own (so that its peak memory is its own), once to warm the machine up
// and R times measured, and then the references.
// The third form is that child; run alone it lets a profiler see one transfer.
// The last copies tables as large as the formats' real limits (4,000,000 rows
// by default: gigabytes of disk and minutes) once each way and checks that
// every table either arrived or was refused with the limit's message, that no
// written file reached 2 GiB and that no temporary stayed behind. Never in CI.
// The preview's figures are tabwright-bench-preview's (PreviewMain.cpp): this
// program links QtCore alone, so that its peak memory is the copies'.

#include "BenchLayout.h"
#include "DirectionRun.h"
#include "DiskCache.h"
#include "ProcessMemory.h"
#include "References.h"
#include "TableGenerator.h"

#include "common/Steps.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/workdb/WorkDbProvider.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

using namespace tw::bench;

constexpr qint64 kDefaultRows = 100000;
constexpr quint64 kDefaultSeed = 1;
constexpr int kDefaultRepeat = 3;
constexpr double kBytesPerMb = 1e6;
constexpr int kChildTimeoutMs = 4 * 60 * 60 * 1000;
constexpr int kUsage = 2;
// The rows of the wide and the memo-heavy table.
constexpr qint64 kWideRows = 200000;
constexpr qint64 kMemoRows = 50000;
// The rows of the limits run: their memo file passes 2 GiB copied to FoxPro.
constexpr qint64 kLimitRows = 4000000;
// No file the formats' limits allow is this large.
constexpr qint64 kTwoGiB = qint64(1) << 31;

struct Options {
    qint64 rows = kDefaultRows;
    quint64 seed = kDefaultSeed;
    int repeat = kDefaultRepeat;
    QString dir;
    bool keep = false;
    bool generateOnly = false;
    qint64 growthRows = -1; // -1: a tenth of rows; 0: no growth figures
    Shape shape = Shape::Standard;
    bool shapes = true; // the wide and memo-heavy tables too
    bool limits = false;
    bool rowsGiven = false;
    std::optional<Direction> direction;
};

void line(const QString &name, const QString &value)
{
    std::printf("%s=%s\n", name.toUtf8().constData(), value.toUtf8().constData());
    std::fflush(stdout);
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

double perSecond(double amount, double seconds)
{
    return seconds > 0 ? amount / seconds : 0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

QString usage()
{
    return QStringLiteral(
        "usage: tabwright-bench [--rows N] [--seed S] [--repeat R] [--dir DIR] [--keep] [--growth-rows G]\n"
        "                       [--no-shapes]\n"
        "       tabwright-bench --generate-only --dir DIR [--rows N] [--seed S] [--shape standard|wide|memo]\n"
        "       tabwright-bench --direction to-paradox|to-foxpro --dir DIR --rows N\n"
        "       tabwright-bench --limits [--rows N] [--dir DIR] [--shape standard|wide|memo]\n");
}

std::optional<Options> parse(QStringList args)
{
    Options o;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--keep") {
            o.keep = true;
            continue;
        }
        if (arg == u"--no-shapes") {
            o.shapes = false;
            continue;
        }
        if (arg == u"--generate-only") {
            o.generateOnly = true;
            continue;
        }
        if (arg == u"--limits") {
            o.limits = true;
            continue;
        }
        if (args.isEmpty())
            return std::nullopt;
        const QString value = args.takeFirst();
        bool ok = true;
        if (arg == u"--rows") {
            o.rows = value.toLongLong(&ok);
            o.rowsGiven = true;
        } else if (arg == u"--seed")
            o.seed = value.toULongLong(&ok);
        else if (arg == u"--repeat")
            o.repeat = value.toInt(&ok);
        else if (arg == u"--shape" && (value == u"standard" || value == u"wide" || value == u"memo"))
            o.shape = value == u"wide" ? Shape::Wide : value == u"memo" ? Shape::MemoHeavy : Shape::Standard;
        else if (arg == u"--growth-rows")
            o.growthRows = value.toLongLong(&ok);
        else if (arg == u"--dir")
            o.dir = QDir(value).absolutePath(); // the children and the connection strings need it whole
        else if (arg == u"--direction" && (value == u"to-paradox" || value == u"to-foxpro"))
            o.direction = value == u"to-paradox" ? Direction::ToParadox : Direction::ToFoxPro;
        else
            return std::nullopt;
        if (!ok || o.rows < 1 || o.repeat < 1)
            return std::nullopt;
    }
    if ((o.direction || o.generateOnly) && o.dir.isEmpty())
        return std::nullopt;
    if (o.limits && !o.rowsGiven)
        o.rows = kLimitRows;
    return o;
}

void registerProviders()
{
    tw::foxpro::registerProvider();
    tw::paradox::registerProvider();
    tw::workdb::registerProvider();
}

// The child: one direction, its figures without a prefix.
int runChild(const Options &o)
{
    registerProviders();
    const DirectionResult r = runDirection(BenchLayout{o.dir}, *o.direction);
    line(QStringLiteral("rows"), QString::number(r.rows));
    line(QStringLiteral("seconds"), fixed(r.seconds, 3));
    line(QStringLiteral("rows_per_s"), fixed(perSecond(double(r.rows), r.seconds), 0));
    line(QStringLiteral("mb_per_s"), fixed(perSecond(double(r.sourceBytes) / kBytesPerMb, r.seconds), 2));
    line(QStringLiteral("source_bytes"), QString::number(r.sourceBytes));
    line(QStringLiteral("user_seconds"), fixed(r.userSeconds, 2));
    line(QStringLiteral("sys_seconds"), fixed(r.systemSeconds, 2));
    line(QStringLiteral("written_per_source_byte"),
         fixed(r.sourceBytes > 0 ? r.bytesWritten / double(r.sourceBytes) : -1, 2));
    line(QStringLiteral("peak_rss_mb"), fixed(r.peakResidentMb, 1));
    line(QStringLiteral("max_event_gap_ms"), fixed(r.longestEventGapMs, 1));
    line(QStringLiteral("max_event_gap_at_s"), fixed(r.longestEventGapEndS, 3));
    line(QStringLiteral("event_loop_runs"), QString::number(r.eventLoopRuns));
    QString error = r.error.trimmed();
    if (error.isEmpty() && r.rows != o.rows)
        error = QStringLiteral("the written table holds %1 rows, not %2").arg(r.rows).arg(o.rows);
    if (!error.isEmpty()) {
        line(QStringLiteral("error"), error);
        return 1;
    }
    return 0;
}

struct Generated {
    GeneratedFiles foxpro;
    GeneratedFiles paradox;
};

Generated generate(const Options &o, const BenchLayout &layout, bool print = true)
{
    for (const QString &folder : {layout.foxproSource(), layout.paradoxSource()}) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
    QElapsedTimer clock;
    clock.start();
    Generated g{writeFoxProTable(layout.foxproSource(), QString::fromLatin1(kTableName), o.rows, o.seed, o.shape),
                writeParadoxTable(layout.paradoxSource(), QString::fromLatin1(kTableName), o.rows, o.seed, o.shape)};
    if (print) {
        line(QStringLiteral("generate_seconds"), fixed(double(clock.nsecsElapsed()) / 1e9, 3));
        line(QStringLiteral("foxpro_source_bytes"), QString::number(g.foxpro.bytes));
        line(QStringLiteral("paradox_source_bytes"), QString::number(g.paradox.bytes));
    }
    return g;
}

// Runs this program as the child for one direction and returns the figures
// it printed; an "error" figure when it failed.
QMap<QString, QString> runDirectionChild(const Options &o, Direction direction)
{
    settleDisk();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--direction"), directionName(direction), QStringLiteral("--dir"), o.dir,
                 QStringLiteral("--rows"), QString::number(o.rows)});
    QMap<QString, QString> figures;
    if (!child.waitForStarted() || !child.waitForFinished(kChildTimeoutMs)) {
        figures.insert(QStringLiteral("error"),
                       QStringLiteral("the child did not finish: %1").arg(child.errorString()));
        return figures;
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &bytes : lines) {
        const QString text = QString::fromUtf8(bytes).trimmed();
        const qsizetype eq = text.indexOf(u'=');
        if (eq > 0)
            figures.insert(text.left(eq), text.mid(eq + 1));
    }
    if ((child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) &&
        !figures.contains(QStringLiteral("error")))
        figures.insert(QStringLiteral("error"), QStringLiteral("exit code %1").arg(child.exitCode()));
    return figures;
}

// One run of each direction whose figures are not kept. A virtual machine
// gives memory it has not used since it started slowly the first time (the
// page cache of the first copies took up to twice their time in system
// calls on the machine of the figures in the README); the runs after it
// measure the copy, not the machine's first use of its memory.
void warmUp(const Options &o)
{
    runDirectionChild(o, Direction::ToParadox);
    runDirectionChild(o, Direction::ToFoxPro);
}

// Prints one direction's figures over its runs: the median time (and the
// fastest and slowest), the largest memory and the longest event-loop pause.
// Returns the figures the ratios use: rows_per_s and error.
QMap<QString, QString> summarize(Direction direction, const std::vector<QMap<QString, QString>> &runs,
                                 const QString &shapePrefix = QString())
{
    const QString prefix = shapePrefix + directionName(direction).replace(u'-', u'_') + u'_';
    QMap<QString, QString> result;
    for (const auto &run : runs) {
        if (run.contains(QStringLiteral("error"))) {
            for (auto it = run.begin(); it != run.end(); ++it)
                line(prefix + it.key(), it.value());
            result.insert(QStringLiteral("error"), run.value(QStringLiteral("error")));
            return result;
        }
    }
    auto number = [](const QMap<QString, QString> &run, const char *name) {
        return run.value(QString::fromLatin1(name)).toDouble();
    };
    std::vector<double> seconds, user, system;
    double peak = 0, gap = 0, gapAt = 0;
    for (const auto &run : runs) {
        seconds.push_back(number(run, "seconds"));
        user.push_back(number(run, "user_seconds"));
        system.push_back(number(run, "sys_seconds"));
        peak = std::max(peak, number(run, "peak_rss_mb"));
        if (number(run, "max_event_gap_ms") >= gap) {
            gap = number(run, "max_event_gap_ms");
            gapAt = number(run, "max_event_gap_at_s");
        }
    }
    const QMap<QString, QString> &last = runs.back();
    const double rows = number(last, "rows");
    const double bytes = number(last, "source_bytes");
    const double mid = median(seconds);
    const QString rowsPerSecond = fixed(perSecond(rows, mid), 0);
    line(prefix + QStringLiteral("rows"), last.value(QStringLiteral("rows")));
    line(prefix + QStringLiteral("runs"), QString::number(runs.size()));
    line(prefix + QStringLiteral("seconds"), fixed(mid, 3));
    line(prefix + QStringLiteral("seconds_min"), fixed(*std::min_element(seconds.begin(), seconds.end()), 3));
    line(prefix + QStringLiteral("seconds_max"), fixed(*std::max_element(seconds.begin(), seconds.end()), 3));
    line(prefix + QStringLiteral("rows_per_s"), rowsPerSecond);
    line(prefix + QStringLiteral("mb_per_s"), fixed(perSecond(bytes / kBytesPerMb, mid), 2));
    line(prefix + QStringLiteral("source_bytes"), last.value(QStringLiteral("source_bytes")));
    line(prefix + QStringLiteral("user_seconds"), fixed(median(user), 2));
    line(prefix + QStringLiteral("sys_seconds"), fixed(median(system), 2));
    line(prefix + QStringLiteral("written_per_source_byte"), last.value(QStringLiteral("written_per_source_byte")));
    line(prefix + QStringLiteral("peak_rss_mb"), fixed(peak, 1));
    line(prefix + QStringLiteral("max_event_gap_ms"), fixed(gap, 1));
    line(prefix + QStringLiteral("max_event_gap_at_s"), fixed(gapAt, 3));
    line(prefix + QStringLiteral("event_loop_runs"), last.value(QStringLiteral("event_loop_runs")));
    result.insert(QStringLiteral("rows_per_s"), rowsPerSecond);
    result.insert(QStringLiteral("seconds"), fixed(mid, 3));
    result.insert(QStringLiteral("peak_rss_mb"), fixed(peak, 1));
    return result;
}

struct Reference {
    double seconds = -1;
};

Reference runReference(const QString &name, int repeat, qint64 rows, qint64 bytes,
                       const std::function<ReferenceTime()> &once, bool *failed)
{
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        settleDisk();
        const ReferenceTime t = once();
        if (t.seconds < 0) {
            line(name + QStringLiteral("_error"), t.error);
            *failed = true;
            return {};
        }
        times.push_back(t.seconds);
    }
    const double seconds = median(times);
    line(name + QStringLiteral("_seconds"), fixed(seconds, 3));
    line(name + QStringLiteral("_rows_per_s"), fixed(perSecond(double(rows), seconds), 0));
    line(name + QStringLiteral("_mb_per_s"), fixed(perSecond(double(bytes) / kBytesPerMb, seconds), 2));
    return {seconds};
}

// The median seconds and the largest peak memory of each direction on tables
// of o.rows rows made in o.dir, printing nothing; -1 for a direction that failed.
struct SmallRuns {
    double paradoxSeconds = -1, foxproSeconds = -1;
    double paradoxPeakMb = -1, foxproPeakMb = -1;
};
SmallRuns runSmall(const Options &o)
{
    generate(o, BenchLayout{o.dir}, false);
    std::vector<double> toParadox, toFoxPro;
    SmallRuns runs;
    for (int i = 0; i < o.repeat; ++i) {
        for (const Direction d : {Direction::ToParadox, Direction::ToFoxPro}) {
            const auto figures = runDirectionChild(o, d);
            const bool ok = !figures.contains(QStringLiteral("error"));
            const double s = ok ? figures.value(QStringLiteral("seconds")).toDouble() : -1;
            const double peak = ok ? figures.value(QStringLiteral("peak_rss_mb")).toDouble() : -1;
            (d == Direction::ToParadox ? toParadox : toFoxPro).push_back(s);
            double &largest = d == Direction::ToParadox ? runs.paradoxPeakMb : runs.foxproPeakMb;
            largest = std::max(largest, peak);
        }
    }
    runs.paradoxSeconds = median(toParadox);
    runs.foxproSeconds = median(toFoxPro);
    return runs;
}

QString ratio(const QMap<QString, QString> &figures, qint64 rows, const Reference &reference)
{
    bool ok = false;
    const double ours = figures.value(QStringLiteral("rows_per_s")).toDouble(&ok);
    if (!ok || reference.seconds <= 0 || figures.contains(QStringLiteral("error")))
        return QStringLiteral("nan");
    return fixed(ours / perSecond(double(rows), reference.seconds), 3);
}

// The largest file in `folder` and the temporaries ("~tw...") it holds.
struct Written {
    qint64 largest = 0;
    int temporaries = 0;
};
Written writtenIn(const QString &folder)
{
    Written w;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : files) {
        w.largest = std::max(w.largest, file.size());
        if (file.fileName().startsWith(QLatin1String("~tw")))
            ++w.temporaries;
    }
    return w;
}

// Without a folder given, the run works in a scratch folder of its own (kept with --keep).
bool useScratchFolder(Options &o, std::optional<QTemporaryDir> &scratch)
{
    if (!o.dir.isEmpty())
        return true;
    scratch.emplace(QDir::temp().filePath(QStringLiteral("tabwright-bench-XXXXXX")));
    if (!scratch->isValid()) {
        std::fprintf(stderr, "tabwright-bench: cannot make a scratch folder\n");
        return false;
    }
    scratch->setAutoRemove(!o.keep);
    o.dir = scratch->path();
    return true;
}

// Each direction once on tables of o.rows rows: copied whole, or refused with
// the limit's message; never a file of 2 GiB or more, never a temporary left.
int runLimits(Options o)
{
    std::optional<QTemporaryDir> scratch;
    if (!useScratchFolder(o, scratch))
        return 1;
    const BenchLayout layout{o.dir};
    line(QStringLiteral("rows"), QString::number(o.rows));
    generate(o, layout);
    bool failed = false;
    for (const Direction direction : {Direction::ToParadox, Direction::ToFoxPro}) {
        const QString prefix = QStringLiteral("limits_") + directionName(direction).replace(u'-', u'_') + u'_';
        QMap<QString, QString> figures = runDirectionChild(o, direction);
        const QString error = figures.value(QStringLiteral("error"));
        // A child that stopped for a limit reports the rows it did not write.
        const bool refused = error.contains(QLatin1String(" would pass "));
        const Written written =
            writtenIn(direction == Direction::ToParadox ? layout.paradoxTarget() : layout.foxproTarget());
        line(prefix + QStringLiteral("outcome"), error.isEmpty() ? QStringLiteral("copied")
                                                 : refused       ? QStringLiteral("refused")
                                                                 : QStringLiteral("failed"));
        line(prefix + QStringLiteral("seconds"), figures.value(QStringLiteral("seconds")));
        line(prefix + QStringLiteral("largest_file_bytes"), QString::number(written.largest));
        line(prefix + QStringLiteral("temporaries_left"), QString::number(written.temporaries));
        if (!error.isEmpty())
            line(prefix + QStringLiteral("message"), error);
        failed = failed || (!error.isEmpty() && !refused) || written.largest >= kTwoGiB || written.temporaries > 0;
    }
    QDir(layout.paradoxTarget()).removeRecursively();
    QDir(layout.foxproTarget()).removeRecursively();
    QDir(layout.work()).removeRecursively();
    return failed ? 1 : 0;
}

int runAll(Options o)
{
    std::optional<QTemporaryDir> scratch;
    if (!useScratchFolder(o, scratch))
        return 1;
    const BenchLayout layout{o.dir};
    line(QStringLiteral("rows"), QString::number(o.rows));
    line(QStringLiteral("seed"), QString::number(o.seed));
    line(QStringLiteral("cpu_cores"), QString::number(QThread::idealThreadCount()));
    const Generated g = generate(o, layout);
    if (o.generateOnly)
        return 0;

    bool failed = false;
    warmUp(o);
    // The directions take turns, so that a slow spell of the machine hits both.
    std::vector<QMap<QString, QString>> paradoxRuns, foxproRuns;
    for (int i = 0; i < o.repeat; ++i) {
        paradoxRuns.push_back(runDirectionChild(o, Direction::ToParadox));
        foxproRuns.push_back(runDirectionChild(o, Direction::ToFoxPro));
    }
    const auto toParadox = summarize(Direction::ToParadox, paradoxRuns);
    const auto toFoxPro = summarize(Direction::ToFoxPro, foxproRuns);
    failed = toParadox.contains(QStringLiteral("error")) || toFoxPro.contains(QStringLiteral("error"));
    // The targets are not needed any more; the references write beside the sources.
    QDir(layout.paradoxTarget()).removeRecursively();
    QDir(layout.foxproTarget()).removeRecursively();
    QDir(layout.work()).removeRecursively();

    const QString scratchFile = QDir(o.dir).filePath(QStringLiteral("copy.tmp"));
    const Reference copyFoxPro = runReference(
        QStringLiteral("copy_foxpro"), o.repeat, o.rows, g.foxpro.bytes,
        [&] {
            return timeFileCopy({g.foxpro.data, g.foxpro.memo}, scratchFile);
        },
        &failed);
    const Reference copyParadox = runReference(
        QStringLiteral("copy_paradox"), o.repeat, o.rows, g.paradox.bytes,
        [&] {
            return timeFileCopy({g.paradox.data, g.paradox.memo}, scratchFile);
        },
        &failed);
    const Reference pgdbf = runReference(
        QStringLiteral("pgdbf"), o.repeat, o.rows, g.foxpro.bytes,
        [&] { return timePgdbf(g.foxpro.data, g.foxpro.memo); }, &failed);

    line(QStringLiteral("ratio_to_paradox_vs_pgdbf"), ratio(toParadox, o.rows, pgdbf));
    line(QStringLiteral("ratio_to_foxpro_vs_pgdbf"), ratio(toFoxPro, o.rows, pgdbf));
    line(QStringLiteral("ratio_to_paradox_vs_copy"), ratio(toParadox, o.rows, copyFoxPro));
    line(QStringLiteral("ratio_to_foxpro_vs_copy"), ratio(toFoxPro, o.rows, copyParadox));
    const double peak = std::max(toParadox.value(QStringLiteral("peak_rss_mb"), QStringLiteral("-1")).toDouble(),
                                 toFoxPro.value(QStringLiteral("peak_rss_mb"), QStringLiteral("-1")).toDouble());
    line(QStringLiteral("peak_rss_mb"), fixed(peak, 1));

    // How time grows with rows: the same transfers on a tenth of the rows (10.0 is linear).
    const qint64 fewer = o.growthRows < 0 ? o.rows / 10 : o.growthRows;
    if (fewer > 0 && fewer < o.rows) {
        Options small = o;
        small.rows = fewer;
        small.dir = QDir(o.dir).filePath(QStringLiteral("growth"));
        const SmallRuns runs = runSmall(small);
        const auto growth = [](const QMap<QString, QString> &figures, const char *name, double small) {
            const double large = figures.value(QLatin1String(name), QStringLiteral("-1")).toDouble();
            return large > 0 && small > 0 ? fixed(large / small, 2) : QStringLiteral("nan");
        };
        line(QStringLiteral("growth_rows"), QString::number(fewer));
        line(QStringLiteral("growth_to_paradox"), growth(toParadox, "seconds", runs.paradoxSeconds));
        line(QStringLiteral("growth_to_foxpro"), growth(toFoxPro, "seconds", runs.foxproSeconds));
        // Peak memory at all the rows over peak memory at a tenth of them (1.00: the same).
        line(QStringLiteral("memory_growth_to_paradox"), growth(toParadox, "peak_rss_mb", runs.paradoxPeakMb));
        line(QStringLiteral("memory_growth_to_foxpro"), growth(toFoxPro, "peak_rss_mb", runs.foxproPeakMb));
        QDir(small.dir).removeRecursively();
    }
    // The other shapes of table, at the sizes that show them: each direction
    // and pgdbf, the figures named after the shape.
    if (o.shapes) {
        struct ShapeRun {
            Shape shape;
            const char *name;
            qint64 rows;
        };
        for (const ShapeRun &run :
             {ShapeRun{Shape::Wide, "wide", kWideRows}, ShapeRun{Shape::MemoHeavy, "memo", kMemoRows}}) {
            Options shaped = o;
            shaped.shape = run.shape;
            shaped.rows = run.rows;
            shaped.dir = QDir(o.dir).filePath(QLatin1String(run.name));
            const QString prefix = QLatin1String(run.name) + u'_';
            const Generated sg = generate(shaped, BenchLayout{shaped.dir}, false);
            line(prefix + QStringLiteral("rows"), QString::number(run.rows));
            line(prefix + QStringLiteral("foxpro_source_bytes"), QString::number(sg.foxpro.bytes));
            std::vector<QMap<QString, QString>> toParadoxRuns, toFoxProRuns;
            warmUp(shaped);
            for (int i = 0; i < o.repeat; ++i) {
                toParadoxRuns.push_back(runDirectionChild(shaped, Direction::ToParadox));
                toFoxProRuns.push_back(runDirectionChild(shaped, Direction::ToFoxPro));
            }
            const auto shapeToParadox = summarize(Direction::ToParadox, toParadoxRuns, prefix);
            const auto shapeToFoxPro = summarize(Direction::ToFoxPro, toFoxProRuns, prefix);
            failed = failed || shapeToParadox.contains(QStringLiteral("error")) ||
                     shapeToFoxPro.contains(QStringLiteral("error"));
            const Reference shapePgdbf = runReference(
                prefix + QStringLiteral("pgdbf"), o.repeat, run.rows, sg.foxpro.bytes,
                [&] { return timePgdbf(sg.foxpro.data, sg.foxpro.memo); }, &failed);
            line(prefix + QStringLiteral("ratio_to_paradox_vs_pgdbf"), ratio(shapeToParadox, run.rows, shapePgdbf));
            line(prefix + QStringLiteral("ratio_to_foxpro_vs_pgdbf"), ratio(shapeToFoxPro, run.rows, shapePgdbf));
            QDir(shaped.dir).removeRecursively();
        }
    }

    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tabwright-bench"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const std::optional<Options> options = parse(args);
    if (!options) {
        std::fputs(usage().toUtf8().constData(), stderr);
        return kUsage;
    }
    try {
        if (options->direction)
            return runChild(*options);
        return options->limits ? runLimits(*options) : runAll(*options);
    } catch (...) {
        std::fprintf(stderr, "tabwright-bench: %s\n",
                     tw::describeFailure(std::current_exception()).toUtf8().constData());
        return 1;
    }
}
