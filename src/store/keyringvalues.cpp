#include "store/keyringvalues.h"

#include "platform/keyring.h"
#include "store/keyringjournal.h"

#include <memory>

namespace {

PasswordProblem problemOf(Keyring::Failure failure)
{
    switch (failure) {
    case Keyring::Failure::None:
    case Keyring::Failure::NotFound:
        return PasswordProblem::None;
    case Keyring::Failure::Unavailable:
        return PasswordProblem::KeyringUnavailable;
    case Keyring::Failure::Locked:
        return PasswordProblem::KeyringLocked;
    case Keyring::Failure::Refused:
        break;
    }
    return PasswordProblem::KeyringRefused;
}

} // namespace

KeyringValues::KeyringValues(Keyring &keyring, KeyringJournal &journal, const QString &application, QObject *parent)
    : QObject(parent)
    , m_keyring(keyring)
    , m_journal(journal)
    , m_layout(application)
{
}

void KeyringValues::oneAfterAnother(int count, std::function<void(int index, Done answered)> call, Done done)
{
    // The sequence lives as long as the answer it waits for.
    struct Sequence : std::enable_shared_from_this<Sequence>
    {
        KeyringValues *values = nullptr;
        int count = 0;
        int index = 0;
        std::function<void(int, Done)> call;
        Done done;

        void next()
        {
            if (index == count)
                return done(PasswordProblem::None);
            call(index, values->guarded([sequence = shared_from_this()](PasswordProblem problem) {
                if (problem != PasswordProblem::None)
                    return sequence->done(problem);
                ++sequence->index;
                sequence->next();
            }));
        }
    };
    auto sequence = std::make_shared<Sequence>();
    sequence->values = this;
    sequence->count = count;
    sequence->call = std::move(call);
    sequence->done = std::move(done);
    sequence->next();
}

void KeyringValues::readMark(std::function<void(PasswordProblem, bool)> done)
{
    m_keyring.read(m_layout.markKey(), guarded([this, done](Keyring::Failure failure, const QString &) {
        if (failure != Keyring::Failure::NotFound)
            return done(problemOf(failure), failure == Keyring::Failure::None);
        // A locked keyring answers every read as if nothing were kept; it refuses a write. A
        // write may also unlock it (through the desktop's prompt), so the mark is read again.
        const QString probe = m_layout.probeKey();
        m_keyring.write(probe, KeyringLayout::probeValue(), guarded([this, done, probe](Keyring::Failure failure) {
            if (failure != Keyring::Failure::None)
                return done(problemOf(failure), false);
            m_keyring.remove(probe, guarded([this, done](Keyring::Failure) {
                m_keyring.read(m_layout.markKey(), guarded([done](Keyring::Failure failure, const QString &) {
                    done(problemOf(failure), failure == Keyring::Failure::None);
                }));
            }));
        }));
    }));
}

void KeyringValues::read(const QStringList &ids, Unmarked unmarked,
                         std::function<void(PasswordProblem, const ValuesById &)> done)
{
    readMark([this, ids, unmarked, done](PasswordProblem problem, bool marked) {
        if (problem != PasswordProblem::None)
            return done(problem, {});
        if (marked || unmarked == Unmarked::Read)
            return readValues(ids, done);
        if (unmarked == Unmarked::Report)
            return done(PasswordProblem::KeyringHoldsNothing, {});
        write({ { m_layout.markKey(), KeyringLayout::markValue() } }, [this, ids, done](PasswordProblem problem) {
            if (problem != PasswordProblem::None)
                return done(problem, {});
            readValues(ids, done);
        });
    });
}

void KeyringValues::readValues(const QStringList &ids, std::function<void(PasswordProblem, const ValuesById &)> done)
{
    auto values = std::make_shared<ValuesById>();
    oneAfterAnother(
            int(ids.size()),
            [this, ids, values](int index, Done answered) {
                const QString id = ids[index];
                m_keyring.read(m_layout.keyOf(id), [id, values, answered](Keyring::Failure failure, const QString &value) {
                    if (failure == Keyring::Failure::None)
                        values->insert(id, value);
                    answered(problemOf(failure));
                });
            },
            [values, done](PasswordProblem problem) { done(problem, problem == PasswordProblem::None ? *values : ValuesById()); });
}

