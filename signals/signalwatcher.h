// SIGINT, SIGTERM and SIGHUP as calls on the event loop: the handler only writes the signal's
// number to a pipe (all a handler may safely do), and the event loop reads it and calls back,
// so the program ends through its normal cleanup instead of dying where it stands. While a
// watcher lives SIGPIPE is ignored as well: a reader that goes away must not end the program
// before its cleanup. One watcher at a time; the signals' previous handlers come back when it
// goes.
#pragma once

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

class SignalWatcher
{
public:
    explicit SignalWatcher(std::function<void(int signal)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher &) = delete;
    SignalWatcher &operator=(const SignalWatcher &) = delete;

private:
    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous[4] = {};
};
