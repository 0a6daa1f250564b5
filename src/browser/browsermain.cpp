// yorumi-browser: the program's browser engine, in a process of its own, with the portal window.
// The program starts it on the first login, logout or page of the portal and talks to it over
// its standard input and output; it ends when that input ends, or when it has been idle for the
// time the program gives it with its window closed.

#include "ui/common/appicon.h"
#include "ui/common/quietmessages.h"
#include "browser/engineserver.h"
#include "browser/webenginebrowser.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <fcntl.h>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <io.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#include <memory>

namespace {

#ifdef Q_OS_WIN

// Takes the channel off the standard descriptors: nothing the engine or its libraries print
// can reach the program as a message. The channel's descriptors read and write bytes as they
// are (no line-end translation), and their handles are not inherited by the processes the
// engine starts.
bool takeChannel(int &input, int &output)
{
    input = _dup(0);
    output = _dup(1);
    if (input < 0 || output < 0 || _setmode(input, _O_BINARY) < 0 || _setmode(output, _O_BINARY) < 0)
        return false;
    for (const int descriptor : { input, output }) {
        const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
        if (handle == INVALID_HANDLE_VALUE || !SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0))
            return false;
    }
    const int nothing = _open("NUL", _O_RDONLY);
    if (nothing < 0 || _dup2(nothing, 0) < 0 || _dup2(2, 1) < 0)
        return false;
    _close(nothing);
    return true;
}

#else

int signalPipe[2] = { -1, -1 };

void onTerminate(int)
{
    // Ends the helper in order (the profile writes its cookies out) from the event loop; should
    // that loop be stuck, the alarm ends it anyway.
    ::alarm(2);
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// Takes the channel off the standard descriptors: nothing the engine or its libraries print
// can reach the program as a message, and the processes the engine starts do not inherit it.
bool takeChannel(int &input, int &output)
{
    input = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    output = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (input < 0 || output < 0)
        return false;
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return false;
    ::close(nothing);
    return true;
}

#endif

} // namespace

int main(int argc, char *argv[])
{
    int input = -1;
    int output = -1;
    if (!takeChannel(input, output)) {
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
    const QCommandLineOption idleEnd(QStringLiteral("idle-end-ms"), QString(), QStringLiteral("ms"),
                                     QStringLiteral("60000"));
    parser.addOptions({ name, storage, cache, idleEnd });
    if (!parser.parse(QCoreApplication::arguments()) || !parser.isSet(storage) || !parser.isSet(cache)) {
        std::fputs("yorumi-browser: usage: yorumi-browser [--name PROGRAM] --storage FOLDER --cache FOLDER "
                   "[--idle-end-ms MS]\n",
                   stderr);
        return 2;
    }

#ifndef Q_OS_WIN
    // (Windows has no such signals: there the helper ends with its input, or is ended.)
    if (::pipe2(signalPipe, O_CLOEXEC) == 0) {
        auto *notifier = new QSocketNotifier(qintptr(signalPipe[0]), QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
        std::signal(SIGTERM, onTerminate);
        std::signal(SIGINT, onTerminate);
    }
#endif

    EngineServer server(input, output, std::chrono::milliseconds(parser.value(idleEnd).toLongLong()));
    QObject::connect(&server, &EngineServer::ending, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    auto browser = std::make_unique<WebEngineBrowser>(parser.value(storage), parser.value(cache));
    server.serve(browser.get());
    const int status = app.exec();
    // The pages and the profile go while the application still exists, so that the engine
    // writes its cookies out.
    browser.reset();
    return status;
}
