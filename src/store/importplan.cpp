#include "store/importplan.h"

#include "store/accounts.h"

#include <QMap>

ImportPlan planImport(const AccountList &seen, const QStringList &passwords, const QList<ImportedAccount> &rows,
                      const QList<bool> &ticked, int capacity)
{
    ImportPlan plan;
    // The accounts as the rows taken so far leave them.
    QStringList ids = seen.ids;
    QStringList found = passwords;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const ImportedAccount &account = rows[row];
        ImportDecision decision = ImportDecision::LeftOut;
        if (isBlankId(account.id)) {
            decision = ImportDecision::BlankId;
        } else if (ticked.value(row)) {
            const qsizetype slot = ids.indexOf(account.id);
            bool known = false;
            for (qsizetype other = slot; other >= 0 && !known; other = ids.indexOf(account.id, other + 1))
                known = found[other] == account.password;
            if (known || (slot >= 0 && account.password.isEmpty())) {
                decision = ImportDecision::Unchanged;
            } else if (slot >= 0) {
                found[slot] = account.password;
                decision = ImportDecision::UpdatePassword;
            } else if (ids.size() < capacity) {
                ids.append(account.id);
                found.append(account.password);
                decision = ImportDecision::Add;
            } else {
                decision = ImportDecision::OverLimit;
            }
        }
        plan.decisions.append(decision);
    }
    QMap<int, QString> newPasswords;
    for (int slot = 0; slot < seen.size(); ++slot) {
        if (found[slot] != passwords.value(slot))
            newPasswords.insert(slot, found[slot]);
    }
    plan.change = ListChange::takeIn(seen, newPasswords, { ids.mid(seen.size()), found.mid(seen.size()) }, capacity);
    return plan;
}
