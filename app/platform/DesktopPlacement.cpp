#include "DesktopPlacement.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef LLAMORA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#endif

namespace DesktopPlacement {

namespace {

constexpr int gap = 12;

#ifdef LLAMORA_HAVE_XCB
xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}
#endif

} // namespace

void showOnAllWorkspaces(QWidget* window)
{
#ifdef LLAMORA_HAVE_XCB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t desktop = internAtom(connection, "_NET_WM_DESKTOP");
    if (desktop == XCB_ATOM_NONE)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    // Every workspace, in the window manager's own words (EWMH).
    const uint32_t allWorkspaces = 0xFFFFFFFF;
    // Before mapping, the property is the request; once mapped, a message to the root window.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &allWorkspaces);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = desktop;
        message.data.data32[0] = allWorkspaces;
        message.data.data32[1] = 1; // sent by an application
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(connection);
#else
    static_cast<void>(window);
#endif
}

QRect freePlace(const QRect& area, const QSize& size, const QList<QRect>& taken)
{
    const auto isFree = [&taken](const QRect& place) {
        for (const QRect& other : taken) {
            if (place.intersects(other.adjusted(-gap / 2, -gap / 2, gap / 2, gap / 2)))
                return false;
        }
        return true;
    };
    const QRect first(area.right() - gap - size.width() + 1, area.top() + gap, size.width(),
                      size.height());
    for (int left = first.left(); left >= area.left(); left -= gap) {
        for (int top = first.top(); top + size.height() <= area.bottom(); top += gap) {
            const QRect place(QPoint(left, top), size);
            if (isFree(place))
                return place;
        }
    }
    return first;
}

QRect reachablePlace(const QRect& place, const QList<QRect>& screens, const QSize& smallest,
                     const QSize& largest, int titleHeight)
{
    const QSize size = place.size().boundedTo(largest).expandedTo(smallest);
    if (screens.isEmpty())
        return {place.topLeft(), size};
    const QRect title(place.topLeft(), QSize(size.width(), titleHeight));
    const QRect* nearest = &screens.first();
    qint64 nearestOverlap = 0;
    for (const QRect& screen : screens) {
        if (screen.contains(title))
            return {place.topLeft(), size.boundedTo(screen.size()).expandedTo(smallest)};
        const QRect overlap = screen.intersected(title);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > nearestOverlap) {
            nearestOverlap = area;
            nearest = &screen;
        }
    }
    const QSize fitting = size.boundedTo(nearest->size()).expandedTo(smallest);
    const int left = qBound(nearest->left(), place.left(), nearest->right() - fitting.width() + 1);
    const int top = qBound(nearest->top(), place.top(), nearest->bottom() - fitting.height() + 1);
    return {QPoint(left, top), fitting};
}

} // namespace DesktopPlacement
