// Fuzzes the Paradox reader: the input holds a folder of files (.db, .mb,
// ...); every table the folder lists is read row by row, and a table read to
// its end gives exactly the whole rows it announced.

#include "FuzzFolder.h"
#include "TableWalk.h"

#include "platform/paradox/ParadoxSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static tw::fuzz::FuzzFolder folder;
    folder.unpack(data, size);
    try {
        tw::paradox::ParadoxSession session(folder.path());
        tw::fuzz::walkSession(session, u'`', u'`', true);
    } catch (const tw::ado::RuntimeError &) {
    }
    return 0;
}
