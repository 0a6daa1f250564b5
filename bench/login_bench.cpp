// Measures what a login costs the program: the time a login adds on top of the page loads
// themselves, CPU time of the whole process tree during a login against a slow page (beside
// that of the page loads alone), and resident memory once the browser engine has started.
// YORUMI_BENCH_SHORT=1: one round of each measure instead of 10 and 3. It ends with status 1
// when a login or a page load fails or a figure cannot be read; the figures themselves are
// never judged.
#include "common/ended.h"
#include "common/eventwait.h"
#include "common/processtree.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include "median.h"

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

// One login; how it ended ("Done" when it succeeded).
QString login(frmWB &host)
{
    Ended ended;
    runUntilFinished(
            [&](auto finish) {
                host.loginLD(QStringLiteral("bench"), QStringLiteral("bench-pw"), [&, finish](RunOutcome outcome) {
                    ended = outcome;
                    finish();
                });
            },
            60000);
    return QString::fromLatin1(nameOf(ended));
}

// The two page loads of a login without the program: a page loads the login page and sends
// its form. Whether both loaded.
bool barePageLoads(QWebEnginePage &page)
{
    auto loadOnce = [&](auto start) {
        bool loaded = false;
        return runUntilFinished(
                       [&](auto finish) {
                           QObject::connect(
                                   &page, &QWebEnginePage::loadFinished, &page,
                                   [&loaded, finish](bool ok) {
                                       loaded = ok;
                                       finish();
                                   },
                                   Qt::SingleShotConnection);
                           start();
                       },
                       30000)
                && loaded;
    };
    return loadOnce([&] { page.load(QUrl(QStringLiteral("https://member.livedoor.com/login/index"))); })
            && loadOnce([&] { page.runJavaScript(QStringLiteral("document.forms[0].submit()")); });
}

bool freshPageLoads()
{
    QWebEnginePage fresh;
    return barePageLoads(fresh);
}

int failed(const QString &what)
{
    std::fprintf(stderr, "login_bench: %s\n", qPrintable(what));
    return 1;
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
    // Each figure shows as it is measured, in order with the messages on stderr.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    PortalFixture portal;
    if (!portal.isReady()) {
        std::fprintf(stderr, "fake portal: %s\n", qPrintable(portal.error()));
        return 1;
    }
    const bool isShort = qEnvironmentVariableIntValue("YORUMI_BENCH_SHORT") == 1;
    const int rounds = isShort ? 1 : 10;
    const int slowRounds = isShort ? 1 : 3;
    frmWB host;
    // (Resident memory of the idle program, which does not carry the engine, is measured by
    // bench/startup.sh: this process links the engine itself for its bare page.)

    // Warm up: the first run starts the engine.
    if (!portal.setVariant(QStringLiteral("normal")))
        return failed(QStringLiteral("the fake portal did not take its page"));
    const QString first = login(host);
    std::printf("first login: %s\n", qPrintable(first));
    if (first != QLatin1String("Done"))
        return failed(QStringLiteral("the first login failed"));
    const long afterKb = ProcessTree::now({ portal.serverPid() }).residentKb;
    if (afterKb <= 0)
        return failed(QStringLiteral("the memory of the process tree could not be read"));
    std::printf("resident after the first login (process tree): %.1f MB\n", afterKb / 1024.0);

    // The same two page loads without the program, in a page kept from one login to the next
    // and in a fresh page each time (as the program does: every run leaves its page behind);
    // what a login takes beyond the fresh page is the program's own cost.
    QWebEnginePage kept;
    QList<double> keptMs, freshMs, loginMs;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!barePageLoads(kept))
            return failed(QStringLiteral("the page loads in a kept page failed"));
        keptMs << double(clock.elapsed());
        clock.restart();
        if (!freshPageLoads())
            return failed(QStringLiteral("the page loads in a fresh page failed"));
        freshMs << double(clock.elapsed());
        clock.restart();
        const QString status = login(host);
        if (status != QLatin1String("Done"))
            return failed(QStringLiteral("login %1: %2").arg(i).arg(status));
        loginMs << double(clock.elapsed());
    }
    std::printf("a login: %.0f ms; the same page loads alone: %.0f ms in a kept page, %.0f ms in a "
                "fresh page; added by the program: %.0f ms (medians of %d, instant server)\n",
                median(loginMs), median(keptMs), median(freshMs), median(loginMs) - median(freshMs), rounds);

    // CPU of the process tree (the portal left out) while the login page takes 5 s to answer:
    // a login of the program, and the same two page loads in a fresh page without it. Medians
    // of 3; the time of processes that ended meanwhile is counted.
    if (!portal.setVariant(QStringLiteral("slow5")))
        return failed(QStringLiteral("the fake portal did not take the slow page"));
    const auto cpuOf = [&](auto work) {
        const double before = ProcessTree::now({ portal.serverPid() }).cpuSeconds;
        work();
        return ProcessTree::now({ portal.serverPid() }).cpuSeconds - before;
    };
    QList<double> loginCpu, bareCpu;
    QString slow;
    for (int i = 0; i < slowRounds; ++i) {
        loginCpu << cpuOf([&] { slow = login(host); });
        if (slow != QLatin1String("Done"))
            return failed(QStringLiteral("a login against the slow page: ") + slow);
        bool loaded = false;
        bareCpu << cpuOf([&] { loaded = freshPageLoads(); });
        if (!loaded)
            return failed(QStringLiteral("the page loads of the slow page failed"));
    }
    std::printf("login against a page answering after 5 s: %s, CPU of the process tree %.2f s; "
                "the same page loads in a fresh page alone: %.2f s\n",
                qPrintable(slow), median(loginCpu), median(bareCpu));
    return 0;
}
