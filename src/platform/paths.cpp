#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace Paths {

QString runtimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

QString instanceLock(const QString &key)
{
    return runtimeFolder() + QLatin1Char('/') + key + QStringLiteral(".lock");
}

QString engineProfile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/webengine");
}

QString engineCache()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
            + QStringLiteral("/webengine-cache");
}

QString portalTabs()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
            + QStringLiteral("/portal-tabs.json");
}

QStringList helperFolders()
{
    const QString folder = QCoreApplication::applicationDirPath();
    return { folder, QDir::cleanPath(folder + QStringLiteral("/../lib/yorumi-livedoor")) };
}

} // namespace Paths
