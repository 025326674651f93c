// Press to bytes at the far end of a network line: the running panel (QTest, in-process,
// offscreen) with its real serial control on a port whose device is rfc2217://127.0.0.1:P, a
// real ser2net over loopback whose device is a pseudo-terminal. A left press injected on "UP"
// is timed until the seven bytes of its frame are readable at that pseudo-terminal's master
// (the release's stop frame is drained outside the timing). In the same run, interleaved, a
// bare client: a blocking socket with TCP_NODELAY connected to a second ser2net's RFC 2217 port
// (ser2net serves one client per port, and the panel holds the first), no negotiation, writing
// the seven bytes with their 0xFF doubled, timed the same way to its own pseudo-terminal.
// Prints the median and the 99th percentile of both and their ratio.
//
//   netpress_bench [presses]      (default 2000)
#include "controlcontainer.h"
#include "latency.h"
#include "panelharness.h"
#include "ptypair.h"
#include "ptzcontrolpanel.h"
#include "resource.h"
#include "ser2net.h"
#include "serialcontrol.h"

#include <QApplication>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {
using latency::Clock;
using latency::micros;
using latency::percentile;

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int presses = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    // The panel's server starts at its connector's settings; the panel sets 9600 8N1 over
    // RFC 2217. The bare client negotiates nothing, so its server starts at 9600 8N1 itself.
    PtyPair panelPty, barePty;
    Ser2net panelServer(panelPty.slavePath());
    Ser2net::Options bareOptions;
    bareOptions.connectorSettings = "9600n81";
    Ser2net bareServer(barePty.slavePath(), bareOptions);

    const QString url = QString::fromStdString(panelServer.rfc2217Url());
    enableControlContainer([url]() -> std::unique_ptr<CMSComm> {
        return std::make_unique<SerialControl>([url](int) { return std::optional<QString>(url); });
    });

    const int bare = latency::connectLoopback(bareServer.rfc2217Port());
    if (bare < 0) {
        std::fprintf(stderr, "the bare client could not connect\n");
        return 1;
    }

    FixedPortSource ports({"COM1 (ser2net)"});
    CPtzControlDlg panel;
    panel.setPortSource(&ports);

    const std::array<std::uint8_t, 7> frame = {0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
    const std::array<std::uint8_t, 7> stop = {0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01};
    const std::uint8_t escaped[8] = {0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
    auto is = [](const std::vector<std::uint8_t> &got, const std::array<std::uint8_t, 7> &want) {
        return std::equal(got.begin(), got.end(), want.begin(), want.end());
    };

    std::vector<double> pressUs, bareUs;
    int failures = 0;
    runPanel(panel, [&] {
        chooseNext(panel, IDC_PORT_LIST);
        if (!panel.comm()->portOpen()) {
            std::fprintf(stderr, "the port did not open\n");
            failures = presses;
            return;
        }
        // ser2net opens its devices once a client is there; what the open left on either
        // line (nothing, normally) is not a press's.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QCoreApplication::processEvents();
        panelPty.readUntilQuiet(50);
        barePty.readUntilQuiet(50);

        for (int i = -50; i < presses; ++i) { // the first 50 warm up
            const auto t0 = Clock::now();
            pressButton(panel, IDC_UP);
            const auto got = panelPty.read(7, 1000);
            const auto t1 = Clock::now();
            releaseButton(panel, IDC_UP);
            const auto stopped = panelPty.read(7, 1000);
            QCoreApplication::processEvents(); // what the panel's loop does between presses

            const auto b0 = Clock::now();
            const bool wrote = ::send(bare, escaped, sizeof escaped, MSG_NOSIGNAL) == 8;
            const auto gotBare = barePty.read(7, 1000);
            const auto b1 = Clock::now();

            if (!is(got, frame) || !is(stopped, stop) || !wrote || !is(gotBare, frame)) {
                ++failures;
                continue;
            }
            if (i >= 0) {
                pressUs.push_back(micros(t0, t1));
                bareUs.push_back(micros(b0, b1));
            }
        }
    });
    ::close(bare);
    if (pressUs.empty()) {
        std::fprintf(stderr, "no press was measured\n");
        return 1;
    }

    const double pressMedian = percentile(pressUs, 0.5), pressP99 = percentile(pressUs, 0.99);
    const double bareMedian = percentile(bareUs, 0.5), bareP99 = percentile(bareUs, 0.99);
    std::printf("samples %zu (failed %d)\n", pressUs.size(), failures);
    std::printf("press to bytes through ser2net: median %.1f us, p99 %.1f us\n", pressMedian,
                pressP99);
    std::printf("bare client through ser2net:    median %.1f us, p99 %.1f us\n", bareMedian,
                bareP99);
    std::printf("p99 ratio %.2f (goal <= 1.5), median ratio %.2f\n", pressP99 / bareP99,
                pressMedian / bareMedian);
    return failures == 0 ? 0 : 1;
}
