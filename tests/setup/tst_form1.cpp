// The setup window and the start-up sequence: restoring the stored settings,
// going on to the transfer window, storing every change, the test, browse,
// sample and help buttons, pointer feedback and closing.

#include "SampleDatabase.h"
#include "TestSupport.h"
#include "WidgetSupport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/foxpro/Container.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/workdb/WorkDbProvider.h"
#include "preview/PreviewWindow.h"
#include "setup/Form1.h"
#include "setup/SettingsStore.h"
#include "transferwindow/Form2.h"

#include <QAction>
#include <QCheckBox>
#include <QTableWidget>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tw;
using setup::Form1;
using tw::test::hover;

namespace {

// The FoxPro provider, counting how often a source is opened.
class CountingFoxPro final : public foxpro::FoxProProvider {
public:
    std::unique_ptr<ado::Session> open(const ado::ConnectionString &cs, const ado::ConnectionOptions &options) override
    {
        ++opens;
        return FoxProProvider::open(cs, options);
    }
    int opens = 0;
};

// The type letters of a .dbf's fields, its _NullFlags left out.
QString dbfFieldTypes(const QString &path)
{
    constexpr int kFirstDescriptor = 32;
    constexpr int kDescriptorSize = 32;
    constexpr int kTypeOffset = 11;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no %1)").arg(path);
    const QByteArray bytes = file.readAll();
    QString types;
    for (qsizetype at = kFirstDescriptor; at + kDescriptorSize <= bytes.size() && bytes[at] != '\r';
         at += kDescriptorSize) {
        if (bytes[at + kTypeOffset] != '0')
            types += QChar::fromLatin1(bytes[at + kTypeOffset]);
    }
    return types;
}

