#pragma once

#include "web/pagestep.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <optional>
#include <variant>
#include <vector>

// Which of the engine's two silent pages a run drives.
enum class EnginePage { LogIn, LogOut };
// How a run ended; the program turns it into the status text the user sees. WrongPage: the page
// was not where a step may act (the login page went elsewhere), so the step did nothing.
// Cancelled: the program dropped the run before it began (its account was removed).
// EngineEnded and EngineUnavailable are the program's own word, never the helper's: the helper
// ended during the run, or could not be started.
enum class RunOutcome { Done, Failed, TimedOut, WrongPage, Cancelled, EngineEnded, EngineUnavailable };

// The private channel between the program and its browser engine helper: the helper's standard
// input and output carry JSON objects, each framed by its length (four bytes, big-endian), so
// no text inside a message (a password included) can end it early or start another. Each
// message is one struct below, in one of two variants, one for each direction; each direction
// has one encode and one parse, and the keys are named in one place (enginemessages.cpp).
//
// Each account the user logs in as has a profile of its own in the engine (its cookies apart
// from every other account's); pages opened before any login use the guest profile (the
// account's name is empty).
//
// The helper says Ready, with the version of the channel it speaks, once its engine is up: a
// helper of another version (one installed by an update while the program ran) is ended.
// The program sends Run (with the account whose profile it runs in); the helper answers Started
// and Ended for each run, and Bye before it ends by itself when idle. Cancel ends a run the
// program has given up on; the helper answers it with Ended whether or not that run still went
// on, which tells the program that the helper still answers.
//
// The program sends Prepare as the user opens a menu of pages or logins, naming the account
// whose profile will likely serve it.
//
// The portal window: the program sends Open (a page for a new tab in an account's profile, with
// the window's saved geometry), which the helper answers with Opened, and Forget for an account
// the user removed, whose profile goes once no tab shows it. The helper sends External for a
// page it leaves to the default browser and Geometry when its window has moved or closed. A
// helper that starts finds the tabs that a helper before it left behind, should that one have
// ended unexpectedly with its window open. It opens them again only when the program sends
// Restore (first thing, to the helper that replaces one it saw end so), with the accounts the
// program lists: tabs of other accounts stay closed, the guest's come back. The helper answers
// Restored with how many tabs came back; any other helper lets the tabs it found go.
//
// Which accounts are logged in: the Ended of a login run that succeeded names the portal's
// cookies the run set, Cookies every change of the portal's cookies in a profile the helper holds
// (those it finds in a profile as it makes it among the set), and LoginForm a tab that the portal
// sent to its login form outside a run. The program sends Sessions, the
// accounts listed and those of them logged in, when the helper is ready and whenever they
// change. A tab whose login expired gets a Renewal offer (the user answers Renew) unless the
// program logs in again by itself; Renewal done or failed (with the login's outcome, which the
// helper says in words) follows that login.
namespace EngineChannel {

// The version of the messages below: each side's build speaks one.
constexpr int kVersion = 3;
// A message longer than this breaks the channel: no run needs a fraction of it.
constexpr qsizetype kMaxMessage = 1 << 20;

// A message's bytes on the channel: its length, then its JSON text.
QByteArray frame(const QJsonObject &message);

// Cuts the bytes read from the other side into messages.
class Reader
{
public:
    void append(const QByteArray &bytes);
    // The next whole message, if it has arrived.
    std::optional<QJsonObject> next();
    // Whether the other side broke the framing (a message too long, or not a JSON object);
    // nothing more is read from it then.
    bool broken() const { return m_broken; }

private:
    QByteArray m_buffer;
    bool m_broken = false;
};

// One of the portal's cookies in an account's profile, as the program keeps track of a login: no
// expiry for a cookie that lasts as long as the profile keeps it. Never its value.
struct SessionCookie
{
    QString name, domain, path;
    std::optional<QDateTime> expires;
    bool operator==(const SessionCookie &) const = default;
};
// A cookie's identity, the same in both processes: a store holds one cookie of each name, domain
// and path.
QByteArray cookieKey(QByteArrayView name, QStringView domain, QStringView path);
inline QByteArray cookieKey(const SessionCookie &cookie)
{
    return cookieKey(cookie.name.toUtf8(), cookie.domain, cookie.path);
}
// Cookies as the messages carry them (the program's settings keep them so too).
QJsonValue cookiesJson(const std::vector<SessionCookie> &cookies);
std::vector<SessionCookie> cookiesFromJson(const QJsonValue &value);

// What a tab whose login expired shows: the offer to log in again, the renewal done (the tab goes
// back to its address), or the renewal failed, with the outcome of the login.
enum class RenewalState { Offer, Done, Failed };

// From the program to the helper.
struct Run
{
    quint64 id = 0;
    EnginePage page = EnginePage::LogIn;
    // Whose profile the run drives; empty for the guest's.
    QString account;
    std::vector<PageStep> steps;
    std::chrono::milliseconds budget{ 0 };
};
struct Cancel
{
    quint64 run = 0;
};
struct OpenPage
{
    quint64 id = 0;
    QUrl url;
    // Whose profile the page opens in; empty for the guest's.
    QString account;
    // The window's geometry as it was last saved; empty for none.
    QByteArray geometry;
};
// The user is on the way to a page or a login, most likely as this account: its profile is made
// ready.
struct Prepare
{
    QString account;
};
// The user removed the account (never the guest).
struct Forget
{
    QString account;
};
// Open again the tabs left behind, those of these accounts and the guest's.
struct Restore
{
    QStringList accounts;
};
// The accounts listed, and those of them logged in, in the list's order.
struct Sessions
{
    QStringList listed;
    QStringList loggedIn;
};
struct Renewal
{
    quint64 tab = 0;
    RenewalState state = RenewalState::Offer;
    // How the login of a failed renewal ended.
    RunOutcome outcome = RunOutcome::Failed;
};
using ToHelper = std::variant<Run, Cancel, OpenPage, Prepare, Forget, Restore, Sessions, Renewal>;

// From the helper to the program.
struct Ready
{
    int version = 0;
};
struct Started
{
    quint64 run = 0;
};
struct Ended
{
    quint64 run = 0;
    RunOutcome outcome = RunOutcome::Failed;
    // A login run that ended Done carries the portal's cookies it set or changed in the
    // account's profile.
    std::vector<SessionCookie> cookies;
};
struct Bye
{
};
struct Opened
{
    quint64 open = 0;
};
struct Restored
{
    int tabs = 0;
};
// A page the portal window leaves to the default browser.
struct External
{
    QUrl url;
};
// The portal window has moved, been resized or closed.
struct Geometry
{
    QByteArray geometry;
};
// Cookies of the portal's hosts were set in the account's profile, or went from it, whoever
// changed them: a page, a run, the profile's own store as it was loaded.
struct Cookies
{
    QString account;
    std::vector<SessionCookie> set;
    std::vector<SessionCookie> gone;
};
// The portal sent a tab of the account (an id the helper gives each tab, never one twice in its
// run) to its login form outside any run; `url` is the address the tab showed before.
struct LoginForm
{
    QString account;
    quint64 tab = 0;
    QUrl url;
};
// The user asked, on the tab's bar, for the account's login again.
struct Renew
{
    QString account;
    quint64 tab = 0;
};
using FromHelper = std::variant<Ready, Started, Ended, Bye, Opened, Restored, External, Geometry, Cookies,
                                LoginForm, Renew>;

// Each direction's one encode and one parse. A message that is not one of its direction's, or
// that lacks what it must carry (a valid web address, geometry in Base64, a known outcome, step
// or state), parses as none.
QJsonObject encode(const ToHelper &message);
QJsonObject encode(const FromHelper &message);
std::optional<ToHelper> parseToHelper(const QJsonObject &message);
std::optional<FromHelper> parseFromHelper(const QJsonObject &message);

// Handlers for a std::visit over a message: one for each type, so that a message nobody handles
// does not compile.
template <typename... Handlers>
struct Visitor : Handlers...
{
    using Handlers::operator()...;
};
template <typename... Handlers>
Visitor(Handlers...) -> Visitor<Handlers...>;

} // namespace EngineChannel
