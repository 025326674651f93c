// Every command the panel sends, as the four bytes between address and checksum. tarnctl's
// wider set, in both protocols, is the action table (actiontable.h).
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;

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
inline constexpr PtzCommand stop{0x00, 0x00, 0x00, 0x00};
inline constexpr PtzCommand zoomTele{0x00, 0x20, 0x00, 0x00};
inline constexpr PtzCommand zoomWide{0x00, 0x40, 0x00, 0x00};
inline constexpr PtzCommand focusFar{0x00, 0x80, 0x00, 0x00};
inline constexpr PtzCommand focusNear{0x01, 0x00, 0x00, 0x00};
inline constexpr PtzCommand up{0x00, 0x08, 0x00, panTiltSpeed};
inline constexpr PtzCommand down{0x00, 0x10, 0x00, panTiltSpeed};
inline constexpr PtzCommand left{0x00, 0x04, panTiltSpeed, 0x00};
inline constexpr PtzCommand right{0x00, 0x02, panTiltSpeed, 0x00};

inline constexpr BYTE setPresetCommand = 0x03;
inline constexpr BYTE clearPresetCommand = 0x05;
inline constexpr BYTE gotoPresetCommand = 0x07;

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