void selectOnly(QListWidget *list, const QString &text)
{
    for (int i = 0; i < list->count(); ++i) {
        const bool on = list->item(i)->text() == text;
        list->item(i)->setSelected(on);
        if (on)
            list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
    }
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutNamesAndCaptions();
    void firstRunShowsSetupWindow();
    void foxproOptionIsComparedExactly_data();
    void foxproOptionIsComparedExactly();
    void paradoxFolderWithoutTablesSkipsFoxPro();
    void failingFoxProKeepsSetupWindow();
    void bothUsableOpensTransferWindow();
    void everyChangeIsStored();
    void testConnectionMessages();
    void connectionFailuresSayWhy();
    void browseButtons();
    void sampleButtons();
    void nextAndBack();
    void helpHint();
    void focusSelectsWholeText();
    void pointerFeedback();
    void closingEndsProgram();
    void windowKeepsItsPlace();
    void firstWindowComesUpOnAScreen();
    void keepFieldTypesChoosesTheMapping();

private:
    std::unique_ptr<Form1> makeWindow();
    template <typename T> T *child(const Form1 &form, const char *name)
    {
        T *found = form.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    // The samples folder as "Load Sample/Example Database" fills it in.
    QString samples() const { return QDir::toNativeSeparators(m_program + QStringLiteral("/Samples")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
    ui::ScriptedDialogs m_dialogs;
    std::shared_ptr<CountingFoxPro> m_foxpro;
    std::unique_ptr<ado::ScopedProvider> m_registration;
};

void TestForm1::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_foxpro = std::make_shared<CountingFoxPro>();
    m_registration = std::make_unique<ado::ScopedProvider>(m_foxpro);
    paradox::registerProvider();
    workdb::registerProvider();
}

void TestForm1::init()
{
    setup::ClearSettings(QLatin1String(setup::kApplicationName));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_program = m_dir->path();
    samples::WriteSampleFolder(m_program);
    QFile work(m_program + QStringLiteral("/dbtemp.mdb"));
    QVERIFY(work.open(QIODevice::WriteOnly));
    work.close();
    m_dialogs.clear();
    m_foxpro->opens = 0;
    ui::setApplicationTitle(QString());
}

void TestForm1::cleanup()
{
    m_dir.reset();
    setup::ClearSettings(QLatin1String(setup::kApplicationName));
}

std::unique_ptr<Form1> TestForm1::makeWindow()
{
    return std::make_unique<Form1>(m_dialogs, m_program);
}

void TestForm1::layoutNamesAndCaptions()
{
    auto form = makeWindow();
    const QList<QPair<const char *, const char *>> buttons{{"PushButton10", "Help"},
                                                           {"PushButton6", "..."},
                                                           {"PushButton7", "Load Sample/Example Database"},
                                                           {"PushButton3", "Test Connection"},
                                                           {"PushButton5", "..."},
                                                           {"PushButton4", "..."},
                                                           {"PushButton8", "Load Sample/Example Database"},
                                                           {"PushButton1", "Test Connection"},
                                                           {"PushButton2", "Next >"}};
    for (const auto &[name, caption] : buttons) {
        auto *b = child<QPushButton>(*form, name);
        QCOMPARE(b->text(), QString::fromLatin1(caption));
        QCOMPARE(b->font().pointSizeF(), 11.25);
        QVERIFY(b->font().bold());
    }
    QCOMPARE(child<QGroupBox>(*form, "Frame1")->title(), QStringLiteral("Paradox Database"));
    QCOMPARE(child<QGroupBox>(*form, "Frame2")->title(), QStringLiteral("FoxPro Login"));
    QCOMPARE(child<QLabel>(*form, "Label2")->text(), QStringLiteral("Paradox Folder:"));
    QCOMPARE(child<QRadioButton>(*form, "Option1")->text(), QStringLiteral("DBC File:"));
    QCOMPARE(child<QRadioButton>(*form, "Option2")->text(), QStringLiteral("Free Table Folder:"));
    QVERIFY(child<QRadioButton>(*form, "Option1")->isChecked());
    QCOMPARE(child<QLineEdit>(*form, "Text4")->geometry(), QRect(104, 24, 353, 22));
    QCOMPARE(child<QPushButton>(*form, "PushButton2")->geometry(), QRect(8, 275, 520, 27));
    QVERIFY(child<QLineEdit>(*form, "Text1")->font().bold());
    QVERIFY(!form->font().bold());
    QCOMPARE(form->font().pointSizeF(), 9.0);
    // The window and its frames start out white.
    QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(child<QGroupBox>(*form, "Frame2")->palette().color(QPalette::Window), QColor(Qt::white));
    // Keyboard order: Text1 first, then Option1, Text4, Text5.
    QCOMPARE(child<QLineEdit>(*form, "Text1")->nextInFocusChain(),
             static_cast<QWidget *>(child<QRadioButton>(*form, "Option1")));
    QCOMPARE(child<QRadioButton>(*form, "Option1")->nextInFocusChain(),
             static_cast<QWidget *>(child<QLineEdit>(*form, "Text4")));
}

void TestForm1::firstRunShowsSetupWindow()
{
    auto form = makeWindow();
    form->start();
    QVERIFY(form->isVisible());
    QVERIFY(!form->transferWindow());
    QVERIFY(child<QRadioButton>(*form, "Option1")->isChecked());
    for (const char *name : {"Text1", "Text4", "Text5"})
        QCOMPARE(child<QLineEdit>(*form, name)->text(), QString());
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
    QCOMPARE(m_foxpro->opens, 0);
    QCOMPARE(form->windowTitle(), QStringLiteral("Tabwright"));
    QCOMPARE(ui::applicationTitle(), QStringLiteral("Tabwright"));
    QVERIFY(form->pointer().hasCustomPointer());
}

void TestForm1::foxproOptionIsComparedExactly_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("freeTables");
    QTest::newRow("1") << "1" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("3") << "3" << false;
    QTest::newRow("blank 2") << " 2" << false;
    QTest::newRow("2 blank") << "2 " << false;
    QTest::newRow("2") << "2" << true;
}

void TestForm1::foxproOptionIsComparedExactly()
{
    QFETCH(QString, stored);
    QFETCH(bool, freeTables);
    setup::WriteSetting(setup::kFoxproOption, stored);
    auto form = makeWindow();
    form->start();
    QCOMPARE(child<QRadioButton>(*form, "Option2")->isChecked(), freeTables);
    QCOMPARE(child<QRadioButton>(*form, "Option1")->isChecked(), !freeTables);
    QCOMPARE(form->dbcChosen(), !freeTables);
}

void TestForm1::paradoxFolderWithoutTablesSkipsFoxPro()
{
    QTemporaryDir empty;
    setup::WriteSetting(setup::kParadoxFolder, empty.path());
    setup::WriteSetting(setup::kFoxproOption, "2");
    setup::WriteSetting(setup::kFreeTableFolder, samples());
    auto form = makeWindow();
    form->start();
    QVERIFY(form->isVisible());
    QCOMPARE(m_foxpro->opens, 0);
    QCOMPARE(child<QLineEdit>(*form, "Text1")->text(), empty.path());
    QCOMPARE(child<QLineEdit>(*form, "Text5")->text(), samples());
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm1::failingFoxProKeepsSetupWindow()
{
    setup::WriteSetting(setup::kParadoxFolder, samples());
    setup::WriteSetting(setup::kDBCFile, m_program + "\\missing.dbc");
    auto form = makeWindow();
    form->start();
    QVERIFY(form->isVisible());
    QCOMPARE(m_foxpro->opens, 1);
    QVERIFY(!form->transferWindow());
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm1::bothUsableOpensTransferWindow()
{
    setup::WriteSetting(setup::kParadoxFolder, samples());
    setup::WriteSetting(setup::kFoxproOption, "2");
    setup::WriteSetting(setup::kFreeTableFolder, samples());
    auto form = makeWindow();
    form->start();
    QVERIFY(!form->isVisible());
    transferwindow::Form2 *form2 = form->transferWindow();
    QVERIFY(form2);
    QVERIFY(form2->isVisible());
    QCOMPARE(form2->List1->count(), 3);
    QCOMPARE(form2->List2->count(), 3);
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm1::everyChangeIsStored()
{
    auto form = makeWindow();
    form->start();
    auto *text1 = child<QLineEdit>(*form, "Text1");
    text1->setFocus();
    QTest::keyClicks(text1, "/d");
    QCOMPARE(setup::ReadSetting(setup::kParadoxFolder), QStringLiteral("/d"));
    QTest::keyClick(text1, Qt::Key_A);
    QCOMPARE(setup::ReadSetting(setup::kParadoxFolder), QStringLiteral("/da"));

    auto *text4 = child<QLineEdit>(*form, "Text4");
    text4->setText("C:\\Data\\sales.dbc");
    QCOMPARE(setup::ReadSetting(setup::kDBCFile), QStringLiteral("C:\\Data\\sales.dbc"));
    text4->clear();
    QCOMPARE(setup::ReadSetting(setup::kDBCFile, "unset"), QString());

    child<QLineEdit>(*form, "Text5")->setText("/tables");
    QCOMPARE(setup::ReadSetting(setup::kFreeTableFolder), QStringLiteral("/tables"));

    QTest::mouseClick(child<QRadioButton>(*form, "Option2"), Qt::LeftButton);
    QCOMPARE(setup::ReadSetting(setup::kFoxproOption), QStringLiteral("2"));
    QTest::mouseClick(child<QRadioButton>(*form, "Option1"), Qt::LeftButton);
    QCOMPARE(setup::ReadSetting(setup::kFoxproOption), QStringLiteral("1"));
    // The values come back at the next start.
    child<QLineEdit>(*form, "Text4")->setText("/x.dbc");
    auto again = makeWindow();
    again->start();
    QCOMPARE(child<QLineEdit>(*again, "Text1")->text(), QStringLiteral("/da"));
    QCOMPARE(child<QLineEdit>(*again, "Text4")->text(), QStringLiteral("/x.dbc"));
    QCOMPARE(child<QLineEdit>(*again, "Text5")->text(), QStringLiteral("/tables"));
}

void TestForm1::testConnectionMessages()
{
    auto form = makeWindow();
    form->start();
    auto messages = [&] {
        QStringList out;
        for (const auto &box : m_dialogs.boxes()) {
            out << box.text;
            if (box.style != ui::vbOKOnly || box.title != QLatin1String("Tabwright"))
                out << QStringLiteral("(style %1, title %2)").arg(box.style).arg(box.title);
        }
        m_dialogs.clear();
        return out;
    };
    auto *foxTest = child<QPushButton>(*form, "PushButton1");
    auto *pxTest = child<QPushButton>(*form, "PushButton3");

    // Container option with a container that does not exist.
    child<QLineEdit>(*form, "Text4")->setText(m_program + "\\none.dbc");
    foxTest->click();
    QCOMPARE(messages(), QStringList{"Could not connect."});
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerDefault));

    // The free-table option uses Text5 whatever Text4 holds.
    child<QRadioButton>(*form, "Option2")->setChecked(true);
    child<QLineEdit>(*form, "Text5")->setText(samples());
    foxTest->click();
    QCOMPARE(messages(), QStringList{"Connection successful."});
    child<QLineEdit>(*form, "Text5")->setText(m_program + "\\nowhere");
    foxTest->click();
    QCOMPARE(messages(), QStringList{"Could not connect."});

    QTemporaryDir empty;
    child<QLineEdit>(*form, "Text1")->setText(empty.path());
    pxTest->click();
    QCOMPARE(messages(), QStringList{"Could not connect."});
    child<QLineEdit>(*form, "Text1")->setText(samples());
    pxTest->click();
    QCOMPARE(messages(), QStringList{"Connection successful."});
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerDefault));
}

