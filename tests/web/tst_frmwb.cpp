#include "browser/cookiejournal.h"
#include "common/ended.h"
#include "common/helperprocess.h"
#include "platform/paths.h"
#include "web/accountprofile.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <csignal>
#include <optional>
#include <utility>

using namespace std::chrono_literals;

// Time-outs are tested on a shorter budget than the program's; one test runs the real one.
constexpr std::chrono::milliseconds kShortBudget = 6s;

namespace {

// Runs a login (or logout) to its end and gives how it ended.
Ended login(frmWB &host, const QString &id, const QString &password, int timeoutMs = 40000)
{
    Ended ended;
    host.loginLD(id, password, [&](RunOutcome outcome) { ended = outcome; });
    (void)QTest::qWaitFor([&] { return ended.has_value(); }, timeoutMs);
    return ended;
}

Ended runLogout(frmWB &host, int timeoutMs = 40000)
{
    Ended ended;
    host.logoutLD([&](RunOutcome outcome) { ended = outcome; });
    (void)QTest::qWaitFor([&] { return ended.has_value(); }, timeoutMs);
    return ended;
}

QList<QJsonObject> posts(const QList<QJsonObject> &requests)
{
    QList<QJsonObject> out;
    for (const QJsonObject &request : requests)
        if (request.value(QStringLiteral("event")).toString() == QLatin1String("post"))
            out << request;
    return out;
}

// The helper's journal of the account's cookies: each line is a cookie in Base64, one removed
// after a "-".
QByteArray journalOf(const QString &account)
{
    QFile journal(AccountProfile::folder(Paths::engineProfile(), account) + QStringLiteral("/yorumi-cookies"));
    return journal.open(QIODevice::ReadOnly) ? journal.readAll() : QByteArray();
}

// Whether the journal holds the portal's session.
bool journalHoldsTheSession(const QString &account)
{
    for (const QByteArray &line : journalOf(account).split('\n')) {
        if (!line.startsWith('-') && QByteArray::fromBase64(line).startsWith("ldsession=s1"))
            return true;
    }
    return false;
}

// The fields of a sent form, in order, as (name, value) pairs.
QList<QPair<QString, QString>> fields(const QJsonObject &post)
{
    QList<QPair<QString, QString>> out;
    for (const QJsonValue &pair : post.value(QStringLiteral("fields")).toArray())
        out.append({ pair.toArray().at(0).toString(), pair.toArray().at(1).toString() });
    return out;
}

} // namespace

class tst_frmWB : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void engineStartsOnFirstRun();
    void engineStaysOutOfTheProgram();
    void loginSendsTheFormAndKeepsTheCookie();
    void credentialsArriveExactly_data();
    void credentialsArriveExactly();
    void formVariants_data();
    void formVariants();
    void missingFieldsTimeOut_data();
    void missingFieldsTimeOut();
    void refusedOrFailedLogin_data();
    void refusedOrFailedLogin();
    void logoutEnds_data();
    void logoutEnds();
    void pageCannotShowAnything();
    void runsAreQueuedInOrder();
    void removedAccountStaysRemoved();
    void cookieSurvivesARestart();
    void logoutSurvivesAKilledHelper_data();
    void logoutSurvivesAKilledHelper();
    void fullBudgetIsThirtySeconds();

private:
    std::unique_ptr<PortalFixture> m_portal;
    std::unique_ptr<frmWB> m_host;
};

void tst_frmWB::initTestCase()
{
    m_portal = std::make_unique<PortalFixture>();
    QVERIFY2(m_portal->isReady(), qPrintable(m_portal->error()));
    // Time-outs are tested on a shorter budget; one test runs the real one.
    m_host = std::make_unique<frmWB>(kShortBudget);
}

void tst_frmWB::engineStartsOnFirstRun()
{
    QCOMPARE(helperPid(*m_host), 0);
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    QCOMPARE(runLogout(*m_host), Ended(RunOutcome::Done));
    const qint64 helper = helperPid(*m_host);
    QVERIFY(helper > 0);
    // Later runs reuse it.
    QCOMPARE(runLogout(*m_host), Ended(RunOutcome::Done));
    QCOMPARE(helperPid(*m_host), helper);

    m_portal->takeRequests();
}

