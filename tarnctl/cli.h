// Shared pieces of tarnctl's commands: strict argument reading and the exit statuses.
#pragma once

#include "commands.h"
#include "protocol.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

inline constexpr int exitOk = 0;
inline constexpr int exitFailure = 1; // the line or the port failed
inline constexpr int exitUsage = 2;   // the command line is wrong

// A bad command line: the message names the bad value; the command exits with exitUsage.
class UsageError : public std::runtime_error
{
public:
    explicit UsageError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// A decimal from 0 to 255, nothing else (no sign, no blanks, no hex).
BYTE parseByte(const QString &text, const QString &what);

struct Action
{
    QString text; // as given: "up", "goto 5"
    PtzCommand command;
};

// --protocol: "d" (Pelco D) or "p" (Pelco P).
Protocol parseProtocol(const QString &text);

// A PORT argument: COM1 to COM255 (the names the panel's list shows), or a device path, which
// is anything with a '/' in it.
struct PortArg
{
    int number = 0; // n of COM<n>; 0 for a device path
    QString device; // the device path; empty for COM<n>, which the ports namespace resolves
};
PortArg parsePort(const QString &text);

// ACTION [N] ACTION [N] ...: motion names, or goto/set/clear followed by a preset number.
std::vector<Action> parseActions(const QStringList &words);

// One line for --help that lists the actions.
QString actionsHelp();

// Parses args (those after the command's name) into parser, turning Qt's own errors and
// arguments that look like negative numbers into UsageError; prints --help and exits 0.
// valueOptions names the options that take a value ("address", "port").
void parseOrThrow(QCommandLineParser &parser, const QStringList &args, const QString &command,
                  const QStringList &valueOptions);

// Prints "tarnctl: message" on stderr.
void printError(const QString &message);

} // namespace cli
