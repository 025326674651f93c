// tarnctl send --port PORT [--baud B] [--address N] [--gap MS] [--timeout MS] [--protocol d|p]
// ACTION...: opens the port as the panel does, sends each action's frame in order, prints the
// answers to queries, and closes it.
#include "cameraline.h"
#include "cli.h"
#include "interruption.h"
#include "motionguard.h"
#include "tarnctl.h"

#include "reply.h"

#include <algorithm>
#include <cstdio>
#include <optional>

using pelco::Byte;
using pelco::degreesText;
using pelco::PelcoReply;
using pelco::Protocol;

namespace {

constexpr int maxGapMs = 60000;
constexpr int maxTimeoutMs = 60000;

// "pan 90.00°", "tilt 12345", "zoom 40000".
std::string answerText(const PelcoReply &reply)
{
    switch (reply.kind) {
    case PelcoReply::Kind::PanPosition:
        return "pan " + degreesText(reply.value);
    case PelcoReply::Kind::TiltPosition:
        return "tilt " + std::to_string(reply.value);
    case PelcoReply::Kind::ZoomPosition:
        return "zoom " + std::to_string(reply.value);
    case PelcoReply::Kind::General:
        break;
    }
    return {};
}

// Waits for the answer to a query just sent and prints it; false, with the reason on standard
// error, when none came.
bool printAnswer(CameraLine &line, const ActionStep &step, Byte address, PelcoReply::Kind kind,
                 int timeoutMs, Interruption &interruption)
{
    std::optional<PelcoReply> answer;
    line.listen(
        timeoutMs,
        [&](const PelcoReply &reply) {
            if (reply.kind != kind || reply.address != address)
                return false;
            answer = reply;
            return true;
        },
        &interruption);
    if (answer) {
        std::printf("%s\n", answerText(*answer).c_str());
        std::fflush(stdout);
        return true;
    }
    // Cut short by a signal: not the camera's fault.
    if (interruption.signal() != 0)
        return true;
    QString message = QStringLiteral("no answer to %1 from address %2 within %3 ms")
                          .arg(QString::fromStdString(step.text))
                          .arg(address)
                          .arg(timeoutMs);
    if (const std::size_t stray = line.strayBytes())
        message += QStringLiteral(" (%1 other bytes came in, none of them the answer)").arg(stray);
    else
        message += " (is the camera's reply pair wired, and are its address and baud right?)";
    cli::printError(message);
    return false;
}

// Sends the steps in order, telling guard of every frame that went out. Ends early, with
// interruption.signal() set, when a signal comes. False when a query had no answer (the frames
// after it are still sent). Raises lines::LineError when the line fails.
bool sendSteps(CameraLine &line, const std::vector<ActionStep> &steps, Protocol protocol,
               Byte address, int gap, int timeout, MotionGuard &guard, Interruption &interruption)
{
    bool answered = true;
    bool sentOne = false;
    for (const ActionStep &step : steps) {
        if (!step.action) {
            if (!interruption.sleep(step.pauseMs))
                return answered;
            continue;
        }
        if (!interruption.sleep(sentOne ? gap : 0))
            return answered;
        const std::vector<Byte> frame = frameBytes(protocol, address, step.payload);
        // The answer a query asks for; queries exist only where the dialect has them.
        const std::optional<PelcoReply::Kind> answer = answerTo(step.command);
        if (answer)
            line.discardInput();
        line.send(frame);
        guard.sent(frame);
        sentOne = true;
        if (answer && !printAnswer(line, step, address, *answer, timeout, interruption))
            answered = false;
    }
    return answered;
}

// The sequence ended early while the camera moved by a frame it sent: one stop frame, and a
// line on standard error that says so. signal is the one that ended it, 0 for a failure.
void sendStop(CameraLine &line, const MotionGuard &guard, int signal)
{
    const QString cause =
        signal != 0 ? QStringLiteral("interrupted by %1: ").arg(Interruption::signalName(signal))
                    : QString();
    try {
        line.send(guard.stopFrame());
        cli::printError(QStringLiteral("%1sent stop to address %2, which was moving")
                            .arg(cause)
                            .arg(guard.address()));
    } catch (const lines::LineError &error) {
        cli::printError(QStringLiteral("%1could not send stop to address %2, which may still be "
                                       "moving: %3")
                            .arg(cause)
                            .arg(guard.address())
                            .arg(error.text()));
    }
}

} // namespace

