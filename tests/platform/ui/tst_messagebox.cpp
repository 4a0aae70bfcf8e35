// The message boxes QtDialogs shows, set up as for MsgBox but shown without
// waiting for an answer: the details behind "Show Details..." and lines
// kept whole where they fit.

#include "platform/ui/QtDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

using namespace tw::ui;

namespace {

QLabel *textLabel(const QMessageBox &box)
{
    return box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
}

// The number of lines the box's text is laid out in.
int lines(const QMessageBox &box)
{
    const QLabel *label = textLabel(box);
    return label->heightForWidth(label->width()) / label->fontMetrics().lineSpacing();
}

} // namespace

class MessageBoxTest : public QObject {
    Q_OBJECT
private slots:
    void detailsGoBehindTheirButton();
    void aLineThatFitsTheScreenStaysWhole();
    void aLongerLineWrapsWithItsRunsWhole();
};

void MessageBoxTest::detailsGoBehindTheirButton()
{
    QMessageBox box;
    prepareMessageBox(box, "Could not connect.", "The folder /x/y does not exist.", vbOKOnly, {});
    QCOMPARE(box.text(), QString("Could not connect."));
    QCOMPARE(box.detailedText(), QString("The folder /x/y does not exist."));
    QCOMPARE(box.windowTitle(), applicationTitle());
    // OK and the button that opens the details.
    QCOMPARE(box.buttons().size(), 2);

    QMessageBox plain;
    prepareMessageBox(plain, "Connection successful.", {}, vbOKOnly, "Title");
    QCOMPARE(plain.detailedText(), QString());
    QCOMPARE(plain.buttons().size(), 1);
    QCOMPARE(plain.windowTitle(), QString("Title"));
}

void MessageBoxTest::aLineThatFitsTheScreenStaysWhole()
{
    // A text wider than the box's usual wrapping width (half the screen, 500
    // pixels at most) that still fits the screen.
    QMessageBox box;
    QString name = "table";
    QString text;
    const QFontMetrics metrics = QMessageBox().fontMetrics();
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
    do {
        name += "x";
        text = QString("\"%1:\" cannot be used as a table name: a name cannot hold \\ / : * ? \" < > | or "
                       "control characters.")
                   .arg(name);
    } while (metrics.horizontalAdvance(text) < std::min(screen / 2, 500) + 40);
    QVERIFY(metrics.horizontalAdvance(text) + 150 < std::min(screen, 1024));
    prepareMessageBox(box, text, {}, vbOKOnly, {});
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(lines(box), 1);
    box.hide();

    QMessageBox help;
    prepareMessageBox(help, "Questions? Please contact Team Kestrava at https://www.kestrava.com/contact", {}, vbOKOnly,
                      {});
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QCOMPARE(lines(help), 1);
}

void MessageBoxTest::aLongerLineWrapsWithItsRunsWhole()
{
    const QString run = "\\ / : * ? \" < > |";
    const QString text = QString(60, 'w').split(QString(), Qt::SkipEmptyParts).join(" word") + " a name cannot hold " +
                         run + " or control characters. " + QString(40, 'x');
    QMessageBox box;
    prepareMessageBox(box, text, {}, vbOKOnly, {});
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(lines(box) > 1);
    QVERIFY(box.width() <= QGuiApplication::primaryScreen()->availableGeometry().width());
    // The characters stand together, whatever line they land on.
    QVERIFY(textLabel(box)->text().contains(QString(run).replace(' ', QChar(0x00A0))));
}

QTEST_MAIN(MessageBoxTest)
#include "tst_messagebox.moc"
