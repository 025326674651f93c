// tarnctl frame ACTION [N] [--address N]: prints the frame an action sends.
#include "cli.h"
#include "commandframe.h"
#include "tarnctl.h"

#include <cstdio>

int runFrame(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Prints the Pelco D frame that ACTION sends, as upper-case hex byte pairs.\n"
        "ACTION is one of: " +
        cli::actionsHelp() +
        ".\nN (the preset number) and the address are decimals from 0 to 255.\n"
        "Example: tarnctl frame up  prints  FF 01 00 08 00 3F 48\n"
        "Exit status: 0 on success, 2 for a bad command line.");
    parser.addHelpOption();
    parser.addOption({"address", "Camera address, 0 to 255 (default 1).", "N", "1"});
    parser.addPositionalArgument("ACTION", "The action, and N for goto, set and clear.",
                                 "ACTION [N]");
    try {
        cli::parseOrThrow(parser, args, "frame", {"address"});
        const BYTE address = cli::parseByte(parser.value("address"), "address");
        const QStringList words = parser.positionalArguments();
        if (words.isEmpty())
            throw cli::UsageError("no action given (expected " + cli::actionsHelp() + ")");
        const auto actions = cli::parseActions(words);
        if (actions.size() != 1)
            throw cli::UsageError(QStringLiteral("unexpected argument '%1': frame takes one action")
                                      .arg(actions[1].text));
        const PtzCommand &c = actions.front().command;
        const CommandFrame frame = makeFrame(address, c.command1, c.command2, c.data1, c.data2);
        std::printf("%s\n", toHex(frame).c_str());
        return cli::exitOk;
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }
}
