#include "windowgonewatch.h"

#include <QByteArray>

#include <xcb/xcb.h>

WindowGoneWatch::WindowGoneWatch(unsigned long windowId, std::function<void()> gone)
    : m_windowId(windowId), m_gone(std::move(gone))
{}

bool WindowGoneWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || !m_gone)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY)
        return false;
    const auto *destroyed = static_cast<const xcb_destroy_notify_event_t *>(message);
    if (destroyed->window == m_windowId)
        m_gone();
    return false;
}
