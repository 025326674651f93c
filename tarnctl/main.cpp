// tarnctl: frames, ports, sending and a virtual camera, for operators and integrators.
#include "cli.h"
#include "tarnctl.h"
#include "versioninfo.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

struct Command
{
    const char *name;
    int (*run)(const QStringList &);
    const char *summary;
};

constexpr Command kCommands[] = {
    {"frame", runFrame, "print the frame an action sends"},
    {"ports", runPorts, "list the serial ports, as the panel's list shows them"},
    {"send", runSend, "send actions' frames to a port"},
    {"probe", runProbe, "find the cameras on a line: their addresses and baud rates"},
    {"sim", runSim, "run a virtual camera on a new port"},
    {"monitor", runMonitor, "print every frame seen on a port"},
    {"joystick", runJoystick, "drive cameras with a game controller, or replay a recording"},
};

void printUsage(std::FILE *to)
{
    std::fputs("Usage: tarnctl COMMAND [options] [arguments]\n\nCommands:\n", to);
    for (const Command &command : kCommands)
        std::fprintf(to, "  %-8s %s\n", command.name, command.summary);
    std::fputs("\nOptions:\n"
               "  -h, --help  print this list and exit\n"
               "  --version   print the version and exit\n"
               "\nRun 'tarnctl COMMAND --help' for a command's options.\n",
               to);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty()) {
        printUsage(stderr);
        return cli::exitUsage;
    }
    const QString name = args.takeFirst();
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(stdout);
        return cli::exitOk;
    }
    if (name == "--version") {
        std::printf("tarnctl %s\n", qPrintable(applicationVersionText()));
        return cli::exitOk;
    }

    // Qt's own options are not ours to take: hand Qt only the program name.
    int qtArgc = 1;
    std::unique_ptr<QCoreApplication> app;
    if (name == "sim" && simNeedsGui(args))
        app = std::make_unique<QApplication>(qtArgc, argv);
    else
        app = std::make_unique<QCoreApplication>(qtArgc, argv);
    QCoreApplication::setApplicationName("tarnctl");
    QCoreApplication::setApplicationVersion(applicationVersionText());

    for (const Command &command : kCommands)
        if (name == command.name)
            return command.run(args);
    QStringList names;
    for (const Command &command : kCommands)
        names << command.name;
    cli::printError(QStringLiteral("unknown command '%1' (expected one of %2; see tarnctl --help)")
                        .arg(name, names.join(", ")));
    return cli::exitUsage;
}
