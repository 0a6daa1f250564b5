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
void inTurn(int count, std::function<void(int index, Answered answered)> call, Answered done)
{
    struct Turns : std::enable_shared_from_this<Turns>
    {
        int count = 0;
        int index = 0;
        std::function<void(int, Answered)> call;
        Answered done;

        void next()
        {
            if (index == count)
                return done(Problem::None);
            call(index, [turns = shared_from_this()](Problem problem) {
                if (problem != Problem::None)
                    return turns->done(problem);
                ++turns->index;
                turns->next();
            });
        }
    };
    auto turns = std::make_shared<Turns>();
    turns->count = count;
    turns->call = std::move(call);
    turns->done = std::move(done);
    turns->next();
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

int Passwords::slotsHolding(const QString &id) const
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

QStringList Passwords::passwordsFound(const QStringList &ids, const QStringList &idsRead,
                                      const QList<QStringList> &lists) const
{
    QHash<QString, int> places;
    QStringList passwords;
    for (int slot = 0; slot < ids.size(); ++slot) {
        const int place = places[ids[slot]]++;
        const QString stored = m_accounts.password(qint16(slot));
        const qsizetype read = idsRead.indexOf(ids[slot]);
        passwords.append(!stored.isEmpty() || read < 0 ? stored : lists[read].value(place));
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
        self->m_keyring.write(probe, KeyringLayout::probeValue(), [self, done](Keyring::Failure failure) {
            if (!self)
                return;
            if (failure != Keyring::Failure::None)
                return done(problemOf(failure), false);
            self->m_keyring.remove(self->m_layout.probeKey(), [self, done](Keyring::Failure) {
                if (!self)
                    return;
                self->m_keyring.read(self->m_layout.markKey(), [done](Keyring::Failure failure, const QString &) {
                    done(problemOf(failure), failure == Keyring::Failure::None);
                });
            });
        });
    });
}

void Passwords::readEntries(const QStringList &ids, Unmarked unmarked,
                            std::function<void(Problem, QList<QStringList>)> done)
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
            return self->readLists(ids, done);
        if (unmarked == Unmarked::Report)
            return done(Problem::KeyringHoldsNothing, {});
        const QList<std::pair<QString, QString>> mark{ { self->m_layout.markKey(), KeyringLayout::markValue() } };
        self->writeValues(mark, [self, ids, done](Problem problem) {
            if (!self)
                return;
            if (problem != Problem::None)
                return done(problem, {});
            self->readLists(ids, done);
        });
    });
}

void Passwords::readLists(const QStringList &ids, std::function<void(Problem, QList<QStringList>)> done)
{
    auto lists = std::make_shared<QList<QStringList>>();
    QPointer<Passwords> self(this);
    inTurn(
            int(ids.size()),
            [self, ids, lists](int index, Answered answered) {
                if (!self)
                    return;
                const QString id = ids[index];
                self->m_keyring.read(self->m_layout.keyOf(id), [self, id, lists, answered](Keyring::Failure failure,
                                                                                   const QString &value) {
                    if (!self)
                        return;
                    if (failure == Keyring::Failure::None)
                        lists->append(KeyringLayout::listPairedWithStore(value, self->slotsHolding(id)));
                    else
                        lists->append(QStringList());
                    answered(problemOf(failure));
                });
            },
            [lists, done](Problem problem) { done(problem, problem == Problem::None ? *lists : QList<QStringList>()); });
}

void Passwords::writeValues(const QList<std::pair<QString, QString>> &values, Done done)
{
    // Every key is noted before its value is written; those whose write failed, or never came,
    // are taken off again.
    const QStringList noted = m_settings.keptKeys();
    QStringList kept = noted;
    for (const auto &value : values) {
        if (!kept.contains(value.first))
            kept.append(value.first);
    }
    if (kept.size() != noted.size() && !m_settings.setKeptKeys(kept))
        return done(Problem::NotStored);
    QPointer<Passwords> self(this);
    auto written = std::make_shared<int>(0);
    inTurn(
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
            [self, values, noted, written, done](Problem problem) {
                if (!self)
                    return;
                if (problem != Problem::None) {
                    QStringList kept = self->m_settings.keptKeys();
                    for (qsizetype index = *written; index < values.size(); ++index) {
                        if (!noted.contains(values[index].first))
                            kept.removeAll(values[index].first);
                    }
                    self->m_settings.setKeptKeys(kept);
                }
                done(problem);
            });
}

