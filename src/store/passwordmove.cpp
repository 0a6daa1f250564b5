#include "store/passwordmove.h"

#include "store/accounts.h"
#include "store/keyringjournal.h"
#include "store/passwordlists.h"
#include "store/programsettings.h"

#include <algorithm>

namespace {

using Unmarked = KeyringValues::Unmarked;

bool holdsEvery(const QStringList &passwords)
{
    return std::none_of(passwords.begin(), passwords.end(), [](const QString &password) { return password.isEmpty(); });
}

bool holdsNone(const QStringList &passwords)
{
    return std::all_of(passwords.begin(), passwords.end(), [](const QString &password) { return password.isEmpty(); });
}

} // namespace

PasswordMove::PasswordMove(Uses uses, Kind kind, QObject *parent)
    : QObject(parent)
    , m_uses(uses)
    , m_kind(kind)
{
}

void PasswordMove::start()
{
    switch (m_kind) {
    case Kind::IntoKeyring:
        return move(true, Unmarked::Report);
    case Kind::IntoStore:
        return move(false, Unmarked::Report);
    case Kind::IntoStoreDespiteLoss:
        return move(false, Unmarked::Read);
    case Kind::Resume:
        return settle();
    }
}

void PasswordMove::move(bool toKeyring, Unmarked unmarked)
{
    m_toKeyring = toKeyring;
    const bool inKeyring = m_uses.settings.passwordsInKeyring();
    // The choice changed only once every value was in the keyring: what is left of the move is
    // emptying the store, by what was noted when it began.
    if (toKeyring && inKeyring)
        return finishIntoKeyring();
    m_uses.accounts.refresh();
    m_moved = m_uses.accounts.list();
    if (!m_uses.journal.setUnfinishedMove(toKeyring, toKeyring ? m_uses.accounts.loadedStamp() : QString()))
        return endMove(PasswordProblem::NotStored);
    if (toKeyring)
        return writeValues();
    // A store that holds every password (the move's store write was done, or the user wrote
    // them there) needs nothing from the keyring to take them back.
    if (!inKeyring || holdsEvery(m_moved.passwords))
        return writeStore(m_moved, m_moved.passwords);
    readValues(unmarked);
}

void PasswordMove::writeValues()
{
    // The mark first, so that it is there whenever a value is.
    const KeyringLayout &layout = m_uses.values.layout();
    KeyringValues::Values values{ { layout.markKey(), KeyringLayout::markValue() } };
    const ListsById lists = listsOf(m_moved.ids, m_moved.passwords);
    for (const QString &id : distinctIds(m_moved.ids))
        values.append({ layout.keyOf(id), KeyringLayout::valueOf(lists.value(id)) });
    m_uses.values.write(values, [this](PasswordProblem problem) {
        if (problem != PasswordProblem::None)
            return takeValuesBack(problem);
        chooseKeyring();
    });
}

void PasswordMove::takeValuesBack(PasswordProblem problem)
{
    // As far as the keyring lets them go, before the next call runs; their keys stay noted, and
    // the next start removes what is left.
    const KeyringLayout &layout = m_uses.values.layout();
    QStringList keys;
    for (const QString &id : distinctIds(m_moved.ids))
        keys.prepend(layout.keyOf(id));
    keys.append(layout.markKey());
    m_uses.values.tryRemoving(keys, [this, problem] { endMove(problem); });
}

void PasswordMove::chooseKeyring()
{
    // The values are those of the accounts read: a store whose IDs were written meanwhile would
    // pair them with others.
    if (m_uses.accounts.stalenessNow(ListChange::keep(m_moved)) != Staleness::None)
        return takeValuesBack(PasswordProblem::ListChanged);
    if (!m_uses.settings.setPasswordsInKeyring(true))
        return endMove(PasswordProblem::NotStored);
    const PasswordProblem problem = emptyStore(m_uses.accounts.list(), m_moved.passwords);
    endMove(problem == PasswordProblem::ListChanged ? PasswordProblem::None : problem);
}

void PasswordMove::finishIntoKeyring()
{
    Accounts &accounts = m_uses.accounts;
    accounts.refresh();
    const AccountList seen = accounts.list();
    if (holdsNone(seen.passwords))
        return endMove(m_uses.journal.setUnfinishedMove(std::nullopt) ? PasswordProblem::None : PasswordProblem::NotStored);
    // A store not written since the move read it holds exactly the passwords it moved.
    const QString noted = m_uses.journal.storeMoved();
    if (!noted.isEmpty() && noted == accounts.loadedStamp())
        return endMove(emptyStore(seen, seen.passwords));
    // Otherwise each is compared with the keyring's.
    const QStringList ids = distinctIds(seen.ids);
    m_uses.values.read(ids, Unmarked::Report, [this, seen, ids](PasswordProblem problem, const ValuesById &values) {
        if (problem != PasswordProblem::None)
            return endMove(problem);
        endMove(emptyStore(seen, passwordsFound(seen.ids, {}, listsPairedWith(seen.ids, ids, values))));
    });
}

PasswordProblem PasswordMove::emptyStore(const AccountList &seen, const QStringList &moved)
{
    const ListChange change = ListChange::passwords(seen, emptiedWhereMoved(moved, seen.passwords));
    switch (m_uses.accounts.change(change)) {
    case Accounts::Outcome::Written:
        return m_uses.journal.setUnfinishedMove(std::nullopt) ? PasswordProblem::None : PasswordProblem::NotStored;
    case Accounts::Outcome::ListChanged:
    case Accounts::Outcome::AccountChanged:
        // Written again meanwhile: the move stays noted, and the next start empties the store.
        return PasswordProblem::ListChanged;
    case Accounts::Outcome::Failed:
        break;
    }
    return PasswordProblem::NotStored;
}

