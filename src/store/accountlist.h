#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The listed accounts as the store holds them, a change of them as a command asks for it, and
// the one rule by which the store takes a change: only while it still holds what the command
// acted on. The store may be written by hand (or by a second copy of the program) while a
// command waits for its question, its dialog or the keyring, so a change is always worked out
// over the list the command saw, and made only if that list is still there.

// The listed accounts: each slot's ID, and the password the store holds beside it (empty while
// the keyring keeps the passwords, but for one written there by hand).
struct AccountList
{
    QStringList ids;
    QStringList passwords;

    int size() const { return int(ids.size()); }
    bool operator==(const AccountList &) const = default;
};

// The list as a store holds it, read slot after slot up to the first without an ID (at most
// `capacity` slots); `read` gives a value of the "ID" or "PW" section, none when there is none.
AccountList listedIn(const std::function<std::optional<QString>(const QString &section, const QString &key)> &read,
                     int capacity);

// A change of the listed accounts, worked out over the list a command acted on (`seen`): the
// list it leaves, each slot with its ID and its password: that of a slot seen, or one the change
// brings.
struct ListChange
{
    // The source of a slot that takes a password the change brings.
    static constexpr int kNewPassword = -1;

    AccountList seen;
    QStringList idsAfter;
    // For each slot after the change, the slot seen whose password it keeps, or kNewPassword.
    QList<int> sourcesAfter;
    // For each slot after the change, the password it takes where its source is kNewPassword.
    QStringList newPasswords;
    // Slots seen whose passwords the command read besides those it carries to a slot: shown in
    // its dialog, or taken into the keyring.
    QList<int> read;
    // Slots after the change whose password the store no longer keeps (the keyring holds it).
    QList<int> emptiedAfter;
    // False for a change out of the list's reach (no such slot, or past the last slot), which
    // the store never takes.
    bool inReach = true;

    // The account in a listed slot replaced, or, for a slot past them, one added after them
    // (out of reach once `slots` are listed).
    // Every slot as it is.
    static ListChange keep(const AccountList &seen);
    static ListChange put(const AccountList &seen, int slot, const QString &id, const QString &password, int slots);
    // A listed account removed; every one after it moves up a slot.
    static ListChange remove(const AccountList &seen, int slot);
    // Two neighbouring listed accounts, `slot` and `slot + 1`, exchanged.
    static ListChange swapWithNext(const AccountList &seen, int slot);
    // Every account keeps its ID and takes the password given for it, all those seen read (a
    // move of the passwords between the store and the keyring).
    static ListChange passwords(const AccountList &seen, const QStringList &passwords);
    // Accounts taken in from elsewhere: listed slots take new passwords (each slot's that the
    // change replaces read), and accounts are added after the listed ones (out of reach past
    // `capacity` accounts).
    static ListChange takeIn(const AccountList &seen, const QMap<int, QString> &newPasswords, const AccountList &added,
                             int capacity);

    // The list the change leaves.
    AccountList after() const;
    // The slots after the change that it writes: those whose ID or password differs from the
    // slot's seen, and those added.
    QList<int> writtenSlots() const;
};

// How a store's list differs from the one a change was worked out over.
enum class Staleness {
    // Not in anything the change depends on: the listed IDs in order, and the passwords it
    // reads or carries.
    None,
    // Only in slots the change gives a new account of their own: the account being replaced
    // was changed meanwhile.
    Account,
    // Otherwise: the accounts are no longer where the command saw them.
    List,
};
Staleness stalenessOf(const ListChange &change, const AccountList &stored);
