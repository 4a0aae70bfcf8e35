// Both windows with the font a machine has in place of Arial: every caption
// fits its control, the controls stay inside their groups and clear of each
// other, and the layout keeps its edges. The font is forced the way such a
// machine gets it: fontconfig is told that only the chosen family is there
// and that Arial stands for it (TW_TEST_FONT: "dejavu", the default, or
// "liberation"). Also the fitting itself on small made-up windows, whatever
// the font.

#include "common/CommandGuard.h"
#include "common/ConnectionSettings.h"
#include "gui/TextFit.h"
#include "platform/ui/ScriptedDialogs.h"
#include "setup/Form1.h"
#include "transferwindow/Form2.h"

#include <QApplication>
#include <QDirIterator>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tw;

namespace {

struct ForcedFont {
    QString family; // what Arial stands for
    QString file;   // a file of that family, found among the system's fonts
};

ForcedFont forcedFont()
{
    if (qEnvironmentVariable("TW_TEST_FONT") == QLatin1String("liberation"))
        return {QStringLiteral("Liberation Sans"), QStringLiteral("LiberationSans-Regular.ttf")};
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVuSans.ttf")};
}

// The folder holding file under the data folders' "fonts"; empty when none does.
QString fontFolder(const QString &file)
{
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        QDirIterator it(data + QStringLiteral("/fonts"), {file}, QDir::Files, QDirIterator::Subdirectories);
        if (it.hasNext())
            return QFileInfo(it.next()).absolutePath();
    }
    return {};
}

// Writes a fontconfig setup that knows only the fonts beside font.file, with
// Arial and the usual sans-serif names standing for font.family, and has this
// process use it. False when the font is not installed.
bool forceFont(const ForcedFont &font, const QString &scratch)
{
    const QString folder = fontFolder(font.file);
    if (folder.isEmpty())
        return false;
    QString aliases;
    for (const char *name : {"Arial", "Liberation Sans", "Helvetica", "sans-serif", "Sans Serif"})
        aliases += QStringLiteral("<alias binding=\"same\"><family>%1</family><prefer><family>%2</family>"
                                  "</prefer></alias>\n")
                       .arg(QLatin1String(name), font.family);
    const QString config = QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                                          "<fontconfig>\n<dir>%1</dir>\n<cachedir>%2/cache</cachedir>\n%3"
                                          "</fontconfig>\n")
                               .arg(folder, scratch, aliases);
    QFile file(scratch + QStringLiteral("/fonts.conf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
        return false;
    file.close();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(file.fileName()));
    return true;
}

// Where the style draws a control's text, in the control's coordinates, and
// the text; an empty rectangle for controls without text.
QPair<QRect, QString> textPlace(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return {button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button), button->text()};
    }
    if (const auto *radio = qobject_cast<const QRadioButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        return {radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio), radio->text()};
    }
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return {label->contentsRect(), label->text()};
    if (const auto *group = qobject_cast<const QGroupBox *>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.lineWidth = 1;
        return {group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group),
                group->title()};
    }
    return {};
}

// Every way a control of window cuts its text or stands where it should not,
// one line each.
QStringList layoutFaults(QWidget *window)
{
    QStringList faults;
    const auto controls = window->findChildren<QWidget *>();
    for (const QWidget *control : controls) {
        const auto [place, text] = textPlace(control);
        if (text.isEmpty())
            continue;
        const QFontMetrics metrics = control->fontMetrics();
        const int width = metrics.horizontalAdvance(text);
        if (width > place.width() || metrics.height() > place.height())
            faults << QStringLiteral("%1 \"%2\": text %3x%4 in %5x%6")
                          .arg(control->objectName(), text)
                          .arg(width)
                          .arg(metrics.height())
                          .arg(place.width())
                          .arg(place.height());
    }
    // Named controls stay inside what holds them and clear of each other.
    QList<QWidget *> holders{window};
    for (QGroupBox *group : window->findChildren<QGroupBox *>())
        holders << group;
    for (QWidget *holder : holders) {
        QList<QWidget *> inside;
        for (QWidget *child : holder->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!child->objectName().isEmpty() && !child->isWindow())
                inside << child;
        }
        for (qsizetype i = 0; i < inside.size(); ++i) {
            if (!holder->rect().contains(inside[i]->geometry()))
                faults << QStringLiteral("%1 reaches out of %2").arg(inside[i]->objectName(), holder->objectName());
            for (qsizetype j = i + 1; j < inside.size(); ++j) {
                // Places given in twips may touch by the one pixel rounding gives.
                const QRect both = inside[i]->geometry() & inside[j]->geometry();
                if (both.width() > 1 && both.height() > 1)
                    faults << QStringLiteral("%1 overlaps %2").arg(inside[i]->objectName(), inside[j]->objectName());
            }
        }
    }
    return faults;
}

