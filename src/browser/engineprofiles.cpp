#include "browser/engineprofiles.h"

#include "browser/cookiejournal.h"
#include "browser/sessioncookies.h"
#include "platform/ownerfolder.h"
#include "platform/privatefile.h"
#include "web/accountprofile.h"

#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <algorithm>
#include <array>
#include <iterator>

namespace {

// Each account's folder names its account, for whoever looks through the folders: the folder's
// own name is only a digest of the ID.
const QString kAccountFile = QStringLiteral("yorumi-account");
// Each profile's cookies while the helper runs (see CookieJournal).
const QString kCookieJournal = QStringLiteral("yorumi-cookies");
// The engine lets a profile go in the background and may still write a file or two into its
// folder after it has gone: the folder is removed again after these times.
constexpr std::array kRemovalRetriesMs{ 1000, 4000 };

} // namespace

EngineProfiles::EngineProfiles(const QString &storageRoot, const QString &cacheRoot,
                               std::chrono::milliseconds idleRelease, QObject *parent)
    : QObject(parent)
    , m_storageRoot(storageRoot)
    , m_cacheRoot(cacheRoot)
    , m_idleRelease(idleRelease)
{
}

EngineProfiles::~EngineProfiles()
{
    // A profile writes its cookies out as it goes.
    for (QWebEngineProfile *profile : std::as_const(m_profiles))
        delete profile;
    // What could not go while pages were on it goes now.
    for (const QString &account : std::as_const(m_forgotten))
        removeFolders(account);
}

void EngineProfiles::setListed(const QStringList &accounts)
{
    if (!accounts.isEmpty() || m_listed)
        m_listed = QSet<QString>(accounts.cbegin(), accounts.cend());
}

bool EngineProfiles::isListed(const QString &account) const
{
    return account.isEmpty() || !m_listed || m_listed->contains(account);
}

QWebEngineProfile *EngineProfiles::open(const QString &account)
{
    if (!isListed(account))
        return nullptr;
    m_forgotten.remove(account);
    if (QWebEngineProfile *made = m_profiles.value(account))
        return made;
    QWebEngineProfile *made = makeProfile(account);
    if (made) {
        m_profiles.insert(account, made);
        m_removals.remove(account);
        // Made for a page, which comes next, or warmed for one that may never come.
        startIdleTime(account);
    }
    return made;
}

QWebEngineProfile *EngineProfiles::makeProfile(const QString &account)
{
    const QString storage = AccountProfile::folder(m_storageRoot, account);
    const QString cache = AccountProfile::folder(m_cacheRoot, account);
    if (!account.isEmpty()) {
        // The accounts' folders hold their cookies: the user's alone, as the guest's are.
        for (const QString &root : { m_storageRoot, m_cacheRoot }) {
            if (!makeOwnerOnlyFolder(AccountProfile::accountsFolder(root)))
                return nullptr;
        }
        for (const QString &folder : { storage, cache }) {
            if (!makeOwnerOnlyFolder(folder))
                return nullptr;
        }
        PrivateFile::replace(storage + QLatin1Char('/') + kAccountFile, account.toUtf8());
    }
    const QString storageName = account.isEmpty()
            ? QStringLiteral("yorumi-livedoor")
            : QStringLiteral("yorumi-livedoor-") + AccountProfile::folderName(account);
    auto *profile = new QWebEngineProfile(storageName, this);
    profile->setPersistentStoragePath(storage);
    profile->setCachePath(cache);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    // Keep session cookies too, so that a login survives a restart of the program.
    profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    profile->setSpellCheckEnabled(false);
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            [this, account](QWebEngineDownloadRequest *download) {
                m_downloads[account].append(download);
                emit downloadRequested(download);
            });
    auto *journal = new CookieJournal(profile->cookieStore(), storage + QLatin1Char('/') + kCookieJournal, profile);
    connect(journal, &CookieJournal::cookiesChanged, this,
            [this, account](const QList<QNetworkCookie> &set, const QList<QNetworkCookie> &gone) {
                QList<QNetworkCookie> portalSet;
                QList<QNetworkCookie> portalGone;
                std::copy_if(set.cbegin(), set.cend(), std::back_inserter(portalSet), isPortalCookie);
                std::copy_if(gone.cbegin(), gone.cend(), std::back_inserter(portalGone), isPortalCookie);
                if (!portalSet.isEmpty() || !portalGone.isEmpty())
                    emit cookiesChanged(account, portalSet, portalGone);
            });
    // The engine tells of the cookies it has in its store only when asked: the program learns
    // from them whether the profile holds a login.
    profile->cookieStore()->loadAllCookies();
    return profile;
}

