#include "Form2.h"

#include "CommandRunner.h"
#include "ListWidgetTableList.h"

#include "common/ConnectionSettings.h"
#include "common/DisplayPath.h"
#include "common/Main.h"
#include "common/Steps.h"
#include "gui/ResetFormColours.h"
#include "gui/TextFit.h"
#include "gui/WindowFonts.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ui/Dialogs.h"
#include "preview/PreviewWindow.h"
#include "sources/Foxpro.h"
#include "sources/Paradox.h"
#include "transfer/CopySummary.h"
#include "transfer/SendToFoxPro.h"
#include "transfer/SendToParadox.h"
#include "transfer/TableCommands.h"
#include "transfer/WorkDatabaseLocation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>

#include <algorithm>

namespace tw::transferwindow {

namespace {
constexpr char kModule[] = "Form2";
// The window's client area, and what the outer height adds to the bottom of
// "< Back" beyond it (title bar and borders of the original frame).
constexpr int kClientWidth = 8025;
constexpr int kClientHeight = 5565;
constexpr int kBottomMargin = 580;
constexpr int kFrameAllowance = 460;

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, int left, int top, int width,
                        int height)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(gui::arialFont(gui::kButtonPoints, true));
    button->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return button;
}

QListWidget *makeList(QWidget *parent, const char *name)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setGeometry(twips(240), twips(360), twips(3330), twips(1635));
    return list;
}

// While it lives, the open previews have let their tables' files go.
class PreviewsLetGo {
public:
    using Previews = QHash<QString, QPointer<preview::PreviewWindow>>;
    explicit PreviewsLetGo(const Previews &previews) : m_previews(previews)
    {
        for (const auto &window : m_previews)
            if (window)
                window->letGo();
    }
    ~PreviewsLetGo()
    {
        for (const auto &window : m_previews)
            if (window)
                window->reopen();
    }
    PreviewsLetGo(const PreviewsLetGo &) = delete;
    PreviewsLetGo &operator=(const PreviewsLetGo &) = delete;

private:
    const Previews &m_previews;
};
} // namespace

Form2::Form2(ui::Dialogs &dialogs, const ConnectionSettings &settings, const QString &programFolder, BusyState &busy,
             QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_settings(settings), m_programFolder(programFolder), m_busy(busy)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QLatin1String(kProductName));
    setFont(gui::arialFont(gui::kWindowPoints, true));
    m_feedback = new gui::PointerFeedback(m_pointer, this);
    buildLayout();
    wireCommands();
    // Controls whose captions the font makes wider than their places grow.
    setFixedSize(gui::fitToText(this, QSize(twips(kClientWidth), twips(kClientHeight))));
}

Form2::~Form2() = default;

void Form2::buildLayout()
{
    Frame2 = new QGroupBox(QStringLiteral("FoxPro Tables"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twips(120), twips(120), twips(3840), twips(4215));
    List1 = makeList(Frame2, "List1");
    PushButton10 = makeButton(Frame2, "PushButton10", QStringLiteral("Select All"), 240, 2160, 1600, 400);
    PushButton11 = makeButton(Frame2, "PushButton11", QStringLiteral("Deselect All"), 1960, 2160, 1600, 400);
    PushButton3 = makeButton(Frame2, "PushButton3", QStringLiteral("Send Table/s To Paradox"), 240, 2640, 3330, 400);
    PushButton1 = makeButton(Frame2, "PushButton1", QStringLiteral("Delete Table/s"), 240, 3120, 3330, 400);
    PushButton6 = makeButton(Frame2, "PushButton6", QStringLiteral("Rename Table"), 240, 3600, 3330, 400);
    PushButton6->setEnabled(false);

    Frame1 = new QGroupBox(QStringLiteral("Paradox Tables"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twips(4080), twips(120), twips(3840), twips(4215));
    List2 = makeList(Frame1, "List2");
    PushButton8 = makeButton(Frame1, "PushButton8", QStringLiteral("Select All"), 240, 2160, 1600, 405);
    PushButton9 = makeButton(Frame1, "PushButton9", QStringLiteral("Deselect All"), 1960, 2160, 1600, 405);
    PushButton4 = makeButton(Frame1, "PushButton4", QStringLiteral("Send Table/s To FoxPro"), 240, 2640, 3330, 405);
    PushButton5 = makeButton(Frame1, "PushButton5", QStringLiteral("Delete Table/s"), 240, 3120, 3330, 405);
    PushButton7 = makeButton(Frame1, "PushButton7", QStringLiteral("Rename Table"), 240, 3600, 3330, 405);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(twips(120), twips(4485), twips(7800), twips(405));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setFormat(QLatin1String(kProgressCaption));

    PushButton2 = makeButton(this, "PushButton2", QStringLiteral("< Back"), 120, 5040, 3840, 405);
    PushButton12 = makeButton(this, "PushButton12", QStringLiteral("Help"), 4080, 5040, 3840, 405);

    // Keyboard order: the lists, the FoxPro buttons top to bottom, the Paradox
    // buttons, then "< Back" and "Help" (groups and the bar take no focus).
    const QList<QWidget *> order{List1,       List2,       PushButton10, PushButton11, PushButton3,
                                 PushButton1, PushButton6, PushButton8,  PushButton9,  PushButton4,
                                 PushButton5, PushButton7, PushButton2,  PushButton12};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    using Rule = gui::PointerFeedback::Rule;
    m_feedback->watch(this, Rule::Default);
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Frame2), static_cast<QWidget *>(List1),
                       static_cast<QWidget *>(List2)})
        m_feedback->watch(w, Rule::Default);
    for (QPushButton *b : findChildren<QPushButton *>())
        m_feedback->watch(b, Rule::Hand);
}

