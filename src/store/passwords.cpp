#include "store/passwords.h"

#include "platform/keyring.h"
#include "store/accounts.h"
#include "store/programsettings.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

// An ID's value in the keyring: its slots' passwords in slot order ("passwords"), and, while a
// change of its slots is under way, the list from before it ("before"). A slot without a
// password has null.
QJsonArray toJson(const QStringList &passwords)
{
    QJsonArray array;
    for (const QString &password : passwords)
        array.append(password.isEmpty() ? QJsonValue() : QJsonValue(password));
    return array;
}

QStringList fromJson(const QJsonValue &value)
{
    QStringList passwords;
    for (const QJsonValue &password : value.toArray())
        passwords.append(password.toString());
    return passwords;
}

QString encode(const QStringList &passwords, const QStringList *before = nullptr)
{
    QJsonObject value{ { QStringLiteral("passwords"), toJson(passwords) } };
    if (before)
        value.insert(QStringLiteral("before"), toJson(*before));
    return QString::fromUtf8(QJsonDocument(value).toJson(QJsonDocument::Compact));
}

// The list that pairs with the store now: while a change is under way, the store's count of
// slots holding the ID tells whether it has reached the store.
QStringList decode(const QString &text, int slotsHoldingId)
{
    const QJsonObject value = QJsonDocument::fromJson(text.toUtf8()).object();
    const QStringList after = fromJson(value.value(QStringLiteral("passwords")));
    if (value.contains(QStringLiteral("before")) && after.size() != slotsHoldingId)
        return fromJson(value.value(QStringLiteral("before")));
    return after;
}

// The slots (in order) that hold the ID in a list of IDs, and where their passwords came from.
QList<int> sourcesOf(const QString &id, const QStringList &ids, const QList<int> &from)
{
    QList<int> sources;
    for (int slot = 0; slot < ids.size(); ++slot) {
        if (ids[slot] == id)
            sources.append(from[slot]);
    }
    return sources;
}

