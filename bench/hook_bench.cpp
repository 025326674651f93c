// The hook runs for every event of the panel's loop, so its cost per event matters: it reads
// PortOpen once for every event, and twice plus a look-up of the eight buttons for a left press
// or release. Measured with a control whose PortOpen is a plain member read, and with the real
// serial control on a pseudo-terminal; then the panel's own application event filter, called
// directly (no delivery through QCoreApplication::notify) with a paint, a mouse move and a left
// press on a control that is not a hold-to-move button, the port closed and open.
#include "cameraactions.h"
#include "controlcontainer.h"
#include "panelharness.h"
#include "portconnection.h"
#include "ptypair.h"
#include "ptzcontrolpanel.h"
#include "resource.h"
#include "serialcontrol.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>

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

namespace {
// The running panel, with the real control on a pseudo-terminal as COM1.
CPtzControlDlg *g_panel = nullptr;

enum class FilterEvent { Paint, MouseMove, LeftPressOffButton };

void panelFilter(benchmark::State &state, bool open, FilterEvent kind)
{
    CPtzControlDlg &panel = *g_panel;
    if (panel.comm()->portOpen() != open) {
        if (open) // the operator's choice: the port first, a baud rate after that
            chooseNext(panel,
                       qobject_cast<QComboBox *>(panel.GetDlgItem(IDC_PORT_LIST))->currentIndex() <
                               0
                           ? IDC_PORT_LIST
                           : IDC_BAUD_LIST);
        else
            panel.comm()->setPortOpen(false);
    }
    if (panel.comm()->portOpen() != open) {
        state.SkipWithError("the port did not change state");
        return;
    }
    QObject *filter = panel.hook();
    QWidget *edit = panel.GetDlgItem(IDC_ADDRESS);
    const QPointF at(5, 5);
    QPaintEvent paint(QRect(0, 0, 10, 10));
    QMouseEvent move(QEvent::MouseMove, at, edit->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QMouseEvent press(QEvent::MouseButtonPress, at, edit->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QEvent *event = kind == FilterEvent::Paint       ? static_cast<QEvent *>(&paint)
                    : kind == FilterEvent::MouseMove ? static_cast<QEvent *>(&move)
                                                     : static_cast<QEvent *>(&press);
    QObject *watched = kind == FilterEvent::Paint ? static_cast<QObject *>(&panel) : edit;
    for (auto _ : state) {
        benchmark::DoNotOptimize(filter->eventFilter(watched, event));
        benchmark::ClobberMemory();
    }
}
} // namespace

BENCHMARK_CAPTURE(panelFilter, closed_paint, false, FilterEvent::Paint);
BENCHMARK_CAPTURE(panelFilter, closed_mouse_move, false, FilterEvent::MouseMove);
BENCHMARK_CAPTURE(panelFilter, closed_press_off_button, false, FilterEvent::LeftPressOffButton);
BENCHMARK_CAPTURE(panelFilter, open_paint, true, FilterEvent::Paint);
BENCHMARK_CAPTURE(panelFilter, open_mouse_move, true, FilterEvent::MouseMove);
BENCHMARK_CAPTURE(panelFilter, open_press_off_button, true, FilterEvent::LeftPressOffButton);

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);

    // Everything runs inside the panel's modal loop, as the hook does in the program.
    PtyPair pty;
    const QString device = QString::fromStdString(pty.slavePath());
    enableControlContainer([device]() -> std::unique_ptr<CMSComm> {
        return std::make_unique<SerialControl>(
            [device](int) { return std::optional<QString>(device); });
    });
    FixedPortSource ports({"COM1 (pts)"});
    CPtzControlDlg panel;
    panel.setPortSource(&ports);
    g_panel = &panel;
    runPanel(panel, [] { benchmark::RunSpecifiedBenchmarks(); });
    g_panel = nullptr;
    benchmark::Shutdown();
    return 0;
}
