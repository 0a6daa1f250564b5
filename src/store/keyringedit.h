#pragma once

#include "store/accountlist.h"
#include "store/keyringvalues.h"
#include "store/passwordplan.h"
#include "store/passwordproblem.h"

#include <QObject>

class Accounts;
class KeyringJournal;

// A change of the listed accounts while the keyring keeps the passwords, made in the steps
// PasswordPlan sets, so that a program killed at any moment leaves every password with its
// account. The changed IDs' lists are read first; the keyring is written only while the store
// still holds the list the change was worked out over, and the store's side of it is the store's
// one compare-and-write. A job of its own: it ends with exactly one `completed`.
class KeyringEdit : public QObject
{
    Q_OBJECT
public:
    struct Uses
    {
        Accounts &accounts;
        KeyringJournal &journal;
        KeyringValues &values;
    };
    KeyringEdit(Uses uses, ListChange change, QObject *parent = nullptr);

    void start();

signals:
    void completed(PasswordProblem problem);

private:
    // The changed IDs' lists, read with the mark (put back first when the keyring lost it: each
    // account without a password then says so on its own).
    void readLists();
    // Each changed ID's lists before and after the change, from every slot's password before it.
    void workOutValues(const ValuesById &values);
    // Each value as the change needs it before the store: both lists of an ID whose count
    // changes, the list after of one on the same slots; then the store; then each value keeps
    // the one list that pairs with the store.
    void writeValues();
    // The store's side, as one compare-and-write.
    PasswordProblem writeStore();
    void finish(PasswordProblem problem);

    Uses m_uses;
    const ListChange m_change;
    const PasswordPlan m_plan;
    // The store's side of the change: the slots of every changed ID keep no password in the
    // store, their values holding them.
    ListChange m_storeSide;
    // The values written before the store; and, of the IDs on the same slots, the values before
    // the change, written back should the store not take it.
    KeyringValues::Values m_valuesFirst;
    KeyringValues::Values m_valuesBeforeOfSameSlots;
    // The IDs whose values hold both lists while the change is under way.
    QStringList m_countChanging;
};
