#include "actionwords.h"

#include <algorithm>
#include <optional>

namespace {

using Kind = ActionWordError::Kind;
using AutoMode = pelco::PelcoCommand::AutoMode;

[[noreturn]] void fail(Kind kind, const std::string &message)
{
    throw ActionWordError(kind, message);
}

std::string quoted(const std::string &word)
{
    return "'" + word + "'";
}

bool allDigits(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal with at most `decimals` digits after the point, as an integer count of
// 10^-decimals units: "90.5" with 2 decimals is 9050.
std::optional<long long> readFixed(std::string_view text, int decimals, long long max)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    if ((!whole.empty() && !allDigits(whole)) ||
        (point != std::string_view::npos && !allDigits(fraction)) ||
        fraction.size() > std::size_t(decimals))
        return std::nullopt;
    long long value = 0;
    for (char c : whole) {
        value = value * 10 + (c - '0');
        if (value > max)
            return std::nullopt;
    }
    for (int i = 0; i < decimals; ++i)
        value =
            value * 10 + (std::size_t(i) < fraction.size() ? fraction[std::size_t(i)] - '0' : 0);
    if (value > max)
        return std::nullopt;
    return value;
}

// A plain decimal (leading zeros allowed) no greater than max.
std::optional<int> readInteger(std::string_view text, int max)
{
    if (const auto value = readFixed(text, 0, max))
        return int(*value);
    return std::nullopt;
}

constexpr std::string_view turbo = "turbo";

// A word an optional speed takes: turbo, or one that looks like a number (a digit, a sign or a
// point first), so that a bad number is told as a bad speed.
bool maybeSpeed(const std::string &word)
{
    return word == turbo || (!word.empty() && ((word[0] >= '0' && word[0] <= '9') ||
                                               word[0] == '+' || word[0] == '-' || word[0] == '.'));
}

int readSpeed(const std::string &word, const char *what)
{
    if (const auto value = readInteger(word, maxSpeed))
        return *value;
    std::string message = "invalid " + std::string(what) + " speed " + quoted(word) +
                          ": expected a decimal number from 0 to 63";
    if (std::string_view(what) == "pan")
        message += ", or turbo";
    else if (word == turbo)
        message += " (turbo is for pan speeds only)";
    fail(Kind::BadArgument, message);
}

// Reads PAN (a number or turbo) into arguments.
void readPan(const std::string &word, ActionArguments &arguments)
{
    if (word == turbo)
        arguments.panTurbo = true;
    else
        arguments.pan = readSpeed(word, "pan");
}

struct Required
{
    const char *what;     // "preset number"
    const char *expected; // what a bad value is told: "a decimal number from 0 to 255"
    const char *needs;    // what a missing one is told: "a preset number from 0 to 255"
};

Required requiredArgument(ActionArgs args)
{
    switch (args) {
    case ActionArgs::Preset:
        return {"preset number", "a decimal number from 0 to 255", "a preset number from 0 to 255"};
    case ActionArgs::Aux:
        return {"auxiliary number", "a decimal number from 1 to 8",
                "an auxiliary number from 1 to 8"};
    case ActionArgs::LensSpeed:
        return {"lens speed", "a decimal number from 0 to 3", "a lens speed from 0 to 3"};
    case ActionArgs::Mode:
        return {"mode", "on, off or auto", "on, off or auto"};
    case ActionArgs::Degrees:
        return {"degrees", "a decimal number from 0 to 359.99, at most two decimals",
                "degrees from 0 to 359.99"};
    case ActionArgs::Raw:
        return {"position", "a decimal number from 0 to 65535", "a position from 0 to 65535"};
    default:
        return {"", "", ""};
    }
}

// The required argument's value, or a message naming the word.
int readRequired(ActionArgs args, const std::string &word)
{
    std::optional<long long> value;
    switch (args) {
    case ActionArgs::Preset:
        value = readInteger(word, 255);
        break;
    case ActionArgs::Aux:
        value = readInteger(word, maxAux);
        if (value == 0)
            value.reset();
        break;
    case ActionArgs::LensSpeed:
        value = readInteger(word, maxLensSpeed);
        break;
    case ActionArgs::Mode:
        if (word == "auto")
            value = int(AutoMode::Auto);
        else if (word == "on")
            value = int(AutoMode::On);
        else if (word == "off")
            value = int(AutoMode::Off);
        break;
    case ActionArgs::Degrees:
        value = readFixed(word, 2, maxHundredths);
        break;
    case ActionArgs::Raw:
        value = readInteger(word, maxRawPosition);
        break;
    default:
        break;
    }
    if (!value) {
        const Required r = requiredArgument(args);
        fail(Kind::BadArgument,
             "invalid " + std::string(r.what) + " " + quoted(word) + ": expected " + r.expected);
    }
    return int(*value);
}

constexpr std::string_view pauseName = "wait";

} // namespace

