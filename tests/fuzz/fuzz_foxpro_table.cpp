// Fuzzes the FoxPro free-table reader: the input holds a folder of files
// (.dbf, .fpt, ...); every table the folder lists is read row by row.

#include "FuzzFolder.h"
#include "TableWalk.h"

#include "platform/foxpro/FoxProSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static tw::fuzz::FuzzFolder folder;
    folder.unpack(data, size);
    try {
        tw::foxpro::FoxProSession session(folder.path());
        tw::fuzz::walkSession(session, u'"', u'"', true);
    } catch (const tw::ado::RuntimeError &) {
    }
    return 0;
}
