// tarnctl sim [--port COM<n>] [--baud B] [--address N] [--replies WHICH] [--protocol d|p]
// [--view]: a virtual camera on a new port. It prints the port it took, then one line per frame it
// receives with the state after, and answers on the line as a dome would.
#include "cli.h"
#include "commandframe.h"
#include "comnamespace.h"
#include "portname.h"
#include "simline.h"
#include "simport.h"
#include "simview.h"
#include "tarnctl.h"
#include "ttysettings.h"
#include "virtualcamera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int tickMs = 50; // 20 Hz while the camera moves
// How often to look for a client while none has the slave: often, since the line's speed is
// judged when the bytes are read, and a client may change it soon after writing.
constexpr int hangupRetryMs = 20;
constexpr int quietMs = 200;       // skipped bytes and noise are shown once the line is this quiet
constexpr double bitsPerByte = 10; // start bit, eight data bits, stop bit

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        "Runs a virtual Pelco D (or Pelco P) camera on a new pseudo-terminal, linked into the\n"
        "ports directory as COM<n> so that the panel and 'tarnctl send' find it. The first\n"
        "line printed is the port and its device (\"COM9 /dev/pts/3\"); then one line per\n"
        "frame received: time, bytes, meaning, and the camera's state after it.\n"
        "In Pelco D it answers position queries on the line, when a real line at its baud\n"
        "rate would bring the answer; Pelco P has no replies. While the other end has set\n"
        "another speed on the line, what arrives is noise to the camera: it decodes nothing,\n"
        "answers nothing, and says so.\n"
        "Ctrl+C or SIGTERM ends it and removes the link. A COM<n> link to a device that is\n"
        "gone is replaced; one to a live device is refused.\n"
        "Exit status: 0 on success, 1 if the port cannot be made, 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "The port name to take, COM1 to COM255 (default: the lowest free from COM9).",
                      "COM<n>"});
    parser.addOption(
        {"baud", "The camera's baud rate, set on the port (default 9600).", "B", "9600"});
    parser.addOption({"address", "The camera's address, 0 to 255 (default 1).", "N", "1"});
    parser.addOption({"replies",
                      "What the camera sends back: none, queries (extended responses to position "
                      "queries; the default), or all (also a general response after every other "
                      "command it acts on).",
                      "WHICH", "queries"});
    parser.addOption({"protocol",
                      "The protocol the camera speaks: d (Pelco D, the default) or p (Pelco P). "
                      "Pelco P sends no replies, and --address is its address byte on the "
                      "wire (many Pelco P devices take their switch address minus one).",
                      "d|p", "d"});
    parser.addOption({"view", "Show the camera's picture in a window."});
}

VirtualCamera::Replies parseReplies(const QString &text)
{
    if (text == "none")
        return VirtualCamera::Replies::None;
    if (text == "queries")
        return VirtualCamera::Replies::Queries;
    if (text == "all")
        return VirtualCamera::Replies::All;
    throw cli::UsageError(
        QStringLiteral("invalid replies '%1': expected none, queries or all").arg(text));
}

struct SimSettings
{
    BYTE address = 1;
    int baud = 9600;
    Protocol protocol = Protocol::PelcoD;
    VirtualCamera::Replies replies = VirtualCamera::Replies::Queries;
    bool view = false;
};