QList<int> identity(int count)
{
    QList<int> numbers;
    for (int slot = 0; slot < count; ++slot)
        numbers.append(slot);
    return numbers;
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

// A change of the listed accounts while the passwords are in the keyring: the IDs it leaves,
// where each slot's password comes from (a slot before the change, or -1 for `password`), and
// the store's side of it.
struct Passwords::Edit
{
    QStringList ids;
    QList<int> from;
    QString password;
    std::function<bool()> writeStore;
};

Passwords::Passwords(Accounts &accounts, ProgramSettings &settings, Keyring &keyring, QObject *parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_settings(settings)
    , m_keyring(keyring)
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

QString Passwords::keyFor(const QString &id) const
{
    return m_accounts.application() + QLatin1Char('/') + id;
}

QString Passwords::markKey() const
{
    return m_accounts.application();
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

QStringList Passwords::listedIds() const
{
    QStringList ids;
    for (qint16 slot = 0; slot < m_accounts.count(); ++slot)
        ids.append(m_accounts.id(slot));
    return ids;
}

void Passwords::readEntries(const QStringList &ids, std::function<void(Problem, QList<QStringList>)> done)
{
    auto lists = std::make_shared<QList<QStringList>>();
    QPointer<Passwords> self(this);
    // The mark comes first: a locked keyring answers every read as if nothing were kept, so
    // without the mark that the move into the keyring left, the keyring is taken as locked,
    // never as holding no password.
    inTurn(
            int(ids.size()) + 1,
            [self, ids, lists](int index, Answered answered) {
                if (!self)
                    return;
                if (index == 0) {
                    self->m_keyring.read(self->markKey(), [answered](Keyring::Failure failure, const QString &) {
                        answered(failure == Keyring::Failure::NotFound ? Problem::KeyringLocked : problemOf(failure));
                    });
                    return;
                }
                const QString id = ids[index - 1];
                self->m_keyring.read(self->keyFor(id), [self, id, lists, answered](Keyring::Failure failure,
                                                                                   const QString &value) {
                    if (!self)
                        return;
                    if (failure == Keyring::Failure::None)
                        lists->append(decode(value, self->slotsHolding(id)));
                    else
                        lists->append(QStringList());
                    answered(problemOf(failure));
                });
            },
            [lists, done](Problem problem) { done(problem, problem == Problem::None ? *lists : QList<QStringList>()); });
}

void Passwords::writeEntries(const QList<std::pair<QString, QString>> &values,
                             std::function<void(Problem)> done)
{
    QPointer<Passwords> self(this);
    inTurn(
            int(values.size()),
            [self, values](int index, Answered answered) {
                if (!self)
                    return;
                self->m_keyring.write(self->keyFor(values[index].first), values[index].second,
                                      [answered](Keyring::Failure failure) { answered(problemOf(failure)); });
            },
            std::move(done));
}

void Passwords::removeEntries(const QStringList &ids, std::function<void(Problem)> done)
{
    QPointer<Passwords> self(this);
    inTurn(
            int(ids.size()),
            [self, ids](int index, Answered answered) {
                if (!self)
                    return;
                self->m_keyring.remove(self->keyFor(ids[index]),
                                       [answered](Keyring::Failure failure) { answered(problemOf(failure)); });
            },
            std::move(done));
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
    readEntries({ id }, [done, finished, stored, place](Problem problem, const QList<QStringList> &lists) {
        QString password;
        if (problem == Problem::None) {
            password = lists[0].value(place);
            // An account written into the store by hand has its password there.
            if (password.isEmpty())
                password = stored;
            if (password.isEmpty())
                problem = Problem::NotFound;
        }
        finished();
        done(problem, password);
    });
}

void Passwords::put(qint16 slot, const QString &id, const QString &password, Done done)
{
    enqueue([this, slot, id, password, done](std::function<void()> finished) {
        m_accounts.refresh();
        const int count = m_accounts.count();
        const int target = slot >= 0 && slot < count ? slot : count;
        if (slot < 0 || target >= AccountTable::kSlots || !inKeyring()) {
            const Problem answer = m_accounts.put(slot, id, password) ? Problem::None : Problem::NotStored;
            finished();
            done(answer);
            return;
        }
        Edit edit{ listedIds(), identity(count), password,
                   [this, target, id] { return m_accounts.put(qint16(target), id, QString()); } };
        if (target < count) {
            edit.ids[target] = id;
            edit.from[target] = -1;
        } else {
            edit.ids.append(id);
            edit.from.append(-1);
        }
        editNow(std::move(edit), done, finished);
    });
}

void Passwords::remove(qint16 slot, Done done)
{
    enqueue([this, slot, done](std::function<void()> finished) {
        if (!inKeyring() || slot < 0 || slot >= m_accounts.count()) {
            const Problem answer = m_accounts.remove(slot) ? Problem::None : Problem::NotStored;
            finished();
            done(answer);
            return;
        }
        Edit edit{ listedIds(), identity(m_accounts.count()), QString(),
                   [this, slot] { return m_accounts.remove(slot); } };
        edit.ids.removeAt(slot);
        edit.from.removeAt(slot);
        editNow(std::move(edit), done, finished);
    });
}

void Passwords::swapWithNext(qint16 slot, Done done)
{
    enqueue([this, slot, done](std::function<void()> finished) {
        if (!inKeyring() || slot < 0 || slot + 1 >= m_accounts.count()) {
            const Problem answer = m_accounts.swapWithNext(slot) ? Problem::None : Problem::NotStored;
            finished();
            done(answer);
            return;
        }
        Edit edit{ listedIds(), identity(m_accounts.count()), QString(),
                   [this, slot] { return m_accounts.swapWithNext(slot); } };
        edit.ids.swapItemsAt(slot, slot + 1);
        edit.from.swapItemsAt(slot, slot + 1);
        editNow(std::move(edit), done, finished);
    });
}

void Passwords::editNow(Edit edit, Done done, std::function<void()> finished)
{
    const QStringList before = listedIds();
    const QList<int> unchanged = identity(before.size());
    // The IDs whose slots take their passwords from other places than before.
    QStringList affected;
    for (const QString &id : distinct(before + edit.ids)) {
        if (sourcesOf(id, before, unchanged) != sourcesOf(id, edit.ids, edit.from))
            affected.append(id);
    }
    if (affected.isEmpty()) {
        const Problem answer = edit.writeStore() ? Problem::None : Problem::NotStored;
        finished();
        done(answer);
        return;
    }
    QPointer<Passwords> self(this);
    readEntries(affected, [self, edit, before, affected, done, finished](Problem problem,
                                                                          const QList<QStringList> &lists) {
        if (!self)
            return;
        if (problem != Problem::None) {
            finished();
            done(problem);
            return;
        }
        // Each affected slot's password before the change, then each affected ID's list
        // before and after it.
        QHash<int, QString> old;
        for (int i = 0; i < affected.size(); ++i) {
            int place = 0;
            for (int slot = 0; slot < before.size(); ++slot) {
                if (before[slot] != affected[i])
                    continue;
                QString password = lists[i].value(place++);
                old[slot] = password.isEmpty() ? self->m_accounts.password(qint16(slot)) : password;
            }
        }
        QList<std::pair<QString, QString>> pending;
        QList<std::pair<QString, QString>> settled;
        bool countsChange = false;
        for (const QString &id : affected) {
            QStringList was;
            QStringList now;
            for (const int source : sourcesOf(id, before, identity(before.size())))
                was.append(old.value(source));
            for (const int source : sourcesOf(id, edit.ids, edit.from))
                now.append(source < 0 ? edit.password : old.value(source));
            countsChange = countsChange || was.size() != now.size();
            pending.append({ id, encode(now, &was) });
            settled.append({ id, encode(now) });
        }
        if (!countsChange) {
            // The same slots hold each ID: the keyring's value alone makes the change.
            self->writeEntries(settled, [self, edit, done, finished](Problem problem) {
                if (problem == Problem::None && self && !edit.writeStore())
                    problem = Problem::NotStored;
                finished();
                done(problem);
            });
            return;
        }
        QStringList unsettled = self->m_settings.unsettledIds();
        unsettled = distinct(unsettled + affected);
        if (!self->m_settings.setUnsettledIds(unsettled)) {
            finished();
            done(Problem::NotStored);
            return;
        }
        self->writeEntries(pending, [self, edit, before, done, finished](Problem problem) {
            if (!self)
                return;
            if (problem == Problem::None) {
                // The accounts must still be those the change was worked out for.
                self->m_accounts.refresh();
                if (self->listedIds() != before || !edit.writeStore())
                    problem = Problem::NotStored;
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
    readEntries(ids, [self, ids, done](Problem problem, const QList<QStringList> &lists) {
        if (!self)
            return;
        if (problem != Problem::None) {
            done(problem);
            return;
        }
        QList<std::pair<QString, QString>> settled;
        QStringList gone;
        for (int i = 0; i < ids.size(); ++i) {
            if (lists[i].isEmpty())
                gone.append(ids[i]);
            else
                settled.append({ ids[i], encode(lists[i]) });
        }
        self->writeEntries(settled, [self, gone, done](Problem problem) {
            if (!self)
                return;
            if (problem != Problem::None) {
                done(problem);
                return;
            }
            self->removeEntries(gone, [self, done](Problem problem) {
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
        moveNow(inKeyring, done, finished);
    });
}

void Passwords::resume(Done done)
{
    enqueue([this, done](std::function<void()> finished) {
        QPointer<Passwords> self(this);
        finishPending([self, done, finished](Problem problem) {
            if (!self)
                return;
            const std::optional<bool> move = self->m_settings.unfinishedMove();
            if (problem != Problem::None || !move) {
                finished();
                done(problem);
                return;
            }
            self->moveNow(*move, done, finished);
        });
    });
}

void Passwords::moveNow(bool toKeyring, Done done, std::function<void()> finished)
{
    auto fail = [this, done, finished, toKeyring](Problem problem) {
        // Until the choice has changed, everything is where it was: there is nothing to finish.
        if (inKeyring() != toKeyring)
            m_settings.setUnfinishedMove(std::nullopt);
        finished();
        done(problem);
    };
    if (!m_settings.setUnfinishedMove(toKeyring)) {
        fail(Problem::NotStored);
        return;
    }
    m_accounts.refresh();
    const QStringList ids = listedIds();
    const QStringList keys = distinct(ids);
    QPointer<Passwords> self(this);
    // Every slot's password, from where it is kept now.
    auto carry = [self, ids, keys, toKeyring, done, finished, fail](const QList<QStringList> &lists) {
        QStringList passwords;
        for (int slot = 0; slot < ids.size(); ++slot) {
            const int list = keys.indexOf(ids[slot]);
            QString password = lists.isEmpty() ? QString() : lists[list].value(self->placeAmongSameId(slot));
            passwords.append(password.isEmpty() ? self->m_accounts.password(qint16(slot)) : password);
        }
        if (toKeyring) {
            QList<std::pair<QString, QString>> values;
            for (const QString &id : keys) {
                QStringList own;
                for (int slot = 0; slot < ids.size(); ++slot) {
                    if (ids[slot] == id)
                        own.append(passwords[slot]);
                }
                values.append({ id, encode(own) });
            }
            // The mark first, so that it is there whenever a value is.
            self->m_keyring.write(self->markKey(), QStringLiteral("{}"), [self, values, ids, keys, done, finished,
                                                                         fail](Keyring::Failure failure) {
            if (!self)
                return;
            if (failure != Keyring::Failure::None)
                return fail(problemOf(failure));
            self->writeEntries(values, [self, ids, keys, done, finished, fail](Problem problem) {
                if (!self)
                    return;
                if (problem != Problem::None) {
                    // What reached the keyring before the failure goes again, as far as it can,
                    // before the next call runs.
                    if (self->inKeyring())
                        return fail(problem);
                    self->removeEntries(keys, [self, fail, problem](Problem) {
                        if (self)
                            self->m_keyring.remove(self->markKey(), [fail, problem](Keyring::Failure) { fail(problem); });
                    });
                    return;
                }
                if (!self->inKeyring()) {
                    if (!self->m_settings.setPasswordsInKeyring(true)) {
                        fail(Problem::NotStored);
                        return;
                    }
                    emit self->placeChanged(true);
                }
                if (!self->m_accounts.setPasswords(ids, QStringList(ids.size(), QString()))) {
                    finished();
                    done(Problem::NotStored);
                    return;
                }
                self->m_settings.setUnfinishedMove(std::nullopt);
                finished();
                done(Problem::None);
            });
            });
            return;
        }
        if (!self->m_accounts.setPasswords(ids, passwords)) {
            fail(Problem::NotStored);
            return;
        }
        if (self->inKeyring()) {
            if (!self->m_settings.setPasswordsInKeyring(false)) {
                fail(Problem::NotStored);
                return;
            }
            emit self->placeChanged(false);
        }
        // The passwords are back; the keyring's copies go, now or at the next start.
        // The mark goes last, once no value is left.
        self->removeEntries(distinct(keys + self->m_settings.unsettledIds()), [self, done, finished](Problem problem) {
            if (!self)
                return;
            auto ended = [self, done, finished](Problem problem) {
                // When the keyring would not let them go, the next start tries again.
                if (problem == Problem::None) {
                    self->m_settings.setUnsettledIds({});
                    self->m_settings.setUnfinishedMove(std::nullopt);
                }
                finished();
                done(Problem::None);
            };
            if (problem != Problem::None)
                return ended(problem);
            self->m_keyring.remove(self->markKey(), [self, ended](Keyring::Failure failure) {
                if (self)
                    ended(problemOf(failure));
            });
        });
    };
    if (!inKeyring()) {
        carry({});
        return;
    }
    readEntries(keys, [self, carry, fail](Problem problem, const QList<QStringList> &lists) {
        if (!self)
            return;
        if (problem != Problem::None) {
            fail(problem);
            return;
        }
        carry(lists);
    });
}
