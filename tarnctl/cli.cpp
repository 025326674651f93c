#include "cli.h"

#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace cli {

BYTE parseByte(const QString &text, const QString &what)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = digits.match(text).hasMatch();
    const int value = ok ? text.toInt(&ok) : -1;
    if (!ok || value < 0 || value > 255)
        throw UsageError(QStringLiteral("invalid %1 '%2': expected a decimal number from 0 to 255")
                             .arg(what, text));
    return static_cast<BYTE>(value);
}

std::vector<Action> parseActions(const QStringList &words)
{
    std::vector<Action> actions;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        const std::string name = word.toStdString();
        if (const auto motion = findMotionAction(name)) {
            actions.push_back({word, *motion});
        } else if (const auto preset = findPresetAction(name)) {
            if (i + 1 >= words.size())
                throw UsageError(
                    QStringLiteral("action '%1' needs a preset number from 0 to 255").arg(word));
            const QString &number = words[++i];
            actions.push_back({word + ' ' + number, (*preset)(parseByte(number, "preset number"))});
        } else {
            throw UsageError(
                QStringLiteral("unknown action '%1' (expected %2)").arg(word, actionsHelp()));
        }
    }
    return actions;
}

QString actionsHelp()
{
    QStringList names;
    for (const auto &action : motionActions())
        names << QString::fromLatin1(action.name.data(), qsizetype(action.name.size()));
    names << "goto N"
          << "set N"
          << "clear N";
    return names.join(", ");
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
                QStringLiteral("invalid number '%1': expected a decimal number from 0 to 255")
                    .arg(args[i]));
    }
    QStringList full = args;
    full.prepend("tarnctl " + command);
    if (!parser.parse(full))
        throw UsageError(parser.errorText());
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

void printError(const QString &message)
{
    std::fprintf(stderr, "tarnctl: %s\n", qPrintable(message));
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
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]{0,2})$"));
    if (const auto match = com.match(text); match.hasMatch() && match.captured(1).toInt() <= 255)
        return {match.captured(1).toInt(), {}};
    if (text.contains(QLatin1Char('/')))
        return {0, text};
    throw UsageError(
        QStringLiteral("invalid port '%1': expected COM1 to COM255 or a device path such as "
                       "/dev/ttyUSB0 (tarnctl ports lists the ports)")
            .arg(text));
}

} // namespace cli
