#include "browser/cookiejournal.h"

#include "browser/userfile.h"

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

    QFile left(path);
    if (left.open(QIODevice::ReadOnly) && left.size() <= kMaxJournal) {
        for (const QNetworkCookie &cookie : decode(left.readAll())) {
            const QUrl origin = originOf(cookie);
            if (origin.isValid() && !origin.host().isEmpty())
                store->setCookie(cookie, origin);
        }
    }
    connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie &cookie) {
        m_cookies.insert(keyOf(cookie), cookie);
        m_write.start();
    });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, [this](const QNetworkCookie &cookie) {
        if (m_cookies.remove(keyOf(cookie)))
            m_write.start();
    });
    // Every cookie the store holds comes through cookieAdded.
    store->loadAllCookies();
}

CookieJournal::~CookieJournal()
{
    QFile::remove(m_path);
}

QByteArray CookieJournal::encode(const QList<QNetworkCookie> &cookies)
{
    QByteArray journal;
    for (const QNetworkCookie &cookie : cookies)
        journal += cookie.toRawForm(QNetworkCookie::Full).toBase64() + '\n';
    return journal;
}

QList<QNetworkCookie> CookieJournal::decode(const QByteArray &journal)
{
    QList<QNetworkCookie> cookies;
    for (const QByteArray &line : journal.split('\n')) {
        const auto raw = QByteArray::fromBase64Encoding(line.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
        if (raw && !raw.decoded.isEmpty())
            cookies += QNetworkCookie::parseCookies(raw.decoded);
    }
    return cookies;
}

void CookieJournal::write()
{
    writeUserFile(m_path, encode(m_cookies.values()));
}
