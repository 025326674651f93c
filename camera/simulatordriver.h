// The virtual camera on its pseudo-terminal, in the event loop: reads what a client writes,
// hands it to the simulator with the time and the line's speed, writes the answers, and calls
// the simulator again when it asks to be.
//
// tarn_camera_qt, this library: the virtual camera's port (simport.h), its window (simview.h)
// and this driver, on tarn_camera, the serial layer (the ports directory) and Qt Core and
// Widgets. What is shown, and how, is the caller's.
#pragma once

#include "simport.h"
#include "simulator.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <span>

class SimulatorDriver
{
public:
    using ReportSink = std::function<void(const Simulator::Report &report)>;
    using StateSink = std::function<void(std::size_t camera, const CameraState &state)>;

    // onReport gets each line to show; onState the state of each camera (its index in
    // Simulator::cameras()) whenever it may have changed.
    SimulatorDriver(VirtualPort &port, const Simulator::Settings &settings, ReportSink onReport,
                    StateSink onState = {});

    SimulatorDriver(const SimulatorDriver &) = delete;
    SimulatorDriver &operator=(const SimulatorDriver &) = delete;

    // The end: what a client wrote just before we were stopped is still shown.
    void finish();

    // A second end of the line besides the pseudo-terminal (a client across the network): what
    // it sends comes in at the camera's own rate, since no terminal settings stand between, and
    // the answers go to it as well as to the port's client.
    using Writer = std::function<void(std::span<const pelco::Byte> bytes)>;
    // Whom answers go to on the second end; an empty writer once it has left.
    void setSecondEnd(Writer writer);
    // Bytes from the second end.
    void receivedFromSecondEnd(std::span<const pelco::Byte> bytes);

    const Simulator &simulator() const { return m_simulator; }

private:
    enum class Read { Drained, HungUp };

    Read drain();
    void onReadable();
    void onRetry();
    void onTimer();
    Simulator::Line line() const;
    bool portOpen() const; // a client has the pseudo-terminal's slave
    void carryOut(const Simulator::Step &step);
    void schedule();
    std::int64_t now() const { return m_clock.nsecsElapsed(); }

    VirtualPort &m_port;
    ReportSink m_onReport;
    StateSink m_onState;
    QElapsedTimer m_clock;
    Simulator m_simulator;
    QSocketNotifier m_notifier;
    QTimer m_retry, m_timer;
    Writer m_secondEnd;
};