void TestForm1::connectionFailuresSayWhy()
{
    auto form = makeWindow();
    form->start();
    // The message stays "Could not connect."; the reason goes behind "Show Details...".
    auto details = [&](QPushButton *button) {
        m_dialogs.clear();
        button->click();
        if (m_dialogs.boxes().size() != 1 || m_dialogs.boxes()[0].text != QLatin1String("Could not connect."))
            return QStringLiteral("unexpected boxes");
        return m_dialogs.boxes()[0].details;
    };
    auto *foxTest = child<QPushButton>(*form, "PushButton1");
    auto *pxTest = child<QPushButton>(*form, "PushButton3");
    auto *text1 = child<QLineEdit>(*form, "Text1");
    const QString shown = QDir::toNativeSeparators(m_program);

    // Paradox: a folder that is not there (typed with "\"), one without
    // tables of its own, a file, nothing at all.
    text1->setText(m_program + "\\nowhere");
    QCOMPARE(details(pxTest), "The folder " + QDir::toNativeSeparators(m_program + "/nowhere") + " does not exist.");
    QDir(m_program).mkpath("deep/sub");
    QFile::copy(m_program + "/Samples/clients.db", m_program + "/deep/sub/clients.db");
    text1->setText(m_program + "/deep");
    QCOMPARE(details(pxTest),
             "The folder " + QDir::toNativeSeparators(m_program + "/deep") + " holds no Paradox tables (.db).");
    text1->setText(m_program + "/Samples/clients.db");
    QCOMPARE(details(pxTest), QDir::toNativeSeparators(m_program + "/Samples/clients.db") + " is not a folder.");
    text1->clear();
    QCOMPARE(details(pxTest), QStringLiteral("No Paradox folder is given."));
    // A usable folder: the plain success message, no details.
    text1->setText(samples());
    m_dialogs.clear();
    pxTest->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(1));
    QCOMPARE(m_dialogs.boxes()[0].text, QStringLiteral("Connection successful."));
    QCOMPARE(m_dialogs.boxes()[0].details, QString());

    // FoxPro: a container that is not there, a file that is not a container
    // (in the reader's words), a free-table folder that is not there.
    auto *text4 = child<QLineEdit>(*form, "Text4");
    text4->setText(m_program + "\\none.dbc");
    QCOMPARE(details(foxTest), "The file " + shown + QDir::separator() + "none.dbc does not exist.");
    tw::test::writeAll(m_program + "/broken.dbc", "not a container");
    text4->setText(m_program + "/broken.dbc");
    const QString broken = details(foxTest);
    const QString prefix =
        QDir::toNativeSeparators(m_program + "/broken.dbc") + " is not a FoxPro database container: ";
    QVERIFY2(broken.startsWith(prefix) && broken.size() > prefix.size() + 10, qPrintable(broken));
    child<QRadioButton>(*form, "Option2")->setChecked(true);
    child<QLineEdit>(*form, "Text5")->setText(m_program + "/gone");
    QCOMPARE(details(foxTest), "The folder " + QDir::toNativeSeparators(m_program + "/gone") + " does not exist.");
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerDefault));

    // A folder whose tables all belong to its container connects, and the
    // details say where the tables are.
    const QString shop = m_program + "/shop";
    QDir().mkpath(shop);
    foxpro::Container::create(shop + "/shop.dbc");
    {
        ado::Connection c;
        c.Open("Provider=vfpoledb.1;Data Source=" + shop + "/shop.dbc");
        for (const char *table : {"ledger", "stock"})
            c.Execute("CREATE TABLE [" + shop + "\\" + table + ".dbf]([entry] M)");
    }
    child<QLineEdit>(*form, "Text5")->setText(shop);
    m_dialogs.clear();
    foxTest->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(1));
    QCOMPARE(m_dialogs.boxes()[0].text, QStringLiteral("Connection successful."));
    QCOMPARE(m_dialogs.boxes()[0].details, "The folder " + QDir::toNativeSeparators(shop) +
                                               " holds the database SHOP.DBC with 2 tables; open the database to "
                                               "see them.");
    // With a free table of its own the folder lists it: no details.
    QFile::copy(samples() + "/orders.dbf", shop + "/orders.dbf");
    QFile::copy(samples() + "/orders.fpt", shop + "/orders.fpt");
    m_dialogs.clear();
    foxTest->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(1));
    QCOMPARE(m_dialogs.boxes()[0].details, QString());
}

