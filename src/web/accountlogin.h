#pragma once

#include "store/passwordproblem.h"
#include "web/frmwb.h"

#include <QObject>
#include <QString>

#include <functional>

class Accounts;
class Passwords;

// The one way the program logs an account in, whoever asks (the tray, the settings window, the
// runs over every account, the renewal of an expired login): the account's password is read
// where it is kept (the store or the keyring, which may take a while), and the login runs once
// it is there, never without it.
class AccountLogin : public QObject
{
    Q_OBJECT
public:
    // How a login went: the password could not be read (and no login ran), or how the run ended.
    struct Outcome
    {
        PasswordProblem problem = PasswordProblem::None;
        RunOutcome run = RunOutcome::Done;

        bool done() const { return problem == PasswordProblem::None && run == RunOutcome::Done; }
    };
    using Done = std::function<void(const Outcome &outcome)>;

    AccountLogin(Accounts &accounts, Passwords &passwords, frmWB &webHost, QObject *parent = nullptr);

    // Logs in as the account in the slot, which must still hold `id`.
    void logIn(qint16 slot, const QString &id, frmWB::Current current, Done done);
    // Logs in as the account with this ID: the first slot that holds it now.
    void logIn(const QString &id, frmWB::Current current, Done done);

private:
    Accounts &m_accounts;
    Passwords &m_passwords;
    frmWB &m_webHost;
};
