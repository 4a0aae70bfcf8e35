// The transfer window over real sample tables: loading, selection, help,
// pointer feedback, both copies through the buttons, refused commands,
// closing while a command runs, and an open preview of a table a command replaces.

#include "SampleDatabase.h"
#include "SystemAccess.h"

#include "TestSupport.h"
#include "WidgetSupport.h"
#include "common/ConnectionSettings.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/Container.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/workdb/WorkDbProvider.h"
#include "preview/PreviewWindow.h"
#include "preview/RowWindowModel.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"
#include "transferwindow/Form2.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace tw;
using tw::test::hover;
using tw::test::openFiles;
using tw::transferwindow::Form2;

namespace {

// Scripted dialogs that can act while a box is up, as a user clicking around
// a running command would.
class HookedDialogs final : public ui::ScriptedDialogs {
public:
    std::function<void(const QString &)> onMessage;
    int MsgBox(const QString &text, int style, const QString &title) override
    {
        if (onMessage)
            onMessage(text);
        return ScriptedDialogs::MsgBox(text, style, title);
    }
};

QStringList entries(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

int selectedCount(const QListWidget *list)
{
    int n = 0;
    for (int i = 0; i < list->count(); ++i)
        n += list->item(i)->isSelected() ? 1 : 0;
    return n;
}

void selectEntries(QListWidget *list, const QStringList &texts)
{
    for (int i = 0; i < list->count(); ++i) {
        const bool on = texts.contains(list->item(i)->text());
        list->item(i)->setSelected(on);
        if (on)
            list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
    }
}

// Every row of a table as texts, in stored order.
QList<QStringList> readRows(const QString &connectionString, const QString &table)
{
    ado::Connection connection;
    connection.Open(connectionString);
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM `%1`").arg(table), connection);
    QList<QStringList> rows;
    while (!rs.Eof()) {
        QStringList row;
        for (const ado::Field &f : rs.fields().items())
            row << f.Value().toText();
        rows << row;
        rs.MoveNext();
    }
    return rows;
}

int reports(const ui::ScriptedDialogs &dialogs)
{
    int n = 0;
    for (const auto &box : dialogs.boxes())
        n += box.title == QLatin1String("Application Error") ? 1 : 0;
    return n;
}

QString reportTexts(const ui::ScriptedDialogs &dialogs)
{
    QStringList out;
    for (const auto &box : dialogs.boxes())
        if (box.title == QLatin1String("Application Error"))
            out << box.text;
    return out.join(QLatin1String("\n---\n"));
}

// The next widget of the keyboard order that is one of the window's named controls.
QWidget *nextNamed(QWidget *widget)
{
    QWidget *next = widget->nextInFocusChain();
    while (next != widget && (next->focusPolicy() == Qt::NoFocus || next->objectName().isEmpty() ||
                              next->objectName().startsWith(QLatin1String("qt_"))))
        next = next->nextInFocusChain();
    return next;
}

// Copies a sample table (with its memo file) under another name.
void copyTable(const QString &folder, const QString &from, const QString &to, const QString &extension,
               const QString &memoExtension)
{
    QVERIFY(QFile::copy(folder + "/" + from + extension, folder + "/" + to + extension));
    QVERIFY(QFile::copy(folder + "/" + from + memoExtension, folder + "/" + to + memoExtension));
}

// The names of the files in folder, lower-cased.
QStringList filesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files);
    for (QString &name : names)
        name = name.toLower();
    return names;
}

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutNamesAndCaptions();
    void loadFillsBothLists();
    void loadReportsFoxProFailureAndStillListsParadox();
    void selectAndDeselectAll();
    void helpMessage();
    void backShowsSetupWindow();
    void pointerFeedback();
    void pointerWithoutHandFile();
    void moveReachingParentsDecidesOnce();
    void copiesBothWays();
    void openPreviewLetsItsTableGo();
    void damagedTableBetweenSoundOnes();
    void copySaysWhatItCouldNotCarry();
    void deleteAndRenameThroughButtons();
    void secondCommandIsRefused();
    void closeDuringCommandEndsAfterIt();
    void listsAreSortedAndShowTheirTop();
    void copiesAndDeletesKeepTheListsSorted();

