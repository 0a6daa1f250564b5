#include "platform/paths.h"

namespace Paths {

QString accountStore(const QString &application)
{
    // Where the per-user program-settings functions of earlier editions keep their values.
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + application;
}

QString programSettings()
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\yorumi-livedoor");
}

QSettings::Format programSettingsFormat()
{
    return QSettings::NativeFormat;
}

QString instanceServer(const QString &key)
{
    return key;
}

QString autostartEntry()
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\yorumi-livedoor");
}

} // namespace Paths
