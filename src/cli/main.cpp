// tabwright-cli: the program's commands without windows.

#include "Commands.h"
#include "Providers.h"
#include "Version.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrava"));
    QCoreApplication::setApplicationName(QStringLiteral("Tabwright"));
    QCoreApplication::setApplicationVersion(QLatin1String(tw::kVersion));
    tw::cli::registerProviders();
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return tw::cli::runCommand(args, stdout, stderr);
}
