#include "Display.h"

#include <QtGlobal>

namespace tw::ui {

QString missingDisplayMessage()
{
#ifdef Q_OS_WIN
    return {}; // every Windows session has its desktop
#else
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return QStringLiteral("no display found (DISPLAY is not set). Start it from a desktop session, or set "
                              "QT_QPA_PLATFORM=offscreen to run without one.");
    return {};
#endif
}

} // namespace tw::ui
