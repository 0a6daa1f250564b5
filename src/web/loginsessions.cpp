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

bool sameCookie(const LoginSessions::Cookie &a, const LoginSessions::Cookie &b)
{
    return a.name == b.name && a.domain == b.domain && a.path == b.path;
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

void LoginSessions::loginSucceeded(const QString &account, const std::vector<Cookie> &cookies)
{
    if (account.isEmpty())
        return;
    m_expired.removeAll(account);
    std::vector<Cookie> &kept = m_sessions[account];
    for (const Cookie &cookie : cookies) {
        const auto same = std::find_if(kept.begin(), kept.end(),
                                       [&](const Cookie &other) { return sameCookie(cookie, other); });
        if (same != kept.end())
            *same = cookie;
        else
            kept.push_back(cookie);
    }
    dropExpired();
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

void LoginSessions::cookiesGone(const QString &account, const std::vector<Cookie> &cookies)
{
    const auto session = m_sessions.find(account);
    if (session == m_sessions.end() || session->empty())
        return;
    const auto gone = std::erase_if(*session, [&](const Cookie &cookie) {
        return std::any_of(cookies.begin(), cookies.end(),
                           [&](const Cookie &other) { return sameCookie(cookie, other); });
    });
    if (gone == 0)
        return;
    if (session->empty())
        expire(account);
    commit();
}

void LoginSessions::keepListed()
{
    const QStringList listed = m_listed();
    bool removed = m_expired.removeIf([&](const QString &account) { return !listed.contains(account); }) > 0;
    for (auto session = m_sessions.begin(); session != m_sessions.end();) {
        if (listed.contains(session.key())) {
            ++session;
        } else {
            session = m_sessions.erase(session);
            removed = true;
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
    m_expiry.stop();
    if (next)
        m_expiry.start(int(std::min(now.msecsTo(*next) + 1, kLongestWaitMs)));
    return ended;
}

void LoginSessions::load()
{
    const QJsonObject sessions = QJsonDocument::fromJson(m_settings.loginSessions()).object();
    for (auto session = sessions.begin(); session != sessions.end(); ++session) {
        // The same form as the engine's messages carry.
        m_sessions[session.key()] = EngineChannel::cookiesFromJson(session.value());
    }
    m_expired = m_settings.expiredLogins();
}

void LoginSessions::save() const
{
    QJsonObject sessions;
    for (auto session = m_sessions.begin(); session != m_sessions.end(); ++session)
        sessions.insert(session.key(), EngineChannel::cookiesJson(*session));
    m_settings.setLoginSessions(sessions.isEmpty() ? QByteArray()
                                                   : QJsonDocument(sessions).toJson(QJsonDocument::Compact));
    m_settings.setExpiredLogins(m_expired);
}

void LoginSessions::commit()
{
    save();
    emit changed();
}