void TestForm1::browseButtons()
{
    setup::WriteSetting(setup::kLastFolderDot, "/last/place");
    auto form = makeWindow();
    form->start();
    auto *text1 = child<QLineEdit>(*form, "Text1");
    auto *text4 = child<QLineEdit>(*form, "Text4");
    auto *text5 = child<QLineEdit>(*form, "Text5");
    text1->setText("/kept/paradox");
    text4->setText("/kept/sales.dbc");
    text5->setText("/kept/free");

    // Cancelling each chooser leaves field and store alone.
    m_dialogs.expectText("");
    m_dialogs.expectText("");
    m_dialogs.expectText("");
    child<QPushButton>(*form, "PushButton6")->click();
    child<QPushButton>(*form, "PushButton4")->click();
    child<QPushButton>(*form, "PushButton5")->click();
    QCOMPARE(text1->text(), QStringLiteral("/kept/paradox"));
    QCOMPARE(text4->text(), QStringLiteral("/kept/sales.dbc"));
    QCOMPARE(text5->text(), QStringLiteral("/kept/free"));
    QCOMPARE(setup::ReadSetting(setup::kParadoxFolder), QStringLiteral("/kept/paradox"));
    const auto &boxes = m_dialogs.boxes();
    QCOMPARE(boxes.size(), size_t(3));
    QCOMPARE(boxes[0].text, QStringLiteral("Please select folder:"));
    QCOMPARE(boxes[0].defaultText, QStringLiteral("/last/place"));
    QCOMPARE(boxes[1].text, QStringLiteral("Please select folder"));
    QCOMPARE(boxes[1].defaultText, QString());
    QCOMPARE(boxes[2].title, QStringLiteral("Select Foxpro Database"));
    QCOMPARE(boxes[2].text, QStringLiteral("Microsoft Database (*.dbc)|*.dbc|"));

    m_dialogs.clear();
    m_dialogs.expectText("/new/paradox/");
    m_dialogs.expectText("/new/free");
    m_dialogs.expectText("/new/sales.dbc");
    child<QPushButton>(*form, "PushButton6")->click();
    child<QPushButton>(*form, "PushButton4")->click();
    child<QPushButton>(*form, "PushButton5")->click();
    QCOMPARE(text1->text(), QStringLiteral("/new/paradox"));
    QCOMPARE(text5->text(), QStringLiteral("/new/free"));
    QCOMPARE(text4->text(), QStringLiteral("/new/sales.dbc"));
    QCOMPARE(setup::ReadSetting(setup::kFreeTableFolder), QStringLiteral("/new/free"));
    // The choosers leave the option buttons as they were.
    QVERIFY(child<QRadioButton>(*form, "Option1")->isChecked());
    QCOMPARE(m_dialogs.unexpected().size(), size_t(0));
}

