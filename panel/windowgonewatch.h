// Notices when the panel's X11 window is destroyed by another program (a tool that closes
// windows by destroying them, a window manager that gives up on it). Without this the panel
// would run on with no window: the operator could neither see it nor end it.
#pragma once

#include <QAbstractNativeEventFilter>

#include <functional>

class WindowGoneWatch : public QAbstractNativeEventFilter
{
public:
    // gone runs, from the event loop, once the window with this native id is destroyed.
    WindowGoneWatch(unsigned long windowId, std::function<void()> gone);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    unsigned long m_windowId;
    std::function<void()> m_gone;
};
