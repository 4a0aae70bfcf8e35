#pragma once
// The Paradox side: its connection string, the folder test, the table list
// (the folder and all its sub-folders), the file search and the name filter.

#include <QString>
#include <QStringList>

namespace tw {
class ConnectionSettings;
class TableList;
namespace ui {
class Dialogs;
}
} // namespace tw

namespace tw::ParadoxSource {

// The driver string, with the folder standing in it twice, as typed.
QString ParadoxConnectionString(const QString &folder);

// True when the Paradox folder itself holds a "*.db" file that can be opened
// ("~" names count here). Sub-folders are not searched.
bool ParadoxFolderHasTables(const ConnectionSettings &settings);

// Clears the list and fills it with the tables of the Paradox folder and all
// its sub-folders, level by level: each file name upper-cased with every ".DB"
// removed; names beginning with "~" are left out; duplicates are kept.
void ListParadoxTables(TableList &list, const ConnectionSettings &settings, ui::Dialogs &dialogs);

// The names (no folder part) of the files matching pattern in folder that can be opened.
QStringList FindFiles(const QString &folder, const QString &pattern);

// True when the path names a file the platform lets us open; never raises.
bool FileCanBeOpened(const QString &path);

// True when a character of text is, in Windows-1252, below 32, from 127 to
// 159, or "?" (characters the code page cannot hold become "?").
bool HasOddCharacters(const QString &text);

} // namespace tw::ParadoxSource
