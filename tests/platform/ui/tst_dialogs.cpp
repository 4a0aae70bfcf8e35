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
    void detailsAreRecordedWithTheirBox();
    void runsAReaderTakesAsOneStayTogether();
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

void DialogsTest::detailsAreRecordedWithTheirBox()
{
    // A subclass that watches the boxes through MsgBox sees detailed ones too.
    struct Watching final : ScriptedDialogs {
        QStringList seen;
        int MsgBox(const QString &text, int style, const QString &title) override
        {
            seen << text;
            return ScriptedDialogs::MsgBox(text, style, title);
        }
    } dialogs;
    dialogs.expectMessage(vbOK);
    QCOMPARE(dialogs.MsgBoxDetailed("Could not connect.", "The folder /x/y does not exist."), vbOK);
    dialogs.setFallback(vbOK);
    dialogs.MsgBox("Connection successful.", vbOKOnly, {});
    QCOMPARE(dialogs.seen, QStringList({"Could not connect.", "Connection successful."}));
    QCOMPARE(dialogs.boxes().size(), size_t(2));
    QCOMPARE(dialogs.boxes()[0].text, QString("Could not connect."));
    QCOMPARE(dialogs.boxes()[0].details, QString("The folder /x/y does not exist."));
    QCOMPARE(dialogs.boxes()[0].title, applicationTitle());
    QCOMPARE(dialogs.boxes()[1].details, QString()); // the details went with their own box

    // A Dialogs without a place for details shows the plain box.
    struct Plain final : Dialogs {
        QString shown;
        int MsgBox(const QString &text, int, const QString &) override
        {
            shown = text;
            return vbOK;
        }
        QString InputBox(const QString &, const QString &, const QString &) override { return {}; }
        QString BrowseForFolder(QObject *, const QString &, const QString &) override { return {}; }
        QString ChooseOpenFile(QObject *, const QString &, const QString &) override { return {}; }
    } plain;
    QCOMPARE(plain.MsgBoxDetailed("Could not connect.", "why"), vbOK);
    QCOMPARE(plain.shown, QString("Could not connect."));
}

void DialogsTest::runsAReaderTakesAsOneStayTogether()
{
    const QChar nbsp(0x00A0);
    const QChar joiner(0x2060);
    // The characters a table name cannot hold: one piece, joined by no-break spaces.
    const QString shown = keepRunsTogether("a name cannot hold \\ / : * ? \" < > | or control characters.");
    QCOMPARE(shown, QString("a name cannot hold \\%1/%1:%1*%1?%1\"%1<%1>%1| or control characters.").arg(nbsp));
    // Words of one letter here and there are left alone, two in a row too.
    QCOMPARE(keepRunsTogether("a b and c d e"), QString("a b and c%1d%1e").arg(nbsp));
    // A web address cannot break after its slashes and dots; removing the
    // joiners gives the address back.
    const QString help =
        keepRunsTogether("Questions? Please contact Team Kestrava at https://www.kestrava.com/contact");
    QVERIFY(help.startsWith("Questions? Please contact Team Kestrava at https:"));
    QVERIFY(help.contains(QString("/%1/%1www.%1kestrava").arg(joiner)));
    QCOMPARE(QString(help).remove(joiner), QString("Questions? Please contact Team Kestrava at "
                                                   "https://www.kestrava.com/contact"));
    // Plain texts come back as they were.
    for (const char *text : {"Could not connect.", "Connection successful.", "Line one\r\nLine two", ""})
        QCOMPARE(keepRunsTogether(text), QString(text));
}

QTEST_APPLESS_MAIN(DialogsTest)
#include "tst_dialogs.moc"
