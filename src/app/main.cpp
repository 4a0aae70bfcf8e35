// The Tabwright program: until the windows exist it shows an empty main window.

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "tabwright: no display found (DISPLAY is not set). Start it from a desktop "
                             "session, or set QT_QPA_PLATFORM=offscreen to run without one.\n");
        return 1;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrava"));
    QCoreApplication::setApplicationName(QStringLiteral("Tabwright"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tabwright"));
    window.resize(535, 400);
    window.show();
    return app.exec();
}
