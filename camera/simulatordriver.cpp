#include "simulatordriver.h"

#include "ttysettings.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// How often to look for a client while none has the slave: often, since the line's speed is
// judged when the bytes are read, and a client may change it soon after writing.
constexpr int hangupRetryMs = 20;

QElapsedTimer started()
{
    QElapsedTimer clock;
    clock.start();
    return clock;
}

} // namespace

SimulatorDriver::SimulatorDriver(VirtualPort &port, const Simulator::Settings &settings,
                                 ReportSink onReport, StateSink onState)
    : m_port(port), m_onReport(std::move(onReport)), m_onState(std::move(onState)),
      m_clock(started()), m_simulator(settings, now()),
      m_notifier(port.masterFd(), QSocketNotifier::Read)
{
    QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { onReadable(); });
    m_retry.setSingleShot(true);
    m_retry.setInterval(hangupRetryMs);
    QObject::connect(&m_retry, &QTimer::timeout, [this] { onRetry(); });
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { onTimer(); });
}

void SimulatorDriver::finish()
{
    drain();
    carryOut(m_simulator.finish(now()));
}

// Reads all that waits. With no client on the slave, the master reads EIO and polls as always
// readable: the notifier is then switched off and the master looked at again a little later,
// so an idle simulator does not spin.
SimulatorDriver::Read SimulatorDriver::drain()
{
    pelco::Byte buffer[4096];
    for (;;) {
        const ssize_t n = read(m_port.masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            // The speed the client set on the line: the master reads the slave's settings. It
            // is read when the bytes are, so a client that writes and closes at once, restoring
            // the speed it found (Qt does), may have its bytes judged at that speed.
            const int baud = lines::ttySpeed(m_port.masterFd());
            carryOut(m_simulator.received(std::span<const pelco::Byte>(buffer, std::size_t(n)),
                                          baud, now()));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Read::Drained;
        return Read::HungUp; // EIO, or end of file: no client at the moment
    }
}

void SimulatorDriver::onReadable()
{
    if (drain() == Read::HungUp) {
        m_notifier.setEnabled(false);
        m_retry.start();
    }
}

void SimulatorDriver::onRetry()
{
    if (drain() == Read::HungUp)
        m_retry.start();
    else
        m_notifier.setEnabled(true);
}

void SimulatorDriver::onTimer()
{
    carryOut(m_simulator.advance(now(), line()));
}

void SimulatorDriver::setSecondEnd(Writer writer)
{
    m_secondEnd = std::move(writer);
}

void SimulatorDriver::receivedFromSecondEnd(std::span<const pelco::Byte> bytes)
{
    carryOut(m_simulator.received(bytes, m_simulator.settings().baud, now()));
}

bool SimulatorDriver::portOpen() const
{
    pollfd fd{m_port.masterFd(), POLLOUT, 0};
    return poll(&fd, 1, 0) >= 0 && !(fd.revents & (POLLHUP | POLLERR));
}

Simulator::Line SimulatorDriver::line() const
{
    // While a second end is there, the line is at the camera's rate for it; the port's client,
    // if any, hears the answers whatever its own speed, as a listener on a shared line would.
    if (m_secondEnd)
        return {true, m_simulator.settings().baud};
    return {portOpen(), lines::ttySpeed(m_port.masterFd())};
}

void SimulatorDriver::carryOut(const Simulator::Step &step)
{
    for (const Simulator::Report &report : step.reports)
        m_onReport(report);
    // An answer the client's full input cannot take is lost, as on a line.
    // Nothing goes to a port nobody holds: the next client would read it as stale bytes.
    const bool toPort = !step.writes.empty() && portOpen();
    for (const std::vector<pelco::Byte> &bytes : step.writes) {
        if (toPort) [[maybe_unused]]
            const ssize_t n = write(m_port.masterFd(), bytes.data(), bytes.size());
        if (m_secondEnd)
            m_secondEnd(bytes);
    }
    if (step.stateChanged && m_onState)
        for (std::size_t i = 0; i < m_simulator.cameras().size(); ++i)
            m_onState(i, m_simulator.cameras()[i].state());
    schedule();
}

void SimulatorDriver::schedule()
{
    const auto due = m_simulator.nextDueNs();
    if (!due) {
        m_timer.stop();
        return;
    }
    const std::int64_t waitNs = *due - now();
    m_timer.start(int(std::max<std::int64_t>(0, (waitNs + 999'999) / 1'000'000)));
}
