#include "app/appicon.h"
#include "app/program.h"
#include "app/singleinstance.h"
#include "store/settingsstore.h"
#include "tray/windowvisibility.h"

#include <QApplication>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    // The browser engine shares its graphics context with the application's.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // A tray program runs quietly: the browser engine's start-up report is not for the user.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
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
    QObject::connect(&instance, &SingleInstance::showRequested, &app, [] { ShowMainWindow(); });
    program.Main();
    return app.exec();
}
