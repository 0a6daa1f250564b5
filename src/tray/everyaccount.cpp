#include "tray/everyaccount.h"

#include "store/accounts.h"
#include "store/passwords.h"
#include "ui/common/statustext.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"

#include <QPointer>

EveryAccount::EveryAccount(Accounts &accounts, Passwords &passwords, frmWB &webHost, const LoginSessions &sessions,
                           QObject *parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_passwords(passwords)
    , m_webHost(webHost)
    , m_sessions(sessions)
{
}

EveryAccount::~EveryAccount() = default;

QString everyAccountText(EnginePage page, int done, const QStringList &failed)
{
    const bool login = page == EnginePage::LogIn;
    if (!failed.isEmpty())
        return (login ? QStringLiteral("次のアカウントでログインできませんでした: ")
                      : QStringLiteral("次のアカウントからログアウトできませんでした: "))
                + failed.join(QStringLiteral(", "));
    return (login ? QStringLiteral("%1個のアカウントでログインしました。")
                  : QStringLiteral("%1個のアカウントからログアウトしました。"))
            .arg(done);
}

void EveryAccount::logInAll()
{
    m_accounts.refresh();
    QStringList accounts;
    for (const QString &id : m_accounts.ids()) {
        if (!accounts.contains(id))
            accounts << id;
    }
    start(EnginePage::LogIn, accounts);
}

void EveryAccount::logOutAll()
{
    start(EnginePage::LogOut, m_sessions.loggedIn());
}

void EveryAccount::start(EnginePage page, const QStringList &accounts)
{
    if (isRunning() || accounts.isEmpty())
        return;
    m_page = page;
    m_queue = accounts;
    m_total = int(accounts.size());
    m_done = 0;
    m_failed.clear();
    next();
}

void EveryAccount::next()
{
    if (m_queue.isEmpty()) {
        const EnginePage page = *std::exchange(m_page, std::nullopt);
        emit progress(QString());
        emit finished(m_failed.isEmpty(), everyAccountText(page, m_done, m_failed), m_failed);
        return;
    }
    const QString account = m_queue.takeFirst();
    emit progress(StatusText::running(*m_page) + QStringLiteral(" %1/%2").arg(m_total - m_queue.size()).arg(m_total));
    QPointer<EveryAccount> self(this);
    auto done = [self, account](RunOutcome outcome) {
        if (self)
            self->ended(account, outcome);
    };
    if (*m_page == EnginePage::LogOut) {
        m_webHost.logoutAccount(account, done);
        return;
    }
    // The account's password from the slot that holds its ID now; one removed
    // meanwhile is dropped, as its login would be.
    const qint16 slot = qint16(m_accounts.ids().indexOf(account));
    if (slot < 0) {
        ended(account, RunOutcome::Cancelled);
        return;
    }
    m_passwords.fetch(slot, account, [self, account, done](Passwords::Problem problem, const QString &password) {
        if (!self)
            return;
        if (problem != Passwords::Problem::None)
            self->ended(account, RunOutcome::Failed);
        else
            self->m_webHost.loginLD(account, password, done, frmWB::Current::Stays);
    });
}

void EveryAccount::ended(const QString &account, RunOutcome outcome)
{
    if (outcome == RunOutcome::Done)
        ++m_done;
    else if (outcome != RunOutcome::Cancelled)
        m_failed << account;
    next();
}
