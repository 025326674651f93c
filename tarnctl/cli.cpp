#include "cli.h"

#include "baudrates.h"
#include "line.h"
#include "lineforname.h"
#include "networkaddress.h"
#include "portname.h"

#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

using pelco::Byte;
using pelco::Protocol;
using pelco::protocolFromName;

namespace cli {

Byte parseByte(const QString &text, const QString &what)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = digits.match(text).hasMatch();
    const int value = ok ? text.toInt(&ok) : -1;
    if (!ok || value < 0 || value > 255)
        throw UsageError(QStringLiteral("invalid %1 '%2': expected a decimal number from 0 to 255")
                             .arg(what, text));
    return static_cast<Byte>(value);
}

std::vector<ActionStep> parseActions(const QStringList &words, Protocol protocol, bool allowPause,
                                     const QString &command)
{
    std::vector<std::string> list;
    for (const QString &word : words)
        list.push_back(word.toStdString());
    try {
        return parseActionWords(list, protocol, allowPause);
    } catch (const ActionWordError &error) {
        QString message = QString::fromStdString(error.what());
        if (error.kind() == ActionWordError::Kind::UnknownAction)
            message += QStringLiteral(" (tarnctl %1 --help lists the actions)").arg(command);
        throw UsageError(message);
    }
}

QString actionsHelp(bool allowPause)
{
    return QString::fromStdString(actionListHelp(allowPause));
}

QString actionArgumentsHelp()
{
    return "TILT and PAN are speeds from 0 to 63 (63 when left out); PAN may also be turbo, the\n"
           "fastest (0xFF in Pelco D, 0x40 in Pelco P). A diagonal given one number takes it for\n"
           "both speeds; given turbo alone, it tilts at 63. N is a preset number from 0 to 255\n"
           "for goto, set and clear, an auxiliary output from 1 to 8 for aux-on and aux-off,\n"
           "and a lens speed from 0 to 3 for zoom-speed and focus-speed. DEGREES go out in\n"
           "hundredths; tilt-to and zoom-to take the camera's raw value. Numbers are plain\n"
           "decimals.";
}

namespace {

// The option as it was typed ("--bogus", "-x", "--bogus=1" gives "--bogus"), for a name that
// Qt's parser reports without its dashes.
QString typedOption(const QStringList &args, const QString &name)
{
    for (const QString &arg : args) {
        if (!arg.startsWith('-'))
            continue;
        const QString typed = arg.section('=', 0, 0);
        qsizetype dashes = 0;
        while (dashes < typed.size() && typed[dashes] == '-')
            ++dashes;
        if (typed.mid(dashes) == name)
            return typed;
    }
    return "--" + name;
}

} // namespace

QString parserErrorText(const QCommandLineParser &parser, const QStringList &args,
                        const QString &command)
{
    const QString see = QStringLiteral(" (see tarnctl %1 --help)").arg(command);
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("unknown option '%1'").arg(typedOption(args, unknown.first())) + see;
    // Qt's other texts ("Missing value after '--port'.") in our form: lower case, no full stop.
    QString text = parser.errorText().trimmed();
    if (text.endsWith('.'))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text + see;
}

void parseOrThrow(QCommandLineParser &parser, const QStringList &args, const QString &command,
                  const QStringList &valueOptions)
{
    // Option values are the parser's; a bare "-5" anywhere else is a bad number, not an unknown
    // option, and is reported as such.
    static const QRegularExpression negative(QStringLiteral("^-[0-9]"));
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (!negative.match(args[i]).hasMatch())
            continue;
        const bool isOptionValue =
            i > 0 && valueOptions.contains(args[i - 1].mid(2)) && args[i - 1].startsWith("--");
        if (!isOptionValue)
            throw UsageError(
                QStringLiteral("invalid number '%1': no argument takes a negative number")
                    .arg(args[i]));
    }
    QStringList full = args;
    full.prepend("tarnctl " + command);
    if (!parser.parse(full))
        throw UsageError(parserErrorText(parser, args, command));
    if (parser.isSet("help") || parser.isSet("help-all")) {
        // Name the command, not the path the program was started by.
        QString help = parser.helpText();
        const QString usage = QStringLiteral("Usage: ");
        const qsizetype end = help.indexOf(' ', usage.size());
        if (help.startsWith(usage) && end > 0)
            help.replace(usage.size(), end - usage.size(), "tarnctl " + command);
        std::fputs(qPrintable(help), stdout);
        std::exit(exitOk);
    }
}

void refusePositionals(const QCommandLineParser &parser)
{
    if (!parser.positionalArguments().isEmpty())
        throw UsageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0]));
}

QString requiredPort(const QCommandLineParser &parser)
{
    if (!parser.isSet("port"))
        throw UsageError("no port given (use --port COM<n> or --port /dev/...)");
    return parser.value("port");
}

void printError(const QString &message)
{
    std::fprintf(stderr, "tarnctl: %s\n", qPrintable(message));
}

int parseBaud(const QString &text)
{
    if (const auto rate = lines::parseBaudRate(text))
        return *rate;
    throw UsageError(lines::badBaudRateText(text));
}

int parseMilliseconds(const QString &text, const QString &what, int min, int max)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    const int value = digits.match(text).hasMatch() ? text.toInt() : -1;
    if (value < min || value > max)
        throw UsageError(QStringLiteral("invalid %1 '%2': expected milliseconds from %3 to %4")
                             .arg(what, text)
                             .arg(min)
                             .arg(max));
    return value;
}

Protocol parseProtocol(const QString &text)
{
    if (const auto protocol = protocolFromName(text.toStdString()))
        return *protocol;
    throw UsageError(
        QStringLiteral("invalid protocol '%1': expected d (Pelco D) or p (Pelco P)").arg(text));
}

PortArg parsePort(const QString &text)
{
    if (const auto number = lines::comNumber(text))
        return {*number, {}};
    if (lines::isNetworkPortName(text)) {
        try {
            return {0, lines::parseNetworkAddress(text).url()};
        } catch (const lines::LineError &error) {
            throw UsageError(error.text());
        }
    }
    if (text.contains(QLatin1Char('/')))
        return {0, text};
    throw UsageError(
        QStringLiteral("invalid port '%1': expected COM1 to COM255, a device path such as "
                       "/dev/ttyUSB0, tcp://HOST:PORT or rfc2217://HOST:PORT (tarnctl ports lists "
                       "the local ports)")
            .arg(text));
}

bool PortArg::isRawTcp() const
{
    return !lines::rateNotice(device).isEmpty();
}

void noteServerRate(const PortArg &target, bool rateGiven)
{
    if (rateGiven && target.isRawTcp())
        printError(lines::rateNotice(target.device));
}

QString PortArg::lineName() const
{
    return device.isEmpty() ? lines::comName(number) : device;
}

} // namespace cli
