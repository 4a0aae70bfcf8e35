// Feeds every input the fuzzers ever found trouble with (tests/fuzz/regressions/
// <target>/) through the reader or parser it troubled: each must give rows or
// a clean RuntimeError. Under ASan and UBSan this also proves no overflow.

#include "FuzzFolder.h"
#include "TableWalk.h"

#include "platform/ado/RuntimeError.h"
#include "platform/foxpro/FoxProSession.h"
#include "platform/paradox/ParadoxSession.h"
#include "platform/sql/Parser.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tw;

namespace {

QString regressionDir(const QString &target)
{
    return qEnvironmentVariable("TW_SOURCE_DIR") + QStringLiteral("/tests/fuzz/regressions/") + target;
}

QStringList inputsOf(const QString &target)
{
    QStringList paths;
    const QDir dir(regressionDir(target));
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

// Writes the files an input holds into a fresh folder; returns their names.
QStringList unpackInto(const QString &folder, const QByteArray &input)
{
    QStringList names;
    for (const auto &file :
         fuzz::splitInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()))) {
        test::writeAll(folder + '/' + file.name, file.data);
        names << file.name;
    }
    return names;
}

enum class Target { FoxProTable, FoxProContainer, ParadoxTable };

// Opens the folder the way the fuzz target does; returns a text telling what happened.
QString walk(Target target, const QString &folder, const QStringList &names)
{
    try {
        qint64 rows = 0;
        if (target == Target::ParadoxTable) {
            paradox::ParadoxSession session(folder);
            rows = fuzz::walkSession(session, u'`', u'`', true);
        } else {
            QString source = folder;
            if (target == Target::FoxProContainer) {
                for (const QString &n : names)
                    if (n.endsWith(QLatin1String(".dbc"), Qt::CaseInsensitive)) {
                        source = folder + '/' + n;
                        break;
                    }
                if (source == folder)
                    return QStringLiteral("no container");
            }
            foxpro::FoxProSession session(source);
            rows = fuzz::walkSession(session, u'"', u'"', true);
        }
        return QStringLiteral("%1 rows").arg(rows);
    } catch (const ado::RuntimeError &e) {
        return e.description();
    }
}

} // namespace

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void readers_data();
    void readers();
    void parser();
};

void TestFuzzRegressions::readers_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("input");
    const std::pair<Target, const char *> targets[] = {{Target::FoxProTable, "fuzz_foxpro_table"},
                                                       {Target::FoxProContainer, "fuzz_foxpro_container"},
                                                       {Target::ParadoxTable, "fuzz_paradox_table"}};
    int rows = 0;
    for (const auto &[target, name] : targets)
        for (const QString &path : inputsOf(QLatin1String(name))) {
            QTest::newRow(qPrintable(QLatin1String(name) + '/' + QFileInfo(path).fileName())) << int(target) << path;
            ++rows;
        }
    if (rows == 0)
        QTest::newRow("none kept") << 0 << QString();
}

void TestFuzzRegressions::readers()
{
    QFETCH(int, target);
    QFETCH(QString, input);
    if (input.isEmpty())
        QSKIP("no reader regressions kept");
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QByteArray bytes = test::readAll(input);
    QVERIFY2(!bytes.isEmpty(), qPrintable(input));
    const QStringList names = unpackInto(folder.path(), bytes);
    const QString outcome = walk(Target(target), folder.path(), names);
    // A message names what is wrong; it never comes out empty.
    QVERIFY(!outcome.trimmed().isEmpty());
    qInfo("%s", qPrintable(outcome.left(200)));
    // Reading changes nothing on disk.
    for (const auto &file :
         fuzz::splitInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())))
        QCOMPARE(test::readAll(folder.filePath(file.name)), file.data);
}

void TestFuzzRegressions::parser()
{
    const QStringList inputs = inputsOf(QStringLiteral("fuzz_sql_parse"));
    for (const QString &path : inputs) {
        const QString text = QString::fromUtf8(test::readAll(path));
        try {
            (void)sql::parse(text);
        } catch (const ado::RuntimeError &e) {
            QVERIFY2(!e.description().isEmpty(), qPrintable(path));
        }
    }
    if (inputs.isEmpty())
        QSKIP("no SQL parser regressions kept");
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzz_regressions.moc"
