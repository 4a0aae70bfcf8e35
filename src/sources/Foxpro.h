#pragma once
// The FoxPro side: how it is named to the provider, whether it opens, its
// table list, and the table-exists test on any open connection.

#include <QString>
#include <QStringList>

namespace tw {
class ConnectionSettings;
class TableList;
namespace ado {
class Connection;
}
} // namespace tw

namespace tw::FoxproSource {

// What every FoxPro connection string begins with. Alone it finds the FoxPro
// provider (ado::ProviderRegistry), which is asked what its format decides
// without a source (ado::Provider::columnNamesFor).
inline constexpr char kFoxProProvider[] = "Provider=vfpoledb.1;";

// "Provider=vfpoledb.1;Data Source=" + container or folder + ";Collating Sequence=machine;"
// (container) or "...;Collating Sequence=general;" (free tables); the path as typed.
QString FoxProConnectionString(const ConnectionSettings &settings);

// True when a connection to the FoxPro side opens; shows nothing, keeps nothing.
bool OpenFoxProConnection(const ConnectionSettings &settings);

// Opens the source, reads its tables, and only then clears the list and fills
// it with the entries of type exactly "TABLE". Failures pass to the caller.
// `warnings`, when given, gets what the listing read past or left out (a
// table whose container is not there, one another container owns).
void ListFoxProTables(TableList &list, const QString &connectionString, QStringList *warnings = nullptr);

// True when the connection's tables schema lists a "TABLE" whose name equals
// name without regard to case. Every row is examined.
bool ExistTable(ado::Connection &connection, const QString &name);

} // namespace tw::FoxproSource
