#include "store/passwords.h"

#include "platform/keyring.h"
#include "store/accounts.h"
#include "store/keyringlayout.h"
#include "store/passwordplan.h"
#include "store/programsettings.h"

#include <QHash>

#include <algorithm>
#include <memory>

namespace {

using Problem = Passwords::Problem;

Problem problemOf(Keyring::Failure failure)
{
    switch (failure) {
    case Keyring::Failure::None:
    case Keyring::Failure::NotFound:
        return Problem::None;
    case Keyring::Failure::Unavailable:
        return Problem::KeyringUnavailable;
    case Keyring::Failure::Locked:
        return Problem::KeyringLocked;
    case Keyring::Failure::Refused:
        break;
    }
    return Problem::KeyringRefused;
}

using Answered = std::function<void(Problem)>;

// Makes `count` calls one after another, each started when the one before has answered, and
// ends with the first problem or, after the last call, with none.
void oneAfterAnother(int count, std::function<void(int index, Answered answered)> call, Answered done)
{
    struct Sequence : std::enable_shared_from_this<Sequence>
    {
        int count = 0;
        int index = 0;
        std::function<void(int, Answered)> call;
        Answered done;

        void next()
        {
            if (index == count)
                return done(Problem::None);
            call(index, [sequence = shared_from_this()](Problem problem) {
                if (problem != Problem::None)
                    return sequence->done(problem);
                ++sequence->index;
                sequence->next();
            });
        }
    };
    auto sequence = std::make_shared<Sequence>();
    sequence->count = count;
    sequence->call = std::move(call);
    sequence->done = std::move(done);
    sequence->next();
}

QStringList distinct(QStringList ids)
{
    ids.removeDuplicates();
    return ids;
}

} // namespace

// A change of the listed accounts: the IDs it leaves, where each slot's password comes from (a
// slot before the change, or PasswordPlan::kTypedPassword for `typedPassword`), and the store's
// side of it, which writes the password it is given (`typedPassword` while the store keeps
// them, none while the keyring does). A change out of the list's reach is only the store's,
// which refuses it.
struct Passwords::Edit
{
    bool inReach;
    QStringList idsAfter;
    QList<int> sourcesAfter;
    QString typedPassword;
    std::function<bool(const QString &password)> writeStore;
};

