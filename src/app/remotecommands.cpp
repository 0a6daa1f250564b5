#include "app/remotecommands.h"

#include "app/program.h"
#include "links/linkroute.h"
#include "platform/singleinstance.h"
#include "store/accounts.h"
#include "store/passwords.h"
#include "tray/everyaccount.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "web/accountlogin.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"

#include <QPointer>
#include <QUrl>

using remote::Reply;

RemoteCommands::RemoteCommands(SingleInstance &instance, Program &program, QObject *parent)
    : QObject(parent)
    , m_program(program)
    , m_everyAccount(program.everyAccount())
{
    connect(&m_everyAccount, &EveryAccount::finished, this,
            [this](bool allDone, const QString &, const QStringList &failed) {
                const Done done = std::exchange(m_everyAccountDone, nullptr);
                if (!done)
                    return;
                done(allDone ? Reply() : Reply::failed(Reply::Why::SomeAccounts, failed));
            });
    connect(&instance, &SingleInstance::requested, this,
            [this, instance = QPointer<SingleInstance>(&instance)](quint64 id, const QByteArray &message) {
                const Done answer = [instance, id](const Reply &reply) {
                    if (instance)
                        instance->reply(id, remote::encode(reply));
                };
                if (const std::optional<remote::Request> request = remote::decodeRequest(message))
                    run(*request, answer);
                else
                    answer(Reply::mistake(Reply::Why::None));
            });
}

RemoteCommands::~RemoteCommands() = default;

void RemoteCommands::run(const remote::Request &request, const Done &done)
{
    std::visit([this, &done](const auto &each) { handle(each, done); }, request);
}

bool RemoteCommands::listed(const QString &id, const Done &done)
{
    m_program.accounts().refresh();
    if (m_program.accounts().ids().contains(id))
        return true;
    done(Reply::mistake(Reply::Why::UnknownId, { id }));
    return false;
}

void RemoteCommands::logInOrOut(EnginePage page, Whom whom, const QString &id, const Done &done)
{
    frmWB &host = m_program.webHost();
    const frmWB::Done ended = [page, done](RunOutcome outcome) {
        Reply reply = outcome == RunOutcome::Done ? Reply() : Reply::failed(Reply::Why::Run);
        reply.page = page;
        reply.outcome = outcome;
        done(reply);
    };
    switch (whom) {
    case Whom::Every: {
        if (m_everyAccount.isRunning())
            return done(Reply::failed(Reply::Why::EveryAccountRunning));
        // With no account to log in or out the run does nothing, and tells nothing.
        m_program.accounts().refresh();
        const bool login = page == EnginePage::LogIn;
        if (login ? m_program.accounts().ids().isEmpty() : m_program.sessions().holdingLogins().isEmpty())
            return done(Reply());
        m_everyAccountDone = [page, done](Reply reply) {
            reply.page = page;
            done(reply);
        };
        return login ? m_everyAccount.logInAll() : m_everyAccount.logOutAll();
    }
    case Whom::Current:
        return host.logoutLD(ended);
    case Whom::One:
        break;
    }
    if (page == EnginePage::LogOut)
        return host.logoutAccount(id, ended);
    // The program's one way to log in: the password read where it is kept, then the run.
    m_program.login().logIn(id, frmWB::Current::Becomes, [done, ended](const AccountLogin::Outcome &outcome) {
        if (outcome.problem == PasswordProblem::None)
            return ended(outcome.run);
        Reply reply = Reply::failed(Reply::Why::Password);
        reply.problem = outcome.problem;
        done(reply);
    });
}

void RemoteCommands::withPassword(const QString &id, const Done &done,
                                  const std::function<void(const QString &password)> &use)
{
    const qint16 slot = qint16(m_program.accounts().ids().indexOf(id));
    QPointer<RemoteCommands> self(this);
    m_program.passwords().fetch(slot, id, [self, done, use](PasswordProblem problem, const QString &password) {
        if (!self)
            return;
        if (problem != PasswordProblem::None) {
            Reply reply = Reply::failed(Reply::Why::Password);
            reply.problem = problem;
            return done(reply);
        }
        use(password);
    });
}

