#pragma once

#include "store/accountfile.h"
#include "store/passwordproblem.h"
#include "web/enginechannel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// What a later start of the program asks the running copy to do (the options of its command
// line), and the running copy's reply: one struct per request, each message one line of JSON.
// The reply carries data, not words: the asking side tells them in its user's language.
namespace remote {

struct LogIn
{
    QString id;
};
// Without an ID, the current account logs out.
struct LogOut
{
    std::optional<QString> id;
};
struct LogInAll
{
};
struct LogOutAll
{
};
// A page of the portal in the portal window, as the account or the current one.
struct Open
{
    QString url;
    std::optional<QString> as;
};
struct Copy
{
    QString id;
};
struct List
{
};
struct Show
{
};
// A file's accounts, through the preview; the path is absolute.
struct Import
{
    QString path;
};

using Request = std::variant<LogIn, LogOut, LogInAll, LogOutAll, Open, Copy, List, Show, Import>;

QByteArray encode(const Request &request);
std::optional<Request> decodeRequest(const QByteArray &message);

struct Reply
{
    // The asking program's exit status.
    enum class Status { Done = 0, Failed = 1, Mistake = 2 };
    enum class Why {
        None,
        // The ID is not listed (subjects: the ID).
        UnknownId,
        // The address is not a page of the portal (subjects: the address).
        NotPortalPage,
        // A login or logout ended so (page, outcome).
        Run,
        // Of every account's logins or logouts (page), those of these accounts failed
        // (subjects).
        SomeAccounts,
        // Logins or logouts of every account run already.
        EveryAccountRunning,
        // The password could not be read, or the accounts written (problem, writing).
        Password,
        // The clipboard did not take the password.
        CopyFailed,
        // The file (subjects: its path) could not be read (importFailure), holds no account of
        // the portal, or the user cancelled its preview.
        ImportUnreadable,
        ImportNoAccounts,
        ImportCancelled,
        // The running copy did not answer, or no copy could be started: the asking side's own.
        NoAnswer,
        NotStarted,
    };

    Status status = Status::Done;
    Why why = Why::None;
    QStringList subjects = {};
    EnginePage page = EnginePage::LogIn;
    RunOutcome outcome = RunOutcome::Done;
    PasswordProblem problem = PasswordProblem::None;
    bool writing = false;
    ImportFailure importFailure = {};
    // What the asking side prints on its standard output, a line each.
    QStringList output = {};

    static Reply failed(Why why, QStringList subjects = {}) { return { Status::Failed, why, std::move(subjects) }; }
    static Reply mistake(Why why, QStringList subjects = {}) { return { Status::Mistake, why, std::move(subjects) }; }
};

QByteArray encode(const Reply &reply);
std::optional<Reply> decodeReply(const QByteArray &message);

// Why the request failed, in Japanese or in English; empty when it did not fail.
QString replyText(const Reply &reply, bool japanese);

} // namespace remote
