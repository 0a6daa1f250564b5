#include "platform/processsetup.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

bool disableCoreDumps()
{
    // The soft limit only: a program the user opens from here (a web browser for a link)
    // inherits it too, and stays free to raise it again.
    rlimit limit{};
    if (::getrlimit(RLIMIT_CORE, &limit) != 0)
        return false;
    limit.rlim_cur = 0;
    return ::setrlimit(RLIMIT_CORE, &limit) == 0;
}

QString ensureRuntimeFolder()
{
    const QString set = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!set.isEmpty())
        return set;
    const uid_t uid = ::geteuid();
    QString user = QString::number(uid);
    if (const passwd *entry = ::getpwuid(uid); entry && entry->pw_name && *entry->pw_name)
        user = QFile::decodeName(entry->pw_name);
    // The same folder the toolkit falls back to, so every copy of the program finds it.
    const QString folder = QDir::tempPath() + QStringLiteral("/runtime-") + user;
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid)
        return {};
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.constData(), 0700) != 0)
        return {};
    qputenv("XDG_RUNTIME_DIR", path);
    return folder;
}
