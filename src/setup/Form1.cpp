#include "Form1.h"

#include "SampleLocation.h"

#include "BrowseForFolder.h"
#include "SettingsStore.h"
#include "Startup.h"
#include "WindowPlacement.h"

#include "common/DisplayPath.h"
#include "common/Main.h"
#include "common/Steps.h"
#include "gui/TextFit.h"
#include "gui/WindowFonts.h"
#include "platform/ado/Connection.h"
#include "platform/ado/RuntimeError.h"
#include "platform/ui/Dialogs.h"
#include "sources/Foxpro.h"
#include "sources/OpenProblems.h"
#include "sources/Paradox.h"
#include "transferwindow/CommandRunner.h"
#include "transferwindow/Form2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace tw::setup {

using gui::arialFont;
using gui::kButtonPoints;
using gui::kWindowPoints;
using transferwindow::twips;

namespace {
constexpr char kModule[] = "Form1";
constexpr int kClientWidth = 8040;
constexpr int kClientHeight = 4650;
constexpr int kServerSideCursors = 2;
constexpr int kTestTimeoutSeconds = 5000;
constexpr char kFreeTableOption[] = "2";
constexpr char kContainerOption[] = "1";

void place(QWidget *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, int left, int top, int width,
                        int height)
{
    auto *button = new QPushButton(caption, parent);
    place(button, name, left, top, width, height);
    button->setFont(arialFont(kButtonPoints, true));
    return button;
}

QLineEdit *makeField(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *field = new QLineEdit(parent);
    place(field, name, left, top, width, height);
    field->setFont(arialFont(kWindowPoints, true));
    return field;
}

// The window, its frames, label and option buttons start out white.
void paintWhite(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
} // namespace

Form1::Form1(ui::Dialogs &dialogs, const QString &programFolder, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_programFolder(programFolder)
{
    setObjectName(QStringLiteral("Form1"));
    setFont(arialFont(kWindowPoints, false));
    m_feedback = new gui::PointerFeedback(m_pointer, this);
    m_placement = new WindowPlacement(this);
    m_placement->watch(this);
    buildLayout();
    wireEvents();
    // A fixed frame: the controls stand at fixed places, grown where the font
    // makes a caption wider than its place.
    setFixedSize(gui::fitToText(this, QSize(twips(kClientWidth), twips(kClientHeight))));
}

Form1::~Form1() = default;

void Form1::buildLayout()
{
    paintWhite(this);
    PushButton10 = makeButton(this, "PushButton10", QStringLiteral("Help"), 120, 120, 7800, 405);

    Frame1 = new QGroupBox(QStringLiteral("Paradox Database"), this);
    place(Frame1, "Frame1", 120, 630, 7800, 1395);
    Label2 = new QLabel(QStringLiteral("Paradox Folder:"), Frame1);
    place(Label2, "Label2", 240, 405, 1455, 255);
    Text1 = makeField(Frame1, "Text1", 1680, 360, 5175, 330);
    PushButton6 = makeButton(Frame1, "PushButton6", QStringLiteral("..."), 6960, 360, 600, 345);
    PushButton7 =
        makeButton(Frame1, "PushButton7", QStringLiteral("Load Sample/Example Database"), 240, 810, 3600, 405);
    PushButton3 = makeButton(Frame1, "PushButton3", QStringLiteral("Test Connection"), 3960, 810, 3600, 405);

    Frame2 = new QGroupBox(QStringLiteral("FoxPro Login"), this);
    place(Frame2, "Frame2", 120, 2100, 7800, 1905);
    Option1 = new QRadioButton(QStringLiteral("DBC File:"), Frame2);
    place(Option1, "Option1", 240, 405, 1215, 255);
    Text4 = makeField(Frame2, "Text4", 1560, 360, 5295, 330);
    PushButton5 = makeButton(Frame2, "PushButton5", QStringLiteral("..."), 6960, 360, 600, 345);
    Option2 = new QRadioButton(QStringLiteral("Free Table Folder:"), Frame2);
    place(Option2, "Option2", 240, 885, 1815, 255);
    Text5 = makeField(Frame2, "Text5", 2160, 840, 4695, 330);
    PushButton4 = makeButton(Frame2, "PushButton4", QStringLiteral("..."), 6960, 840, 600, 345);
    PushButton8 =
        makeButton(Frame2, "PushButton8", QStringLiteral("Load Sample/Example Database"), 240, 1320, 3600, 405);
    PushButton1 = makeButton(Frame2, "PushButton1", QStringLiteral("Test Connection"), 3960, 1320, 3600, 405);

    PushButton2 = makeButton(this, "PushButton2", QStringLiteral("Next >"), 120, 4125, 7800, 405);

    const QFont bold = arialFont(kWindowPoints, true);
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Frame2), static_cast<QWidget *>(Label2),
                       static_cast<QWidget *>(Option1), static_cast<QWidget *>(Option2)}) {
        w->setFont(bold);
        paintWhite(w);
    }
    Option1->setChecked(true);

    // Keyboard order as numbered: Text1, Option1, Text4, Text5, Option2, the
    // "..." buttons, the test buttons, "Next >", the sample buttons, "Help".
    const QList<QWidget *> order{Text1,       Option1,     Text4,        Text5,       Option2,
                                 PushButton6, PushButton5, PushButton4,  PushButton3, PushButton1,
                                 PushButton2, PushButton7, PushButton10, PushButton8};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    Text1->setFocus();

    using Rule = gui::PointerFeedback::Rule;
    m_feedback->watch(this, Rule::Default);
    for (QWidget *w : {static_cast<QWidget *>(Text1), static_cast<QWidget *>(Text5), static_cast<QWidget *>(Frame1),
                       static_cast<QWidget *>(Frame2)})
        m_feedback->watch(w, Rule::Default);
    m_feedback->watch(Text4, Rule::DefaultAlways);
    for (QPushButton *b : findChildren<QPushButton *>())
        m_feedback->watch(b, Rule::Hand);
}

