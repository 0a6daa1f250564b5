#include "web/loginsessions.h"

#include "store/programsettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// The timer is set at most this far ahead, and set again then: a cookie may
// last for years.
constexpr qint64 kLongestWaitMs = 24 * 60 * 60 * 1000;

using Cookie = LoginSessions::Cookie;

bool sameCookie(const Cookie &a, const Cookie &b)
{
    return EngineChannel::cookieKey(a) == EngineChannel::cookieKey(b);
}

// Puts the cookie among the cookies, in place of the same one; whether that changed them.
bool put(std::vector<Cookie> &cookies, const Cookie &cookie)
{
    const auto same = std::find_if(cookies.begin(), cookies.end(),
                                   [&](const Cookie &other) { return sameCookie(cookie, other); });
    if (same == cookies.end()) {
        cookies.push_back(cookie);
        return true;
    }
    if (*same == cookie)
        return false;
    *same = cookie;
    return true;
}

// Takes these cookies off the cookies; how many there were.
std::size_t takeOff(std::vector<Cookie> &cookies, const std::vector<Cookie> &gone)
{
    return std::erase_if(cookies, [&](const Cookie &cookie) {
        return std::any_of(gone.begin(), gone.end(), [&](const Cookie &other) { return sameCookie(cookie, other); });
    });
}

QJsonObject cookiesByAccount(const QHash<QString, std::vector<Cookie>> &accounts)
{
    QJsonObject json;
    for (auto account = accounts.begin(); account != accounts.end(); ++account)
        json.insert(account.key(), EngineChannel::cookiesJson(*account));
    return json;
}

QHash<QString, std::vector<Cookie>> cookiesByAccount(const QByteArray &text)
{
    QHash<QString, std::vector<Cookie>> accounts;
    const QJsonObject json = QJsonDocument::fromJson(text).object();
    for (auto account = json.begin(); account != json.end(); ++account)
        accounts.insert(account.key(), EngineChannel::cookiesFromJson(account.value()));
    return accounts;
}

QByteArray compact(const QJsonObject &json)
{
    return json.isEmpty() ? QByteArray() : QJsonDocument(json).toJson(QJsonDocument::Compact);
}

} // namespace

LoginSessions::LoginSessions(ProgramSettings &settings, std::function<QStringList()> listed,
                             std::function<QDateTime()> now, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_listed(std::move(listed))
    , m_now(now ? std::move(now) : [] { return QDateTime::currentDateTimeUtc(); })
{
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, [this] {
        if (dropExpired())
            commit();
    });
    load();
    // Expiry times that passed while the program was not running end their logins
    // now.
    if (dropExpired())
        save();
}

LoginSessions::~LoginSessions() = default;

bool LoginSessions::isLoggedIn(const QString &account) const
{
    return !account.isEmpty() && m_sessions.contains(account) && m_listed().contains(account);
}

bool LoginSessions::hasExpired(const QString &account) const
{
    return m_expired.contains(account) && m_listed().contains(account);
}

QStringList LoginSessions::loggedIn() const
{
    QStringList accounts;
    for (const QString &account : m_listed()) {
        if (m_sessions.contains(account) && !accounts.contains(account))
            accounts << account;
    }
    return accounts;
}

QStringList LoginSessions::holdingLogins() const
{
    QStringList accounts;
    for (const QString &account : m_listed()) {
        if ((m_sessions.contains(account) || m_held.contains(account)) && !accounts.contains(account))
            accounts << account;
    }
    return accounts;
}

bool LoginSessions::isLoginCookie(const Cookie &cookie) const
{
    return m_loginCookies.contains(EngineChannel::cookieKey(cookie));
}

void LoginSessions::learn(const Cookie &cookie)
{
    m_loginCookies.insert(EngineChannel::cookieKey(cookie), { cookie.name, cookie.domain, cookie.path, std::nullopt });
}

void LoginSessions::loginSucceeded(const QString &account, const std::vector<Cookie> &cookies)
{
    if (account.isEmpty() || (cookies.empty() && !m_sessions.contains(account)))
        return;
    for (const Cookie &cookie : cookies) {
        learn(cookie);
        put(m_held[account], cookie);
    }
    m_expired.removeAll(account);
    std::vector<Cookie> &kept = m_sessions[account];
    for (const Cookie &cookie : cookies)
        put(kept, cookie);
    dropExpired();
    commit();
}

void LoginSessions::adopted(const QString &account)
{
    if (account.isEmpty() || m_sessions.contains(account))
        return;
    m_expired.removeAll(account);
    m_sessions.insert(account, {});
    commit();
}

void LoginSessions::loggedOut(const QString &account)
{
    const bool expired = m_expired.removeAll(account) > 0;
    if (m_sessions.remove(account) || expired)
        commit();
}

void LoginSessions::loginFormShown(const QString &account)
{
    if (!m_sessions.contains(account))
        return;
    expire(account);
    commit();
}

