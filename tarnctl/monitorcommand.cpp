// tarnctl monitor --port PORT [--baud B] [--protocol d|p]: prints every frame seen on a line,
// decoded, and marked with its protocol. Without --protocol it listens for Pelco D and Pelco P
// at once: a frame is whichever framing and checksum it passes.
//
// The port is opened for reading only, through Qt Serial Port directly: the panel's line
// settings (B,n,8,1) but no flow control at all. XON/XOFF would make this end send XOFF
// characters onto a line it only listens to, and would swallow the bytes 0x11 and 0x13 that
// Pelco D frames carry as data and checksums.
#include "cli.h"
#include "comnamespace.h"
#include "simline.h"
#include "tarnctl.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

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

// A COM<n> name through the namespace, or a device path as it is.
QString devicePath(const QString &text)
{
    const cli::PortArg port = cli::parsePort(text);
    if (!port.device.isEmpty())
        return port.device;
    const auto found = ComNamespace::instance().find(port.number);
    if (!found)
        throw std::runtime_error(qPrintable(QStringLiteral("there is no port %1").arg(text)));
    return found->device;
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
        "PORT is COM1 to COM255 (as the panel's list names them) or a device path.\n"
        "Exit status: 0 when stopped, 1 if the port fails, 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"port", "The port to listen on.", "PORT"});
    parser.addOption({"baud", "Baud rate (default 9600).", "B", "9600"});
    parser.addOption({"protocol",
                      "Take only this protocol's frames: d (Pelco D) or p (Pelco P). Default: "
                      "both, each frame by its own framing.",
                      "d|p"});
    QString device;
    int baud = 9600;
    std::optional<Protocol> protocol;
    try {
        cli::parseOrThrow(parser, args, "monitor", {"port", "baud", "protocol"});
        cli::refusePositionals(parser);
        const QString port = cli::requiredPort(parser);
        baud = simline::parseBaud(parser.value("baud"));
        if (parser.isSet("protocol"))
            protocol = cli::parseProtocol(parser.value("protocol"));
        device = devicePath(port);
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    } catch (const std::runtime_error &error) {
        cli::printError(error.what());
        return cli::exitFailure;
    }

    QSerialPort port;
    port.setPortName(QFileInfo(device).absoluteFilePath());
    if (!port.open(QIODevice::ReadOnly)) {
        cli::printError(QStringLiteral("cannot open %1: %2").arg(device, port.errorString()));
        return cli::exitFailure;
    }
    if (!port.setBaudRate(baud) || !port.setDataBits(QSerialPort::Data8) ||
        !port.setParity(QSerialPort::NoParity) || !port.setStopBits(QSerialPort::OneStop) ||
        !port.setFlowControl(QSerialPort::NoFlowControl)) {
        cli::printError(QStringLiteral("cannot set up %1: %2").arg(device, port.errorString()));
        return cli::exitFailure;
    }

    PelcoReceiver receiver = protocol ? PelcoReceiver(*protocol) : PelcoReceiver::bothProtocols();
    int status = cli::exitOk;
    SignalWatcher watcher([](int) { QCoreApplication::quit(); });
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(quietMs);
    QObject::connect(&quiet, &QTimer::timeout, [&] { report(receiver.lineQuiet()); });
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        const QByteArray bytes = port.readAll();
        report(receiver.feed(std::span(reinterpret_cast<const Byte *>(bytes.constData()),
                                       std::size_t(bytes.size()))));
        quiet.start();
    });
    QObject::connect(&port, &QSerialPort::errorOccurred, [&](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
            return;
        // Reading fails when the device goes (an adapter pulled, a simulator ended).
        cli::printError(QStringLiteral("lost %1: %2").arg(device, port.errorString()));
        status = cli::exitFailure;
        QCoreApplication::quit();
    });
    const int loop = QCoreApplication::exec();
    report(receiver.finish());
    return status != cli::exitOk ? status : loop;
}
