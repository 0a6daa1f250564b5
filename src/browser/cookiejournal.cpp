#include "browser/cookiejournal.h"

#include "platform/privatefile.h"

#include <QFile>
#include <QUrl>
#include <QWebEngineCookieStore>

namespace {

// A journal far larger than this is not one.
constexpr qint64 kMaxJournal = 4 << 20;

QByteArray keyOf(const QNetworkCookie &cookie)
{
    return cookie.name() + '\n' + cookie.domain().toUtf8() + '\n' + cookie.path().toUtf8();
}

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
    connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie &cookie) {
        m_removed.remove(keyOf(cookie));
        m_gone.remove(keyOf(cookie));
        m_set.insert(keyOf(cookie), cookie);
        m_write.start();
    });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, [this](const QNetworkCookie &cookie) {
        m_set.remove(keyOf(cookie));
        m_removed.insert(keyOf(cookie), cookie);
        m_gone.insert(keyOf(cookie), cookie);
        m_write.start();
    });
    QFile left(path);
    if (left.open(QIODevice::ReadOnly) && left.size() <= kMaxJournal) {
        const Entries entries = decode(left.readAll());
        // Its word stands until the store says otherwise, whether or not the store had a cookie
        // to change: a journal left by a profile let go is this one's to carry on.
        for (const QNetworkCookie &cookie : entries.set)
            m_set.insert(keyOf(cookie), cookie);
        for (const QNetworkCookie &cookie : entries.removed)
            m_removed.insert(keyOf(cookie), cookie);
        for (const QNetworkCookie &cookie : entries.removed) {
            if (const QUrl origin = originOf(cookie); origin.isValid() && !origin.host().isEmpty())
                store->deleteCookie(cookie, origin);
        }
        for (const QNetworkCookie &cookie : entries.set) {
            if (const QUrl origin = originOf(cookie); origin.isValid() && !origin.host().isEmpty())
                store->setCookie(cookie, origin);
        }
    }
}

CookieJournal::~CookieJournal()
{
    if (!m_keep)
        QFile::remove(m_path);
    else if (m_write.isActive())
        PrivateFile::replace(m_path, encode({ m_set.values(), m_removed.values() }));
}

void CookieJournal::keep()
{
    m_keep = true;
    if (m_write.isActive()) {
        m_write.stop();
        write();
    }
}

QByteArray CookieJournal::encode(const Entries &entries)
{
    // A cookie set is a line of its own, a cookie removed one that starts with "-".
    QByteArray journal;
    for (const QNetworkCookie &cookie : entries.set)
        journal += cookie.toRawForm(QNetworkCookie::Full).toBase64() + '\n';
    for (const QNetworkCookie &cookie : entries.removed)
        journal += '-' + cookie.toRawForm(QNetworkCookie::Full).toBase64() + '\n';
    return journal;
}

CookieJournal::Entries CookieJournal::decode(const QByteArray &journal)
{
    Entries entries;
    for (QByteArray line : journal.split('\n')) {
        line = line.trimmed();
        const bool removed = line.startsWith('-');
        const auto raw = QByteArray::fromBase64Encoding(removed ? line.mid(1) : line,
                                                        QByteArray::AbortOnBase64DecodingErrors);
        if (raw && !raw.decoded.isEmpty())
            (removed ? entries.removed : entries.set) += QNetworkCookie::parseCookies(raw.decoded);
    }
    return entries;
}

void CookieJournal::write()
{
    PrivateFile::replace(m_path, encode({ m_set.values(), m_removed.values() }));
    if (!m_gone.isEmpty())
        emit cookiesGone(std::exchange(m_gone, {}).values());
}
