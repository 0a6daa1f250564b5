#include "app/program.h"
#include "platform/autostart.h"
#include "platform/processsetup.h"
#include "platform/singleinstance.h"
#include "store/settingsstore.h"
#include "tray/windowvisibility.h"
#include "ui/common/appicon.h"
#include "ui/common/quietmessages.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before the toolkit starts: it looks for its runtime folder while it sets up.
    disableCoreDumps();
    ensureRuntimeFolder();
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
    program.Main(QCoreApplication::arguments().contains(QLatin1String(Autostart::kAutostartArgument)));
    return app.exec();
}
