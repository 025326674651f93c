// The Pelco P command frame: eight bytes, in line order.
#pragma once

#include "commandframe.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr BYTE pelcoPStx = 0xA0;
inline constexpr BYTE pelcoPEtx = 0xAF;

struct PelcoPFrame
{
    BYTE stx;
    BYTE address;
    BYTE data1;
    BYTE data2;
    BYTE data3;
    BYTE data4;
    BYTE etx;
    BYTE checksum;

    std::array<BYTE, 8> bytes() const
    {
        return {stx, address, data1, data2, data3, data4, etx, checksum};
    }
    friend constexpr bool operator==(const PelcoPFrame &, const PelcoPFrame &) = default;
};
static_assert(sizeof(PelcoPFrame) == 8, "a frame is eight bytes, nothing between them");

// The XOR of the frame's first seven bytes, STX and ETX included.
constexpr BYTE pelcoPChecksum(BYTE address, BYTE data1, BYTE data2, BYTE data3, BYTE data4)
{
    return BYTE(pelcoPStx ^ address ^ data1 ^ data2 ^ data3 ^ data4 ^ pelcoPEtx);
}

// Fills all eight fields of a frame.
constexpr PelcoPFrame makePelcoPFrame(BYTE address, BYTE data1, BYTE data2, BYTE data3, BYTE data4)
{
    return {pelcoPStx, address, data1,     data2,
            data3,     data4,   pelcoPEtx, pelcoPChecksum(address, data1, data2, data3, data4)};
}

inline std::string toHex(const PelcoPFrame &frame)
{
    const auto b = frame.bytes();
    return toHex(b.data(), b.size());
}
