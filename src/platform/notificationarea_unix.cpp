#include "platform/notificationarea.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// Unix desktops: a StatusNotifierItem host through the watcher on the session bus, or an XEmbed
// tray on X11.

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
// How long the first look waits for the watcher; a desktop's watcher answers in a millisecond.
constexpr int kFirstAnswerMs = 500;

QDBusMessage hostQuestion()
{
    QDBusMessage question = QDBusMessage::createMethodCall(
            kWatcher, QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    // No watcher is started for the question: one that is not running is no host.
    question.setAutoStartService(false);
    return question;
}

bool hostAnswer(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            && reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

// The X screen the program's display names (":0.1" is screen 1), as Qt's tray icon uses it.
int displayScreen()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon < 0 ? 0 : colon);
    return dot < 0 ? 0 : std::atoi(display.constData() + dot + 1);
}

} // namespace

NotificationAreaProbe::NotificationAreaProbe(QObject *parent)
    : QObject(parent)
{
}

bool NotificationAreaProbe::isAvailable()
{
    askForHost(!m_asked);
    m_asked = true;
    return m_hostRegistered || xembedTray();
}

void NotificationAreaProbe::askForHost(bool wait)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_hostRegistered = false;
        return;
    }
    if (wait) {
        m_hostRegistered = hostAnswer(bus.call(hostQuestion(), QDBus::Block, kFirstAnswerMs));
        return;
    }
    if (m_asking)
        return;
    m_asking = true;
    auto *answer = new QDBusPendingCallWatcher(bus.asyncCall(hostQuestion()), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        m_hostRegistered = hostAnswer(call->reply());
        m_asking = false;
        call->deleteLater();
    });
}

bool NotificationAreaProbe::xembedTray()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    // The tray is the owner of the screen's _NET_SYSTEM_TRAY_S<n> selection.
    if (!m_trayAtom) {
        const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(displayScreen());
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
                xcb_intern_atom_reply(connection,
                                      xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
                                      nullptr),
                &std::free);
        if (!atom)
            return false;
        m_trayAtom = atom->atom;
    }
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, m_trayAtom), nullptr),
            &std::free);
    return owner && owner->owner != XCB_NONE;
}
