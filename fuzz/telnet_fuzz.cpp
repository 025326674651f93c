// The Telnet decoder on any byte stream: cut anywhere (at every single point, byte by byte, and
// at two points the input picks) it decodes to the same data and the same events, in order, as
// the stream read whole; no subnegotiation payload outgrows its bound; and data escaped for the
// wire decodes back to itself with no event.
#include "telnetcodec.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Decoded
{
    telnet::Bytes data;
    std::vector<telnet::Event> events;
    bool operator==(const Decoded &) const = default;
};

Decoded decode(std::span<const std::uint8_t> stream, const std::vector<std::size_t> &cuts)
{
    telnet::Decoder decoder;
    Decoded out;
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        decoder.feed(stream.subspan(from, cut - from), out.data, out.events);
        from = cut;
    }
    decoder.feed(stream.subspan(from), out.data, out.events);
    return out;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::span<const std::uint8_t> stream(bytes, size);
    const Decoded whole = decode(stream, {});
    for (const telnet::Event &e : whole.events)
        check(e.payload.size() <= telnet::Decoder::maxPayload);

    for (std::size_t i = 0; i <= size; ++i)
        check(decode(stream, {i}) == whole);
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < size; ++i)
        everyByte.push_back(i);
    check(decode(stream, everyByte) == whole);
    if (size >= 2) {
        std::size_t a = bytes[0] % (size + 1), b = bytes[size - 1] % (size + 1);
        if (a > b)
            std::swap(a, b);
        check(decode(stream, {a, b}) == whole);
    }

    telnet::Bytes wire;
    telnet::appendEscaped(wire, stream);
    const Decoded back = decode(wire, {});
    check(back.events.empty());
    check(back.data == telnet::Bytes(stream.begin(), stream.end()));
    return 0;
}
