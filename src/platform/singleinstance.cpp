#include "platform/singleinstance.h"

#include "platform/paths.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <memory>

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
// Before a request's line and a reply's.
const QByteArray kRequestWord = QByteArrayLiteral("request ");
const QByteArray kReplyWord = QByteArrayLiteral("reply ");
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
            connect(client, &QLocalSocket::readyRead, this, [this, client] { readClient(client); });
        }
    });
    m_server->listen(m_socketPath);
    return true;
}

void SingleInstance::readClient(QLocalSocket *client)
{
    // One line a client, then it waits for the reply or is let go.
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kRequestWord.size() + kMessageLimit)
            client->disconnectFromServer();
        return;
    }
    disconnect(client, &QLocalSocket::readyRead, this, nullptr);
    QByteArray line = client->readLine(kRequestWord.size() + kMessageLimit + 1);
    if (line == kShowRequest) {
        emit showRequested();
    } else if (line.startsWith(kRequestWord) && line.endsWith('\n')) {
        line.chop(1);
        const quint64 id = ++m_lastRequest;
        m_waiting.insert(id, client);
        connect(client, &QLocalSocket::disconnected, this, [this, id] { m_waiting.remove(id); });
        emit requested(id, line.mid(kRequestWord.size()));
        return;
    }
    client->disconnectFromServer();
}

void SingleInstance::reply(quint64 id, const QByteArray &message)
{
    const QPointer<QLocalSocket> client = m_waiting.take(id);
    if (!client)
        return;
    client->write(kReplyWord + message + '\n');
    client->disconnectFromServer();
}

bool SingleInstance::primaryRuns()
{
    if (m_lock.tryLock(0)) {
        m_lock.unlock();
        return false;
    }
    return m_lock.error() == QLockFile::LockFailedError;
}

void SingleInstance::request(const QByteArray &message, int attempts)
{
    m_request = message;
    m_attemptsLeft = attempts;
    tryRequest();
}

void SingleInstance::tryRequest()
{
    auto *socket = new QLocalSocket(this);
    auto reached = std::make_shared<bool>(false);
    const auto end = [this, socket] {
        disconnect(socket, nullptr, this, nullptr);
        socket->deleteLater();
    };
    // The reply once its whole line has come; the socket closing without one is no reply.
    const auto readReply = [this, socket, end] {
        if (!socket->canReadLine())
            return false;
        QByteArray line = socket->readLine(kReplyWord.size() + kMessageLimit + 1);
        end();
        if (!line.startsWith(kReplyWord) || !line.endsWith('\n'))
            emit unanswered(true);
        else
            emit replied(line.mid(kReplyWord.size(), line.size() - kReplyWord.size() - 1));
        return true;
    };
    connect(socket, &QLocalSocket::connected, this, [this, socket, reached] {
        *reached = true;
        socket->write(kRequestWord + m_request + '\n');
    });
    connect(socket, &QLocalSocket::readyRead, this, readReply);
    connect(socket, &QLocalSocket::disconnected, this, [this, readReply, end] {
        if (!readReply()) {
            end();
            emit unanswered(true);
        }
    });
    // A socket that could not connect tells so before its state has gone back to unconnected.
    connect(socket, &QLocalSocket::errorOccurred, this, [this, reached, end](QLocalSocket::LocalSocketError) {
        if (*reached)
            return;
        end();
        if (--m_attemptsLeft > 0)
            QTimer::singleShot(kRetryMs, this, &SingleInstance::tryRequest);
        else
            emit unanswered(false);
    });
    socket->connectToServer(m_socketPath);
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
    // A socket that could not connect tells so before its state has gone back to unconnected;
    // one that has connected says it has gone (above) when it ends.
    auto connected = std::make_shared<bool>(false);
    connect(socket, &QLocalSocket::connected, this, [connected] { *connected = true; });
    connect(socket, &QLocalSocket::errorOccurred, this, [this, socket, connected](QLocalSocket::LocalSocketError) {
        if (*connected)
            return;
        disconnect(socket, nullptr, this, nullptr);
        socket->deleteLater();
        if (--m_attemptsLeft > 0)
            QTimer::singleShot(kRetryMs, this, &SingleInstance::tryConnect);
        else
            emit handedOver();
    });
    socket->connectToServer(m_socketPath);
}
