// SIGINT, SIGTERM and SIGHUP as tarnctl send takes them: the first one is kept and ends the
// wait in progress at once, so the command can finish its work (stop the camera, close the
// port) before it exits; later ones change nothing.
//
// Signals are seen while the program waits here (sleep, run) or when it asks (check); a
// blocking write in between is not cut short.
#pragma once

#include "signalwatcher.h"

class QEventLoop;

class Interruption
{
public:
    Interruption();

    // The first signal caught, 0 while none came.
    int signal() const { return m_signal; }

    // Takes in a signal that came since the last wait; true when one has come.
    bool check();

    // Waits ms milliseconds (none for 0) on the event loop; false when a signal came before or
    // during the wait.
    bool sleep(int ms);

    // Runs loop until it quits, or until a signal comes; returns at once if one came before.
    void run(QEventLoop &loop);

    // "SIGINT", "SIGTERM", "SIGHUP".
    static const char *signalName(int signal);

private:
    void take(int signal);

    int m_signal = 0;
    QEventLoop *m_loop = nullptr;
    SignalWatcher m_watcher;
};
