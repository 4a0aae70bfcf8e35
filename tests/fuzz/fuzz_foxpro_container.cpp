// Fuzzes the FoxPro database container reader: the input holds a folder with
// a container (.dbc, .dct, .dcx) and its tables; the first .dbc is opened and
// every table it lists is read row by row.

#include "FuzzFolder.h"
#include "TableWalk.h"

#include "platform/foxpro/FoxProSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static tw::fuzz::FuzzFolder folder;
    const QStringList names = folder.unpack(data, size);
    QString container;
    for (const QString &name : names)
        if (name.endsWith(QLatin1String(".dbc"), Qt::CaseInsensitive)) {
            container = name;
            break;
        }
    if (container.isEmpty())
        return 0;
    try {
        tw::foxpro::FoxProSession session(folder.path() + '/' + container);
        tw::fuzz::walkSession(session, u'"', u'"', true);
    } catch (const tw::ado::RuntimeError &) {
    }
    return 0;
}
