#include "app/remoteclient.h"

#include "app/commandline.h"
#include "platform/singleinstance.h"
#include "store/settingsstore.h"
#include "ui/common/sharedvalues.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>

namespace {

using remote::Reply;

// How many times, 100 ms apart, the running copy's socket is tried: one that runs may still
// be starting; one started for the request has its whole start to make first.
constexpr int kAttemptsOfRunning = 50;
constexpr int kAttemptsOfStarted = 300;

void printLine(std::FILE *stream, const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
}

// Starts the program as its own process, which goes on after this one: its standard streams
// are not this one's, so a script that reads this one's output is not held by it.
bool startProgram()
{
    QProcess program;
    program.setProgram(QCoreApplication::applicationFilePath());
    program.setStandardInputFile(QProcess::nullDevice());
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    return program.startDetached();
}

} // namespace

int runRemoteRequest(int &argc, char **argv, const remote::Request &request)
{
    QCoreApplication app(argc, argv);
    SingleInstance instance(SingleInstance::keyFor(SettingsStore::location(SettingsAppName(EditionLivedoor))));
    const bool japanese = usesJapanese();
    const auto finish = [japanese](const Reply &reply) {
        for (const QString &line : reply.output)
            printLine(stdout, line);
        const QString why = remote::replyText(reply, japanese);
        if (!why.isEmpty())
            printLine(stderr, QStringLiteral("yorumi-livedoor: ") + why);
        QCoreApplication::exit(int(reply.status));
    };
    QObject::connect(&instance, &SingleInstance::replied, &app, [finish](const QByteArray &message) {
        finish(remote::decodeReply(message).value_or(Reply::failed(Reply::Why::NoAnswer)));
    });
    const bool running = instance.primaryRuns();
    QObject::connect(&instance, &SingleInstance::unanswered, &app, [finish, running](bool reached) {
        finish(Reply::failed(reached || running ? Reply::Why::NoAnswer : Reply::Why::NotStarted));
    });
    if (!running && !startProgram()) {
        finish(Reply::failed(Reply::Why::NotStarted));
        return 1;
    }
    instance.request(remote::encode(request), running ? kAttemptsOfRunning : kAttemptsOfStarted);
    return app.exec();
}
