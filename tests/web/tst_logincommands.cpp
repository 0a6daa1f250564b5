#include "app/program.h"
#include "common/fakes.h"
#include "tray/frmtasktray.h"
#include "ui/main/frmmainld.h"
#include "ui/main/statusbar.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"
#include "web/statustext.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QJsonArray>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

// The four commands that start a login or logout: the settings window's buttons, which show
// the outcome in the status bar, and the tray's entries, which show nothing.
class tst_LoginCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loginNeedsASelection();
    void windowLoginShowsProgressAndResult_data();
    void windowLoginShowsProgressAndResult();
    void logoutNeedsNoAccount();
    void trayCommandsLeaveTheWindowAlone();
    void windowStaysDisabledUntilItsOwnRunEnds();

private:
    QList<QJsonObject> posts();

    std::unique_ptr<PortalFixture> m_portal;
    std::unique_ptr<Program> m_program;
    FakeMessageBoxes *m_boxes = nullptr;
};

void tst_LoginCommands::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>();
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
}

void tst_LoginCommands::init()
{
    // The fixture's home holds the browser's trusted certificates: keep it, and refill the
    // store in its configuration folder.
    const QString store = SettingsStore::location(QStringLiteral("YRMLD"));
    QFile::remove(store);
    {
        QSettings settings(store, QSettings::IniFormat);
        settings.setValue(QStringLiteral("ID/ID0"), QStringLiteral("alice"));
        settings.setValue(QStringLiteral("PW/PW0"), QStringLiteral("pw-a"));
        settings.setValue(QStringLiteral("ID/ID1"), QStringLiteral("bob"));
        settings.setValue(QStringLiteral("PW/PW1"), QStringLiteral("pw-b"));
    }
    m_program = std::make_unique<Program>();
    m_boxes = new FakeMessageBoxes;
    m_program->messageBoxes.reset(m_boxes);
    m_program->start(true);
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    m_portal->takeRequests();
}

void tst_LoginCommands::cleanup()
{
    m_program.reset();
}

QList<QJsonObject> tst_LoginCommands::posts()
{
    QList<QJsonObject> out;
    for (const QJsonObject &request : m_portal->takeRequests())
        if (request.value(QStringLiteral("event")).toString() == QLatin1String("post"))
            out << request;
    return out;
}

void tst_LoginCommands::loginNeedsASelection()
{
    frmMainLd &window = m_program->mainLd();
    window.cmdLOGIN->click();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].text, QStringLiteral("IDを選択してください。"));
    QCOMPARE(m_boxes->shown[0].buttons, MessageBoxes::Buttons::Ok);
    QCOMPARE(window.SB->text(), QString());
    QVERIFY(window.isEnabled());
    QCOMPARE(m_program->webHost().pendingRuns(), 0);
}

void tst_LoginCommands::windowLoginShowsProgressAndResult_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("result");
    QTest::newRow("logged in") << "normal" << StatusText::loginDone;
    QTest::newRow("refused") << "refuse" << StatusText::loginFailed;
}

void tst_LoginCommands::windowLoginShowsProgressAndResult()
{
    QFETCH(QString, variant);
    QFETCH(QString, result);
    QVERIFY(m_portal->setVariant(variant));
    frmMainLd &window = m_program->mainLd();
    window.lbID->setCurrentRow(1);
    window.cmdLOGIN->click();

    QCOMPARE(window.SB->text(), StatusText::loggingIn);
    QVERIFY(!window.isEnabled());
    QVERIFY(!window.menuBar()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(window.SB->text(), result, 35000);
    QVERIFY(window.isEnabled());
    QVERIFY(m_boxes->shown.isEmpty());

    const QList<QJsonObject> sent = posts();
    QCOMPARE(sent.size(), 1);
    const QJsonArray fields = sent[0].value(QStringLiteral("fields")).toArray();
    QCOMPARE(fields.at(0).toArray().at(1).toString(), QStringLiteral("bob"));
    QVERIFY2(fields.at(1).toArray().at(1).toString() == QStringLiteral("pw-b"),
             "the selected account's password was not sent");
}

void tst_LoginCommands::logoutNeedsNoAccount()
{
    // With nothing selected, and with no accounts at all.
    frmMainLd &window = m_program->mainLd();
    for (int slot = 0; slot < 2; ++slot)
        m_program->table.set(EditionLivedoor, qint16(slot), QString(), QString());
    window.lbID->clear();
    window.cmdLOGOUT->click();
    QCOMPARE(window.SB->text(), StatusText::loggingOut);
    QVERIFY(!window.isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(window.SB->text(), StatusText::logoutDone, 35000);
    QVERIFY(window.isEnabled());
    QVERIFY(m_boxes->shown.isEmpty());
}

void tst_LoginCommands::trayCommandsLeaveTheWindowAlone()
{
    frmMainLd &window = m_program->mainLd();
    frmTasktray &tray = m_program->tasktray();
    window.SB->setText(QStringLiteral("エラーが発生しました。"));

    tray.mnLogin.value(0)->trigger();
    QVERIFY(window.isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(m_program->webHost().pendingRuns(), 0, 35000);
    tray.mnLogout->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_program->webHost().pendingRuns(), 0, 35000);

    QCOMPARE(window.SB->text(), QStringLiteral("エラーが発生しました。"));
    QVERIFY(window.isEnabled());
    // The tray's entry n logs in with slot n's ID and password.
    const QList<QJsonObject> sent = posts();
    QCOMPARE(sent.size(), 1);
    const QJsonArray fields = sent[0].value(QStringLiteral("fields")).toArray();
    QCOMPARE(fields.at(0).toArray().at(1).toString(), QStringLiteral("alice"));
    QVERIFY2(fields.at(1).toArray().at(1).toString() == QStringLiteral("pw-a"),
             "slot 0's password was not sent");
}

void tst_LoginCommands::windowStaysDisabledUntilItsOwnRunEnds()
{
    QVERIFY(m_portal->setVariant(QStringLiteral("slow")));
    frmMainLd &window = m_program->mainLd();
    frmTasktray &tray = m_program->tasktray();

    tray.mnLogin.value(1)->trigger(); // runs first, in the tray's name
    window.lbID->setCurrentRow(0);
    window.cmdLOGIN->click();         // waits its turn
    QCOMPARE(m_program->webHost().pendingRuns(), 2);

    QTRY_COMPARE_WITH_TIMEOUT(m_program->webHost().pendingRuns(), 1, 35000);
    QVERIFY(!window.isEnabled());
    QCOMPARE(window.SB->text(), StatusText::loggingIn);
    QTRY_COMPARE_WITH_TIMEOUT(window.SB->text(), StatusText::loginDone, 35000);
    QVERIFY(window.isEnabled());

    const QList<QJsonObject> sent = posts();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[0].value(QStringLiteral("fields")).toArray().at(0).toArray().at(1).toString(),
             QStringLiteral("bob"));
    QCOMPARE(sent[1].value(QStringLiteral("fields")).toArray().at(0).toArray().at(1).toString(),
             QStringLiteral("alice"));
}

YORUMI_WEB_TEST_MAIN(tst_LoginCommands)
#include "tst_logincommands.moc"