void TestForm1::sampleButtons()
{
    auto form = makeWindow();
    form->start();
    child<QLineEdit>(*form, "Text5")->setText("/before");
    child<QPushButton>(*form, "PushButton7")->click();
    QCOMPARE(child<QLineEdit>(*form, "Text1")->text(), samples());
    QCOMPARE(child<QLineEdit>(*form, "Text5")->text(), QStringLiteral("/before"));
    QVERIFY(child<QRadioButton>(*form, "Option1")->isChecked());

    // A path this system writes: no "\\" between the program's folder and "Samples".
    QCOMPARE(child<QLineEdit>(*form, "Text1")->text(),
             QDir::toNativeSeparators(m_program) + QDir::separator() + QStringLiteral("Samples"));

    child<QPushButton>(*form, "PushButton8")->click();
    QVERIFY(child<QRadioButton>(*form, "Option2")->isChecked());
    QCOMPARE(child<QLineEdit>(*form, "Text5")->text(), samples());
    QCOMPARE(setup::ReadSetting(setup::kFoxproOption), QStringLiteral("2"));
    QCOMPARE(setup::ReadSetting(setup::kFreeTableFolder), samples());
    QCOMPARE(setup::ReadSetting(setup::kParadoxFolder), samples());
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm1::nextAndBack()
{
    auto form = makeWindow();
    form->start();
    auto *next = child<QPushButton>(*form, "PushButton2");
    // Empty Paradox folder: nothing happens.
    next->click();
    QVERIFY(form->isVisible());
    QVERIFY(!form->transferWindow());
    QCOMPARE(m_foxpro->opens, 0);
    // Paradox usable, FoxPro not: still nothing.
    child<QPushButton>(*form, "PushButton7")->click();
    child<QLineEdit>(*form, "Text4")->setText(m_program + "\\none.dbc");
    next->click();
    QVERIFY(form->isVisible());
    QCOMPARE(m_foxpro->opens, 1);
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerDefault));
    // Both usable.
    child<QPushButton>(*form, "PushButton8")->click();
    next->click();
    QVERIFY(!form->isVisible());
    transferwindow::Form2 *form2 = form->transferWindow();
    QVERIFY(form2 && form2->isVisible());
    QCOMPARE(form2->List1->count(), 3);
    // Back, a table appears outside the program, Next shows it.
    form2->PushButton2->click();
    QVERIFY(form->isVisible());
    QVERIFY(!form2->isVisible());
    QVERIFY(QFile::copy(m_program + "/Samples/clients.db", m_program + "/Samples/extra.db"));
    next->click();
    QCOMPARE(form->transferWindow(), form2);
    QVERIFY(form2->isVisible());
    QCOMPARE(form2->List2->count(), 4);
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm1::helpHint()
{
    auto form = makeWindow();
    form->start();
    child<QPushButton>(*form, "PushButton10")->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(1));
    QCOMPARE(m_dialogs.boxes()[0].text, QStringLiteral("Make sure FoxPro is closed while using this application."));
    QCOMPARE(m_dialogs.boxes()[0].title, QStringLiteral("Tabwright"));
    QCOMPARE(m_dialogs.boxes()[0].style, 0);
}

