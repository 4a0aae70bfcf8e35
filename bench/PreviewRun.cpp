#include "PreviewRun.h"

#include "ProcessMemory.h"

#include "preview/PreviewWindow.h"
#include "preview/RowWindowModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

namespace tw::bench {

PreviewResult runPreview(bool foxpro, const QString &connectionString, const QString &table)
{
    PreviewResult r;
    ReadCodePages choices;
    const double before = residentMb();
    QElapsedTimer timer;
    timer.start();
    auto window = std::make_unique<preview::PreviewWindow>(
        preview::PreviewTable{foxpro ? ReadCodePages::Side::FoxPro : ReadCodePages::Side::Paradox, table,
                              connectionString},
        choices);
    window->show();
    window->grab();
    r.openSeconds = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    window->rowsView()->scrollToBottom();
    QCoreApplication::processEvents();
    window->grab();
    r.endSeconds = double(timer.nsecsElapsed()) / 1e9;
    r.addedMb = residentMb() - before;
    r.rows = window->rowsModel()->rowCount();
    r.rowsRead = window->rowsModel()->rowsRead();
    return r;
}

} // namespace tw::bench
