#include "frameextents.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {
struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t existingAtom(xcb_connection_t *c, const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, std::uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit values of a window's property, when it has one of that type.
Reply<xcb_get_property_reply_t> property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name,
                                         xcb_atom_t type, std::uint32_t length)
{
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, length), nullptr));
    if (reply && (reply->format != 32 || reply->type != type))
        reply.reset();
    return reply;
}

std::optional<xcb_window_t> windowProperty(xcb_connection_t *c, xcb_window_t window,
                                           xcb_atom_t name)
{
    const auto reply = property(c, window, name, XCB_ATOM_WINDOW, 1);
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
}

// A window manager runs that promises to answer the request: its check window names itself,
// and it lists the request among what it supports.
bool windowManagerAnswers(xcb_connection_t *c, xcb_window_t root, xcb_atom_t request)
{
    const xcb_atom_t check = existingAtom(c, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t supported = existingAtom(c, "_NET_SUPPORTED");
    if (check == XCB_ATOM_NONE || supported == XCB_ATOM_NONE)
        return false;
    const auto manager = windowProperty(c, root, check);
    if (!manager || windowProperty(c, *manager, check) != manager)
        return false; // none, or one that left its announcement behind
    const auto atoms = property(c, root, supported, XCB_ATOM_ATOM, 4096);
    if (!atoms)
        return false;
    const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(atoms.get()));
    const int count = xcb_get_property_value_length(atoms.get()) / 4;
    return std::find(values, values + count, request) != values + count;
}

std::optional<QMargins> frameExtents(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name)
{
    const auto reply = property(c, window, name, XCB_ATOM_CARDINAL, 4);
    if (!reply || xcb_get_property_value_length(reply.get()) < 16)
        return std::nullopt;
    const auto *v = static_cast<const std::uint32_t *>(xcb_get_property_value(reply.get()));
    return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3])); // left, right, top, bottom
}
} // namespace

QMargins expectedFrameExtents(QWidget &window, int timeoutMs)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return {};
    const auto id = xcb_window_t(window.winId());
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr));
    const xcb_atom_t request = existingAtom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = existingAtom(c, "_NET_FRAME_EXTENTS");
    if (!tree || request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE ||
        !windowManagerAnswers(c, tree->root, request))
        return {};
    if (const auto known = frameExtents(c, id, extents))
        return *known;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(c, 0, tree->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(c);
    // The answer is a property on the window; asking for it directly leaves Qt's own event
    // queue alone.
    QElapsedTimer waited;
    waited.start();
    do {
        if (const auto answer = frameExtents(c, id, extents))
            return *answer;
        QThread::msleep(2);
    } while (waited.elapsed() < timeoutMs);
    return {};
}
