// A stand-in for the browser engine helper that speaks its channel and misbehaves on demand:
//   --fake answer       ready; every run ends "done" at once
//   --fake hang         ready; runs are started and never end, and "cancel" gets no answer (a
//                       helper whose main thread hangs)
//   --fake cancel       ready; runs are started and never end, and "cancel" is answered with
//                       "ended" for its run at once
//   --fake no-ready     ends with status 3 before it is ready (an engine that cannot start)
//   --fake bye-once:F   the first of these helpers (no file F yet) says "bye" instead of taking
//                       its first run or page, as a helper ending for idleness does; later ones
//                       answer
//   --fake die-on-run:F ready; adds its process id to file F as it starts, and ends without a
//                       word when a run arrives, before starting it: a helper that crashes then
//   --fake version-1    ready as a helper of the channel's first version, which named none;
//                       every run ends "done" at once
// A page to open is acknowledged and handed back at once as one for the default browser. As it
// starts it takes the file of --tabs, as the helper does (each line the account of a tab, an
// empty one the guest's), and removes it; asked to restore, it says it opened again those of
// the accounts it is given and the guest's.
//   --started F         adds a line to file F for each run it starts
#include "web/enginechannel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <unistd.h>

#include <algorithm>

namespace {

bool g_firstVersion = false;

void send(const EngineChannel::FromHelper &message)
{
    QJsonObject json = EngineChannel::encode(message);
    if (std::holds_alternative<EngineChannel::Ready>(message) && g_firstVersion)
        json.remove(QStringLiteral("version"));
    const QByteArray frame = EngineChannel::frame(json);
    [[maybe_unused]] const ssize_t wrote = ::write(STDOUT_FILENO, frame.constData(), size_t(frame.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption fake(QStringLiteral("fake"), QString(), QStringLiteral("mode"));
    parser.addOptions({ fake, { QStringLiteral("name"), QString(), QStringLiteral("n") }, { QStringLiteral("storage"), QString(), QStringLiteral("f") },
                        { QStringLiteral("cache"), QString(), QStringLiteral("f") },
                        { QStringLiteral("tabs"), QString(), QStringLiteral("f") },
                        { QStringLiteral("idle-end-ms"), QString(), QStringLiteral("ms") },
                        { QStringLiteral("started"), QString(), QStringLiteral("f") } });
    parser.process(app);
    QString mode = parser.value(fake);
    if (mode == QLatin1String("no-ready"))
        return 3;
    if (mode.startsWith(QLatin1String("die-on-run:"))) {
        QFile starts(mode.mid(11));
        starts.open(QIODevice::Append);
        starts.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n');
        mode = QStringLiteral("die-on-run");
    }
    if (mode == QLatin1String("version-1")) {
        g_firstVersion = true;
        mode = QStringLiteral("answer");
    }
    if (mode.startsWith(QLatin1String("bye-once:"))) {
        QFile marker(mode.mid(9));
        mode = marker.exists() ? QStringLiteral("answer") : QStringLiteral("bye");
        marker.open(QIODevice::WriteOnly);
    }

    QList<QByteArray> leftBehind;
    QFile tabs(parser.value(QStringLiteral("tabs")));
    if (tabs.open(QIODevice::ReadOnly)) {
        QByteArray lines = tabs.readAll();
        if (lines.endsWith('\n'))
            lines.chop(1);
        leftBehind = lines.split('\n');
        tabs.remove();
    }

    EngineChannel::Reader reader;
    QSocketNotifier input(qintptr(STDIN_FILENO), QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        reader.append(QByteArray(buffer, got));
        using namespace EngineChannel;
        while (const std::optional<QJsonObject> json = reader.next()) {
            const std::optional<ToHelper> message = parseToHelper(*json);
            if (!message)
                continue;
            if (const auto *restore = std::get_if<Restore>(&*message)) {
                const auto restored = std::count_if(leftBehind.cbegin(), leftBehind.cend(), [&](const QByteArray &tab) {
                    return tab.isEmpty() || restore->accounts.contains(QString::fromUtf8(tab));
                });
                send(Restored{ int(restored) });
                continue;
            }
            if (const auto *cancel = std::get_if<Cancel>(&*message)) {
                if (mode == QLatin1String("cancel"))
                    send(Ended{ cancel->run, RunOutcome::TimedOut, {} });
                continue;
            }
            const auto *run = std::get_if<Run>(&*message);
            const auto *open = std::get_if<OpenPage>(&*message);
            if (!run && !open)
                continue;
            if (mode == QLatin1String("bye")) {
                send(Bye{});
                ::_exit(0);
            }
            if (run && mode == QLatin1String("die-on-run"))
                ::_exit(0);
            if (open) {
                send(Opened{ open->id });
                send(External{ open->url });
                continue;
            }
            send(Started{ run->id });
            if (parser.isSet(QStringLiteral("started"))) {
                QFile started(parser.value(QStringLiteral("started")));
                started.open(QIODevice::Append);
                started.write(QByteArray::number(run->id) + '\n');
            }
            if (mode == QLatin1String("answer"))
                send(Ended{ run->id, RunOutcome::Done, {} });
        }
    });
    send(EngineChannel::Ready{ EngineChannel::kVersion });
    return app.exec();
}
