// Runs code against a modal window while its modal loop runs, without blocking the test: a
// timer polls until the window is the active modal widget, then acts on it. A deadline closes
// any modal window left open so that a fault fails the test instead of hanging it.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

class ModalRunner
{
public:
    // Calls action(modal) once a visible modal widget accepted by match appears.
    ModalRunner(std::function<bool(QWidget *)> match, std::function<void(QWidget *)> action,
                int deadlineMs = 5000)
        : m_match(std::move(match)), m_action(std::move(action))
    {
        m_clock.start();
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, deadlineMs] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!m_acted && modal && modal->isVisible() && m_match(modal)) {
                m_acted = true;
                m_action(modal);
            } else if (m_clock.elapsed() > deadlineMs && modal) {
                m_timedOut = true;
                modal->close();
            }
        });
        m_timer.start();
    }

    bool acted() const { return m_acted; }
    bool timedOut() const { return m_timedOut; }

private:
    std::function<bool(QWidget *)> m_match;
    std::function<void(QWidget *)> m_action;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_acted = false;
    bool m_timedOut = false;
};