class Simulator
{
public:
    Simulator(VirtualPort &port, const SimSettings &settings)
        : m_port(port), m_settings(settings), m_camera(settings.address, settings.replies),
          m_receiver(settings.protocol), m_notifier(port.masterFd(), QSocketNotifier::Read),
          m_byteNs(qint64(bitsPerByte * 1e9 / settings.baud))
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { onReadable(); });
        m_retry.setSingleShot(true);
        m_retry.setInterval(hangupRetryMs);
        QObject::connect(&m_retry, &QTimer::timeout, [this] { onRetry(); });
        m_tick.setInterval(tickMs);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { onTick(); });
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(quietMs);
        QObject::connect(&m_quiet, &QTimer::timeout, [this] {
            report(m_receiver.lineQuiet(), m_clock.nsecsElapsed());
            flushNoise();
        });
        m_send.setSingleShot(true);
        m_send.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_send, &QTimer::timeout, [this] { sendDueReplies(); });
        m_clock.start();
        if (settings.view) {
            m_view = std::make_unique<SimView>(port.name());
            m_view->setState(m_camera.state());
            m_view->show();
        }
    }

    // The end: what a client wrote just before we were stopped is still shown.
    void finish()
    {
        drain();
        report(m_receiver.finish(), m_clock.nsecsElapsed());
        flushNoise();
    }

