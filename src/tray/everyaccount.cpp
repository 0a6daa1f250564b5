#include "tray/everyaccount.h"

#include "store/accounts.h"
#include "web/accountlogin.h"
#include "ui/common/passwordproblems.h"
#include "ui/common/statustext.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"

#include <QPointer>

EveryAccount::EveryAccount(Accounts &accounts, AccountLogin &login, frmWB &webHost, const LoginSessions &sessions,
                           QObject *parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_login(login)
    , m_webHost(webHost)
    , m_sessions(sessions)
{
}

EveryAccount::~EveryAccount() = default;

QString everyAccountText(EnginePage page, int done, const QStringList &failed, bool stopped, const QString &cause)
{
    const bool login = page == EnginePage::LogIn;
    QString text;
    if (stopped) {
        text = login ? QStringLiteral("ログインを中止しました。") : QStringLiteral("ログアウトを中止しました。");
        if (!cause.isEmpty())
            return text + QLatin1Char('\n') + cause;
        text += QLatin1Char('\n');
    }
    if (!failed.isEmpty())
        return text
                + (login ? QStringLiteral("次のアカウントでログインできませんでした: ")
                         : QStringLiteral("次のアカウントからログアウトできませんでした: "))
                + failed.join(QStringLiteral(", "));
    return text
            + (login ? QStringLiteral("%1個のアカウントでログインしました。")
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
    start(EnginePage::LogOut, m_sessions.holdingLogins());
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
    m_stopped = false;
    m_stopCause.clear();
    next();
}

void EveryAccount::stop()
{
    if (!isRunning())
        return;
    m_stopped = true;
    m_queue.clear();
}

void EveryAccount::next()
{
    if (m_queue.isEmpty()) {
        const EnginePage page = *std::exchange(m_page, std::nullopt);
        emit progress(QString());
        emit finished(m_failed.isEmpty() && !m_stopped, everyAccountText(page, m_done, m_failed, m_stopped, m_stopCause),
                      m_failed);
        return;
    }
    const QString account = m_queue.takeFirst();
    // An account removed meanwhile is dropped: its login or logout would make its
    // profile again.
    if (!m_accounts.ids().contains(account)) {
        ended(account, RunOutcome::Cancelled);
        return;
    }
    emit progress(StatusText::running(*m_page) + QStringLiteral(" %1/%2").arg(m_total - m_queue.size()).arg(m_total));
    QPointer<EveryAccount> self(this);
    if (*m_page == EnginePage::LogOut) {
        m_webHost.logoutAccount(account, [self, account](RunOutcome outcome) {
            if (self)
                self->ended(account, outcome);
        });
        return;
    }
    // The account's password from the slot that holds its ID now.
    m_login.logIn(account, frmWB::Current::Stays, [self, account](const AccountLogin::Outcome &outcome) {
        if (!self)
            return;
        if (outcome.problem != PasswordProblem::None && outcome.problem != PasswordProblem::NotFound) {
            // The keyring would answer every further account so, each time with its prompt.
            self->m_stopped = true;
            self->m_stopCause = passwordProblemText(outcome.problem, PasswordUse::Read).remove(QLatin1Char('\n'));
            self->m_queue.clear();
        }
        self->ended(account, outcome.problem == PasswordProblem::None ? outcome.run : RunOutcome::Failed);
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