void Passwords::removeValues(const QStringList &keys, bool pastFailures, Done done)
{
    QPointer<Passwords> self(this);
    auto removed = std::make_shared<int>(0);
    inTurn(
            int(keys.size()),
            [self, keys, pastFailures, removed](int index, Answered answered) {
                if (!self)
                    return;
                self->m_keyring.remove(keys[index], [answered, pastFailures, removed](Keyring::Failure failure) {
                    *removed += failure == Keyring::Failure::None ? 1 : 0;
                    answered(pastFailures ? Problem::None : problemOf(failure));
                });
            },
            [self, keys, pastFailures, removed, done](Problem problem) {
                if (!self)
                    return;
                // The keys of the values removed, up to the first failure, are no longer noted (a
                // failure to write that is no problem: the next start removes them again).
                QStringList kept = self->m_settings.keptKeys();
                const qsizetype noted = kept.size();
                for (int index = 0; !pastFailures && index < *removed; ++index)
                    kept.removeAll(keys[index]);
                if (kept.size() != noted)
                    self->m_settings.setKeptKeys(kept);
                done(problem);
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
        self->removeValues(keys, false, done);
    });
}

void Passwords::fetch(qint16 slot, const QString &id, Fetched done)
{
    enqueue([this, slot, id, done](std::function<void()> finished) {
        fetchNow(slot, id, done, finished);
    });
}

void Passwords::fetchNow(qint16 slot, const QString &id, Fetched done, std::function<void()> finished)
{
    m_accounts.refresh();
    if (slot < 0 || slot >= m_accounts.count() || m_accounts.id(slot) != id) {
        finished();
        done(Problem::NotFound, QString());
        return;
    }
    const QString stored = m_accounts.password(slot);
    if (!inKeyring()) {
        finished();
        done(stored.isEmpty() ? Problem::NotFound : Problem::None, stored);
        return;
    }
    const int place = placeAmongSameId(slot);
    const QStringList ids = listedIds();
    QPointer<Passwords> self(this);
    readEntries({ id }, Unmarked::Report, [self, id, ids, stored, place, done, finished](
                                                  Problem problem, const QList<QStringList> &lists) {
        if (!self)
            return;
        if (!stored.isEmpty()) {
            // A password written into the store by hand is the user's newer word: it is the
            // one used, and it moves into the keyring when the keyring takes it.
            auto answer = [done, finished, stored] {
                finished();
                done(Problem::None, stored);
            };
            if (problem != Problem::None)
                return answer();
            return self->takeIntoKeyring(id, ids, lists[0], answer);
        }
        QString password;
        if (problem == Problem::None) {
            password = lists[0].value(place);
            if (password.isEmpty())
                problem = Problem::NotFound;
        }
        finished();
        done(problem, password);
    });
}

