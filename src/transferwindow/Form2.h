#pragma once
// Form2: the transfer window. FoxPro tables on the left, Paradox tables on the
// right, each list with its commands; a shared progress bar; "< Back" and
// "Help". Commands run one at a time and read the setup window's fields and
// the lists' selection at the moment they run.

#include "common/CommandGuard.h"
#include "gui/PointerFeedback.h"
#include "gui/WindowPointer.h"
#include "transfer/TransferContext.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

class QGroupBox;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace tw {
namespace preview {
class PreviewWindow;
}
class ConnectionSettings;
namespace ui {
class Dialogs;
}
} // namespace tw

namespace tw::transferwindow {

// Where the "Help" message sends users with questions.
inline constexpr char kContactPage[] = "https://www.kestrava.com/contact";
inline constexpr char kHelpText[] = "Questions? Please contact Team Kestrava at ";
inline constexpr char kProductName[] = "Tabwright";
inline constexpr char kHandPointerFile[] = "\\HAND-M.CUR";

class Form2 final : public QWidget, public ProgressSink {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form2)

public:
    // settings: the setup window's fields; programFolder: the folder of the
    // program (HAND-M.CUR, the work database); busy: shared by both windows.
    Form2(ui::Dialogs &dialogs, const ConnectionSettings &settings, const QString &programFolder, BusyState &busy,
          QWidget *parent = nullptr);
    ~Form2() override;

    // The window "< Back" shows again.
    void setSetupWindow(QWidget *window) { m_setupWindow = window; }

    // Runs each time the window is opened: pointer picture, title, both lists.
    // The caller shows the window afterwards.
    void Form_Load();

    void PushButton1_Click();  // Delete Table/s (FoxPro)
    void PushButton2_Click();  // < Back
    void PushButton3_Click();  // Send Table/s To Paradox
    void PushButton4_Click();  // Send Table/s To FoxPro
    void PushButton5_Click();  // Delete Table/s (Paradox)
    void PushButton7_Click();  // Rename Table (Paradox)
    void PushButton8_Click();  // Select All (Paradox)
    void PushButton9_Click();  // Deselect All (Paradox)
    void PushButton10_Click(); // Select All (FoxPro)
    void PushButton11_Click(); // Deselect All (FoxPro)
    void PushButton12_Click(); // Help

    gui::WindowPointer &pointer() { return m_pointer; }
    gui::PointerFeedback &pointerFeedback() { return *m_feedback; }
    BusyState &busyState() { return m_busy; }

    void setProgressValue(int value) override;
    void setProgressText(const QString &text) override;

    // The work database the FoxPro-to-Paradox copy stages its tables in.
    QString workDatabase() const;

    // Opens the preview of the current entry of `list` (List1 or List2), or
    // shows the one already open for that table; nullptr when the list has no
    // current entry or the table cannot be read (a message says why).
    // Double-click, Enter and the lists' "Preview..." menu come here.
    preview::PreviewWindow *previewCurrentTable(QListWidget *list);
    // "Keep field types", in the lists' menu and the previews: the copies keep
    // each field's type. Its state is remembered in the settings.
    QAction *keepFieldTypesAction() const { return m_keepFieldTypes; }
    // The code pages chosen in the previews, which the copies read.
    const ReadCodePages &readCodePages() const { return m_readCodePages; }

protected:
    void closeEvent(QCloseEvent *event) override;
    // Enter on a list opens its current entry's preview.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void wireCommands();
    void runTableCommand(void (*routine)(TransferContext &), bool needsWorkDatabase);
    void selectAll(QListWidget *list, const char *routine, bool selected);
    void wirePreview(QListWidget *list);
    void showTypeMapping();

    ui::Dialogs &m_dialogs;
    const ConnectionSettings &m_settings;
    QString m_programFolder;
    BusyState &m_busy;
    QWidget *m_setupWindow = nullptr;
    gui::WindowPointer m_pointer{this};
    gui::PointerFeedback *m_feedback = nullptr;
    ReadCodePages m_readCodePages;
    QAction *m_keepFieldTypes = nullptr;
    QHash<QString, QPointer<preview::PreviewWindow>> m_previews; // by side and table name

public:
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QListWidget *List1 = nullptr;
    QListWidget *List2 = nullptr;
    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;
    QPushButton *PushButton6 = nullptr;
    QPushButton *PushButton7 = nullptr;
    QPushButton *PushButton8 = nullptr;
    QPushButton *PushButton9 = nullptr;
    QPushButton *PushButton10 = nullptr;
    QPushButton *PushButton11 = nullptr;
    QPushButton *PushButton12 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
};

// Twips (1/1440 inch) to pixels at 15 twips a pixel.
constexpr int twips(int value)
{
    return value / 15;
}

} // namespace tw::transferwindow
