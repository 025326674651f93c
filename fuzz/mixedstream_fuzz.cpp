// Any stream of valid Pelco D and Pelco P frames (and general responses right after the Pelco D
// commands they answer), with noise between them that holds no sync byte (0xFF, 0xA0), is
// decoded by a receiver listening for both protocols to exactly those frames in order, the
// noise between them as skipped bytes, and nothing else, however the stream is chunked.
//
// The input is read as a script: an operation byte, then the bytes it needs.
#include "receiverchecks.h"

#include "frame.h"

#include <optional>

namespace {

struct Script
{
    std::span<const Byte> data;
    std::size_t at = 0;
    bool done() const { return at >= data.size(); }
    Byte next() { return at < data.size() ? data[at++] : 0; }
};

struct Expected
{
    PelcoEvent::Type type;
    Protocol protocol;
    std::vector<Byte> bytes;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Script script{std::span<const Byte>(data, size)};
    const std::size_t chunk = 1 + script.next() % 13;
    std::vector<Byte> stream;
    std::vector<Expected> expected;
    std::vector<std::size_t> generalAt; // where each general response starts in the stream
    struct Answerable
    {
        Byte address, checksum;
    };
    std::optional<Answerable> answerable; // the Pelco D command a general response may answer
    const auto addFrame = [&](Protocol protocol, std::span<const Byte> b) {
        stream.insert(stream.end(), b.begin(), b.end());
        expected.push_back({PelcoEvent::Type::Frame, protocol, {b.begin(), b.end()}});
    };

    while (!script.done() && expected.size() < 64) {
        const Byte op = script.next() % 4;
        const Byte address = script.next();
        const std::array<Byte, 4> payload{script.next(), script.next(), script.next(),
                                          script.next()};
        switch (op) {
        case 0: { // a Pelco D frame
            PelcoBytes frame;
            const auto bytes = frameBytes(Protocol::PelcoD, address, payload);
            std::copy(bytes.begin(), bytes.end(), frame.begin());
            if (decodePelco(frame).isResponse())
                answerable.reset();
            else
                answerable = Answerable{address, frame[6]};
            addFrame(Protocol::PelcoD, frame);
            break;
        }
        case 1: // a Pelco P frame
            answerable.reset();
            addFrame(Protocol::PelcoP, frameBytes(Protocol::PelcoP, address, payload));
            break;
        case 2: { // noise: the operation's bytes, none of them a sync byte
            std::vector<Byte> noise{address, payload[0], payload[1], payload[2], payload[3]};
            noise.resize(1 + address % 5);
            for (Byte &b : noise)
                if (b == pelcoSync || b == pelcoPStx)
                    b ^= 0x01;
            stream.insert(stream.end(), noise.begin(), noise.end());
            if (!expected.empty() && expected.back().type == PelcoEvent::Type::Skipped)
                expected.back().bytes.insert(expected.back().bytes.end(), noise.begin(),
                                             noise.end());
            else
                expected.push_back({PelcoEvent::Type::Skipped, Protocol::PelcoD, noise});
            break;
        }
        case 3: { // a general response, where there is a command for it to answer
            if (!answerable)
                break;
            const PelcoGeneralBytes g =
                generalResponse(answerable->address, answerable->checksum, payload[0]);
            generalAt.push_back(stream.size());
            stream.insert(stream.end(), g.begin(), g.end());
            expected.push_back({PelcoEvent::Type::GeneralResponse, Protocol::PelcoD,
                                std::vector<Byte>(g.begin(), g.end())});
            answerable.reset();
            break;
        }
        }
    }
    // A general response and the three bytes after it that make a good Pelco D frame are a
    // frame, by the receiver's rule: such streams are no test of this.
    for (std::size_t at : generalAt)
        if (at + 7 <= stream.size() && checksum(Protocol::PelcoD, stream[at + 1],
                                                {stream[at + 2], stream[at + 3], stream[at + 4],
                                                 stream[at + 5]}) == stream[at + 6])
            return 0;

    for (std::size_t pieces : {stream.size() ? stream.size() : 1, chunk}) {
        const auto events =
            receiverchecks::receiveInChunks(PelcoReceiver::bothProtocols(), stream, pieces);
        CHECK(events.size() == expected.size());
        for (std::size_t i = 0; i < events.size(); ++i) {
            CHECK(events[i].type == expected[i].type);
            CHECK(events[i].bytes == expected[i].bytes);
            if (expected[i].type != PelcoEvent::Type::Skipped)
                CHECK(events[i].protocol == expected[i].protocol);
            receiverchecks::checkEvent(events[i], true, true);
        }
    }
    return 0;
}