void KeyringValues::write(const Values &values, Done done)
{
    // Every key is noted before its value is written; those whose write failed, or never came,
    // are taken off again, unless they were noted before.
    const QStringList notedBefore = m_journal.keptKeys();
    QStringList keys;
    for (const auto &value : values)
        keys.append(value.first);
    if (!m_journal.noteKeys(keys))
        return done(PasswordProblem::NotStored);
    auto written = std::make_shared<int>(0);
    oneAfterAnother(
            int(values.size()),
            [this, values, written](int index, Done answered) {
                m_keyring.write(values[index].first, values[index].second, [answered, written](Keyring::Failure failure) {
                    *written += failure == Keyring::Failure::None ? 1 : 0;
                    answered(problemOf(failure));
                });
            },
            [this, keys, notedBefore, written, done](PasswordProblem problem) {
                if (problem != PasswordProblem::None) {
                    QStringList unwritten;
                    for (const QString &key : keys.mid(*written)) {
                        if (!notedBefore.contains(key))
                            unwritten.append(key);
                    }
                    m_journal.forgetKeys(unwritten);
                }
                done(problem);
            });
}

void KeyringValues::remove(const QStringList &keys, Done done)
{
    // The keys of the values gone (removed, or not there at all) are no longer noted; a failure
    // to note that is no problem: the next start removes them again.
    auto gone = std::make_shared<QStringList>();
    oneAfterAnother(
            int(keys.size()),
            [this, keys, gone](int index, Done answered) {
                const QString key = keys[index];
                m_keyring.remove(key, [key, gone, answered](Keyring::Failure failure) {
                    if (failure == Keyring::Failure::None || failure == Keyring::Failure::NotFound)
                        gone->append(key);
                    answered(problemOf(failure));
                });
            },
            [this, gone, done](PasswordProblem problem) {
                m_journal.forgetKeys(*gone);
                done(problem);
            });
}

void KeyringValues::tryRemoving(const QStringList &keys, std::function<void()> then)
{
    oneAfterAnother(
            int(keys.size()),
            [this, keys](int index, Done answered) {
                m_keyring.remove(keys[index], [answered](Keyring::Failure) { answered(PasswordProblem::None); });
            },
            [then](PasswordProblem) { then(); });
}

void KeyringValues::removeWhenOpen(const QStringList &keys, Done done)
{
    readMark([this, keys, done](PasswordProblem problem, bool) {
        if (problem != PasswordProblem::None)
            return done(problem);
        remove(keys, done);
    });
}

void KeyringValues::settle(std::function<QStringList()> listedIds, Done done)
{
    const QStringList unsettled = m_journal.unsettledIds();
    if (unsettled.isEmpty())
        return done(PasswordProblem::None);
    read(unsettled, Unmarked::Report, [this, unsettled, listedIds, done](PasswordProblem problem, const ValuesById &values) {
        // A keyring that holds nothing of this program's has no value left to settle.
        if (problem == PasswordProblem::KeyringHoldsNothing)
            return done(m_journal.setUnsettledIds({}) ? PasswordProblem::None : PasswordProblem::NotStored);
        if (problem != PasswordProblem::None)
            return done(problem);
        const ListsById lists = listsPairedWith(listedIds(), unsettled, values);
        Values settled;
        QStringList keysOfEmptyLists;
        for (const QString &id : unsettled) {
            const QStringList list = lists.value(id);
            if (list.isEmpty())
                keysOfEmptyLists.append(m_layout.keyOf(id));
            else
                settled.append({ m_layout.keyOf(id), KeyringLayout::valueOf(list) });
        }
        write(settled, [this, keysOfEmptyLists, done](PasswordProblem problem) {
            if (problem != PasswordProblem::None)
                return done(problem);
            remove(keysOfEmptyLists, [this, done](PasswordProblem problem) {
                if (problem == PasswordProblem::None && !m_journal.setUnsettledIds({}))
                    problem = PasswordProblem::NotStored;
                done(problem);
            });
        });
    });
}
