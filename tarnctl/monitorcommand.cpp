// tarnctl monitor --port PORT [--baud B] [--protocol d|p]: prints every frame seen on a line,
// decoded, and marked with its protocol. Without --protocol it listens for Pelco D and Pelco P
// at once: a frame is whichever framing and checksum it passes.
//
// The port is opened through the line layer, exclusively, as send opens it, and only read: the
// panel's line settings (B,n,8,1) but no flow control at all. XON/XOFF would make this end send
// XOFF characters onto a line it only listens to, and would swallow the bytes 0x11 and 0x13
// that Pelco D frames carry as data and checksums.
#include "cli.h"
#include "lineforname.h"
#include "signalwatcher.h"
#include "simline.h"
#include "tarnctl.h"

#include <QCoreApplication>
#include <QTimer>

#include <memory>
#include <optional>

using pelco::Byte;
using pelco::PelcoEvent;
using pelco::PelcoReceiver;
using pelco::Protocol;

namespace {

constexpr int quietMs = 200; // skipped bytes are shown once the line is this quiet

void report(const std::vector<PelcoEvent> &events)
{
    for (const PelcoEvent &event : events)
        simline::printLine(simline::monitorLine(event));
}

} // namespace

int runMonitor(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints every Pelco D and Pelco P frame seen on a serial line, one line each: time,\n"
        "protocol (D or P; - for bytes outside frames), bytes, meaning. Without --protocol a\n"
        "frame is whichever of the two framings and checksums it passes. Both directions of a\n"
        "line are decoded: commands, and the cameras' extended and general responses (a\n"
        "general response is known by the command just before it). Bad frames and bytes\n"
        "outside frames are shown too. The port is only read: the monitor never writes to\n"
        "the line. Ctrl+C or SIGTERM ends it.\n"
        "PORT is COM1 to COM255 (as the panel's list names them), a device path, or a serial\n"
        "port across the network: rfc2217://HOST:PORT (the rate is set on the far port) or\n"
        "tcp://HOST:PORT (raw TCP: the rate is the server's, and --baud only says so on\n"
        "standard error).\n"
        "Exit status: 0 when stopped, 1 if the port fails, 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "The port to listen on: COM<n>, a device path, tcp://HOST:PORT or "
                      "rfc2217://HOST:PORT.",
                      "PORT"});
    parser.addOption({"baud", "Baud rate (default 9600).", "B", "9600"});
    parser.addOption({"protocol",
                      "Take only this protocol's frames: d (Pelco D) or p (Pelco P). Default: "
                      "both, each frame by its own framing.",
                      "d|p"});
    cli::PortArg target;
    int baud = 9600;
    std::optional<Protocol> protocol;
    try {
        cli::parseOrThrow(parser, args, "monitor", {"port", "baud", "protocol"});
        cli::refusePositionals(parser);
        target = cli::parsePort(cli::requiredPort(parser));
        baud = cli::parseBaud(parser.value("baud"));
        if (parser.isSet("protocol"))
            protocol = cli::parseProtocol(parser.value("protocol"));
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }

    cli::noteServerRate(target, parser.isSet("baud"));
    const std::unique_ptr<lines::Line> line = lines::makeLine(target.lineName());
    lines::Line &port = *line;
    try {
        port.open(target.lineName(), baud, lines::Framing{});
    } catch (const lines::LineError &error) {
        cli::printError(error.text());
        return cli::exitFailure;
    }
    const QString device = port.device();

    PelcoReceiver receiver = protocol ? PelcoReceiver(*protocol) : PelcoReceiver::bothProtocols();
    int status = cli::exitOk;
    SignalWatcher watcher([](int) { QCoreApplication::quit(); });
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(quietMs);
    QObject::connect(&quiet, &QTimer::timeout, [&] { report(receiver.lineQuiet()); });
    // The device goes (an adapter pulled, a simulator ended): said once, however the line
    // learns of it first (its lost signal, or a read that fails), and the monitor fails.
    const auto lose = [&](const QString &why) {
        if (status == cli::exitFailure)
            return;
        cli::printError(QStringLiteral("lost %1: %2").arg(device, why));
        status = cli::exitFailure;
        QCoreApplication::quit();
    };
    QObject::connect(&port, &lines::Line::readyRead, [&] {
        try {
            const QByteArray bytes = port.read();
            report(receiver.feed(std::span(reinterpret_cast<const Byte *>(bytes.constData()),
                                           std::size_t(bytes.size()))));
            quiet.start();
        } catch (const lines::LineError &error) {
            lose(error.text());
        }
    });
    QObject::connect(&port, &lines::Line::lost, lose);
    const int loop = QCoreApplication::exec();
    report(receiver.finish());
    return status != cli::exitOk ? status : loop;
}
