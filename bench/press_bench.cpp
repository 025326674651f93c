// Press to bytes on the line: a left press injected into the running panel (QTest, in-process,
// offscreen) on "UP", with the real serial control on a pseudo-terminal, timed until the seven
// bytes of its frame are readable at the master. In the same run, interleaved, a bare write of
// seven bytes to the slave of another pseudo-terminal, timed the same way. Prints the median
// and the 99th percentile of both and their ratio.
//
//   press_bench [presses]      (default 2000)
#include "controlcontainer.h"
#include "latency.h"
#include "panelharness.h"
#include "ptypair.h"
#include "ptzcontrolpanel.h"
#include "resource.h"
#include "serialcontrol.h"

#include <QApplication>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using latency::Clock;
using latency::micros;
using latency::percentile;

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int presses = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    PtyPair line;
    const QString device = QString::fromStdString(line.slavePath());
    enableControlContainer([device]() -> std::unique_ptr<CMSComm> {
        return std::make_unique<SerialControl>(
            [device](int) { return std::optional<QString>(device); });
    });

    // The bare write's pseudo-terminal, opened and set up as a serial port would be.
    PtyPair bare;
    const int bareFd = ::open(bare.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    tcgetattr(bareFd, &raw);
    cfmakeraw(&raw);
    cfsetspeed(&raw, B9600);
    tcsetattr(bareFd, TCSANOW, &raw);

    FixedPortSource ports({"COM1 (pts)"});
    CPtzControlDlg panel;
    panel.setPortSource(&ports);

    std::vector<double> pressUs, bareUs;
    int failures = 0;
    runPanel(panel, [&] {
        chooseNext(panel, IDC_PORT_LIST);
        if (!panel.comm()->portOpen()) {
            std::fprintf(stderr, "the port did not open\n");
            failures = presses;
            return;
        }
        const std::uint8_t frame[7] = {0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
        for (int i = -50; i < presses; ++i) { // the first 50 warm up
            const auto t0 = Clock::now();
            pressButton(panel, IDC_UP);
            const auto got = line.read(7, 1000);
            const auto t1 = Clock::now();
            releaseButton(panel, IDC_UP);
            line.read(7, 1000);
            QCoreApplication::processEvents();

            const auto b0 = Clock::now();
            const bool wrote = ::write(bareFd, frame, sizeof frame) == 7;
            const auto gotBare = bare.read(7, 1000);
            const auto b1 = Clock::now();

            if (got.size() != 7 || !wrote || gotBare.size() != 7) {
                ++failures;
                continue;
            }
            if (i >= 0) {
                pressUs.push_back(micros(t0, t1));
                bareUs.push_back(micros(b0, b1));
            }
        }
    });
    ::close(bareFd);
    if (pressUs.empty()) {
        std::fprintf(stderr, "no press was measured\n");
        return 1;
    }

    const double pressMedian = percentile(pressUs, 0.5), pressP99 = percentile(pressUs, 0.99);
    const double bareMedian = percentile(bareUs, 0.5), bareP99 = percentile(bareUs, 0.99);
    std::printf("samples %zu (failed %d)\n", pressUs.size(), failures);
    std::printf("press to bytes: median %.1f us, p99 %.1f us\n", pressMedian, pressP99);
    std::printf("bare write:     median %.1f us, p99 %.1f us\n", bareMedian, bareP99);
    std::printf("p99 ratio %.2f (goal <= 2), median ratio %.2f\n", pressP99 / bareP99,
                pressMedian / bareMedian);
    return failures == 0 ? 0 : 1;
}