void RemoteCommands::handle(const remote::LogIn &request, const Done &done)
{
    if (listed(request.id, done))
        logInOrOut(EnginePage::LogIn, Whom::One, request.id, done);
}

void RemoteCommands::handle(const remote::LogOut &request, const Done &done)
{
    if (!request.id)
        return logInOrOut(EnginePage::LogOut, Whom::Current, QString(), done);
    if (listed(*request.id, done))
        logInOrOut(EnginePage::LogOut, Whom::One, *request.id, done);
}

void RemoteCommands::handle(const remote::LogInAll &, const Done &done)
{
    logInOrOut(EnginePage::LogIn, Whom::Every, QString(), done);
}

void RemoteCommands::handle(const remote::LogOutAll &, const Done &done)
{
    logInOrOut(EnginePage::LogOut, Whom::Every, QString(), done);
}

void RemoteCommands::handle(const remote::Open &request, const Done &done)
{
    // Written as in the portal window's address bar: "www.livedoor.com/..." is a web address.
    const QUrl url = QUrl::fromUserInput(request.url);
    if (!isPortalPage(url))
        return done(Reply::mistake(Reply::Why::NotPortalPage, { request.url }));
    if (request.as && !listed(*request.as, done))
        return;
    // In the portal window whatever the links' setting: the page is to show as the account.
    const QString account = request.as.value_or(m_program.webHost().currentAccount());
    m_program.webHost().engine().openPortalPage(url, account, m_program.settings().portalWindowGeometry());
    done(Reply());
}

void RemoteCommands::handle(const remote::Copy &request, const Done &done)
{
    if (!listed(request.id, done))
        return;
    withPassword(request.id, done, [this, id = request.id, done](const QString &password) {
        // As the tray's ｸﾘｯﾌﾟﾎﾞｰﾄﾞ: marked as a secret, taken off again as the option says, and
        // told in the settings window.
        if (!m_program.clipboard().setSecretText(password))
            return done(Reply::failed(Reply::Why::CopyFailed));
        m_program.mainLd().showCopied(id);
        done(Reply());
    });
}

void RemoteCommands::handle(const remote::List &, const Done &done)
{
    Accounts &accounts = m_program.accounts();
    accounts.refresh();
    const QString current = m_program.webHost().currentAccount();
    Reply reply;
    bool currentShown = false;
    for (const QString &id : accounts.ids()) {
        QString line = id + (m_program.sessions().isLoggedIn(id) ? QStringLiteral("\tlogged-in")
                                                                  : QStringLiteral("\tlogged-out"));
        if (id == current && !std::exchange(currentShown, true))
            line += QStringLiteral("\tcurrent");
        reply.output.append(line);
    }
    done(reply);
}

void RemoteCommands::handle(const remote::Show &, const Done &done)
{
    m_program.visibility().ShowMainWindow();
    done(Reply());
}

void RemoteCommands::handle(const remote::Import &request, const Done &done)
{
    // The preview shows over the settings window, where the outcome is told too.
    m_program.visibility().ShowMainWindow();
    m_program.mainLd().importFile(request.path, [path = request.path, done](const frmMainLd::ImportOutcome &outcome) {
        using Kind = frmMainLd::ImportOutcome::Kind;
        Reply reply;
        switch (outcome.kind) {
        case Kind::Written:
            break;
        case Kind::Unreadable:
            reply = Reply::failed(Reply::Why::ImportUnreadable, { path });
            reply.importFailure = outcome.failure;
            break;
        case Kind::NoAccounts:
            reply = Reply::failed(Reply::Why::ImportNoAccounts);
            break;
        case Kind::Cancelled:
            reply = Reply::failed(Reply::Why::ImportCancelled);
            break;
        case Kind::NotRead:
        case Kind::NotWritten:
            reply = Reply::failed(Reply::Why::Password);
            reply.problem = outcome.problem;
            reply.writing = outcome.kind == Kind::NotWritten;
            break;
        }
        done(reply);
    });
}
