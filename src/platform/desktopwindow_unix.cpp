#include "platform/desktopwindow.h"

#include <QGuiApplication>
#include <QHash>
#include <QRect>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

// X11: the window manager's Extended Window Manager Hints (EWMH), read and sent over Qt's own
// connection. Elsewhere (Wayland, the offscreen platform) Qt knows the frame.

namespace {

template<typename T>
using XReply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
XReply<T> xreply(T *reply)
{
    return XReply<T>(reply, &std::free);
}

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t x11Atom(xcb_connection_t *connection, const char *name)
{
    // Atoms never change while the connection lasts, and the program has only Qt's.
    static QHash<QByteArray, xcb_atom_t> known;
    const QByteArray key(name);
    if (const auto found = known.constFind(key); found != known.cend())
        return *found;
    const auto reply = xreply(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(key.size()), key.constData()), nullptr));
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (atom != XCB_ATOM_NONE)
        known.insert(key, atom);
    return atom;
}

// A property of 32-bit values (cardinals, windows, atoms); empty when the window has none.
std::vector<quint32> x11Values(xcb_connection_t *connection, xcb_window_t window, const char *property,
                               xcb_atom_t type, quint32 most = 16)
{
    const auto reply = xreply(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, window, x11Atom(connection, property), type, 0, most), nullptr));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto *values = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    return std::vector<quint32>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

xcb_window_t x11Root(xcb_connection_t *connection, xcb_window_t window)
{
    const auto geometry = xreply(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    return geometry ? geometry->root : xcb_window_t(XCB_WINDOW_NONE);
}

void x11SendToRoot(xcb_connection_t *connection, xcb_window_t root, xcb_window_t window, const char *message,
                   std::initializer_list<quint32> data)
{
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = x11Atom(connection, message);
    int i = 0;
    for (const quint32 value : data)
        event.data.data32[i++] = value;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

// The window's X11 window, made now for a window without a parent. A window with one is left
// until Qt makes it: asking Qt for its id would make every widget beside it native too.
xcb_window_t x11Window(QWidget &window)
{
    if (!window.internalWinId() && !window.parentWidget())
        window.winId();
    return xcb_window_t(window.internalWinId());
}

qreal scaleOf(const QWidget &window)
{
    // Qt's own scaling (QT_SCALE_FACTOR, a screen's factor): X11 counts device pixels.
    return window.windowHandle() ? window.windowHandle()->devicePixelRatio() : 1.0;
}

} // namespace

namespace DesktopWindow {

void requestFrameExtents(QWidget &window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return;
    if (const xcb_window_t own = x11Window(window))
        x11SendToRoot(connection, x11Root(connection, own), own, "_NET_REQUEST_FRAME_EXTENTS", {});
}

std::optional<QMargins> frameExtents(QWidget &window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        // Qt reckons the frame as it makes the window.
        if (!window.internalWinId() && !window.parentWidget())
            window.winId();
        return window.internalWinId() ? std::optional(window.windowHandle()->frameMargins()) : std::nullopt;
    }
    const xcb_window_t own = x11Window(window);
    const std::vector<quint32> extents =
            own ? x11Values(connection, own, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 4) : std::vector<quint32>();
    if (extents.size() != 4)
        return std::nullopt;
    const qreal scale = scaleOf(window);
    auto logical = [scale](quint32 pixels) { return qRound(pixels / scale); };
    return QMargins(logical(extents[0]), logical(extents[2]), logical(extents[1]), logical(extents[3]));
}

} // namespace DesktopWindow
