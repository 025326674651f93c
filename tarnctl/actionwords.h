// Reading a list of actions from command-line words: "right 20 wait 2.5 stop goto 5".
//
// An action's name is followed by its arguments. Required ones (a preset number, degrees...)
// take the next word whatever it is. Optional speeds take the next word only when it looks
// like a number (it starts with a digit, a sign or a point) or is "turbo", so "up stop" is two
// actions and "up 64" is a bad speed, not an unknown action. The values are checked here, and
// so is that the protocol has the command.
#pragma once

#include "actiontable.h"

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// One step of the list: a frame to send, or a pause ("wait SECONDS", where allowed).
struct ActionStep
{
    std::string text;                   // as given: "up 20", "goto 5", "wait 2.5"
    const ActionSpec *action = nullptr; // nullptr for a pause
    ActionArguments arguments;
    pelco::PelcoCommand command; // what the action means, arguments included
    ActionPayload payload{};     // in the protocol the list was read for
    int pauseMs = 0;             // a pause's length
};

inline constexpr int maxPauseSeconds = 3600;

class ActionWordError : public std::runtime_error
{
public:
    enum class Kind {
        UnknownAction,   // a word that is no action
        MissingArgument, // the list ended where an argument was needed
        BadArgument,     // an argument out of range or of the wrong form
        Unexpected,      // a number where an action was expected
        NotInProtocol,   // the protocol has no such command
        NotHere,         // wait, where no pause is allowed
    };
    ActionWordError(Kind kind, const std::string &message)
        : std::runtime_error(message), m_kind(kind)
    {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// The steps of words, in order. Throws ActionWordError, whose message names the bad word.
std::vector<ActionStep> parseActionWords(std::span<const std::string> words,
                                         pelco::Protocol protocol, bool allowPause);

// The actions, one a line with their arguments ("  up [TILT]  tilt up"), and what the
// arguments take; with "wait SECONDS" when allowPause. Each line ends with a newline.
std::string actionListHelp(bool allowPause);
