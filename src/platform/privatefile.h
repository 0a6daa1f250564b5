#pragma once

#include <QByteArray>
#include <QString>

// A file of the user's alone, as the account store keeps one on Unix (Windows keeps the accounts
// in the registry): looked at without being opened, read whole and closed to others, and
// replaced in one step, readable by its owner only. The engine helper's files (its tabs, its
// cookie journal, a profile's account) are written the same way, on every system; looking and
// reading are Unix's alone.
namespace PrivateFile {

// Which file a path named when it was looked at, and its size and times then: a file that is
// replaced or written to gets another identity.
struct Identity
{
    bool exists = false;
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    qint64 owner = -1;
    quint32 mode = 0;
    bool operator==(const Identity &) const = default;
};

enum class Found { Absent, Readable, Unreadable };

// Looks at the file without opening it (a pipe must never be opened: that waits for a writer):
// Readable only for a plain file of at most `maxSize` bytes. A dangling link counts as absent.
Found examine(const QString &path, qint64 maxSize, Identity &identity);

// Reads the whole file; Unreadable when it is not a plain file of at most `maxSize` bytes. A
// file of the user's that others may read is closed to them first: its passwords are the user's
// alone. `identity` is that of the file read.
Found read(const QString &path, qint64 maxSize, Identity &identity, QByteArray &contents);

// Whether the file belongs to the user running the program.
bool ownedByUser(const Identity &identity);

// Writes `contents` beside the file and renames it over the file in one step, readable and
// writable by its owner only (a link is followed to its target). Every byte reaches the disk
// before it reports success: a short write, or one that cannot be pushed out or committed, is a
// failure, and the new file is thrown away unused while the old one stays as it was.
bool replace(const QString &path, const QByteArray &contents);

} // namespace PrivateFile
