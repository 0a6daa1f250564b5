// The command line for the running program: the real program's executable, started without a
// display as a script would start it, hands its request to a running program (this test's, with
// the real engine helper and the fake portal) and ends with that request's outcome.
#include "app/program.h"
#include "app/remotecommands.h"
#include "common/eventwait.h"
#include "common/fakes.h"
#include "platform/singleinstance.h"
#include "store/settingsstore.h"
#include "web/portalfixture.h"

#include <QProcess>
#include <QSettings>
#include <QTest>

class tst_RemoteCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachRequestEndsWithItsOutcome_data();
    void eachRequestEndsWithItsOutcome();

private:
    std::unique_ptr<PortalFixture> m_portal;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<Program> m_program;
    std::unique_ptr<RemoteCommands> m_commands;
};

void tst_RemoteCommands::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>();
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
    {
        QSettings settings(SettingsStore::location(QStringLiteral("YRMLD")), QSettings::IniFormat);
        const QStringList ids{ "alice", "bob", "carol" };
        const QStringList passwords{ "pw-a", "pw-b", "wrong-password" };
        for (int n = 0; n < int(ids.size()); ++n) {
            settings.setValue(kIdSection + QLatin1Char('/') + idKey(n), ids[n]);
            settings.setValue(kPwSection + QLatin1Char('/') + pwKey(n), passwords[n]);
        }
    }
    // The running program, as main() puts it together.
    m_instance = std::make_unique<SingleInstance>(SingleInstance::keyFor(SettingsStore::location(QStringLiteral("YRMLD"))));
    QVERIFY(m_instance->tryBecomePrimary());
    Services services;
    services.notifier = std::make_unique<FakeTrayNotifier>();
    m_program = std::make_unique<Program>(std::move(services));
    m_commands = std::make_unique<RemoteCommands>(*m_instance, *m_program);
    m_program->start(true);
}

void tst_RemoteCommands::cleanupTestCase()
{
    m_commands.reset();
    m_program.reset();
}

// In the order given, each request over what the ones before it did.
void tst_RemoteCommands::eachRequestEndsWithItsOutcome_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    // The page the portal served last, and the account whose session cookie its request
    // carried; none when no page is looked for.
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("pageAs");

    QTest::newRow("an unknown ID is a mistake") << QStringList{ "--login", "nobody" } << QByteArray("ja_JP.UTF-8") << 2
                                                << QString() << QStringLiteral("yorumi-livedoor: 不明なIDです: nobody\n")
                                                << QString() << QString();
    QTest::newRow("--login") << QStringList{ "--login", "alice" } << QByteArray("C") << 0 << QString() << QString()
                             << QString() << QString();
    QTest::newRow("--login that the portal refuses") << QStringList{ "--login", "carol" } << QByteArray("ja_JP.UTF-8")
                                                     << 1 << QString()
                                                     << QStringLiteral("yorumi-livedoor: ログインできませんでした。\n")
                                                     << QString() << QString();
    QTest::newRow("--login=, which makes its account current") << QStringList{ "--login=bob" } << QByteArray("C") << 0
                                                               << QString() << QString() << QString() << QString();
    QTest::newRow("--list") << QStringList{ "--list" } << QByteArray("C") << 0
                            << QStringLiteral("alice\tlogged-in\nbob\tlogged-in\tcurrent\ncarol\tlogged-out\n")
                            << QString() << QString() << QString();
    QTest::newRow("--open --as another account than the current one")
            << QStringList{ "--open", "https://www.livedoor.com/?as-alice", "--as", "alice" } << QByteArray("C") << 0
            << QString() << QString() << "/?as-alice" << "alice";
    QTest::newRow("--open of an address off the portal") << QStringList{ "--open", "https://example.org/" }
                                                         << QByteArray("en_US.UTF-8") << 2 << QString()
                                                         << "yorumi-livedoor: not an address of the portal: "
                                                            "https://example.org/\n"
                                                         << QString() << QString();
}

void tst_RemoteCommands::eachRequestEndsWithItsOutcome()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, language);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, page);
    QFETCH(QString, pageAs);
    m_portal->takeRequests();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES", "LANGUAGE" })
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("LANG"), QString::fromLatin1(language));
    QProcess client;
    client.setProcessEnvironment(environment);
    client.start(QStringLiteral(YORUMI_PROGRAM), arguments);
    // The request runs in this process: its event loop runs while the client waits.
    QVERIFY(waitInEventLoop([&] { return client.state() == QProcess::NotRunning; }, 90000));
    QCOMPARE(client.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(client.readAllStandardError()), err);
    QCOMPARE(QString::fromUtf8(client.readAllStandardOutput()), out);
    QCOMPARE(client.exitCode(), status);
    if (page.isEmpty())
        return;
    QString servedAs;
    QVERIFY(waitInEventLoop(
            [&] {
                for (const QJsonObject &request : m_portal->takeRequests()) {
                    if (request.value("path").toString() == page)
                        servedAs = request.value("cookie").toString();
                }
                return !servedAs.isNull();
            },
            60000));
    QVERIFY2(servedAs.contains(QStringLiteral("ldsession=s1.") + pageAs), qPrintable(servedAs));
}

YORUMI_WEB_TEST_MAIN(tst_RemoteCommands)

#include "tst_remotecommands.moc"
