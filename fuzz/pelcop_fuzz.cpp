// The Pelco P receiver on any byte stream (receiverchecks.h says what holds).
#include "receiverchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    receiverchecks::checkStream(std::span<const Byte>(data, size), PelcoReceiver(Protocol::PelcoP),
                                false, true);
    return 0;
}