Passwords::Passwords(Accounts &accounts, ProgramSettings &settings, Keyring &keyring, QObject *parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_settings(settings)
    , m_keyring(keyring)
    , m_layout(accounts.application())
{
}

Passwords::~Passwords() = default;

bool Passwords::inKeyring() const
{
    return m_settings.passwordsInKeyring();
}

void Passwords::enqueue(Task task)
{
    m_tasks.push_back(std::move(task));
    if (!m_running)
        runNext();
}

void Passwords::runNext()
{
    if (m_tasks.empty())
        return;
    m_running = true;
    Task task = std::move(m_tasks.front());
    m_tasks.pop_front();
    // A task that ends at once runs the next one from here; one that waits for the keyring
    // does so when it ends.
    auto ended = std::make_shared<bool>(false);
    QPointer<Passwords> self(this);
    task([self, ended] {
        if (!self || *ended)
            return;
        *ended = true;
        self->m_running = false;
        self->runNext();
    });
}

int Passwords::slotCountOf(const QString &id) const
{
    int count = 0;
    for (qint16 slot = 0; slot < m_accounts.count(); ++slot)
        count += m_accounts.id(slot) == id ? 1 : 0;
    return count;
}

int Passwords::placeAmongSameId(int slot) const
{
    const QString id = m_accounts.id(qint16(slot));
    int place = 0;
    for (qint16 before = 0; before < slot; ++before)
        place += m_accounts.id(before) == id ? 1 : 0;
    return place;
}

QStringList Passwords::storedPasswords() const
{
    QStringList passwords;
    for (qint16 slot = 0; slot < m_accounts.count(); ++slot)
        passwords.append(m_accounts.password(slot));
    return passwords;
}

QStringList Passwords::passwordsFound(const QStringList &ids, const ListsById &lists) const
{
    QHash<QString, int> places;
    QStringList passwords;
    for (int slot = 0; slot < ids.size(); ++slot) {
        const int place = places[ids[slot]]++;
        const QString stored = m_accounts.password(qint16(slot));
        passwords.append(stored.isEmpty() ? lists.value(ids[slot]).value(place) : stored);
    }
    return passwords;
}

QStringList Passwords::listedIds() const
{
    return m_accounts.ids();
}

void Passwords::readMark(std::function<void(Problem, bool)> done)
{
    QPointer<Passwords> self(this);
    m_keyring.read(m_layout.markKey(), [self, done](Keyring::Failure failure, const QString &) {
        if (!self)
            return;
        if (failure != Keyring::Failure::NotFound)
            return done(problemOf(failure), failure == Keyring::Failure::None);
        // A locked keyring answers every read as if nothing were kept; it refuses a write. A
        // write may also unlock it (through the desktop's prompt), so the mark is read again.
        const QString probe = self->m_layout.probeKey();
        self->m_keyring.write(probe, KeyringLayout::probeValue(), [self, done, probe](Keyring::Failure failure) {
            if (!self)
                return;
            if (failure != Keyring::Failure::None)
                return done(problemOf(failure), false);
            self->m_keyring.remove(probe, [self, done](Keyring::Failure) {
                if (!self)
                    return;
                self->m_keyring.read(self->m_layout.markKey(), [done](Keyring::Failure failure, const QString &) {
                    done(problemOf(failure), failure == Keyring::Failure::None);
                });
            });
        });
    });
}

void Passwords::readLists(const QStringList &ids, Unmarked unmarked, ListsRead done)
{
    QPointer<Passwords> self(this);
    // The mark comes first: without it, the values read would be those of a locked keyring,
    // or of one that holds nothing of this program's.
    readMark([self, ids, unmarked, done](Problem problem, bool marked) {
        if (!self)
            return;
        if (problem != Problem::None)
            return done(problem, {});
        if (marked || unmarked == Unmarked::Read)
            return self->readValuesOf(ids, done);
        if (unmarked == Unmarked::Report)
            return done(Problem::KeyringHoldsNothing, {});
        const Values mark{ { self->m_layout.markKey(), KeyringLayout::markValue() } };
        self->writeValues(mark, [self, ids, done](Problem problem) {
            if (!self)
                return;
            if (problem != Problem::None)
                return done(problem, {});
            self->readValuesOf(ids, done);
        });
    });
}

void Passwords::readValuesOf(const QStringList &ids, ListsRead done)
{
    auto lists = std::make_shared<ListsById>();
    QPointer<Passwords> self(this);
    oneAfterAnother(
            int(ids.size()),
            [self, ids, lists](int index, Answered answered) {
                if (!self)
                    return;
                const QString id = ids[index];
                const QString key = self->m_layout.keyOf(id);
                self->m_keyring.read(key, [self, id, lists, answered](Keyring::Failure failure, const QString &value) {
                    if (!self)
                        return;
                    if (failure == Keyring::Failure::None)
                        lists->insert(id, KeyringLayout::listPairedWithStore(value, self->slotCountOf(id)));
                    else
                        lists->insert(id, QStringList());
                    answered(problemOf(failure));
                });
            },
            [lists, done](Problem problem) { done(problem, problem == Problem::None ? *lists : ListsById()); });
}

void Passwords::writeValues(const Values &values, Done done)
{
    // Every key is noted before its value is written; those whose write failed, or never came,
    // are taken off again.
    const QStringList notedBefore = m_settings.keptKeys();
    QStringList noted = notedBefore;
    for (const auto &value : values) {
        if (!noted.contains(value.first))
            noted.append(value.first);
    }
    if (noted.size() != notedBefore.size() && !m_settings.setKeptKeys(noted))
        return done(Problem::NotStored);
    QPointer<Passwords> self(this);
    auto written = std::make_shared<int>(0);
    oneAfterAnother(
            int(values.size()),
            [self, values, written](int index, Answered answered) {
                if (!self)
                    return;
                self->m_keyring.write(values[index].first, values[index].second,
                                      [answered, written](Keyring::Failure failure) {
                                          *written += failure == Keyring::Failure::None ? 1 : 0;
                                          answered(problemOf(failure));
                                      });
            },
            [self, values, notedBefore, written, done](Problem problem) {
                if (!self)
                    return;
                if (problem != Problem::None) {
                    QStringList noted = self->m_settings.keptKeys();
                    for (qsizetype index = *written; index < values.size(); ++index) {
                        if (!notedBefore.contains(values[index].first))
                            noted.removeAll(values[index].first);
                    }
                    self->m_settings.setKeptKeys(noted);
                }
                done(problem);
            });
}

void Passwords::removeValues(const QStringList &keys, Done done)
{
    QPointer<Passwords> self(this);
    auto removed = std::make_shared<int>(0);
    oneAfterAnother(
            int(keys.size()),
            [self, keys, removed](int index, Answered answered) {
                if (!self)
                    return;
                self->m_keyring.remove(keys[index], [answered, removed](Keyring::Failure failure) {
                    *removed += failure == Keyring::Failure::None ? 1 : 0;
                    answered(problemOf(failure));
                });
            },
            [self, keys, removed, done](Problem problem) {
                if (!self)
                    return;
                // The keys of the values removed, up to the first failure, are no longer noted (a
                // failure to write that is no problem: the next start removes them again).
                QStringList noted = self->m_settings.keptKeys();
                const qsizetype notedBefore = noted.size();
                for (int index = 0; index < *removed; ++index)
                    noted.removeAll(keys[index]);
                if (noted.size() != notedBefore)
                    self->m_settings.setKeptKeys(noted);
                done(problem);
            });
}

void Passwords::tryRemovingValues(const QStringList &keys, std::function<void()> then)
{
    QPointer<Passwords> self(this);
    oneAfterAnother(
            int(keys.size()),
            [self, keys](int index, Answered answered) {
                if (!self)
                    return;
                self->m_keyring.remove(keys[index], [answered](Keyring::Failure) { answered(Problem::None); });
            },
            [self, then](Problem) {
                if (self)
                    then();
            });
}

void Passwords::removeWhenOpen(const QStringList &keys, Done done)
{
    QPointer<Passwords> self(this);
    readMark([self, keys, done](Problem problem, bool) {
        if (!self)
            return;
        if (problem != Problem::None)
            return done(problem);
        self->removeValues(keys, done);
    });
}

void Passwords::fetch(qint16 slot, const QString &id, Fetched done)
{
    enqueue([this, slot, id, done](std::function<void()> endTurn) { fetchNow(slot, id, done, endTurn); });
}

void Passwords::fetchNow(qint16 slot, const QString &id, Fetched done, std::function<void()> endTurn)
{
    m_accounts.refresh();
    if (slot < 0 || slot >= m_accounts.count() || m_accounts.id(slot) != id) {
        endTurn();
        done(Problem::NotFound, QString());
        return;
    }
    const QString storedPassword = m_accounts.password(slot);
    if (!inKeyring()) {
        endTurn();
        done(storedPassword.isEmpty() ? Problem::NotFound : Problem::None, storedPassword);
        return;
    }
    const int place = placeAmongSameId(slot);
    const QStringList listed = listedIds();
    QPointer<Passwords> self(this);
    readLists({ id }, Unmarked::Report,
              [self, id, listed, storedPassword, place, done, endTurn](Problem problem, const ListsById &lists) {
        if (!self)
            return;
        if (!storedPassword.isEmpty()) {
            // A password written into the store by hand is the user's newer word: it is the
            // one used, and it moves into the keyring when the keyring takes it.
            auto answer = [done, endTurn, storedPassword] {
                endTurn();
                done(Problem::None, storedPassword);
            };
            if (problem != Problem::None)
                return answer();
            return self->takeIntoKeyring(id, listed, lists.value(id), answer);
        }
        QString password;
        if (problem == Problem::None) {
            password = lists.value(id).value(place);
            if (password.isEmpty())
                problem = Problem::NotFound;
        }
        endTurn();
        done(problem, password);
    });
}

void Passwords::takeIntoKeyring(const QString &id, const QStringList &listed, QStringList listRead,
                                std::function<void()> then)
{
    // The accounts must still be those the list was read for.
    m_accounts.refresh();
    if (listedIds() != listed)
        return then();
    const QStringList storedBefore = storedPasswords();
    int place = 0;
    for (int slot = 0; slot < listed.size(); ++slot) {
        if (listed[slot] != id)
            continue;
        while (listRead.size() <= place)
            listRead.append(QString());
        if (!storedBefore[slot].isEmpty())
            listRead[place] = storedBefore[slot];
        ++place;
    }
    // The value first, then the store: a kill between leaves the same password in both.
    QPointer<Passwords> self(this);
    const Values value{ { m_layout.keyOf(id), KeyringLayout::valueOf(listRead) } };
    writeValues(value, [self, id, listed, storedBefore, then](Problem problem) {
        if (!self)
            return;
        // A store written again meanwhile keeps what it holds; the next read takes it.
        self->m_accounts.refresh();
        if (problem == Problem::None && self->listedIds() == listed && self->storedPasswords() == storedBefore)
            self->emptyStoredPasswords({ id });
        then();
    });
}

void Passwords::emptyStoredPasswords(const QStringList &ids)
{
    const QStringList listed = listedIds();
    QStringList passwords = storedPasswords();
    bool emptied = false;
    for (int slot = 0; slot < listed.size(); ++slot) {
        if (ids.contains(listed[slot]) && !passwords[slot].isEmpty()) {
            passwords[slot].clear();
            emptied = true;
        }
    }
    // As far as the store takes it: a password left there is the same word as the keyring's.
    if (emptied)
        m_accounts.setPasswords(listed, passwords);
}

void Passwords::put(qint16 slot, const QString &id, const QString &password, Done done)
{
    enqueue([this, slot, id, password, done](std::function<void()> endTurn) {
        m_accounts.refresh();
        const int count = m_accounts.count();
        const int target = slot >= 0 && slot < count ? slot : count;
        Edit edit{ slot >= 0 && target < AccountTable::kSlots, listedIds(), unchangedSources(count), password,
                   [this, slot, id](const QString &password) { return m_accounts.put(slot, id, password); } };
        if (target < count) {
            edit.idsAfter[target] = id;
            edit.sourcesAfter[target] = PasswordPlan::kTypedPassword;
        } else {
            edit.idsAfter.append(id);
            edit.sourcesAfter.append(PasswordPlan::kTypedPassword);
        }
        editNow(std::move(edit), done, endTurn);
    });
}

void Passwords::remove(qint16 slot, Done done)
{
    enqueue([this, slot, done](std::function<void()> endTurn) {
        Edit edit{ slot >= 0 && slot < m_accounts.count(), listedIds(), unchangedSources(m_accounts.count()), QString(),
                   [this, slot](const QString &) { return m_accounts.remove(slot); } };
        if (edit.inReach) {
            edit.idsAfter.removeAt(slot);
            edit.sourcesAfter.removeAt(slot);
        }
        editNow(std::move(edit), done, endTurn);
    });
}

void Passwords::swapWithNext(qint16 slot, Done done)
{
    enqueue([this, slot, done](std::function<void()> endTurn) {
        Edit edit{ slot >= 0 && slot + 1 < m_accounts.count(), listedIds(), unchangedSources(m_accounts.count()),
                   QString(), [this, slot](const QString &) { return m_accounts.swapWithNext(slot); } };
        if (edit.inReach) {
            edit.idsAfter.swapItemsAt(slot, slot + 1);
            edit.sourcesAfter.swapItemsAt(slot, slot + 1);
        }
        editNow(std::move(edit), done, endTurn);
    });
}

void Passwords::editNow(Edit edit, Done done, std::function<void()> endTurn)
{
    // While the store keeps the passwords, its change is the whole change.
    if (!edit.inReach || !inKeyring()) {
        const Problem answer = edit.writeStore(edit.typedPassword) ? Problem::None : Problem::NotStored;
        endTurn();
        done(answer);
        return;
    }
    const QStringList idsBefore = listedIds();
    const PasswordPlan plan = planPasswordChange(idsBefore, edit.idsAfter, edit.sourcesAfter);
    if (plan.steps == PasswordPlan::Steps::Refused) {
        // A kill between its steps could pair passwords with other accounts: nothing is
        // written, and the change is reported as one the store did not take.
        endTurn();
        done(Problem::NotStored);
        return;
    }
    if (plan.steps == PasswordPlan::Steps::StoreOnly) {
        const Problem answer = edit.writeStore(QString()) ? Problem::None : Problem::NotStored;
        endTurn();
        done(answer);
        return;
    }
    const QStringList changedIds = plan.changedIds();
    QPointer<Passwords> self(this);
    // A keyring that holds nothing of this program's gets the mark back: each account without a
    // password then says so on its own.
    readLists(changedIds, Unmarked::Mark,
              [self, edit, idsBefore, plan, changedIds, done, endTurn](Problem problem, const ListsById &lists) {
        if (!self)
            return;
        if (problem == Problem::None) {
            // The accounts must still be those the change was worked out for: the store may
            // have been written by hand while the keyring was read (its unlock prompt waits for
            // the user).
            self->m_accounts.refresh();
            if (self->listedIds() != idsBefore)
                problem = Problem::NotStored;
        }
        if (problem != Problem::None) {
            endTurn();
            done(problem);
            return;
        }
        // Each slot's password before the change (one written into the store by hand first),
        // then each changed ID's list before and after it.
        const QStringList passwordsBefore = self->passwordsFound(idsBefore, lists);
        Values valuesWithBothLists;
        Values valuesAfter;
        for (const PasswordPlan::ChangedList &list : plan.changedLists) {
            const QStringList listBefore = passwordsFrom(list.before, passwordsBefore, edit.typedPassword);
            const QStringList listAfter = passwordsFrom(list.after, passwordsBefore, edit.typedPassword);
            const QString key = self->m_layout.keyOf(list.id);
            valuesWithBothLists.append({ key, KeyringLayout::valueDuringChange(listAfter, listBefore) });
            valuesAfter.append({ key, KeyringLayout::valueOf(listAfter) });
        }
        if (plan.steps == PasswordPlan::Steps::ListsAfterFirst) {
            // The same slots hold each ID: the keyring's value alone makes the change.
            self->writeValues(valuesAfter, [self, edit, changedIds, done, endTurn](Problem problem) {
                if (problem == Problem::None && self) {
                    if (edit.writeStore(QString()))
                        self->emptyStoredPasswords(changedIds);
                    else
                        problem = Problem::NotStored;
                }
                endTurn();
                done(problem);
            });
            return;
        }
        if (!self->m_settings.setUnsettledIds(distinct(self->m_settings.unsettledIds() + changedIds))) {
            endTurn();
            done(Problem::NotStored);
            return;
        }
        self->writeValues(valuesWithBothLists, [self, edit, idsBefore, changedIds, done, endTurn](Problem problem) {
            if (!self)
                return;
            if (problem == Problem::None) {
                // The accounts must still be those the change was worked out for.
                self->m_accounts.refresh();
                if (self->listedIds() != idsBefore || !edit.writeStore(QString()))
                    problem = Problem::NotStored;
                else
                    self->emptyStoredPasswords(changedIds);
            }
            // Either way, each value keeps the one list that pairs with the store now.
            self->settleValues([done, endTurn, problem](Problem) {
                endTurn();
                done(problem);
            });
        });
    });
}

void Passwords::settleValues(Done done)
{
    const QStringList unsettled = m_settings.unsettledIds();
    if (unsettled.isEmpty()) {
        done(Problem::None);
        return;
    }
    // Back in the store, the keyring's values are no longer read; the move that brought them
    // back removes them.
    if (!inKeyring()) {
        done(m_settings.setUnsettledIds({}) ? Problem::None : Problem::NotStored);
        return;
    }
    m_accounts.refresh();
    QPointer<Passwords> self(this);
    readLists(unsettled, Unmarked::Report, [self, unsettled, done](Problem problem, const ListsById &lists) {
        if (!self)
            return;
        // A keyring that holds nothing of this program's has no value left to settle.
        if (problem == Problem::KeyringHoldsNothing)
            problem = self->m_settings.setUnsettledIds({}) ? Problem::None : Problem::NotStored;
        if (problem != Problem::None || lists.isEmpty()) {
            done(problem);
            return;
        }
        Values valuesAfter;
        QStringList keysOfEmptyLists;
        for (const QString &id : unsettled) {
            const QStringList list = lists.value(id);
            if (list.isEmpty())
                keysOfEmptyLists.append(self->m_layout.keyOf(id));
            else
                valuesAfter.append({ self->m_layout.keyOf(id), KeyringLayout::valueOf(list) });
        }
        self->writeValues(valuesAfter, [self, keysOfEmptyLists, done](Problem problem) {
            if (!self)
                return;
            if (problem != Problem::None) {
                done(problem);
                return;
            }
            self->removeValues(keysOfEmptyLists, [self, done](Problem problem) {
                if (!self)
                    return;
                if (problem == Problem::None && !self->m_settings.setUnsettledIds({}))
                    problem = Problem::NotStored;
                done(problem);
            });
        });
    });
}

void Passwords::keepInKeyring(bool inKeyring, Done done)
{
    enqueue([this, inKeyring, done](std::function<void()> endTurn) {
        if (inKeyring == this->inKeyring() && !m_settings.unfinishedMove()) {
            endTurn();
            done(Problem::None);
            return;
        }
        moveNow(inKeyring, Unmarked::Report, done, endTurn);
    });
}

void Passwords::keepInStoreDespiteLoss(Done done)
{
    enqueue([this, done](std::function<void()> endTurn) {
        if (!inKeyring() && !m_settings.unfinishedMove()) {
            endTurn();
            done(Problem::None);
            return;
        }
        moveNow(false, Unmarked::Read, done, endTurn);
    });
}

int Passwords::passwordsMissingFromStore()
{
    m_accounts.refresh();
    return int(storedPasswords().count(QString()));
}

void Passwords::resume(Done done)
{
    enqueue([this, done](std::function<void()> endTurn) {
        QPointer<Passwords> self(this);
        // Last, once nothing is left unfinished, the values of IDs no longer listed go.
        auto removeStaleValuesLast = [self, done, endTurn](Problem problem) {
            if (!self)
                return;
            if (problem != Problem::None || self->m_settings.unfinishedMove()) {
                endTurn();
                done(problem);
                return;
            }
            self->removeStaleValues([done, endTurn](Problem problem) {
                endTurn();
                done(problem);
            });
        };
        settleValues([self, removeStaleValuesLast](Problem problem) {
            if (!self)
                return;
            const std::optional<bool> unfinishedMove = self->m_settings.unfinishedMove();
            if (problem != Problem::None || !unfinishedMove)
                return removeStaleValuesLast(problem);
            self->moveNow(*unfinishedMove, Unmarked::Report, removeStaleValuesLast, [] {});
        });
    });
}

void Passwords::removeStaleValues(Done done)
{
    m_accounts.refresh();
    const QStringList listed = distinct(listedIds());
    const QStringList noted = m_settings.keptKeys();
    // Earlier editions of the program noted no key: in the keyring, the mark and each listed
    // ID's value may be there.
    if (inKeyring() && noted.isEmpty()) {
        QStringList keys{ m_layout.markKey() };
        for (const QString &id : listed)
            keys.append(m_layout.keyOf(id));
        return done(m_settings.setKeptKeys(keys) ? Problem::None : Problem::NotStored);
    }
    // While the keyring keeps the passwords, the values of IDs no longer listed; else every
    // value, and the mark last.
    QStringList stale;
    for (const QString &key : noted) {
        const QString id = m_layout.idOfKey(key);
        if (!inKeyring() ? key != m_layout.markKey() : !id.isEmpty() && !listed.contains(id))
            stale.append(key);
    }
    if (!inKeyring() && noted.contains(m_layout.markKey()))
        stale.append(m_layout.markKey());
    // On most starts nothing differs, and the keyring is not touched.
    if (stale.isEmpty())
        return done(Problem::None);
    removeWhenOpen(stale, done);
}

void Passwords::moveNow(bool toKeyring, Unmarked unmarked, Done done, std::function<void()> endTurn)
{
    auto answer = [this, toKeyring, done, endTurn](Problem problem) {
        // A move that failed before the choice changed left everything where it was: there is
        // nothing to finish.
        if (problem != Problem::None && inKeyring() != toKeyring)
            m_settings.setUnfinishedMove(std::nullopt);
        endTurn();
        done(problem);
    };
    if (!m_settings.setUnfinishedMove(toKeyring))
        return answer(Problem::NotStored);
    m_accounts.refresh();
    const QStringList listed = listedIds();
    const QStringList inStore = storedPasswords();
    if (!inKeyring()) {
        if (toKeyring)
            return moveIntoKeyring(listed, inStore, answer);
        return moveIntoStore(listed, inStore, answer);
    }
    if (toKeyring) {
        // The choice changed only once every value was in the keyring: what is left of the move
        // is emptying the store, which needs nothing from the keyring.
        if (!m_accounts.setPasswords(listed, QStringList(listed.size(), QString())))
            return answer(Problem::NotStored);
        m_settings.setUnfinishedMove(std::nullopt);
        return answer(Problem::None);
    }
    // A store that holds every password (the move's store write was done, or the user wrote
    // them there) needs nothing from the keyring to take them back.
    if (std::none_of(inStore.begin(), inStore.end(), [](const QString &password) { return password.isEmpty(); }))
        return moveIntoStore(listed, inStore, answer);
    QPointer<Passwords> self(this);
    readLists(distinct(listed), unmarked, [self, listed, answer](Problem problem, const ListsById &lists) {
        if (!self)
            return;
        if (problem != Problem::None)
            return answer(problem);
        self->moveIntoStore(listed, self->passwordsFound(listed, lists), answer);
    });
}

void Passwords::moveIntoKeyring(const QStringList &ids, const QStringList &passwords, const Done &answer)
{
    // The mark first, so that it is there whenever a value is.
    Values values{ { m_layout.markKey(), KeyringLayout::markValue() } };
    for (const QString &id : distinct(ids)) {
        QStringList listOfId;
        for (int slot = 0; slot < ids.size(); ++slot) {
            if (ids[slot] == id)
                listOfId.append(passwords[slot]);
        }
        values.append({ m_layout.keyOf(id), KeyringLayout::valueOf(listOfId) });
    }
    QPointer<Passwords> self(this);
    writeValues(values, [self, ids, values, answer](Problem problem) {
        if (!self)
            return;
        if (problem != Problem::None) {
            // What reached the keyring goes again, as far as it can, the mark last, before the
            // next call runs. Their keys stay noted: the next start removes what is left.
            QStringList keys;
            for (const auto &value : values)
                keys.prepend(value.first);
            return self->tryRemovingValues(keys, [answer, problem] { answer(problem); });
        }
        if (!self->m_settings.setPasswordsInKeyring(true))
            return answer(Problem::NotStored);
        emit self->placeChanged(true);
        if (!self->m_accounts.setPasswords(ids, QStringList(ids.size(), QString())))
            return answer(Problem::NotStored);
        self->m_settings.setUnfinishedMove(std::nullopt);
        answer(Problem::None);
    });
}

void Passwords::moveIntoStore(const QStringList &ids, const QStringList &passwords, const Done &answer)
{
    if (!m_accounts.setPasswords(ids, passwords))
        return answer(Problem::NotStored);
    if (inKeyring()) {
        if (!m_settings.setPasswordsInKeyring(false))
            return answer(Problem::NotStored);
        emit placeChanged(false);
    }
    // The passwords are back; the keyring's values go, the mark last, now or (when the keyring
    // would not let them go) at the next start.
    QStringList keys;
    for (const QString &id : distinct(ids + m_settings.unsettledIds()))
        keys.append(m_layout.keyOf(id));
    keys = distinct(keys + m_settings.keptKeys());
    keys.removeAll(m_layout.markKey());
    keys.append(m_layout.markKey());
    QPointer<Passwords> self(this);
    removeWhenOpen(keys, [self, answer](Problem problem) {
        if (!self)
            return;
        if (problem == Problem::None) {
            self->m_settings.setUnsettledIds({});
            self->m_settings.setUnfinishedMove(std::nullopt);
        }
        answer(Problem::None);
    });
}
