#include "common/storesandbox.h"

#include "store/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QSettings>

StoreSandbox::StoreSandbox()
    : m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    , m_oldData(qgetenv("XDG_DATA_HOME"))
    , m_oldCache(qgetenv("XDG_CACHE_HOME"))
    , m_oldHome(qgetenv("HOME"))
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/data")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/cache")));
    qputenv("HOME", QFile::encodeName(m_dir.path()));
}

StoreSandbox::~StoreSandbox()
{
    // A test may have locked folders down; give them back so the folder can be removed.
    QFile::setPermissions(configHome(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
    qputenv("XDG_CACHE_HOME", m_oldCache);
    qputenv("HOME", m_oldHome);
}

void StoreSandbox::writeStoreFile(const QByteArray &contents) const
{
    QDir().mkpath(configHome());
    QFile file(storeFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        qFatal("cannot write the test store file");
}

QByteArray StoreSandbox::storeFileContents() const
{
    QFile file(storeFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void StoreSandbox::seedAccounts(const QStringList &ids, const QStringList &passwords) const
{
    QDir().mkpath(configHome());
    QSettings settings(storeFile(), QSettings::IniFormat);
    for (int i = 0; i < ids.size(); ++i) {
        settings.setValue(kIdSection + QLatin1Char('/') + idKey(i), ids.at(i));
        settings.setValue(kPwSection + QLatin1Char('/') + pwKey(i), passwords.value(i));
    }
}
