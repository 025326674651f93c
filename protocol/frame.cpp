#include "frame.h"

#include "dialect.h"

#include <algorithm>

namespace pelco {

Byte checksum(Protocol protocol, Byte address, const Payload &payload)
{
    return dialect(protocol).checksum(address, payload);
}

Byte Frame::checksum() const
{
    return pelco::checksum(protocol, address, payload);
}

std::vector<Byte> Frame::encode() const
{
    const Dialect &d = dialect(protocol);
    std::vector<Byte> bytes{d.sync, address, payload[0], payload[1], payload[2], payload[3]};
    if (d.trailerIndex < d.frameSize)
        bytes.push_back(d.trailer);
    bytes.push_back(checksum());
    return bytes;
}

std::optional<Frame> Frame::decode(Protocol protocol, std::span<const Byte> bytes)
{
    const Dialect &d = dialect(protocol);
    if (bytes.size() != d.frameSize || bytes[0] != d.sync ||
        (d.trailerIndex < d.frameSize && bytes[d.trailerIndex] != d.trailer))
        return std::nullopt;
    Frame frame{protocol, bytes[1], {bytes[2], bytes[3], bytes[4], bytes[5]}};
    if (bytes.back() != frame.checksum())
        return std::nullopt;
    return frame;
}

std::vector<Byte> frameBytes(Protocol protocol, Byte address, const Payload &payload)
{
    return Frame{protocol, address, payload}.encode();
}

} // namespace pelco
