#pragma once

#include "store/accountlist.h"
#include "store/callqueue.h"
#include "store/keyringvalues.h"
#include "store/passwordmove.h"
#include "store/passwordproblem.h"

#include <QObject>
#include <QString>

#include <functional>

class Accounts;
class Keyring;
class KeyringJournal;
class ProgramSettings;

// Where the accounts' passwords are kept, and every way to them: in the store beside their IDs
// (the store as it always was), or, when the user chose so, in the desktop's keyring, with the
// store's passwords left empty (KeyringValues: one value per ID, and a mark beside them).
//
// A password found in the store while the keyring keeps them was written there by hand: it is
// the user's newer word, used before the keyring's, and moved into the keyring by the next
// call that reads its slot. The keys that have values are noted in the journal, so that a value
// whose ID a hand edit removed goes at the next start.
//
// A change of the list is worked out over the list the command acted on, and the store takes
// it only while it still holds that list (Accounts::change): otherwise nothing is written, and
// the call answers ListChanged (or AccountChanged, when only the account it replaces was
// changed). While the keyring keeps the passwords, a change reaches the keyring and the store in
// the steps PasswordPlan sets (KeyringEdit), and a move between them notes itself first
// (PasswordMove), so that a program killed at any moment leaves every password with its
// account; the next start finishes what was left (resume()).
//
// Calls run one after another, in the order given; each answers exactly once through its
// callback, at once while the passwords are in the store and nothing else runs. A call has
// ended when it answers, so an answer may open a dialog that makes further calls.
class Passwords : public QObject
{
    Q_OBJECT
public:
    using Problem = PasswordProblem;
    using Fetched = std::function<void(Problem problem, const QString &password)>;
    using FetchedAll = std::function<void(Problem problem, const AccountList &seen, const QStringList &passwords)>;
    using Done = std::function<void(Problem problem)>;

    Passwords(Accounts &accounts, ProgramSettings &settings, KeyringJournal &journal, Keyring &keyring,
              QObject *parent = nullptr);
    ~Passwords() override;

    // Whether the passwords are kept in the keyring.
    bool inKeyring() const;

    // The password of the account in the slot, which must still hold `id`.
    void fetch(qint16 slot, const QString &id, Fetched done);
    // Every listed account's password, beside the accounts as the store holds them (`seen`, whose
    // passwords are empty while the keyring keeps them); an account without one has an empty
    // password.
    void fetchAll(FetchedAll done);
    // Stores an account in a listed slot of `seen`, or, for any slot past them, after them.
    void put(const AccountList &seen, qint16 slot, const QString &id, const QString &password, Done done);
    // Removes a listed account of `seen`; every one after it moves up a slot.
    void remove(const AccountList &seen, qint16 slot, Done done);
    // Exchanges two neighbouring listed accounts of `seen`, `slot` and `slot + 1`.
    void swapWithNext(const AccountList &seen, qint16 slot, Done done);
    // Takes in accounts from elsewhere (ListChange::takeIn), all of them in one change.
    void takeIn(const ListChange &change, Done done);
    // Moves every password into the keyring, or back into the store.
    void keepInKeyring(bool inKeyring, Done done);
    // Moves the passwords back into the store from a keyring that holds none of them (what
    // keepInKeyring(false) answers with KeyringHoldsNothing): each account keeps the password
    // the store holds, and those without one have none. A keyring that holds them by then gives
    // them back as keepInKeyring does.
    void keepInStoreDespiteLoss(Done done);
    // How many listed accounts have no password in the store: those that a move back from a
    // keyring holding nothing leaves without one.
    int passwordsMissingFromStore();
    // Finishes what an earlier run of the program left unfinished, and removes the values of
    // IDs that are no longer listed. Touches the keyring only when there is something to do.
    void resume(Done done);

private:
    void change(const ListChange &change, Done done);
    // Runs a job (KeyringEdit, PasswordMove) in the call's turn, which its end answers.
    template <typename Job>
    void run(Job *job, const CallQueue::Turn &turn, Done done);
    PasswordMove *moveJob(PasswordMove::Kind kind);
    // Moves the passwords written into the store by hand for the ID's slots of `seen` into its
    // value (`values` as read), then empties them in the store, as far as the keyring and the
    // store take it (what stays is taken by the next read); then `then`.
    void takeIntoKeyring(const AccountList &seen, const QString &id, const ValuesById &values,
                         std::function<void()> then);

    Accounts &m_accounts;
    ProgramSettings &m_settings;
    KeyringJournal &m_journal;
    KeyringValues m_values;
    CallQueue m_calls;
};
