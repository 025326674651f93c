// tarnctl ports: the COM namespace, one port a line ("COM3 /dev/ttyUSB0", or the URL of a
// network line: "COM7 rfc2217://gate-pi:2000"), in the order the panel's list shows them.
#include "cli.h"
#include "comnamespace.h"
#include "tarnctl.h"

#include <cstdio>

int runPorts(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Lists the serial ports as the panel's list shows them, one a line: the port's name\n"
        "COM<n>, a space, and its device path, or the URL of a network line\n"
        "(tcp://HOST:PORT, rfc2217://HOST:PORT). The ports are the system's serial ports and\n"
        "the links COM1 to COM255 in the ports directories\n  " +
        ComNamespace::portsDirectory() + " (this session's; it wins a COM<n> both hold)\n  " +
        ComNamespace::configPortsDirectory() +
        " (pins that outlast a logout).\n"
        "Prints nothing when there are none. Exit status: 0, or 2 for a bad command line.");
    parser.addHelpOption();
    try {
        cli::parseOrThrow(parser, args, "ports", {});
        if (!parser.positionalArguments().isEmpty())
            throw cli::UsageError(QStringLiteral("unexpected argument '%1': ports takes none")
                                      .arg(parser.positionalArguments().first()));
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }
    for (const ComPort &port : ComNamespace::instance().ports())
        std::printf("COM%d %s\n", port.number, qPrintable(port.device));
    return cli::exitOk;
}