void Form1::wireEvents()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(PushButton10, &QPushButton::clicked, this, &Form1::PushButton10_Click);

    // Option1_Click, Option2_Click: store the FoxPro choice.
    connect(Option1, &QRadioButton::toggled, this, [](bool on) {
        if (on)
            WriteSetting(kFoxproOption, QLatin1String(kContainerOption));
    });
    connect(Option2, &QRadioButton::toggled, this, [](bool on) {
        if (on)
            WriteSetting(kFoxproOption, QLatin1String(kFreeTableOption));
    });
    // Text1_Change, Text4_Change, Text5_Change: store the whole text on every change.
    connect(Text1, &QLineEdit::textChanged, this, [](const QString &text) { WriteSetting(kParadoxFolder, text); });
    connect(Text4, &QLineEdit::textChanged, this, [](const QString &text) { WriteSetting(kDBCFile, text); });
    connect(Text5, &QLineEdit::textChanged, this, [](const QString &text) { WriteSetting(kFreeTableFolder, text); });
    // Text1_GotFocus, Text4_GotFocus, Text5_GotFocus: select the whole text.
    for (QLineEdit *field : {Text1, Text4, Text5})
        field->installEventFilter(this);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *field = qobject_cast<QLineEdit *>(watched)) {
            field->selectAll();
            // A mouse press that gave the focus places the cursor after this
            // event; select again once it has.
            QTimer::singleShot(0, field, [field] { field->selectAll(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString Form1::paradoxFolder() const
{
    return Text1->text();
}

bool Form1::dbcChosen() const
{
    return Option1->isChecked();
}

QString Form1::dbcPath() const
{
    return Text4->text();
}

QString Form1::freeTableFolder() const
{
    return Text5->text();
}

bool Form1::keepFieldTypes() const
{
    return ReadSetting(kKeepFieldTypes) == u"1";
}

void Form1::setKeepFieldTypes(bool keep) const
{
    WriteSetting(kKeepFieldTypes, keep ? QStringLiteral("1") : QStringLiteral("0"));
}

QString Form1::samplesFolder() const
{
    return displayPath(SamplesFolder(m_programFolder));
}

void Form1::openTransferWindow()
{
    if (!m_form2) {
        m_form2 = std::make_unique<transferwindow::Form2>(m_dialogs, *this, m_programFolder, m_busy);
        m_form2->setSetupWindow(this);
        m_placement->watch(m_form2.get());
    }
    m_form2->Form_Load();
}

void Form1::Form_Load()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("Form_Load")};
        steps(100, [&] { ApplySkin(this, m_programFolder); });
        steps(104, [&] { setWindowTitle(QLatin1String(transferwindow::kProductName)); });
        steps(104, [&] { setWindowIcon(QApplication::windowIcon()); });
        steps(104, [&] { SetApplicationTitle(); });
        steps(124, [&] {
            const QString hand = m_programFolder + QLatin1String(transferwindow::kHandPointerFile);
            if (Main::FileExists(hand))
                m_pointer.loadCustomPointer(hand);
        });
        QString option;
        steps(128, [&] { option = ReadSetting(kFoxproOption); });
        steps(130, [&] {
            if (option != QLatin1String(kFreeTableOption))
                steps(132, [&] { Option1->setChecked(true); });
            else
                steps(134, [&] { Option2->setChecked(true); });
        });
        steps(138, [&] { Text1->setText(ReadSetting(kParadoxFolder)); });
        steps(140, [&] { Text4->setText(ReadSetting(kDBCFile)); });
        steps(142, [&] { Text5->setText(ReadSetting(kFreeTableFolder)); });
        bool usable = false;
        steps(144, [&] { usable = ParadoxSource::ParadoxFolderHasTables(*this); });
        if (!usable)
            return;
        usable = false;
        steps(146, [&] { usable = FoxproSource::OpenFoxProConnection(*this); });
        if (!usable)
            return;
        steps(148, [&] {
            openTransferWindow();
            m_placement->restore(m_form2.get());
            m_form2->show();
        });
        steps(150, [&] {
            hide();
            m_leftForTransferWindow = true;
        });
    });
}

