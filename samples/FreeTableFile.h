#pragma once
// FreeTableFile: writes a small Visual FoxPro free table (.dbf with its .fpt)
// of any common field type, nullable fields included, for the sample folder,
// through the FoxPro provider's table writer.

#include "platform/ado/Variant.h"

#include <QString>

#include <vector>

namespace tw::samples {

struct SampleField {
    QString name;
    char type = 'C';  // C, N, B, I, Y, D, T, L, M
    int length = 10;  // C and N only; the other types have their fixed width
    int decimals = 0; // N and B
    bool nullable = false;
};

// Writes folder/name.dbf (and name.fpt when there are memo fields); rows hold
// one value per field. RuntimeError when a file cannot be written or a value
// does not suit its field.
void WriteFreeTable(const QString &folder, const QString &name, const std::vector<SampleField> &fields,
                    const std::vector<std::vector<ado::Variant>> &rows);

} // namespace tw::samples
