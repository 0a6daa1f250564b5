#include "app/program.h"
#include "platform/paths.h"
#include "store/programsettings.h"
#include "ui/main/frmmainld.h"
#include "common/eventwait.h"
#include "common/fakes.h"
#include "store/settingsstore.h"
#include "tray/frmtasktray.h"
#include "web/accountprofile.h"
#include "web/frmwb.h"
#include "web/loginsessions.h"
#include "web/portalfixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTest>

// Which accounts are logged in, through the real program, the real engine
// helper and the fake portal: the tray's logins, marked in its submenu, and
// すべてのアカウントでログイン with one password the portal refuses.
class tst_Sessions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void loginsAreMarkedInTheSubmenu();
    void loginProfileGoesAfterItsRunAndComesBackWithItsCookies();
    void everyAccountAtOnceNamesTheOneRefused();
    void expiredLoginIsRenewedFromTheBar();
    void expiredLoginIsRenewedWithoutAsking();

private:
    QStringList checkedLogins() const;
    bool waitForRunEnd(QAction *entry);

    std::unique_ptr<PortalFixture> m_portal;
    std::unique_ptr<Program> m_program;
    FakeTrayNotifier *m_notifier = nullptr;
};

void tst_Sessions::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>();
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
    {
        QSettings settings(SettingsStore::location(QStringLiteral("YRMLD")), QSettings::IniFormat);
        const QStringList ids{ "alice", "bob", "carol", "dave" };
        const QStringList passwords{ "pw-a", "pw-b", "wrong-password", "pw-d" };
        for (int n = 0; n < int(ids.size()); ++n) {
            settings.setValue(kIdSection + QLatin1Char('/') + idKey(n), ids[n]);
            settings.setValue(kPwSection + QLatin1Char('/') + pwKey(n), passwords[n]);
        }
    }
    Services services;
    m_notifier = new FakeTrayNotifier;
    services.notifier.reset(m_notifier);
    m_program = std::make_unique<Program>(std::move(services));
    m_program->start(true);
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
}

void tst_Sessions::cleanupTestCase()
{
    m_program.reset();
}

namespace {

// How many files of the account's profile folders the engine's processes have open.
int openProfileFiles(const QString &account)
{
    const QStringList folders{ AccountProfile::folder(Paths::engineProfile(), account) + QLatin1Char('/'),
                               AccountProfile::folder(Paths::engineCache(), account) + QLatin1Char('/') };
    int open = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
            const QString target = QFile::symLinkTarget(fds.filePath(fd));
            open += std::any_of(folders.begin(), folders.end(),
                                [&](const QString &folder) { return target.startsWith(folder); });
        }
    }
    return open;
}

// Where the button of the renewal bar above a tab's page is on the screen, if a bar shows: the
// bar has a tooltip's colours, in a stretch wider than any text right of its button.
std::optional<QPoint> renewButton()
{
    const QImage screen
            = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb bar = QApplication::palette().color(QPalette::ToolTipBase).rgb();
    QList<int> rows;
    QList<int> stretches;
    for (int y = 0; y < screen.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        int run = 0;
        for (int x = 0; x < screen.width(); ++x) {
            run = line[x] == bar ? run + 1 : 0;
            if (run == 200) {
                rows << y;
                stretches << x - run + 1;
                break;
            }
        }
    }
    if (rows.isEmpty())
        return std::nullopt;
    const int y = rows[rows.size() / 2];
    const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
    const int end = stretches[rows.size() / 2];
    int start = end;
    while (start > 0 && line[start - 1] != bar)
        --start;
    if (end - start < 40)
        return std::nullopt;
    return QPoint((start + end) / 2, y);
}

} // namespace

QStringList tst_Sessions::checkedLogins() const
{
    QStringList out;
    for (QAction *entry : m_program->tasktray().mnLoginP->actions()) {
        if (entry->isCheckable() && entry->isChecked())
            out << entry->text();
    }
    return out;
}

bool tst_Sessions::waitForRunEnd(QAction *entry)
{
    std::optional<RunOutcome> ended;
    const QMetaObject::Connection connection = connect(&m_program->webHost(), &frmWB::runEnded, this,
                                                       [&ended](EnginePage, RunOutcome outcome) { ended = outcome; });
    entry->trigger();
    const bool done = waitInEventLoop([&ended] { return ended.has_value(); }, 60000) && *ended == RunOutcome::Done;
    disconnect(connection);
    return done;
}

void tst_Sessions::loginsAreMarkedInTheSubmenu()
{
    frmTasktray &tray = m_program->tasktray();
    QVERIFY(waitForRunEnd(tray.mnLogin.value(0)));
    QVERIFY(waitForRunEnd(tray.mnLogin.value(1)));
    QCOMPARE(checkedLogins(), (QStringList{ "alice", "bob" }));
    QCOMPARE(tray.trayIcon->toolTip(), QStringLiteral("ヨルミ＠ライブドア\nbob ほか1件"));
    QVERIFY(m_notifier->shown.isEmpty());
}

