#include "platform/privatefile.h"

#include <QSaveFile>

namespace PrivateFile {

bool replace(const QString &path, const QByteArray &contents)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile::commit() takes a new file that could not be written to its end (a full disk)
    // as written: the write is pushed out and checked first.
    if (!out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || out.write(contents) != contents.size() || !out.flush())
        return false;
    return out.commit();
}

} // namespace PrivateFile
