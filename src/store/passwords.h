#pragma once

#include "store/keyringlayout.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

class Accounts;
class Keyring;
class ProgramSettings;

// Where the accounts' passwords are kept, and every way to them: in the store beside their IDs
// (the store as it always was), or, when the user chose so, in the desktop's keyring, with the
// store's passwords left empty. How they lie in the keyring is KeyringLayout's: one value per
// ID, and a mark beside them. A locked keyring reads as an empty one: without the mark, a write
// tells a locked keyring (which refuses it) from one that holds nothing of this program's (made
// anew, emptied by hand, or another computer's).
//
// A password found in the store while the keyring keeps them was written there by hand: it is
// the user's newer word, used before the keyring's, and moved into the keyring by the next
// call that reads its slot. The keys that have values are noted in the program's settings, so
// that a value whose ID a hand edit removed goes at the next start.
//
// A change of the list reaches the keyring and the store in the steps PasswordPlan sets, so
// that a program killed at any moment leaves every password with its account. The IDs whose
// values may still hold two lists, and a move between store and keyring that has not ended, are
// noted in the program's settings first and finished at the next start (resume()).
//
// Calls run one after another, in the order given; each answers exactly once through its
// callback, at once while the passwords are in the store and nothing else runs. A call has
// ended when it answers, so an answer may open a dialog that makes further calls.
class Passwords : public QObject
{
    Q_OBJECT
public:
    // Why a call did not do what it was asked.
    enum class Problem {
        None,
        // No password for the account: neither in the keyring nor in the store, or the slot
        // no longer holds the ID asked for.
        NotFound,
        // There is no keyring to talk to.
        KeyringUnavailable,
        // The keyring stayed locked.
        KeyringLocked,
        // The keyring refused.
        KeyringRefused,
        // The keyring is open but holds none of the passwords: the mark is gone.
        KeyringHoldsNothing,
        // The store did not take the change (or the slot is out of reach, or the keyring's side
        // of the change could not be made safe against a kill: see PasswordPlan).
        NotStored,
    };
    using Fetched = std::function<void(Problem problem, const QString &password)>;
    using Done = std::function<void(Problem problem)>;

    Passwords(Accounts &accounts, ProgramSettings &settings, Keyring &keyring, QObject *parent = nullptr);
    ~Passwords() override;

    // Whether the passwords are kept in the keyring.
    bool inKeyring() const;

    // The password of the account in the slot, which must still hold `id`.
    void fetch(qint16 slot, const QString &id, Fetched done);
    // Stores an account in a listed slot, or, for any slot past them, in the first free one.
    void put(qint16 slot, const QString &id, const QString &password, Done done);
    // Removes a listed account; every one after it moves up a slot.
    void remove(qint16 slot, Done done);
    // Exchanges two neighbouring listed accounts, `slot` and `slot + 1`.
    void swapWithNext(qint16 slot, Done done);
    // Moves every password into the keyring, or back into the store. Nothing is lost on any
    // failure: until the move is done, the passwords stay where they were and the choice as it
    // was.
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

signals:
    // The passwords are now kept in the keyring, or in the store.
    void placeChanged(bool inKeyring);

private:
    // A call's work in the queue. It calls `endTurn` once it has ended, which lets the next one
    // run.
    using Task = std::function<void(std::function<void()> endTurn)>;
    // Values to write into the keyring, in order: each a key and its value.
    using Values = QList<std::pair<QString, QString>>;
    // The lists read from the keyring, each under its ID: the list that pairs with the store
    // (empty for an ID that has no value).
    using ListsById = QHash<QString, QStringList>;
    using ListsRead = std::function<void(Problem problem, const ListsById &lists)>;
    struct Edit;
    // What a read does with a keyring that holds nothing of this program's: says so, puts the
    // mark back first (a change that writes the values anew), or reads on.
    enum class Unmarked { Report, Mark, Read };

    void enqueue(Task task);
    void runNext();

    // How many listed slots hold the ID, and the place of a slot among them.
    int slotCountOf(const QString &id) const;
    int placeAmongSameId(int slot) const;
    QStringList listedIds() const;
    // The store's password of each listed slot.
    QStringList storedPasswords() const;
    // Each slot's password: the store's when it holds one (a password written there by hand is
    // the newer word), else the one at its place in its ID's list. A slot of an ID without a
    // list read has the store's.
    QStringList passwordsFound(const QStringList &ids, const ListsById &lists) const;

    // Asynchronous steps; each `done` (or `then`) runs once, unless this object is gone by then.
    // The mark is read first: `marked` tells whether it is there, in a keyring found open (no
    // problem). The IDs' lists are read after the mark, as `unmarked` says, or, by
    // readValuesOf(), without it. Values are written and removed by their keys one after
    // another, up to the first failure. A value's key is noted before the value is written, and
    // taken off once it is removed.
    void readMark(std::function<void(Problem problem, bool marked)> done);
    void readLists(const QStringList &ids, Unmarked unmarked, ListsRead done);
    void readValuesOf(const QStringList &ids, ListsRead done);
    void writeValues(const Values &values, Done done);
    void removeValues(const QStringList &keys, Done done);
    // Removes each of the values, past any failure, and tells none; their keys stay noted, so
    // that the next start removes what is left.
    void tryRemovingValues(const QStringList &keys, std::function<void()> then);
    // Removes the values only once the keyring is known to be open: a locked one takes a
    // removal as done and removes nothing.
    void removeWhenOpen(const QStringList &keys, Done done);

    void fetchNow(qint16 slot, const QString &id, Fetched done, std::function<void()> endTurn);
    // Moves the passwords written into the store by hand for the ID's slots into its value
    // (`listRead`, read for the accounts `listed`), then empties them in the store, as far as
    // the keyring and the store take it (what stays is taken by the next read); then `then`.
    void takeIntoKeyring(const QString &id, const QStringList &listed, QStringList listRead,
                         std::function<void()> then);
    // Empties the store's passwords of the slots that hold one of the IDs, whose values in the
    // keyring now hold them.
    void emptyStoredPasswords(const QStringList &ids);
    void editNow(Edit edit, Done done, std::function<void()> endTurn);
    // Leaves each value noted as unsettled with the one list that pairs with the store.
    void settleValues(Done done);
    void moveNow(bool toKeyring, Unmarked unmarked, Done done, std::function<void()> endTurn);
    // Removes the noted values of IDs that are no longer listed (every noted value, the mark
    // last, while the store keeps the passwords).
    void removeStaleValues(Done done);
    // A move's last steps, from every slot's password; `answer` gets the outcome.
    void moveIntoKeyring(const QStringList &ids, const QStringList &passwords, const Done &answer);
    void moveIntoStore(const QStringList &ids, const QStringList &passwords, const Done &answer);

    Accounts &m_accounts;
    ProgramSettings &m_settings;
    Keyring &m_keyring;
    const KeyringLayout m_layout;
    std::deque<Task> m_tasks;
    bool m_running = false;
};
