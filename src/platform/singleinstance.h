#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per user and store: the first start holds a lock and listens on a local
// socket that only the same user can reach; a later start asks it to show its settings
// window and ends.
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

signals:
    void showRequested();
    void handedOver();

private:
    // Who runs the program, so that copies of different users never meet.
    static QByteArray userIdentity();
    void tryConnect();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
    int m_attemptsLeft = 0;
};