// A made-up window: controls placed by hand, then fitted.
struct Sketch {
    QWidget window;
    template <typename T> T *add(const QString &text, QRect place, QWidget *holder = nullptr)
    {
        T *control = new T(holder ? holder : &window);
        if constexpr (std::is_same_v<T, QGroupBox>)
            control->setTitle(text);
        else if constexpr (!std::is_same_v<T, QLineEdit> && !std::is_same_v<T, QListWidget>)
            control->setText(text);
        control->setGeometry(place);
        return control;
    }
};

int need(QLabel *label)
{
    return label->sizeHint().width() + 2;
}

} // namespace

class TestWindowFit : public QObject {
    Q_OBJECT

public:
    TestWindowFit(ForcedFont font, bool forced) : m_font(std::move(font)), m_forced(forced) {}

private slots:
    void initTestCase();
    void windowsAskForArialAndGetTheMachinesFont();
    void everyCaptionFits_data();
    void everyCaptionFits();
    void setupWindowKeepsItsEdges();
    void transferWindowKeepsItsColumns();

    void aWideLabelTakesWidthFromTheFieldBesideIt();
    void aWideButtonWidensGroupAndWindowAndFlushRowsFollow();

private:
    std::unique_ptr<setup::Form1> setupWindow() { return std::make_unique<setup::Form1>(m_dialogs, m_dir.path()); }
    std::unique_ptr<transferwindow::Form2> transferWindow()
    {
        return std::make_unique<transferwindow::Form2>(m_dialogs, m_settings, m_dir.path(), m_busy);
    }

    ForcedFont m_font;
    bool m_forced;
    QTemporaryDir m_dir;
    ui::ScriptedDialogs m_dialogs;
    PlainConnectionSettings m_settings;
    BusyState m_busy;
};

void TestWindowFit::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void TestWindowFit::windowsAskForArialAndGetTheMachinesFont()
{
    if (!m_forced)
        QSKIP("the font to force is not installed");
    auto form1 = setupWindow();
    auto form2 = transferWindow();
    for (QWidget *window : {static_cast<QWidget *>(form1.get()), static_cast<QWidget *>(form2.get())}) {
        for (const QWidget *control : window->findChildren<QWidget *>()) {
            if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
                continue;
            QVERIFY2(!control->font().families().isEmpty(), qPrintable(control->objectName()));
            QCOMPARE(control->font().families().first(), QStringLiteral("Arial"));
            QCOMPARE(QFontInfo(control->font()).family(), m_font.family);
        }
    }
}

void TestWindowFit::everyCaptionFits_data()
{
    QTest::addColumn<bool>("setup");
    QTest::newRow("setup window") << true;
    QTest::newRow("transfer window") << false;
}

void TestWindowFit::everyCaptionFits()
{
    if (!m_forced)
        QSKIP("the font to force is not installed");
    QFETCH(bool, setup);
    std::unique_ptr<QWidget> window;
    if (setup)
        window = setupWindow();
    else
        window = transferWindow();
    const QStringList faults = layoutFaults(window.get());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    QVERIFY(window->width() >= 535);
}

void TestWindowFit::setupWindowKeepsItsEdges()
{
    if (!m_forced)
        QSKIP("the font to force is not installed");
    auto form = setupWindow();
    auto edges = [&](const char *name) {
        const QWidget *control = form->findChild<QWidget *>(QLatin1String(name));
        return qMakePair(control->geometry().left(), control->geometry().right());
    };
    // The full-width controls share both edges, however wide the window became.
    for (const char *name : {"Frame1", "Frame2", "PushButton2"})
        QCOMPARE(edges(name), edges("PushButton10"));
    QCOMPARE(form->width() - edges("PushButton10").second, 536 - 527);
    // In each group the "..." buttons and the test buttons share the right edge.
    const auto right = [&](const char *name) { return edges(name).second; };
    QCOMPARE(right("PushButton6"), right("PushButton3"));
    QCOMPARE(right("PushButton5"), right("PushButton1"));
    QCOMPARE(right("PushButton4"), right("PushButton1"));
    // Each text field stands clear of its caption.
    for (const auto &[caption, field] :
         {qMakePair("Label2", "Text1"), qMakePair("Option1", "Text4"), qMakePair("Option2", "Text5")})
        QVERIFY2(right(caption) <= edges(field).first, caption);
    if (m_font.family == QLatin1String("Liberation Sans")) {
        // Arial's stand-in: the places as given (the one caption that needs a
        // few pixels more takes them from its field).
        QCOMPARE(form->size(), QSize(536, 310));
        QCOMPARE(form->findChild<QWidget *>("PushButton7")->geometry(), QRect(16, 54, 240, 27));
        QCOMPARE(form->findChild<QWidget *>("Text4")->geometry(), QRect(104, 24, 353, 22));
        QCOMPARE(right("Text5"), 144 + 313 - 1);
    } else {
        QVERIFY2(form->width() > 536, qPrintable(QString::number(form->width())));
        QCOMPARE(form->height(), 310);
    }
}

