#include "FreeTableFile.h"

#include "platform/files/FileSystem.h"
#include "platform/foxpro/TableWriter.h"

#include <QDir>

namespace tw::samples {

void WriteFreeTable(const QString &folder, const QString &name, const std::vector<SampleField> &fields,
                    const std::vector<std::vector<ado::Variant>> &rows)
{
    std::vector<foxpro::NewField> definitions;
    for (const SampleField &field : fields) {
        foxpro::NewField definition;
        definition.name = field.name;
        definition.type = field.type;
        definition.length = field.length;
        definition.decimals = field.decimals;
        definition.nullable = field.nullable;
        definitions.push_back(definition);
    }
    const QString path = QDir(files::toNativePath(folder)).filePath(name + QStringLiteral(".dbf"));
    const auto writer = foxpro::TableWriter::create(path, definitions);
    for (const auto &row : rows)
        writer->append(row);
}

} // namespace tw::samples
