#pragma once

#include <QHash>
#include <QList>
#include <QNetworkCookie>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWebEngineDownloadRequest>

#include <chrono>
#include <optional>

class QWebEnginePage;
class QWebEngineProfile;
class QTimer;

// The engine's profiles, each with the portal's cookies of one account: the guest's (an empty
// account), for pages opened before any login, and one for each account the user logs in as,
// made the first time it is asked for and kept from one run of the helper to the next. Every
// profile keeps its files in a folder of its own that only the user may open.
//
// The pages on a profile must go before it: each page is watched, and a profile the user
// removed the account of goes, with its folders, once its last page has gone. A profile is made
// only for the guest and the accounts the program lists: one removed is not made again by a run
// or a page that was on its way, only once the user has added it back. A profile that has
// had no page and no download for a while is let go, its cookies on disk, and made again when it
// is asked for; one that only a run (or a page that warmed it) needed goes as soon as that page
// has, unless its account is the one whose page is likely next. So the engine's memory and open files do not grow with
// the number of accounts the user has logged in as, all of them at once included.
class EngineProfiles final : public QObject
{
    Q_OBJECT
public:
    // How long a profile stays without a page before it is let go.
    static constexpr std::chrono::milliseconds kIdleRelease{ std::chrono::minutes(2) };

    EngineProfiles(const QString &storageRoot, const QString &cacheRoot,
                   std::chrono::milliseconds idleRelease = kIdleRelease, QObject *parent = nullptr);
    // Every page on the profiles must have gone by now.
    ~EngineProfiles() override;

    // The accounts the program lists now. Once it has named one, only those (and the guest) have
    // profiles made; until then (a program with no account yet, or one that runs the engine
    // without its list) every account has.
    void setListed(const QStringList &accounts);
    // Whether a run or a page may be on the account's profile: the guest's always.
    bool isListed(const QString &account) const;

    // The account's profile for a run or a page on it, made now if it has none yet; nullptr for
    // an account not listed, or when its folder cannot be made. A listed account forgotten while
    // a page was still on its profile has been added back: it keeps that profile.
    QWebEngineProfile *open(const QString &account);
    // Whether the account's profile has been made in this run (and neither forgotten nor let go
    // since).
    bool hasProfile(const QString &account) const { return m_profiles.contains(account); }
    // Whose profile it is; empty for the guest's.
    QString accountOf(const QWebEngineProfile *profile) const;

    // Counts the page against its profile until it is destroyed.
    void watch(QWebEnginePage *page);
    // The same for a silent page (a run's, or one that warms the profile): once it has gone, a
    // profile without another page is let go at once, unless its account is the one expected
    // next.
    void watchSilent(QWebEnginePage *page);
    // The account whose page or login is likely next (the program names the current account as
    // the user opens a menu): its profile, which the pages opened from the menus are on, stays
    // after a run for the idle time, so that the page chosen next finds it made. The profile of
    // the account expected before goes now unless a page is on it.
    void expectNext(const QString &account);

    // The user removed the account: its profile and folders go now, or once its last page has.
    void forget(const QString &account);

signals:
    // A page on one of the profiles asks to download something.
    void downloadRequested(QWebEngineDownloadRequest *download);
    // Cookies of the portal's hosts were set in the account's profile (those its store held as
    // it was made among them) or went from it.
    void cookiesChanged(const QString &account, const QList<QNetworkCookie> &set, const QList<QNetworkCookie> &gone);

private:
    QWebEngineProfile *makeProfile(const QString &account);
    void count(QWebEnginePage *page, bool silent);
    // Whether a page is on the account's profile.
    bool isInUse(const QString &account) const;
    void pageGone(const QString &account, bool silent);
    // The account's profile has no page from now on: it is let go unless one comes in time.
    void startIdleTime(const QString &account);
    // Lets the profile go, keeping its cookies, unless it is in use again or still downloads.
    void release(const QString &account);
    void drop(const QString &account);
    void removeFolders(const QString &account) const;

    QString m_storageRoot;
    QString m_cacheRoot;
    QHash<QString, QWebEngineProfile *> m_profiles;
    QHash<QString, int> m_pages;
    // The accounts the program lists, once it has named one.
    std::optional<QSet<QString>> m_listed;
    // Accounts to forget once their last page has gone.
    QSet<QString> m_forgotten;
    // Each account whose folders were removed, until its profile is made again: the removal's
    // retries leave a profile made after it alone.
    QHash<QString, quint64> m_removals;
    quint64 m_lastRemoval = 0;
    QString m_expected;
    std::chrono::milliseconds m_idleRelease;
    // Each account's idle time, once its profile has been made.
    QHash<QString, QTimer *> m_idle;
    // The downloads each profile has been asked for, which keep it while they go on.
    QHash<QString, QList<QPointer<QWebEngineDownloadRequest>>> m_downloads;
};
