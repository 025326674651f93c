// CPU used by the receive path under a continuous 115200-baud stream: 11520 bytes a second
// paced into a pseudo-terminal's master by a child process, while this process runs the real
// serial control with the port connection's drain on its OnComm, for a given time. Prints the
// CPU time (user + system, getrusage of this process) as a share of one core.
//
//   receive_bench [seconds] [chunk bytes]   (defaults 10 and 16: a UART's FIFO at a time)
#include "portconnection.h"
#include "ptypair.h"
#include "serialcontrol.h"

#include <QCoreApplication>
#include <QTimer>
#include <fcntl.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
constexpr double bytesPerSecond = 11520; // 115200 baud, 10 bits a byte

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The camera's side: chunk bytes at a time, on a fixed schedule, for the given time.
[[noreturn]] void pace(int master, double seconds, int chunk)
{
    using Clock = std::chrono::steady_clock;
    std::uint8_t bytes[4096];
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + 11) | 0x20; // no XON/XOFF among them
    const auto period = std::chrono::duration<double>(chunk / bytesPerSecond);
    const auto start = Clock::now();
    long long sent = 0;
    for (long long k = 0;; ++k) {
        const auto due = start + std::chrono::duration_cast<Clock::duration>(period * k);
        if (due - start > std::chrono::duration<double>(seconds))
            break;
        std::this_thread::sleep_until(due);
        const ssize_t n = ::write(master, bytes, static_cast<std::size_t>(chunk));
        if (n > 0)
            sent += n;
    }
    std::printf("sent %lld bytes\n", sent);
    std::fflush(stdout);
    _exit(0);
}
} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int chunk = argc > 2 ? std::max(1, std::min(4096, std::atoi(argv[2]))) : 16;

    PtyPair pty;
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    const QString device = QString::fromStdString(pty.slavePath());
    SerialControl control([device](int) { return std::optional<QString>(device); });
    PortConnection connection(control);
    long events = 0;
    control.setOnComm([&] {
        ++events;
        connection.OnSerialEvent();
    });
    try {
        openConfigured(control, 1, "115200,n,8,1");
    } catch (const CommError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    // Blocking writes in the child: it must not outrun the line.
    fcntl(pty.masterFd(), F_SETFL, fcntl(pty.masterFd(), F_GETFL) & ~O_NONBLOCK);

    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0)
        pace(pty.masterFd(), seconds, chunk);

    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    QTimer::singleShot(static_cast<int>(seconds * 1000) + 200, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    int status = 0;
    waitpid(child, &status, 0);

    std::printf("stream %.0f bytes/s in chunks of %d for %.1f s; %ld OnComm events\n",
                bytesPerSecond, chunk, wall, events);
    std::printf("CPU %.3f s of %.1f s: %.2f %% of one core (goal < 2 %%)\n", cpu, wall,
                100.0 * cpu / wall);
    return 0;
}
