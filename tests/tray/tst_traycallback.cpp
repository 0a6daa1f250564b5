#include "tray/traycallback.h"

#include <QTest>
#include <QWidget>

class tst_TrayCallback : public QObject
{
    Q_OBJECT
private slots:
    void messageFromTwips_data();
    void messageFromTwips();
    void activationReasons_data();
    void activationReasons();
    void onlyPressesOpenThePopup_data();
    void onlyPressesOpenThePopup();
    void openDialogTakesThePress();
};

void tst_TrayCallback::messageFromTwips_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("twipsPerPixel");
    QTest::addColumn<int>("message");
    QTest::newRow("513 px at 15 twips") << 7695.0 << 15.0 << 513;
    QTest::newRow("513 px at 12 twips") << 6156.0 << 12.0 << 513;
    QTest::newRow("516 px at 15 twips") << 7740.0 << 15.0 << 516;
    QTest::newRow("x rounded first") << 7694.6 << 15.0 << 513;
    QTest::newRow("quotient truncated") << 7709.0 << 15.0 << 513;
    QTest::newRow("twips per pixel rounded") << 7695.0 << 14.6 << 513;
    QTest::newRow("move") << 7680.0 << 15.0 << 512;
    QTest::newRow("no density") << 7695.0 << 0.0 << 0;
}

void tst_TrayCallback::messageFromTwips()
{
    QFETCH(double, x);
    QFETCH(double, twipsPerPixel);
    QFETCH(int, message);
    QCOMPARE(mouseMessageFromTwips(x, twipsPerPixel), message);
}

void tst_TrayCallback::activationReasons_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<int>("message");
    QTest::newRow("left press") << QSystemTrayIcon::Trigger << 0x201;
    QTest::newRow("right press") << QSystemTrayIcon::Context << 0x204;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << 0x203;
    QTest::newRow("middle press") << QSystemTrayIcon::MiddleClick << 0x207;
    QTest::newRow("unknown") << QSystemTrayIcon::Unknown << 0;
}

void tst_TrayCallback::activationReasons()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(int, message);
    QCOMPARE(mouseMessageFor(reason), message);
}

void tst_TrayCallback::onlyPressesOpenThePopup_data()
{
    QTest::addColumn<int>("message");
    QTest::addColumn<bool>("opens");
    for (int message = 0x200; message <= 0x209; ++message)
        QTest::addRow("0x%x", message) << message << (message == 0x201 || message == 0x204);
    QTest::newRow("zero") << 0 << false;
}

void tst_TrayCallback::onlyPressesOpenThePopup()
{
    QFETCH(int, message);
    QFETCH(bool, opens);
    QCOMPARE(trayActionFor(message) == TrayAction::OpenPopup, opens);
}

void tst_TrayCallback::openDialogTakesThePress()
{
    QWidget other;
    other.setObjectName(QStringLiteral("frmMainLd"));
    other.show();
    QWidget registry;
    registry.setObjectName(QStringLiteral("frmRegistry"));
    QWidget about;
    about.setObjectName(QStringLiteral("frmAbout"));

    QCOMPARE(openTrayModalDialog({}), nullptr);
    QCOMPARE(openTrayModalDialog({ &other, &registry, &about }), nullptr); // loaded, not open
    about.show();
    QCOMPARE(openTrayModalDialog({ &other, &registry, &about }), &about);
    about.hide();
    registry.show();
    QCOMPARE(openTrayModalDialog({ &other, &registry, &about }), &registry);
    // The name must match exactly.
    registry.setObjectName(QStringLiteral("frmregistry"));
    QCOMPARE(openTrayModalDialog({ &other, &registry }), nullptr);
}

QTEST_MAIN(tst_TrayCallback)
#include "tst_traycallback.moc"
