#pragma once
// Form1: the connection-setup window and, through its load routine, the
// start-up sequence. Its fields are the program's current connection
// settings; every change is written to the settings store at once.

#include "common/CommandGuard.h"
#include "common/ConnectionSettings.h"
#include "gui/PointerFeedback.h"
#include "gui/WindowPointer.h"

#include <QString>
#include <QWidget>

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tw::ui {
class Dialogs;
}
namespace tw::transferwindow {
class Form2;
}

namespace tw::setup {

class WindowPlacement;

inline constexpr char kSamplesFolder[] = "\\Samples";
inline constexpr char kConnectionSuccessful[] = "Connection successful.";
inline constexpr char kCouldNotConnect[] = "Could not connect.";
inline constexpr char kHintText[] = "Make sure FoxPro is closed while using this application.";

class Form1 final : public QWidget, public ConnectionSettings {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    // programFolder: where the samples, the hand pointer, the skin file and
    // the work database are looked for (the program's own folder).
    explicit Form1(ui::Dialogs &dialogs, const QString &programFolder, QWidget *parent = nullptr);
    ~Form1() override;

    // The start-up sequence: skin, caption, title, pointer picture, the stored
    // settings, and the transfer window when both places are usable.
    void Form_Load();
    // Runs Form_Load and shows this window unless the load went on to the
    // transfer window.
    void start();

    void PushButton1_Click();  // Test Connection (FoxPro)
    void PushButton2_Click();  // Next >
    void PushButton3_Click();  // Test Connection (Paradox)
    void PushButton4_Click();  // browse for the free-table folder
    void PushButton5_Click();  // browse for the database container
    void PushButton6_Click();  // browse for the Paradox folder
    void PushButton7_Click();  // Paradox samples
    void PushButton8_Click();  // FoxPro samples
    void PushButton10_Click(); // Help

    // ConnectionSettings, read from the fields at the moment of the call.
    QString paradoxFolder() const override;
    bool dbcChosen() const override;
    QString dbcPath() const override;
    QString freeTableFolder() const override;
    // Kept in the settings store.
    bool keepFieldTypes() const override;
    void setKeepFieldTypes(bool keep) const override;

    gui::WindowPointer &pointer() { return m_pointer; }
    gui::PointerFeedback &pointerFeedback() { return *m_feedback; }
    BusyState &busyState() { return m_busy; }
    // The transfer window, once created.
    transferwindow::Form2 *transferWindow() const { return m_form2.get(); }
    QString samplesFolder() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void wireEvents();
    void openTransferWindow();

    ui::Dialogs &m_dialogs;
    QString m_programFolder;
    BusyState m_busy;
    gui::WindowPointer m_pointer{this};
    gui::PointerFeedback *m_feedback = nullptr;
    std::unique_ptr<transferwindow::Form2> m_form2;
    bool m_leftForTransferWindow = false;
    WindowPlacement *m_placement = nullptr;

    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;
    QPushButton *PushButton6 = nullptr;
    QPushButton *PushButton7 = nullptr;
    QPushButton *PushButton8 = nullptr;
    QPushButton *PushButton10 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text5 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
};

} // namespace tw::setup
