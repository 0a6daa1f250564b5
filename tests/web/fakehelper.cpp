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

void send(const QJsonObject &message)
{
    const QByteArray frame = EngineChannel::encode(message);
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
        while (const std::optional<QJsonObject> message = reader.next()) {
            if (const std::optional<QStringList> accounts = EngineChannel::parseRestore(*message)) {
                const auto restored = std::count_if(leftBehind.cbegin(), leftBehind.cend(), [&](const QByteArray &tab) {
                    return tab.isEmpty() || accounts->contains(QString::fromUtf8(tab));
                });
                send(EngineChannel::restoredMessage(int(restored)));
                continue;
            }
            if (const std::optional<quint64> cancelled = EngineChannel::parseCancel(*message)) {
                if (mode == QLatin1String("cancel"))
                    send(EngineChannel::endedMessage(*cancelled, RunOutcome::TimedOut));
                continue;
            }
            const std::optional<EngineChannel::Run> run = EngineChannel::parseRun(*message);
            const std::optional<EngineChannel::OpenPage> open = EngineChannel::parseOpen(*message);
            if (!run && !open)
                continue;
            if (mode == QLatin1String("bye")) {
                send(EngineChannel::plainMessage("bye"));
                ::_exit(0);
            }
            if (run && mode == QLatin1String("die-on-run"))
                ::_exit(0);
            if (open) {
                send(EngineChannel::openedMessage(open->id));
                send(EngineChannel::externalMessage(open->url));
                continue;
            }
            send(EngineChannel::startedMessage(run->id));
            if (parser.isSet(QStringLiteral("started"))) {
                QFile started(parser.value(QStringLiteral("started")));
                started.open(QIODevice::Append);
                started.write(QByteArray::number(run->id) + '\n');
            }
            if (mode == QLatin1String("answer"))
                send(EngineChannel::endedMessage(run->id, RunOutcome::Done));
        }
    });
    send(EngineChannel::plainMessage("ready"));
    return app.exec();
}