void Form2::wireCommands()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form2::PushButton9_Click);
    connect(PushButton10, &QPushButton::clicked, this, &Form2::PushButton10_Click);
    connect(PushButton11, &QPushButton::clicked, this, &Form2::PushButton11_Click);
    connect(PushButton12, &QPushButton::clicked, this, &Form2::PushButton12_Click);
    m_keepFieldTypes = new QAction(tr("Keep field types"), this);
    m_keepFieldTypes->setObjectName(QStringLiteral("KeepFieldTypes"));
    m_keepFieldTypes->setCheckable(true);
    m_keepFieldTypes->setChecked(m_settings.keepFieldTypes());
    showTypeMapping();
    connect(m_keepFieldTypes, &QAction::toggled, this, [this](bool keep) {
        m_settings.setKeepFieldTypes(keep);
        showTypeMapping();
        for (const QPointer<preview::PreviewWindow> &window : std::as_const(m_previews))
            if (window)
                window->setKeepFieldTypes(keep);
    });
    wirePreview(List1);
    wirePreview(List2);
}

void Form2::showTypeMapping()
{
    // The send buttons say, on hover, which mapping the copies follow and where it is chosen.
    const QString tip = m_keepFieldTypes->isChecked()
                            ? tr("Each field becomes the other format's own field of the same kind (\"Keep field "
                                 "types\" on a table's right-click menu).")
                            : tr("Texts and other fields arrive as memos; \"Keep field types\" on a table's "
                                 "right-click menu keeps each field's type.");
    PushButton3->setToolTip(tip);
    PushButton4->setToolTip(tip);
}

void Form2::wirePreview(QListWidget *list)
{
    // Only added ways in: a click, the selection and the keys the list already
    // takes do what they did.
    connect(list, &QListWidget::itemDoubleClicked, this, [this, list] { previewCurrentTable(list); });
    list->installEventFilter(this);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint &at) {
        QListWidgetItem *item = list->itemAt(at);
        if (!item)
            return;
        QMenu menu(list);
        QAction *preview = menu.addAction(tr("Preview…"));
        menu.addSeparator();
        menu.addAction(m_keepFieldTypes);
        if (menu.exec(list->viewport()->mapToGlobal(at)) != preview)
            return;
        // The entry under the pointer, its selection left as it is.
        list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        previewCurrentTable(list);
    });
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == List1 || watched == List2)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            previewCurrentTable(static_cast<QListWidget *>(watched));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

preview::PreviewWindow *Form2::previewCurrentTable(QListWidget *list)
{
    QListWidgetItem *item = list->currentItem();
    if (!item)
        return nullptr;
    const auto side = list == List1 ? ReadCodePages::Side::FoxPro : ReadCodePages::Side::Paradox;
    const QString key = QString::number(int(side)) + u':' + item->text().toLower();
    if (preview::PreviewWindow *open = m_previews.value(key)) {
        open->raise();
        open->activateWindow();
        return open;
    }
    try {
        const QString connection = side == ReadCodePages::Side::FoxPro
                                       ? FoxproSource::FoxProConnectionString(m_settings)
                                       : ParadoxSource::ParadoxConnectionString(m_settings.paradoxFolder());
        auto *window = new preview::PreviewWindow({side, item->text(), connection, m_keepFieldTypes->isChecked()},
                                                  m_readCodePages, this);
        connect(window, &preview::PreviewWindow::keepFieldTypesToggled, m_keepFieldTypes, &QAction::setChecked);
        m_previews.insert(key, window);
        // Opened while a command runs: it lets its table go until the command ends.
        if (m_busy.busy())
            window->letGo();
        window->show();
        return window;
    } catch (const ado::RuntimeError &e) {
        m_dialogs.MsgBox(e.description(), ui::vbOKOnly | ui::vbExclamation, QLatin1String(kProductName));
        return nullptr;
    }
}

