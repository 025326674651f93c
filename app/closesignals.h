// SIGTERM, SIGINT and SIGHUP end the panel as its close box does: the port is closed and a
// camera still moving for a held button is stopped, instead of the process dying mid-hold.
// The handler only writes the signal to a pipe; the event loop reads it and runs the callback.
#pragma once

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

class CloseSignals
{
public:
    // One at a time: the signals' previous handlers come back when it goes.
    explicit CloseSignals(std::function<void()> onSignal);
    ~CloseSignals();
    CloseSignals(const CloseSignals &) = delete;
    CloseSignals &operator=(const CloseSignals &) = delete;

private:
    std::function<void()> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous[3] = {};
};