private:
    std::unique_ptr<Form2> makeWindow();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
    QString m_samples;
    PlainConnectionSettings m_settings;
    BusyState m_busy;
    HookedDialogs m_dialogs;
};

void TestForm2::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    foxpro::registerProvider();
    paradox::registerProvider();
    workdb::registerProvider();
}

void TestForm2::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_program = m_dir->path();
    // Deleted tables go to this folder's trash, never the user's.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_program + QStringLiteral("/data")));
    samples::WriteSampleFolder(m_program);
    QFile work(m_program + QStringLiteral("/dbtemp.mdb"));
    QVERIFY(work.open(QIODevice::WriteOnly));
    work.close();
    m_samples = m_program + QStringLiteral("\\Samples");
    m_settings = PlainConnectionSettings{};
    m_settings.paradox = m_samples;
    m_settings.useDbc = false;
    m_settings.freeTables = m_samples;
    m_busy = BusyState{};
    m_dialogs.clear();
    m_dialogs.onMessage = nullptr;
    ui::setApplicationTitle(QStringLiteral("Tabwright"));
}

void TestForm2::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<Form2> TestForm2::makeWindow()
{
    return std::make_unique<Form2>(m_dialogs, m_settings, m_program, m_busy);
}

void TestForm2::layoutNamesAndCaptions()
{
    auto form = makeWindow();
    auto button = [&](const char *name) { return form->findChild<QPushButton *>(QLatin1String(name)); };
    const QList<QPair<const char *, const char *>> captions{{"PushButton10", "Select All"},
                                                            {"PushButton11", "Deselect All"},
                                                            {"PushButton3", "Send Table/s To Paradox"},
                                                            {"PushButton1", "Delete Table/s"},
                                                            {"PushButton6", "Rename Table"},
                                                            {"PushButton8", "Select All"},
                                                            {"PushButton9", "Deselect All"},
                                                            {"PushButton4", "Send Table/s To FoxPro"},
                                                            {"PushButton5", "Delete Table/s"},
                                                            {"PushButton7", "Rename Table"},
                                                            {"PushButton2", "< Back"},
                                                            {"PushButton12", "Help"}};
    for (const auto &[name, caption] : captions) {
        QPushButton *b = button(name);
        QVERIFY2(b, name);
        QCOMPARE(b->text(), QString::fromLatin1(caption));
        QCOMPARE(b->font().pointSizeF(), 11.25);
        QVERIFY(b->font().bold());
    }
    QVERIFY(!button("PushButton6")->isEnabled());
    QCOMPARE(form->findChild<QGroupBox *>("Frame2")->title(), QStringLiteral("FoxPro Tables"));
    QCOMPARE(form->findChild<QGroupBox *>("Frame1")->title(), QStringLiteral("Paradox Tables"));
    // Twips at 15 a pixel, relative to the enclosing group.
    QCOMPARE(form->findChild<QListWidget *>("List1")->geometry(), QRect(16, 24, 222, 109));
    QCOMPARE(button("PushButton3")->geometry(), QRect(16, 176, 222, 26));
    QCOMPARE(button("PushButton12")->geometry(), QRect(272, 336, 256, 27));
    auto *bar = form->findChild<QProgressBar *>("ProgressBar1");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->text(), QStringLiteral("Progress Bar"));
    QCOMPARE(form->findChild<QListWidget *>("List1")->selectionMode(), QAbstractItemView::ExtendedSelection);
    // Keyboard order: List1, List2, then the FoxPro buttons.
    QCOMPARE(nextNamed(form->List1), static_cast<QWidget *>(form->List2));
    QCOMPARE(nextNamed(form->List2), static_cast<QWidget *>(button("PushButton10")));
    QCOMPARE(nextNamed(button("PushButton6")), static_cast<QWidget *>(button("PushButton8")));
    QCOMPARE(nextNamed(button("PushButton2")), static_cast<QWidget *>(button("PushButton12")));
}

