// The start-up measurement's probe, shared by the panel's program variant and the minimal
// dialog: an application event filter that, at the first paint event of a top-level window,
// prints CLOCK_MONOTONIC in nanoseconds and VmRSS in KiB on one line and ends the process.
// The harness (startup_bench) takes the clock just before it starts the process.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

class FirstPaintProbe : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long long ns = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
            std::printf("%lld %ld\n", ns, vmRssKiB());
            std::fflush(stdout);
            _exit(0); // measured: nothing after the first paint counts
        }
        return false;
    }

private:
    static long vmRssKiB()
    {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        return -1;
    }
};
