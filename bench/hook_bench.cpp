// The hook runs for every event of the panel's loop, so its cost per event matters: it reads
// PortOpen once for every event, and twice plus a look-up of the eight buttons for a left press
// or release. Measured with a control whose PortOpen is a plain member read, and with the real
// serial control on a pseudo-terminal.
#include "cameraactions.h"
#include "portconnection.h"
#include "ptypair.h"
#include "resource.h"
#include "serialcontrol.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
// PortOpen is a member read; everything else does nothing.
class MinimalComm : public CMSComm
{
public:
    bool open = false;
    void setCommPort(short) override {}
    void setHandshaking(long) override {}
    void setInBufferSize(short) override {}
    void setInBufferCount(short) override {}
    void setInputLen(short) override {}
    void setOutBufferSize(short) override {}
    void setOutBufferCount(short) override {}
    bool portOpen() override { return open; }
    void setPortOpen(bool value) override { open = value; }
    void setRThreshold(short) override {}
    void setSettings(const std::string &) override {}
    void setOutput(std::span<const BYTE> bytes) override { benchmark::DoNotOptimize(bytes.data()); }
    std::vector<BYTE> input() override { return {}; }
    short commEvent() override { return 0; }
    void setInputMode(long) override {}
};

std::string boxText(int)
{
    return "1";
}

// The events of the measurement: a paint or mouse move (not a left press or release, on no
// button), and a left press on a control that is not a hold-to-move button.
struct Event
{
    HookMessage message;
    int controlId;
};
constexpr Event paintOrMove{HookMessage::Other, 0};
constexpr Event pressOffButton{HookMessage::LeftButtonDown, IDC_CENTER};

void runHook(benchmark::State &state, CMSComm &comm, Event event)
{
    CameraActions actions(comm, boxText);
    for (auto _ : state) {
        actions.PreTranslateMessage(event.message, event.controlId);
        benchmark::ClobberMemory();
    }
}

void minimalHook(benchmark::State &state, bool open, Event event)
{
    MinimalComm comm;
    comm.open = open;
    runHook(state, comm, event);
}

// The real control, closed or open on the slave of a pseudo-terminal.
void serialHook(benchmark::State &state, bool open, Event event)
{
    PtyPair pty;
    const QString device = QString::fromStdString(pty.slavePath());
    SerialControl control([device](int) { return std::optional<QString>(device); });
    if (open) {
        try {
            openConfigured(control, 1, "9600,n,8,1");
        } catch (const CommError &error) {
            state.SkipWithError(
                ("cannot open the pseudo-terminal: " + error.description()).c_str());
            return;
        }
    }
    runHook(state, control, event);
}
} // namespace

BENCHMARK_CAPTURE(minimalHook, closed_paint, false, paintOrMove);
BENCHMARK_CAPTURE(minimalHook, closed_press_off_button, false, pressOffButton);
BENCHMARK_CAPTURE(minimalHook, open_paint, true, paintOrMove);
BENCHMARK_CAPTURE(minimalHook, open_press_off_button, true, pressOffButton);
BENCHMARK_CAPTURE(serialHook, closed_paint, false, paintOrMove);
BENCHMARK_CAPTURE(serialHook, closed_press_off_button, false, pressOffButton);
BENCHMARK_CAPTURE(serialHook, open_paint, true, paintOrMove);
BENCHMARK_CAPTURE(serialHook, open_press_off_button, true, pressOffButton);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