void TestForm2::loadFillsBothLists()
{
    auto form = makeWindow();
    form->Form_Load();
    QStringList foxpro = entries(form->List1);
    foxpro.sort();
    QCOMPARE(foxpro, (QStringList{"customers", "orders", "products"}));
    QStringList paradox = entries(form->List2);
    paradox.sort();
    QCOMPARE(paradox, (QStringList{"CLIENTS", "INVOICES", "STOCK"}));
    QCOMPARE(form->windowTitle(), QStringLiteral("Tabwright"));
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
    // Client area 8025 by 5565 twips.
    QCOMPARE(form->size(), QSize(535, 371));

    // A table added outside the program shows at the next opening.
    QVERIFY(QFile::copy(m_program + "/Samples/stock.db", m_program + "/Samples/depot.db"));
    form->Form_Load();
    QVERIFY(entries(form->List2).contains("DEPOT"));
    QCOMPARE(form->List2->count(), 4);
}

void TestForm2::loadReportsFoxProFailureAndStillListsParadox()
{
    m_settings.freeTables = m_program + QStringLiteral("\\no such folder");
    auto form = makeWindow();
    form->List1->addItem(QStringLiteral("stale"));
    form->Form_Load();
    QCOMPARE(form->List1->count(), 0);
    QCOMPARE(form->List2->count(), 3);
    QCOMPARE(reports(m_dialogs), 1);
    QVERIFY2(m_dialogs.boxes()[0].text.contains("in Quillmark2021/08/31.Form2.Form_Load at line 112"),
             qPrintable(m_dialogs.boxes()[0].text));
}

void TestForm2::selectAndDeselectAll()
{
    auto form = makeWindow();
    // On empty lists both commands do nothing.
    form->PushButton10->click();
    form->PushButton8->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));

    form->Form_Load();
    form->PushButton10->click();
    QCOMPARE(selectedCount(form->List1), 3);
    QCOMPARE(selectedCount(form->List2), 0);
    form->PushButton8->click();
    QCOMPARE(selectedCount(form->List2), 3);
    form->PushButton11->click();
    QCOMPARE(selectedCount(form->List1), 0);
    QCOMPARE(selectedCount(form->List2), 3);
    form->PushButton9->click();
    QCOMPARE(selectedCount(form->List2), 0);
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm2::helpMessage()
{
    auto form = makeWindow();
    form->PushButton12->click();
    QCOMPARE(m_dialogs.boxes().size(), size_t(1));
    const auto &box = m_dialogs.boxes()[0];
    QCOMPARE(box.text, QStringLiteral("Questions? Please contact Team Kestrava at ") +
                           QLatin1String(transferwindow::kContactPage));
    QCOMPARE(box.style, ui::vbOKOnly);
    QCOMPARE(box.title, QStringLiteral("Tabwright"));
}

void TestForm2::backShowsSetupWindow()
{
    QWidget setup;
    auto form = makeWindow();
    form->setSetupWindow(&setup);
    form->Form_Load();
    form->show();
    form->PushButton2->click();
    QVERIFY(setup.isVisible());
    QVERIFY(!form->isVisible());
    QCOMPARE(form->List2->count(), 3); // the lists keep their entries
}

void TestForm2::pointerFeedback()
{
    auto form = makeWindow();
    form->Form_Load();
    form->show();
    auto &pointer = form->pointer();
    QVERIFY(pointer.hasCustomPointer());

    hover(form->PushButton3);
    QCOMPARE(pointer.MousePointer(), int(ui::PointerCustom));
    QCOMPARE(form->cursor().shape(), Qt::BitmapCursor);
    hover(form->List1);
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));
    QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
    hover(form->PushButton12);
    hover(form->Frame1);
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));
    hover(form->PushButton4);
    hover(form.get());
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));

    // The disabled "Rename Table" gives no hand.
    hover(form->PushButton6);
    QCOMPARE(pointer.MousePointer(), int(ui::PointerDefault));

    // The busy pointer stays, over buttons and lists alike.
    pointer.setMousePointer(ui::PointerBusy);
    QCOMPARE(form->cursor().shape(), Qt::WaitCursor);
    hover(form->PushButton1);
    hover(form->List2);
    hover(form->Frame2);
    QCOMPARE(pointer.MousePointer(), int(ui::PointerBusy));
    QCOMPARE(form->cursor().shape(), Qt::WaitCursor);
}

