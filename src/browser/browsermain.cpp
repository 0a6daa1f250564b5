// yorumi-browser: the program's browser engine, in a process of its own, with the portal window.
// The program starts it on the first login, logout or page of the portal and talks to it over
// its standard input and output; it ends when that input ends, or when it has been idle for the
// time the program gives it with its window closed.

#include "browser/engineserver.h"
#include "browser/webenginebrowser.h"
#include "platform/helperchannel.h"
#include "ui/common/appicon.h"
#include "ui/common/quietmessages.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    std::unique_ptr<HelperChannel> channel = HelperChannel::take();
    if (!channel) {
        std::fputs("yorumi-browser: no channel to the program on standard input and output\n", stderr);
        return 2;
    }
    // The program's name, before the engine reads it for the places of its files.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--name") == 0)
            QCoreApplication::setApplicationName(QString::fromLocal8Bit(argv[i + 1]));
    // The portal window's views share their contexts with the engine.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The program speaks Japanese, whatever the desktop's language: so do the portal window's
    // dialogs (where Qt's translations are installed) and the engine's own pages.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QApplication app(argc, argv);
    installQuietMessages();
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    QApplication::setQuitOnLastWindowClosed(false);
    // The portal window is the program's: its icon, and the desktop counts it as the program's.
    QApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("yorumi-livedoor"));

    QCommandLineParser parser;
    const QCommandLineOption storage(QStringLiteral("storage"), QString(), QStringLiteral("folder"));
    const QCommandLineOption cache(QStringLiteral("cache"), QString(), QStringLiteral("folder"));
    const QCommandLineOption name(QStringLiteral("name"), QString(), QStringLiteral("name"));
    const QCommandLineOption tabs(QStringLiteral("tabs"), QString(), QStringLiteral("file"));
    const QCommandLineOption idleEnd(QStringLiteral("idle-end-ms"), QString(), QStringLiteral("ms"),
                                     QStringLiteral("60000"));
    parser.addOptions({ name, storage, cache, tabs, idleEnd });
    if (!parser.parse(QCoreApplication::arguments()) || !parser.isSet(storage) || !parser.isSet(cache)
        || !parser.isSet(tabs)) {
        std::fputs("yorumi-browser: usage: yorumi-browser [--name PROGRAM] --storage FOLDER --cache FOLDER "
                   "--tabs FILE [--idle-end-ms MS]\n",
                   stderr);
        return 2;
    }

    // A request to terminate ends the helper in order too.
    quitOnTerminationSignal(&app);

    EngineServer server(std::move(channel), std::chrono::milliseconds(parser.value(idleEnd).toLongLong()));
    QObject::connect(&server, &EngineServer::ending, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    auto browser = std::make_unique<WebEngineBrowser>(parser.value(storage), parser.value(cache),
                                                      parser.value(tabs));
    server.serve(browser.get());
    const int status = app.exec();
    // The pages and the profile go while the application still exists, so that the engine
    // writes its cookies out.
    browser.reset();
    return status;
}