QString EngineProfiles::accountOf(const QWebEngineProfile *profile) const
{
    for (auto it = m_profiles.cbegin(); it != m_profiles.cend(); ++it) {
        if (it.value() == profile)
            return it.key();
    }
    return {};
}

void EngineProfiles::watch(QWebEnginePage *page)
{
    count(page, false);
}

void EngineProfiles::watchSilent(QWebEnginePage *page)
{
    count(page, true);
}

void EngineProfiles::count(QWebEnginePage *page, bool silent)
{
    const QString account = accountOf(page->profile());
    ++m_pages[account];
    if (QTimer *idle = m_idle.value(account))
        idle->stop();
    connect(page, &QObject::destroyed, this, [this, account, silent] { pageGone(account, silent); });
}

void EngineProfiles::expectNext(const QString &account)
{
    if (const QString before = std::exchange(m_expected, account); before != account)
        release(before);
}

bool EngineProfiles::isInUse(const QString &account) const
{
    return m_pages.value(account) > 0;
}

void EngineProfiles::pageGone(const QString &account, bool silent)
{
    if (--m_pages[account] > 0)
        return;
    if (m_forgotten.contains(account)) {
        // Not from within the page's destruction.
        QTimer::singleShot(0, this, [this, account] {
            if (m_forgotten.contains(account) && !isInUse(account))
                drop(account);
        });
    } else if (silent && account != m_expected) {
        // A run's cookies are in the store and its journal by now: the profile goes once the
        // page's destruction is over, unless a page has come meanwhile.
        QTimer::singleShot(0, this, [this, account] { release(account); });
    } else {
        startIdleTime(account);
    }
}

void EngineProfiles::startIdleTime(const QString &account)
{
    if (!m_profiles.contains(account) || isInUse(account))
        return;
    QTimer *&idle = m_idle[account];
    if (!idle) {
        idle = new QTimer(this);
        idle->setSingleShot(true);
        idle->setInterval(m_idleRelease);
        connect(idle, &QTimer::timeout, this, [this, account] { release(account); });
    }
    idle->start();
}

void EngineProfiles::release(const QString &account)
{
    QWebEngineProfile *profile = m_profiles.value(account);
    if (!profile || isInUse(account) || m_forgotten.contains(account))
        return;
    QList<QPointer<QWebEngineDownloadRequest>> &downloads = m_downloads[account];
    downloads.removeIf([](const QPointer<QWebEngineDownloadRequest> &download) {
        return !download || download->isFinished();
    });
    if (!downloads.isEmpty()) {
        // A file still on its way: the profile stays for another while.
        startIdleTime(account);
        return;
    }
    m_profiles.remove(account);
    // The profile made again takes the journal's word over a store that the engine may not have
    // written out yet.
    if (auto *journal = profile->findChild<CookieJournal *>())
        journal->keep();
    delete profile;
}

void EngineProfiles::forget(const QString &account)
{
    if (account.isEmpty())
        return;
    m_forgotten.insert(account);
    if (!isInUse(account))
        drop(account);
}

void EngineProfiles::drop(const QString &account)
{
    m_forgotten.remove(account);
    if (QTimer *idle = m_idle.value(account))
        idle->stop();
    m_downloads.remove(account);
    if (QWebEngineProfile *profile = m_profiles.value(account)) {
        m_profiles.remove(account);
        // Whatever the engine still writes as the profile goes holds no login.
        profile->cookieStore()->deleteAllCookies();
        profile->clearHttpCache();
        delete profile;
    }
    removeFolders(account);
    const quint64 removal = ++m_lastRemoval;
    m_removals.insert(account, removal);
    for (const int delay : kRemovalRetriesMs) {
        QTimer::singleShot(delay, this, [this, account, removal, last = delay == kRemovalRetriesMs.back()] {
            // Unless the account came back meanwhile: its profile may have gone again since, its
            // login in its folders.
            if (m_removals.value(account) != removal)
                return;
            removeFolders(account);
            if (last)
                m_removals.remove(account);
        });
    }
}

void EngineProfiles::removeFolders(const QString &account) const
{
    AccountProfile::removeFolders(m_storageRoot, m_cacheRoot, account);
}