int runSend(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Opens PORT as the panel does (baud,n,8,1, no flow control), sends the frame of\n"
        "each ACTION in order (Pelco D, or Pelco P with --protocol p) and closes the port.\n"
        "After a query it waits for the camera's answer and prints it: \"pan 90.00°\",\n"
        "\"tilt 12345\" or \"zoom 40000\", one a line.\n"
        "PORT is COM<n> as 'tarnctl ports' lists it, a device path (/dev/ttyUSB0), or a\n"
        "serial port across the network: rfc2217://HOST:PORT (the rate is set on the far\n"
        "port) or tcp://HOST:PORT (raw TCP: the rate is the server's, and --baud only says\n"
        "so on standard error). HOST is a name, an IPv4 address or an IPv6 address in\n"
        "brackets.\n\n"
        "Actions:\n" +
        cli::actionsHelp(true) + "\n" + cli::actionArgumentsHelp() +
        "\n--gap waits between every two frames; wait pauses where it stands, on top of the gap.\n"
        "The address is sent as given: many Pelco P devices expect their switch address minus\n"
        "one on the line, others do not (see the device's manual).\n\n"
        "Examples: tarnctl send --port COM3 right 20 wait 2.5 stop goto 5\n"
        "          tarnctl send --port COM3 pan-to 90 wait 3 query-pan\n"
        "When Ctrl+C, SIGTERM or SIGHUP ends it before its last action, or the port fails\n"
        "part-way, while the camera moves by a frame it sent (pan, tilt, zoom, focus, iris or\n"
        "auto scan, not stopped since), it sends the stop frame to the address once and says\n"
        "so on standard error. A second Ctrl+C does not prevent that stop.\n\n"
        "Exit status: 0 when every frame went out (and every query was answered), 1 when the\n"
        "port failed or a query had no answer (the reason on standard error; the frames after\n"
        "it are still sent), 2 for a bad command line, 130, 143 or 129 when SIGINT, SIGTERM or\n"
        "SIGHUP ended it.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "The port: COM<n>, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT.",
                      "PORT"});
    parser.addOption({"baud", "Baud rate (default 9600).", "B", "9600"});
    parser.addOption({"address", "Camera address, 0 to 255 (default 1).", "N", "1"});
    parser.addOption({"gap", "Milliseconds to wait between frames (default 0).", "MS", "0"});
    parser.addOption({"timeout",
                      "Milliseconds to wait for the answer to a query, 1 to 60000 (default 300).",
                      "MS", "300"});
    parser.addOption({"protocol", "d for Pelco D (the default) or p for Pelco P.", "d|p", "d"});
    parser.addPositionalArgument("ACTION", "The actions, each with its arguments.",
                                 "ACTION [ACTION ...]");

    cli::PortArg target;
    int baud = 9600;
    Byte address = 1;
    int gap = 0;
    int timeout = 300;
    Protocol protocol = Protocol::PelcoD;
    std::vector<ActionStep> steps;
    try {
        cli::parseOrThrow(parser, args, "send",
                          {"port", "baud", "address", "gap", "timeout", "protocol"});
        target = cli::parsePort(cli::requiredPort(parser));
        baud = cli::parseBaud(parser.value("baud"));
        address = cli::parseByte(parser.value("address"), "address");
        gap = cli::parseMilliseconds(parser.value("gap"), "gap", 0, maxGapMs);
        timeout = cli::parseMilliseconds(parser.value("timeout"), "timeout", 1, maxTimeoutMs);
        protocol = cli::parseProtocol(parser.value("protocol"));
        if (parser.positionalArguments().isEmpty())
            throw cli::UsageError("no action given (tarnctl send --help lists the actions)");
        steps = cli::parseActions(parser.positionalArguments(), protocol, true, "send");
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }

    // Opens the line only after the signals are watched, so that one that comes while it opens
    // still ends the command through its cleanup.
    Interruption interruption;
    cli::noteServerRate(target, parser.isSet("baud"));
    std::optional<CameraLine> line;
    try {
        line.emplace(target, baud);
    } catch (const lines::LineError &error) {
        cli::printError(error.text());
        return cli::exitFailure;
    }

    MotionGuard guard(protocol, address);
    int status = cli::exitOk;
    bool failed = false;
    try {
        if (!sendSteps(*line, steps, protocol, address, gap, timeout, guard, interruption))
            status = cli::exitFailure;
    } catch (const lines::LineError &error) {
        cli::printError(error.text());
        status = cli::exitFailure;
        failed = true;
    }
    const int signal = interruption.signal();
    if ((failed || signal != 0) && guard.moving())
        sendStop(*line, guard, signal);
    try {
        line->close();
    } catch (const lines::LineError &error) {
        // The failure that ended the sequence has been told already.
        if (!failed) {
            cli::printError(error.text());
            status = cli::exitFailure;
        }
    }
    return signal != 0 ? 128 + signal : status;
}
