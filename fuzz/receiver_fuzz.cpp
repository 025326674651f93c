// The Pelco D receiver on any byte stream: it never crashes, every frame it yields has a good
// checksum and decodes to the command it reports, every general response answers the command
// just before it, what it skips holds no sync byte, and the events do not depend on how the
// stream is chunked. The virtual camera then takes the frames and keeps its state inside its
// limits.
#include "commandframe.h"
#include "pelcoreceiver.h"
#include "pelcoreply.h"
#include "virtualcamera.h"

#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__);            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace {

std::vector<PelcoEvent> receiveInChunks(std::span<const BYTE> bytes, std::size_t chunk)
{
    PelcoReceiver receiver;
    std::vector<PelcoEvent> events;
    for (std::size_t at = 0; at < bytes.size(); at += chunk)
        for (auto &e : receiver.feed(bytes.subspan(at, std::min(chunk, bytes.size() - at))))
            events.push_back(std::move(e));
    for (auto &e : receiver.finish())
        events.push_back(std::move(e));
    return events;
}

void checkEvent(const PelcoEvent &e)
{
    const auto &b = e.bytes;
    switch (e.type) {
    case PelcoEvent::Type::Frame: {
        CHECK(b.size() == 7);
        CHECK(b[0] == pelcoSync);
        CHECK(ComputeChecksum(b[1], b[2], b[3], b[4], b[5]) == b[6]);
        PelcoBytes frame;
        std::copy(b.begin(), b.end(), frame.begin());
        CHECK(decodePelco(frame) == e.command);
        CHECK(e.command.address == b[1] && e.command.checksum == b[6]);
        CHECK(replyOf(e).has_value() == e.command.isResponse());
        break;
    }
    case PelcoEvent::Type::GeneralResponse: {
        CHECK(b.size() == 4);
        CHECK(b[0] == pelcoSync);
        const auto reply = replyOf(e);
        CHECK(reply && reply->kind == PelcoReply::Kind::General);
        CHECK(reply->address == b[1] && reply->alarms == b[2]);
        break;
    }
    case PelcoEvent::Type::BadEtx:
        CHECK(false); // Pelco P only
        break;
    case PelcoEvent::Type::BadChecksum:
        CHECK(b.size() == 7);
        CHECK(b[0] == pelcoSync);
        CHECK(ComputeChecksum(b[1], b[2], b[3], b[4], b[5]) != b[6]);
        break;
    case PelcoEvent::Type::Skipped:
        CHECK(!b.empty());
        for (BYTE byte : b)
            CHECK(byte != pelcoSync);
        break;
    case PelcoEvent::Type::Incomplete:
        CHECK(!b.empty() && b.size() < 7);
        CHECK(b[0] == pelcoSync);
        break;
    }
    CHECK(!describe(e).empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const BYTE> bytes(data, size);
    const auto whole = receiveInChunks(bytes, size ? size : 1);
    CHECK(receiveInChunks(bytes, 1) == whole);
    if (size > 2)
        CHECK(receiveInChunks(bytes, 1 + data[0] % 7) == whole);

    std::size_t frameBytes = 0;
    const PelcoEvent *lastFrame = nullptr; // the last frame or general response
    for (const auto &e : whole) {
        checkEvent(e);
        CHECK(e.protocol == Protocol::PelcoD);
        if (e.type != PelcoEvent::Type::BadChecksum)
            frameBytes += e.bytes.size();
        if (e.type == PelcoEvent::Type::GeneralResponse) {
            // It answers the command before it, with nothing but noise between them.
            CHECK(lastFrame && lastFrame->type == PelcoEvent::Type::Frame);
            const PelcoCommand &answered = lastFrame->command;
            CHECK(!answered.isResponse());
            CHECK(answered.address == e.bytes[1]);
            CHECK(BYTE(answered.checksum + e.bytes[2]) == e.bytes[3]);
        }
        if (e.type == PelcoEvent::Type::Frame || e.type == PelcoEvent::Type::GeneralResponse)
            lastFrame = &e;
    }
    // Frames, skipped bytes and the unfinished tail never claim more than came in.
    CHECK(frameBytes <= size);

    VirtualCamera camera(size ? data[size - 1] : 1);
    for (const auto &e : whole) {
        if (e.type != PelcoEvent::Type::Frame)
            continue;
        camera.apply(e.command);
        camera.advance(0.01 + e.command.data1() / 10.0);
        const CameraPosition &p = camera.state().position;
        CHECK(p.pan >= 0.0 && p.pan < 360.0);
        CHECK(p.tilt >= VirtualCamera::minTilt && p.tilt <= VirtualCamera::maxTilt);
        CHECK(p.zoom >= VirtualCamera::minZoom && p.zoom <= VirtualCamera::maxZoom);
        CHECK(p.focus >= 0.0 && p.focus <= 100.0);
        CHECK(camera.state().iris >= 0.0 && camera.state().iris <= 100.0);
        CHECK(!VirtualCamera::describe(camera.state()).empty());
    }
    return 0;
}
