#include "common/eventwait.h"
#include "common/storesandbox.h"
#include "web/helperengine.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <optional>

using namespace std::chrono_literals;

// The engine helper, with an idle end of one second, ends by itself only with its portal window
// closed: a run that ends while the window is open leaves it serving the window.
class tst_IdleEnd : public QObject
{
    Q_OBJECT
private slots:
    void helperStaysWhileThePortalWindowIsOpen();
};

void tst_IdleEnd::helperStaysWhileThePortalWindowIsOpen()
{
    StoreSandbox sandbox;
    HelperEngine engine(HelperEngine::Options{ HelperProcess::installed(), {}, 1s });
    // A page of the portal, which resolves to nothing here: the window shows the engine's error.
    engine.openPortalPage(QUrl(QStringLiteral("http://www.livedoor.com/")), QString(), QByteArray());
    QVERIFY(waitInEventLoop([&] { return engine.helperProcessId() != 0; }, 10000));
    const qint64 helper = engine.helperProcessId();

    // A logout that reaches no portal ends while the window is open.
    std::optional<RunOutcome> ended;
    engine.run(EnginePage::LogOut, QString(),
               { { PageStep::Navigate, QUrl(QStringLiteral("https://www.livedoor.com/login/logout")), {} },
                 { PageStep::WaitIdle, {}, {} } },
               10s, [&](RunOutcome outcome) { ended = outcome; });
    QVERIFY(waitInEventLoop([&] { return ended.has_value(); }, 20000));

    // Three idle times later the same helper still serves the window.
    (void)waitInEventLoop([] { return false; }, 3000);
    QCOMPARE(engine.helperProcessId(), helper);
    QVERIFY(QFile::exists(QStringLiteral("/proc/%1").arg(helper)));
}

int main(int argc, char *argv[])
{
    // Nothing the engine looks up leaves the machine.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")
                    + " --disable-gpu --disable-background-networking --host-resolver-rules=\"MAP * ~NOTFOUND\"");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    tst_IdleEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_idleend.moc"
