#include "store/passwords.h"

#include "store/accounts.h"
#include "store/keyringedit.h"
#include "store/keyringjournal.h"
#include "store/passwordlists.h"
#include "store/passwordmove.h"
#include "store/programsettings.h"

namespace {

using Problem = Passwords::Problem;
using Turn = CallQueue::Turn;

} // namespace

template <typename Job>
void Passwords::run(Job *job, const Turn &turn, Done done)
{
    connect(job, &Job::completed, this, [turn, done](Problem problem) { turn.answer(done, problem); });
    job->start();
}

Passwords::Passwords(Accounts &accounts, ProgramSettings &settings, KeyringJournal &journal, Keyring &keyring,
                     QObject *parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_settings(settings)
    , m_journal(journal)
    , m_values(keyring, journal, accounts.application())
{
}

Passwords::~Passwords() = default;

bool Passwords::inKeyring() const
{
    return m_settings.passwordsInKeyring();
}

void Passwords::fetch(qint16 slot, const QString &id, Fetched done)
{
    m_calls.enqueue([this, slot, id, done](const Turn &turn) {
        m_accounts.refresh();
        const AccountList seen = m_accounts.list();
        if (slot < 0 || slot >= seen.size() || seen.ids[slot] != id)
            return turn.answer(done, Problem::NotFound, QString());
        const QString stored = seen.passwords[slot];
        if (!inKeyring())
            return turn.answer(done, stored.isEmpty() ? Problem::NotFound : Problem::None, stored);
        m_values.read({ id }, KeyringValues::Unmarked::Report,
                      [this, seen, slot, id, stored, turn, done](Problem problem, const ValuesById &values) {
            if (!stored.isEmpty()) {
                // A password written into the store by hand is the user's newer word: it is the
                // one used, and it moves into the keyring when the keyring takes it.
                if (problem != Problem::None)
                    return turn.answer(done, Problem::None, stored);
                return takeIntoKeyring(seen, id, values, [turn, done, stored] { turn.answer(done, Problem::None, stored); });
            }
            QString password;
            if (problem == Problem::None) {
                password = listsPairedWith(seen.ids, { id }, values).value(id).value(placeAmongSameId(seen.ids, slot));
                if (password.isEmpty())
                    problem = Problem::NotFound;
            }
            turn.answer(done, problem, password);
        });
    });
}

void Passwords::fetchAll(FetchedAll done)
{
    m_calls.enqueue([this, done](const Turn &turn) {
        m_accounts.refresh();
        const AccountList seen = m_accounts.list();
        if (!inKeyring() || seen.size() == 0)
            return turn.answer(done, Problem::None, seen, seen.passwords);
        const QStringList ids = distinctIds(seen.ids);
        m_values.read(ids, KeyringValues::Unmarked::Report,
                      [seen, ids, turn, done](Problem problem, const ValuesById &values) {
            const QStringList found = problem == Problem::None
                    ? passwordsFound(seen.ids, seen.passwords, listsPairedWith(seen.ids, ids, values))
                    : QStringList();
            turn.answer(done, problem, seen, found);
        });
    });
}

void Passwords::takeIntoKeyring(const AccountList &seen, const QString &id, const ValuesById &values,
                                std::function<void()> then)
{
    // The store's side: the ID's slots keep no password, as long as the store still holds what
    // the value is made of.
    ListChange emptied = ListChange::keep(seen);
    for (int slot = 0; slot < seen.size(); ++slot) {
        if (seen.ids[slot] == id) {
            emptied.read.append(slot);
            emptied.emptiedAfter.append(slot);
        }
    }
    if (m_accounts.stalenessNow(emptied) != Staleness::None)
        return then();
    const QStringList list =
            listWithStored(id, seen.ids, seen.passwords, listsPairedWith(seen.ids, { id }, values).value(id));
    // The value first, then the store: a kill between leaves the same password in both.
    m_values.write({ { m_values.layout().keyOf(id), KeyringLayout::valueOf(list) } },
                   [this, emptied, then](Problem problem) {
        // A store written again meanwhile keeps what it holds; the next read takes it.
        if (problem == Problem::None)
            m_accounts.change(emptied);
        then();
    });
}

void Passwords::put(const AccountList &seen, qint16 slot, const QString &id, const QString &password, Done done)
{
    change(ListChange::put(seen, slot, id, password, AccountTable::kSlots), std::move(done));
}

void Passwords::remove(const AccountList &seen, qint16 slot, Done done)
{
    change(ListChange::remove(seen, slot), std::move(done));
}

void Passwords::swapWithNext(const AccountList &seen, qint16 slot, Done done)
{
    change(ListChange::swapWithNext(seen, slot), std::move(done));
}

void Passwords::takeIn(const ListChange &change, Done done)
{
    this->change(change, std::move(done));
}

void Passwords::change(const ListChange &change, Done done)
{
    m_calls.enqueue([this, change, done](const Turn &turn) {
        // While the store keeps the passwords, its change is the whole change.
        if (!change.inReach || !inKeyring())
            return turn.answer(done, problemOf(m_accounts.change(change)));
        run(new KeyringEdit({ m_accounts, m_journal, m_values }, change, this), turn, done);
    });
}

void Passwords::keepInKeyring(bool inKeyring, Done done)
{
    m_calls.enqueue([this, inKeyring, done](const Turn &turn) {
        if (inKeyring == this->inKeyring() && !m_journal.unfinishedMove())
            return turn.answer(done, Problem::None);
        run(moveJob(inKeyring ? PasswordMove::Kind::IntoKeyring : PasswordMove::Kind::IntoStore), turn, done);
    });
}

void Passwords::keepInStoreDespiteLoss(Done done)
{
    m_calls.enqueue([this, done](const Turn &turn) {
        if (!inKeyring() && !m_journal.unfinishedMove())
            return turn.answer(done, Problem::None);
        run(moveJob(PasswordMove::Kind::IntoStoreDespiteLoss), turn, done);
    });
}

int Passwords::passwordsMissingFromStore()
{
    m_accounts.refresh();
    return int(m_accounts.list().passwords.count(QString()));
}

void Passwords::resume(Done done)
{
    m_calls.enqueue([this, done](const Turn &turn) { run(moveJob(PasswordMove::Kind::Resume), turn, done); });
}

PasswordMove *Passwords::moveJob(PasswordMove::Kind kind)
{
    return new PasswordMove({ m_accounts, m_settings, m_journal, m_values }, kind, this);
}