void tst_frmWB::engineStaysOutOfTheProgram()
{
    const QByteArray password = "pw-Ex3mpl\u0022";
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    QCOMPARE(login(*m_host, QStringLiteral("taro"), QString::fromLatin1(password)), Ended(RunOutcome::Done));
    m_portal->takeRequests();
    // The program's own process has not loaded the engine, and the password went through the
    // helper's input alone.
    QVERIFY(!procFileHolds(QCoreApplication::applicationPid(), "maps", "WebEngine"));
    const qint64 helper = helperPid(*m_host);
    QVERIFY(procFileHolds(helper, "maps", "libQt6WebEngineCore"));
    for (const char *file : { "cmdline", "environ" })
        QVERIFY2(!procFileHolds(helper, file, password), file);
}

void tst_frmWB::loginSendsTheFormAndKeepsTheCookie()
{
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    QCOMPARE(login(*m_host, QStringLiteral("taro"), QStringLiteral("pw-1")), Ended(RunOutcome::Done));
    const QList<QJsonObject> sent = posts(m_portal->takeRequests());
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].value(QStringLiteral("path")).toString(), QStringLiteral("/login/"));
    const auto body = fields(sent[0]);
    QCOMPARE(body.size(), 3);
    QCOMPARE(body[0].first, QStringLiteral("livedoor_id"));
    QCOMPARE(body[0].second, QStringLiteral("taro"));
    QCOMPARE(body[1].first, QStringLiteral("password"));
    QVERIFY2(body[1].second == QStringLiteral("pw-1"), "the password did not arrive as stored");
    QCOMPARE(body[2], (QPair<QString, QString>(QStringLiteral("auto_login"), QStringLiteral("1"))));

    // The portal's cookie now goes with every request to its hosts.
    QCOMPARE(runLogout(*m_host), Ended(RunOutcome::Done));
    const QList<QJsonObject> after = m_portal->takeRequests();
    QCOMPARE(after.size(), 1);
    QVERIFY(after[0].value(QStringLiteral("cookie")).toString().contains(QStringLiteral("ldsession=s1")));
}

void tst_frmWB::credentialsArriveExactly_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::newRow("quotes and backslashes") << "a\"b'c\\d" << "p\"'\\\\`${x}";
    QTest::newRow("script end tag") << "</script><b>" << "</script>');alert(1);//";
    QTest::newRow("japanese and emoji") << "ライブドア太郎" << "パス😀ワード";
    QTest::newRow("control characters") << "tab\there" << QString::fromUtf8("nul\x01\x7f");
    QTest::newRow("json-like") << "\"]);document.forms[0].submit();//" << "\\u0022";
    QTest::newRow("separators") << "a&b=c+d%20" << QString::fromUtf8("line\u2028sep\u2029");
    QTest::newRow("blanks kept") << "  spaced  " << " ";
}

void tst_frmWB::credentialsArriveExactly()
{
    QFETCH(QString, id);
    QFETCH(QString, password);
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    QCOMPARE(login(*m_host, id, password), Ended(RunOutcome::Done));
    const QList<QJsonObject> sent = posts(m_portal->takeRequests());
    QCOMPARE(sent.size(), 1);
    const auto body = fields(sent[0]);
    QCOMPARE(body.size(), 3);
    QCOMPARE(body[0].second, id);
    QVERIFY2(body[1].second == password, "the password did not arrive exactly as stored");
}

void tst_frmWB::formVariants_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("autoLogin");
    QTest::newRow("auto_login that is not an input")
            << "auto_login_not_input" << "/login/" << QStringList{ "livedoor_id", "password", "auto_login" }
            << "s";
    QTest::newRow("first of two auto_login inputs")
            << "two_auto_login" << "/login/" << QStringList{ "livedoor_id", "password", "auto_login" }
            << "first";
    QTest::newRow("fields in the second form: the first is sent")
            << "fields_in_second_form" << "/login/first" << QStringList{ "which" } << "";
    QTest::newRow("several forms: only the first")
            << "several_forms" << "/login/" << QStringList{ "livedoor_id", "password", "auto_login" }
            << "1";
}

