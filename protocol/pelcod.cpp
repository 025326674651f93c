// Pelco D: seven bytes, FF, address, command 1, command 2, data 1, data 2, checksum, where the
// checksum is the sum of the five bytes after the sync, mod 256. Turbo pan is FF.
#include "dialect.h"
#include "frame.h"

namespace pelco {

namespace {

Byte sumChecksum(Byte address, const Payload &payload)
{
    unsigned sum = address;
    for (Byte b : payload)
        sum += b;
    return Byte(sum % 256);
}

} // namespace

const Dialect pelcoDDialect{Protocol::PelcoD, "Pelco D",       "d", 'D',        7,
                            pelcoSync,        pelcoTurboSpeed, 7,   Byte(0x00), sumChecksum};

} // namespace pelco
