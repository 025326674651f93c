#include "holdtomovehook.h"

#include <QMouseEvent>
#include <QWidget>

HoldToMoveHook::HoldToMoveHook(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{}

void HoldToMoveHook::setButton(std::size_t index, const QObject *button, int controlId)
{
    m_buttons.at(index) = button;
    m_ids.at(index) = controlId;
}

bool HoldToMoveHook::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
        if (static_cast<const QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        for (std::size_t i = 0; i < m_buttons.size(); ++i) {
            if (m_buttons[i] == watched) {
                m_handler(type == QEvent::MouseButtonPress ? HookMessage::LeftButtonDown
                                                           : HookMessage::LeftButtonUp,
                          m_ids[i]);
                break;
            }
        }
        return false;
    }
    if ((type == QEvent::WindowDeactivate || type == QEvent::WindowBlocked) && watched == m_panel) {
        m_handler(HookMessage::MouseTaken, 0);
        return false;
    }
    // A popup grabs the mouse: the release goes to it, not to the held button.
    if (type == QEvent::Show && watched->isWidgetType() &&
        static_cast<const QWidget *>(watched)->windowType() == Qt::Popup)
        m_handler(HookMessage::MouseTaken, 0);
    return false;
}
