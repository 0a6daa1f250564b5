#include "browser/userfile.h"

#include <QSaveFile>

bool writeUserFile(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(contents);
    return file.commit();
}
