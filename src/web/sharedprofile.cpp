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

} // namespace

SharedProfile adoptSharedProfile(const QString &storageRoot, const QString &cacheRoot, const QString &account)
{
    if (heldIn(storageRoot).isEmpty())
        return SharedProfile::None;
    if (account.isEmpty() || QFileInfo::exists(AccountProfile::folder(storageRoot, account)))
        return SharedProfile::LeftToGuest;
    for (const QString &root : { storageRoot, cacheRoot }) {
        const QString folder = AccountProfile::folder(root, account);
        if (!makeOwnerOnlyFolder(AccountProfile::accountsFolder(root)) || !makeOwnerOnlyFolder(folder))
            break;
        // Renamed within the folder: moved, never copied, so no second copy of the login stays.
        for (const QString &name : heldIn(root))
            QDir(root).rename(name, folder + QLatin1Char('/') + name);
    }
    return SharedProfile::GivenToAccount;
}
