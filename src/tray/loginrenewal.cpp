#include "tray/loginrenewal.h"

#include "store/accounts.h"
#include "store/passwords.h"
#include "store/programsettings.h"
#include "ui/common/statustext.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"

#include <QPointer>

using EngineChannel::RenewalState;

LoginRenewal::LoginRenewal(Accounts &accounts, Passwords &passwords, frmWB &webHost, LoginSessions &sessions,
                           const ProgramSettings &settings, QObject *parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_passwords(passwords)
    , m_webHost(webHost)
    , m_sessions(sessions)
    , m_settings(settings)
{
    connect(&m_webHost.engine(), &BrowserEngine::loginFormShown, this, &LoginRenewal::loginFormShown);
    connect(&m_webHost.engine(), &BrowserEngine::renewRequested, this, &LoginRenewal::renew);
}

LoginRenewal::~LoginRenewal() = default;

void LoginRenewal::loginFormShown(const QString &account, quint64 tab)
{
    m_sessions.loggedOut(account);
    QElapsedTimer &last = m_automatic[tab];
    if (m_settings.renewsLogins() && (!last.isValid() || last.elapsed() >= kAutomaticPause.count())) {
        last.start();
        renew(account, tab);
        return;
    }
    m_webHost.engine().showRenewal(tab, RenewalState::Offer, QString());
}

void LoginRenewal::renew(const QString &account, quint64 tab)
{
    QPointer<LoginRenewal> self(this);
    auto failed = [self, tab](const QString &text) {
        if (self)
            self->m_webHost.engine().showRenewal(tab, RenewalState::Failed, text);
    };
    m_accounts.refresh();
    const qint16 slot = qint16(m_accounts.ids().indexOf(account));
    if (account.isEmpty() || slot < 0)
        return failed(StatusText::loginFailed);
    m_passwords.fetch(slot, account, [self, account, tab, failed](Passwords::Problem problem, const QString &password) {
        if (!self)
            return;
        if (problem != Passwords::Problem::None)
            return failed(StatusText::loginFailed);
        self->m_webHost.loginLD(
                account, password,
                [self, tab, failed](RunOutcome outcome) {
                    if (!self)
                        return;
                    if (outcome == RunOutcome::Done)
                        self->m_webHost.engine().showRenewal(tab, RenewalState::Done, QString());
                    else
                        failed(StatusText::ended(EnginePage::LogIn, outcome));
                },
                frmWB::Current::Stays);
    });
}
