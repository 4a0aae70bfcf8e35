// The table preview from the transfer window, offscreen: opened by Enter and
// by double-click on either list (one window per table), what it shows of a
// corpus table, a table of a million rows read only where the view looks,
// the code page chosen in it re-reading the table and reaching the next copy,
// and its columns and fonts.

#include "SystemAccess.h"
#include "TableGenerator.h"
#include "TestSupport.h"

#include "common/ConnectionSettings.h"
#include "gui/WindowFonts.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/CodePageMarks.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/foxpro/TableWriter.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/workdb/WorkDbProvider.h"
#include "preview/PreviewWindow.h"
#include "preview/RowWindowModel.h"
#include "sources/Paradox.h"
#include "transferwindow/Form2.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace tw;
using tw::preview::PreviewWindow;
using tw::preview::RowWindowModel;
using tw::test::openFiles;
using tw::transferwindow::Form2;

namespace {

constexpr qint64 kMillion = 1000000;

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        QFile::copy(from + "/" + name, to + "/" + name);
        QFile(to + "/" + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
}

int entryIndex(const QListWidget *list, const QString &text)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The benchmark's FoxPro table grown to `rows` rows: its first 1,000 records
// over and over, each with the ID of its place.
void writeMillionRowTable(const QString &folder, qint64 rows)
{
    constexpr qint64 kGenerated = 1000;
    constexpr int kIdOffset = 1; // after the deletion mark
    bench::writeFoxProTable(folder, "big", kGenerated, 7);
    QFile file(folder + "/big.dbf");
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray all = file.readAll();
    const int headerLength = uchar(all[8]) | uchar(all[9]) << 8;
    const int recordLength = uchar(all[10]) | uchar(all[11]) << 8;
    QByteArray header = all.left(headerLength);
    const quint32 count = quint32(rows);
    std::memcpy(header.data() + 4, &count, 4);
    file.resize(0);
    file.seek(0);
    file.write(header);
    QByteArray chunk;
    for (qint64 i = 0; i < rows; ++i) {
        QByteArray record = all.mid(headerLength + (i % kGenerated) * recordLength, recordLength);
        const qint32 id = qint32(i + 1);
        std::memcpy(record.data() + kIdOffset, &id, 4);
        chunk += record;
        if (chunk.size() > (1 << 22)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    chunk += '\x1A';
    file.write(chunk);
}

// A Visual FoxPro free table without a code-page mark, one character field
// NAME of `width` and a date field DAY, with these records (deletion mark first).
void writeSmallDbf(const QString &path, int width, const QList<QByteArray> &records)
{
    constexpr int kHeader = 32, kDescriptor = 32, kBacklink = 263;
    QByteArray dbf(kHeader, '\0');
    dbf[0] = 0x30;
    dbf[4] = char(records.size());
    const int headerLength = kHeader + 2 * kDescriptor + 1 + kBacklink;
    dbf[8] = char(headerLength & 0xFF);
    dbf[9] = char(headerLength >> 8);
    dbf[10] = char(1 + width + 8);
    const auto descriptor = [](const char *name, char type, int offset, int length) {
        QByteArray field(kDescriptor, '\0');
        field.replace(0, int(std::strlen(name)), name);
        field[11] = type;
        field[12] = char(offset);
        field[16] = char(length);
        return field;
    };
    dbf +=
        descriptor("NAME", 'C', 1, width) + descriptor("DAY", 'D', 1 + width, 8) + '\r' + QByteArray(kBacklink, '\0');
    for (const QByteArray &record : records)
        dbf += record;
    dbf += '\x1A';
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(dbf);
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void corpusTableFromEitherList();
    void millionRowsReadOnlyWhereShown();
    void chosenCodePageRereadsAndReachesTheCopy();
    void damagedValuesAndDeletedRowsAreMarked();
    void columnsShowTheFirstScreenWhole_data();
    void columnsShowTheFirstScreenWhole();
    void fontsAreTheOtherWindows();
    // With TW_SCREENSHOTS=DIR: the preview of a corpus table photographed in
    // each of the two fonts into DIR (doc/screenshots holds them).
    void screenshots();

private:
    std::unique_ptr<Form2> makeWindow();
    // The preview of a FoxPro table of the free table folder, opened from the transfer window.
    PreviewWindow *previewOf(Form2 &form, const QString &table);

    QTemporaryDir m_dir;
    PlainConnectionSettings m_settings;
    BusyState m_busy;
    ui::ScriptedDialogs m_dialogs;
};

void TestPreview::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    foxpro::registerProvider();
    paradox::registerProvider();
    workdb::registerProvider();
    if (tw::test::sharedDir().isEmpty())
        QSKIP("no shared corpus on this machine");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    ui::setApplicationTitle("Tabwright");
    QFile work(m_dir.filePath("dbtemp.mdb")); // the work database, made empty
    QVERIFY(work.open(QIODevice::WriteOnly));
    work.close();
    m_settings.paradox = m_dir.filePath("px");
    m_settings.freeTables = m_dir.filePath("fox");
    copyFolder(tw::test::sharedDir() + "/corpus/paradox", m_settings.paradox);
    copyFolder(tw::test::sharedDir() + "/corpus/foxpro/free", m_settings.freeTables);
    writeMillionRowTable(m_settings.freeTables, kMillion);
}

std::unique_ptr<Form2> TestPreview::makeWindow()
{
    auto window = std::make_unique<Form2>(m_dialogs, m_settings, m_dir.path(), m_busy);
    window->Form_Load();
    window->show();
    return window;
}

void TestPreview::corpusTableFromEitherList()
{
    const auto form = makeWindow();
    const int customer = entryIndex(form->List2, "CUSTOMER");
    QVERIFY(customer >= 0);
    form->List2->setCurrentRow(customer, QItemSelectionModel::NoUpdate);
    const bool selectedBefore = form->List2->item(customer)->isSelected();
    form->List2->setFocus();
    QTest::keyClick(form->List2, Qt::Key_Return);
    auto *preview = form->findChild<PreviewWindow *>();
    QVERIFY(preview);
    QVERIFY(preview->isVisible() && !preview->isModal());
    QCOMPARE(form->List2->item(customer)->isSelected(), selectedBefore);

    // The rows as a copy reads them, Null apart from empty text.
    ado::Connection c;
    c.Open(ParadoxSource::ParadoxConnectionString(m_settings.paradox));
    ado::Recordset rs;
    rs.Open("SELECT * FROM `CUSTOMER`", c);
    const RowWindowModel *model = preview->rowsModel();
    QCOMPARE(qint64(model->rowCount()), qint64(rs.RecordCount()));
    QVERIFY2(preview->windowTitle().contains(QString("%1 rows").arg(rs.RecordCount())),
             qPrintable(preview->windowTitle()));
    QVERIFY2(preview->windowTitle().contains("code page"), qPrintable(preview->windowTitle()));
    QCOMPARE(preview->fieldsView()->rowCount(), rs.fields().count());
    for (int row = 0; !rs.Eof() && row < 5; ++row, rs.MoveNext()) {
        for (int column = 0; column < rs.fields().count(); ++column) {
            const ado::Variant &value = rs.fields()(column).Value();
            const QModelIndex index = model->index(row, column);
            QString expected = RowWindowModel::shownText(value);
            expected.replace("\r\n", "¶").replace('\n', "¶").replace('\r', "¶");
            QCOMPARE(model->data(index).toString().left(50), expected.left(50));
            QCOMPARE(model->data(index, Qt::FontRole).value<QFont>().italic(), value.isNull());
        }
    }
    QCOMPARE(RowWindowModel::shownText(ado::Variant::null()), QString("Null"));
    QCOMPARE(RowWindowModel::shownText(ado::Variant::text("")), QString());
    QCOMPARE(RowWindowModel::shownText(ado::Variant::bytes(QByteArray("\x47\x49\x46\x00", 4))),
             QString("4 bytes: 47 49 46 00"));
    // What each field becomes in FoxPro: text a memo, under a name cut to 10 upper-case characters.
    const QTableWidget *fields = preview->fieldsView();
    bool sawAlpha = false;
    for (int row = 0; row < fields->rowCount(); ++row) {
        const QString target = fields->item(row, 5)->text();
        QVERIFY2(target.size() <= 10 && target == target.toUpper(), qPrintable(target));
        if (fields->item(row, 1)->text() == "A") {
            QCOMPARE(fields->item(row, 4)->text(), QString("M"));
            sawAlpha = true;
        }
    }
    QVERIFY(sawAlpha);

    // The same table again: the same window.
    QTest::keyClick(form->List2, Qt::Key_Enter);
    QCOMPARE(form->findChildren<PreviewWindow *>().size(), 1);
    // A double-click on the FoxPro list opens that table's own.
    const int big = entryIndex(form->List1, "big");
    QVERIFY(big >= 0);
    form->List1->scrollToItem(form->List1->item(big));
    const QPoint at = form->List1->visualItemRect(form->List1->item(big)).center();
    QTest::mouseClick(form->List1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form->List1->viewport(), Qt::LeftButton, {},
                       form->List1->visualItemRect(form->List1->item(big)).center());
    QCOMPARE(form->findChildren<PreviewWindow *>().size(), 2);
    QVERIFY(m_dialogs.boxes().empty());
}

void TestPreview::millionRowsReadOnlyWhereShown()
{
    const auto form = makeWindow();
    form->List1->setCurrentRow(entryIndex(form->List1, "big"), QItemSelectionModel::NoUpdate);
    PreviewWindow *preview = form->previewCurrentTable(form->List1);
    QVERIFY(preview);
    QVERIFY2(preview->windowTitle().contains("1000000 rows"), qPrintable(preview->windowTitle()));
    QVERIFY2(preview->windowTitle().contains("windows-1252"), qPrintable(preview->windowTitle()));
    QCOMPARE(preview->rowsModel()->rowCount(), int(kMillion));
    QTableView *view = preview->rowsView();
    view->scrollToBottom();
    QCoreApplication::processEvents();
    view->grab(); // paints what is shown
    const QModelIndex last = preview->rowsModel()->index(int(kMillion) - 1, 0);
    QVERIFY(view->rowAt(view->viewport()->height() - 1) >= int(kMillion) - 2);
    QCOMPARE(preview->rowsModel()->data(last).toString(), QString::number(kMillion));
    // The first page at opening and the pages the view shows at the end, nothing between.
    QVERIFY2(preview->rowsModel()->rowsRead() <= 3 * RowWindowModel::kPageRows,
             qPrintable(QString::number(preview->rowsModel()->rowsRead())));
    // The NOTES memo shows as text, not as bytes.
    const int notes = preview->fieldsView()->rowCount() - 1;
    QCOMPARE(preview->fieldsView()->item(notes, 1)->text(), QString("M"));
    QVERIFY(!preview->rowsModel()
                 ->data(preview->rowsModel()->index(int(kMillion) - 1, notes))
                 .toString()
                 .contains("bytes"));
    // Closed, it holds the table's files no longer.
    const QString dbf = QFileInfo(m_settings.freeTables + "/big.dbf").canonicalFilePath();
    QVERIFY(openFiles().contains(dbf) || tw::test::onWindows());
    preview->close();
    QVERIFY(!openFiles().contains(dbf));
    QVERIFY(!openFiles().contains(QFileInfo(m_settings.freeTables + "/big.fpt").canonicalFilePath()));
}

void TestPreview::chosenCodePageRereadsAndReachesTheCopy()
{
    // A free table without a code-page mark whose text is Russian in code page 866:
    // "Съешь же ещё этих мягких".
    constexpr int kWidth = 40;
    const QByteArray text("\x91\xEA\xA5\xE8\xEC \xA6\xA5 \xA5\xE9\xF1 \xED\xE2\xA8\xE5 \xAC\xEF\xA3\xAA\xA8\xE5");
    writeSmallDbf(m_settings.freeTables + "/russian.dbf", kWidth, {' ' + text.leftJustified(kWidth, ' ') + "20240115"});
    const auto form = makeWindow();
    form->List1->setCurrentRow(entryIndex(form->List1, "russian"), QItemSelectionModel::NoUpdate);
    PreviewWindow *preview = form->previewCurrentTable(form->List1);
    QVERIFY(preview);
    QVERIFY2(preview->windowTitle().contains("the table names none"), qPrintable(preview->windowTitle()));
    // The guesses come first, the best reading the text as Russian.
    QVERIFY(!preview->guesses().empty());
    QCOMPARE(preview->guesses().front().codePage, 866);
    QCOMPARE(preview->codePageBox()->itemData(0).toInt(), 866);
    QVERIFY(preview->codePageBox()->itemText(0).contains(QString::fromUtf8("Съешь")));
    // Choosing it reads the table again at once, and the copy reads it so.
    preview->codePageBox()->setCurrentIndex(0);
    emit preview->codePageBox()->activated(0);
    QCOMPARE(preview->rowsModel()->data(preview->rowsModel()->index(0, 0)).toString().trimmed(),
             QString::fromUtf8("Съешь же ещё этих мягких"));
    QVERIFY2(preview->windowTitle().contains("cp866"), qPrintable(preview->windowTitle()));
    QCOMPARE(form->readCodePages().of(ReadCodePages::Side::FoxPro, "RUSSIAN"), 866);
    for (int i = 0; i < form->List1->count(); ++i)
        form->List1->item(i)->setSelected(form->List1->item(i)->text().compare("russian", Qt::CaseInsensitive) == 0);
    form->PushButton3_Click();
    ado::Connection c;
    c.Open(ParadoxSource::ParadoxConnectionString(m_settings.paradox));
    ado::Recordset rs;
    rs.Open("SELECT * FROM `RUSSIAN`", c);
    QCOMPARE(rs.codePage(), 866);
    QCOMPARE(rs.fields()(0).Value().asText().trimmed(), QString::fromUtf8("Съешь же ещё этих мягких"));
}

void TestPreview::damagedValuesAndDeletedRowsAreMarked()
{
    writeSmallDbf(m_settings.freeTables + "/messy.dbf", 4, {" ok  20240115", "*gone20240115", " bad 2024x115"});
    const auto form = makeWindow();
    form->List1->setCurrentRow(entryIndex(form->List1, "messy"), QItemSelectionModel::NoUpdate);
    PreviewWindow *preview = form->previewCurrentTable(form->List1);
    QVERIFY(preview);
    const RowWindowModel *model = preview->rowsModel();
    QCOMPARE(model->rowCount(), 3);
    // The date that is none: Null, marked, the reason on hover.
    const QModelIndex bad = model->index(2, 1);
    QCOMPARE(model->data(bad).toString(), QString("Null"));
    QVERIFY(model->data(bad, Qt::BackgroundRole).isValid());
    QVERIFY2(model->data(bad, Qt::ToolTipRole).toString().contains("2024x115"),
             qPrintable(model->data(bad, Qt::ToolTipRole).toString()));
    QVERIFY(!model->data(model->index(0, 1), Qt::BackgroundRole).isValid());
    QVERIFY(!model->data(model->index(0, 1), Qt::ToolTipRole).isValid());
    // The deleted record is shown, marked as one a copy leaves out.
    QCOMPARE(model->data(model->index(1, 0)).toString(), QString("gone"));
    QVERIFY(model->headerData(1, Qt::Vertical).toString().contains(QString::fromUtf8("×")));
    QVERIFY(model->headerData(1, Qt::Vertical, Qt::ToolTipRole).toString().contains("Deleted"));
    QVERIFY(!model->headerData(0, Qt::Vertical).toString().contains(QString::fromUtf8("×")));
}

PreviewWindow *TestPreview::previewOf(Form2 &form, const QString &table)
{
    form.List1->setCurrentRow(entryIndex(form.List1, table), QItemSelectionModel::NoUpdate);
    return form.previewCurrentTable(form.List1);
}

void TestPreview::columnsShowTheFirstScreenWhole_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("whole"); // else cut, its column at the widest a column is made
    QTest::newRow("date-time") << 1 << true;
    QTest::newRow("Cyrillic city name") << 2 << true;
    QTest::newRow("long memo") << 3 << false;
    QTest::newRow("header wider than its values") << 4 << true;
}

void TestPreview::columnsShowTheFirstScreenWhole()
{
    QFETCH(int, column);
    QFETCH(bool, whole);
    const QString path = m_settings.freeTables + "/cities.dbf";
    if (!QFile::exists(path)) {
        foxpro::CreateOptions options;
        options.codePageMark = foxpro::markForNewTable(1251);
        auto writer = foxpro::TableWriter::create(path,
                                                  {{"ID", 'I', 4, 0, -1, false},
                                                   {"SEEN", 'T', 8, 0, -1, false},
                                                   {"CITY", 'C', 30, 0, -1, false},
                                                   {"NOTE", 'M', 4, 0, -1, false},
                                                   {"LONGHEADER", 'L', 1, 0, -1, false}},
                                                  options);
        for (int id = 1; id <= 3; ++id)
            writer->append({ado::Variant::integer(id), ado::Variant::dateTime(QDate(2023, 4, 3), 36900000),
                            ado::Variant::text(QString::fromUtf8("Санкт-Петербург")),
                            ado::Variant::text(QString(300, u'm')), ado::Variant::boolean(true)});
    }
    const auto form = makeWindow();
    PreviewWindow *preview = previewOf(*form, "cities");
    QVERIFY(preview);
    const QTableView *view = preview->rowsView();
    // The window has room for every column.
    QVERIFY(view->horizontalHeader()->length() <= view->viewport()->width());
    // A cell shows its text between the style's margins, a pixel off for the grid.
    const RowWindowModel *model = preview->rowsModel();
    const QString text = column == 4 ? model->headerData(column, Qt::Horizontal).toString()
                                     : model->data(model->index(0, column)).toString();
    QVERIFY(!text.isEmpty());
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int room = view->columnWidth(column) - 1 - 2 * margin;
    QCOMPARE(view->fontMetrics().elidedText(text, Qt::ElideRight, room) == text, whole);
    if (!whole)
        QCOMPARE(view->columnWidth(column),
                 view->fontMetrics().averageCharWidth() * PreviewWindow::kWidestColumnCharacters);
}

void TestPreview::fontsAreTheOtherWindows()
{
    const auto form = makeWindow();
    PreviewWindow *preview = previewOf(*form, "big");
    QVERIFY(preview);
    const QFont windows = gui::arialFont(gui::kWindowPoints, false);
    QTableView *rows = preview->rowsView();
    QTableWidget *fields = preview->fieldsView();
    const QList<const QWidget *> widgets{preview,
                                         rows,
                                         rows->horizontalHeader(),
                                         rows->verticalHeader(),
                                         fields,
                                         fields->horizontalHeader(),
                                         preview->codePageBox(),
                                         preview->headerLabel()};
    for (const QWidget *widget : widgets) {
        QCOMPARE(widget->font().families(), windows.families());
        QCOMPARE(widget->font().pointSizeF(), windows.pointSizeF());
        QCOMPARE(QFontInfo(widget->font()).family(), QFontInfo(windows).family());
    }
}

void TestPreview::screenshots()
{
    const QString folder = qEnvironmentVariable("TW_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("TW_SCREENSHOTS names no folder");
    for (const auto &[family, file] :
         {std::pair{"Liberation Sans", "preview-liberation.png"}, std::pair{"DejaVu Sans", "preview-dejavu.png"}}) {
        const auto form = makeWindow();
        form->List2->setCurrentRow(entryIndex(form->List2, "CUSTOMER"), QItemSelectionModel::NoUpdate);
        PreviewWindow *preview = form->previewCurrentTable(form->List2);
        QVERIFY(preview);
        // The font a machine without Arial's stand-in gives the window; read
        // again (as after a command) to size the columns in it.
        QFont font = preview->font();
        font.setFamilies({family});
        preview->setFont(font);
        preview->letGo();
        preview->reopen();
        QVERIFY(preview->grab().save(QDir(folder).filePath(file)));
    }
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
