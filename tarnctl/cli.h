// Shared pieces of tarnctl's commands: strict argument reading and the exit statuses.
#pragma once

#include "actionwords.h"
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
pelco::Byte parseByte(const QString &text, const QString &what);

// A baud rate from 1 to 4000000, as the line layer reads it.
int parseBaud(const QString &text);

// A number of milliseconds from min to max, for --gap and --timeout; what names the option.
int parseMilliseconds(const QString &text, const QString &what, int min, int max);

// --protocol: "d" (Pelco D) or "p" (Pelco P).
pelco::Protocol parseProtocol(const QString &text);

// A PORT argument: COM1 to COM255 in any case (the names the panel's list shows), a network
// line (tcp://HOST:PORT or rfc2217://HOST:PORT, as the line layer reads them; a malformed one is
// a UsageError with the line layer's text), or a device path, which is anything else with a '/'
// in it.
struct PortArg
{
    int number = 0; // n of COM<n>; 0 for a device path or a network line
    // The device path or the network line's URL; empty for COM<n>, which the ports namespace
    // resolves.
    QString device;
    // The name a line opens: "COM9" (as the list writes it), the device path or the URL.
    QString lineName() const;
    // A raw TCP line, whose rate is the server's.
    bool isRawTcp() const;
};
PortArg parsePort(const QString &text);

// Over a raw TCP line, when the operator gave a rate (rateGiven): says once on standard error
// that the rate is the server's; the command goes on.
void noteServerRate(const PortArg &target, bool rateGiven);

// ACTION [ARGUMENTS] ACTION [ARGUMENTS] ...: the steps, read for the protocol; "wait SECONDS"
// only with allowPause. command names the tarnctl command whose --help lists the actions.
std::vector<ActionStep> parseActions(const QStringList &words, pelco::Protocol protocol,
                                     bool allowPause, const QString &command);

// The actions for --help, one a line with their arguments.
QString actionsHelp(bool allowPause);

// What the arguments of the actions take, for --help.
QString actionArgumentsHelp();

// What a command line Qt's parser refused gets said as: "unknown option '--bogus' (see tarnctl
// send --help)", in the words and form of our own usage errors.
QString parserErrorText(const QCommandLineParser &parser, const QStringList &args,
                        const QString &command);

// Parses args (those after the command's name) into parser, turning Qt's own errors and
// arguments that look like negative numbers into UsageError; prints --help and exits 0.
// valueOptions names the options that take a value ("address", "port").
void parseOrThrow(QCommandLineParser &parser, const QStringList &args, const QString &command,
                  const QStringList &valueOptions);

// For commands that take no positional arguments: a UsageError naming the first one given.
void refusePositionals(const QCommandLineParser &parser);

// The --port option's value; a UsageError when it was not given.
QString requiredPort(const QCommandLineParser &parser);

// Prints "tarnctl: message" on stderr.
void printError(const QString &message);

} // namespace cli
