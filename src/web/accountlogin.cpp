#include "web/accountlogin.h"

#include "store/accounts.h"
#include "store/passwords.h"

#include <QPointer>

AccountLogin::AccountLogin(Accounts &accounts, Passwords &passwords, frmWB &webHost, QObject *parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_passwords(passwords)
    , m_webHost(webHost)
{
}

void AccountLogin::logIn(qint16 slot, const QString &id, frmWB::Current current, Done done)
{
    QPointer<AccountLogin> self(this);
    m_passwords.fetch(slot, id, [self, id, current, done](PasswordProblem problem, const QString &password) {
        if (!self)
            return;
        if (problem != PasswordProblem::None)
            return done({ problem, RunOutcome::Failed });
        self->m_webHost.loginLD(
                id, password, [done](RunOutcome outcome) { done({ PasswordProblem::None, outcome }); }, current);
    });
}

void AccountLogin::logIn(const QString &id, frmWB::Current current, Done done)
{
    m_accounts.refresh();
    const qint16 slot = qint16(m_accounts.ids().indexOf(id));
    if (id.isEmpty() || slot < 0)
        return done({ PasswordProblem::NotFound, RunOutcome::Failed });
    logIn(slot, id, current, std::move(done));
}
