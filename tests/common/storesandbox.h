#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Private per-user folders for one test: XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and HOME
// point into a temporary folder for as long as the sandbox lives.
class StoreSandbox
{
public:
    StoreSandbox();
    ~StoreSandbox();

    QString root() const { return m_dir.path(); }
    QString configHome() const { return m_dir.path() + QStringLiteral("/config"); }
    QString storeFile() const { return configHome() + QStringLiteral("/YRMLD.conf"); }

    // Writes the store file byte for byte, creating the folder.
    void writeStoreFile(const QByteArray &contents) const;
    QByteArray storeFileContents() const;

    // A store holding the given IDs and passwords in slots 0, 1, ...
    void seedAccounts(const QStringList &ids, const QStringList &passwords) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig;
    QByteArray m_oldData;
    QByteArray m_oldCache;
    QByteArray m_oldHome;
};
