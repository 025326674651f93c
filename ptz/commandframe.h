// The Pelco D command frame: seven bytes, in line order.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using BYTE = std::uint8_t;

struct CommandFrame
{
    BYTE sync;
    BYTE address;
    BYTE command1;
    BYTE command2;
    BYTE data1;
    BYTE data2;
    BYTE checksum;

    std::array<BYTE, 7> bytes() const
    {
        return {sync, address, command1, command2, data1, data2, checksum};
    }
};
static_assert(sizeof(CommandFrame) == 7, "a frame is seven bytes, nothing between them");

inline constexpr BYTE pelcoSync = 0xFF;

// (address + command1 + command2 + data1 + data2) mod 256; each input is 0..255.
BYTE ComputeChecksum(int address, int command1, int command2, int data1, int data2);

// Fills all seven fields of a frame.
CommandFrame makeFrame(BYTE address, BYTE command1, BYTE command2, BYTE data1, BYTE data2);

// Upper-case hex byte pairs separated by single spaces: "FF 01 00 08 00 3F 48".
std::string toHex(const BYTE *bytes, std::size_t count);
inline std::string toHex(const CommandFrame &frame)
{
    const auto b = frame.bytes();
    return toHex(b.data(), b.size());
}
