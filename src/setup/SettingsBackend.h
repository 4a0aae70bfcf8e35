#pragma once
// Where the settings store keeps its values, one file per system:
// SettingsStorePosix.cpp (an INI file) and SettingsStoreWindows.cpp (the
// registry), chosen by CMake. Not for use outside SettingsStore.

#include <QSettings>
#include <QString>

#include <memory>

namespace tw::setup::detail {

// The values of one section of an application, ready to read and write.
std::unique_ptr<QSettings> openSettings(const QString &application, const QString &section);

} // namespace tw::setup::detail
