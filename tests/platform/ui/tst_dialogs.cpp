#include "platform/ui/QtDialogs.h"
#include "platform/ui/ScriptedDialogs.h"

#include <QTest>

using namespace tw::ui;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void scriptedAnswersInOrderAndRecords();
    void unexpectedBoxesAreRecorded();
    void applicationTitleFillsMissingTitles();
    void windowsFiltersBecomeQtFilters();
};

void DialogsTest::scriptedAnswersInOrderAndRecords()
{
    ScriptedDialogs dialogs;
    dialogs.expectMessage(vbNo);
    dialogs.expectMessage(vbYes);
    dialogs.expectText("NEWNAME");
    QCOMPARE(dialogs.MsgBox("Would you like to overwrite x?", vbYesNo, "Overwrite?"), vbNo);
    QCOMPARE(dialogs.MsgBox("Continue?", vbYesNo, "Continue?"), vbYes);
    QCOMPARE(dialogs.InputBox("Enter new name of A:", {}, "A"), QString("NEWNAME"));
    QCOMPARE(dialogs.boxes().size(), size_t(3));
    QCOMPARE(dialogs.boxes()[0].text, QString("Would you like to overwrite x?"));
    QCOMPARE(dialogs.boxes()[0].style, vbYesNo);
    QCOMPARE(dialogs.boxes()[0].title, QString("Overwrite?"));
    QCOMPARE(dialogs.boxes()[2].kind, ScriptedDialogs::Kind::Input);
    QCOMPARE(dialogs.boxes()[2].defaultText, QString("A"));
    QVERIFY(dialogs.unexpected().empty());
    QCOMPARE(dialogs.pending(), 0);
}

void DialogsTest::unexpectedBoxesAreRecorded()
{
    ScriptedDialogs dialogs;
    QCOMPARE(dialogs.MsgBox("surprise"), vbOK);
    QCOMPARE(dialogs.InputBox("name?", {}, "dflt"), QString("dflt"));
    QCOMPARE(dialogs.BrowseForFolder(nullptr, "Please select folder:", "/tmp"), QString());
    QCOMPARE(dialogs.unexpected().size(), size_t(3));
    ScriptedDialogs lenient;
    lenient.setFallback(vbYes);
    QCOMPARE(lenient.MsgBox("q", vbYesNo), vbYes);
    QVERIFY(lenient.unexpected().empty());
}

void DialogsTest::applicationTitleFillsMissingTitles()
{
    ScriptedDialogs dialogs;
    dialogs.setFallback(vbOK);
    const QString before = applicationTitle();
    setApplicationTitle("Tabwright Test");
    dialogs.MsgBox("Please select a table to send.");
    setApplicationTitle(before);
    QCOMPARE(dialogs.boxes()[0].title, QString("Tabwright Test"));
    QCOMPARE(dialogs.boxes()[0].style, vbOKOnly);
}

void DialogsTest::windowsFiltersBecomeQtFilters()
{
    QCOMPARE(toQtFilter("Microsoft Database (*.dbc)|*.dbc|"), QString("Microsoft Database (*.dbc)"));
    QCOMPARE(toQtFilter("Tables|*.db;*.DB|All (*.*)|*.*"), QString("Tables (*.db *.DB);;All (*.*)"));
    QCOMPARE(toQtFilter(""), QString());
}

QTEST_APPLESS_MAIN(DialogsTest)
#include "tst_dialogs.moc"
