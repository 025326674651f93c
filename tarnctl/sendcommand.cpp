// tarnctl send --port PORT [--baud B] [--address N] [--gap MS] ACTION...: opens the port as the
// panel does, sends each action's frame in order and closes it.
#include "cli.h"
#include "commandframe.h"
#include "commsettings.h"
#include "portconnection.h"
#include "serialcontrol.h"
#include "tarnctl.h"

#include <QRegularExpression>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

namespace {

constexpr int maxGapMs = 60000;

std::string parseBaud(const QString &text)
{
    const std::string settings = settingsFromBaud(text.toStdString());
    try {
        parseCommSettings(settings);
    } catch (const CommError &) {
        throw cli::UsageError(
            QStringLiteral("invalid baud '%1': expected a decimal number from 1 to %2")
                .arg(text)
                .arg(maxBaudRate));
    }
    return settings;
}

int parseGap(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int gap = digits.match(text).hasMatch() ? text.toInt() : -1;
    if (gap < 0 || gap > maxGapMs)
        throw cli::UsageError(QStringLiteral("invalid gap '%1': expected milliseconds from 0 to %2")
                                  .arg(text)
                                  .arg(maxGapMs));
    return gap;
}

} // namespace

int runSend(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Opens PORT as the panel does (baud,n,8,1, no flow control), sends the Pelco D\n"
        "frame of each ACTION in order and closes the port.\n"
        "PORT is COM<n> as 'tarnctl ports' lists it, or a device path (/dev/ttyUSB0).\n"
        "ACTION is one of: " +
        cli::actionsHelp() +
        ".\nExample: tarnctl send --port COM3 up stop goto 5\n"
        "Exit status: 0 when every frame went out, 1 when the port failed (the reason on\n"
        "standard error), 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"port", "The port: COM<n> or a device path.", "PORT"});
    parser.addOption({"baud", "Baud rate (default 9600).", "B", "9600"});
    parser.addOption({"address", "Camera address, 0 to 255 (default 1).", "N", "1"});
    parser.addOption({"gap", "Milliseconds to wait between frames (default 0).", "MS", "0"});
    parser.addPositionalArgument("ACTION", "The actions, with N after goto, set and clear.",
                                 "ACTION [ACTION ...]");

    cli::PortArg target;
    std::string settings;
    BYTE address = 1;
    int gap = 0;
    std::vector<cli::Action> actions;
    try {
        cli::parseOrThrow(parser, args, "send", {"port", "baud", "address", "gap"});
        if (!parser.isSet("port"))
            throw cli::UsageError("no port given (use --port COM<n> or --port /dev/...)");
        target = cli::parsePort(parser.value("port"));
        settings = parseBaud(parser.value("baud"));
        address = cli::parseByte(parser.value("address"), "address");
        gap = parseGap(parser.value("gap"));
        if (parser.positionalArguments().isEmpty())
            throw cli::UsageError("no action given (expected " + cli::actionsHelp() + ")");
        actions = cli::parseActions(parser.positionalArguments());
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }

    try {
        std::unique_ptr<SerialControl> comm;
        if (target.device.isEmpty()) {
            comm = std::make_unique<SerialControl>();
        } else {
            const QString device = target.device;
            comm = std::make_unique<SerialControl>(
                [device](int) { return std::optional<QString>(device); });
            comm->setPortName(device);
        }
        // A device path is opened as port 1 of a namespace that knows only it.
        openConfigured(*comm, short(target.device.isEmpty() ? target.number : 1), settings);
        for (std::size_t i = 0; i < actions.size(); ++i) {
            if (i > 0 && gap > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(gap));
            const PtzCommand &c = actions[i].command;
            const CommandFrame frame = makeFrame(address, c.command1, c.command2, c.data1, c.data2);
            const auto bytes = frame.bytes();
            comm->setOutput(bytes);
        }
        comm->setPortOpen(false);
    } catch (const CommError &error) {
        cli::printError(QString::fromStdString(error.description()));
        return cli::exitFailure;
    }
    return cli::exitOk;
}
