#include "web/loginrenewal.h"

#include "store/programsettings.h"
#include "web/accountlogin.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"

#include <QPointer>

using EngineChannel::RenewalState;

LoginRenewal::LoginRenewal(AccountLogin &login, frmWB &webHost, LoginSessions &sessions,
                           const ProgramSettings &settings, QObject *parent)
    : QObject(parent)
    , m_login(login)
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
    // Only a login that expired is renewed: one the user logged out of, or never made, is not.
    if (!m_sessions.isLoggedIn(account) && !m_sessions.hasExpired(account))
        return;
    m_sessions.loginFormShown(account);
    QElapsedTimer &last = m_automatic[tab];
    if (m_settings.renewsLogins() && (!last.isValid() || last.elapsed() >= kAutomaticPause.count())) {
        last.start();
        renew(account, tab);
        return;
    }
    m_webHost.engine().showRenewal(tab, RenewalState::Offer, RunOutcome::Done);
}

void LoginRenewal::renew(const QString &account, quint64 tab)
{
    QPointer<LoginRenewal> self(this);
    m_login.logIn(account, frmWB::Current::Stays, [self, tab](const AccountLogin::Outcome &outcome) {
        if (!self)
            return;
        // The tab says how it went, in its words.
        if (outcome.done())
            self->m_webHost.engine().showRenewal(tab, RenewalState::Done, RunOutcome::Done);
        else
            self->m_webHost.engine().showRenewal(
                    tab, RenewalState::Failed,
                    outcome.problem != PasswordProblem::None ? RunOutcome::Failed : outcome.run);
    });
}