void Form2::Form_Load()
{
    // As the settings last had it (the setup window may have read them since).
    m_keepFieldTypes->setChecked(m_settings.keepFieldTypes());
    {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("Form_Load")};
        steps(100, [&] { Main::ResetFormColours(this); });
        steps(102, [&] { setWindowIcon(QApplication::windowIcon()); });
        steps(104, [&] {
            if (Main::FileExists(m_programFolder + QLatin1String(kHandPointerFile)))
                m_pointer.loadCustomPointer(m_programFolder + QLatin1String(kHandPointerFile));
        });
        steps(106, [&] { setWindowTitle(QLatin1String(kProductName)); });
        ListWidgetTableList foxpro(List1);
        ListWidgetTableList paradox(List2);
        steps(108, [&] { foxpro.clear(); });
        steps(110, [&] { paradox.clear(); });
        steps(112, [&] { FoxproSource::ListFoxProTables(foxpro, FoxproSource::FoxProConnectionString(m_settings)); });
        steps(114, [&] { ParadoxSource::ListParadoxTables(paradox, m_settings, m_dialogs); });
        steps(116, [&] {
            const QRect back = PushButton2->geometry();
            const int outer = (back.top() + back.height()) * 15 + kBottomMargin;
            setFixedSize(width(), twips(outer - kFrameAllowance));
        });
    }
}

QString Form2::workDatabase() const
{
    return displayPath(transfer::WorkDatabasePath(
        m_programFolder, QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
}

void Form2::runTableCommand(void (*routine)(TransferContext &), bool needsWorkDatabase)
{
    RunCommand(m_busy, [&] {
        ListWidgetTableList foxpro(List1);
        ListWidgetTableList paradox(List2);
        QString work;
        if (needsWorkDatabase) {
            try {
                work = workDatabase();
            } catch (...) {
                // The copy opens it and reports why it cannot.
                work = displayPath(m_programFolder + QLatin1Char('\\') + QLatin1String(transfer::kWorkDatabaseName));
            }
        }
        TransferContext context{m_dialogs, m_settings, foxpro, paradox, m_pointer, *this, work, &m_busy};
        context.readCodePages = &m_readCodePages;
        context.keepFieldTypes = m_keepFieldTypes->isChecked();
        // The open previews hold their tables' files: they let go while the
        // command may replace or remove a table, and show it again after.
        const PreviewsLetGo letGo(m_previews);
        routine(context);
        // What a copy could not carry as it was is said once, at its end.
        if (const auto summary = transfer::SummarizeCopy(context.outcomes))
            m_dialogs.MsgBoxDetailed(summary->text, summary->details, ui::vbOKOnly);
    });
}

void Form2::PushButton1_Click()
{
    runTableCommand(&transfer::DeleteFoxProTables, false);
}

void Form2::PushButton3_Click()
{
    runTableCommand(&transfer::SendTablesToParadox, true);
}

void Form2::PushButton4_Click()
{
    runTableCommand(&transfer::SendTablesToFoxPro, false);
}

void Form2::PushButton5_Click()
{
    runTableCommand(&transfer::DeleteParadoxTables, false);
}

void Form2::PushButton7_Click()
{
    runTableCommand(&transfer::RenameParadoxTable, false);
}

void Form2::PushButton2_Click()
{
    RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton2_Click")};
        steps(100, [&] {
            if (m_setupWindow) {
                m_setupWindow->move(pos()); // in the place of this window
                m_setupWindow->show();
            }
        });
        steps(102, [&] { hide(); });
    });
}

void Form2::selectAll(QListWidget *list, const char *routine, bool selected)
{
    RunCommand(m_busy, [&] {
        Steps steps{m_dialogs, QLatin1String(kModule), QLatin1String(routine)};
        ListWidgetTableList entries(list);
        steps(100, [&] {
            // Each entry becomes the current one as it is set, so the last
            // entry is current afterwards, as the commands require.
            for (int i = 0; i < entries.count(); ++i) {
                entries.setSelected(i, selected);
                entries.setCurrentIndex(i);
            }
        });
    });
}

void Form2::PushButton8_Click()
{
    selectAll(List2, "PushButton8_Click", true);
}

void Form2::PushButton9_Click()
{
    selectAll(List2, "PushButton9_Click", false);
}

void Form2::PushButton10_Click()
{
    selectAll(List1, "PushButton10_Click", true);
}

void Form2::PushButton11_Click()
{
    selectAll(List1, "PushButton11_Click", false);
}

void Form2::PushButton12_Click()
{
    RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton12_Click")};
        steps(100, [&] { m_dialogs.MsgBox(QLatin1String(kHelpText) + QLatin1String(kContactPage), ui::vbOKOnly); });
    });
}

void Form2::setProgressValue(int value)
{
    ProgressBar1->setValue(std::clamp(value, 0, 100));
}

void Form2::setProgressText(const QString &text)
{
    // The bar's format treats "%" as a placeholder mark.
    ProgressBar1->setFormat(QString(text).replace(QLatin1Char('%'), QStringLiteral("%%")));
}

void Form2::closeEvent(QCloseEvent *event)
{
    CloseWindow(m_busy, event);
}

} // namespace tw::transferwindow
