// tarnctl frame [--protocol d|p] [--address N] ACTION [ARGUMENTS] ...: prints the frame each
// action sends, one a line.
#include "cli.h"
#include "hex.h"
#include "tarnctl.h"

#include <cstdio>

using pelco::Byte;
using pelco::Protocol;
using pelco::toHex;

int runFrame(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints the frame that each ACTION sends, one a line in the order given, as upper-case\n"
        "hex byte pairs: seven bytes of Pelco D, or with --protocol p eight bytes of Pelco P.\n\n"
        "Actions:\n" +
        cli::actionsHelp(false) + "\n" + cli::actionArgumentsHelp() +
        "\nThe address is a decimal from 0 to 255, sent as given: many Pelco P devices expect\n"
        "their switch address minus one on the line, others do not (see the device's manual).\n\n"
        "Examples:\n"
        "  tarnctl frame up                          FF 01 00 08 00 3F 48\n"
        "  tarnctl frame up-left 10 20               FF 01 00 0C 0A 14 2B\n"
        "  tarnctl frame --protocol p up 20 --address 0   A0 00 00 08 00 14 AF 13\n"
        "  tarnctl frame up stop goto 5              FF 01 00 08 00 3F 48\n"
        "                                            FF 01 00 00 00 00 01\n"
        "                                            FF 01 00 07 00 05 0D\n"
        "Exit status: 0 on success, 2 for a bad command line (a bad word or number, or an\n"
        "action that the protocol has no command for).");
    parser.addHelpOption();
    parser.addOption({"address", "Camera address, 0 to 255 (default 1).", "N", "1"});
    parser.addOption({"protocol", "d for Pelco D (the default) or p for Pelco P.", "d|p", "d"});
    parser.addPositionalArgument("ACTION", "The actions, each with its arguments.",
                                 "ACTION [ACTION ...]");
    try {
        cli::parseOrThrow(parser, args, "frame", {"address", "protocol"});
        const Byte address = cli::parseByte(parser.value("address"), "address");
        const Protocol protocol = cli::parseProtocol(parser.value("protocol"));
        const QStringList words = parser.positionalArguments();
        if (words.isEmpty())
            throw cli::UsageError("no action given (tarnctl frame --help lists the actions)");
        // Every action is read before any frame is printed: a bad one prints nothing.
        const auto steps = cli::parseActions(words, protocol, false, "frame");
        for (const ActionStep &step : steps) {
            const std::vector<Byte> frame = frameBytes(protocol, address, step.payload);
            std::printf("%s\n", toHex(frame.data(), frame.size()).c_str());
        }
        return cli::exitOk;
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }
}