void Form1::start()
{
    Form_Load();
    if (!m_leftForTransferWindow) {
        m_placement->restore(this);
        show();
    }
}

void Form1::PushButton1_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton1_Click")};
        std::unique_ptr<ado::Connection> connection;
        steps(100, [&] { connection = std::make_unique<ado::Connection>(); });
        // From here on any failure leads to "Could not connect." instead of the report.
        bool failed = false;
        QString openFailure; // the reader's words when the connection did not open
        auto attempt = [&failed](auto &&body) {
            if (failed)
                return;
            try {
                body();
            } catch (...) {
                failed = true;
            }
        };
        auto test = [&]() -> ado::Connection & {
            if (!connection)
                throw ado::RuntimeError(QStringLiteral("The connection object was not created."));
            return *connection;
        };
        attempt([&] { m_pointer.setMousePointer(ui::PointerBusy); });
        attempt([&] { test().CursorLocation = kServerSideCursors; });
        attempt([&] { test().CommandTimeout = kTestTimeoutSeconds; });
        attempt([&] { test().ConnectionTimeout = kTestTimeoutSeconds; });
        attempt([&] {
            try {
                test().Open(FoxproSource::FoxProConnectionString(*this));
            } catch (...) {
                openFailure = describeFailure(std::current_exception());
                throw;
            }
        });
        attempt([&] {
            // A folder whose tables all belong to a container lists none: the
            // details say where they are.
            const QString note = FoxproSource::containerFolderNote(*this);
            if (note.isEmpty())
                m_dialogs.MsgBox(QLatin1String(kConnectionSuccessful), ui::vbOKOnly);
            else
                m_dialogs.MsgBoxDetailed(QLatin1String(kConnectionSuccessful), note, ui::vbOKOnly);
        });
        attempt([&] { m_pointer.setMousePointer(ui::PointerDefault); });
        if (failed) {
            steps(122, [&] {
                // Why, behind "Show Details...", when it was the connection that failed.
                const QString why = openFailure.isEmpty() ? QString() : FoxproSource::openProblem(*this, openFailure);
                m_dialogs.MsgBoxDetailed(QLatin1String(kCouldNotConnect), why, ui::vbOKOnly);
            });
            steps(124, [&] { m_pointer.setMousePointer(ui::PointerDefault); });
        }
    });
}

