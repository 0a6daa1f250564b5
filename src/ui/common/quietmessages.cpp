#include "ui/common/quietmessages.h"

#include <QLoggingCategory>
#include <QString>

namespace {

QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // The engine advises sharing OpenGL contexts from start-up (which would load the GL
    // drivers into every idle start) and notes when it finds no GPU to draw with; its pages
    // are never drawn, so neither applies.
    if (message.startsWith(QLatin1String("Qt WebEngine seems to be initialized from a plugin"))
        || message.trimmed() == QLatin1String("No suitable graphics backend found"))
        return;
    // The tray icon listens for X11's notification area wherever it runs; a Wayland session
    // has none, and Qt says so on every start.
    if (message.contains(QLatin1String("No such signal QPlatformNativeInterface::systemTrayWindowChanged")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

void installQuietMessages()
{
    // The engine's report of its start-up parameters is not for the user.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    previousHandler = qInstallMessageHandler(quietHandler);
}
