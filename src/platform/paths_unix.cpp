#include "platform/paths.h"

#include <QStandardPaths>

namespace {

QString configFile(const QString &name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + name;
}

} // namespace

namespace Paths {

QString accountStore(const QString &application)
{
    return configFile(application + QStringLiteral(".conf"));
}

QString programSettings()
{
    return configFile(QStringLiteral("yorumi-livedoor.conf"));
}

QSettings::Format programSettingsFormat()
{
    return QSettings::IniFormat;
}

QString instanceServer(const QString &key)
{
    return runtimeFolder() + QLatin1Char('/') + key + QStringLiteral(".socket");
}

QString autostartEntry()
{
    return configFile(QStringLiteral("autostart/yorumi-livedoor.desktop"));
}

} // namespace Paths
