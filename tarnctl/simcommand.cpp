// tarnctl sim [--port COM<n>] [--baud B] [--address N] [--replies WHICH] [--protocol d|p]
// [--view]: a virtual camera on a new port. It prints the port it took, then one line per frame it
// receives with the state after, and answers on the line as a dome would.
#include "cli.h"
#include "comnamespace.h"
#include "hex.h"
#include "portname.h"
#include "simline.h"
#include "simplacement.h"
#include "simport.h"
#include "simulatordriver.h"
#include "simview.h"
#include "tarnctl.h"
#include "virtualcamera.h"

#include <QApplication>

#include <memory>

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
        "In Pelco D it answers position queries on the line, when a real line at its baud\n"
        "rate would bring the answer; Pelco P has no replies. While the other end has set\n"
        "another speed on the line, what arrives is noise to the camera: it decodes nothing,\n"
        "answers nothing, and says so.\n"
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
    Byte address = 1;
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
              [this](const CameraState &state) {
                  if (m_view)
                      m_view->setState(state);
              })
    {
        if (settings.view) {
            m_view = std::make_unique<SimView>(port.name());
            m_view->setState(m_driver.simulator().camera().state());
            placeBesideControlPanel(*m_view, m_view->size());
            m_view->show();
        }
    }

    void finish() { m_driver.finish(); }

private:
    static Simulator::Settings cameraSettings(const SimSettings &settings)
    {
        return {settings.address, settings.baud, settings.protocol, settings.replies};
    }

    static QString reportLine(const Simulator::Report &report, int cameraBaud)
    {
        const QString tail = QString::fromStdString(report.tail);
        if (report.kind == Simulator::Report::Kind::Noise)
            return simline::noiseLine(report.noise, report.noiseBaud, cameraBaud, tail);
        return simline::format(report.event, QString::fromStdString(report.note), tail);
    }

    std::unique_ptr<SimView> m_view;
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
        VirtualPort port(ComNamespace::portsDirectory(), number, settings.baud,
                         ComNamespace::systemDevices());
        simline::printLine(port.name() + ' ' + QString::fromStdString(port.slavePath()));
        SimSession simulator(port, settings);
        status = QCoreApplication::exec();
        simulator.finish();
    } catch (const VirtualPort::Error &error) {
        cli::printError(error.what());
        return cli::exitFailure;
    }
    return status;
}
