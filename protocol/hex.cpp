#include "hex.h"

namespace pelco {

std::string toHex(const Byte *bytes, std::size_t count)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

} // namespace pelco
