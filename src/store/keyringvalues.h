#pragma once

#include "store/keyringlayout.h"
#include "store/passwordlists.h"
#include "store/passwordproblem.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class Keyring;
class KeyringJournal;

// The program's values in the keyring, laid out as KeyringLayout says: the mark, each ID's value,
// read, written and removed one after another. A locked keyring reads as an empty one: without
// the mark, a write tells a locked keyring (which refuses it) from one that holds nothing of
// this program's (made anew, emptied by hand, or another computer's).
//
// Every key is noted in the journal before its value is written, and taken off once the value
// is gone. Each call answers exactly once, unless this object is gone by then.
class KeyringValues : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(PasswordProblem problem)>;
    // Values to write, in order: each a key and its value.
    using Values = QList<std::pair<QString, QString>>;

    KeyringValues(Keyring &keyring, KeyringJournal &journal, const QString &application, QObject *parent = nullptr);

    const KeyringLayout &layout() const { return m_layout; }

    // Whether the mark is there, in a keyring found open (no problem).
    void readMark(std::function<void(PasswordProblem problem, bool marked)> done);
    // What a read does with a keyring that holds nothing of this program's: says so, puts the
    // mark back first (a change that writes the values anew), or reads on.
    enum class Unmarked { Report, Mark, Read };
    // The IDs' values, read after the mark (without it, they would be those of a locked keyring,
    // or of one that holds nothing of this program's).
    void read(const QStringList &ids, Unmarked unmarked,
              std::function<void(PasswordProblem problem, const ValuesById &values)> done);
    // Writes the values one after another, up to the first failure.
    void write(const Values &values, Done done);
    // Removes the values one after another, up to the first failure.
    void remove(const QStringList &keys, Done done);
    // Removes each of the values, past any failure, and tells none; the keys of those left stay
    // noted, so that the next start removes them.
    void tryRemoving(const QStringList &keys, std::function<void()> then);
    // Removes the values only once the keyring is known to be open: a locked one takes a
    // removal as done and removes nothing.
    void removeWhenOpen(const QStringList &keys, Done done);
    // Leaves each value the journal notes as unsettled with the one list that pairs with the
    // store (`listedIds` gives the store's IDs as they are when the values have been read).
    void settle(std::function<QStringList()> listedIds, Done done);

private:
    // `call` wrapped so that it does nothing once this object is gone: every answer of the
    // keyring comes through one of these.
    template <typename Call>
    auto guarded(Call call)
    {
        return [self = QPointer<KeyringValues>(this), call = std::move(call)](auto &&...args) {
            if (self)
                call(std::forward<decltype(args)>(args)...);
        };
    }
    // Makes `count` keyring calls one after another, each started when the one before has
    // answered, and ends with the first problem or, after the last call, with none.
    void oneAfterAnother(int count, std::function<void(int index, Done answered)> call, Done done);
    void readValues(const QStringList &ids, std::function<void(PasswordProblem, const ValuesById &)> done);

    Keyring &m_keyring;
    KeyringJournal &m_journal;
    const KeyringLayout m_layout;
};
