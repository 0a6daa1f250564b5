#include "common/ended.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include <QApplication>
#include <QTest>

#include <optional>

using namespace std::chrono_literals;

// The portal's hosts present a certificate that nobody trusts: nothing may be sent.
class tst_frmWBUntrusted : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void untrustedCertificateFailsTheRun();

private:
    std::unique_ptr<PortalFixture> m_portal;
};

void tst_frmWBUntrusted::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>(PortalFixture::Trust::Nobody);
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
}

void tst_frmWBUntrusted::untrustedCertificateFailsTheRun()
{
    frmWB host(10s);
    Ended login;
    Ended logout;
    host.loginLD(QStringLiteral("id"), QStringLiteral("pw"), [&](RunOutcome outcome) { login = outcome; });
    host.logoutLD([&](RunOutcome outcome) { logout = outcome; });
    QTRY_VERIFY_WITH_TIMEOUT(logout.has_value(), 30000);
    QCOMPARE(login, Ended(RunOutcome::Failed));
    QCOMPARE(logout, Ended(RunOutcome::Failed));
    // The handshake failed before any request was made.
    QVERIFY(m_portal->takeRequests().isEmpty());
}

YORUMI_WEB_TEST_MAIN(tst_frmWBUntrusted)
#include "tst_frmwb_untrusted.moc"
