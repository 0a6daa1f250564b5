#include "common/eventwait.h"
#include "web/enginechannel.h"
#include "web/helperprocess.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>

using namespace std::chrono_literals;

// The real engine helper, started and spoken to as the program does, ended in the middle of a run
// with its portal window open: it ends in order whatever ends it.
class tst_HelperEnd : public QObject
{
    Q_OBJECT
private slots:
    void endsInOrderDuringARun_data();
    void endsInOrderDuringARun();
};

namespace {

// The helper's messages as they come, in order.
class Messages
{
public:
    explicit Messages(QProcess &helper)
        : m_helper(helper)
    {
        QObject::connect(&helper, &QProcess::readyReadStandardOutput, [this] {
            m_reader.append(m_helper.readAllStandardOutput());
            while (const std::optional<QJsonObject> message = m_reader.next())
                m_types << message->value(QStringLiteral("type")).toString();
        });
    }
    bool waitFor(const QString &type) { return waitInEventLoop([&] { return m_types.contains(type); }, 60000); }

private:
    QProcess &m_helper;
    EngineChannel::Reader m_reader;
    QStringList m_types;
};

} // namespace

void tst_HelperEnd::endsInOrderDuringARun_data()
{
    QTest::addColumn<bool>("terminated");
    // 終了 closes the helper's input, as the program's end (even a killed program's) does.
    QTest::newRow("its input closed") << false;
    QTest::newRow("SIGTERM") << true;
}

// A login runs (a page that never lets it end), a blank page warms another account's profile, and
// the portal window shows a tab: every page goes before its profile, as the engine asks (it says
// so on the error output otherwise), the helper ends with status 0, and the window's tabs, which
// an orderly end has no cause to keep, are forgotten.
void tst_HelperEnd::endsInOrderDuringARun()
{
    QFETCH(bool, terminated);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString tabs = folder.filePath(QStringLiteral("tabs.json"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        environment.insert(QLatin1String(name), folder.path());
    // As root the engine needs its sandbox off; no host name resolves, so nothing leaves the
    // machine.
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                       environment.value(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"))
                               + QStringLiteral(" --disable-gpu --disable-background-networking"
                                                " --host-resolver-rules=\"MAP * ~NOTFOUND\""));
    QProcess helper;
    helper.setProcessEnvironment(environment);
    helper.setProgram(HelperProcess::installed());
    helper.setArguments({ QStringLiteral("--storage"), folder.filePath(QStringLiteral("profile")),
                          QStringLiteral("--cache"), folder.filePath(QStringLiteral("cache")),
                          QStringLiteral("--tabs"), tabs });
    Messages messages(helper);
    QSignalSpy ended(&helper, &QProcess::finished);
    helper.start();
    QVERIFY(messages.waitFor(QStringLiteral("ready")));

    const auto send = [&helper](const EngineChannel::ToHelper &message) {
        helper.write(EngineChannel::frame(EngineChannel::encode(message)));
    };
    send(EngineChannel::OpenPage{ 1, QUrl(QStringLiteral("http://www.livedoor.com/")), QStringLiteral("alice"), {} });
    QVERIFY(messages.waitFor(QStringLiteral("opened")));
    EngineChannel::Run run{ 1, EnginePage::LogIn, QStringLiteral("carol"),
                            { { PageStep::Navigate, QUrl(QStringLiteral("about:blank")), {} },
                              { PageStep::WaitIdle, {}, {} },
                              { PageStep::Retry, {}, QStringLiteral("false") } },
                            60s };
    send(run);
    QVERIFY(messages.waitFor(QStringLiteral("started")));
    QVERIFY(waitInEventLoop([&] { return QFileInfo::exists(tabs); }, 10000));
    send(EngineChannel::Prepare{ QStringLiteral("bob") });

    if (terminated)
        ::kill(pid_t(helper.processId()), SIGTERM);
    else
        helper.closeWriteChannel();
    QVERIFY(ended.wait(30000));
    const QByteArray said = helper.readAllStandardError();
    QVERIFY2(helper.exitStatus() == QProcess::NormalExit, said.right(3000).constData());
    QCOMPARE(helper.exitCode(), 0);
    QVERIFY2(!said.contains("still not deleted"), said.constData());
    QVERIFY(!QFileInfo::exists(tabs));
}

QTEST_GUILESS_MAIN(tst_HelperEnd)
#include "tst_helperend.moc"
