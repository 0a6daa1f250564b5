#pragma once

#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

// One running copy per user and store: the first start holds a lock and listens on a local
// socket that only the same user can reach; a later start asks it to show its settings
// window and ends, or hands it a request and waits for its reply. A request and its reply are
// one line each, of at most kMessageLimit bytes (their contents are the caller's).
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // The key is derived from the user and the store's location, so copies with different
    // stores (tests with their own configuration folder) never meet.
    static QString keyFor(const QString &storeLocation);

    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy: it now holds the lock and listens.
    bool tryBecomePrimary();

    // For a later copy: asks the first one to show itself, then emits handedOver. Waits for
    // the first copy's socket for a few seconds at most (it may still be starting).
    void handOver();

    static constexpr qsizetype kMessageLimit = 64 * 1024;
    // For a later copy: whether a first copy holds the lock (it may still be starting).
    bool primaryRuns();
    // For a later copy: hands the first one a request (one line, without its line end) and
    // emits replied with its reply, or unanswered when none came: `reached` false when its
    // socket did not take the request in `attempts` tries, 100 ms apart.
    void request(const QByteArray &message, int attempts);
    // For the first copy: answers the request that `requested` brought under `id`; nothing
    // when the later copy has gone meanwhile.
    void reply(quint64 id, const QByteArray &message);

signals:
    void showRequested();
    void handedOver();
    // The first copy got a request, to be answered through reply().
    void requested(quint64 id, const QByteArray &message);
    void replied(const QByteArray &message);
    void unanswered(bool reached);

private:
    // Who runs the program, so that copies of different users never meet.
    static QByteArray userIdentity();
    void tryConnect();
    void tryRequest();
    void readClient(QLocalSocket *client);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
    int m_attemptsLeft = 0;
    QByteArray m_request;
    // The later copies' sockets whose requests wait for their replies.
    QHash<quint64, QPointer<QLocalSocket>> m_waiting;
    quint64 m_lastRequest = 0;
};
