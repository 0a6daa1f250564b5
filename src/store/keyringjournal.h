#pragma once

#include "store/settingsfile.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the program notes in its settings file while it changes the passwords in the keyring, so
// that a program killed at any moment finishes the change at its next start: a move between the
// store and the keyring not yet ended, the IDs whose values may still hold two lists, and the
// keys under which the keyring may hold a value of the program's.
class KeyringJournal
{
public:
    // A move of the passwords begun and not yet ended: towards the keyring (true) or the store.
    std::optional<bool> unfinishedMove() const;
    // Notes a move begun (or, with none, that no move is under way). `storeMoved` is the account
    // store's stamp as the move read it (empty where the store gives no lasting stamp): until
    // the store is written again, it holds exactly the passwords the move took.
    bool setUnfinishedMove(std::optional<bool> toKeyring, const QString &storeMoved = QString());
    // The store's stamp noted with the move.
    QString storeMoved() const;

    // The IDs whose values in the keyring may still hold the lists from before and after a
    // change of the accounts.
    QStringList unsettledIds() const;
    bool setUnsettledIds(const QStringList &ids);

    // The keys under which the keyring may hold a value of the program's: each is noted before
    // its value is written (and taken off again when the write fails), and taken off once its
    // value is removed. The keyring cannot be asked for its keys, so a value whose ID has left
    // the list (by a hand edit of the store) is found here.
    QStringList keptKeys() const;
    bool setKeptKeys(const QStringList &keys);
    // Notes the keys not noted yet; false when the file did not take them.
    bool noteKeys(const QStringList &keys);
    // Takes the keys off the notes, as far as the file takes it (the next start removes their
    // values again otherwise).
    void forgetKeys(const QStringList &keys);

private:
    SettingsFile m_file;
};
