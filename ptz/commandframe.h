// The Pelco D command frame: seven bytes, in line order.
#pragma once

#include "protocol.h"

#include <array>

// The panel's byte type, the one its frame's fields are declared with.
using BYTE = pelco::Byte;

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

// (address + command1 + command2 + data1 + data2) mod 256; each input is 0..255.
BYTE ComputeChecksum(int address, int command1, int command2, int data1, int data2);

// Fills all seven fields of a frame.
CommandFrame makeFrame(BYTE address, BYTE command1, BYTE command2, BYTE data1, BYTE data2);