void TestForm1::focusSelectsWholeText()
{
    auto form = makeWindow();
    form->start();
    QApplication::setActiveWindow(form.get());
    auto *text5 = child<QLineEdit>(*form, "Text5");
    text5->setText("/some/folder");
    text5->deselect();
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(text5, &focus);
    QCoreApplication::processEvents();
    QCOMPARE(text5->selectedText(), QStringLiteral("/some/folder"));
}

void TestForm1::pointerFeedback()
{
    auto form = makeWindow();
    form->start();
    auto &pointer = form->pointer();
    hover(child<QPushButton>(*form, "PushButton3"));
    QCOMPARE(pointer.MousePointer(), int(ui::PointerCustom));
    QCOMPARE(form->cursor().shape(), Qt::BitmapCursor);
    hover(child<QLineEdit>(*form, "Text1"));
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));
    hover(child<QPushButton>(*form, "PushButton2"));
    hover(child<QGroupBox>(*form, "Frame2"));
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));
    hover(child<QPushButton>(*form, "PushButton2"));
    hover(form.get());
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));

    // Busy: the other fields, the frames and the buttons leave it, Text4 does not.
    pointer.setMousePointer(ui::PointerBusy);
    QCOMPARE(child<QLineEdit>(*form, "Text1")->cursor().shape(), Qt::WaitCursor);
    for (const char *name : {"Text1", "Text5", "Frame1", "PushButton1"}) {
        hover(form->findChild<QWidget *>(QLatin1String(name)));
        QCOMPARE(pointer.MousePointer(), int(ui::PointerBusy));
    }
    hover(child<QLineEdit>(*form, "Text4"));
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));
    QCOMPARE(child<QLineEdit>(*form, "Text1")->cursor().shape(), Qt::IBeamCursor);

    // Without the hand file the custom pointer is the ordinary one.
    QVERIFY(QFile::remove(m_program + "/HAND-M.CUR"));
    auto plain = makeWindow();
    plain->start();
    QVERIFY(!plain->pointer().hasCustomPointer());
    hover(child<QPushButton>(*plain, "PushButton1"));
    QCOMPARE(plain->pointer().MousePointer(), int(ui::PointerCustom));
    QCOMPARE(plain->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm1::closingEndsProgram()
{
    setup::WriteSetting(setup::kParadoxFolder, samples());
    setup::WriteSetting(setup::kFoxproOption, "2");
    setup::WriteSetting(setup::kFreeTableFolder, samples());
    auto form = makeWindow();
    form->start();
    transferwindow::Form2 *form2 = form->transferWindow();
    QVERIFY(form2 && form2->isVisible());
    // Closing the setup window, hidden behind the transfer window, ends both.
    form->close();
    QVERIFY(!form2->isVisible());
    QVERIFY(!form->isVisible());

    // While a command runs a close is recorded and carried out afterwards.
    form->show();
    {
        CommandGuard running(form->busyState());
        form->close();
        QVERIFY(form->isVisible());
        QVERIFY(form->busyState().closeRequested());
    }
}

void TestForm1::windowKeepsItsPlace()
{
    auto form = makeWindow();
    form->start();
    QVERIFY(form->isVisible());
    form->move(137, 91);
    // "Next >": the transfer window comes up where the setup window was.
    child<QPushButton>(*form, "PushButton7")->click();
    child<QPushButton>(*form, "PushButton8")->click();
    child<QPushButton>(*form, "PushButton2")->click();
    transferwindow::Form2 *form2 = form->transferWindow();
    QVERIFY(form2 && form2->isVisible());
    QCOMPARE(form2->pos(), QPoint(137, 91));
    // "< Back": the setup window comes up where the user moved the transfer window.
    form2->move(201, 153);
    form2->PushButton2->click();
    QVERIFY(form->isVisible());
    QCOMPARE(form->pos(), QPoint(201, 153));
    form->move(60, 40);
    child<QPushButton>(*form, "PushButton2")->click();
    QCOMPARE(form2->pos(), QPoint(60, 40));
    // The place is kept when the program ends, and the next run's first
    // window (the transfer window, both places being usable) comes up there.
    form2->move(75, 55);
    form2->close();
    QCOMPARE(setup::ReadSetting(setup::kWindowPosition), QStringLiteral("75,55"));
    auto again = makeWindow();
    again->start();
    QVERIFY(again->transferWindow() && again->transferWindow()->isVisible());
    QCOMPARE(again->transferWindow()->pos(), QPoint(75, 55));
    // The setup window, never shown in that run, left the place alone.
    again->transferWindow()->close();
    QCOMPARE(setup::ReadSetting(setup::kWindowPosition), QStringLiteral("75,55"));
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm1::firstWindowComesUpOnAScreen()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QString &stored : {QStringLiteral("-5000,-5000"), QStringLiteral("here")}) {
        setup::WriteSetting(setup::kWindowPosition, stored);
        auto form = makeWindow();
        form->start();
        QVERIFY(form->isVisible());
        // Centred on the primary screen (give or take the frame, unknown until shown).
        const QRect frame = form->frameGeometry();
        const int slack = std::max(frame.width() - form->width(), frame.height() - form->height()) + 1;
        QVERIFY2(qAbs(frame.center().x() - screen.center().x()) <= slack &&
                     qAbs(frame.center().y() - screen.center().y()) <= slack,
                 qPrintable(stored));
        form->close();
    }
    setup::WriteSetting(setup::kWindowPosition, QStringLiteral("12,34"));
    auto form = makeWindow();
    form->start();
    QCOMPARE(form->pos(), QPoint(12, 34));
}

