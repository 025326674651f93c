// Pelco P: eight bytes, STX A0, address, data 1 to 4, ETX AF, checksum, where the checksum is
// the XOR of the seven bytes before it (STX and ETX included). Turbo pan is 40.
#include "dialect.h"
#include "frame.h"

namespace pelco {

namespace {

Byte xorChecksum(Byte address, const Payload &payload)
{
    Byte x = pelcoPStx ^ address ^ pelcoPEtx;
    for (Byte b : payload)
        x ^= b;
    return x;
}

} // namespace

const Dialect pelcoPDialect{Protocol::PelcoP, "Pelco P",        "p", 'P',       8,
                            pelcoPStx,        pelcoPTurboSpeed, 6,   pelcoPEtx, xorChecksum};

} // namespace pelco
