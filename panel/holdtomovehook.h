// The panel's look at every event before it is delivered: a left press or release whose
// receiver is one of the eight hold-to-move buttons goes to the camera actions. Installed on the
// application while the panel runs; it never consumes an event, and everything else costs a few
// comparisons.
//
// It also tells when a hold can end without its release reaching the button (MouseTaken): a
// popup opens (it takes the mouse and the keyboard), or the panel loses the activation or is
// blocked by a modal window.
#pragma once

#include "cameraactions.h"

#include <QObject>

#include <array>
#include <functional>

class HoldToMoveHook : public QObject
{
public:
    using Handler = std::function<void(HookMessage, int controlId)>;

    explicit HoldToMoveHook(Handler handler, QObject *parent = nullptr);

    // The eight buttons, in the camera actions' order, with their control ids.
    void setButton(std::size_t index, const QObject *button, int controlId);
    // The panel's window, whose deactivation or blocking takes the mouse from its buttons.
    void setPanel(const QObject *panel) { m_panel = panel; }

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
    std::array<const QObject *, 8> m_buttons{};
    std::array<int, 8> m_ids{};
    const QObject *m_panel = nullptr;
};
