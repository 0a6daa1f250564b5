#include "common/storesandbox.h"
#include "store/programsettings.h"
#include "web/loginsessions.h"

#include <QSignalSpy>
#include <QTest>

// The rule of which accounts are logged in, as a table: each row a list of
// events and the accounts logged in after them, in the list's order.
//
// Events: "login A c@s ..." (a login of A that set the cookies c, each expiring
// s seconds from now, or never without "@s"), "logout A", "set A c ..." and
// "gone A c ..." (the engine tells of cookies set in A's profile, or gone from
// it), "form A" (the portal showed a page of A's as its login form), "adopted A"
// (A's profile is the one all logins shared), "list A B ..." (the list now holds
// these IDs), "later s" (the clock moves on s seconds), "restart" (the program
// starts again on the same settings), "before" (the settings as the version
// before wrote them: the logins and their cookies alone) and "wait" (for the
// next change, on the real clock).
class tst_LoginSessions : public QObject
{
    Q_OBJECT
private slots:
    void rule_data();
    void rule();
};

void tst_LoginSessions::rule_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("loggedIn");
    QTest::newRow("login, then a logout")
            << QStringList{ "login alice s@3600", "login bob s", "logout alice" } << QStringList{ "bob" };
    QTest::newRow("cookies gone one by one")
            << QStringList{ "login alice a@3600 b", "gone alice a", "gone alice x" } << QStringList{ "alice" };
    QTest::newRow("every cookie gone") << QStringList{ "login alice a@3600 b", "gone alice a", "gone alice b" }
                                       << QStringList{};
    QTest::newRow("a page sent to the login form outside a run")
            << QStringList{ "login alice s", "login bob s", "form bob" } << QStringList{ "alice" };
    QTest::newRow("expiry passing") << QStringList{ "login alice s@0.3", "login bob s@3600", "wait" }
                                    << QStringList{ "bob" };
    QTest::newRow("a login again keeps the cookies that are still there")
            << QStringList{ "login alice a@3600", "login alice b@60", "later 120", "restart" }
            << QStringList{ "alice" };
    QTest::newRow("list order, each ID once")
            << QStringList{ "login carol s", "login alice s", "list alice bob carol alice" }
            << QStringList{ "alice", "carol" };
    QTest::newRow("a removed account is forgotten")
            << QStringList{ "login alice s", "login bob s", "list bob", "list alice bob" } << QStringList{ "bob" };
    QTest::newRow("a renamed account is not logged in under its old name")
            << QStringList{ "login alice s", "list alicia", "list alice" } << QStringList{};
    QTest::newRow("restart, an expiry passed meanwhile")
            << QStringList{ "login alice a@3600", "login bob b@7200", "login carol c", "later 5400", "restart" }
            << QStringList{ "bob", "carol" };
    QTest::newRow("a login that set no cookie") << QStringList{ "login alice", "restart" } << QStringList{};
    QTest::newRow("an expiry the portal extends")
            << QStringList{ "login alice s@60", "set alice s@7200", "later 120", "restart" } << QStringList{ "alice" };
    QTest::newRow("an expired login's cookie back, other cookies, an account never logged in")
            << QStringList{ "login alice s@3600", "login bob s", "gone alice s", "set alice s", "gone bob s",
                            "set bob x", "set carol s" }
            << QStringList{ "alice" };
    QTest::newRow("logged out, its cookie set again") << QStringList{ "login alice s", "logout alice", "set alice s" }
                                                       << QStringList{};
    QTest::newRow("an adopted profile, its cookies unknown")
            << QStringList{ "adopted bob", "login alice s", "gone bob s", "restart" } << QStringList{ "alice", "bob" };
    QTest::newRow("after an update from the version before")
            << QStringList{ "login alice s", "before", "restart", "gone alice s", "set alice s" }
            << QStringList{ "alice" };
}

void tst_LoginSessions::rule()
{
    QFETCH(QStringList, events);
    QFETCH(QStringList, loggedIn);
    StoreSandbox sandbox;
    ProgramSettings settings;
    QStringList listed{ "alice", "bob", "carol" };
    qint64 later = 0;
    auto now = [&later] { return QDateTime::currentDateTimeUtc().addSecs(later); };
    auto sessions = std::make_unique<LoginSessions>(
            settings, [&listed] { return listed; }, now);
    auto cookies = [&](const QStringList &words) {
        std::vector<LoginSessions::Cookie> out;
        for (const QString &word : words.mid(2)) {
            const QStringList parts = word.split(QLatin1Char('@'));
            LoginSessions::Cookie cookie{ parts[0], QStringLiteral(".livedoor.com"), QStringLiteral("/"), {} };
            if (parts.size() > 1)
                cookie.expires = now().addMSecs(qint64(parts[1].toDouble() * 1000));
            out.push_back(cookie);
        }
        return out;
    };
    for (const QString &event : events) {
        const QStringList words = event.split(QLatin1Char(' '));
        const QString &what = words[0];
        if (what == QLatin1String("login")) {
            sessions->loginSucceeded(words[1], cookies(words));
        } else if (what == QLatin1String("logout") || what == QLatin1String("form")) {
            sessions->loggedOut(words[1]);
        } else if (what == QLatin1String("set")) {
            sessions->cookiesChanged(words[1], cookies(words), {});
        } else if (what == QLatin1String("gone")) {
            sessions->cookiesChanged(words[1], {}, cookies(words));
        } else if (what == QLatin1String("adopted")) {
            sessions->adopted(words[1]);
        } else if (what == QLatin1String("before")) {
            settings.setLoginCookies({});
            settings.setPortalCookies({});
        } else if (what == QLatin1String("list")) {
            listed = words.mid(1);
            sessions->keepListed();
        } else if (what == QLatin1String("later")) {
            later += words[1].toInt();
        } else if (what == QLatin1String("restart")) {
            sessions.reset();
            sessions = std::make_unique<LoginSessions>(
                    settings, [&listed] { return listed; }, now);
        } else if (what == QLatin1String("wait")) {
            QSignalSpy changed(sessions.get(), &LoginSessions::changed);
            QVERIFY(changed.wait(10000));
        } else {
            QFAIL(qPrintable(event));
        }
    }
    QCOMPARE(sessions->loggedIn(), loggedIn);
    for (const QString &account : listed)
        QCOMPARE(sessions->isLoggedIn(account), loggedIn.contains(account));
}

QTEST_GUILESS_MAIN(tst_LoginSessions)
#include "tst_loginsessions.moc"
