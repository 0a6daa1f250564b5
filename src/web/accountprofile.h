#pragma once

#include <QString>

// Where each account's engine profile keeps its files (its cookies above all): a folder of its
// own under the engine's profile folder, named by a digest of the ID, so that every ID gives a
// valid name of fixed length that no other ID shares. The guest's profile (an empty account) is
// the engine's profile folder itself.
namespace AccountProfile {

// The name of the account's folder; empty for the guest.
QString folderName(const QString &account);
// The account's folder under `root` (the engine's profile or cache folder).
QString folder(const QString &root, const QString &account);
// The folder under `root` that holds every account's folder.
QString accountsFolder(const QString &root);
// Removes the account's folders under the engine's profile and cache folders, with all they
// hold (never the guest's: those are the roots themselves).
void removeFolders(const QString &storageRoot, const QString &cacheRoot, const QString &account);

} // namespace AccountProfile
