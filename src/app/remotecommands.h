#pragma once

#include "app/remoterequest.h"
#include "web/enginechannel.h"

#include <QObject>

#include <functional>
#include <memory>

class EveryAccount;
class Program;
class SingleInstance;

// The running copy's side of the command line: runs each request that a later start hands over
// through the single-instance channel with the program's own commands, and replies once it has
// ended (a login once its run has ended, an import once its preview has been answered).
class RemoteCommands : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(const remote::Reply &reply)>;

    RemoteCommands(SingleInstance &instance, Program &program, QObject *parent = nullptr);
    ~RemoteCommands() override;

    void run(const remote::Request &request, const Done &done);

    // Whom a login or logout is for: one account, the current one (a logout), or every account.
    enum class Whom { One, Current, Every };
    // Every login and logout the command line asks for goes through here, and through nothing
    // else: what the tray's ログイン, ログアウト and すべてのアカウントで… entries call.
    void logInOrOut(EnginePage page, Whom whom, const QString &id, const Done &done);

private:
    void handle(const remote::LogIn &request, const Done &done);
    void handle(const remote::LogOut &request, const Done &done);
    void handle(const remote::LogInAll &request, const Done &done);
    void handle(const remote::LogOutAll &request, const Done &done);
    void handle(const remote::Open &request, const Done &done);
    void handle(const remote::Copy &request, const Done &done);
    void handle(const remote::List &request, const Done &done);
    void handle(const remote::Show &request, const Done &done);
    void handle(const remote::Import &request, const Done &done);
    // Whether the ID is listed now (the store read again first); a reply for one that is not.
    bool listed(const QString &id, const Done &done);
    // Hands the listed account's password to `use` once it has been read (the keyring may take a
    // while); a password that cannot be read is the reply instead.
    void withPassword(const QString &id, const Done &done, const std::function<void(const QString &password)> &use);

    Program &m_program;
    // The program's one, which the tray shows and stops too.
    EveryAccount &m_everyAccount;
    // The reply that waits for the every-account run to end.
    Done m_everyAccountDone;
};
