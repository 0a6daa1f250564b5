#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What a change of the listed accounts does to the lists of passwords the keyring keeps: one
// list for each ID, the passwords of the slots that hold the ID, in slot order.
//
// The change is given as the listed IDs before it and the list it leaves: each slot's ID, and
// the slot (before the change) whose password that slot keeps, or kTypedPassword for the
// password the change brings. The plan names each ID whose list changes, with its list before
// and after the change as the slots (before the change) whose passwords it holds, and says in
// which steps the change reaches the keyring and the store.
//
// The keyring and the store are written one after the other, and a program killed between two
// writes must still find every password with its account. Each changed ID's list is kept so on
// its own, in one of two ways:
// - An ID held by more or fewer slots after the change than before is written with both lists,
//   before and after; then the store changes; then its value keeps its list after. While a value
//   holds both, the store's count of slots holding its ID tells which list pairs with the store:
//   the list after when the count is its length, else the one before. (So an ID held by as many
//   slots after as before must never be written with both: it would read as changed before the
//   store has changed.)
// - An ID held by the same slots before and after is written with its list after alone, before
//   the store changes. The store's change is invisible to its list: in the store, those slots
//   hold the ID and no password either way. (Should the store not take the change, the list
//   before is written back.)
// So a program killed between the steps leaves each ID's accounts with the passwords they had
// before the change or with those it gives them, never with another account's. put, remove and
// swapWithNext of Passwords always keep to them: a slot given another ID changes the counts of
// both IDs, a slot added or removed changes its ID's count and no other ID's list, a new
// password or an exchange of two slots of one ID leaves each ID on its slots; accounts taken in
// from a file add IDs and give listed slots new passwords. A change whose lists keep to neither
// (moving an account past others, sorting, a removal and an exchange at once) is refused rather
// than made: Q_ASSERT would vanish from a release build, and the change would then pair
// passwords with other accounts if the program were killed between its steps.
struct PasswordPlan
{
    // The source of a slot that takes the password the change brings.
    static constexpr int kTypedPassword = -1;

    // In which steps the change reaches the keyring and the store.
    enum class Steps {
        // No ID's list changes: the store's change is the whole change.
        StoreOnly,
        // No count changes: each changed list is written, then the store changes.
        ListsAfterFirst,
        // Counts change: both lists of each ID whose count changes (each other changed ID's list
        // after), the store, then the lists after.
        BothListsFirst,
        // The change meets neither way above; nothing may be written.
        Refused,
    };

    // An ID whose list changes, as the slots before the change whose passwords make up its list
    // before it and after it (kTypedPassword for the password the change brings).
    struct ChangedList
    {
        QString id;
        QList<int> before;
        QList<int> after;

        // Whether the ID is held by more or fewer slots after the change: its value then holds
        // both lists while the change is under way.
        bool countChanges() const { return before.size() != after.size(); }
        bool operator==(const ChangedList &) const = default;
    };

    Steps steps = Steps::StoreOnly;
    QList<ChangedList> changedLists;

    // The IDs whose lists change, in the order of changedLists.
    QStringList changedIds() const;
};

// The plan of a change that leaves `idsAfter`, each slot's password taken from `sourcesAfter`.
PasswordPlan planPasswordChange(const QStringList &idsBefore, const QStringList &idsAfter,
                                const QList<int> &sourcesAfter);
