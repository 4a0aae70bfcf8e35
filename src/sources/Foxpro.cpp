#include "Foxpro.h"

#include "common/ConnectionSettings.h"
#include "common/DoEvents.h"
#include "common/TableList.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"

namespace tw::FoxproSource {

namespace {
const QString kTableType = QStringLiteral("TABLE");
}

QString FoxProConnectionString(const ConnectionSettings &settings)
{
    const QString provider = QLatin1String(kFoxProProvider) + QStringLiteral("Data Source=");
    if (settings.dbcChosen())
        return provider + settings.dbcPath() + QStringLiteral(";Collating Sequence=machine;");
    return provider + settings.freeTableFolder() + QStringLiteral(";Collating Sequence=general;");
}

bool OpenFoxProConnection(const ConnectionSettings &settings)
{
    ado::Connection connection;
    try {
        connection.CursorLocation = ado::adUseServer;
        connection.Open(FoxProConnectionString(settings));
        return true;
    } catch (...) {
        return false;
    }
}

void ListFoxProTables(TableList &list, const QString &connectionString, QStringList *warnings)
{
    ado::Connection connection;
    connection.Open(connectionString);
    ado::Recordset schema = connection.OpenSchema(ado::adSchemaTables);
    if (warnings)
        *warnings = schema.warnings();
    list.clear();
    while (!schema.Eof()) {
        if (schema.fields()(QStringLiteral("TABLE_TYPE")).Value().toText() == kTableType) {
            DoEvents();
            list.add(schema.fields()(QStringLiteral("TABLE_NAME")).Value().toText());
        }
        schema.MoveNext();
    }
    schema.Close();
    connection.Close();
}

bool ExistTable(ado::Connection &connection, const QString &name)
{
    bool exists = false;
    ado::Recordset schema = connection.OpenSchema(ado::adSchemaTables);
    const QString wanted = name.toUpper();
    for (; !schema.Eof(); schema.MoveNext()) {
        if (schema.fields()(QStringLiteral("TABLE_TYPE")).Value().toText() == kTableType &&
            schema.fields()(QStringLiteral("TABLE_NAME")).Value().toText().toUpper() == wanted)
            exists = true;
    }
    schema.Close();
    return exists;
}

} // namespace tw::FoxproSource
