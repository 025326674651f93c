// tarnctl sim [--port COM<n>] [--baud B] [--address N] [--view]: a virtual camera on a new
// port. It prints the port it took, then one line per frame it receives with the state after.
#include "cli.h"
#include "comnamespace.h"
#include "simline.h"
#include "simport.h"
#include "simview.h"
#include "tarnctl.h"
#include "virtualcamera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <unistd.h>

namespace {

constexpr int tickMs = 50;         // 20 Hz while the camera moves
constexpr int hangupRetryMs = 100; // how often to look for a client while none has the slave
constexpr int quietMs = 200;       // skipped bytes are shown once the line is this quiet

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        "Runs a virtual Pelco D camera on a new pseudo-terminal, linked into the ports directory\n"
        "as COM<n> so that the panel and 'tarnctl send' find it. The first line printed is the\n"
        "port and its device (\"COM9 /dev/pts/3\"); then one line per frame received: time, "
        "bytes,\n"
        "meaning, and the camera's state after it. Ctrl+C or SIGTERM ends it and removes the "
        "link.\n"
        "A COM<n> link to a device that is gone is replaced; one to a live device is refused.\n"
        "Exit status: 0 on success, 1 if the port cannot be made, 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "The port name to take, COM1 to COM255 (default: the lowest free from COM9).",
                      "COM<n>"});
    parser.addOption({"baud", "Baud rate set on the port (default 9600).", "B", "9600"});
    parser.addOption({"address", "The camera's address, 0 to 255 (default 1).", "N", "1"});
    parser.addOption({"view", "Show the camera's picture in a window."});
}

class Simulator
{
public:
    Simulator(VirtualPort &port, BYTE address, bool view)
        : m_port(port), m_camera(address), m_notifier(port.masterFd(), QSocketNotifier::Read)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { onReadable(); });
        m_retry.setSingleShot(true);
        m_retry.setInterval(hangupRetryMs);
        QObject::connect(&m_retry, &QTimer::timeout, [this] { onRetry(); });
        m_tick.setInterval(tickMs);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { onTick(); });
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(quietMs);
        QObject::connect(&m_quiet, &QTimer::timeout, [this] { report(m_receiver.lineQuiet()); });
        m_clock.start();
        if (view) {
            m_view = std::make_unique<SimView>(port.name());
            m_view->setState(m_camera.state());
            m_view->show();
        }
    }

    // The end: what a client wrote just before we were stopped is still shown.
    void finish()
    {
        drain();
        report(m_receiver.finish());
    }

private:
    enum class Read { Drained, HungUp };

    // Reads all that waits. With no client on the slave, the master reads EIO and polls as
    // always readable: the notifier is then switched off and the master looked at again a
    // little later, so an idle simulator does not spin.
    Read drain()
    {
        BYTE buffer[4096];
        for (;;) {
            const ssize_t n = read(m_port.masterFd(), buffer, sizeof buffer);
            if (n > 0) {
                report(m_receiver.feed(std::span<const BYTE>(buffer, std::size_t(n))));
                m_quiet.start();
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return Read::Drained;
            return Read::HungUp; // EIO, or end of file: no client at the moment
        }
    }

    void onReadable()
    {
        if (drain() == Read::HungUp) {
            m_notifier.setEnabled(false);
            m_retry.start();
        }
    }

    void onRetry()
    {
        if (drain() == Read::HungUp)
            m_retry.start();
        else
            m_notifier.setEnabled(true);
    }

    void catchUp()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_camera.advance(double(now - m_lastAdvance) / 1e9);
        m_lastAdvance = now;
    }

    void onTick()
    {
        catchUp();
        if (!m_camera.moving())
            m_tick.stop();
        if (m_view)
            m_view->setState(m_camera.state());
    }

    void report(const std::vector<PelcoEvent> &events)
    {
        for (const PelcoEvent &event : events) {
            catchUp();
            QString note;
            if (event.type == PelcoEvent::Type::Frame) {
                const auto reaction = m_camera.apply(event.command);
                if (!reaction.acted)
                    note = "ignored: " + QString::fromStdString(reaction.note);
            }
            simline::printLine(simline::format(
                event, note, QString::fromStdString(VirtualCamera::describe(m_camera.state()))));
        }
        if (m_camera.moving() && !m_tick.isActive())
            m_tick.start();
        if (m_view)
            m_view->setState(m_camera.state());
    }

    VirtualPort &m_port;
    VirtualCamera m_camera;
    PelcoReceiver m_receiver;
    QSocketNotifier m_notifier;
    QTimer m_retry, m_tick, m_quiet;
    QElapsedTimer m_clock;
    qint64 m_lastAdvance = 0;
    std::unique_ptr<SimView> m_view;
};

} // namespace

bool simNeedsGui(const QStringList &args)
{
    // Only a plain --view asks for a window; anything unparsable fails later without one. With
    // no window system at all, Qt would abort: runSim says so instead.
    const bool windowSystem = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                              !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                              !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    for (const QString &arg : args) {
        if (arg == "--")
            break;
        if (arg == "--view")
            return windowSystem;
    }
    return false;
}

int runSim(const QStringList &args)
{
    QCommandLineParser parser;
    addOptions(parser);
    std::optional<int> number;
    int baud = 9600;
    BYTE address = 1;
    bool view = false;
    try {
        cli::parseOrThrow(parser, args, "sim", {"port", "baud", "address"});
        if (!parser.positionalArguments().isEmpty())
            throw cli::UsageError(
                QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0]));
        if (parser.isSet("port")) {
            number = simline::comNumber(parser.value("port"));
            if (!number)
                throw cli::UsageError(QStringLiteral("invalid port '%1': expected COM1 to COM255")
                                          .arg(parser.value("port")));
        }
        baud = simline::parseBaud(parser.value("baud"));
        address = cli::parseByte(parser.value("address"), "address");
        view = parser.isSet("view");
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }
    if (view && !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        cli::printError("--view needs a window system, and neither DISPLAY nor WAYLAND_DISPLAY "
                        "is set");
        return cli::exitFailure;
    }

    int status = cli::exitOk;
    try {
        // Signals are caught before the link exists, so none can leave it behind.
        SignalWatcher watcher([](int) { QCoreApplication::quit(); });
        VirtualPort port(ComNamespace::portsDirectory(), number, baud);
        simline::printLine(port.name() + ' ' + QString::fromStdString(port.slavePath()));
        Simulator simulator(port, address, view);
        status = QCoreApplication::exec();
        simulator.finish();
    } catch (const VirtualPort::Error &error) {
        cli::printError(error.what());
        return cli::exitFailure;
    }
    return status;
}