void Passwords::takeIntoKeyring(const QString &id, const QStringList &ids, QStringList list,
                                std::function<void()> then)
{
    // The accounts must still be those the list was read for.
    m_accounts.refresh();
    if (listedIds() != ids)
        return then();
    const QStringList stored = storedPasswords();
    int place = 0;
    for (int slot = 0; slot < ids.size(); ++slot) {
        if (ids[slot] != id)
            continue;
        while (list.size() <= place)
            list.append(QString());
        if (!stored[slot].isEmpty())
            list[place] = stored[slot];
        ++place;
    }
    // The value first, then the store: a kill between leaves the same password in both.
    QPointer<Passwords> self(this);
    const QList<std::pair<QString, QString>> value{ { m_layout.keyOf(id), KeyringLayout::valueOf(list) } };
    writeValues(value, [self, id, ids, stored, then](Problem problem) {
        if (!self)
            return;
        // A store written again meanwhile keeps what it holds; the next read takes it.
        self->m_accounts.refresh();
        if (problem == Problem::None && self->listedIds() == ids && self->storedPasswords() == stored)
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
    enqueue([this, slot, id, password, done](std::function<void()> finished) {
        m_accounts.refresh();
        const int count = m_accounts.count();
        const int target = slot >= 0 && slot < count ? slot : count;
        Edit edit{ slot >= 0 && target < AccountTable::kSlots, listedIds(), unchangedSources(count), password,
                   [this, slot, id](const QString &stored) { return m_accounts.put(slot, id, stored); } };
        if (target < count) {
            edit.idsAfter[target] = id;
            edit.sourcesAfter[target] = PasswordPlan::kTypedPassword;
        } else {
            edit.idsAfter.append(id);
            edit.sourcesAfter.append(PasswordPlan::kTypedPassword);
        }
        editNow(std::move(edit), done, finished);
    });
}

void Passwords::remove(qint16 slot, Done done)
{
    enqueue([this, slot, done](std::function<void()> finished) {
        Edit edit{ slot >= 0 && slot < m_accounts.count(), listedIds(), unchangedSources(m_accounts.count()), QString(),
                   [this, slot](const QString &) { return m_accounts.remove(slot); } };
        if (edit.inReach) {
            edit.idsAfter.removeAt(slot);
            edit.sourcesAfter.removeAt(slot);
        }
        editNow(std::move(edit), done, finished);
    });
}

void Passwords::swapWithNext(qint16 slot, Done done)
{
    enqueue([this, slot, done](std::function<void()> finished) {
        Edit edit{ slot >= 0 && slot + 1 < m_accounts.count(), listedIds(), unchangedSources(m_accounts.count()),
                   QString(), [this, slot](const QString &) { return m_accounts.swapWithNext(slot); } };
        if (edit.inReach) {
            edit.idsAfter.swapItemsAt(slot, slot + 1);
            edit.sourcesAfter.swapItemsAt(slot, slot + 1);
        }
        editNow(std::move(edit), done, finished);
    });
}

void Passwords::editNow(Edit edit, Done done, std::function<void()> finished)
{
    // While the store keeps the passwords, its change is the whole change.
    if (!edit.inReach || !inKeyring()) {
        const Problem answer = edit.writeStore(edit.typedPassword) ? Problem::None : Problem::NotStored;
        finished();
        done(answer);
        return;
    }
    const QStringList idsBefore = listedIds();
    const PasswordPlan plan = planPasswordChange(idsBefore, edit.idsAfter, edit.sourcesAfter);
    if (plan.steps == PasswordPlan::Steps::Refused) {
        // A kill between its steps could pair passwords with other accounts: nothing is
        // written, and the change is reported as one the store did not take.
        finished();
        done(Problem::NotStored);
        return;
    }
    if (plan.steps == PasswordPlan::Steps::StoreOnly) {
        const Problem answer = edit.writeStore(QString()) ? Problem::None : Problem::NotStored;
        finished();
        done(answer);
        return;
    }
    const QStringList changedIds = plan.changedIds();
    QPointer<Passwords> self(this);
    // A keyring that holds nothing of this program's gets the mark back: each account without a
    // password then says so on its own.
    readEntries(changedIds, Unmarked::Mark, [self, edit, idsBefore, plan, changedIds, done, finished](
                                                    Problem problem, const QList<QStringList> &lists) {
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
            finished();
            done(problem);
            return;
        }
        // Each slot's password before the change (one written into the store by hand first),
        // then each changed ID's list before and after it.
        const QStringList passwordsBefore = self->passwordsFound(idsBefore, changedIds, lists);
        QList<std::pair<QString, QString>> valuesWithBothLists;
        QList<std::pair<QString, QString>> valuesAfter;
        for (const PasswordPlan::ChangedList &list : plan.changedLists) {
            const QStringList listBefore = passwordsFrom(list.before, passwordsBefore, edit.typedPassword);
            const QStringList listAfter = passwordsFrom(list.after, passwordsBefore, edit.typedPassword);
            const QString key = self->m_layout.keyOf(list.id);
            valuesWithBothLists.append({ key, KeyringLayout::valueDuringChange(listAfter, listBefore) });
            valuesAfter.append({ key, KeyringLayout::valueOf(listAfter) });
        }
        if (plan.steps == PasswordPlan::Steps::ListsAfterFirst) {
            // The same slots hold each ID: the keyring's value alone makes the change.
            self->writeValues(valuesAfter, [self, edit, changedIds, done, finished](Problem problem) {
                if (problem == Problem::None && self) {
                    if (edit.writeStore(QString()))
                        self->emptyStoredPasswords(changedIds);
                    else
                        problem = Problem::NotStored;
                }
                finished();
                done(problem);
            });
            return;
        }
        QStringList unsettled = self->m_settings.unsettledIds();
        unsettled = distinct(unsettled + changedIds);
        if (!self->m_settings.setUnsettledIds(unsettled)) {
            finished();
            done(Problem::NotStored);
            return;
        }
        self->writeValues(valuesWithBothLists, [self, edit, idsBefore, changedIds, done, finished](Problem problem) {
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
            self->finishPending([done, finished, problem](Problem) {
                finished();
                done(problem);
            });
        });
    });
}

void Passwords::finishPending(std::function<void(Problem)> done)
{
    const QStringList ids = m_settings.unsettledIds();
    if (ids.isEmpty()) {
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
    readEntries(ids, Unmarked::Report, [self, ids, done](Problem problem, const QList<QStringList> &lists) {
        if (!self)
            return;
        // A keyring that holds nothing of this program's has no value left to settle.
        if (problem == Problem::KeyringHoldsNothing)
            problem = self->m_settings.setUnsettledIds({}) ? Problem::None : Problem::NotStored;
        if (problem != Problem::None || lists.isEmpty()) {
            done(problem);
            return;
        }
        QList<std::pair<QString, QString>> settled;
        QStringList gone;
        for (int i = 0; i < ids.size(); ++i) {
            if (lists[i].isEmpty())
                gone.append(self->m_layout.keyOf(ids[i]));
            else
                settled.append({ self->m_layout.keyOf(ids[i]), KeyringLayout::valueOf(lists[i]) });
        }
        self->writeValues(settled, [self, gone, done](Problem problem) {
            if (!self)
                return;
            if (problem != Problem::None) {
                done(problem);
                return;
            }
            self->removeValues(gone, false, [self, done](Problem problem) {
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
    enqueue([this, inKeyring, done](std::function<void()> finished) {
        if (inKeyring == this->inKeyring() && !m_settings.unfinishedMove()) {
            finished();
            done(Problem::None);
            return;
        }
        moveNow(inKeyring, Unmarked::Report, done, finished);
    });
}

void Passwords::keepInStoreDespiteLoss(Done done)
{
    enqueue([this, done](std::function<void()> finished) {
        if (!inKeyring() && !m_settings.unfinishedMove()) {
            finished();
            done(Problem::None);
            return;
        }
        moveNow(false, Unmarked::Read, done, finished);
    });
}

int Passwords::passwordsMissingFromStore()
{
    m_accounts.refresh();
    return int(storedPasswords().count(QString()));
}

void Passwords::resume(Done done)
{
    enqueue([this, done](std::function<void()> finished) {
        QPointer<Passwords> self(this);
        // Last, once nothing is left unfinished, the values of IDs no longer listed go.
        auto end = [self, done, finished](Problem problem) {
            if (!self)
                return;
            if (problem != Problem::None || self->m_settings.unfinishedMove()) {
                finished();
                done(problem);
                return;
            }
            self->removeStaleValues([done, finished](Problem problem) {
                finished();
                done(problem);
            });
        };
        finishPending([self, end](Problem problem) {
            if (!self)
                return;
            const std::optional<bool> move = self->m_settings.unfinishedMove();
            if (problem != Problem::None || !move)
                return end(problem);
            self->moveNow(*move, Unmarked::Report, end, [] {});
        });
    });
}

void Passwords::removeStaleValues(Done done)
{
    m_accounts.refresh();
    const QStringList listed = distinct(listedIds());
    const QStringList kept = m_settings.keptKeys();
    // Earlier editions of the program noted no key: in the keyring, the mark and each listed
    // ID's value may be there.
    if (inKeyring() && kept.isEmpty()) {
        QStringList keys{ m_layout.markKey() };
        for (const QString &id : listed)
            keys.append(m_layout.keyOf(id));
        return done(m_settings.setKeptKeys(keys) ? Problem::None : Problem::NotStored);
    }
    // While the keyring keeps the passwords, the values of IDs no longer listed; else every
    // value, and the mark last.
    QStringList keys;
    for (const QString &key : kept) {
        const QString id = m_layout.idOfKey(key);
        if (!inKeyring() ? key != m_layout.markKey() : !id.isEmpty() && !listed.contains(id))
            keys.append(key);
    }
    if (!inKeyring() && kept.contains(m_layout.markKey()))
        keys.append(m_layout.markKey());
    // On most starts nothing differs, and the keyring is not touched.
    if (keys.isEmpty())
        return done(Problem::None);
    removeWhenOpen(keys, done);
}

void Passwords::moveNow(bool toKeyring, Unmarked unmarked, Done done, std::function<void()> finished)
{
    auto end = [this, toKeyring, done, finished](Problem problem) {
        // A move that failed before the choice changed left everything where it was: there is
        // nothing to finish.
        if (problem != Problem::None && inKeyring() != toKeyring)
            m_settings.setUnfinishedMove(std::nullopt);
        finished();
        done(problem);
    };
    if (!m_settings.setUnfinishedMove(toKeyring))
        return end(Problem::NotStored);
    m_accounts.refresh();
    const QStringList ids = listedIds();
    const QStringList stored = storedPasswords();
    if (!inKeyring()) {
        if (toKeyring)
            return moveIntoKeyring(ids, stored, end);
        return moveIntoStore(ids, stored, end);
    }
    if (toKeyring) {
        // The choice changed only once every value was in the keyring: what is left of the move
        // is emptying the store, which needs nothing from the keyring.
        if (!m_accounts.setPasswords(ids, QStringList(ids.size(), QString())))
            return end(Problem::NotStored);
        m_settings.setUnfinishedMove(std::nullopt);
        return end(Problem::None);
    }
    // A store that holds every password (the move's store write was done, or the user wrote
    // them there) needs nothing from the keyring to take them back.
    if (std::none_of(stored.begin(), stored.end(), [](const QString &password) { return password.isEmpty(); }))
        return moveIntoStore(ids, stored, end);
    QPointer<Passwords> self(this);
    readEntries(distinct(ids), unmarked, [self, ids, end](Problem problem, const QList<QStringList> &lists) {
        if (!self)
            return;
        if (problem != Problem::None)
            return end(problem);
        self->moveIntoStore(ids, self->passwordsFound(ids, distinct(ids), lists), end);
    });
}

void Passwords::moveIntoKeyring(const QStringList &ids, const QStringList &passwords, const Done &end)
{
    // The mark first, so that it is there whenever a value is.
    QList<std::pair<QString, QString>> values{ { m_layout.markKey(), KeyringLayout::markValue() } };
    for (const QString &id : distinct(ids)) {
        QStringList own;
        for (int slot = 0; slot < ids.size(); ++slot) {
            if (ids[slot] == id)
                own.append(passwords[slot]);
        }
        values.append({ m_layout.keyOf(id), KeyringLayout::valueOf(own) });
    }
    QPointer<Passwords> self(this);
    writeValues(values, [self, ids, values, end](Problem problem) {
        if (!self)
            return;
        if (problem != Problem::None) {
            // What reached the keyring goes again, as far as it can, the mark last, before the
            // next call runs. Their keys stay noted: the next start removes what is left.
            QStringList keys;
            for (const auto &value : values)
                keys.prepend(value.first);
            return self->removeValues(keys, true, [end, problem](Problem) { end(problem); });
        }
        if (!self->m_settings.setPasswordsInKeyring(true))
            return end(Problem::NotStored);
        emit self->placeChanged(true);
        if (!self->m_accounts.setPasswords(ids, QStringList(ids.size(), QString())))
            return end(Problem::NotStored);
        self->m_settings.setUnfinishedMove(std::nullopt);
        end(Problem::None);
    });
}

void Passwords::moveIntoStore(const QStringList &ids, const QStringList &passwords, const Done &end)
{
    if (!m_accounts.setPasswords(ids, passwords))
        return end(Problem::NotStored);
    if (inKeyring()) {
        if (!m_settings.setPasswordsInKeyring(false))
            return end(Problem::NotStored);
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
    removeWhenOpen(keys, [self, end](Problem problem) {
        if (!self)
            return;
        if (problem == Problem::None) {
            self->m_settings.setUnsettledIds({});
            self->m_settings.setUnfinishedMove(std::nullopt);
        }
        end(Problem::None);
    });
}