void TestWindowFit::transferWindowKeepsItsColumns()
{
    if (!m_forced)
        QSKIP("the font to force is not installed");
    auto form = transferWindow();
    const QRect left = form->Frame2->geometry();
    const QRect right = form->Frame1->geometry();
    QCOMPARE(left.top(), right.top());
    QCOMPARE(left.height(), right.height());
    QVERIFY(left.right() < right.left());
    // The bar spans both groups; "< Back" stands under the left group, "Help" under the right.
    QCOMPARE(form->ProgressBar1->geometry().left(), left.left());
    QCOMPARE(form->ProgressBar1->geometry().right(), right.right());
    QCOMPARE(form->PushButton2->geometry().left(), left.left());
    QCOMPARE(form->PushButton12->geometry().left(), right.left());
    QCOMPARE(form->PushButton12->geometry().right(), right.right());
    // In each group the list and the wide buttons share both edges.
    for (const QWidget *group : {static_cast<QWidget *>(form->Frame1), static_cast<QWidget *>(form->Frame2)}) {
        const auto *list = group->findChild<QListWidget *>();
        for (const char *name :
             {"PushButton3", "PushButton1", "PushButton6", "PushButton4", "PushButton5", "PushButton7"}) {
            if (const auto *button = group->findChild<QPushButton *>(QLatin1String(name))) {
                QCOMPARE(button->geometry().left(), list->geometry().left());
                QCOMPARE(button->geometry().right(), list->geometry().right());
            }
        }
    }
    if (m_font.family == QLatin1String("Liberation Sans")) {
        QCOMPARE(form->size(), QSize(535, 371));
        QCOMPARE(form->PushButton11->geometry(), QRect(130, 144, 106, 26));
    }
}

void TestWindowFit::aWideLabelTakesWidthFromTheFieldBesideIt()
{
    Sketch s;
    auto *label = s.add<QLabel>("A caption:", QRect());
    const int given = need(label) - 30; // 30 pixels short, within the quarter of the field it may give up
    label->setGeometry(8, 8, given, 17);
    auto *field = s.add<QLineEdit>({}, QRect(10 + given, 6, 400, 22));
    auto *button = s.add<QPushButton>("...", QRect(420 + given, 6, 40, 23));
    auto *below = s.add<QPushButton>("Wide button", QRect(8, 40, 452 + given, 27));
    const QSize size(468 + given, 75);
    QCOMPARE(gui::fitToText(&s.window, size), size);
    QCOMPARE(label->geometry(), QRect(8, 8, given + 30, 17));
    // The field keeps its right edge and stands 6 pixels after the caption.
    QCOMPARE(field->geometry(), QRect(44 + given, 6, 366, 22));
    QCOMPARE(button->geometry(), QRect(420 + given, 6, 40, 23));
    QCOMPARE(below->geometry(), QRect(8, 40, 452 + given, 27));
}

void TestWindowFit::aWideButtonWidensGroupAndWindowAndFlushRowsFollow()
{
    Sketch s;
    auto *top = s.add<QPushButton>("Top", QRect(8, 8, 300, 27));
    auto *group = s.add<QGroupBox>("Group", QRect(8, 40, 300, 110));
    auto *wide = s.add<QPushButton>(QString(60, u'W'), QRect(8, 20, 140, 27), group);
    auto *next = s.add<QPushButton>("Next", QRect(152, 20, 140, 27), group);
    auto *list = s.add<QListWidget>({}, QRect(8, 50, 284, 30), group);
    auto *label = s.add<QLabel>("x", QRect(8, 85, 20, 17), group);
    const int grown = wide->sizeHint().width() + 2 - 140; // no style pads a button by more than the allowance
    QVERIFY(grown > 100);
    const QSize size = gui::fitToText(&s.window, QSize(316, 158));
    QVERIFY2(size.width() >= 316 + grown - 8 && size.width() <= 316 + grown + 8,
             qPrintable(QString::number(size.width())));
    QCOMPARE(size.height(), 158);
    const int extra = size.width() - 316;
    QCOMPARE(wide->geometry().topLeft(), QPoint(8, 20));
    QCOMPARE(next->geometry(), QRect(wide->geometry().right() + 1 + 6, 20, 140, 27));
    QCOMPARE(group->geometry(), QRect(8, 40, 300 + extra, 110));
    QCOMPARE(top->geometry(), QRect(8, 8, 300 + extra, 27));
    QCOMPARE(list->geometry(), QRect(8, 50, 284 + extra, 30));
    QCOMPARE(list->geometry().right(), next->geometry().right());
    QCOMPARE(label->geometry(), QRect(8, 85, 20, 17)); // short of the edge: stays as it was
}

int main(int argc, char *argv[])
{
    const ForcedFont font = forcedFont();
    QTemporaryDir scratch;
    const bool forced = scratch.isValid() && forceFont(font, scratch.path());
    QApplication app(argc, argv);
    TestWindowFit test(font, forced);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowfit.moc"
