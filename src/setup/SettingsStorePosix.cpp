// The settings store on Linux: one INI file per application under the user's
// configuration folder (~/.config/<application>/Tabwright.ini), one group per
// section.

#include "SettingsBackend.h"
#include "SettingsStore.h"

#include "platform/files/FileSystem.h"

namespace tw::setup {

namespace detail {

std::unique_ptr<QSettings> openSettings(const QString &application, const QString &section)
{
    auto store = std::make_unique<QSettings>(SettingsFilePath(application), QSettings::IniFormat);
    store->beginGroup(section);
    return store;
}

} // namespace detail

QString SettingsLocation(const QString &application)
{
    return SettingsFilePath(application);
}

void ClearSettings(const QString &application)
{
    files::removeFile(SettingsFilePath(application),
                      {.form = files::PathForm::Real, .missingFails = false, .throws = false});
}

} // namespace tw::setup
