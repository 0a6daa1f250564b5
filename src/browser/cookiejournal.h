#pragma once

#include <QHash>
#include <QNetworkCookie>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <list>

class QWebEngineCookieStore;

// The engine writes a profile's cookies to its own store only every half minute or so: a helper
// killed in between would lose the login it had just made, or come back logged in after a
// logout. So every profile keeps a journal file of its own (readable by the user alone, as the
// engine's store is) while the helper runs: the cookies set and removed lately, each named once,
// oldest first. A profile made when a journal is there (its helper ended unexpectedly) takes the
// journal's word over its store's: the cookies removed go, those set come back. Cookies the
// journal does not name are as the store has them: the engine tells nothing of the cookies it
// loads from its store, only of those that change. A helper that ends in order removes the
// journals; a profile let go while the helper runs on keeps its own, for the profile made again
// in its place.
//
// A change goes from the journal once the store holds it, so that the journal stays small
// whatever a page's scripts do with their cookies: a logout's removal made after thousands of
// changes is kept, the changes before it are not.
//
// It also tells which cookies were set in the store and which went from it for good (a cookie
// replaced goes and comes back at once), a few at a time.
class CookieJournal final : public QObject
{
    Q_OBJECT
public:
    // How soon after a change of the cookies the journal is written, however many follow it.
    static constexpr std::chrono::milliseconds kWriteDelay{ 200 };
    // The engine writes its store out every 30 s and whenever 512 changes wait, and tells
    // neither: a change this old, or followed by this many others, is in the store.
    static constexpr std::chrono::seconds kHeldAfter{ 120 };
    static constexpr int kMaxChanges = 1024;

    // Follows the store's cookies from now on, after putting in it what a journal left in `path`
    // says.
    CookieJournal(QWebEngineCookieStore *store, const QString &path, QObject *parent = nullptr);
    // Removes the journal, unless it is to be kept: the engine writes the cookies out itself as
    // the profile goes.
    ~CookieJournal() override;

    // The journal stays when this goes, with every change written to it: the profile is let go
    // while the helper runs on, and the engine writes its store out in the background then. What
    // changed since the journal was last written is written now, the cookies gone told.
    void keep();

signals:
    // These cookies were set in the store, and these went from it, since it last told.
    void cookiesChanged(const QList<QNetworkCookie> &set, const QList<QNetworkCookie> &gone);

private:
    using Clock = std::chrono::steady_clock;
    struct Change
    {
        // The cookie's name, domain and path: a cookie is either set or removed.
        QByteArray key;
        QNetworkCookie cookie;
        bool removed = false;
        Clock::time_point at;
    };

    // The cookie's change, the newest from now on.
    void note(const QByteArray &key, const QNetworkCookie &cookie, bool removed, Clock::time_point at);
    void dropOldest();
    // Writes the changes the store may not hold yet.
    void save();
    void write();

    QString m_path;
    std::list<Change> m_changes;
    QHash<QByteArray, std::list<Change>::iterator> m_byKey;
    // Set since the journal was last written and still there, and removed since and not set again.
    QHash<QByteArray, QNetworkCookie> m_set;
    QHash<QByteArray, QNetworkCookie> m_gone;
    QTimer m_write;
    bool m_keep = false;
};
