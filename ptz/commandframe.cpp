#include "commandframe.h"

#include "frame.h"

BYTE ComputeChecksum(int address, int command1, int command2, int data1, int data2)
{
    return static_cast<BYTE>((address + command1 + command2 + data1 + data2) % 256);
}

CommandFrame makeFrame(BYTE address, BYTE command1, BYTE command2, BYTE data1, BYTE data2)
{
    return CommandFrame{pelco::pelcoSync,
                        address,
                        command1,
                        command2,
                        data1,
                        data2,
                        ComputeChecksum(address, command1, command2, data1, data2)};
}
