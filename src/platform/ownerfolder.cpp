#include "platform/ownerfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

bool makeOwnerOnlyFolder(const QString &folder)
{
    QStringList missing;
    QFileInfo info(folder);
    while (!info.exists()) {
        missing.prepend(info.absoluteFilePath());
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            break;
        info = QFileInfo(parent);
    }
    for (const QString &path : std::as_const(missing)) {
        if (!QDir().mkdir(path)
            || !QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                    | QFileDevice::ExeOwner))
            return false;
    }
    return QFileInfo(folder).isDir();
}
