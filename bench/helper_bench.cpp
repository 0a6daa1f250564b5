// What the engine helper costs over a day in the tray: the program's memory before any login,
// the process tree's memory while the helper runs and after it has ended for idleness, the time
// of a cold login (the helper's start included) and of a warm one, and the CPU of a warm login.
// This process, like the program, never loads the engine itself.
//
// Usage: helper_bench [IDLE-END-SECONDS]   (default 60, the program's own)
// YORUMI_BENCH_SHORT=1: one warm login a round instead of 10, a 2 s idle end unless one is
// given and a 1 s wait after it. It ends with status 1 when a login fails, the helper does
// not end by itself or a figure cannot be read; the figures themselves are never judged.
#include "common/eventwait.h"
#include "common/helperprocess.h"
#include "common/processtree.h"
#include "web/frmwb.h"
#include "web/portalfixture.h"

#include "median.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

// One login; its time in milliseconds, or -1 when it did not succeed.
qint64 timedLogin(frmWB &host)
{
    std::optional<RunOutcome> outcome;
    QElapsedTimer clock;
    clock.start();
    host.loginLD(QStringLiteral("bench"), QStringLiteral("bench-pw"), [&](RunOutcome ended) { outcome = ended; });
    (void)waitInEventLoop([&] { return outcome.has_value(); }, 60000);
    return outcome == RunOutcome::Done ? clock.elapsed() : -1;
}

double mb(long kb)
{
    return kb / 1024.0;
}

int failed(const char *what)
{
    std::fprintf(stderr, "helper_bench: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installQuietMessages();
    // Each figure shows as it is measured, in order with the messages on stderr.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const bool isShort = qEnvironmentVariableIntValue("YORUMI_BENCH_SHORT") == 1;
    const int idleSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : isShort ? 2 : 60;
    const int warmLogins = isShort ? 1 : 10;
    const int settleSeconds = isShort ? 1 : 5;
    PortalFixture portal;
    if (!portal.isReady()) {
        std::fprintf(stderr, "fake portal: %s\n", qPrintable(portal.error()));
        return 1;
    }
    if (!portal.setVariant(QStringLiteral("normal")))
        return failed("the fake portal did not take its page");
    const QList<qint64> notOurs{ portal.serverPid() };
    HelperEngine::Options options;
    options.idleEnd = std::chrono::seconds(idleSeconds);
    frmWB host(std::make_unique<HelperEngine>(options));

    const long idleKb = ProcessTree::now(notOurs).residentKb;
    if (idleKb <= 0)
        return failed("the memory of this process could not be read");
    std::printf("before any login: process tree %.1f MB (%d processes)\n", mb(idleKb),
                int(ProcessTree::now(notOurs).pids.size()));
    for (int round = 0; round < 2; ++round) {
        const qint64 cold = timedLogin(host);
        if (cold < 0)
            return failed("a cold login failed");
        const ProcessTree during = ProcessTree::now(notOurs);
        if (during.pids.size() < 2)
            return failed("the helper's process was not found after a login");
        QList<double> warmMs, warmCpu;
        for (int i = 0; i < warmLogins; ++i) {
            const double cpuBefore = ProcessTree::now(notOurs).cpuSeconds;
            const qint64 ms = timedLogin(host);
            if (ms < 0)
                return failed("a warm login failed");
            warmMs << double(ms);
            warmCpu << ProcessTree::now(notOurs).cpuSeconds - cpuBefore;
        }
        std::printf("%s cold login (helper start included): %lld ms; warm login: %.0f ms, CPU %.3f s "
                    "(medians of %d); process tree with the helper: %.1f MB in %d processes\n",
                    round == 0 ? "first" : "after an idle end,", cold, median(warmMs), median(warmCpu),
                    warmLogins, mb(during.residentKb), int(during.pids.size()));
        QElapsedTimer clock;
        clock.start();
        if (!waitInEventLoop([&] { return helperPid(host) == 0; }, (idleSeconds + 30) * 1000))
            return failed("the helper did not end by itself");
        std::printf("the helper ended by itself %.1f s after the last login\n", clock.elapsed() / 1000.0);
        (void)waitInEventLoop([] { return false; }, settleSeconds * 1000);
        const ProcessTree after = ProcessTree::now(notOurs);
        std::printf("%d s after its end: process tree %.1f MB (%+.1f MB against before any login) in "
                    "%d processes\n",
                    settleSeconds, mb(after.residentKb), mb(after.residentKb - idleKb), int(after.pids.size()));
    }
    return 0;
}
