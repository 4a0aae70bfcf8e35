// Fuzzes the SQL parser with arbitrary UTF-8 text.

#include "platform/ado/RuntimeError.h"
#include "platform/sql/Parser.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        (void)tw::sql::parse(text);
    } catch (const tw::ado::RuntimeError &) {
    }
    return 0;
}
