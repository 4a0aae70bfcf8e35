#pragma once
// The settings store: per-user text values addressed by application, section
// and value name, kept where the system keeps programs' settings: an INI file
// on Linux, the registry (HKEY_CURRENT_USER\Software\<application>\<section>)
// on Windows, both through QSettings. A value never written reads as the
// caller's default.

#include <QString>

namespace tw::setup {

inline constexpr char kApplicationName[] = "Kestrava";
inline constexpr char kSectionName[] = "Tabwright";

// The value names the program uses.
inline constexpr char kFoxproOption[] = "FoxproOption";
inline constexpr char kParadoxFolder[] = "ParadoxFolder";
inline constexpr char kDBCFile[] = "DBCFile";
inline constexpr char kFreeTableFolder[] = "FreeTableFolder";
inline constexpr char kLastFolderDot[] = "LastFolderDot";
// Whether the copies keep each field's type: "1" or "0".
inline constexpr char kKeepFieldTypes[] = "KeepFieldTypes";
// Where the window stood when it last went out of sight ("x,y").
inline constexpr char kWindowPosition[] = "WindowPosition";

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue = {});
void SaveSetting(const QString &application, const QString &section, const QString &key, const QString &value);

// The program's own values (application "Kestrava", section "Tabwright").
QString ReadSetting(const char *key, const QString &defaultValue = {});
void WriteSetting(const char *key, const QString &value);

// The INI file that holds the values of an application (where the settings
// are kept in a file: on Linux).
QString SettingsFilePath(const QString &application);
// Where the values of an application are kept, as the user would look for
// them: the INI file, or the registry key on Windows.
QString SettingsLocation(const QString &application);
// Forgets every value of an application.
void ClearSettings(const QString &application);

} // namespace tw::setup
