#include "web/portalfixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTest>

namespace {
const QString kHosts[] = { QStringLiteral("member.livedoor.com"), QStringLiteral("www.livedoor.com") };
}

PortalFixture::PortalFixture(Trust trust, Names names)
{
    const QString root = m_dir.path();
    for (const char *sub : { "home", "config", "data", "cache", "runtime", "tmp" })
        QDir(root).mkpath(QLatin1String(sub));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", QFile::encodeName(home()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    // Temporary files of the engine land here too, where a test can look for them.
    qputenv("TMPDIR", QFile::encodeName(root + QStringLiteral("/tmp")));
    // A desktop session runs a sound server; this sandbox has none. Without one, the sound
    // library the engine loads for a page that asks for a microphone makes a runtime folder
    // of its own for a server it would start. Point it at a server that is not there instead.
    qputenv("PULSE_SERVER",
            QFile::encodeName(QStringLiteral("unix:") + root + QStringLiteral("/no-sound-server")));

    // A certificate authority of our own and a certificate for the portal's hosts, on P-256
    // keys: an RSA key took tenths of a second to make, one of these a few milliseconds.
    const QString ca = root + QStringLiteral("/ca");
    const QString leaf = root + QStringLiteral("/leaf");
    QFile ext(root + QStringLiteral("/leaf.ext"));
    if (!ext.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write the certificate extensions");
        return;
    }
    const QByteArray altNames = names == Names::PortalHosts
            ? "DNS:" + kHosts[0].toLatin1() + ",DNS:" + kHosts[1].toLatin1()
            : QByteArray("DNS:other.example");
    ext.write("subjectAltName=" + altNames + "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
    ext.close();
    const QString nssdb = QStringLiteral("sql:") + home() + QStringLiteral("/.pki/nssdb");
    QDir().mkpath(home() + QStringLiteral("/.pki/nssdb"));
    const bool made =
            run(QStringLiteral("openssl"),
                { "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-days",
                  "2", "-subj", "/CN=yorumi test authority", "-keyout", ca + ".key", "-out", ca + ".pem" })
            && run(QStringLiteral("openssl"),
                   { "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                     "-subj", names == Names::PortalHosts ? "/CN=" + kHosts[0] : QStringLiteral("/CN=other.example"),
                     "-keyout", leaf + ".key", "-out", leaf + ".csr" })
            && run(QStringLiteral("openssl"),
                   { "x509", "-req", "-in", leaf + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
                     "-CAcreateserial", "-days", "2", "-extfile", root + "/leaf.ext", "-out",
                     leaf + ".pem" })
            && run(QStringLiteral("certutil"), { "-N", "-d", nssdb, "--empty-password" })
            && (trust == Trust::Nobody
                || run(QStringLiteral("certutil"),
                       { "-A", "-d", nssdb, "-n", "yorumi-test-ca", "-t", "C,,", "-i", ca + ".pem" }));
    if (!made)
        return;

    m_server.setProgram(QStringLiteral("python3"));
    m_server.setArguments({ QStringLiteral(YORUMI_TEST_SOURCE_DIR "/web/fakeportal.py"),
                            QStringLiteral("--cert"), leaf + ".pem", QStringLiteral("--key"),
                            leaf + ".key" });
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start();
    // Python and its TLS setup start in well under a second on a quiet machine; the bound only
    // ends a wait for a server that hangs.
    if (!m_server.waitForStarted() || !m_server.waitForReadyRead(60000)) {
        m_error = QStringLiteral("the fake portal did not start");
        return;
    }
    const QByteArray first = m_server.readLine().trimmed();
    if (!first.startsWith("PORT ")) {
        m_error = QStringLiteral("the fake portal said something unexpected");
        return;
    }
    const QByteArray port = first.mid(5);
    m_port = quint16(port.toUInt());
    QObject::connect(&m_server, &QProcess::readyReadStandardOutput, [this] { readServer(); });

    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --host-resolver-rules=\"MAP " + kHosts[0].toLatin1() + " 127.0.0.1:" + port + ", MAP "
            + kHosts[1].toLatin1() + " 127.0.0.1:" + port + ", EXCLUDE localhost\""
            + " --disable-gpu --disable-background-networking";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    m_ready = true;
}

PortalFixture::~PortalFixture()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.closeWriteChannel();
        m_server.terminate();
        if (!m_server.waitForFinished(3000))
            m_server.kill();
        m_server.waitForFinished(3000);
    }
}

bool PortalFixture::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        m_error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
}

void PortalFixture::readServer()
{
    m_buffer += m_server.readAllStandardOutput();
    int newline;
    while ((newline = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_buffer.left(newline);
        m_buffer.remove(0, newline + 1);
        if (line.startsWith("ack "))
            m_acks << QString::fromUtf8(line.mid(4));
        else
            m_requests << QJsonDocument::fromJson(line).object();
    }
}

bool PortalFixture::setVariant(const QString &variant)
{
    m_server.write("variant " + variant.toUtf8() + "\n");
    return QTest::qWaitFor([&] { return m_acks.contains(variant); }, 30000)
            && (m_acks.removeAll(variant), true);
}

bool PortalFixture::expire(const QString &account)
{
    const QString ack = QStringLiteral("expire ") + account;
    m_server.write("expire " + account.toUtf8() + "\n");
    return QTest::qWaitFor([&] { return m_acks.contains(ack); }, 5000) && (m_acks.removeAll(ack), true);
}

QList<QJsonObject> PortalFixture::takeRequests()
{
    readServer();
    return std::exchange(m_requests, {});
}

bool PortalFixture::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_requests.size() >= count; }, timeoutMs);
}
