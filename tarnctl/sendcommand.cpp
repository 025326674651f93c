// tarnctl send --port PORT [--baud B] [--address N] [--gap MS] [--protocol d|p] ACTION...:
// opens the port as the panel does, sends each action's frame in order and closes it.
#include "cameraline.h"
#include "cli.h"
#include "tarnctl.h"

#include <chrono>
#include <thread>

namespace {

constexpr int maxGapMs = 60000;

void pause(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

int runSend(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Opens PORT as the panel does (baud,n,8,1, no flow control), sends the frame of\n"
        "each ACTION in order (Pelco D, or Pelco P with --protocol p) and closes the port.\n"
        "PORT is COM<n> as 'tarnctl ports' lists it, or a device path (/dev/ttyUSB0).\n\n"
        "Actions:\n" +
        cli::actionsHelp(true) + "\n" + cli::actionArgumentsHelp() +
        "\n--gap waits between every two frames; wait pauses where it stands, on top of the gap.\n"
        "The address is sent as given: many Pelco P devices expect their switch address minus\n"
        "one on the line, others do not (see the device's manual).\n\n"
        "Example: tarnctl send --port COM3 right 20 wait 2.5 stop goto 5\n"
        "Exit status: 0 when every frame went out, 1 when the port failed (the reason on\n"
        "standard error), 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"port", "The port: COM<n> or a device path.", "PORT"});
    parser.addOption({"baud", "Baud rate (default 9600).", "B", "9600"});
    parser.addOption({"address", "Camera address, 0 to 255 (default 1).", "N", "1"});
    parser.addOption({"gap", "Milliseconds to wait between frames (default 0).", "MS", "0"});
    parser.addOption({"protocol", "d for Pelco D (the default) or p for Pelco P.", "d|p", "d"});
    parser.addPositionalArgument("ACTION", "The actions, each with its arguments.",
                                 "ACTION [ACTION ...]");

    cli::PortArg target;
    std::string settings;
    BYTE address = 1;
    int gap = 0;
    Protocol protocol = Protocol::PelcoD;
    std::vector<ActionStep> steps;
    try {
        cli::parseOrThrow(parser, args, "send", {"port", "baud", "address", "gap", "protocol"});
        if (!parser.isSet("port"))
            throw cli::UsageError("no port given (use --port COM<n> or --port /dev/...)");
        target = cli::parsePort(parser.value("port"));
        settings = cli::parseBaud(parser.value("baud"));
        address = cli::parseByte(parser.value("address"), "address");
        gap = cli::parseMilliseconds(parser.value("gap"), "gap", 0, maxGapMs);
        protocol = cli::parseProtocol(parser.value("protocol"));
        if (parser.positionalArguments().isEmpty())
            throw cli::UsageError("no action given (tarnctl send --help lists the actions)");
        steps = cli::parseActions(parser.positionalArguments(), protocol, true, "send");
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }

    try {
        CameraLine line(target, settings);
        bool sentOne = false;
        for (const ActionStep &step : steps) {
            if (!step.action) {
                pause(step.pauseMs);
                continue;
            }
            if (sentOne)
                pause(gap);
            line.send(frameBytes(protocol, address, step.payload));
            sentOne = true;
        }
        line.close();
    } catch (const CommError &error) {
        cli::printError(QString::fromStdString(error.description()));
        return cli::exitFailure;
    }
    return cli::exitOk;
}
