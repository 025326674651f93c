#include "commandframe.h"

BYTE ComputeChecksum(int address, int command1, int command2, int data1, int data2)
{
    return static_cast<BYTE>((address + command1 + command2 + data1 + data2) % 256);
}

CommandFrame makeFrame(BYTE address, BYTE command1, BYTE command2, BYTE data1, BYTE data2)
{
    return CommandFrame{pelcoSync,
                        address,
                        command1,
                        command2,
                        data1,
                        data2,
                        ComputeChecksum(address, command1, command2, data1, data2)};
}

std::string toHex(const BYTE *bytes, std::size_t count)
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
