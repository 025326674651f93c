// Small helpers for the fault tests: running the event loop against a deadline, and the
// process's own resident memory and CPU time.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <fstream>
#include <functional>
#include <string>

// Runs the event loop until done() or the deadline; returns done().
inline bool processEventsUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return done();
        // Sleep in the loop until an event or a short timer: processEvents() alone would spin.
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

inline void processEventsFor(int ms)
{
    processEventsUntil([] { return false; }, ms);
}

// AddressSanitizer keeps freed memory in quarantine, so resident memory grows with every
// allocation there and says nothing about what the program keeps.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool residentMemoryMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool residentMemoryMeaningful = false;
#else
inline constexpr bool residentMemoryMeaningful = true;
#endif
#else
inline constexpr bool residentMemoryMeaningful = true;
#endif

// VmRSS of this process in KiB, from /proc/self/status; -1 if unreadable.
inline long vmRssKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// User plus system CPU time of this process, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
