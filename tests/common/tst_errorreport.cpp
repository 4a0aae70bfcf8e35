#include "common/ErrorReport.h"
#include "common/Steps.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ui/ScriptedDialogs.h"

#include <QTest>

#include <stdexcept>

using namespace tw;
using tw::ui::ScriptedDialogs;

class ErrorReportTest : public QObject {
    Q_OBJECT
private slots:
    void textByteForByte();
    void emptyDescriptionStartsWithTheBreak();
    void folderWalkHasItsOwnPrefix();
    void sqlExtension();
    void stepsReportAndGoOn();
    void stepsShowTheCurrentStatement();
    void stepsDescribeEveryKindOfFailure();
};

void ErrorReportTest::textByteForByte()
{
    const QString text = ErrorReportText("Form2", "PushButton4_Click", 236, "Table 'x' does not exist.");
    QCOMPARE(text, QString("Table 'x' does not exist.\r\nin Quillmark2021/08/31.Form2.PushButton4_Click at line 236"
                           "\r\rPlease email screenshot of this message to ") +
                       QLatin1String(kSupportAddress));
}

void ErrorReportTest::emptyDescriptionStartsWithTheBreak()
{
    const QString text = ErrorReportText("Main", "RenameFile", 100, QString());
    QVERIFY(text.startsWith("\r\nin Quillmark2021/08/31.Main.RenameFile at line 100\r\r"));
}

void ErrorReportTest::folderWalkHasItsOwnPrefix()
{
    const QString text = ErrorReportText("AddFolder", "GetSubDirectories2016", 102, "Disk not ready");
    QVERIFY(text.startsWith("Disk not ready\r\nin VelmaroTitle2021/08/31.AddFolder.GetSubDirectories2016 at line 102"));
}

void ErrorReportTest::sqlExtension()
{
    const QString text =
        ErrorReportText("Form2", "PushButton4_Click", 130, "d", QString("INSERT INTO `a` VALUES('x')"));
    QVERIFY(text.endsWith(QLatin1String(kSupportAddress) + QString("\r\rsql: INSERT INTO `a` VALUES('x')")));
    // An empty statement still shows the label.
    QVERIFY(ErrorReportText("F", "R", 100, "d", QString()).endsWith("\r\rsql: "));
}

void ErrorReportTest::stepsReportAndGoOn()
{
    ScriptedDialogs dialogs;
    dialogs.setFallback(ui::vbOK);
    Steps steps{dialogs, "Form2", "PushButton3_Click"};
    QStringList ran;
    QVERIFY(steps(100, [&] { ran << "100"; }));
    QVERIFY(!steps(102, [&] { throw ado::RuntimeError(ado::kErrPathNotFound, "Path not found"); }));
    QVERIFY(steps(104, [&] { ran << "104"; }));
    QVERIFY(!steps(106, [&] { throw ado::RuntimeError("second"); }));
    QCOMPARE(ran, QStringList({"100", "104"}));
    QCOMPARE(steps.failures(), 2);
    QCOMPARE(dialogs.boxes().size(), size_t(2));
    const auto &box = dialogs.boxes()[0];
    QCOMPARE(box.title, QString("Application Error"));
    QCOMPARE(box.style, 48);
    QVERIFY(box.text.startsWith("Path not found\r\nin Quillmark2021/08/31.Form2.PushButton3_Click at line 102\r\r"));
    QVERIFY(dialogs.boxes()[1].text.contains("at line 106\r\r"));
    QVERIFY(!dialogs.boxes()[1].text.contains("sql: "));
}

void ErrorReportTest::stepsShowTheCurrentStatement()
{
    ScriptedDialogs dialogs;
    dialogs.setFallback(ui::vbOK);
    Steps steps{dialogs, "Form2", "PushButton4_Click"};
    QString statement;
    steps.reportStatement(&statement);
    steps(100, [&] { throw ado::RuntimeError("before any statement"); });
    statement = "CREATE TABLE [x](";
    steps(102, [&] { throw ado::RuntimeError("during"); });
    QVERIFY(dialogs.boxes()[0].text.endsWith("\r\rsql: "));
    QVERIFY(dialogs.boxes()[1].text.endsWith("\r\rsql: CREATE TABLE [x]("));
}

void ErrorReportTest::stepsDescribeEveryKindOfFailure()
{
    ScriptedDialogs dialogs;
    dialogs.setFallback(ui::vbOK);
    Steps steps{dialogs, "M", "R"};
    steps(100, [] { throw std::runtime_error("standard"); });
    steps(102, [] { throw 42; });
    QVERIFY(dialogs.boxes()[0].text.startsWith("standard\r\n"));
    QVERIFY(dialogs.boxes()[1].text.startsWith("Unknown error\r\n"));
}

QTEST_APPLESS_MAIN(ErrorReportTest)
#include "tst_errorreport.moc"
