// The Pelco D receiver on any byte stream, alone and listening for both protocols
// (receiverchecks.h says what holds).
#include "receiverchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const Byte> bytes(data, size);
    receiverchecks::checkStream(bytes, PelcoReceiver(), true, false);
    receiverchecks::checkStream(bytes, PelcoReceiver::bothProtocols(), true, true);
    return 0;
}
