// The actions tarnctl sends, in Pelco D and Pelco P from one table, so that the two protocols
// cannot drift apart: each action knows its bytes in both (or that Pelco P has none), what
// follows its name and how it is explained.
//
// Both protocols carry a command in four bytes between the address and the frame's tail
// (command 1, command 2, data 1, data 2 in Pelco D; data 1 to data 4 in Pelco P), and both put
// an action's arguments in the last two of them: pan and tilt speed, or an extended command's
// two data bytes. Only the turbo pan speed differs (0xFF in Pelco D, 0x40 in Pelco P).
//
// The panel's frames are not taken from here (see commands.h); the rows of its actions use the
// same bytes, and a test holds them to it.
#pragma once

#include "commands.h"
#include "command.h"
#include "protocol.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

using ActionPayload = std::array<BYTE, 4>;

// Turbo: pelcoTurboSpeed (0xFF) in Pelco D, pelcoPTurboSpeed (0x40) in Pelco P.

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
    ActionPayload pelcoD;                // with the arguments' defaults in place
    std::optional<ActionPayload> pelcoP; // nullopt: Pelco P has no agreed code for it
    std::string_view usage;              // "up [TILT]"
    std::string_view help;               // one line, for --help
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

// The values read for an action's arguments; the defaults are those of an action given alone.
struct ActionArguments
{
    int pan = maxSpeed;
    bool panTurbo = false;
    int tilt = maxSpeed;
    int value = 0; // preset, aux number, lens speed, PelcoCommand::AutoMode, hundredths, raw
};

// The action's four bytes in the protocol; nullopt where that protocol has no such command.
std::optional<ActionPayload> encodeAction(const ActionSpec &action,
                                          const ActionArguments &arguments, Protocol protocol);

// The frame on the line: seven bytes of Pelco D, or eight of Pelco P.
std::vector<BYTE> frameBytes(Protocol protocol, BYTE address, const ActionPayload &payload);
