// A frame to bytes at the far end of a network line: Rfc2217Line::write of a Pelco D frame to a
// real ser2net over loopback RFC 2217, timed until the seven bytes are readable at the master of
// the pseudo-terminal that is ser2net's device. In the same run, interleaved, a bare client (a
// blocking socket with TCP_NODELAY, connected to a second ser2net's RFC 2217 port with no
// negotiation) writes the same frame already escaped (0xFF doubled), timed the same way to its
// own pseudo-terminal. Prints the median and the 99th percentile of both and their ratio; and
// the same of Rfc2217Line::open against a bare open (connect, the same negotiation and settings
// in one write, read until the five answers).
//
//   network_bench [frames]      (default 2000)
#include "latency.h"
#include "ptypair.h"
#include "rfc2217line.h"
#include "ser2net.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {
using latency::Clock;
using latency::micros;
using latency::percentile;

// The bare open: connect, send the same negotiation and settings as the line in one write, and
// read until the server has answered all five settings.
int bareOpen(std::uint16_t port)
{
    const int fd = latency::connectLoopback(port);
    if (fd < 0)
        return -1;
    const std::uint8_t request[] = {
        255, 251, 44,  255, 251, 0,   255,  253,  0,              // WILL COM-PORT, WILL/DO BINARY
        255, 250, 44,  1,   0,   0,   0x25, 0x80, 255, 240,       // 9600 baud
        255, 250, 44,  2,   8,   255, 240,  255,  250, 44,  3, 1, // 8 data bits, no parity
        255, 240, 255, 250, 44,  4,   1,    255,  240,            // 1 stop bit
        255, 250, 44,  5,   1,   255, 240};                       // no flow control
    if (::send(fd, request, sizeof request, MSG_NOSIGNAL) != ssize_t(sizeof request)) {
        ::close(fd);
        return -1;
    }
    std::vector<std::uint8_t> got;
    int answers = 0;
    while (answers < 5) {
        std::uint8_t buffer[512];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            ::close(fd);
            return -1;
        }
        got.insert(got.end(), buffer, buffer + n);
        answers = 0;
        for (std::size_t i = 0; i + 3 < got.size(); ++i)
            answers += got[i] == 255 && got[i + 1] == 250 && got[i + 2] == 44 &&
                       got[i + 3] >= 101 && got[i + 3] <= 105;
    }
    return fd;
}

void report(const char *what, const std::vector<double> &a, const std::vector<double> &b)
{
    const double aMedian = percentile(a, 0.5), aP99 = percentile(a, 0.99);
    const double bMedian = percentile(b, 0.5), bP99 = percentile(b, 0.99);
    std::printf("%s\n  line: median %.1f us, p99 %.1f us\n  bare: median %.1f us, p99 %.1f us\n"
                "  p99 ratio %.2f, median ratio %.2f\n",
                what, aMedian, aP99, bMedian, bP99, aP99 / bP99, aMedian / bMedian);
}
} // namespace

int main(int argc, char **argv)
{
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    QCoreApplication app(argc, argv);

    PtyPair linePty, barePty;
    Ser2net lineServer(linePty.slavePath()), bareServer(barePty.slavePath());
    const QString url = QString::fromStdString(lineServer.rfc2217Url());

    // Opening: Rfc2217Line::open (connect, settings, their answers) against the same done bare.
    std::vector<double> openUs, connectUs;
    for (int i = 0; i < 100; ++i) {
        lines::Rfc2217Line line;
        const auto t0 = Clock::now();
        line.open(url, 9600, lines::Framing{});
        const auto t1 = Clock::now();
        line.close();
        const auto c0 = Clock::now();
        const int fd = bareOpen(bareServer.rfc2217Port());
        const auto c1 = Clock::now();
        if (fd >= 0)
            ::close(fd);
        openUs.push_back(micros(t0, t1));
        connectUs.push_back(micros(c0, c1));
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // ser2net lets the port go
    }

    lines::Rfc2217Line line;
    line.open(url, 9600, lines::Framing{});
    const int bare = latency::connectLoopback(bareServer.rfc2217Port());
    if (bare < 0) {
        std::fprintf(stderr, "the bare client could not connect\n");
        return 1;
    }
    const std::uint8_t frame[7] = {0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
    const std::uint8_t escaped[8] = {0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // ser2net opens its device
    barePty.readUntilQuiet(50);

    std::vector<double> lineUs, bareUs;
    int failures = 0;
    for (int i = -50; i < frames; ++i) { // the first 50 warm up
        const auto t0 = Clock::now();
        line.write(frame);
        const auto got = linePty.read(7, 1000);
        const auto t1 = Clock::now();
        QCoreApplication::processEvents(); // what a program's loop does between presses

        const auto b0 = Clock::now();
        const bool wrote = ::send(bare, escaped, sizeof escaped, MSG_NOSIGNAL) == 8;
        const auto gotBare = barePty.read(7, 1000);
        const auto b1 = Clock::now();

        if (got.size() != 7 || !wrote || gotBare.size() != 7) {
            ++failures;
            continue;
        }
        if (i >= 0) {
            lineUs.push_back(micros(t0, t1));
            bareUs.push_back(micros(b0, b1));
        }
    }
    ::close(bare);
    if (lineUs.empty()) {
        std::fprintf(stderr, "no frame was measured\n");
        return 1;
    }
    std::printf("frames %zu (failed %d)\n", lineUs.size(), failures);
    report("frame to bytes at the pty through ser2net (goal: p99 ratio <= 1.5)", lineUs, bareUs);
    report("open: Rfc2217Line::open against the bare open (the same bytes in one write, until the "
           "five answers)",
           openUs, connectUs);
    return failures == 0 ? 0 : 1;
}
