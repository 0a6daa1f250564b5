#include "store/settingsstore.h"

#include "platform/ownerfolder.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/winregistry.h"

#include <vector>
#else
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

QString SettingsAppName(qint16 editionCode)
{
    switch (editionCode) {
    case 0:
        return QStringLiteral("YRMYH");
    case 1:
        return QStringLiteral("YRMRT");
    case 2:
        return QStringLiteral("YRMBD");
    case 3:
    case 9:
        return QStringLiteral("YRMLD");
    default:
        return QString();
    }
}

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;

QString SettingsStore::location(const QString &application)
{
#ifdef Q_OS_WIN
    // Where the per-user program-settings functions of earlier editions keep their values.
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + application;
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QLatin1Char('/') + application + QStringLiteral(".conf");
#endif
}

bool SettingsStore::write(const QString &application, const QString &section, const QString &key,
                          const QString &value)
{
    return commit(application, { { section, key, value } });
}

bool SettingsStore::writeSlot(const QString &application, int slot, const QString &id,
                              const QString &password)
{
    return writeSlots(application, { { slot, id, password } }, {});
}

bool SettingsStore::writeSlots(const QString &application, const QList<SlotWrite> &writes,
                               const QList<int> &removedSlots)
{
    QList<Change> changes;
    for (const SlotWrite &write : writes) {
        changes.append({ kIdSection, idKey(write.slot), write.id });
        changes.append({ kPwSection, pwKey(write.slot), write.password });
    }
    for (int slot : removedSlots) {
        changes.append({ kIdSection, idKey(slot), std::nullopt });
        changes.append({ kPwSection, pwKey(slot), std::nullopt });
    }
    return commit(application, changes);
}

#ifdef Q_OS_WIN
// ---------------------------------------------------------------------------------------------
// Windows: the registry, through the Win32 API (see WinRegistry::Store). QSettings' registry
// backend would not do: it escapes a leading '@' when writing and decodes "@Invalid()" and
// other '@' forms when reading, so a password such as "@home" would not be what earlier
// editions read, nor would theirs be read back as stored.

namespace {

WinRegistry::Store registryStore(const QString &application)
{
    return WinRegistry::Store(std::wstring(WinRegistry::kProgramSettingsKey) + L'\\'
                              + application.toStdWString());
}

} // namespace

QString SettingsStore::read(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty())
        return QString();
    const std::optional<std::wstring> value =
            registryStore(application).read(section.toStdWString(), key.toStdWString());
    return value ? QString::fromStdWString(*value) : QString();
}

SettingsStore::Stamp SettingsStore::stamp(const QString &)
{
    // The registry tells nothing of changes: every stamp is new, and values are read afresh.
    static quint64 serial = 0;
    return { ++serial, true };
}

bool SettingsStore::remove(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty())
        return false;
    return registryStore(application).remove(section.toStdWString(), key.toStdWString());
}

bool SettingsStore::commit(const QString &application, const QList<Change> &changes)
{
    if (application.isEmpty())
        return false;
    std::vector<WinRegistry::Change> registryChanges;
    registryChanges.reserve(changes.size());
    for (const Change &change : changes) {
        registryChanges.push_back({ change.section.toStdWString(), change.key.toStdWString(),
                                    change.value ? std::optional(change.value->toStdWString())
                                                 : std::nullopt });
    }
    return registryStore(application).commit(registryChanges);
}

#else
// ---------------------------------------------------------------------------------------------
// Elsewhere: one INI file per application, read and changed line by line.

namespace {

using Identity = StoreFileIdentity;

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

bool ownedByUser(const Identity &identity)
{
    return identity.owner == qint64(::geteuid());
}

enum class Found { Absent, Readable, Unreadable };

// Looks at the store file without opening it: a pipe must never be opened (that waits for a
// writer), nor anything else that is not a plain file.
Found examine(const QString &path, Identity &identity)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        identity = {};
        // A dangling link counts as absent: writing creates the file it points to.
        return errno == ENOENT ? Found::Absent : Found::Unreadable;
    }
    identity = identityOf(st);
    if (!S_ISREG(st.st_mode) || st.st_size > SettingsStore::kMaxFileSize)
        return Found::Unreadable;
    return Found::Readable;
}

// Reads the whole store file; Unreadable when it is not a plain file of a sensible size.
Found readStoreFile(const QString &path, Identity &identity, QByteArray &contents)
{
    contents.clear();
    const Found found = examine(path, identity);
    if (found != Found::Readable)
        return found;
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? Found::Absent : Found::Unreadable;
    // What was opened is what is read: it may have been replaced since it was looked at.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > SettingsStore::kMaxFileSize) {
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
        if (done > SettingsStore::kMaxFileSize) {
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

} // namespace

const SettingsStore::FileState &SettingsStore::file(const QString &application)
{
    const QString path = location(application);
    Identity now;
    const Found found = examine(path, now);
    const auto cached = m_files.find(application);
    if (cached != m_files.end() && cached->second.identity == now)
        return cached->second;

    FileState state;
    QByteArray contents;
    if (found == Found::Readable) {
        state.readable = readStoreFile(path, state.identity, contents) != Found::Unreadable;
    } else {
        state.identity = now;
        state.readable = found == Found::Absent;
    }
    state.document = IniDocument(contents);
    return m_files[application] = std::move(state);
}

QString SettingsStore::read(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty())
        return QString();
    return file(application).document.value(section, key).value_or(QString());
}

SettingsStore::Stamp SettingsStore::stamp(const QString &application)
{
    const FileState &state = file(application);
    return { state.identity, state.readable };
}

bool SettingsStore::remove(const QString &application, const QString &section, const QString &key)
{
    if (application.isEmpty() || !file(application).document.value(section, key))
        return false;
    return commit(application, { { section, key, std::nullopt } });
}

bool SettingsStore::commit(const QString &application, const QList<Change> &changes)
{
    if (application.isEmpty())
        return false;
    const QString path = location(application);
    // Whatever happens next, the file is read afresh the next time.
    m_files.erase(application);
    if (!makeOwnerOnlyFolder(QFileInfo(path).absolutePath()))
        return false;

    // Start from what the disk holds now, never from an older reading.
    Identity identity;
    QByteArray contents;
    const Found found = readStoreFile(path, identity, contents);
    // Another user's store is theirs to change.
    if (found == Found::Unreadable || (found == Found::Readable && !ownedByUser(identity)))
        return false;
    const QByteArray changed = IniDocument(contents).changed(changes);
    if (changed == contents && (found == Found::Readable || changed.isEmpty()))
        return true; // nothing to change, such as removing keys that are already gone

    // Written beside the old file and then renamed over it (a link is followed to its target).
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile::commit() takes a new file that could not be written to its end (a full disk)
    // as written: the write is pushed out and checked first. A new file that fails is thrown
    // away unused.
    if (!out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || out.write(changed) != changed.size() || !out.flush())
        return false;
    return out.commit();
}

#endif