void PasswordMove::readValues(Unmarked unmarked)
{
    const QStringList ids = distinctIds(m_moved.ids);
    m_uses.values.read(ids, unmarked, [this, ids](PasswordProblem problem, const ValuesById &values) {
        if (problem != PasswordProblem::None)
            return endMove(problem);
        // Each password from the store as it is now, hand-written ones first.
        m_uses.accounts.refresh();
        const AccountList seen = m_uses.accounts.list();
        writeStore(seen, passwordsFound(seen.ids, seen.passwords, listsPairedWith(seen.ids, ids, values)));
    });
}

void PasswordMove::writeStore(const AccountList &seen, const QStringList &passwords)
{
    switch (m_uses.accounts.change(ListChange::passwords(seen, passwords))) {
    case Accounts::Outcome::Written:
        break;
    case Accounts::Outcome::ListChanged:
    case Accounts::Outcome::AccountChanged:
        return endMove(PasswordProblem::ListChanged);
    case Accounts::Outcome::Failed:
        return endMove(PasswordProblem::NotStored);
    }
    if (m_uses.settings.passwordsInKeyring() && !m_uses.settings.setPasswordsInKeyring(false))
        return endMove(PasswordProblem::NotStored);
    removeValues();
}

void PasswordMove::removeValues()
{
    // The passwords are back; the keyring's values go, the mark last, now or (when the keyring
    // would not let them go) at the next start.
    KeyringJournal &journal = m_uses.journal;
    const KeyringLayout &layout = m_uses.values.layout();
    QStringList keys;
    for (const QString &id : distinctIds(m_uses.accounts.ids() + journal.unsettledIds()))
        keys.append(layout.keyOf(id));
    keys = distinctIds(keys + journal.keptKeys());
    keys.removeAll(layout.markKey());
    keys.append(layout.markKey());
    m_uses.values.removeWhenOpen(keys, [this](PasswordProblem problem) {
        if (problem == PasswordProblem::None) {
            m_uses.journal.setUnsettledIds({});
            m_uses.journal.setUnfinishedMove(std::nullopt);
        }
        endMove(PasswordProblem::None);
    });
}

void PasswordMove::settle()
{
    const auto moveOrRemoveStale = [this](PasswordProblem problem) {
        const std::optional<bool> unfinished = m_uses.journal.unfinishedMove();
        if (problem != PasswordProblem::None || !unfinished)
            return afterMove(problem);
        move(*unfinished, Unmarked::Report);
    };
    // Back in the store, the keyring's values are no longer read; the move that brought them
    // back removes them.
    if (!m_uses.settings.passwordsInKeyring()) {
        const bool settled = m_uses.journal.unsettledIds().isEmpty() || m_uses.journal.setUnsettledIds({});
        return moveOrRemoveStale(settled ? PasswordProblem::None : PasswordProblem::NotStored);
    }
    m_uses.values.settle(
            [this] {
                m_uses.accounts.refresh();
                return m_uses.accounts.ids();
            },
            moveOrRemoveStale);
}

void PasswordMove::removeStaleValues()
{
    KeyringJournal &journal = m_uses.journal;
    const KeyringLayout &layout = m_uses.values.layout();
    const bool inKeyring = m_uses.settings.passwordsInKeyring();
    m_uses.accounts.refresh();
    const QStringList listed = distinctIds(m_uses.accounts.ids());
    const QStringList noted = journal.keptKeys();
    // Earlier editions of the program noted no key: in the keyring, the mark and each listed
    // ID's value may be there.
    if (inKeyring && noted.isEmpty()) {
        QStringList keys{ layout.markKey() };
        for (const QString &id : listed)
            keys.append(layout.keyOf(id));
        return finish(journal.setKeptKeys(keys) ? PasswordProblem::None : PasswordProblem::NotStored);
    }
    // While the keyring keeps the passwords, the values of IDs no longer listed; else every
    // value, and the mark last.
    QStringList stale;
    for (const QString &key : noted) {
        const QString id = layout.idOfKey(key);
        if (!inKeyring ? key != layout.markKey() : !id.isEmpty() && !listed.contains(id))
            stale.append(key);
    }
    if (!inKeyring && noted.contains(layout.markKey()))
        stale.append(layout.markKey());
    // On most starts nothing differs, and the keyring is not touched.
    if (stale.isEmpty())
        return finish(PasswordProblem::None);
    m_uses.values.removeWhenOpen(stale, [this](PasswordProblem problem) { finish(problem); });
}

void PasswordMove::endMove(PasswordProblem problem)
{
    if (problem != PasswordProblem::None && m_uses.settings.passwordsInKeyring() != m_toKeyring)
        m_uses.journal.setUnfinishedMove(std::nullopt);
    afterMove(problem);
}

void PasswordMove::afterMove(PasswordProblem problem)
{
    if (m_kind != Kind::Resume)
        return finish(problem);
    // Last, once nothing is left unfinished, the values of IDs no longer listed go.
    if (problem != PasswordProblem::None || m_uses.journal.unfinishedMove())
        return finish(problem);
    removeStaleValues();
}

void PasswordMove::finish(PasswordProblem problem)
{
    emit completed(problem);
    deleteLater();
}
