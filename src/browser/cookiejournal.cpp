#include "browser/cookiejournal.h"

#include "browser/sessioncookies.h"
#include "platform/privatefile.h"

#include <QFile>
#include <QUrl>
#include <QWebEngineCookieStore>

namespace {

// A journal far larger than its changes can be is not one: a cookie has at most 4 KB of name and
// value and 1 KB of each other attribute, about 8.5 KB in its line.
constexpr qint64 kLongestLine = 8704;
constexpr qint64 kMaxJournal = CookieJournal::kMaxChanges * kLongestLine;

// Where a cookie is set from: its own domain (a leading dot is for its subdomains) and path.
QUrl originOf(const QNetworkCookie &cookie)
{
    QString host = cookie.domain();
    if (host.startsWith(QLatin1Char('.')))
        host.remove(0, 1);
    QUrl origin;
    origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
    origin.setHost(host);
    origin.setPath(cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path());
    return origin;
}

} // namespace

CookieJournal::CookieJournal(QWebEngineCookieStore *store, const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
    m_write.setSingleShot(true);
    m_write.setInterval(kWriteDelay);
    connect(&m_write, &QTimer::timeout, this, &CookieJournal::write);

    // Followed before a journal left behind is put back: what that changes in the store goes
    // into this journal too. The store takes its calls in order, the removals here first, so
    // that none takes a cookie of the same name set after it.
    const auto changed = [this](const QNetworkCookie &cookie, bool removed) {
        const QByteArray key = cookieKey(cookie);
        if (removed) {
            m_set.remove(key);
            m_gone.insert(key, cookie);
        } else {
            m_gone.remove(key);
            m_set.insert(key, cookie);
        }
        note(key, cookie, removed, Clock::now());
        // Not put off by the changes that follow: a page that changes its cookies on and on
        // would keep the journal from being written at all.
        if (!m_write.isActive())
            m_write.start();
    };
    connect(store, &QWebEngineCookieStore::cookieAdded, this,
            [changed](const QNetworkCookie &cookie) { changed(cookie, false); });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [changed](const QNetworkCookie &cookie) { changed(cookie, true); });
    QFile left(path);
    if (!left.open(QIODevice::ReadOnly) || left.size() > kMaxJournal)
        return;
    // Its word stands until the store says otherwise, whether or not the store had a cookie to
    // change: a journal left by a profile let go is this one's to carry on. Its changes are this
    // store's to hold from now on.
    const Clock::time_point now = Clock::now();
    QList<QNetworkCookie> set;
    QList<QNetworkCookie> removed;
    for (QByteArray line : left.readAll().split('\n')) {
        line = line.trimmed();
        const bool removal = line.startsWith('-');
        const auto raw = QByteArray::fromBase64Encoding(removal ? line.mid(1) : line,
                                                        QByteArray::AbortOnBase64DecodingErrors);
        if (!raw || raw.decoded.isEmpty())
            continue;
        for (const QNetworkCookie &cookie : QNetworkCookie::parseCookies(raw.decoded)) {
            note(cookieKey(cookie), cookie, removal, now);
            (removal ? removed : set) << cookie;
        }
    }
    for (const QNetworkCookie &cookie : std::as_const(removed)) {
        if (const QUrl origin = originOf(cookie); origin.isValid() && !origin.host().isEmpty())
            store->deleteCookie(cookie, origin);
    }
    for (const QNetworkCookie &cookie : std::as_const(set)) {
        if (const QUrl origin = originOf(cookie); origin.isValid() && !origin.host().isEmpty())
            store->setCookie(cookie, origin);
    }
}

CookieJournal::~CookieJournal()
{
    if (!m_keep)
        QFile::remove(m_path);
    else if (m_write.isActive())
        save();
}

void CookieJournal::keep()
{
    m_keep = true;
    if (m_write.isActive()) {
        m_write.stop();
        write();
    }
}

void CookieJournal::note(const QByteArray &key, const QNetworkCookie &cookie, bool removed, Clock::time_point at)
{
    if (const auto earlier = m_byKey.constFind(key); earlier != m_byKey.cend())
        m_changes.erase(*earlier);
    m_byKey.insert(key, m_changes.insert(m_changes.end(), { key, cookie, removed, at }));
    if (m_changes.size() > size_t(kMaxChanges))
        dropOldest();
}

void CookieJournal::dropOldest()
{
    m_byKey.remove(m_changes.front().key);
    m_changes.pop_front();
}

void CookieJournal::save()
{
    const Clock::time_point held = Clock::now() - kHeldAfter;
    while (!m_changes.empty() && m_changes.front().at < held)
        dropOldest();
    // A cookie set is a line of its own, a cookie removed one that starts with "-".
    QByteArray journal;
    for (const Change &change : m_changes) {
        if (change.removed)
            journal += '-';
        journal += change.cookie.toRawForm(QNetworkCookie::Full).toBase64() + '\n';
    }
    PrivateFile::replace(m_path, journal);
}

void CookieJournal::write()
{
    save();
    if (!m_set.isEmpty() || !m_gone.isEmpty())
        emit cookiesChanged(std::exchange(m_set, {}).values(), std::exchange(m_gone, {}).values());
}