void Form1::PushButton3_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton3_Click")};
        steps(102, [&] { m_pointer.setMousePointer(ui::PointerBusy); });
        bool usable = false;
        steps(104, [&] { usable = ParadoxSource::ParadoxFolderHasTables(*this); });
        if (usable)
            steps(106, [&] { m_dialogs.MsgBox(QLatin1String(kConnectionSuccessful), ui::vbOKOnly); });
        else
            steps(108, [&] {
                m_dialogs.MsgBoxDetailed(QLatin1String(kCouldNotConnect), ParadoxSource::folderProblem(*this),
                                         ui::vbOKOnly);
            });
        steps(110, [&] { m_pointer.setMousePointer(ui::PointerDefault); });
    });
}

void Form1::PushButton2_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton2_Click")};
        steps(100, [&] { m_pointer.setMousePointer(ui::PointerBusy); });
        bool usable = false;
        steps(102, [&] { usable = ParadoxSource::ParadoxFolderHasTables(*this); });
        if (usable) {
            usable = false;
            steps(104, [&] { usable = FoxproSource::OpenFoxProConnection(*this); });
        }
        if (usable) {
            steps(106, [&] { openTransferWindow(); });
            steps(108, [&] {
                if (m_form2) {
                    m_form2->move(pos()); // in the place of this window
                    m_form2->show();
                }
            });
            steps(110, [&] { hide(); });
        }
        steps(112, [&] { m_pointer.setMousePointer(ui::PointerDefault); });
    });
}

void Form1::PushButton10_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton10_Click")};
        steps(100, [&] { m_dialogs.MsgBox(QLatin1String(kHintText), ui::vbOKOnly); });
    });
}

void Form1::PushButton6_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton6_Click")};
        QString chosen;
        steps(100, [&] {
            const QString start = ReadSetting(kLastFolderDot);
            chosen = AddFolder::BrowseForFolder(m_dialogs, this, QStringLiteral("Please select folder:"), start);
        });
        if (chosen.isEmpty())
            return;
        steps(104, [&] { Text1->setText(chosen); });
    });
}

void Form1::PushButton4_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton4_Click")};
        QString chosen;
        steps(100, [&] {
            chosen = AddFolder::BrowseForFolder(m_dialogs, this, QStringLiteral("Please select folder"), QString());
        });
        if (chosen.isEmpty())
            return;
        steps(104, [&] { Text5->setText(chosen); });
    });
}

void Form1::PushButton5_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton5_Click")};
        QString chosen;
        steps(108, [&] { chosen = ChooseContainerFile(m_dialogs, this); });
        if (chosen.isEmpty())
            return;
        steps(112, [&] { Text4->setText(chosen); });
    });
}

void Form1::PushButton7_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton7_Click")};
        steps(100, [&] { Text1->setText(samplesFolder()); });
    });
}

void Form1::PushButton8_Click()
{
    transferwindow::RunCommand(m_busy, [this] {
        Steps steps{m_dialogs, QLatin1String(kModule), QStringLiteral("PushButton8_Click")};
        steps(100, [&] { Option2->setChecked(true); });
        steps(102, [&] { Text5->setText(samplesFolder()); });
    });
}

void Form1::closeEvent(QCloseEvent *event)
{
    transferwindow::CloseWindow(m_busy, event);
}

} // namespace tw::setup
