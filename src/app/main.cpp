#include "app/commandline.h"
#include "app/program.h"
#include "app/remoteclient.h"
#include "app/remotecommands.h"
#include "platform/processsetup.h"
#include "platform/singleinstance.h"
#include "store/settingsstore.h"
#include "tray/windowvisibility.h"
#include "ui/common/appicon.h"
#include "ui/common/quietmessages.h"

#include <QApplication>

#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before anything of the program starts: asked for its usage or
    // version, or given an argument it does not take, the program answers and ends without a
    // display, without meeting a running copy and without touching its files.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = parseCommandLine(arguments);
    switch (line.request) {
    case CommandLine::Request::Help:
        print(stdout, usageText());
        return 0;
    case CommandLine::Request::Version:
        print(stdout, versionText());
        return 0;
    case CommandLine::Request::Mistake:
        print(stderr, line.error + usageText());
        return 2;
    case CommandLine::Request::Run:
        break;
    }

    // Before the toolkit starts: it looks for its runtime folder while it sets up.
    disableCoreDumps();
    ensureRuntimeFolder();
    // A request for the running copy needs no display: it is handed over and its reply told.
    if (line.remote)
        return runRemoteRequest(argc, argv, *line.remote);
    QApplication app(argc, argv);
    installQuietMessages();
    // The program lives in the notification area: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window shows the program's icon; the desktop matches them to the installed
    // yorumi-livedoor.desktop entry.
    QApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("yorumi-livedoor"));

    SingleInstance instance(
            SingleInstance::keyFor(SettingsStore::location(SettingsAppName(EditionLivedoor))));
    if (!instance.tryBecomePrimary()) {
        // Another copy runs for this user and store: bring its settings window up instead.
        QObject::connect(&instance, &SingleInstance::handedOver, &app, [] { QCoreApplication::exit(0); });
        instance.handOver();
        return app.exec();
    }

    Program program;
    QObject::connect(&instance, &SingleInstance::showRequested, &app,
                     [&program] { program.visibility().ShowMainWindow(); });
    // The requests of later starts' command lines (--login, --list...).
    RemoteCommands commands(instance, program);
    program.Main(line.autostart);
    return app.exec();
}
