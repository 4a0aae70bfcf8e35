// tabwright-samples FOLDER: writes FOLDER/Samples (the sample databases) and
// FOLDER/HAND-M.CUR; the build runs it to place them beside the programs.

#include "SampleDatabase.h"

#include "platform/ado/RuntimeError.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: tabwright-samples FOLDER\n");
        return 2;
    }
    try {
        tw::samples::WriteSampleFolder(args[1]);
    } catch (const tw::ado::RuntimeError &e) {
        std::fprintf(stderr, "tabwright-samples: %s\n", qUtf8Printable(e.description()));
        return 1;
    }
    return 0;
}
