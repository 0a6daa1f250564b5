#include "platform/desktopwindow.h"

#include <QGuiApplication>
#include <QHash>
#include <QRect>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

// X11: the window manager's Extended Window Manager Hints (EWMH), read and sent over Qt's own
// connection. Elsewhere (Wayland, the offscreen platform) Qt knows the frame, and the stacking
// is the compositor's secret.

namespace {

template<typename T>
using XReply = std::unique_ptr<T, decltype(&std::free)>;

// Waits for the reply to a request. An error (a window gone meanwhile) ends here, where Qt's
// event loop would report it.
template<typename T, typename Cookie>
XReply<T> xreply(T *(*reply)(xcb_connection_t *, Cookie, xcb_generic_error_t **), xcb_connection_t *connection,
                 Cookie cookie)
{
    xcb_generic_error_t *error = nullptr;
    T *answer = reply(connection, cookie, &error);
    std::free(error);
    return XReply<T>(answer, &std::free);
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
    const auto reply = xreply(xcb_intern_atom_reply, connection,
                              xcb_intern_atom(connection, 0, uint16_t(key.size()), key.constData()));
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (atom != XCB_ATOM_NONE)
        known.insert(key, atom);
    return atom;
}

// A property of 32-bit values (cardinals, windows, atoms); empty when the window has none.
std::vector<quint32> x11Values(xcb_connection_t *connection, xcb_window_t window, const char *property,
                               xcb_atom_t type, quint32 most = 16)
{
    const auto reply = xreply(xcb_get_property_reply, connection,
                              xcb_get_property(connection, 0, window, x11Atom(connection, property), type, 0, most));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto *values = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    return std::vector<quint32>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

xcb_window_t x11Root(xcb_connection_t *connection, xcb_window_t window)
{
    const auto geometry = xreply(xcb_get_geometry_reply, connection, xcb_get_geometry(connection, window));
    return geometry ? geometry->root : xcb_window_t(XCB_WINDOW_NONE);
}

// A managed window as the window manager shows it: where its frame lies on the screen (device
// pixels), whether it is drawn at all, and its workspace.
struct Managed
{
    QRect frame;
    bool viewable = false;
    bool hidden = false; // minimised
    std::optional<quint32> workspace; // none or 0xFFFFFFFF: on every workspace
};

Managed x11Managed(xcb_connection_t *connection, xcb_window_t root, xcb_window_t window)
{
    Managed managed;
    const auto attributes = xreply(xcb_get_window_attributes_reply, connection,
                                   xcb_get_window_attributes(connection, window));
    const auto geometry = xreply(xcb_get_geometry_reply, connection, xcb_get_geometry(connection, window));
    const auto origin = xreply(xcb_translate_coordinates_reply, connection,
                               xcb_translate_coordinates(connection, window, root, 0, 0));
    if (!attributes || !geometry || !origin)
        return managed;
    managed.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    QRect frame(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    const std::vector<quint32> extents = x11Values(connection, window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 4);
    if (extents.size() == 4)
        frame.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
    managed.frame = frame;
    const xcb_atom_t hiddenState = x11Atom(connection, "_NET_WM_STATE_HIDDEN");
    for (const quint32 state : x11Values(connection, window, "_NET_WM_STATE", XCB_ATOM_ATOM, 32))
        managed.hidden = managed.hidden || state == hiddenState;
    if (const std::vector<quint32> desktop = x11Values(connection, window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, 1);
        !desktop.empty() && desktop[0] != 0xFFFFFFFF)
        managed.workspace = desktop[0];
    return managed;
}

std::optional<quint32> x11CurrentWorkspace(xcb_connection_t *connection, xcb_window_t root)
{
    const std::vector<quint32> current = x11Values(connection, root, "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, 1);
    return current.empty() ? std::nullopt : std::optional<quint32>(current[0]);
}

bool x11OnWorkspace(const Managed &window, std::optional<quint32> current)
{
    return !window.workspace || !current || *window.workspace == *current;
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

std::optional<bool> isInFront(QWidget &window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection || !window.isVisible())
        return std::nullopt;
    const auto own = xcb_window_t(window.internalWinId());
    const xcb_window_t root = x11Root(connection, own);
    // Bottom to top; only a window manager keeps it.
    const std::vector<quint32> stack =
            x11Values(connection, root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, 4096);
    const auto position = std::find(stack.cbegin(), stack.cend(), own);
    if (position == stack.cend())
        return std::nullopt;
    const std::optional<quint32> current = x11CurrentWorkspace(connection, root);
    const Managed self = x11Managed(connection, root, own);
    if (!self.viewable || self.hidden || !x11OnWorkspace(self, current))
        return false;
    for (auto above = position + 1; above != stack.cend(); ++above) {
        const Managed other = x11Managed(connection, root, *above);
        if (other.viewable && !other.hidden && x11OnWorkspace(other, current) && other.frame.intersects(self.frame))
            return false;
    }
    return true;
}

void bringToFront(QWidget &window)
{
    if (xcb_connection_t *connection = x11Connection(); connection && window.internalWinId()) {
        const auto own = xcb_window_t(window.internalWinId());
        const xcb_window_t root = x11Root(connection, own);
        const std::optional<quint32> current = x11CurrentWorkspace(connection, root);
        const Managed self = x11Managed(connection, root, own);
        // Source indication 1: a request of the program itself.
        if (current && !x11OnWorkspace(self, current))
            x11SendToRoot(connection, root, own, "_NET_WM_DESKTOP", { *current, 1 });
    }
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

} // namespace DesktopWindow