void tst_frmWB::formVariants()
{
    QFETCH(QString, variant);
    QFETCH(QString, path);
    QFETCH(QStringList, names);
    QFETCH(QString, autoLogin);
    QVERIFY(m_portal->setVariant(variant));
    login(*m_host, QStringLiteral("id"), QStringLiteral("pw"));
    const QList<QJsonObject> sent = posts(m_portal->takeRequests());
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].value(QStringLiteral("path")).toString(), path);
    QStringList sentNames;
    QString sentAutoLogin;
    for (const auto &[name, value] : fields(sent[0])) {
        sentNames << name;
        if (name == QLatin1String("auto_login"))
            sentAutoLogin = value;
    }
    QCOMPARE(sentNames, names);
    QCOMPARE(sentAutoLogin, autoLogin);
}

void tst_frmWB::missingFieldsTimeOut_data()
{
    QTest::addColumn<QString>("variant");
    QTest::newRow("no livedoor_id") << "no_id";
    QTest::newRow("no password") << "no_password";
    QTest::newRow("no form") << "no_form";
    QTest::newRow("login page never answers") << "never";
}

void tst_frmWB::missingFieldsTimeOut()
{
    QFETCH(QString, variant);
    QVERIFY(m_portal->setVariant(variant));
    const qint64 helper = helperPid(*m_host);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(login(*m_host, QStringLiteral("id"), QStringLiteral("pw")), Ended(RunOutcome::TimedOut));
    QVERIFY2(clock.elapsed() >= kShortBudget.count() && clock.elapsed() < kShortBudget.count() + 2000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(posts(m_portal->takeRequests()).isEmpty());
    // The helper ended the run itself: the program had no cause to replace it.
    QCOMPARE(helperPid(*m_host), helper);
}

void tst_frmWB::refusedOrFailedLogin_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<Ended>("status");
    QTest::addColumn<int>("forms");
    QTest::newRow("credentials refused") << "refuse" << Ended(RunOutcome::Failed) << 1;
    QTest::newRow("http error") << "login_error" << Ended(RunOutcome::Failed) << 0;
    // Another host's login form gets neither the ID nor the password.
    QTest::newRow("login page moved to another host") << "elsewhere" << Ended(RunOutcome::WrongPage) << 0;
    // Nor does a page outside the login pages that the login page leads to once it has the ID.
    QTest::newRow("login page leaves once the ID is typed") << "leaves_after_id" << Ended(RunOutcome::WrongPage) << 0;
}

void tst_frmWB::refusedOrFailedLogin()
{
    QFETCH(QString, variant);
    QFETCH(Ended, status);
    QFETCH(int, forms);
    const QString password = QStringLiteral("pw-for-the-login-form-alone");
    QVERIFY(m_portal->setVariant(variant));
    const Ended ended = login(*m_host, QStringLiteral("id"), password);
    const QList<QJsonObject> requests = m_portal->takeRequests();
    // The password reached no request but the forms sent to the login pages (and no script of a
    // page, which would have reported it).
    for (const QJsonObject &request : requests) {
        const QString path = request.value(QStringLiteral("path")).toString();
        if (QJsonDocument(request).toJson().contains(password.toUtf8()))
            QVERIFY2(request.value(QStringLiteral("event")).toString() == QLatin1String("post")
                             && path.startsWith(QLatin1String("/login/")),
                     qPrintable(path.section(u'?', 0, 0)));
    }
    QCOMPARE(ended, status);
    QCOMPARE(posts(requests).size(), forms);
}

void tst_frmWB::logoutEnds_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<Ended>("status");
    QTest::newRow("logged out") << "normal" << Ended(RunOutcome::Done);
    QTest::newRow("http error") << "logout_error" << Ended(RunOutcome::Failed);
    QTest::newRow("never answers") << "never" << Ended(RunOutcome::TimedOut);
}

void tst_frmWB::logoutEnds()
{
    QFETCH(QString, variant);
    QFETCH(Ended, status);
    QVERIFY(m_portal->setVariant(variant));
    QCOMPARE(runLogout(*m_host), status);
    const QList<QJsonObject> requests = m_portal->takeRequests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].value(QStringLiteral("path")).toString(), QStringLiteral("/login/logout"));
}

void tst_frmWB::pageCannotShowAnything()
{
    // The login page greets with dialogs, pop-ups, permission requests and a download.
    QVERIFY(m_portal->setVariant(QStringLiteral("popups")));
    QCOMPARE(login(*m_host, QStringLiteral("id"), QStringLiteral("pw")), Ended(RunOutcome::Done));
    QCOMPARE(visibleWindowsOf(helperPid(*m_host)), QStringList());
    QCOMPARE(posts(m_portal->takeRequests()).size(), 1);
}

