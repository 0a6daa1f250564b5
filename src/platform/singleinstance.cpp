#include "platform/singleinstance.h"

#include "platform/paths.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
constexpr int kConnectAttempts = 30;
constexpr int kRetryMs = 100;
} // namespace

QString SingleInstance::keyFor(const QString &storeLocation)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(userIdentity());
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(storeLocation.toUtf8());
    return QStringLiteral("yorumi-livedoor-") + QString::fromLatin1(hash.result().toHex().left(16));
}

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
    , m_socketPath(Paths::instanceServer(key))
    , m_lock(Paths::instanceLock(key))
{
    // A lock whose owner has died is taken over at once; a living owner's lock never ages.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryBecomePrimary()
{
    if (!m_lock.tryLock(0))
        return false;
    // We hold the lock, so a socket left behind belongs to a copy that crashed.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                if (client->readLine(64) == kShowRequest)
                    emit showRequested();
                client->disconnectFromServer();
            });
        }
    });
    m_server->listen(m_socketPath);
    return true;
}

void SingleInstance::handOver()
{
    m_attemptsLeft = kConnectAttempts;
    tryConnect();
}

void SingleInstance::tryConnect()
{
    auto *socket = new QLocalSocket(this);
    connect(socket, &QLocalSocket::connected, socket, [socket] { socket->write(kShowRequest); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
        socket->deleteLater();
        emit handedOver();
    });
    connect(socket, &QLocalSocket::errorOccurred, this, [this, socket](QLocalSocket::LocalSocketError) {
        if (socket->state() != QLocalSocket::UnconnectedState)
            return;
        socket->deleteLater();
        if (--m_attemptsLeft > 0)
            QTimer::singleShot(kRetryMs, this, &SingleInstance::tryConnect);
        else
            emit handedOver();
    });
    socket->connectToServer(m_socketPath);
}
