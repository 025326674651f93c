// What one dialect is on the wire: its framing, checksum, names and turbo speed. Each dialect
// defines one of these in its own file; its codes are its column of the code table (codes.h).
#pragma once

#include "protocol.h"

#include <span>
#include <string_view>
#include <vector>

namespace pelco {

struct Dialect
{
    Protocol protocol;
    std::string_view name;    // "Pelco D"
    std::string_view flag;    // "d", as --protocol takes it
    char letter;              // 'D', how the monitor marks a line
    std::size_t frameSize;    // whole frame, sync to checksum
    Byte sync;                // the first byte of every frame
    Byte turbo;               // the pan speed byte for turbo
    std::size_t trailerIndex; // a fixed byte after the payload, frameSize when there is none
    Byte trailer;             // its value (Pelco P's ETX)
    Byte (*checksum)(Byte address, const Payload &payload);
};

extern const Dialect pelcoDDialect; // pelcod.cpp
extern const Dialect pelcoPDialect; // pelcop.cpp

const Dialect &dialect(Protocol protocol);

} // namespace pelco
