#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <sddl.h>

#include <vector>
#else
#include <unistd.h>
#endif

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
constexpr int kConnectAttempts = 30;
constexpr int kRetryMs = 100;

QString runtimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

// Who runs the program, so that copies of different users never meet.
QByteArray userIdentity()
{
#ifdef Q_OS_WIN
    // The user's security identifier: local servers are named pipes, whose names every session
    // on the machine shares.
    QByteArray identity;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<char> user(size);
        wchar_t *text = nullptr;
        if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)
            && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid, &text)) {
            identity = QString::fromWCharArray(text).toUtf8();
            LocalFree(text);
        }
        CloseHandle(token);
    }
    return identity.isEmpty() ? qgetenv("USERNAME") : identity;
#else
    return QByteArray::number(qulonglong(::getuid()));
#endif
}

QString serverName(const QString &key)
{
#ifdef Q_OS_WIN
    // A named pipe's name is the machine's, not a folder's.
    return key;
#else
    return runtimeFolder() + QLatin1Char('/') + key + QStringLiteral(".socket");
#endif
}
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
    , m_socketPath(serverName(key))
    , m_lock(runtimeFolder() + QLatin1Char('/') + key + QStringLiteral(".lock"))
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
