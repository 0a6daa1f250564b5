#include "store/settingsfile.h"

#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

SettingsFile::SettingsFile()
    : m_settings(std::make_unique<QSettings>(location(), Paths::programSettingsFormat()))
{
    // One left by an earlier version may be open to others.
    if (QFile::exists(location()))
        keepPrivate();
}

SettingsFile::~SettingsFile() = default;

QString SettingsFile::location()
{
    return Paths::programSettings();
}

void SettingsFile::keepPrivate() const
{
    // Where the settings are a file, not the registry. A new file starts closed (made here, in
    // its folder, before the settings write it), and the file written anew at each change takes
    // the mode of the one it replaces.
    if (Paths::programSettingsFormat() != QSettings::IniFormat)
        return;
    constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile file(location());
    if (file.exists())
        file.setPermissions(kOwnerOnly);
    else if (QDir().mkpath(QFileInfo(location()).path()))
        file.open(QIODevice::WriteOnly, kOwnerOnly);
}

QVariant SettingsFile::value(const QString &key, const QVariant &fallback) const
{
    return m_settings->value(key, fallback);
}

bool SettingsFile::write(const QString &key, const QVariant &value)
{
    // Removing what is not there changes nothing (and makes no file).
    if (!value.isValid() && !m_settings->contains(key))
        return true;
    if (value.isValid())
        m_settings->setValue(key, value);
    else
        m_settings->remove(key);
    if (!QFile::exists(location()))
        keepPrivate();
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
