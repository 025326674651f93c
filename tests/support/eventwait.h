// Waiting in tests of things that live on the Qt event loop (lines, the serial control), and
// the text of the error a step raises.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>
#include <string>

// Runs the event loop until done() or the deadline; whether done() came true.
template <typename F> bool processUntil(F done, int timeoutMs = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// What the error of type Error that f raises says; "(nothing raised)" when f raises none.
template <typename Error> std::string raisedText(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.what();
    }
    return "(nothing raised)";
}
