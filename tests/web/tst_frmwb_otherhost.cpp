#include "common/ended.h"
#include "common/eventwait.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <optional>

using namespace std::chrono_literals;

// The portal's hosts answer with a certificate from a trusted authority that names another
// host: the connection is refused before anything is sent, and quickly.
class tst_frmWBOtherHost : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void certificateForAnotherHostFailsTheRun();

private:
    std::unique_ptr<PortalFixture> m_portal;
};

void tst_frmWBOtherHost::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>(PortalFixture::Trust::TestAuthority,
                                               PortalFixture::Names::OtherHost);
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
}

void tst_frmWBOtherHost::certificateForAnotherHostFailsTheRun()
{
    frmWB host(10s);
    Ended login;
    Ended logout;
    QElapsedTimer clock;
    clock.start();
    host.loginLD(QStringLiteral("id"), QStringLiteral("pw"), [&](RunOutcome outcome) { login = outcome; });
    host.logoutLD([&](RunOutcome outcome) { logout = outcome; });
    QVERIFY(waitInEventLoop([&] { return logout.has_value(); }, 30000));
    QCOMPARE(login, Ended(RunOutcome::Failed));
    QCOMPARE(logout, Ended(RunOutcome::Failed));
    // Refused at the handshake, long before the budget runs out.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(m_portal->takeRequests().isEmpty());
    // And the next runs are refused the same way.
    logout.reset();
    host.logoutLD([&](RunOutcome outcome) { logout = outcome; });
    QVERIFY(waitInEventLoop([&] { return logout.has_value(); }, 30000));
    QCOMPARE(logout, Ended(RunOutcome::Failed));
    QVERIFY(m_portal->takeRequests().isEmpty());
}

YORUMI_WEB_TEST_MAIN(tst_frmWBOtherHost)
#include "tst_frmwb_otherhost.moc"
