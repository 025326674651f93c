// tarnctl sim [--port COM<n>] [--baud B] [--address LIST] [--replies WHICH] [--protocol d|p]
// [--listen [HOST:]PORT] [--view]: a virtual camera, or a line of several, on a new port. It prints
// the port it took, then one line per frame it receives with the state after, and answers on the
// line as a dome would.
#include "addresslist.h"
#include "cli.h"
#include "comnamespace.h"
#include "hex.h"
#include "portname.h"
#include "signalwatcher.h"
#include "simline.h"
#include "simlineview.h"
#include "simlistener.h"
#include "simplacement.h"
#include "simport.h"
#include "simulatordriver.h"
#include "simview.h"
#include "tarnctl.h"
#include "virtualcamera.h"

#include <QApplication>

#include <memory>
#include <optional>

using pelco::Byte;
using pelco::PelcoEvent;
using pelco::PelcoReceiver;
using pelco::Protocol;
using pelco::toHex;

namespace {

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        "Runs a virtual Pelco D (or Pelco P) camera on a new pseudo-terminal, linked into the\n"
        "ports directory as COM<n> so that the panel and 'tarnctl send' find it. The first\n"
        "line printed is the port and its device (\"COM9 /dev/pts/3\"); then one line per\n"
        "frame received: time, bytes, meaning, and the camera's state after it.\n"
        "With several addresses (--address 1-3) it is a line of that many cameras, each with\n"
        "its own state and presets: a frame moves the camera it names, a query is answered\n"
        "by that camera alone, and the state on each line is that camera's, named:\n"
        "\"camera 2: pan 0.0 tilt 0.0 zoom 1.0x focus 50\". Lines about no camera (noise, a\n"
        "broken frame, a frame for an address not on the line) then show no state.\n"
        "In Pelco D it answers position queries on the line, when a real line at its baud\n"
        "rate would bring the answer; Pelco P has no replies. While the other end has set\n"
        "another speed on the line, what arrives is noise to the camera: it decodes nothing,\n"
        "answers nothing, and says so.\n"
        "With --listen it also serves the camera over raw TCP, as a serial device server\n"
        "would (tarnctl send --port tcp://127.0.0.1:4001): the second line printed is where\n"
        "it listens (\"listening on 127.0.0.1:4001\"). A network client's bytes come in at\n"
        "the camera's own rate, and the answers go to it and to the port's client. A second\n"
        "client while one is connected is told the port is in use and closed.\n"
        "Ctrl+C or SIGTERM ends it and removes the link. A COM<n> link to a device that is\n"
        "gone is replaced; one to a live device is refused, and so is a number one of the\n"
        "system's serial ports holds.\n"
        "Exit status: 0 on success, 1 if the port cannot be made, 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "The port name to take, COM1 to COM255 (default: the lowest free from COM9).",
                      "COM<n>"});
    parser.addOption(
        {"baud", "The camera's baud rate, set on the port (default 9600).", "B", "9600"});
    parser.addOption({"address",
                      "The camera's address, 0 to 255 (default 1), or several for a line of "
                      "cameras: N-M, or a comma-separated list such as 1,3,5-7.",
                      "LIST", "1"});
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
    parser.addOption({"listen",
                      "Serve the camera over raw TCP as well, one client at a time, on HOST "
                      "(a name, an IPv4 address or an IPv6 address in brackets; default "
                      "127.0.0.1, this machine alone: a camera that anyone on the network could "
                      "steer is opened only on purpose, e.g. 0.0.0.0:4001) and PORT (0: any "
                      "free port).",
                      "[HOST:]PORT"});
    parser.addOption({"view", "Show the camera's picture in a window; a line's cameras side by "
                              "side, each labelled."});
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
    std::vector<Byte> addresses{1};
    int baud = 9600;
    Protocol protocol = Protocol::PelcoD;
    VirtualCamera::Replies replies = VirtualCamera::Replies::Queries;
    bool view = false;
};

// The simulator on its port, its lines on stdout and, with --view, its window.
class SimSession
{
public:
    SimSession(VirtualPort &port, const SimSettings &settings)
        : m_driver(
              port, cameraSettings(settings),
              [baud = settings.baud](const Simulator::Report &report) {
                  simline::printLine(reportLine(report, baud));
              },
              [this](std::size_t camera, const CameraState &state) {
                  if (SimView *view = pictureOf(camera))
                      view->setState(state);
              })
    {
        if (!settings.view)
            return;
        const auto &cameras = m_driver.simulator().cameras();
        if (cameras.size() == 1) {
            m_view = std::make_unique<SimView>(port.name());
        } else {
            std::vector<Byte> addresses;
            for (const VirtualCamera &camera : cameras)
                addresses.push_back(camera.address());
            m_view = std::make_unique<SimLineView>(port.name(), addresses);
        }
        for (std::size_t i = 0; i < cameras.size(); ++i)
            pictureOf(i)->setState(cameras[i].state());
        placeBesideControlPanel(*m_view, m_view->size());
        m_view->show();
    }

    void finish() { m_driver.finish(); }
    SimulatorDriver &driver() { return m_driver; }

private:
    SimView *pictureOf(std::size_t camera) const
    {
        if (auto *line = dynamic_cast<SimLineView *>(m_view.get()))
            return &line->camera(camera);
        return static_cast<SimView *>(m_view.get());
    }

    static Simulator::Settings cameraSettings(const SimSettings &settings)
    {
        return {settings.addresses, settings.baud, settings.protocol, settings.replies};
    }

    static QString reportLine(const Simulator::Report &report, int cameraBaud)
    {
        const QString tail = QString::fromStdString(report.tail);
        if (report.kind == Simulator::Report::Kind::Noise)
            return simline::noiseLine(report.noise, report.noiseBaud, cameraBaud, tail);
        return simline::format(report.event, QString::fromStdString(report.note), tail);
    }

    std::unique_ptr<QWidget> m_view; // a SimView, or a SimLineView for several cameras
    SimulatorDriver m_driver;
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
    std::optional<simlisten::Address> listen;
    try {
        cli::parseOrThrow(parser, args, "sim",
                          {"port", "baud", "address", "replies", "protocol", "listen"});
        cli::refusePositionals(parser);
        if (parser.isSet("port")) {
            number = lines::comNumber(parser.value("port"));
            if (!number)
                throw cli::UsageError(QStringLiteral("invalid port '%1': expected COM1 to COM255")
                                          .arg(parser.value("port")));
        }
        settings.baud = cli::parseBaud(parser.value("baud"));
        settings.addresses = addresslist::parse(parser.value("address"), "address");
        settings.replies = parseReplies(parser.value("replies"));
        settings.protocol = cli::parseProtocol(parser.value("protocol"));
        settings.view = parser.isSet("view");
        if (parser.isSet("listen"))
            listen = simlisten::parseAddress(parser.value("listen"));
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
        VirtualPort port(ComNamespace::portsDirectory(), number, settings.baud,
                         ComNamespace::systemDevices());
        simline::printLine(port.name() + ' ' + QString::fromStdString(port.slavePath()));
        SimSession simulator(port, settings);
        std::optional<SimListener> listener;
        if (listen) {
            listener.emplace(*listen, simulator.driver());
            simline::printLine(QStringLiteral("listening on ") + listener->endpoint());
        }
        status = QCoreApplication::exec();
        simulator.finish();
    } catch (const VirtualPort::Error &error) {
        cli::printError(error.what());
        return cli::exitFailure;
    } catch (const SimListener::Error &error) {
        cli::printError(error.what());
        return cli::exitFailure;
    }
    return status;
}
