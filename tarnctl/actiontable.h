// The actions tarnctl sends: each action's name, what follows it on the command line, how it is
// explained, and what it means as a Pelco command. The bytes come from the protocol library's
// code table, in whichever dialect is asked for; an action that a dialect has no code for is
// not sent in it.
//
// Both dialects carry a command in four bytes between the address and the frame's tail, and
// both put an action's arguments in the last two of them: pan and tilt speed, or an extended
// command's two data bytes. Only the turbo pan speed differs (0xFF in Pelco D, 0x40 in Pelco P).
#pragma once

#include "command.h"
#include "protocol.h"

#include <optional>
#include <span>
#include <string_view>

using ActionPayload = pelco::Payload;

// What follows an action's name on the command line.
enum class ActionArgs {
    None,
    Tilt,      // [TILT]: 0..63, default 63
    Pan,       // [PAN]: 0..63 or turbo, default 63
    PanTilt,   // [PAN [TILT]]: one number sets both, default 63
    Preset,    // N: 0..255
    Aux,       // N: 1..8
    LensSpeed, // N: 0..3
    Mode,      // on|off|auto
    Degrees,   // 0..359.99, sent in hundredths
    Raw,       // 0..65535
};

struct ActionSpec
{
    std::string_view name;
    ActionArgs args;
    pelco::PelcoCommand command; // its meaning, with the arguments' defaults in place
    std::string_view usage;      // "up [TILT]"
    std::string_view help;       // one line, for --help
};

inline constexpr int maxSpeed = 0x3F;
inline constexpr int maxAux = 8;
inline constexpr int maxLensSpeed = 3;
inline constexpr int maxHundredths = 35999;
inline constexpr int maxRawPosition = 0xFFFF;

// Every action, today's nine motions first.
std::span<const ActionSpec> actionTable();
// nullptr for a name that is no action.
const ActionSpec *findAction(std::string_view name);

// Whether the dialect has a code for the action.
bool actionInProtocol(const ActionSpec &action, pelco::Protocol protocol);

// The values read for an action's arguments; the defaults are those of an action given alone.
struct ActionArguments
{
    int pan = maxSpeed;
    bool panTurbo = false;
    int tilt = maxSpeed;
    int value = 0; // preset, aux number, lens speed, PelcoCommand::AutoMode, hundredths, raw
};

// The action's meaning with its arguments, in the dialect.
pelco::PelcoCommand actionCommand(const ActionSpec &action, const ActionArguments &arguments,
                                  pelco::Protocol protocol);

// The action's four bytes in the dialect; nullopt where that dialect has no such command.
std::optional<ActionPayload>
encodeAction(const ActionSpec &action, const ActionArguments &arguments, pelco::Protocol protocol);