void TestForm1::keepFieldTypesChoosesTheMapping()
{
    const QString fox = m_program + QStringLiteral("/fox");
    QVERIFY(QDir().mkpath(fox));
    setup::WriteSetting(setup::kParadoxFolder, samples());
    setup::WriteSetting(setup::kFoxproOption, "2");
    setup::WriteSetting(setup::kFreeTableFolder, fox);
    auto form = makeWindow();
    form->start();
    transferwindow::Form2 *form2 = form->transferWindow();
    QVERIFY(form2);
    QAction *keep = form2->keepFieldTypesAction();
    QVERIFY(keep->isCheckable());
    QCOMPARE(keep->text(), QStringLiteral("Keep field types"));
    QVERIFY(!keep->isChecked());

    // Unchecked: every field a memo, as the copies have always made them.
    selectOnly(form2->List2, "CLIENTS");
    form2->PushButton4->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
    QCOMPARE(dbfFieldTypes(fox + "/CLIENTS.DBF"), QStringLiteral("MMMMMMM"));

    // Checked in a preview: the window's choice, stored, and the copy keeps each field's type.
    selectOnly(form2->List2, "INVOICES");
    preview::PreviewWindow *preview = form2->previewCurrentTable(form2->List2);
    QVERIFY(preview);
    QCOMPARE(preview->fieldsView()->item(3, 4)->text(), QStringLiteral("M"));
    preview->keepFieldTypesBox()->click();
    QVERIFY(keep->isChecked());
    QCOMPARE(setup::ReadSetting(setup::kKeepFieldTypes), QStringLiteral("1"));
    QCOMPARE(preview->fieldsView()->item(3, 4)->text(), QStringLiteral("D"));
    form2->PushButton4->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
    QCOMPARE(dbfFieldTypes(fox + "/INVOICES.DBF"), QStringLiteral("IITDYBLTM"));
    preview->close();

    // Remembered at the next start; cleared, the copies' own mapping again.
    form.reset();
    form = makeWindow();
    form->start();
    form2 = form->transferWindow();
    QVERIFY(form2);
    QVERIFY(form2->keepFieldTypesAction()->isChecked());
    form2->keepFieldTypesAction()->trigger();
    QCOMPARE(setup::ReadSetting(setup::kKeepFieldTypes), QStringLiteral("0"));
    selectOnly(form2->List2, "STOCK");
    form2->PushButton4->click();
    QCOMPARE(dbfFieldTypes(fox + "/STOCK.DBF"), QStringLiteral("MMMMMM"));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