void tst_frmWB::runsAreQueuedInOrder()
{
    QVERIFY(m_portal->setVariant(QStringLiteral("slow")));
    QStringList ended;
    auto done = [&](const char *run) {
        return [&ended, run](RunOutcome outcome) { ended << run + QString::fromLatin1(nameOf(outcome)); };
    };
    m_host->loginLD(QStringLiteral("first"), QStringLiteral("p1"), done("login:"));
    m_host->logoutLD(done("logout:"));
    m_host->loginLD(QStringLiteral("second"), QStringLiteral("p2"), done("login:"));
    QCOMPARE(m_host->pendingRuns(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 3, 20000);
    QCOMPARE(ended, (QStringList{ "login:Done", "logout:Done", "login:Done" }));
    QStringList order;
    for (const QJsonObject &r : m_portal->takeRequests())
        order << r.value(QStringLiteral("event")).toString() + r.value(QStringLiteral("path")).toString();
    QCOMPARE(order, (QStringList{ "get/login/index", "post/login/", "get/login/logout",
                                  "get/login/index", "post/login/" }));
    QCOMPARE(m_host->pendingRuns(), 0);
}

// An account the user removes while its login is on its way to a helper that is still starting:
// the login makes nothing current, and the account's profile goes once the run's page has gone,
// rather than being made again by the run.
void tst_frmWB::removedAccountStaysRemoved()
{
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    frmWB host(kShortBudget);
    Ended ended;
    host.loginLD(QStringLiteral("gone"), QStringLiteral("pw"), [&](RunOutcome outcome) { ended = outcome; });
    host.forgetAccount(QStringLiteral("gone"));
    QTRY_COMPARE_WITH_TIMEOUT(ended, Ended(RunOutcome::Done), 20000);
    QCOMPARE(host.currentAccount(), QString());
    const QDir profile(AccountProfile::folder(Paths::engineProfile(), QStringLiteral("gone")));
    QTRY_VERIFY_WITH_TIMEOUT(!profile.exists(), 10000);
    m_portal->takeRequests();
}

void tst_frmWB::cookieSurvivesARestart()
{
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    QCOMPARE(login(*m_host, QStringLiteral("keep"), QStringLiteral("pw")), Ended(RunOutcome::Done));
    // A logout the portal refuses leaves its cookie alone. A new helper's cold start comes out
    // of the run's budget, so these runs get the program's own.
    const auto logoutCarriesTheCookie = [&] {
        m_portal->takeRequests();
        QVERIFY(m_portal->setVariant(QStringLiteral("logout_error")));
        QCOMPARE(runLogout(*m_host), Ended(RunOutcome::Failed));
        const QList<QJsonObject> requests = m_portal->takeRequests();
        QCOMPARE(requests.size(), 1);
        QVERIFY(requests[0].value(QStringLiteral("cookie")).toString().contains(QStringLiteral("ldsession=s1")));
    };
    // Ending the host (the program's end) writes the cookies out; a new one reads them back.
    const qint64 helper = helperPid(*m_host);
    m_host.reset();
    QVERIFY(!QFile::exists(QStringLiteral("/proc/%1").arg(helper)));
    HelperEngine::Options options;
    options.idleEnd = 1s;
    m_host = std::make_unique<frmWB>(std::make_unique<HelperEngine>(options));
    // The program starts with the account that was current when it ended.
    m_host->setCurrentAccount(QStringLiteral("keep"));
    // The new helper tells of the login it finds in the profile's store as it makes the profile,
    // before any page of the portal has loaded on it.
    bool toldTheLogin = false;
    connect(&m_host->engine(), &BrowserEngine::cookiesChanged, this,
            [&](const QString &account, const std::vector<EngineChannel::SessionCookie> &set) {
                for (const EngineChannel::SessionCookie &cookie : set)
                    toldTheLogin = toldTheLogin || (account == QLatin1String("keep") && cookie.name == QLatin1String("ldsession"));
            });
    m_host->engine().prepare(QStringLiteral("keep"));
    QTRY_VERIFY_WITH_TIMEOUT(toldTheLogin, 30000);
    logoutCarriesTheCookie();
    if (QTest::currentTestFailed())
        return;
    // So does the helper's end when idle, and a new helper's start.
    QTRY_COMPARE_WITH_TIMEOUT(helperPid(*m_host), 0, 10000);
    logoutCarriesTheCookie();
}

void tst_frmWB::logoutSurvivesAKilledHelper_data()
{
    QTest::addColumn<bool>("churn");
    QTest::newRow("quiet pages") << false;
    // A page's script changes cookies by the thousand for 10 s before the logout.
    QTest::newRow("after a page churned its cookies") << true;
}

// A logout sticks though the helper is killed a moment after it, before the engine has written
// its own store out (it does so every half minute): the next helper starts logged out.
void tst_frmWB::logoutSurvivesAKilledHelper()
{
    QFETCH(bool, churn);
    const QString account = QStringLiteral("leaving");
    QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    // A new helper's cold start comes out of a run's budget: these runs get the program's own.
    auto host = std::make_unique<frmWB>();
    // An account expected next keeps its profile after the login, which then goes with its
    // journal at the helper's end: the churn below starts on an empty journal, and the logout
    // names a cookie that the journal holds no more.
    if (churn)
        host->engine().prepare(account);
    QCOMPARE(login(*host, account, QStringLiteral("pw")), Ended(RunOutcome::Done));
    // The helper's orderly end writes the session out to the engine's store.
    host.reset();
    // The churning page holds the login 10 s: that run gets a budget with room for a loaded
    // machine's cold start on top.
    host = churn ? std::make_unique<frmWB>(90s) : std::make_unique<frmWB>();
    host->setCurrentAccount(account);
    if (churn) {
        // The login page churns until the login sends its form: the journal follows the changes
        // all along, and holds no more of them than its bound.
        QVERIFY(m_portal->setVariant(QStringLiteral("churn")));
        m_portal->takeRequests();
        Ended ended;
        host->loginLD(account, QStringLiteral("pw"), [&](RunOutcome outcome) { ended = outcome; });
        qsizetype most = 0;
        QVERIFY(QTest::qWaitFor(
                [&] {
                    most = std::max(most, journalOf(account).count('\n'));
                    return !posts(m_portal->takeRequests()).isEmpty();
                },
                90000));
        QCOMPARE(most, qsizetype(CookieJournal::kMaxChanges));
        QTRY_COMPARE_WITH_TIMEOUT(ended, Ended(RunOutcome::Done), 30000);
        QVERIFY(m_portal->setVariant(QStringLiteral("normal")));
    }
    m_portal->takeRequests();
    QCOMPARE(runLogout(*host), Ended(RunOutcome::Done));
    const QList<QJsonObject> logout = m_portal->takeRequests();
    QCOMPARE(logout.size(), 1);
    QVERIFY(logout[0].value(QStringLiteral("cookie")).toString().contains(QStringLiteral("ldsession=s1")));
    const QString journal = AccountProfile::folder(Paths::engineProfile(), account) + QStringLiteral("/yorumi-cookies");
    // The journal follows the logout at once; the engine's own store would take half a minute.
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(journal) && !journalHoldsTheSession(account); }, 5000));
    ::kill(pid_t(helperPid(*host)), SIGKILL);
    QTRY_COMPARE(helperPid(*host), 0);

    // The account's own profile, which the logout left for the guest's.
    host->setCurrentAccount(account);
    m_portal->takeRequests();
    QCOMPARE(runLogout(*host), Ended(RunOutcome::Done));
    const QList<QJsonObject> requests = m_portal->takeRequests();
    QCOMPARE(requests.size(), 1);
    QVERIFY2(!requests[0].value(QStringLiteral("cookie")).toString().contains(QStringLiteral("ldsession=s1")),
             qPrintable(requests[0].value(QStringLiteral("cookie")).toString()));
}

void tst_frmWB::fullBudgetIsThirtySeconds()
{
    frmWB host; // the program's own budget
    QVERIFY(m_portal->setVariant(QStringLiteral("never")));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(login(host, QStringLiteral("id"), QStringLiteral("pw"), 40000), Ended(RunOutcome::TimedOut));
    QVERIFY2(clock.elapsed() >= 30000 && clock.elapsed() < 32000, qPrintable(QString::number(clock.elapsed())));
    m_portal->takeRequests();
}

YORUMI_WEB_TEST_MAIN(tst_frmWB)
#include "tst_frmwb.moc"
