#include "interruption.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <csignal>

Interruption::Interruption() : m_watcher([this](int signal) { take(signal); }) {}

void Interruption::take(int signal)
{
    if (m_signal != 0)
        return;
    m_signal = signal;
    if (m_loop)
        m_loop->quit();
}

bool Interruption::check()
{
    // The signal handler only writes to a pipe; its notifier runs from the event loop.
    if (m_signal == 0)
        QCoreApplication::processEvents();
    return m_signal != 0;
}

bool Interruption::sleep(int ms)
{
    if (check())
        return false;
    if (ms <= 0)
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    run(loop);
    return m_signal == 0;
}

void Interruption::run(QEventLoop &loop)
{
    if (m_signal != 0)
        return;
    QEventLoop *const outer = m_loop;
    m_loop = &loop;
    loop.exec();
    m_loop = outer;
}

const char *Interruption::signalName(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    }
    return "a signal";
}
