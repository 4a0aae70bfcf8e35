// Tabwright: copies tables between FoxPro and Paradox databases. Starting it
// opens the connection-setup window, whose load routine restores the last
// settings and goes on to the transfer window when both places are usable.

#include "common/Main.h"
#include "Version.h"
#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Display.h"
#include "platform/ui/QtDialogs.h"
#include "platform/workdb/WorkDbProvider.h"
#include "setup/Form1.h"
#include "transferwindow/Form2.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // The version, with or without a display (on Windows where standard output goes to a file or a pipe).
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tabwright %s\n", tw::kVersion);
        return 0;
    }
    if (const QString missing = tw::ui::missingDisplayMessage(); !missing.isEmpty()) {
        std::fprintf(stderr, "tabwright: %s\n", qPrintable(missing));
        return 1;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrava"));
    QCoreApplication::setApplicationName(QLatin1String(tw::transferwindow::kProductName));
    QCoreApplication::setApplicationVersion(QLatin1String(tw::kVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("tabwright"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tabwright.svg")));
    tw::ui::setApplicationTitle(QLatin1String(tw::transferwindow::kProductName));

    tw::foxpro::registerProvider();
    tw::paradox::registerProvider();
    tw::workdb::registerProvider();

    tw::ui::QtDialogs dialogs;
    tw::setup::Form1 form1(dialogs, tw::Main::ProgramFolder());
    form1.start();
    return app.exec();
}
