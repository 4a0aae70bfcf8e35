#include "SettingsStore.h"

#include "SettingsBackend.h"

#include <QSettings>
#include <QStandardPaths>

namespace tw::setup {

namespace {
// One file per application; the section is its group.
constexpr char kFileSuffix[] = ".ini";
} // namespace

QString SettingsFilePath(const QString &application)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + application +
           QLatin1Char('/') + QLatin1String(kSectionName) + QLatin1String(kFileSuffix);
}

QString GetSetting(const QString &application, const QString &section, const QString &key, const QString &defaultValue)
{
    const auto store = detail::openSettings(application, section);
    const QVariant value = store->value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

void SaveSetting(const QString &application, const QString &section, const QString &key, const QString &value)
{
    const auto store = detail::openSettings(application, section);
    store->setValue(key, value);
    store->sync();
}

QString ReadSetting(const char *key, const QString &defaultValue)
{
    return GetSetting(QLatin1String(kApplicationName), QLatin1String(kSectionName), QLatin1String(key), defaultValue);
}

void WriteSetting(const char *key, const QString &value)
{
    SaveSetting(QLatin1String(kApplicationName), QLatin1String(kSectionName), QLatin1String(key), value);
}

} // namespace tw::setup
