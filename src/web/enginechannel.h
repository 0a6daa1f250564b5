#pragma once

#include "web/pagestep.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <optional>
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
// no text inside a message (a password included) can end it early or start another.
//
// Each account the user logs in as has a profile of its own in the engine (its cookies apart
// from every other account's); pages opened before any login use the guest profile (the
// account's name is empty).
//
// The program sends {"type":"run"} (with the account whose profile it runs in); the helper
// answers "ready" once its engine is up, "started" and "ended" for each run, and "bye" before
// it ends by itself when idle. "cancel" ends a run the program has given up on; the helper
// answers it with "ended" whether or not that run still went on, which tells the program that
// the helper still answers.
//
// The program sends "prepare" as the user opens a menu of pages or logins, naming the account
// whose profile will likely serve it.
//
// The portal window: the program sends "open" (a page for a new tab in an account's profile,
// with the window's saved geometry), which the helper answers with "opened", and "forget" for an
// account the user removed, whose profile goes once no tab shows it. The helper sends "external"
// for a page it leaves to the default browser and "geometry" when its window has moved or closed.
// A helper that starts finds the tabs that a helper before it left behind, should that one have
// ended unexpectedly with its window open. It opens them again only when the program sends
// "restore" (first thing, to the helper that replaces one it saw end so), with the accounts the
// program lists: tabs of other accounts stay closed, the guest's come back. The helper answers
// "restored" with how many tabs came back; any other helper lets the tabs it found go.
//
// Which accounts are logged in: the "ended" of a login run that succeeded names the portal's
// cookies the run set, "cookiesgone" those that went from a profile afterwards, and "loginform"
// a tab that the portal sent to its login form outside a run. The program sends "sessions", the
// accounts listed and those of them logged in, when the helper is ready and whenever they change. A tab whose login
// expired gets a "renewal" offer (the user answers "renew") unless the program logs in again by
// itself; "renewal" done or failed follows that login.
namespace EngineChannel {

// A message longer than this breaks the channel: no run needs a fraction of it.
constexpr qsizetype kMaxMessage = 1 << 20;

QByteArray encode(const QJsonObject &message);

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

struct Run
{
    quint64 id = 0;
    EnginePage page = EnginePage::LogIn;
    // Whose profile the run drives; empty for the guest's.
    QString account;
    std::vector<PageStep> steps;
    std::chrono::milliseconds budget{ 0 };
};

QJsonObject runMessage(const Run &run);
std::optional<Run> parseRun(const QJsonObject &message);

QJsonObject plainMessage(const char *type);
QJsonObject startedMessage(quint64 id);
// One of the portal's cookies in an account's profile, as the program keeps track of a login: no
// expiry for a cookie that lasts as long as the profile keeps it.
struct SessionCookie
{
    QString name, domain, path;
    std::optional<QDateTime> expires;
    bool operator==(const SessionCookie &) const = default;
};

// A login run that ended Done carries the portal's cookies it set or changed in the account's
// profile (names, domains, paths and expiry times, never values).
QJsonObject endedMessage(quint64 id, RunOutcome outcome, const std::vector<SessionCookie> &cookies = {});
// The outcome an "ended" message reports, if it is one.
std::optional<RunOutcome> parseOutcome(const QJsonObject &message);
bool isType(const QJsonObject &message, const char *type);
quint64 runId(const QJsonObject &message);
QJsonObject cancelMessage(quint64 id);
// The run a "cancel" message gives up, if it is one.
std::optional<quint64> parseCancel(const QJsonObject &message);

struct OpenPage
{
    quint64 id = 0;
    QUrl url;
    // Whose profile the page opens in; empty for the guest's.
    QString account;
    // The window's geometry as it was last saved; empty for none.
    QByteArray geometry;
};

QJsonObject openMessage(const OpenPage &open);
std::optional<OpenPage> parseOpen(const QJsonObject &message);
QJsonObject openedMessage(quint64 id);
// The id an "opened" message acknowledges, if it is one.
std::optional<quint64> parseOpened(const QJsonObject &message);

// The user is on the way to a page or a login, most likely as this account: its profile is made
// ready.
QJsonObject prepareMessage(const QString &account);
std::optional<QString> parsePrepare(const QJsonObject &message);
QJsonObject forgetMessage(const QString &account);
std::optional<QString> parseForget(const QJsonObject &message);
// Open again the tabs left behind, those of these accounts and the guest's.
QJsonObject restoreMessage(const QStringList &accounts);
std::optional<QStringList> parseRestore(const QJsonObject &message);
QJsonObject restoredMessage(int tabs);
// How many tabs a "restored" message says came back, if it is one.
std::optional<int> parseRestored(const QJsonObject &message);
QJsonObject externalMessage(const QUrl &url);
std::optional<QUrl> parseExternal(const QJsonObject &message);
QJsonObject geometryMessage(const QByteArray &geometry);
std::optional<QByteArray> parseGeometry(const QJsonObject &message);

// The cookies an "ended" message carries; none for any other message.
std::vector<SessionCookie> parseEndedCookies(const QJsonObject &message);

// Cookies of the portal's hosts went from the account's profile, whoever removed them.
struct CookiesGone
{
    QString account;
    std::vector<SessionCookie> cookies;
};
QJsonObject cookiesGoneMessage(const QString &account, const std::vector<SessionCookie> &cookies);
std::optional<CookiesGone> parseCookiesGone(const QJsonObject &message);

// The portal sent a tab of the account (an id the helper gives each tab) to its login form
// outside any run; `url` is the address the tab showed before.
struct LoginForm
{
    QString account;
    quint64 tab = 0;
    QUrl url;
};
QJsonObject loginFormMessage(const QString &account, quint64 tab, const QUrl &url);
std::optional<LoginForm> parseLoginForm(const QJsonObject &message);

// The user asked, on the tab's bar, for the account's login again.
struct Renew
{
    QString account;
    quint64 tab = 0;
};
QJsonObject renewMessage(const QString &account, quint64 tab);
std::optional<Renew> parseRenew(const QJsonObject &message);

// The accounts listed, and those of them logged in, in the list's order.
struct Sessions
{
    QStringList listed;
    QStringList loggedIn;
};
QJsonObject sessionsMessage(const Sessions &sessions);
std::optional<Sessions> parseSessions(const QJsonObject &message);

// What a tab whose login expired shows: the offer to log in again, the renewal done (the tab goes
// back to its address), or the renewal failed with the status text the login would show.
enum class RenewalState { Offer, Done, Failed };
struct Renewal
{
    quint64 tab = 0;
    RenewalState state = RenewalState::Offer;
    QString text;
};
QJsonObject renewalMessage(quint64 tab, RenewalState state, const QString &text = {});
std::optional<Renewal> parseRenewal(const QJsonObject &message);

} // namespace EngineChannel
