#pragma once

#include "ui/common/quietmessages.h"

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fake portal for one test process: a private home (with a certificate authority that
// the browser engine trusts, or not), the portal's host names mapped to a local HTTPS
// server, and the requests that server received.
//
// Construct it before the browser engine starts: the engine reads its flags, home and
// trusted certificates once per process.
class PortalFixture
{
public:
    enum class Trust { TestAuthority, Nobody };
    // Whose names the server's certificate carries: the portal's, or another host's only.
    enum class Names { PortalHosts, OtherHost };

    explicit PortalFixture(Trust trust = Trust::TestAuthority, Names names = Names::PortalHosts);
    ~PortalFixture();

    bool isReady() const { return m_ready; }
    QString error() const { return m_error; }
    QString home() const { return m_dir.path() + QStringLiteral("/home"); }
    // The local port the portal's host names lead to.
    quint16 port() const { return m_port; }
    // The fake portal's process, which is not part of the program.
    qint64 serverPid() const { return m_server.processId(); }
    // The folder that holds home, the XDG folders and the fixture's own files.
    QString root() const { return m_dir.path(); }

    // Switches the login page the server serves; waits until the server has taken it.
    bool setVariant(const QString &variant);
    // Forgets the account's sessions at the portal: its pages under /members/ go to the login
    // form. Waits until the server has done it.
    bool expire(const QString &account);
    // The requests received so far, oldest first, taken out of the fixture.
    QList<QJsonObject> takeRequests();
    // Waits (processing events) until at least `count` requests have arrived.
    bool waitForRequests(int count, int timeoutMs = 10000);

private:
    bool run(const QString &program, const QStringList &arguments);
    void readServer();

    QTemporaryDir m_dir;
    QProcess m_server;
    QByteArray m_buffer;
    QList<QJsonObject> m_requests;
    QStringList m_acks;
    quint16 m_port = 0;
    bool m_ready = false;
    QString m_error;
};

// A QApplication set up as the program's main() sets it up, for tests that run the engine.
#define YORUMI_WEB_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char *argv[])                                                          \
    {                                                                                         \
        QApplication app(argc, argv);                                                         \
        installQuietMessages();                                                               \
        QApplication::setQuitOnLastWindowClosed(false);                                       \
        TestObject test;                                                                      \
        return QTest::qExec(&test, argc, argv);                                               \
    }
