#include "web/sharedprofile.h"

#include "platform/ownerfolder.h"
#include "web/accountprofile.h"

#include <QDir>
#include <QFileInfo>

namespace {

// What the engine keeps in the folder: everything but the accounts' own folders.
QStringList heldIn(const QString &root)
{
    QStringList names = QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.removeAll(QFileInfo(AccountProfile::accountsFolder(root)).fileName());
    return names;
}

// Moves what the root holds into the account's `folder` under it, by way of a folder beside that
// one which takes the folder's name only once everything is in it: a start killed half way
// leaves the account without a profile, and the next start goes on with the move. Renamed within
// the root: moved, never copied, so no second copy of the login stays.
bool moveInto(const QString &root, const QString &folder)
{
    const QString staging = folder + QStringLiteral(".moving");
    if (!makeOwnerOnlyFolder(AccountProfile::accountsFolder(root)) || !makeOwnerOnlyFolder(staging))
        return false;
    for (const QString &name : heldIn(root))
        QDir(root).rename(name, staging + QLatin1Char('/') + name);
    // What a move killed after the cache's own step left there.
    QDir(folder).removeRecursively();
    return QDir().rename(staging, folder);
}

} // namespace

SharedProfile adoptSharedProfile(const QString &storageRoot, const QString &cacheRoot, const QString &account)
{
    if (heldIn(storageRoot).isEmpty())
        return SharedProfile::None;
    if (account.isEmpty() || QFileInfo::exists(AccountProfile::folder(storageRoot, account)))
        return SharedProfile::LeftToGuest;
    // The profile's folder, which tells that the account has one, comes last.
    const bool moved = moveInto(cacheRoot, AccountProfile::folder(cacheRoot, account))
            && moveInto(storageRoot, AccountProfile::folder(storageRoot, account));
    return moved ? SharedProfile::GivenToAccount : SharedProfile::None;
}
