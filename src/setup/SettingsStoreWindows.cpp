// The settings store on Windows: the registry, where Windows programs keep
// theirs. Each section is a key of its own,
// HKEY_CURRENT_USER\Software\<application>\<section>, holding the values by
// name as strings. Tests (QStandardPaths' test mode) get a key of their own
// under Software\qttest, so that they never touch a user's settings.

#include "SettingsBackend.h"
#include "SettingsStore.h"

#include <QStandardPaths>

namespace tw::setup {

namespace {

QString applicationKey(const QString &application)
{
    const QString root = QStandardPaths::isTestModeEnabled() ? QStringLiteral("HKEY_CURRENT_USER\\Software\\qttest\\")
                                                             : QStringLiteral("HKEY_CURRENT_USER\\Software\\");
    return root + application;
}

} // namespace

namespace detail {

std::unique_ptr<QSettings> openSettings(const QString &application, const QString &section)
{
    return std::make_unique<QSettings>(applicationKey(application) + QLatin1Char('\\') + section,
                                       QSettings::NativeFormat);
}

} // namespace detail

QString SettingsLocation(const QString &application)
{
    return applicationKey(application);
}

void ClearSettings(const QString &application)
{
    QSettings store(applicationKey(application), QSettings::NativeFormat);
    store.clear();
    store.sync();
}

} // namespace tw::setup