// A login's profile, which only its run needed, goes once the run has ended: the engine keeps none
// of its files open, and the account stays logged in. One warmed as the menus' account stays, until
// the menus name another. The account's next page has it made again, with the login's cookie.
void tst_Sessions::loginProfileGoesAfterItsRunAndComesBackWithItsCookies()
{
    QVERIFY(waitInEventLoop([] { return openProfileFiles("alice") + openProfileFiles("bob") == 0; }, 30000));
    QVERIFY(m_program->sessions().isLoggedIn("alice"));
    m_program->webHost().engine().prepare(QStringLiteral("alice"));
    QVERIFY(waitInEventLoop([] { return openProfileFiles("alice") > 0; }, 30000));
    m_program->webHost().engine().prepare(QStringLiteral("bob"));
    QVERIFY(waitInEventLoop([] { return openProfileFiles("alice") == 0; }, 30000));
    m_portal->takeRequests();
    m_program->webHost().engine().openPortalPage(QUrl(QStringLiteral("https://www.livedoor.com/members/page")),
                                                 QStringLiteral("alice"), {});
    QList<QJsonObject> requests;
    QVERIFY(waitInEventLoop([&] { return !(requests += m_portal->takeRequests()).isEmpty(); }, 60000));
    QCOMPARE(requests.first().value("path").toString(), QStringLiteral("/members/page"));
    QCOMPARE(requests.first().value("cookie").toString(), QStringLiteral("ldsession=s1.alice"));
    QVERIFY(m_program->sessions().isLoggedIn("alice"));
    // The menus' account keeps its own.
    QVERIFY(openProfileFiles("bob") > 0);
}

void tst_Sessions::everyAccountAtOnceNamesTheOneRefused()
{
    frmTasktray &tray = m_program->tasktray();
    m_portal->takeRequests();
    tray.mnLoginAll->trigger();
    QCOMPARE(tray.mnLoginAll->text(), QStringLiteral("すべてのアカウントでログインを中止"));
    QVERIFY(waitInEventLoop([this] { return !m_notifier->shown.isEmpty(); }, 240000));
    QCOMPARE(m_notifier->shown,
             (QList<QStringList>{ { QStringLiteral("Yorumi@Livedoor"),
                                    QStringLiteral("次のアカウントでログインできませんでした: carol") } }));
    QCOMPARE(checkedLogins(), (QStringList{ "alice", "bob", "dave" }));
    // Each account's form went to the portal with its own ID, in list order.
    QStringList sent;
    for (const QJsonObject &request : m_portal->takeRequests()) {
        if (request.value(QStringLiteral("event")).toString() == QLatin1String("post"))
            sent << request.value(QStringLiteral("fields")).toArray().at(0).toArray().at(1).toString();
    }
    QCOMPARE(sent, (QStringList{ "alice", "bob", "carol", "dave" }));
    QCOMPARE(m_program->webHost().currentAccount(), QStringLiteral("bob"));
    QCOMPARE(tray.trayIcon->toolTip(), QStringLiteral("ヨルミ＠ライブドア\nbob ほか2件"));
}

// Without the automatic renewal, a tab whose login expired shows the bar: ログインし直す logs its
// account in again and the tab shows its page again as the account, without the bar.
void tst_Sessions::expiredLoginIsRenewedFromTheBar()
{
    QVERIFY(!m_program->settings().renewsLogins());
    QVERIFY(m_portal->expire("bob"));
    m_program->webHost().engine().openPortalPage(QUrl(QStringLiteral("https://www.livedoor.com/members/bar")),
                                                 QStringLiteral("bob"), {});
    std::optional<QPoint> button;
    QVERIFY(waitInEventLoop([&] { return (button = renewButton()).has_value(); }, 60000));
    m_portal->takeRequests();
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), { "mousemove", QString::number(button->x()),
                                                            QString::number(button->y()), "click", "1" }),
             0);
    QStringList sent;
    QString cookie;
    QVERIFY(waitInEventLoop(
            [&] {
                for (const QJsonObject &request : m_portal->takeRequests()) {
                    if (request.value("event").toString() == QLatin1String("post"))
                        sent << request.value("fields").toArray().at(0).toArray().at(1).toString();
                    if (request.value("path").toString() == QLatin1String("/members/bar"))
                        cookie = request.value("cookie").toString();
                }
                return !cookie.isEmpty();
            },
            60000));
    QCOMPARE(sent, QStringList{ "bob" });
    QCOMPARE(cookie, QStringLiteral("ldsession=s1.bob"));
    QVERIFY(waitInEventLoop([] { return !renewButton(); }, 10000));
    QVERIFY(m_program->sessions().isLoggedIn("bob"));
}

// The portal forgot an account's session: its page goes to the login form, the account is logged
// out, and with the automatic renewal ticked it logs in again and the tab shows its page again.
void tst_Sessions::expiredLoginIsRenewedWithoutAsking()
{
    m_program->mainLd().mnRenewLogins->trigger();
    QVERIFY(m_program->settings().renewsLogins());
    bool loggedOut = false;
    connect(&m_program->sessions(), &LoginSessions::changed, this,
            [this, &loggedOut] { loggedOut = loggedOut || !m_program->sessions().isLoggedIn("dave"); });
    QVERIFY(m_portal->expire("dave"));
    m_portal->takeRequests();
    const QUrl page(QStringLiteral("https://www.livedoor.com/members/page"));
    m_program->webHost().engine().openPortalPage(page, QStringLiteral("dave"), {});
    int pages = 0;
    QStringList sent;
    QVERIFY(waitInEventLoop(
            [&] {
                for (const QJsonObject &request : m_portal->takeRequests()) {
                    if (request.value("path").toString() == QLatin1String("/members/page"))
                        ++pages;
                    if (request.value("event").toString() == QLatin1String("post"))
                        sent << request.value("fields").toArray().at(0).toArray().at(1).toString();
                }
                return pages >= 2;
            },
            120000));
    QCOMPARE(sent, QStringList{ "dave" });
    QVERIFY(loggedOut);
    QVERIFY(m_program->sessions().isLoggedIn("dave"));
    QCOMPARE(m_program->webHost().currentAccount(), QStringLiteral("bob"));
    QCOMPARE(m_notifier->shown.size(), 1);
}

YORUMI_WEB_TEST_MAIN(tst_Sessions)
#include "tst_sessions.moc"
