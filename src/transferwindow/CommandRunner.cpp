#include "CommandRunner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

namespace tw::transferwindow {

void EndProgram()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->hide();
    QCoreApplication::quit();
}

void CloseWindow(BusyState &busy, QCloseEvent *event)
{
    if (busy.busy()) {
        // The running command completes the row it is writing, then the program ends.
        busy.requestClose();
        event->ignore();
        return;
    }
    event->accept();
    EndProgram();
}

} // namespace tw::transferwindow