private:
    enum class Read { Drained, HungUp };

    struct Reply
    {
        qint64 dueNs; // when its last byte would have arrived on a real line
        std::vector<BYTE> bytes;
    };

    // Reads all that waits. With no client on the slave, the master reads EIO and polls as
    // always readable: the notifier is then switched off and the master looked at again a
    // little later, so an idle simulator does not spin.
    Read drain()
    {
        BYTE buffer[4096];
        for (;;) {
            const ssize_t n = read(m_port.masterFd(), buffer, sizeof buffer);
            if (n > 0) {
                received(std::span<const BYTE>(buffer, std::size_t(n)));
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

    // The speed the client set on the line: the master reads the slave's settings. It is read
    // when the bytes are, so a client that writes and closes at once, restoring the speed it
    // found (Qt does), may have its bytes judged at that speed.
    int lineBaud() const { return lines::ttySpeed(m_port.masterFd()); }

    void received(std::span<const BYTE> bytes)
    {
        const qint64 now = m_clock.nsecsElapsed();
        const int baud = lineBaud();
        if (baud != m_settings.baud) {
            // Sent at another speed, the bytes are garbage to a UART. A frame begun at the
            // right speed ends here too.
            report(m_receiver.finish(), now);
            m_receiver = PelcoReceiver(m_settings.protocol);
            if (!m_noise.empty() && m_noiseBaud != baud)
                flushNoise();
            m_noiseBaud = baud;
            m_noise.insert(m_noise.end(), bytes.begin(), bytes.end());
            return;
        }
        flushNoise();
        // The bytes came at once through the pseudo-terminal; on a line each takes its time,
        // so a frame ends (and may be answered) when its last byte would have come in.
        const qint64 start = std::max(now, m_lineInNs);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            report(m_receiver.feed(bytes.subspan(i, 1)), start + qint64(i + 1) * m_byteNs);
        m_lineInNs = start + qint64(bytes.size()) * m_byteNs;
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

    QString tail() const
    {
        return QString::fromStdString(VirtualCamera::describe(m_camera.state()));
    }

    // lineNs: when the event's last byte came in, on the emulated line.
    void report(const std::vector<PelcoEvent> &events, qint64 lineNs)
    {
        // The line is fed a byte at a time, and most bytes complete nothing: then nothing
        // changed, and the view is left alone.
        if (events.empty())
            return;
        for (const PelcoEvent &event : events) {
            catchUp();
            QStringList notes;
            if (event.type == PelcoEvent::Type::Frame) {
                const auto reaction = m_camera.apply(event.command);
                if (!reaction.acted)
                    notes << "ignored: " + QString::fromStdString(reaction.note);
                else if (!reaction.note.empty())
                    notes << QString::fromStdString(reaction.note);
                if (!reaction.reply.empty()) {
                    notes << "answers " + QString::fromStdString(
                                              toHex(reaction.reply.data(), reaction.reply.size()));
                    queueReply(reaction.reply, lineNs);
                }
            }
            simline::printLine(simline::format(event, notes.join("; "), tail()));
        }
        if (m_camera.moving() && !m_tick.isActive())
            m_tick.start();
        if (m_view)
            m_view->setState(m_camera.state());
    }

    void flushNoise()
    {
        if (m_noise.empty())
            return;
        simline::printLine(simline::noiseLine(m_noise, m_noiseBaud, m_settings.baud, tail()));
        m_noise.clear();
    }

    // A dome answers once the command is in, and its answer takes the line for its own bytes,
    // after any answer still going out.
    void queueReply(const std::vector<BYTE> &bytes, qint64 commandEndNs)
    {
        const qint64 start = std::max(commandEndNs, m_lineOutNs);
        m_lineOutNs = start + qint64(bytes.size()) * m_byteNs;
        m_replies.push_back({m_lineOutNs, bytes});
        scheduleSend();
    }

    void scheduleSend()
    {
        if (m_replies.empty())
            return;
        const qint64 waitNs = m_replies.front().dueNs - m_clock.nsecsElapsed();
        m_send.start(int(std::max<qint64>(0, (waitNs + 999999) / 1000000)));
    }

    void sendDueReplies()
    {
        const qint64 now = m_clock.nsecsElapsed();
        while (!m_replies.empty() && m_replies.front().dueNs <= now) {
            sendNow(m_replies.front().bytes);
            m_replies.pop_front();
        }
        scheduleSend();
    }

    // An answer reaches nobody when no client has the line open, and is noise to one that
    // has set another speed meanwhile: it is not written then, nor when the client's input
    // is full (a line keeps nothing back either).
    void sendNow(const std::vector<BYTE> &bytes)
    {
        pollfd fd{m_port.masterFd(), POLLOUT, 0};
        if (poll(&fd, 1, 0) < 0 || (fd.revents & (POLLHUP | POLLERR)) ||
            lineBaud() != m_settings.baud)
            return;
        [[maybe_unused]] const ssize_t n = write(m_port.masterFd(), bytes.data(), bytes.size());
    }

    VirtualPort &m_port;
    SimSettings m_settings;
    VirtualCamera m_camera;
    PelcoReceiver m_receiver;
    QSocketNotifier m_notifier;
    QTimer m_retry, m_tick, m_quiet, m_send;
    QElapsedTimer m_clock;
    qint64 m_lastAdvance = 0;
    qint64 m_byteNs;        // one byte's time on the line
    qint64 m_lineInNs = 0;  // when the bytes read so far have all come in
    qint64 m_lineOutNs = 0; // when the answers queued so far have all gone out
    std::deque<Reply> m_replies;
    std::vector<BYTE> m_noise; // bytes at another speed, not shown yet
    int m_noiseBaud = 0;
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
    SimSettings settings;
    try {
        cli::parseOrThrow(parser, args, "sim", {"port", "baud", "address", "replies", "protocol"});
        cli::refusePositionals(parser);
        if (parser.isSet("port")) {
            number = lines::comNumber(parser.value("port"));
            if (!number)
                throw cli::UsageError(QStringLiteral("invalid port '%1': expected COM1 to COM255")
                                          .arg(parser.value("port")));
        }
        settings.baud = cli::parseBaud(parser.value("baud"));
        settings.address = cli::parseByte(parser.value("address"), "address");
        settings.replies = parseReplies(parser.value("replies"));
        settings.protocol = cli::parseProtocol(parser.value("protocol"));
        settings.view = parser.isSet("view");
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }
    if (settings.view && !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        cli::printError("--view needs a window system, and neither DISPLAY nor WAYLAND_DISPLAY "
                        "is set");
        return cli::exitFailure;
    }

    int status = cli::exitOk;
    try {
        // Signals are caught before the link exists, so none can leave it behind.
        SignalWatcher watcher([](int) { QCoreApplication::quit(); });
        VirtualPort port(ComNamespace::portsDirectory(), number, settings.baud);
        simline::printLine(port.name() + ' ' + QString::fromStdString(port.slavePath()));
        Simulator simulator(port, settings);
        status = QCoreApplication::exec();
        simulator.finish();
    } catch (const VirtualPort::Error &error) {
        cli::printError(error.what());
        return cli::exitFailure;
    }
    return status;
}