void TestForm2::pointerWithoutHandFile()
{
    QVERIFY(QFile::remove(m_program + QStringLiteral("/HAND-M.CUR")));
    auto form = makeWindow();
    form->Form_Load();
    QVERIFY(!form->pointer().hasCustomPointer());
    hover(form->PushButton3);
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerCustom));
    QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm2::moveReachingParentsDecidesOnce()
{
    auto form = makeWindow();
    form->Form_Load();
    form->show();
    auto move = [](QWidget *widget, QPoint at) {
        QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    // A move over a button that the button passes on to its group must not
    // turn the hand back into the default pointer.
    move(form->PushButton3, QPoint(5, 5));
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerCustom));
    move(form->Frame2, form->PushButton3->geometry().center());
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerCustom));
    // A move over the group's own free space does.
    move(form->Frame2, QPoint(form->Frame2->width() - 3, form->Frame2->height() - 3));
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerDefault));
    // Over the list's items (its viewport) too.
    move(form->PushButton4, QPoint(5, 5));
    move(form->List2->viewport(), QPoint(5, 5));
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerDefault));
}

void TestForm2::copiesBothWays()
{
    auto form = makeWindow();
    form->Form_Load();
    m_dialogs.setFallback(ui::vbYes); // trim the 9-letter name, overwrite nothing else

    // FoxPro to Paradox: every FoxPro table.
    form->PushButton10->click();
    form->PushButton3->click();
    QVERIFY2(reports(m_dialogs) == 0, qPrintable(reportTexts(m_dialogs)));
    QStringList paradox = entries(form->List2);
    paradox.sort();
    QCOMPARE(paradox, (QStringList{"CLIENTS", "CUSTOMER", "INVOICES", "ORDERS", "PRODUCTS", "STOCK"}));
    QCOMPARE(form->pointer().MousePointer(), int(ui::PointerDefault));
    QVERIFY(!m_busy.busy());

    const QString pxString = ParadoxSource::ParadoxConnectionString(m_samples);
    const QString foxString = FoxproSource::FoxProConnectionString(m_settings);
    const auto sourceCustomers = readRows(foxString, "customers");
    const auto copiedCustomers = readRows(pxString, "CUSTOMER");
    QCOMPARE(copiedCustomers.size(), sourceCustomers.size());
    QCOMPARE(copiedCustomers[1][1], QStringLiteral("Müller & Söhne GmbH"));
    QCOMPARE(copiedCustomers[1][6], sourceCustomers[1][6]); // memo with line breaks
    QCOMPARE(copiedCustomers[2][3], QString());             // Null date stays empty
    const auto copiedOrders = readRows(pxString, "ORDERS");
    QCOMPARE(copiedOrders.size(), 4);
    QCOMPARE(copiedOrders[0][4].toDouble(), 149.9);

    // Paradox to FoxPro: the three original Paradox tables.
    form->PushButton9->click();
    selectEntries(form->List2, {"CLIENTS", "INVOICES", "STOCK"});
    form->PushButton4->click();
    QVERIFY2(reports(m_dialogs) == 0, qPrintable(reportTexts(m_dialogs)));
    QStringList foxpro = entries(form->List1);
    for (const char *name : {"clients", "invoices", "stock"})
        QVERIFY2(foxpro.contains(name, Qt::CaseInsensitive), qPrintable(foxpro.join(',')));
    const auto sourceClients = readRows(pxString, "CLIENTS");
    const auto copiedClients = readRows(foxString, "clients");
    QCOMPARE(copiedClients.size(), sourceClients.size());
    QCOMPARE(copiedClients[0][1], QStringLiteral("Librería Álvarez"));
    QCOMPARE(copiedClients[1][6], QStringLiteral("Closed in August.\r\nAsk for Mme Lefèvre."));
    QCOMPARE(readRows(foxString, "invoices").size(), 3);
    QCOMPARE(form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
}

void TestForm2::openPreviewLetsItsTableGo()
{
    // Nine letters each: both go to the Paradox table CUSTOMER.
    copyTable(m_program + "/Samples", "orders", "customerz", ".dbf", ".fpt");
    auto form = makeWindow();
    form->Form_Load();
    m_dialogs.setFallback(ui::vbYes);
    const QString pxString = ParadoxSource::ParadoxConnectionString(m_samples);
    const auto send = [&](const QString &table) {
        selectEntries(form->List1, {table});
        form->PushButton3->click();
        QVERIFY2(reports(m_dialogs) == 0, qPrintable(reportTexts(m_dialogs)));
    };
    send("customers");
    selectEntries(form->List2, {"CUSTOMER"});
    auto *preview = form->previewCurrentTable(form->List2);
    QVERIFY(preview);
    const int before = preview->rowsModel()->rowCount();
    QCOMPARE(before, readRows(pxString, "CUSTOMER").size());
    // Replaced while its preview is open (on Windows a held file cannot be):
    // the files were let go when the copy asked, and the new rows are shown.
    bool held = true;
    m_dialogs.onMessage = [&](const QString &text) {
        if (!text.startsWith("Would you like to overwrite"))
            return;
        // A code page chosen in the preview meanwhile is kept for later, not read now;
        // a preview opened meanwhile waits as well.
        preview->chooseCodePage(1252);
        selectEntries(form->List1, {"customers"});
        QVERIFY(form->previewCurrentTable(form->List1));
        selectEntries(form->List1, {"customerz"});
        held = !openFiles()
                    .filter(QRegularExpression("customer.?\\.", QRegularExpression::CaseInsensitiveOption))
                    .isEmpty();
    };
    send("customerz");
    QVERIFY(!held);
    const int after = readRows(pxString, "CUSTOMER").size();
    QVERIFY(after != before);
    QCOMPARE(preview->rowsModel()->rowCount(), after);
    // Deleted: the window says why it shows nothing.
    selectEntries(form->List2, {"CUSTOMER"});
    form->PushButton5->click();
    QCOMPARE(preview->rowsModel()->rowCount(), 0);
    QVERIFY2(preview->headerLabel()->text().contains("customer", Qt::CaseInsensitive),
             qPrintable(preview->headerLabel()->text()));
}

void TestForm2::damagedTableBetweenSoundOnes()
{
    // A table whose memo file is missing, between two sound ones: it gets its
    // report, and the tables on either side of it are copied all the same.
    const QString samples = m_program + QStringLiteral("/Samples");
    copyTable(samples, "clients", "broken", ".db", ".mb");
    QVERIFY(QFile::remove(samples + "/broken.mb"));
    copyTable(samples, "customers", "damaged", ".dbf", ".fpt");
    QVERIFY(QFile::remove(samples + "/damaged.fpt"));
    auto form = makeWindow();
    form->Form_Load();
    m_dialogs.setFallback(ui::vbYes);

    selectEntries(form->List2, {"BROKEN", "CLIENTS", "INVOICES"});
    form->PushButton4->click();
    QCOMPARE(reports(m_dialogs), 1);
    QVERIFY2(reportTexts(m_dialogs).contains("broken"), qPrintable(reportTexts(m_dialogs)));
    QVERIFY2(!reportTexts(m_dialogs).contains("not allowed when the object is open"),
             qPrintable(reportTexts(m_dialogs)));
    const QStringList foxpro = entries(form->List1);
    QVERIFY2(foxpro.contains("clients") && foxpro.contains("invoices") && !foxpro.contains("broken"),
             qPrintable(foxpro.join(',')));
    QVERIFY(!filesIn(samples).contains("broken.dbf"));

    m_dialogs.clear();
    m_dialogs.setFallback(ui::vbYes);
    selectEntries(form->List1, {"customers", "damaged", "orders"});
    form->PushButton3->click();
    QCOMPARE(reports(m_dialogs), 1);
    QVERIFY2(reportTexts(m_dialogs).contains("damaged"), qPrintable(reportTexts(m_dialogs)));
    const QStringList paradox = entries(form->List2);
    QVERIFY2(paradox.contains("CUSTOMER") && paradox.contains("ORDERS") && !paradox.contains("DAMAGED"),
             qPrintable(paradox.join(',')));
}

void TestForm2::copySaysWhatItCouldNotCarry()
{
    // A number with more digits than a Paradox number holds arrives rounded:
    // one message at the end names the table, the count and the value.
    std::vector<foxpro::NewField> fields{{"ID", 'I', 4, 0, -1, false}, {"BIG", 'N', 20, 4, -1, true}};
    auto writer = foxpro::TableWriter::create(m_program + "/Samples/wide.dbf", fields);
    writer->append({ado::Variant::integer(1), ado::Variant::decimal("123456789012345.7891")});
    writer.reset();
    auto form = makeWindow();
    form->Form_Load();
    m_dialogs.setFallback(ui::vbYes);
    const auto summaries = [&] {
        std::vector<ui::ScriptedDialogs::Box> out;
        for (const auto &box : m_dialogs.boxes())
            if (box.text.startsWith("Not every table arrived as it was:"))
                out.push_back(box);
        return out;
    };

    selectEntries(form->List1, {"customers"});
    form->PushButton3->click();
    QCOMPARE(summaries().size(), size_t(0)); // arrived whole: nothing to say

    selectEntries(form->List1, {"wide", "orders"});
    form->PushButton3->click();
    QVERIFY2(reports(m_dialogs) == 0, qPrintable(reportTexts(m_dialogs)));
    QCOMPARE(summaries().size(), size_t(1));
    const auto box = summaries().front();
    QCOMPARE(box.text, QStringLiteral("Not every table arrived as it was:\n\nwide: 1 value(s) written changed"));
    QVERIFY2(box.details.contains("wide: row 1, column big: 123456789012345.7891 written as 123456789012345.8"),
             qPrintable(box.details));
    QCOMPARE(box.style, int(ui::vbOKOnly));
}

void TestForm2::deleteAndRenameThroughButtons()
{
    auto form = makeWindow();
    form->Form_Load();
    // Rename: exactly one selected entry.
    selectEntries(form->List2, {"STOCK"});
    m_dialogs.expectText(QStringLiteral("Goods"));
    form->PushButton7->click();
    QVERIFY(entries(form->List2).contains("Goods"));
    const QString folder = m_program + QStringLiteral("/Samples");
    QVERIFY2(filesIn(folder).contains("goods.db"), qPrintable(filesIn(folder).join(',')));
    QVERIFY(filesIn(folder).contains("goods.mb")); // the memo file goes with it
    QVERIFY(!filesIn(folder).contains("stock.db"));

    // Paradox delete: to the trash, bytes and all.
    const QString trash = m_program + QStringLiteral("/data/Trash/files/");
    QHash<QString, QByteArray> before;
    for (const char *name : {"invoices.db", "invoices.mb", "orders.dbf", "orders.fpt"})
        before[name] = tw::test::readAll(folder + u'/' + name);
    form->PushButton9->click();
    selectEntries(form->List2, {"INVOICES"});
    form->PushButton5->click();
    QVERIFY(!entries(form->List2).contains("INVOICES"));
    QVERIFY(!filesIn(folder).contains("invoices.db"));
    QVERIFY(filesIn(folder).contains("clients.db"));

    // FoxPro delete.
    selectEntries(form->List1, {"orders"});
    form->PushButton1->click();
    QVERIFY(!entries(form->List1).contains("orders"));
    QVERIFY(!filesIn(folder).contains("orders.dbf"));
    QVERIFY(!filesIn(folder).contains("orders.fpt"));
    QCOMPARE(reports(m_dialogs), 0);
    // The Recycle Bin keeps its files where the shell decides: Windows checks the lists only.
    const bool desktopTrash = !tw::test::onWindows();
    for (auto it = before.cbegin(); it != before.cend() && desktopTrash; ++it) {
        QVERIFY2(!it.value().isEmpty(), qPrintable(it.key()));
        QCOMPARE(tw::test::readAll(trash + it.key()), it.value());
    }

    // A container's table: out of the container, its files to the trash.
    foxpro::Container::create(m_program + QStringLiteral("/shop.dbc"));
    {
        ado::Connection c;
        c.Open(QStringLiteral("Provider=vfpoledb.1;Data Source=") + m_program + QStringLiteral("/shop.dbc"));
        c.Execute(QStringLiteral("CREATE TABLE [") + m_program + QStringLiteral("\\ledger.dbf]([entry] M)"));
        c.Execute(QStringLiteral("INSERT INTO `") + m_program + QStringLiteral("\\ledger.dbf` VALUES('paid')"));
    }
    const QByteArray ledger = tw::test::readAll(m_program + QStringLiteral("/ledger.dbf"));
    m_settings.useDbc = true;
    m_settings.dbc = m_program + QStringLiteral("/shop.dbc");
    form = makeWindow();
    form->Form_Load();
    selectEntries(form->List1, {"ledger"});
    form->PushButton1->click();
    QVERIFY2(reports(m_dialogs) == 0, qPrintable(reportTexts(m_dialogs)));
    QVERIFY(!entries(form->List1).contains("ledger"));
    QVERIFY(!QFile::exists(m_program + QStringLiteral("/ledger.dbf")));
    if (desktopTrash) {
        QCOMPARE(tw::test::readAll(trash + QStringLiteral("ledger.dbf")), ledger);
        QVERIFY(QFile::exists(trash + QStringLiteral("ledger.fpt")));
    }
    MemoryTableList listed;
    FoxproSource::ListFoxProTables(listed, FoxproSource::FoxProConnectionString(m_settings));
    QVERIFY(listed.items().isEmpty());
}

void TestForm2::secondCommandIsRefused()
{
    auto form = makeWindow();
    form->Form_Load();
    m_dialogs.setFallback(ui::vbYes);
    selectEntries(form->List1, {"customers"});
    form->PushButton8->click();
    const QStringList before = entries(form->List2);
    int tried = 0;
    // While the copy asks whether to shorten "customers", the user clicks
    // "Delete Table/s" under the Paradox list with every entry selected, and
    // "Select All" on the FoxPro side.
    m_dialogs.onMessage = [&](const QString &) {
        if (tried++ > 0)
            return;
        QVERIFY(m_busy.busy());
        form->PushButton5->click();
        form->PushButton10->click();
        form->PushButton12->click();
    };
    form->PushButton3->click();
    QCOMPARE(tried, 1);
    QCOMPARE(reports(m_dialogs), 0);
    for (const QString &name : before)
        QVERIFY2(entries(form->List2).contains(name), qPrintable(name));
    QVERIFY(entries(form->List2).contains("CUSTOMER"));
    QVERIFY(QFileInfo::exists(m_program + "/Samples/clients.db"));
    QCOMPARE(selectedCount(form->List1), 1);
    for (const auto &box : m_dialogs.boxes())
        QVERIFY(!box.text.startsWith(QLatin1String("Questions?")));
    // Once the copy is over, commands run again.
    form->PushButton10->click();
    QCOMPARE(selectedCount(form->List1), 3);
}

void TestForm2::closeDuringCommandEndsAfterIt()
{
    auto form = makeWindow();
    form->Form_Load();
    form->show();
    m_dialogs.setFallback(ui::vbYes);
    selectEntries(form->List1, {"customers"});
    bool closedWhileBusy = false;
    m_dialogs.onMessage = [&](const QString &) {
        if (closedWhileBusy)
            return;
        form->close();
        // The window stays until the command returns.
        closedWhileBusy = form->isVisible() && m_busy.closeRequested();
    };
    form->PushButton3->click();
    QVERIFY(closedWhileBusy);
    QVERIFY(!form->isVisible());
    QVERIFY(!m_busy.busy());
    // Without a command a close ends the program at once.
    form->show();
    m_busy = BusyState{};
    form->close();
    QVERIFY(!form->isVisible());
}

void TestForm2::listsAreSortedAndShowTheirTop()
{
    const QString folder = m_program + QStringLiteral("/Samples");
    copyTable(folder, "products", "Zebra", ".dbf", ".fpt");
    copyTable(folder, "products", "apple", ".dbf", ".fpt");
    for (const char *name : {"zulu", "Alpha", "mid"})
        copyTable(folder, "stock", name, ".db", ".mb");
    auto form = makeWindow();
    form->Form_Load();
    QCOMPARE(entries(form->List1), (QStringList{"apple", "customers", "orders", "products", "Zebra"}));
    QCOMPARE(entries(form->List2), (QStringList{"ALPHA", "CLIENTS", "INVOICES", "MID", "STOCK", "ZULU"}));

    // Enough tables to scroll: after scrolling down, the next opening shows the top again.
    for (int i = 0; i < 30; ++i)
        copyTable(folder, "stock", QStringLiteral("t%1").arg(i, 2, 10, QLatin1Char('0')), ".db", ".mb");
    form->show();
    form->Form_Load();
    QCoreApplication::processEvents();
    QScrollBar *bar = form->List2->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    form->List2->scrollToBottom();
    QCoreApplication::processEvents();
    QVERIFY(bar->value() > 0);
    form->Form_Load();
    QCoreApplication::processEvents();
    QCOMPARE(bar->value(), 0);
    QCOMPARE(entries(form->List2).first(), QStringLiteral("ALPHA"));
    QCOMPARE(entries(form->List2).last(), QStringLiteral("ZULU"));
    QCOMPARE(m_dialogs.boxes().size(), size_t(0));
}

void TestForm2::copiesAndDeletesKeepTheListsSorted()
{
    const QString folder = m_program + QStringLiteral("/Samples");
    copyTable(folder, "products", "Zebra", ".dbf", ".fpt");
    copyTable(folder, "invoices", "orders", ".db", ".mb"); // a Paradox ORDERS beside the FoxPro orders
    auto form = makeWindow();
    form->Form_Load();
    QCOMPARE(entries(form->List2), (QStringList{"CLIENTS", "INVOICES", "ORDERS", "STOCK"}));
    const QString pxString = ParadoxSource::ParadoxConnectionString(m_samples);
    const QString foxString = FoxproSource::FoxProConnectionString(m_settings);

    // Paradox to FoxPro, every table: the copy walks List2 from its last entry
    // while each new FoxPro table goes to its place in List1.
    form->PushButton8->click();
    m_dialogs.expectMessage(ui::vbYes); // overwrite orders
    form->PushButton4->click();
    QVERIFY2(reports(m_dialogs) == 0, qPrintable(reportTexts(m_dialogs)));
    QCOMPARE(m_dialogs.boxes().size(), size_t(1));
    QCOMPARE(m_dialogs.boxes()[0].text, QStringLiteral("Would you like to overwrite orders?"));
    QCOMPARE(entries(form->List1),
             (QStringList{"clients", "customers", "invoices", "orders", "products", "stock", "Zebra"}));
    // Each FoxPro table holds the rows of the Paradox table of its name.
    for (const char *name : {"CLIENTS", "INVOICES", "ORDERS", "STOCK"})
        QCOMPARE(readRows(foxString, QString::fromLatin1(name).toLower()), readRows(pxString, name));
    QCOMPARE(selectedCount(form->List2), 4);

    // FoxPro to Paradox: the Paradox list is read again, in order, from the top.
    m_dialogs.clear();
    form->PushButton8->click();
    form->PushButton9->click();
    selectEntries(form->List1, {"products", "Zebra"});
    m_dialogs.setFallback(ui::vbYes);
    form->PushButton3->click();
    QVERIFY2(reports(m_dialogs) == 0, qPrintable(reportTexts(m_dialogs)));
    QCOMPARE(entries(form->List2), (QStringList{"CLIENTS", "INVOICES", "ORDERS", "PRODUCTS", "STOCK", "ZEBRA"}));
    QCOMPARE(form->List2->verticalScrollBar()->value(), 0);

    // Deleting entries spread over the sorted list takes exactly those.
    form->PushButton11->click();
    selectEntries(form->List1, {"clients", "orders", "Zebra"});
    form->PushButton1->click();
    QCOMPARE(entries(form->List1), (QStringList{"customers", "invoices", "products", "stock"}));
    QStringList left = filesIn(folder).filter(".dbf");
    left.sort();
    QCOMPARE(left, (QStringList{"customers.dbf", "invoices.dbf", "products.dbf", "stock.dbf"}));

    // A renamed table takes its place in the order.
    form->PushButton9->click();
    selectEntries(form->List2, {"ZEBRA"});
    m_dialogs.expectText(QStringLiteral("Bison"));
    form->PushButton7->click();
    QCOMPARE(entries(form->List2), (QStringList{"Bison", "CLIENTS", "INVOICES", "ORDERS", "PRODUCTS", "STOCK"}));
    QCOMPARE(reports(m_dialogs), 0);
}

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
