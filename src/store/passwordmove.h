#pragma once

#include "store/accountlist.h"
#include "store/keyringvalues.h"
#include "store/passwordproblem.h"

#include <QObject>

class Accounts;
class KeyringJournal;
class ProgramSettings;

// A move of every password between the store and the keyring, or, at start, the finishing of
// what an earlier run of the program left unfinished. Nothing is lost on any failure: until the
// move is done, the passwords stay where they were and the choice as it was. The move is noted
// in the journal first, so that a program killed at any moment finishes it at its next start.
// A job of its own: it runs its steps and ends with exactly one `completed`.
//
// A password the store holds while the keyring keeps them was written there by hand: it is the
// user's newer word. So the store is emptied only of the passwords the keyring now holds; one
// written again while the move waited for the keyring stays, and the next read takes it in.
class PasswordMove : public QObject
{
    Q_OBJECT
public:
    struct Uses
    {
        Accounts &accounts;
        ProgramSettings &settings;
        KeyringJournal &journal;
        KeyringValues &values;
    };
    enum class Kind {
        IntoKeyring,
        IntoStore,
        // Back into the store from a keyring that holds none of the passwords (its mark gone):
        // each account keeps the password the store holds, and those without one have none.
        IntoStoreDespiteLoss,
        // What an earlier run left unfinished, then the values of IDs no longer listed.
        Resume,
    };
    PasswordMove(Uses uses, Kind kind, QObject *parent = nullptr);

    void start();

signals:
    void completed(PasswordProblem problem);

private:
    void move(bool toKeyring, KeyringValues::Unmarked unmarked);

    // Into the keyring: the mark and each ID's value, then the choice, then the store emptied.
    void writeValues();
    // Takes back what reached the keyring of a move that did not happen, the mark last.
    void takeValuesBack(PasswordProblem problem);
    void chooseKeyring();
    // What is left of a move into the keyring once the choice changed: emptying the store of
    // the passwords the keyring holds.
    void finishIntoKeyring();
    PasswordProblem emptyStore(const AccountList &seen, const QStringList &moved);

    // Back into the store: every password read, the store written, the choice, the values gone.
    void readValues(KeyringValues::Unmarked unmarked);
    void writeStore(const AccountList &seen, const QStringList &passwords);
    void removeValues();

    // The resume's steps: the values that may hold two lists, an unfinished move, then the
    // values of IDs no longer listed (every noted value, the mark last, while the store keeps
    // the passwords).
    void settle();
    void removeStaleValues();

    // A move's end: one that failed before the choice changed left everything where it was.
    void endMove(PasswordProblem problem);
    // The job's end, or, at start, the resume's last step.
    void afterMove(PasswordProblem problem);
    void finish(PasswordProblem problem);

    Uses m_uses;
    const Kind m_kind;
    bool m_toKeyring = false;
    // The accounts as the move read them.
    AccountList m_moved;
};
