// Measures what a login costs the program: the time a login adds on top of the page loads
// themselves, CPU time of the whole process tree during a login against a slow page (beside
// that of the page loads alone), and resident memory once the browser engine has started.
#include "common/processtree.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"
#include "web/statustext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

// Waits in an event loop that sleeps until `finish` is called or the time is up: polling (as
// QTest::qWaitFor does, every 10 ms) would slow the engine's steps down and add its own CPU.
template<typename Start>
void runUntilFinished(Start start, int timeoutMs)
{
    QEventLoop loop;
    bool finished = false;
    start([&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!finished)
        loop.exec();
}

QString login(frmWB &host)
{
    std::optional<QString> status;
    runUntilFinished(
            [&](auto finish) {
                host.loginLD(QStringLiteral("bench"), QStringLiteral("bench-pw"), [&, finish](const QString &s) {
                    status = s;
                    finish();
                });
            },
            60000);
    return status.value_or(QStringLiteral("(no answer)"));
}

// The two page loads of a login without the program: a page loads the login page and sends
// its form.
void barePageLoads(QWebEnginePage &page)
{
    auto loadOnce = [&](auto start) {
        runUntilFinished(
                [&](auto finish) {
                    QObject::connect(&page, &QWebEnginePage::loadFinished, &page, finish,
                                     Qt::SingleShotConnection);
                    start();
                },
                30000);
    };
    loadOnce([&] { page.load(QUrl(QStringLiteral("https://member.livedoor.com/login/index"))); });
    loadOnce([&] { page.runJavaScript(QStringLiteral("document.forms[0].submit()")); });
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    // The engine of this process's bare pages refuses to start its sandbox as root (the
    // program's helper is started without it then, too).
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    installQuietMessages();
    PortalFixture portal;
    if (!portal.isReady()) {
        std::fprintf(stderr, "fake portal: %s\n", qPrintable(portal.error()));
        return 1;
    }
    frmWB host;
    // (Resident memory of the idle program, which does not carry the engine, is measured by
    // bench/startup.sh: this process links the engine itself for its bare page.)

    // Warm up: the first run starts the engine.
    portal.setVariant(QStringLiteral("normal"));
    std::printf("first login: %s\n", qPrintable(login(host)));
    const long afterKb = ProcessTree::now({ portal.serverPid() }).residentKb;
    std::printf("resident after the first login (process tree): %.1f MB\n", afterKb / 1024.0);

    // The same two page loads without the program, in a page kept from one login to the next
    // and in a fresh page each time (as the program does: every run leaves its page behind);
    // what a login takes beyond the fresh page is the program's own cost.
    QWebEnginePage kept;
    QList<double> keptMs, freshMs, loginMs;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer clock;
        clock.start();
        barePageLoads(kept);
        keptMs << double(clock.elapsed());
        clock.restart();
        {
            QWebEnginePage fresh;
            barePageLoads(fresh);
        }
        freshMs << double(clock.elapsed());
        clock.restart();
        const QString status = login(host);
        if (status != StatusText::loginDone)
            std::printf("login %d: %s\n", i, qPrintable(status));
        loginMs << double(clock.elapsed());
    }
    std::printf("a login: %.0f ms; the same page loads alone: %.0f ms in a kept page, %.0f ms in a "
                "fresh page; added by the program: %.0f ms (medians of 10, instant server)\n",
                median(loginMs), median(keptMs), median(freshMs), median(loginMs) - median(freshMs));

    // CPU of the process tree (the portal left out) while the login page takes 5 s to answer:
    // a login of the program, and the same two page loads in a fresh page without it. Medians
    // of 3; the time of processes that ended meanwhile is counted.
    portal.setVariant(QStringLiteral("slow5"));
    const auto cpuOf = [&](auto work) {
        const double before = ProcessTree::now({ portal.serverPid() }).cpuSeconds;
        work();
        return ProcessTree::now({ portal.serverPid() }).cpuSeconds - before;
    };
    QList<double> loginCpu, bareCpu;
    QString slow;
    for (int i = 0; i < 3; ++i) {
        loginCpu << cpuOf([&] { slow = login(host); });
        bareCpu << cpuOf([&] {
            QWebEnginePage fresh;
            barePageLoads(fresh);
        });
    }
    std::printf("login against a page answering after 5 s: %s, CPU of the process tree %.2f s; "
                "the same page loads in a fresh page alone: %.2f s\n",
                qPrintable(slow), median(loginCpu), median(bareCpu));
    return 0;
}