std::vector<ActionStep> parseActionWords(std::span<const std::string> words,
                                         pelco::Protocol protocol, bool allowPause)
{
    std::vector<ActionStep> steps;
    std::size_t i = 0;
    const auto next = [&]() -> const std::string * {
        return i < words.size() ? &words[i++] : nullptr;
    };
    // The next word, if it may be an optional speed.
    const auto nextSpeed = [&]() -> const std::string * {
        if (i < words.size() && maybeSpeed(words[i]))
            return &words[i++];
        return nullptr;
    };

    while (const std::string *word = next()) {
        ActionStep step;
        step.text = *word;
        if (*word == pauseName) {
            if (!allowPause)
                fail(Kind::NotHere, "action 'wait' is only for send, as a pause between frames");
            const std::string *seconds = next();
            if (!seconds)
                fail(Kind::MissingArgument, "action 'wait' needs seconds from 0 to 3600");
            const auto ms = readFixed(*seconds, 3, maxPauseSeconds * 1000LL);
            if (!ms)
                fail(Kind::BadArgument, "invalid seconds " + quoted(*seconds) +
                                            ": expected a decimal number from 0 to 3600, to "
                                            "the millisecond at most");
            step.text += ' ' + *seconds;
            step.pauseMs = int(*ms);
            steps.push_back(std::move(step));
            continue;
        }

        const ActionSpec *action = findAction(*word);
        if (!action) {
            if (!steps.empty() && maybeSpeed(*word))
                fail(Kind::Unexpected, "unexpected argument " + quoted(*word) + " after " +
                                           quoted(steps.back().text));
            fail(Kind::UnknownAction, "unknown action " + quoted(*word));
        }
        if (!actionInProtocol(*action, protocol))
            fail(Kind::NotInProtocol, quoted(*word) + ": " +
                                          std::string(pelco::protocolName(protocol)) +
                                          " has no such command (it is Pelco D only)");
        step.action = action;

        ActionArguments &arguments = step.arguments;
        switch (action->args) {
        case ActionArgs::None:
            break;
        case ActionArgs::Tilt:
            if (const std::string *tilt = nextSpeed()) {
                arguments.tilt = readSpeed(*tilt, "tilt");
                step.text += ' ' + *tilt;
            }
            break;
        case ActionArgs::Pan:
            if (const std::string *pan = nextSpeed()) {
                readPan(*pan, arguments);
                step.text += ' ' + *pan;
            }
            break;
        case ActionArgs::PanTilt:
            if (const std::string *pan = nextSpeed()) {
                readPan(*pan, arguments);
                step.text += ' ' + *pan;
                if (const std::string *tilt = nextSpeed()) {
                    arguments.tilt = readSpeed(*tilt, "tilt");
                    step.text += ' ' + *tilt;
                } else if (!arguments.panTurbo) {
                    arguments.tilt = arguments.pan;
                }
            }
            break;
        default: {
            const std::string *argument = next();
            if (!argument)
                fail(Kind::MissingArgument,
                     "action " + quoted(*word) + " needs " + requiredArgument(action->args).needs);
            arguments.value = readRequired(action->args, *argument);
            step.text += ' ' + *argument;
            break;
        }
        }
        step.command = actionCommand(*action, arguments, protocol);
        step.payload = *pelco::encode(step.command, protocol);
        steps.push_back(std::move(step));
    }
    return steps;
}

std::string actionListHelp(bool allowPause)
{
    std::size_t width = pauseName.size() + 8;
    for (const ActionSpec &action : actionTable())
        width = std::max(width, action.usage.size());
    std::string out;
    const auto line = [&](std::string_view usage, std::string_view help, bool dOnly) {
        out += "  ";
        out += usage;
        out.append(width + 2 - usage.size(), ' ');
        out += help;
        if (dOnly)
            out += " (Pelco D only)";
        out += '\n';
    };
    for (const ActionSpec &action : actionTable())
        line(action.usage, action.help, !actionInProtocol(action, pelco::Protocol::PelcoP));
    if (allowPause)
        line("wait SECONDS", "pause between two frames, 0 to 3600 seconds (2.5 is allowed)", false);
    return out;
}
