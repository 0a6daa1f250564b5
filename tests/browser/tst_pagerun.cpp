#include "browser/pagerun.h"
#include "browser/silentpage.h"
#include "common/ended.h"

#include <QApplication>
#include <QBuffer>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

using namespace std::chrono_literals;

namespace {

const QByteArray kScheme = "yorumi-test";
// What the step carries, as an ID or a password would be.
const QString kSecret = QStringLiteral("secret-value");

// The pages of a login host of the test's own, on a scheme only this process knows: no network.
class TestPages : public QWebEngineUrlSchemeHandler
{
public:
    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        const QUrl url = job->requestUrl();
        const QString path = url.path();
        if (url.host() == QLatin1String("login.test") && path == QLatin1String("/login/away")) {
            // The login page has gone to another site, which serves a login form of its own.
            job->redirect(QUrl(QStringLiteral("yorumi-test://other.test/login/index")));
            return;
        }
        QByteArray body = "<input id='livedoor_id'>";
        if (path == QLatin1String("/login/late")) {
            // No field at first, and then off to another login page, which has one.
            body = "<script>setTimeout(function () { location.href = '/login/index'; }, 50);</script>";
        }
        auto *buffer = new QBuffer(job);
        buffer->setData("<!DOCTYPE html><html><body>" + body + "</body></html>");
        job->reply("text/html", buffer);
    }
};

// A run's page that counts the scripts carrying the secret that the run sent it.
class WatchedPage : public SilentPage
{
public:
    using SilentPage::SilentPage;
    void runScript(const QString &script, const std::function<void(const QVariant &)> &onResult) override
    {
        if (script.contains(kSecret))
            ++secretsSent;
        SilentPage::runScript(script, onResult);
    }
    int secretsSent = 0;
};

} // namespace

// A run's steps that may act only on the login pages, as the helper drives them: what they carry
// goes only to a page the helper has seen there, and a retry only to where the step first went.
class tst_PageRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void secretGoesOnlyToTheLoginPage_data();
    void secretGoesOnlyToTheLoginPage();

private:
    TestPages m_pages;
    std::unique_ptr<QWebEngineProfile> m_profile;
};

void tst_PageRun::initTestCase()
{
    m_profile = std::make_unique<QWebEngineProfile>();
    m_profile->installUrlSchemeHandler(kScheme, &m_pages);
}

void tst_PageRun::secretGoesOnlyToTheLoginPage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<Ended>("outcome");
    // Whether the secret went to the page at all. One that went to another login page between
    // two tries would have found its field there, and the run would have ended as done.
    QTest::addColumn<bool>("sent");
    QTest::newRow("the login page") << "/login/index" << Ended(RunOutcome::Done) << true;
    QTest::newRow("redirected to another site") << "/login/away" << Ended(RunOutcome::WrongPage) << false;
    QTest::newRow("gone to another login page between tries") << "/login/late" << Ended(RunOutcome::WrongPage) << true;
}

void tst_PageRun::secretGoesOnlyToTheLoginPage()
{
    QFETCH(QString, page);
    QFETCH(Ended, outcome);
    QFETCH(bool, sent);
    WatchedPage silent(m_profile.get());
    const QString fill = QStringLiteral("(function () { var e = document.getElementById('livedoor_id');"
                                        " if (!e) return false; e.value = '%1'; return true; })()")
                                 .arg(kSecret);
    PageRun run(&silent,
                { { PageStep::Navigate, QUrl(QStringLiteral("yorumi-test://login.test") + page), {} },
                  { PageStep::WaitIdle, {}, {} },
                  { PageStep::Retry, {}, fill, QUrl(QStringLiteral("yorumi-test://login.test/login/")) } },
                10s);
    Ended ended;
    connect(&run, &PageRun::finished, this, [&](RunOutcome result) { ended = result; });
    run.start();
    QTRY_VERIFY_WITH_TIMEOUT(ended.has_value(), 20000);
    QCOMPARE(ended, outcome);
    QCOMPARE(silent.secretsSent > 0, sent);
}

int main(int argc, char *argv[])
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
    // As the helper starts the engine. As root it needs its sandbox off; no host name resolves.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")
                    + " --disable-gpu --disable-background-networking --host-resolver-rules=\"MAP * ~NOTFOUND\"");
    QApplication app(argc, argv);
    tst_PageRun test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pagerun.moc"
