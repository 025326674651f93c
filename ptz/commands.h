// Every command the panel sends, as the four bytes between address and checksum. The codes are
// Pelco D's column of the protocol's code table (codes.h), so they are written once; a test
// holds them to the bytes the panel has always sent.
#pragma once

#include "codes.h"
#include "commandframe.h"

struct PtzCommand
{
    BYTE command1;
    BYTE command2;
    BYTE data1;
    BYTE data2;
    friend constexpr bool operator==(const PtzCommand &, const PtzCommand &) = default;
};

// Pan and tilt go at the top of the ordinary speed range; no other speed is sent.
inline constexpr BYTE panTiltSpeed = 0x3F;

namespace PtzCommands {

namespace codes {
inline constexpr const pelco::StandardBits &pelcoD = pelco::standardBitsOf(pelco::Protocol::PelcoD);

// A standard command with one function bit, in command 1 or command 2 as Pelco D places it.
constexpr PtzCommand standard(pelco::FunctionBit bit, BYTE data1 = 0x00, BYTE data2 = 0x00)
{
    return bit.byte == 0 ? PtzCommand{bit.mask, 0x00, data1, data2}
                         : PtzCommand{0x00, bit.mask, data1, data2};
}

constexpr BYTE extended(pelco::CommandKind kind)
{
    return *pelco::extendedCode(kind, pelco::Protocol::PelcoD);
}
} // namespace codes

inline constexpr PtzCommand stop{0x00, 0x00, 0x00, 0x00};
inline constexpr PtzCommand zoomTele = codes::standard(codes::pelcoD.zoomTele);
inline constexpr PtzCommand zoomWide = codes::standard(codes::pelcoD.zoomWide);
inline constexpr PtzCommand focusFar = codes::standard(codes::pelcoD.focusFar);
inline constexpr PtzCommand focusNear = codes::standard(codes::pelcoD.focusNear);
inline constexpr PtzCommand up = codes::standard(codes::pelcoD.tiltUp, 0x00, panTiltSpeed);
inline constexpr PtzCommand down = codes::standard(codes::pelcoD.tiltDown, 0x00, panTiltSpeed);
inline constexpr PtzCommand left = codes::standard(codes::pelcoD.panLeft, panTiltSpeed, 0x00);
inline constexpr PtzCommand right = codes::standard(codes::pelcoD.panRight, panTiltSpeed, 0x00);

inline constexpr BYTE setPresetCommand = codes::extended(pelco::CommandKind::SetPreset);
inline constexpr BYTE clearPresetCommand = codes::extended(pelco::CommandKind::ClearPreset);
inline constexpr BYTE gotoPresetCommand = codes::extended(pelco::CommandKind::GotoPreset);

constexpr PtzCommand setPreset(BYTE n)
{
    return {0x00, setPresetCommand, 0x00, n};
}
constexpr PtzCommand clearPreset(BYTE n)
{
    return {0x00, clearPresetCommand, 0x00, n};
}
constexpr PtzCommand gotoPreset(BYTE n)
{
    return {0x00, gotoPresetCommand, 0x00, n};
}
} // namespace PtzCommands