void LoginSessions::expire(const QString &account)
{
    m_sessions.remove(account);
    if (!m_expired.contains(account))
        m_expired.append(account);
}

void LoginSessions::cookiesChanged(const QString &account, const std::vector<Cookie> &set,
                                   const std::vector<Cookie> &gone)
{
    if (account.isEmpty())
        return;
    std::vector<Cookie> logins;
    std::copy_if(set.begin(), set.end(), std::back_inserter(logins),
                 [this](const Cookie &cookie) { return isLoginCookie(cookie); });
    bool changed = false;
    {
        std::vector<Cookie> &held = m_held[account];
        changed = takeOff(held, gone) > 0;
        for (const Cookie &cookie : logins)
            changed = put(held, cookie) || changed;
        if (held.empty())
            m_held.remove(account);
    }
    const auto session = m_sessions.find(account);
    if (session != m_sessions.end()) {
        // Cookies not known (an adopted profile's) are not ended by cookies going.
        const bool tracked = !session->empty();
        const bool ended = takeOff(*session, gone) > 0 && session->empty();
        for (const Cookie &cookie : logins)
            put(*session, cookie);
        if (tracked && ended && session->empty())
            expire(account);
    } else if (!logins.empty() && m_expired.contains(account)) {
        // Logged in again without a run of the program's: the portal's own renewal, a login on
        // the portal window's page.
        m_expired.removeAll(account);
        m_sessions.insert(account, logins);
        changed = true;
    }
    if (changed) {
        dropExpired();
        commit();
    }
}

void LoginSessions::keepListed()
{
    const QStringList listed = m_listed();
    bool removed = m_expired.removeIf([&](const QString &account) { return !listed.contains(account); }) > 0;
    for (auto *accounts : { &m_sessions, &m_held }) {
        for (auto session = accounts->begin(); session != accounts->end();) {
            if (listed.contains(session.key())) {
                ++session;
            } else {
                session = accounts->erase(session);
                removed = true;
            }
        }
    }
    if (removed)
        commit();
}

bool LoginSessions::dropExpired()
{
    const QDateTime now = m_now();
    bool ended = false;
    std::optional<QDateTime> next;
    for (auto session = m_sessions.begin(); session != m_sessions.end();) {
        std::vector<Cookie> &cookies = *session;
        const bool tracked = !cookies.empty();
        std::erase_if(cookies, [&](const Cookie &cookie) { return cookie.expires && *cookie.expires <= now; });
        if (tracked && cookies.empty()) {
            if (!m_expired.contains(session.key()))
                m_expired.append(session.key());
            session = m_sessions.erase(session);
            ended = true;
            continue;
        }
        for (const Cookie &cookie : cookies) {
            if (cookie.expires && (!next || *cookie.expires < *next))
                next = cookie.expires;
        }
        ++session;
    }
    for (auto held = m_held.begin(); held != m_held.end();) {
        std::erase_if(*held, [&](const Cookie &cookie) { return cookie.expires && *cookie.expires <= now; });
        held = held->empty() ? m_held.erase(held) : std::next(held);
    }
    m_expiry.stop();
    if (next)
        m_expiry.start(int(std::min(now.msecsTo(*next) + 1, kLongestWaitMs)));
    return ended;
}

void LoginSessions::load()
{
    // The same form as the engine's messages carry.
    m_sessions = cookiesByAccount(m_settings.loginSessions());
    m_expired = m_settings.expiredLogins();
    for (const Cookie &cookie : EngineChannel::cookiesFromJson(QJsonDocument::fromJson(m_settings.loginCookies()).array()))
        learn(cookie);
    m_held = cookiesByAccount(m_settings.portalCookies());
    // A version before kept only the logins and their cookies: those are the login cookies, and
    // the profiles hold them.
    if (m_settings.loginCookies().isEmpty()) {
        for (const std::vector<Cookie> &cookies : std::as_const(m_sessions)) {
            for (const Cookie &cookie : cookies)
                learn(cookie);
        }
        for (auto session = m_sessions.begin(); session != m_sessions.end(); ++session) {
            if (!session->empty())
                m_held.insert(session.key(), *session);
        }
    }
}

void LoginSessions::save() const
{
    m_settings.setLoginSessions(compact(cookiesByAccount(m_sessions)));
    m_settings.setExpiredLogins(m_expired);
    const std::vector<Cookie> loginCookies(m_loginCookies.cbegin(), m_loginCookies.cend());
    m_settings.setLoginCookies(loginCookies.empty() ? QByteArray()
                                                    : QJsonDocument(EngineChannel::cookiesJson(loginCookies).toArray())
                                                                .toJson(QJsonDocument::Compact));
    m_settings.setPortalCookies(compact(cookiesByAccount(m_held)));
}

void LoginSessions::commit()
{
    save();
    emit changed();
}
