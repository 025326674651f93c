// What every receiver fuzz target checks of the receiver on any byte stream: no crash, every
// frame it yields passes its framing and checksum and decodes to the command it reports,
// every bad frame really fails, every general response answers the command just before it,
// what it skips holds no sync byte, and the events do not depend on how the stream is chunked.
// The virtual camera then takes the frames and keeps its state inside its limits.
#pragma once

#include "command.h"
#include "receiver.h"
#include "reply.h"
#include "virtualcamera.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

using namespace pelco;

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__);            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace receiverchecks {

inline std::vector<PelcoEvent> receiveInChunks(PelcoReceiver receiver, std::span<const Byte> bytes,
                                               std::size_t chunk)
{
    std::vector<PelcoEvent> events;
    for (std::size_t at = 0; at < bytes.size(); at += chunk)
        for (auto &e : receiver.feed(bytes.subspan(at, std::min(chunk, bytes.size() - at))))
            events.push_back(std::move(e));
    for (auto &e : receiver.finish())
        events.push_back(std::move(e));
    return events;
}

inline std::array<Byte, 4> payloadOf(const std::vector<Byte> &b)
{
    return {b[2], b[3], b[4], b[5]};
}

// One event on its own; pelcoD and pelcoP say what the receiver listens for.
inline void checkEvent(const PelcoEvent &e, bool pelcoD, bool pelcoP)
{
    const auto &b = e.bytes;
    const bool p = e.protocol == Protocol::PelcoP;
    CHECK(p ? pelcoP : (pelcoD || e.type == PelcoEvent::Type::Skipped));
    const std::size_t size = p ? 8 : 7;
    switch (e.type) {
    case PelcoEvent::Type::Frame:
        CHECK(b.size() == size);
        if (p) {
            CHECK(b[0] == pelcoPStx && b[6] == pelcoPEtx);
            CHECK(checksum(Protocol::PelcoP, b[1], payloadOf(b)) == b[7]);
            PelcoPBytes frame;
            std::copy(b.begin(), b.end(), frame.begin());
            CHECK(decodePelcoP(frame) == e.command);
            CHECK(!e.command.isResponse());
        } else {
            CHECK(b[0] == pelcoSync);
            CHECK(checksum(Protocol::PelcoD, b[1], payloadOf(b)) == b[6]);
            PelcoBytes frame;
            std::copy(b.begin(), b.end(), frame.begin());
            CHECK(decodePelco(frame) == e.command);
        }
        CHECK(e.command.protocol == e.protocol);
        CHECK(e.command.address == b[1] && e.command.checksum == b.back());
        CHECK(replyOf(e).has_value() == e.command.isResponse());
        break;
    case PelcoEvent::Type::BadChecksum:
        CHECK(b.size() == size);
        if (p)
            CHECK(b[0] == pelcoPStx && b[6] == pelcoPEtx &&
                  checksum(Protocol::PelcoP, b[1], payloadOf(b)) != b[7]);
        else
            CHECK(b[0] == pelcoSync && checksum(Protocol::PelcoD, b[1], payloadOf(b)) != b[6]);
        break;
    case PelcoEvent::Type::BadEtx:
        CHECK(p && b.size() == 8 && b[0] == pelcoPStx && b[6] != pelcoPEtx);
        break;
    case PelcoEvent::Type::GeneralResponse: {
        CHECK(!p && b.size() == 4 && b[0] == pelcoSync);
        const auto reply = replyOf(e);
        CHECK(reply && reply->kind == PelcoReply::Kind::General);
        CHECK(reply->address == b[1] && reply->alarms == b[2]);
        break;
    }
    case PelcoEvent::Type::Skipped:
        CHECK(!b.empty());
        for (Byte byte : b)
            CHECK(!(pelcoD && byte == pelcoSync) && !(pelcoP && byte == pelcoPStx));
        break;
    case PelcoEvent::Type::Incomplete:
        CHECK(!b.empty() && b.size() < size);
        CHECK(b[0] == (p ? pelcoPStx : pelcoSync));
        break;
    }
    CHECK(!describe(e).empty());
}

// The whole stream, for a receiver that listens as pelcoD and pelcoP say.
inline void checkStream(std::span<const Byte> bytes, const PelcoReceiver &receiver, bool pelcoD,
                        bool pelcoP)
{
    const std::size_t size = bytes.size();
    const auto whole = receiveInChunks(receiver, bytes, size ? size : 1);
    CHECK(receiveInChunks(receiver, bytes, 1) == whole);
    if (size > 2)
        CHECK(receiveInChunks(receiver, bytes, 1 + bytes[0] % 9) == whole);

    std::size_t claimed = 0;
    const PelcoEvent *lastFrame = nullptr; // the last frame or general response
    for (const auto &e : whole) {
        checkEvent(e, pelcoD, pelcoP);
        if (e.type != PelcoEvent::Type::BadChecksum && e.type != PelcoEvent::Type::BadEtx)
            claimed += e.bytes.size();
        if (e.type == PelcoEvent::Type::GeneralResponse) {
            // It answers the Pelco D command before it, with nothing but noise between them.
            CHECK(lastFrame && lastFrame->type == PelcoEvent::Type::Frame);
            const PelcoCommand &answered = lastFrame->command;
            CHECK(answered.protocol == Protocol::PelcoD && !answered.isResponse());
            CHECK(answered.address == e.bytes[1]);
            CHECK(Byte(answered.checksum + e.bytes[2]) == e.bytes[3]);
        }
        if (e.type == PelcoEvent::Type::Frame || e.type == PelcoEvent::Type::GeneralResponse)
            lastFrame = &e;
    }
    // Frames, skipped bytes and the unfinished tail never claim more than came in.
    CHECK(claimed <= size);

    VirtualCamera camera(size ? bytes[size - 1] : 1, VirtualCamera::Replies::All);
    for (const auto &e : whole) {
        if (e.type != PelcoEvent::Type::Frame)
            continue;
        const auto reaction = camera.apply(e.command);
        CHECK(reaction.reply.empty() || (reaction.acted && e.protocol == Protocol::PelcoD));
        CHECK(reaction.reply.empty() || reaction.reply.size() == 4 || reaction.reply.size() == 7);
        camera.advance(0.01 + e.command.data1() / 10.0);
        const CameraState &s = camera.state();
        const CameraPosition &p = s.position;
        CHECK(p.pan >= 0.0 && p.pan < 360.0);
        CHECK(p.tilt >= VirtualCamera::minTilt && p.tilt <= VirtualCamera::maxTilt);
        CHECK(p.zoom >= VirtualCamera::minZoom && p.zoom <= VirtualCamera::maxZoom);
        CHECK(p.focus >= 0.0 && p.focus <= 100.0);
        CHECK(s.iris >= 0.0 && s.iris <= 100.0);
        CHECK(s.zoomSpeed >= 0 && s.zoomSpeed <= 3 && s.focusSpeed >= 0 && s.focusSpeed <= 3);
        CHECK(!VirtualCamera::describe(s).empty());
    }
}

} // namespace receiverchecks
