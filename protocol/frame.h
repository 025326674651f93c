// The Pelco P command frame: eight bytes, in line order. STX, ETX and the checksum are the
// receiver's too (pelcocommand.h).
#pragma once

#include "commandframe.h"
#include "command.h"

#include <array>
#include <string>

struct PelcoPFrame
{
    BYTE stx;
    BYTE address;
    BYTE data1;
    BYTE data2;
    BYTE data3;
    BYTE data4;
    BYTE etx;
    BYTE checksum; // the XOR of the seven bytes before it

    PelcoPBytes bytes() const { return {stx, address, data1, data2, data3, data4, etx, checksum}; }
    friend constexpr bool operator==(const PelcoPFrame &, const PelcoPFrame &) = default;
};
static_assert(sizeof(PelcoPFrame) == 8, "a frame is eight bytes, nothing between them");

// Fills all eight fields of a frame around data 1 to 4.
inline PelcoPFrame makePelcoPFrame(BYTE address, const std::array<BYTE, 4> &data)
{
    return {pelcoPStx, address, data[0],   data[1],
            data[2],   data[3], pelcoPEtx, pelcoPChecksum(address, data)};
}

inline std::string toHex(const PelcoPFrame &frame)
{
    const auto b = frame.bytes();
    return toHex(b.data(), b.size());
}
