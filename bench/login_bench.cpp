// Measures what a login costs the program: CPU time of the whole process tree while it waits
// for a slow page, the time a login adds on top of the page loads themselves, and resident
// memory once the browser engine has started.
#include "web/frmwb.h"
#include "web/portalfixture.h"
#include "web/statustext.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWebEnginePage>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

struct ProcessInfo
{
    int pid;
    int parent;
    double cpuSeconds;
    long rssKb;
};

QList<ProcessInfo> allProcesses()
{
    QList<ProcessInfo> out;
    const long ticks = ::sysconf(_SC_CLK_TCK);
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (f.size() < 22)
            continue;
        // Fields after the name: state(0) ppid(1) ... utime(11) stime(12) ... rss(21) pages.
        out.append({ pid, f[1].toInt(), (f[11].toDouble() + f[12].toDouble()) / ticks,
                     f[21].toLong() * (::sysconf(_SC_PAGESIZE) / 1024) });
    }
    return out;
}

// CPU seconds and resident kilobytes of this process and all its descendants.
QPair<double, long> tree()
{
    const QList<ProcessInfo> all = allProcesses();
    QList<int> members{ int(::getpid()) };
    double cpu = 0;
    long rss = 0;
    for (int i = 0; i < members.size(); ++i) {
        for (const ProcessInfo &p : all) {
            if (p.pid == members[i]) {
                cpu += p.cpuSeconds;
                rss += p.rssKb;
            }
            if (p.parent == members[i] && !members.contains(p.pid))
                members << p.pid;
        }
    }
    return { cpu, rss };
}

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
    const long afterKb = tree().second;
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

    // CPU while the login page takes 5 s to answer.
    portal.setVariant(QStringLiteral("slow5"));
    const double cpuBefore = tree().first;
    QElapsedTimer wall;
    wall.start();
    const QString slow = login(host);
    const double cpu = tree().first - cpuBefore;
    std::printf("login against a page answering after 5 s: %s in %.1f s, CPU of the process tree %.3f s\n",
                qPrintable(slow), wall.elapsed() / 1000.0, cpu);
    return 0;
}
