#include "platform/privatefile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFile {

namespace {

qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

Identity identityOf(const struct stat &st)
{
    return { true,
             qint64(st.st_dev),
             qint64(st.st_ino),
             qint64(st.st_size),
             nanoseconds(st.st_mtim),
             nanoseconds(st.st_ctim),
             qint64(st.st_uid),
             quint32(st.st_mode) };
}

} // namespace

Found examine(const QString &path, qint64 maxSize, Identity &identity)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        identity = {};
        // A dangling link counts as absent: writing creates the file it points to.
        return errno == ENOENT ? Found::Absent : Found::Unreadable;
    }
    identity = identityOf(st);
    if (!S_ISREG(st.st_mode) || st.st_size > maxSize)
        return Found::Unreadable;
    return Found::Readable;
}

Found read(const QString &path, qint64 maxSize, Identity &identity, QByteArray &contents)
{
    contents.clear();
    const Found found = examine(path, maxSize, identity);
    if (found != Found::Readable)
        return found;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? Found::Absent : Found::Unreadable;
    // What was opened is what is read: it may have been replaced since it was looked at.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxSize) {
        ::close(fd);
        return Found::Unreadable;
    }
    // The passwords in it are the user's alone: a store of the user's that others may read is
    // closed to them now, not only at its next write.
    if (st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0
        && ::fchmod(fd, S_IRUSR | S_IWUSR) == 0)
        ::fstat(fd, &st);
    identity = identityOf(st);
    constexpr qsizetype kChunk = 64 * 1024;
    for (;;) {
        const qsizetype done = contents.size();
        if (done > maxSize) {
            ::close(fd);
            contents.clear();
            return Found::Unreadable;
        }
        contents.resize(done + kChunk);
        const ssize_t got = ::read(fd, contents.data() + done, kChunk);
        if (got < 0 && errno == EINTR) {
            contents.resize(done);
            continue;
        }
        if (got <= 0) {
            contents.resize(done);
            ::close(fd);
            if (got < 0) {
                contents.clear();
                return Found::Unreadable;
            }
            return Found::Readable;
        }
        contents.resize(done + got);
    }
}

bool ownedByUser(const Identity &identity)
{
    return identity.owner == qint64(::geteuid());
}

} // namespace PrivateFile
