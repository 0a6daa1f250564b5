#pragma once

#include <QString>

// Before each account had a profile of its own, the program kept one profile for every login, in
// the engine's profile and cache folders themselves, which are the guest's now: after an update
// that profile, logged in as the account last logged in, would be the guest's.
enum class SharedProfile {
    // The guest's folder holds no profile, or it could not be moved now: nothing is decided.
    None,
    // What it held now is the account's, and the guest starts empty.
    GivenToAccount,
    // It stays the guest's: no account given, or the account has a profile of its own already.
    LeftToGuest,
};

// Moves what the guest's folders hold into the account's folders (AccountProfile), so that the
// login stays where it was, unless the account (empty: none) has a profile of its own already.
SharedProfile adoptSharedProfile(const QString &storageRoot, const QString &cacheRoot, const QString &account);
