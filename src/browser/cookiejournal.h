#pragma once

#include <QHash>
#include <QNetworkCookie>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

class QWebEngineCookieStore;

// The engine writes a profile's cookies to its own store only every half minute or so: a helper
// killed in between would lose the login it had just made. So every profile keeps its cookies in
// a journal file of its own (readable by the user alone, as the engine's store is) while the
// helper runs. A profile made when a journal is there (its helper ended unexpectedly) gets the
// journal's cookies back; a helper that ends in order removes the journals.
class CookieJournal final : public QObject
{
    Q_OBJECT
public:
    // How soon after a change of the cookies the journal is written.
    static constexpr std::chrono::milliseconds kWriteDelay{ 200 };

    // Follows the store's cookies from now on, after putting back those of a journal left in
    // `path`.
    CookieJournal(QWebEngineCookieStore *store, const QString &path, QObject *parent = nullptr);
    // Removes the journal: the engine writes the cookies out itself as the profile goes.
    ~CookieJournal() override;

    // The journal's text for the cookies, and the cookies it holds.
    static QByteArray encode(const QList<QNetworkCookie> &cookies);
    static QList<QNetworkCookie> decode(const QByteArray &journal);

private:
    void write();

    QString m_path;
    QHash<QByteArray, QNetworkCookie> m_cookies;
    QTimer m_write;
};
